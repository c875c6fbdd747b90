#pragma once
// Finding the font the user types with in the front application, by the method that
// application's settings choose (AppSettings.plist, "fd..." keys):
//   FF  a fixed font ("fdFixedFont"; "system font", "user font" and "mono font" stand
//       for the desktop's general and fixed-pitch fonts)
//   AE  a 'core'/'getd' event to the program ("fdAEDesc")
//   SC  a bundle script ("fdScript", "%" replaced by the program's name)
//   PR  the program's own preferences ("fdPreferenceKey": a GSettings "schema.key", or a
//       key path in ~/.config/<identifier>.conf)
//   AX  accessibility: the text attributes at the caret of the focused element, then a
//       scan of the menus for the checked font item
//   NN  none
// A detector belongs to one process; the detectors keep the ten used last, a pause
// shared by all, and what they ask of the desktop. Each detection moves the next check
// by an adaptive delay. Main thread.

#include "core/Clock.h"
#include "insertion/AXObject.h"
#include "insertion/RbxPoster.h"
#include "kxlib/KXProcess.h"
#include "kxlib/KXScript.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

class RbxFontDetectors;

class RbxFontDetector {
public:
    enum class Method { FixedFont, AppleEvent, Script, Preferences, Accessibility, None };

    // `methodDict`: the process's per-application settings. The method is chosen now;
    // the first check may come after 1 s.
    RbxFontDetector(const KXProcess::Ptr& process, const QVariantMap& methodDict, RbxFontDetectors& owner);

    // No while a mouse button is down or during the pause; otherwise whether the next
    // check is due.
    bool shouldCheck();
    // One detection: the font's PostScript name (or the name the program gave), or "".
    QString detectedFontName();

    QString processName() const;
    KXProcess::Ptr process() const { return process_; }
    Method method() const { return method_; }
    // "detector(<process name>): FF|AE|SC|PR|AX|NN"
    QString description() const;
    // "application", "fullScreen", and with accessibility the focused window's facts.
    QVariantMap activeApplicationContext();
    // Milliseconds on the detectors' clock when the next check is due.
    qint64 nextCheckMs() const { return nextCheckMs_; }
    int attempts() const { return nAttempts_; }
    int successes() const { return nSuccess_; }

    // ---- the rules on their own --------------------------------------------------------
    // The delay (seconds) before the next check after a detection that took `duration`,
    // with the method's base delay, counting this attempt.
    static double nextDelay(double base, double duration, int attempts, int successes);
    // The text of an event's direct object: items are a property code (text) or a pair of
    // class code and index.
    static QString appleEventDescription(const QVariantList& items);
    // The text of a reply, Mac OS Roman, read no further than 208 bytes.
    static QString replyText(const QByteArray& macRoman);
    // A preference value without a trailing size ("Monospace 11" -> "Monospace").
    static QString withoutSize(const QString& fontDescription);

private:
    QString fixedFontName() const;
    QString appleEventFontName() const;
    QString scriptFontName();
    QString preferencesFontName() const;
    QString accessibilityFontName();
    QString caretFontName();
    QString scanMenus();
    QString scanMenu(const AXObject::Ptr& menu, int level);
    bool settingFlag(const QString& key) const;

    KXProcess::Ptr process_;
    QVariantMap methodDict_;
    RbxFontDetectors& owner_;
    Method method_ = Method::None;
    QString aeDesc_;
    QStringList aeItems_;
    KXScript script_;
    QString fixedFont_;
    QString prefsPath_;
    AXObject::Ptr axApplication_;
    AXObject::Ptr previousFontItem_;
    int previousMenu_ = 0;
    int nAttempts_ = 0;
    int nSuccess_ = 0;
    qint64 nextCheckMs_ = 0;
    int maxScanDepth_ = 2;
    bool shouldPickSeparator_ = true;
};

// The detectors of the process: at most ten, the one asked for last first, and the
// pause after an insertion.
class RbxFontDetectors : public RbxFontDetection {
public:
    // What detection asks of the desktop.
    class Desktop {
    public:
        virtual ~Desktop() = default;
        virtual bool mouseButtonDown() = 0;
        // The accessibility service is on (asked without a prompt).
        virtual bool accessibilityTrusted() = 0;
        virtual bool fullScreen() = 0;
        // The desktop's general font ("system font", "user font") or fixed-pitch font.
        virtual QString systemFontFamily(bool fixedPitch) = 0;
    };
    // The X server, the session's accessibility switch and Qt's font settings.
    static std::shared_ptr<Desktop> makeDesktop();

    static constexpr int MaxDetectors = 10;

    explicit RbxFontDetectors(std::shared_ptr<Desktop> desktop, kx::Clock& clock = kx::Clock::shared());

    // The detector of the process, made when there is none (null for no process). The
    // per-application settings are the process's own unless given.
    std::shared_ptr<RbxFontDetector> detectorForProcess(const KXProcess::Ptr& process);
    std::shared_ptr<RbxFontDetector> detectorForProcess(const KXProcess::Ptr& process, const QVariantMap& methodDict);
    // No check until then.
    void disableCheckingForSeconds(double seconds);
    void disableFontCheckingForSeconds(double seconds) override { disableCheckingForSeconds(seconds); }
    // Whether the pause lasts (a passed pause is forgotten).
    bool isPaused();
    QStringList processNames() const;

    Desktop& desktop() const { return *desktop_; }
    kx::Clock& clock() const { return clock_; }

private:
    std::shared_ptr<Desktop> desktop_;
    kx::Clock& clock_;
    QList<std::shared_ptr<RbxFontDetector>> detectors_;
    std::optional<qint64> pauseUntilMs_;
};
