#pragma once
// Commands given to the application as URLs of its own scheme ("runebox://open",
// "runebox://appsetting?show=update"). The running copy receives them as get-URL events
// (from a second copy started with the URL, from the desktop's scheme handler, from
// runebox-tool) and dispatches each by its host name, lower-cased, to the command
// registered under it. A command may answer a result, which is written as a page into
// a private folder and opened with the desktop's opener, or refuse the URL: the sender
// of the event then hears why.

#include "platform/dbus/AppleEvent.h"
#include "platform/dbus/AppleEventBridge.h"

#include <QHash>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <memory>

// A result that is an HTML document already (a styled text converted to HTML).
struct KXURLResultPage {
    QString html;
};
Q_DECLARE_METATYPE(KXURLResultPage)

// A command's answer that it did not do what the URL asked, and why.
struct KXURLRefusal {
    QString reason;
};
Q_DECLARE_METATYPE(KXURLRefusal)

class KXURLHandler {
public:
    // Answers nothing (an invalid QVariant) for no page, a KXURLResultPage, a
    // KXURLRefusal (refused(reason)), or any other value whose description is the page's
    // text.
    using Command = std::function<QVariant(const QUrl& url)>;
    // Opens a written page; answers whether it could be handed on.
    using Opener = std::function<bool(const QString& path)>;

    // The shared handler, made on first use and registered for get-URL events; null
    // when the bundle declares no URL types ("CFBundleURLTypes" of Info.plist).
    static KXURLHandler* handler();

    // A handler for the given URL types (tests make their own). The command "*" is
    // registered with the built-in handler that logs the URL's parts.
    explicit KXURLHandler(const QVariantList& urlTypes);
    ~KXURLHandler();

    QVariantList urlTypes() const { return m_urlTypes; }
    // The schemes the URL types declare.
    QStringList schemes() const;
    // The schemes of the bundle's URL types, read without making the shared handler (the
    // command line is checked with them before the application starts).
    static QStringList bundleSchemes();

    // Stores the command under its lower-cased name; an empty function unregisters it.
    void registerCommand(const QString& command, Command fn);
    // The same, bound to a target: when the target is destroyed the command does nothing.
    // A null target unregisters the command.
    void registerCommand(const QString& command, QObject* target, Command fn);
    void unregisterCommand(const QString& command);
    bool isRegistered(const QString& command) const;

    // The registered command that a host reaches: the host lower-cased, else its
    // prefixes followed by "*", longest first, down to "*" alone; "" when none.
    QString resolveCommand(const QString& host) const;

    // A command's refusal.
    static QVariant refused(const QString& reason) { return QVariant::fromValue(KXURLRefusal{reason}); }

    // What became of one URL: the path of the page written ("" when there was none), and
    // why it was refused ("" when it was not): too long, not a valid URL, no command for
    // it, or the command's own refusal. Refusals are logged.
    struct Outcome {
        QString page;
        QString refusal;
    };
    // Dispatches one URL text (the get-URL event's direct parameter).
    Outcome dispatchURL(const QString& text);
    QString handleURL(const QString& text) { return dispatchURL(text).page; }
    // The get-URL event: the URL is dispatched from the event loop, after this call has
    // returned, so that no command runs inside the bus call. Then `answer` hears the
    // outcome: an empty reply, or the refusal under "errn" and "errs".
    void handleOpenLocationAppleEvent(const appleevent::Event& event, AppleEventBridge::Answer answer = {});

    // Result pages.
    void setOpener(Opener opener) { m_opener = std::move(opener); }
    static bool openWithDesktop(const QString& path);  // "xdg-open" with the file URL
    // The private folder of the pages (0700), made on first use.
    QString pageFolder();
    // Writes a result as a page with a unique name; "" on failure.
    QString writeResultPage(const QUrl& url, const QVariant& result);
    // The HTML of a result (text HTML-escaped).
    static QString pageHtml(const QUrl& url, const QVariant& result);

    // The built-in "*" command: logs the URL and its parts.
    static QVariant logURL(const QUrl& url);

private:
    struct Entry {
        Command fn;
        bool bound = false;
        QPointer<QObject> target;
    };
    QVariantList m_urlTypes;
    QHash<QString, Entry> m_commands;
    Opener m_opener = &KXURLHandler::openWithDesktop;
    QString m_pageFolder;
};
