// Posting one character: the log, the choice of road and the text of each insert mode.
#include "insertion/RbxPoster.h"

#include "insertion/KXPasteboardManager.h"
#include "insertion/PasteboardTypes.h"
#include "insertion/RbxFormattedText.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "core/DateExtensions.h"
#include "core/Log.h"
#include "model/RbxFontInfo.h"
#include "model/RbxHTML.h"
#include "model/RbxModelHooks.h"
#include "model/RbxRecentLayout.h"
#include "model/VirtualCharacters.h"
#include "table/core/RbxTools.h"
#include "table/widgets/RbxCharView.h"

#include <QDateTime>
#include <QTimer>

namespace {

RbxDefaults& settings() { return RbxDefaults::userDefaults(); }

// The code points of a text, surrogate pairs combined (a broken half is taken as it is).
std::vector<char32_t> codePoints(const QString& s) {
    std::vector<char32_t> out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out.push_back(QChar::surrogateToUcs4(u, s.at(i + 1).unicode()));
            ++i;
        } else {
            out.push_back(u);
        }
    }
    return out;
}

} // namespace

RbxPoster::RbxPoster(RbxCharView* view, std::shared_ptr<RbxPostingSystem> system, QObject* parent)
    : QObject(parent), view_(view), system_(system ? std::move(system) : std::make_shared<RbxPostingSystem>()) {}

RbxPoster::~RbxPoster() = default;

// ---------------------------------------------------------------- texts

QString RbxPoster::characterToPost(char32_t c) { return kx::str::stringWithUTF32Character(c); }

QString RbxPoster::textForMode(char32_t c, const QString& s, int mode) {
    if (mode == RbxInsertHTML) return s.isEmpty() ? RbxHTML::htmlStringForCharacter(c) : RbxHTML::htmlStringForString(s);
    if (s.isEmpty()) return mode == RbxInsertPlain ? characterToPost(c) : RbxTools::character(c, mode);
    if (mode == RbxInsertPlain) return s;
    // A text of one code point has that character's notations; any longer text (an emoji
    // with its skin tone, a sequence) spells out each of its code points.
    const std::vector<char32_t> points = codePoints(s);
    if (points.size() == 1) return RbxTools::character(points.front(), mode);
    const char32_t sequence = rbx::virtualEmojiCharacterForString(s);
    switch (mode) {
    case RbxInsertSwift: return RbxTools::swiftRepresentationOfString(s);
    case RbxInsertDecimal: return RbxTools::decimalRepresentationOfString(s);
    case RbxInsertHex: return RbxTools::hexRepresentationOfString(s);
    case RbxInsertName: {
        if (sequence) {
            const QString name = RbxTools::fullNameOfCharacter(sequence);
            if (!name.isEmpty()) return name;
        }
        QStringList names;
        for (char32_t cp : points) {
            const QString n = RbxTools::fullNameOfCharacter(cp);
            if (!n.isEmpty()) names << n;
        }
        return names.join(QStringLiteral(", "));
    }
    case RbxInsertDescription: {
        if (sequence) return RbxTools::descriptionOfCharacter(sequence, false);
        QStringList lines;
        for (char32_t cp : points)
            if (cp) lines << RbxTools::descriptionOfCharacter(cp, false);
        return lines.join(QLatin1Char('\n'));
    }
    default: return QStringLiteral("");
    }
}

// ---------------------------------------------------------------- the log

const QStringList& RbxPoster::insertionLog() const { return view_ ? view_->insertionLog() : ownLog_; }

QString RbxPoster::fontDescription() const {
    if (!view_ || !view_->font()) return QStringLiteral("(no font)");
    return RbxFontInfo::fontInfoWithFont(view_->font())->shortDescription();
}

void RbxPoster::logInsertion(char32_t c, int mode) {
    QString description = RbxTools::descriptionOfCharacterOrLigature(c, false);
    description.replace(QLatin1Char('\n'), QStringLiteral("; "));
    const QString entry = QStringLiteral("%1\n%2\n%3\n%4")
                              .arg(QStringLiteral("%1: %2").arg(kx::ns::localDescription(QDateTime::currentDateTime()),
                                                               RbxDefaults::applicationInsertModeAsString(mode)),
                                   fontDescription(), description, front().settingsDescription);
    QStringList& log = view_ ? view_->insertionLog() : ownLog_;
    while (log.size() >= InsertionLogSize) log.removeLast();
    log.prepend(entry);
}

// ---------------------------------------------------------------- posting

void RbxPoster::postCharacter(char32_t c, const QString& s) { postCharacter(c, s, settings().applicationInsertMode()); }

const RbxFrontApplication& RbxPoster::front() {
    if (!front_ || depth_ == 0) front_ = system_->frontApplication();
    return *front_;
}

void RbxPoster::postCharacter(char32_t c, const QString& s, int m) {
    // The front application is read once for the whole insertion.
    ++depth_;
    struct Done {
        RbxPoster* p;
        ~Done() {
            if (--p->depth_ == 0) p->front_.reset();
        }
    } done{this};
    if (!isKnownInsertMode(m)) {
        kx::log(QStringLiteral("insert mode %1 has no text: nothing inserted").arg(m));
        return;
    }
    const bool given = !s.isEmpty();
    if (!given && c == 0) {
        kx::log(QStringLiteral("no character to insert"));
        return;
    }
    const bool textual = m == RbxInsertPlain || m == RbxInsertHTML || m >= RbxInsertSwift;
    if (textual && textForMode(c, s, m).isEmpty()) {
        // A notation without text (a character without a name, character 0) delivers
        // nothing, so nothing is recorded either.
        kx::log(QStringLiteral("%1 of U+%2 is empty: nothing inserted")
                    .arg(RbxDefaults::applicationInsertModeAsString(m))
                    .arg(uint(c), 4, 16, QLatin1Char('0')));
        return;
    }
    logInsertion(c, m);
    kx::KXPasteboardManager& pb = system_->pasteboard();

    if (tapIsEnabled() && m != RbxInsertFormatted && m != RbxInsertPicture) {
        bool typed = false;
        bool prepared = false;   // the pasteboard contents are set for the fallback
        if (m == RbxInsertHTML) {
            const QString html = textForMode(c, s, m);
            typed = postStringInTap(html);
            if (!typed) {
                pb.clearContents();
                addStringToPasteboard(given ? s : html);
                prepared = true;
            }
        } else if (m == RbxInsertPlain) {
            typed = given ? postStringInTap(s) : postCharacterInTap(c);
            if (!typed) {
                pb.clearContents();
                if (given) addStringToPasteboard(s);
                else addCharacterToPasteboard(c);
                prepared = true;
            }
        } else {
            typed = postStringInTap(textForMode(c, s, m));
        }
        if (typed) {
            recordUse(c);
            scheduleActivation(0.5);
            if (settings().applicationFontDectection() && hooks_.disableFontCheckingForSeconds)
                hooks_.disableFontCheckingForSeconds(0.75);
            emit posted(true);
            return;
        }
        if (prepared) {
            paste(c);
            return;
        }
    }

    pb.clearContents();
    switch (m) {
    case RbxInsertPlain:
        if (given) addStringToPasteboard(s);
        else addCharacterToPasteboard(c);
        break;
    case RbxInsertFormatted:
        addFormattedStringToPasteboard(given ? s : characterToPost(c));
        break;
    case RbxInsertHTML:
        addStringToPasteboard(given ? s : RbxHTML::htmlStringForCharacter(c));
        break;
    case RbxInsertPicture:
        kx::log(QStringLiteral("picture insertion mode not yet supported"));
        system_->beep();
        break;
    default:
        addStringToPasteboard(textForMode(c, s, m));
        break;
    }
    paste(c);
}

void RbxPoster::recordUse(char32_t c) {
    if (hooks_.markSelectedFontAsUsed) hooks_.markSelectedFontAsUsed();
    if (c != 0) RbxRecentLayout::recentLayout()->addRecentCharacter(c, rbx::selectedFontRepertoire());
}

// ---------------------------------------------------------------- pasteboard contents

void RbxPoster::addStringToPasteboard(const QString& s) {
    kx::KXPasteboardManager& pb = system_->pasteboard();
    for (const QString& type : kx::pbtype::plainText()) pb.addString(s, type);
}

void RbxPoster::addCharacterToPasteboard(char32_t c) { addStringToPasteboard(characterToPost(c)); }

void RbxPoster::addFormattedStringToPasteboard(const QString& s) {
    kx::KXPasteboardManager& pb = system_->pasteboard();
    const double size = double(settings().integerForKey(QString::fromLatin1(rbx::key::formattedSize.name)));
    const QString family = view_ && view_->font() ? view_->font().familyName() : QString();
    pb.addString(rbx::formatted::htmlFragment(s, family, size), kx::pbtype::html());
    pb.addData(rbx::formatted::rtfDocument(s, family, size), kx::pbtype::rtf());
    addStringToPasteboard(s);
}
