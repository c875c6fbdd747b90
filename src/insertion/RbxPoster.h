#pragma once
// Delivering one character, or one string, into the application that has the keyboard
// focus, while the palette keeps out of the way. Two roads: the text is typed into the
// front application as key events (when its settings allow "directInsertion"; such an
// application never gets a paste), or it is put on the clipboard (the user's clipboard saved first)
// and a paste keystroke (Ctrl+V, found on the current layout) is sent, after which the
// user's clipboard is put back. The road and every delay are chosen here; the text of each
// insert mode is the character-text module's. The table view hands its clicked characters
// on through the RbxCharacterPosting interface.
//
// What the road needs of the running system comes through RbxPostingSystem, what it tells
// the font list and the font detection through the small interfaces below; all are given
// when the poster is made. Main thread only.

#include "core/InsertMode.h"
#include "insertion/RbxCharacterPosting.h"
#include "insertion/RbxPostingSystem.h"
#include "platform/fonts/Font.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// The font list: the font shown in the palette goes first among the recently used fonts.
class RbxUsedFonts {
public:
    virtual ~RbxUsedFonts() = default;
    virtual void markSelectedFontAsUsed() = 0;
};

// The automatic font detection of the front application pauses for a while, so that the
// insertion's own keys and clipboard use are not taken for the user's.
class RbxFontDetection {
public:
    virtual ~RbxFontDetection() = default;
    virtual void disableFontCheckingForSeconds(double seconds) = 0;
};

class RbxPoster : public RbxCharacterPosting {
    Q_OBJECT
public:
    // What the poster tells the layers beside it; either may be null (nothing is told).
    struct Services {
        std::shared_ptr<RbxUsedFonts> usedFonts;
        std::shared_ptr<RbxFontDetection> fontDetection;
    };

    explicit RbxPoster(std::shared_ptr<RbxPostingSystem> system, Services services = {}, QObject* parent = nullptr);
    ~RbxPoster() override;

    RbxPostingSystem& system() const { return *system_; }

    // ---- posting
    // In the insert mode the settings give for the front application.
    void postCharacter(char32_t c, const QString& s, const rbx::Font& font) override;
    // The whole insertion. A non-empty string is what is delivered; the character then
    // serves the recent characters and the log only. `font` is the font the palette shows.
    void postCharacter(char32_t c, const QString& s, InsertMode mode, const rbx::Font& font = {});

    void addStringToPasteboard(const QString& s);
    void addCharacterToPasteboard(char32_t c);
    // The formatted forms (HTML, RTF and plain text) of a text in the family of `font`.
    void addFormattedStringToPasteboard(const QString& s, const rbx::Font& font);
    void sendKeystroke(int keyCode, int carbonModifiers);
    // The paste key of the current layout: the key labelled "v" with Command, else "V",
    // else key code 9.
    int pasteKeyCode();

    // ---- the typing road
    bool postCharacterInTap(char32_t c);
    bool postStringInTap(const QString& s);

    // ---- the log of recent insertions, newest first, at most 10
    const QStringList& insertionLog() const override { return log_; }
    static constexpr int InsertionLogSize = 10;

    // Restore delay chosen for the latest pasteboard insertion (seconds; 0 when the
    // clipboard was not to be restored), for diagnostics and tests.
    double lastRestoreDelay() const { return lastRestoreDelay_; }

signals:
    // An insertion finished its road: true when typed, false when pasted. Not emitted for
    // insertions that delivered nothing.
    void posted(bool typed);

private:
    struct Insertion {
        char32_t c;
        QString s;
        InsertMode mode;
        rbx::Font font;
        bool given() const { return !s.isEmpty(); }
    };
    class FrontScope;

    // The steps of one insertion.
    bool refused(const Insertion& in);
    void logInsertion(const Insertion& in);
    bool typesInto(const Insertion& in);
    bool typeIn(const Insertion& in);
    void notTyped(const Insertion& in);
    void finishTyping(char32_t c, const rbx::Font& font);
    void preparePasteboard(const Insertion& in);
    void paste(char32_t c, const rbx::Font& font);
    // The steps of pasting.
    void publish(const RbxFrontApplication& front, bool utility);
    double pressPasteKey(int key, const RbxFrontApplication& front, const std::optional<RbxClipboardUtility>& utility);

    // Marks the font as used, and the character as recent with the font shown.
    void recordUse(char32_t c, const rbx::Font& font);
    void pauseFontDetection(double seconds);
    void scheduleActivation(double seconds);
    void delayedCopyPasteEvent(int keyCode);
    // A paste that asked only for a type of the clipboard before ours: the paste key once
    // more, when the application asks afresh.
    void pasteMissed(int publishedChangeCount);
    static QString fontDescription(const rbx::Font& font);
    // The front application, read once per insertion.
    const RbxFrontApplication& front();

    // How long the paste key's application is served at once, whatever else the palette
    // has to do: its requests for the text come a moment after the key.
    static constexpr int FetchWaitMs = 50;

    std::shared_ptr<RbxPostingSystem> system_;
    Services services_;
    QStringList log_;
    double lastRestoreDelay_ = 0;
    std::optional<RbxFrontApplication> front_;
    // The latest paste keystroke, for sending it again.
    struct PasteKey {
        int key = 0;
        RbxFrontApplication front;
        std::optional<RbxClipboardUtility> utility;
    };
    std::optional<PasteKey> lastPaste_;
    int depth_ = 0;
};
