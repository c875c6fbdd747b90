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
}

void log(const QString& line) {
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
        auto& c = captures();
        std::erase(c, d);
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
