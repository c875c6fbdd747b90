// Posting one character: the checks, the log, the choice of road and the pasteboard's
// contents for each insert mode.
#include "insertion/RbxPoster.h"

#include "insertion/KXPasteboardManager.h"
#include "insertion/PasteboardTypes.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "core/DateExtensions.h"
#include "core/Log.h"
#include "model/CharacterText.h"
#include "model/RbxFontInfo.h"
#include "model/RbxFontInfoRepertoire.h"
#include "model/RbxRecentLayout.h"

#include <QDateTime>
#include <cmath>

namespace {

RbxDefaults& settings() { return RbxDefaults::userDefaults(); }

QString modeName(InsertMode mode) { return RbxDefaults::applicationInsertModeAsString(mode); }

} // namespace

// The front application is read once for a whole insertion, however deep the calls go.
class RbxPoster::FrontScope {
public:
    explicit FrontScope(RbxPoster& p) : p_(p) { ++p_.depth_; }
    ~FrontScope() {
        if (--p_.depth_ == 0) p_.front_.reset();
    }
    FrontScope(const FrontScope&) = delete;
    FrontScope& operator=(const FrontScope&) = delete;

private:
    RbxPoster& p_;
};

RbxPoster::RbxPoster(std::shared_ptr<RbxPostingSystem> system, Services services, QObject* parent)
    : RbxCharacterPosting(parent),
      system_(system ? std::move(system) : std::make_shared<RbxPostingSystem>(nullptr)),
      services_(std::move(services)) {}

RbxPoster::~RbxPoster() = default;

const RbxFrontApplication& RbxPoster::front() {
    if (!front_ || depth_ == 0) front_ = system_->frontApplication();
    return *front_;
}

// ---------------------------------------------------------------- posting

void RbxPoster::postCharacter(char32_t c, const QString& s, const rbx::Font& font) {
    postCharacter(c, s, settings().applicationInsertMode(), font);
}

void RbxPoster::postCharacter(char32_t c, const QString& s, InsertMode mode, const rbx::Font& font) {
    const FrontScope scope(*this);
    const Insertion in{c, s, mode, font};
    if (refused(in)) return;
    logInsertion(in);
    if (typesInto(in)) {
        // An application that takes typed text (a terminal) never gets a paste: its
        // paste keystroke is no paste there (Ctrl+V is a control character in a shell).
        if (typeIn(in)) finishTyping(c, font);
        else notTyped(in);
        return;
    }
    preparePasteboard(in);
    paste(c, font);
}

bool RbxPoster::refused(const Insertion& in) {
    if (!isKnownInsertMode(in.mode)) {
        kx::log(QStringLiteral("insert mode %1 has no text: nothing inserted").arg(insertModeNumber(in.mode)));
        return true;
    }
    if (!in.given() && in.c == 0) {
        kx::log(QStringLiteral("no character to insert"));
        return true;
    }
    if (isTextualInsertMode(in.mode) && CharacterText::textForMode(in.c, in.s, in.mode).isEmpty()) {
        // A notation without text (a character without a name, character 0) delivers
        // nothing, so nothing is recorded either.
        kx::log(QStringLiteral("%1 of U+%2 is empty: nothing inserted")
                    .arg(modeName(in.mode))
                    .arg(uint(in.c), 4, 16, QLatin1Char('0')));
        return true;
    }
    return false;
}

// The front application takes typed text, and typing is allowed: every insertion but a
// picture is typed.
bool RbxPoster::typesInto(const Insertion& in) {
    return in.mode != InsertMode::Picture && front().directInsertion && RbxPostingSystem::useTapping();
}

// Plain and formatted text go as the character (or the string): typed text has no format;
// every other mode as its text.
bool RbxPoster::typeIn(const Insertion& in) {
    if (in.mode == InsertMode::Plain || in.mode == InsertMode::Formatted)
        return in.given() ? postStringInTap(in.s) : postCharacterInTap(in.c);
    return postStringInTap(CharacterText::textForMode(in.c, in.s, in.mode));
}

void RbxPoster::notTyped(const Insertion& in) {
    kx::log(QStringLiteral("could not type U+%1 into %2: nothing inserted")
                .arg(uint(in.c), 4, 16, QLatin1Char('0'))
                .arg(front().processName));
    system_->beep();
    emit posted(true);
}

void RbxPoster::finishTyping(char32_t c, const rbx::Font& font) {
    recordUse(c, font);
    scheduleActivation(0.5);
    pauseFontDetection(0.75);
    emit posted(true);
}

void RbxPoster::preparePasteboard(const Insertion& in) {
    system_->pasteboard().clearContents();
    switch (in.mode) {
    case InsertMode::Plain:
        if (in.given()) addStringToPasteboard(in.s);
        else addCharacterToPasteboard(in.c);
        break;
    case InsertMode::Formatted:
        addFormattedStringToPasteboard(in.given() ? in.s : CharacterText::characterToPost(in.c), in.font);
        break;
    case InsertMode::HTML:
        addStringToPasteboard(in.given() ? in.s : CharacterText::htmlStringForCharacter(in.c));
        break;
    case InsertMode::Picture:
        kx::log(QStringLiteral("picture insertion mode not yet supported"));
        system_->beep();
        break;
    default:
        addStringToPasteboard(CharacterText::textForMode(in.c, in.s, in.mode));
        break;
    }
}

void RbxPoster::recordUse(char32_t c, const rbx::Font& font) {
    if (services_.usedFonts) services_.usedFonts->markSelectedFontAsUsed();
    if (c == 0) return;
    const auto repertoire = font ? RbxFontInfoRepertoire::repertoireOfFont(font) : nullptr;
    RbxRecentLayout::recentLayout()->addRecentCharacter(c, repertoire.get());
}

void RbxPoster::pauseFontDetection(double seconds) {
    if (settings().applicationFontDectection() && services_.fontDetection)
        services_.fontDetection->disableFontCheckingForSeconds(seconds);
}

// ---------------------------------------------------------------- the log

QString RbxPoster::fontDescription(const rbx::Font& font) {
    if (!font) return QStringLiteral("(no font)");
    return RbxFontInfo::fontInfoWithFont(font)->shortDescription();
}

void RbxPoster::logInsertion(const Insertion& in) {
    QString description = CharacterText::descriptionOfCharacterOrLigature(in.c, false);
    description.replace(QLatin1Char('\n'), QStringLiteral("; "));
    const QString entry = QStringLiteral("%1\n%2\n%3\n%4")
                              .arg(QStringLiteral("%1: %2").arg(kx::ns::localDescription(QDateTime::currentDateTime()),
                                                               modeName(in.mode)),
                                   fontDescription(in.font), description, front().settingsDescription);
    while (log_.size() >= InsertionLogSize) log_.removeLast();
    log_.prepend(entry);
}

// ---------------------------------------------------------------- pasteboard contents

void RbxPoster::addStringToPasteboard(const QString& s) {
    kx::KXPasteboardManager& pb = system_->pasteboard();
    for (const QString& type : kx::pbtype::plainText()) pb.addString(s, type);
}

void RbxPoster::addCharacterToPasteboard(char32_t c) { addStringToPasteboard(CharacterText::characterToPost(c)); }

void RbxPoster::addFormattedStringToPasteboard(const QString& s, const rbx::Font& font) {
    kx::KXPasteboardManager& pb = system_->pasteboard();
    // The size menu offers whole points.
    const double size = std::trunc(settings().doubleForKey(rbx::key::formattedSize));
    const QString family = font ? font.familyName() : QString();
    pb.addString(CharacterText::formattedHtmlFragment(s, family, size), kx::pbtype::html());
    pb.addData(CharacterText::formattedRtfDocument(s, family, size), kx::pbtype::rtf());
    addStringToPasteboard(s);
}
