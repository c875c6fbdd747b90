#include "core/Log.h"

#include <QMutex>
#include <cstdio>
#include <vector>

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
} // namespace

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
    if (!quiet) {
        const QByteArray bytes = line.toUtf8();
        std::fprintf(stderr, "runebox: %s\n", bytes.constData());
        std::fflush(stderr);
    }
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
