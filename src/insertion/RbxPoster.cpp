// Posting one character: the log, the choice of road and the text of each insert mode.
#include "insertion/RbxPoster.h"

#include "insertion/KXPasteboardManager.h"
#include "insertion/PasteboardTypes.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "core/DateExtensions.h"
#include "core/Log.h"
#include "model/CharacterText.h"
#include "model/RbxFontInfo.h"
#include "model/RbxModelHooks.h"
#include "model/RbxRecentLayout.h"
#include "table/widgets/RbxCharView.h"

#include <QDateTime>
#include <QTimer>

namespace {

RbxDefaults& settings() { return RbxDefaults::userDefaults(); }

} // namespace

RbxPoster::RbxPoster(RbxCharView* view, std::shared_ptr<RbxPostingSystem> system, QObject* parent)
    : QObject(parent), view_(view), system_(system ? std::move(system) : std::make_shared<RbxPostingSystem>()) {}

RbxPoster::~RbxPoster() = default;

// ---------------------------------------------------------------- the log

const QStringList& RbxPoster::insertionLog() const { return view_ ? view_->insertionLog() : ownLog_; }

QString RbxPoster::fontDescription() const {
    if (!view_ || !view_->font()) return QStringLiteral("(no font)");
    return RbxFontInfo::fontInfoWithFont(view_->font())->shortDescription();
}

void RbxPoster::logInsertion(char32_t c, InsertMode mode) {
    QString description = CharacterText::descriptionOfCharacterOrLigature(c, false);
    description.replace(QLatin1Char('\n'), QStringLiteral("; "));
    const QString entry = QStringLiteral("%1\n%2\n%3\n%4")
                              .arg(QStringLiteral("%1: %2").arg(kx::ns::localDescription(QDateTime::currentDateTime()),
                                                               RbxDefaults::applicationInsertModeAsString(insertModeNumber(mode))),
                                   fontDescription(), description, front().settingsDescription);
    QStringList& log = view_ ? view_->insertionLog() : ownLog_;
    while (log.size() >= InsertionLogSize) log.removeLast();
    log.prepend(entry);
}

// ---------------------------------------------------------------- posting

void RbxPoster::postCharacter(char32_t c, const QString& s) {
    postCharacter(c, s, insertModeFromNumber(settings().applicationInsertMode()));
}

const RbxFrontApplication& RbxPoster::front() {
    if (!front_ || depth_ == 0) front_ = system_->frontApplication();
    return *front_;
}

void RbxPoster::postCharacter(char32_t c, const QString& s, InsertMode m) {
    // The front application is read once for the whole insertion.
    ++depth_;
    struct Done {
        RbxPoster* p;
        ~Done() {
            if (--p->depth_ == 0) p->front_.reset();
        }
    } done{this};
    if (!isKnownInsertMode(m)) {
        kx::log(QStringLiteral("insert mode %1 has no text: nothing inserted").arg(insertModeNumber(m)));
        return;
    }
    const bool given = !s.isEmpty();
    if (!given && c == 0) {
        kx::log(QStringLiteral("no character to insert"));
        return;
    }
    if (isTextualInsertMode(m) && CharacterText::textForMode(c, s, m).isEmpty()) {
        // A notation without text (a character without a name, character 0) delivers
        // nothing, so nothing is recorded either.
        kx::log(QStringLiteral("%1 of U+%2 is empty: nothing inserted")
                    .arg(RbxDefaults::applicationInsertModeAsString(insertModeNumber(m)))
                    .arg(uint(c), 4, 16, QLatin1Char('0')));
        return;
    }
    logInsertion(c, m);
    kx::KXPasteboardManager& pb = system_->pasteboard();

    if (tapIsEnabled() && m != InsertMode::Formatted && m != InsertMode::Picture) {
        bool typed = false;
        bool prepared = false;   // the pasteboard contents are set for the fallback
        if (m == InsertMode::HTML) {
            const QString html = CharacterText::textForMode(c, s, m);
            typed = postStringInTap(html);
            if (!typed) {
                pb.clearContents();
                addStringToPasteboard(given ? s : html);
                prepared = true;
            }
        } else if (m == InsertMode::Plain) {
            typed = given ? postStringInTap(s) : postCharacterInTap(c);
            if (!typed) {
                pb.clearContents();
                if (given) addStringToPasteboard(s);
                else addCharacterToPasteboard(c);
                prepared = true;
            }
        } else {
            typed = postStringInTap(CharacterText::textForMode(c, s, m));
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
    case InsertMode::Plain:
        if (given) addStringToPasteboard(s);
        else addCharacterToPasteboard(c);
        break;
    case InsertMode::Formatted:
        addFormattedStringToPasteboard(given ? s : CharacterText::characterToPost(c));
        break;
    case InsertMode::HTML:
        addStringToPasteboard(given ? s : CharacterText::htmlStringForCharacter(c));
        break;
    case InsertMode::Picture:
        kx::log(QStringLiteral("picture insertion mode not yet supported"));
        system_->beep();
        break;
    default:
        addStringToPasteboard(CharacterText::textForMode(c, s, m));
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

void RbxPoster::addCharacterToPasteboard(char32_t c) { addStringToPasteboard(CharacterText::characterToPost(c)); }

void RbxPoster::addFormattedStringToPasteboard(const QString& s) {
    kx::KXPasteboardManager& pb = system_->pasteboard();
    const double size = double(settings().integerForKey(QString::fromLatin1(rbx::key::formattedSize.name)));
    const QString family = view_ && view_->font() ? view_->font().familyName() : QString();
    pb.addString(CharacterText::formattedHtmlFragment(s, family, size), kx::pbtype::html());
    pb.addData(CharacterText::formattedRtfDocument(s, family, size), kx::pbtype::rtf());
    addStringToPasteboard(s);
}
