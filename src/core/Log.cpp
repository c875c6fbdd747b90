#include "core/Log.h"
#include "core/LogOutput.h"

#include <QMutex>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef RBX_HAVE_JOURNAL
#include <systemd/sd-journal.h>
#endif
#include <syslog.h>

namespace kx {

struct LogCapture::Impl {
    bool quiet;
    QStringList lines;
};

namespace {
QMutex& logMutex() { static QMutex m; return m; }
std::vector<LogCapture::Impl*>& captures() { static std::vector<LogCapture::Impl*> c; return c; }

Q_LOGGING_CATEGORY(generalCategory, "runebox")
Q_LOGGING_CATEGORY(coreCategory, "runebox.core")
Q_LOGGING_CATEGORY(platformCategory, "runebox.platform")
Q_LOGGING_CATEGORY(kxlibCategory, "runebox.kxlib")
Q_LOGGING_CATEGORY(modelCategory, "runebox.model")
Q_LOGGING_CATEGORY(tableCategory, "runebox.table")
Q_LOGGING_CATEGORY(insertionCategory, "runebox.insertion")
Q_LOGGING_CATEGORY(shapesCategory, "runebox.shapes")
Q_LOGGING_CATEGORY(updateCategory, "runebox.update")
Q_LOGGING_CATEGORY(appCategory, "runebox.app")

bool standardErrorFromEnvironment() {
    const char* v = std::getenv("RUNEBOX_LOG");
    return v && *v && std::strcmp(v, "0") != 0;
}
std::atomic<bool>& toStandardError() {
    static std::atomic<bool> on{standardErrorFromEnvironment()};
    return on;
}

// One line to the user's journal; to syslog where the journal cannot be reached.
void writeToJournal(int priority, const char* category, const QByteArray& line) {
#ifdef RBX_HAVE_JOURNAL
    if (sd_journal_send("MESSAGE=%s", line.constData(), "PRIORITY=%d", priority, "SYSLOG_IDENTIFIER=runebox",
                        "RUNEBOX_CATEGORY=%s", category, nullptr) == 0)
        return;
#else
    (void)category;
#endif
    static const bool opened = [] { openlog("runebox", LOG_PID, LOG_USER); return true; }();
    (void)opened;
    syslog(priority, "%s", line.constData());
}

void writeToStandardError(const QByteArray& line) {
    std::fprintf(stderr, "runebox: %s\n", line.constData());
    std::fflush(stderr);
}

void qtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QByteArray bytes = message.toUtf8();
    if (type == QtFatalMsg || toStandardError()) {
        writeToStandardError(bytes);
        if (type != QtFatalMsg) return;
    }
    int priority = LOG_INFO;
    switch (type) {
    case QtDebugMsg: priority = LOG_DEBUG; break;
    case QtInfoMsg: priority = LOG_INFO; break;
    case QtWarningMsg: priority = LOG_WARNING; break;
    case QtCriticalMsg: priority = LOG_ERR; break;
    case QtFatalMsg: priority = LOG_CRIT; break;
    }
    writeToJournal(priority, context.category ? context.category : "default", bytes);
}
} // namespace

void setLogToStandardError(bool on) { toStandardError() = on; }

bool logsToStandardError() { return toStandardError(); }

void installLogMessageHandler() { qInstallMessageHandler(qtMessage); }

const QLoggingCategory& logCategory(LogLayer layer) {
    switch (layer) {
    case LogLayer::General: return generalCategory();
    case LogLayer::Core: return coreCategory();
    case LogLayer::Platform: return platformCategory();
    case LogLayer::Kxlib: return kxlibCategory();
    case LogLayer::Model: return modelCategory();
    case LogLayer::Table: return tableCategory();
    case LogLayer::Insertion: return insertionCategory();
    case LogLayer::Shapes: return shapesCategory();
    case LogLayer::Update: return updateCategory();
    case LogLayer::App: return appCategory();
    }
    Q_UNREACHABLE();
}

void writeLog(const QLoggingCategory& category, const QString& line) {
    if (!category.isInfoEnabled()) return;
    QMutexLocker lock(&logMutex());
    bool quiet = false;
    for (auto* c : captures()) {
        c->lines << line;
        quiet = quiet || c->quiet;
    }
    if (quiet) return;
    if (toStandardError())
        writeToStandardError(line.toUtf8());
    else
        writeToJournal(LOG_INFO, category.categoryName(), line.toUtf8());
}

LogCapture::LogCapture(bool quiet) : d(new Impl{quiet, {}}) {
    QMutexLocker lock(&logMutex());
    captures().push_back(d);
}

LogCapture::~LogCapture() {
    {
        QMutexLocker lock(&logMutex());
        [[maybe_unused]] const auto removed = std::erase(captures(), d);
        Q_ASSERT(removed == 1);  // every capture registers once, in its constructor
    }
    delete d;
}

QStringList LogCapture::lines() const {
    QMutexLocker lock(&logMutex());
    return d->lines;
}

bool LogCapture::contains(const QString& part) const {
    for (const QString& l : lines())
        if (l.contains(part)) return true;
    return false;
}

void LogCapture::clear() {
    QMutexLocker lock(&logMutex());
    d->lines.clear();
}

} // namespace kx
