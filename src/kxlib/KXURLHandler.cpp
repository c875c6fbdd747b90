#include "kxlib/KXURLHandler.h"

#include "core/AtomicFile.h"
#include "core/Bundle.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/PrivateFolder.h"
#include "platform/dbus/AppleEventBridge.h"
#include "platform/dbus/FourCharCode.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>
#include <QCoreApplication>


namespace {
constexpr qsizetype MaxURLLength = 64 * 1024;
// The error number of a refused URL in the event's reply (a parameter error).
constexpr int RefusedErrorNumber = -50;
constexpr quint32 GURL = fourcc::make('G', 'U', 'R', 'L');

QString orNull(const QString& s) { return s.isNull() ? QStringLiteral("(null)") : s; }

QVariantList bundleUrlTypes() {
    return kx::ns::arrayOrEmpty(kx::Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleURLTypes")));
}

QStringList schemesOf(const QVariantList& urlTypes) {
    QStringList out;
    for (const QVariant& t : urlTypes)
        for (const QVariant& s : kx::ns::arrayOrEmpty(kx::ns::dictionaryOrEmpty(t).value(QStringLiteral("CFBundleURLSchemes"))))
            if (kx::ns::isString(s)) out << s.toString().toLower();
    return out;
}
} // namespace

KXURLHandler* KXURLHandler::handler() {
    static KXURLHandler* shared = [] () -> KXURLHandler* {
        const QVariantList types = bundleUrlTypes();
        if (types.isEmpty()) {
            kx::log(QStringLiteral("URL commands: the bundle declares no URL types"));
            return nullptr;
        }
        auto* h = new KXURLHandler(types);  // lives as long as the process
        AppleEventBridge::shared().setLaterHandler(GURL, GURL, [h](const appleevent::Event& e, AppleEventBridge::Answer a) {
            h->handleOpenLocationAppleEvent(e, std::move(a));
        });
        return h;
    }();
    return shared;
}

KXURLHandler::KXURLHandler(const QVariantList& urlTypes) : m_urlTypes(urlTypes) {
    registerCommand(QStringLiteral("*"), &KXURLHandler::logURL);
}

KXURLHandler::~KXURLHandler() = default;

QStringList KXURLHandler::schemes() const { return schemesOf(m_urlTypes); }

QStringList KXURLHandler::bundleSchemes() { return schemesOf(bundleUrlTypes()); }

void KXURLHandler::registerCommand(const QString& command, Command fn) {
    if (!fn) {
        unregisterCommand(command);
        return;
    }
    m_commands.insert(command.toLower(), Entry{std::move(fn), false, nullptr});
}

void KXURLHandler::registerCommand(const QString& command, QObject* target, Command fn) {
    if (!target || !fn) {
        unregisterCommand(command);
        return;
    }
    m_commands.insert(command.toLower(), Entry{std::move(fn), true, target});
}

void KXURLHandler::unregisterCommand(const QString& command) { m_commands.remove(command.toLower()); }

bool KXURLHandler::isRegistered(const QString& command) const { return m_commands.contains(command.toLower()); }

QString KXURLHandler::resolveCommand(const QString& host) const {
    const QString command = host.toLower();
    if (m_commands.contains(command)) return command;
    if (command.isEmpty()) return {};
    for (qsizetype keep = command.size() - 1; keep >= 0; --keep) {
        const QString candidate = command.left(keep) + QLatin1Char('*');
        if (m_commands.contains(candidate)) return candidate;
    }
    return {};
}

KXURLHandler::Outcome KXURLHandler::dispatchURL(const QString& text) {
    Outcome out;
    auto refuse = [&out](const QString& reason) {
        kx::log(QStringLiteral("URL command refused: %1").arg(reason));
        out.refusal = reason;
        return out;
    };
    if (text.isEmpty()) return refuse(QStringLiteral("no URL"));
    if (text.size() > MaxURLLength)
        return refuse(QStringLiteral("the URL has %1 characters, more than %2").arg(text.size()).arg(MaxURLLength));
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) return refuse(QStringLiteral("not a valid URL: %1").arg(text.left(200)));
    const QString key = resolveCommand(url.host());
    if (key.isEmpty()) return refuse(QStringLiteral("no command \"%1\"").arg(url.host().left(100)));
    const Entry entry = m_commands.value(key);
    if (entry.bound && !entry.target) return refuse(QStringLiteral("the command \"%1\" is gone").arg(key));
    QVariant result;
    try {
        result = entry.fn(url);
    } catch (const std::exception& e) {
        return refuse(QStringLiteral("URL command %1 failed: %2").arg(key, QString::fromLocal8Bit(e.what())));
    }
    if (result.metaType() == QMetaType::fromType<KXURLRefusal>()) {
        // The command has logged what it refused.
        out.refusal = result.value<KXURLRefusal>().reason;
        return out;
    }
    if (!result.isValid() || result.isNull()) return out;
    out.page = writeResultPage(url, result);
    if (!out.page.isEmpty() && !m_opener(out.page)) kx::log(QStringLiteral("cannot open %1").arg(out.page));
    return out;
}

void KXURLHandler::handleOpenLocationAppleEvent(const appleevent::Event& event, AppleEventBridge::Answer answer) {
    auto reply = [](const Outcome& out) -> QVariantMap {
        if (out.refusal.isEmpty()) return {};
        return {{appleevent::ErrorNumberKey, RefusedErrorNumber}, {appleevent::ErrorStringKey, out.refusal}};
    };
    const QVariant direct = event.directParameter();
    if (!kx::ns::isString(direct)) {
        if (answer) answer(reply(Outcome{{}, QStringLiteral("no URL")}));
        return;
    }
    auto dispatch = [this, reply, text = direct.toString(), answer = std::move(answer)] {
        const Outcome out = dispatchURL(text);
        if (answer) answer(reply(out));
    };
    if (QCoreApplication::instance())
        QTimer::singleShot(0, QCoreApplication::instance(), std::move(dispatch));
    else
        dispatch();
}

QVariant KXURLHandler::logURL(const QUrl& url) {
    kx::log(QStringLiteral("url = %1").arg(url.toString(QUrl::FullyEncoded)));
    kx::log(QStringLiteral("host = %1").arg(orNull(url.host())));
    kx::log(QStringLiteral("scheme = %1").arg(orNull(url.scheme())));
    // The part of the path after ";".
    const QString path = url.path();
    const qsizetype semi = path.indexOf(QLatin1Char(';'));
    kx::log(QStringLiteral("parameterString = %1").arg(semi >= 0 ? path.mid(semi + 1) : QStringLiteral("(null)")));
    kx::log(QStringLiteral("port = %1").arg(url.port() >= 0 ? QString::number(url.port()) : QStringLiteral("(null)")));
    kx::log(QStringLiteral("fragment = %1").arg(url.hasFragment() ? url.fragment() : QStringLiteral("(null)")));
    kx::log(QStringLiteral("user = %1").arg(orNull(url.userName())));
    kx::log(QStringLiteral("query = %1").arg(url.hasQuery() ? url.query(QUrl::FullyEncoded) : QStringLiteral("(null)")));
    return {};
}

// ---- result pages

bool KXURLHandler::openWithDesktop(const QString& path) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QUrl::fromLocalFile(path).toString()});
}

QString KXURLHandler::pageFolder() {
    if (m_pageFolder.isEmpty() || !QFileInfo(m_pageFolder).isDir()) m_pageFolder = kx::privateFolder(QStringLiteral("runebox-pages"));
    return m_pageFolder;
}

QString KXURLHandler::pageHtml(const QUrl& url, const QVariant& result) {
    if (result.metaType() == QMetaType::fromType<KXURLResultPage>()) return result.value<KXURLResultPage>().html;
    QString text = kx::ns::description(result);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QString title = (url.scheme() + QStringLiteral("://") + url.host()).toHtmlEscaped();
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title></head>\n"
                          "<body style=\"font-family: system-ui, sans-serif; white-space: pre-wrap\">%2</body></html>\n")
        .arg(title, text.toHtmlEscaped());
}

QString KXURLHandler::writeResultPage(const QUrl& url, const QVariant& result) {
    const QString folder = pageFolder();
    if (folder.isEmpty()) {
        kx::log(QStringLiteral("URL command: no folder for result pages"));
        return {};
    }
    // Pages of earlier days are no longer looked at.
    kx::removeFilesOlderThan(folder, {QStringLiteral("*.html")}, 24 * 3600);
    QString scheme = url.scheme().toLower();
    scheme.removeIf([](QChar c) { return !(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-' && c != u'.' && c != u'+'; });
    if (scheme.isEmpty()) scheme = QStringLiteral("page");
    // A name of its own is taken first; the page then replaces that empty file whole.
    QTemporaryFile name(folder + QLatin1Char('/') + scheme + QStringLiteral("-XXXXXX.html"));
    name.setAutoRemove(false);
    if (!name.open()) {
        kx::log(QStringLiteral("URL command: cannot write a result page: %1").arg(name.errorString()));
        return {};
    }
    name.close();
    QString error;
    if (!kx::writeFileAtomically(name.fileName(), pageHtml(url, result).toUtf8(), &error)) {
        kx::log(QStringLiteral("URL command: cannot write a result page: %1").arg(error));
        QFile::remove(name.fileName());
        return {};
    }
    return name.fileName();
}
