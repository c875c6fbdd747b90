#pragma once
// Class-level operations that tell about the application, the running system and the
// user's activity: version texts and their comparison, the system version, the
// desktop's dark style, and running helper programs with time-outs.
//
// Every operation answers a neutral value on failure (empty text, false, -1) and logs
// where stated; none throws. All are safe to call from any thread.
//
// System version on Linux: the distribution's VERSION_ID from /etc/os-release (for
// example Debian "12" is 12.0.0, Ubuntu "24.04" is 24.4.0); when that is missing or
// not numeric (rolling distributions), the kernel release from uname ("6.1.0-13" is
// 6.1.0). Each part is clamped to 0..99 for the decimal form major × 10000 + minor ×
// 100 + patch.

#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>
#include <memory>

// What tells the application's appearance when the desktop's portal does not: installed
// by the drawing layer through kx::ProcessWide<KXAppearanceFallback>; the default says
// light.
class KXAppearanceFallback {
public:
    virtual ~KXAppearanceFallback() = default;
    virtual bool isDark() const = 0;
    static std::unique_ptr<KXAppearanceFallback> makeDefault();
};

class KXUtilities {
public:
    // ---- the application ---------------------------------------------------------------
    // The bundle's CFBundleExecutable.
    static QString applicationName();
    // The bundle's CFBundleVersion ("" when absent).
    static QString versionString();
    static QString plainVersionString() { return plainVersionOf(versionString()); }

    // ---- versions ----------------------------------------------------------------------
    // The leading run of digits and dots of a version text.
    static QString plainVersionOf(const QString& version);
    // -1, 0 or 1. A version is a base of digits and dots, an optional stage letter
    // ordered p < d < a < b < f < release (any other letter counts as p) and a number;
    // bases and numbers compare with digit runs taken as numbers.
    static int compareVersion(const QString& a, const QString& b);

    // ---- the running system -----------------------------------------------------------
    struct SystemVersion {
        int major = 0, minor = 0, patch = 0;
        bool operator==(const SystemVersion&) const = default;
    };
    // Read once and kept.
    static SystemVersion threePartVersion();
    static int decimalSystemVersion();
    // "%d.%d" when the patch number is 0, else "%d.%d.%d".
    static QString systemVersionString();
    // The version from the text of /etc/os-release, else from a kernel release text.
    static SystemVersion systemVersionFrom(const QString& osRelease, const QString& kernelRelease);
    static int decimalVersion(const SystemVersion& v);

    // The machine name of the processor ("x86_64", "aarch64"; "?" on failure).
    static QString processorType();
    // "A" for Arm, "I" for Intel, otherwise the machine name.
    static QString processorTypeLetter();
    static QString processorTypeLetterFor(const QString& machine);

    // Running from a temporary folder (an unpacked update about to be installed): the
    // executable lies under /var/tmp/ or the system's temporary folder.
    static bool installationMode();
    static bool isInstallationPath(const QString& executablePath, const QString& tempFolder);

    // The hardware model ("ThinkPad X1 Carbon Gen 9", "Raspberry Pi 4 Model B Rev 1.4"):
    // the firmware's product name, else the device tree's model; "" when unknown.
    static QString computerModel();
    static QString computerModelFrom(const QByteArray& dmiProductName, const QByteArray& deviceTreeModel);
    // The date of a text "YYYY-MM-DD" in the user's short date form; "" when the text is
    // no such date. The date is shown as written, in every time zone.
    static QString localizedDateString(const QString& isoDate);
    // The type of the file system that holds the path ("ext4", "tmpfs", "nfs"); "" on
    // failure (logged "FS Info <path>" and "statfs err = <errno>").
    static QString fileSystemTypeFor(const QString& path);
    // The parent process owns the creator code (its signature bus name). Main thread.
    static bool wasLaunchedByProcess(quint32 signature);

    // True when this process was started by the login item that KXLoginPrefs writes.
    // Read once; the marker is then removed from the environment so that programs this
    // one starts do not inherit it.
    static bool wasLaunchedAsLoginItem();

    // ---- network ----------------------------------------------------------------------
    // The address to use for the update server. Every supported system speaks https, so
    // a "https:" address is never turned into plain http: the answer is the address.
    static QString safeHTTPS(const QString& address);
    // The rule for systems that could not: "https:" becomes "http:" when the decimal
    // system version is below the threshold, which is httpsMinSys when that holds an
    // integer from 100000 to 109999, else 101300.
    static QString safeHTTPSForSystem(const QString& address, int decimalSystemVersion, const QVariant& httpsMinSys);

    // ---- appearance and activity -------------------------------------------------------
    // The desktop prefers a dark style (xdg-desktop-portal "org.freedesktop.appearance"
    // "color-scheme" is 1). False when no portal answers within a short time-out. The
    // answer is kept and follows the portal's change signal.
    static bool darkMenuTheme();
    // The application's appearance is dark: the portal's answer when there is one, else
    // the installed KXAppearanceFallback's.
    static bool darkAppearance();
    // The desktop is asked to draw without see-through effects: GNOME's high-contrast
    // setting (org.gnome.desktop.a11y.interface high-contrast). False when unknown.
    static bool reducedTransparency();
    // Forgets the kept portal answer (tests, or after the session bus changed).
    static void resetAppearanceCache();

    // Another application's window fills the screen (the active window is in the
    // full-screen state). Asked of the X server on the main thread; from other threads
    // the answer last found on the main thread. False without a display.
    static bool fullScreenMode();
    // Seconds since the user's last input; -1.0 when it cannot be read (no display, no
    // screen-saver extension). From another thread it waits for the main thread.
    static double idleTime();
    // Switches the front application away and back (for applications that take a
    // paste only after such a switch): our own process takes the front for a moment and
    // the application is brought back. With `deferReturn` the application is not asked
    // back at once but only after it failed to come back by itself. Each wait is at most
    // 0.5 s, so it returns after about a second at most. Nothing while another window
    // fills the screen, or when there is no front application. Main thread.
    static void launchMicro(bool deferReturn);

    // Do Not Disturb: GNOME's notification banners are switched off.
    static bool doNotDisturbMode();
    // Whether `now` lies in the range start..end (minutes after midnight, taken modulo
    // 1440, negative values counting from the end of the day); equal ends give false; a
    // range with end before start wraps midnight.
    static bool currentTimeInDNDRange(int startMinutes, int endMinutes, const QTime& now);

    // ---- helper programs --------------------------------------------------------------
    // Runs the script (tilde-expanded path, run directly, so it must be executable) with
    // the parameters as its arguments: standard input the null device, standard output
    // and error to a new temporary file, working folder the home folder. After
    // `timeoutSeconds` it logs "script timeout: <name> <parameters>" and ends the
    // script. Answers the file's UTF-8 text; "script <name> failed: <reason>" when the
    // script cannot be run.
    static QString runShellScript(const QString& path, const QStringList& parameters, double timeoutSeconds);
    // Runs a program with an argument list (no shell) and answers its standard output as
    // UTF-8 text ("" on failure or after the time-out, which ends the program).
    static QString shellCommandResult(const QString& program, const QStringList& arguments,
                                      double timeoutSeconds = 30);
    // Opens a file or address with the desktop's opener (xdg-open), without waiting.
    static bool openFile(const QString& path);

private:
    // Logs "**Utilities initialized" once, on first use.
    static void initialize();
};
