#include "app/RbxPositionLog.h"

namespace {
constexpr int HeadLines = 10;
constexpr int MaxLines = 30;
constexpr qint64 RepeatWindowMs = 1000;
} // namespace

RbxPositionLog& RbxPositionLog::shared() {
    static RbxPositionLog log;
    return log;
}

RbxPositionLog::RbxPositionLog(Clock clock) : clock_(std::move(clock)) { lines_.reserve(50); }

QDateTime RbxPositionLog::now() const { return clock_ ? clock_() : QDateTime::currentDateTime(); }

QString RbxPositionLog::timeText(const QDateTime& t) { return t.toString(QStringLiteral("HH:mm:ss")); }

QString RbxPositionLog::rectText(const QRect& r) {
    return QStringLiteral("{{%1, %2}, {%3, %4}}").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString RbxPositionLog::prefixOf(const QString& message) {
    qsizetype end = message.indexOf(QLatin1Char(':'));
    if (end < 0) end = message.indexOf(QLatin1Char(' '));
    if (end < 0) return QStringLiteral("NO PREFIX");
    return message.left(end + 1);
}

void RbxPositionLog::addLine(const QString& line) {
    if (lines_.size() == HeadLines) lines_ << QStringLiteral("...");
    if (lines_.size() == MaxLines) lines_.removeAt(HeadLines + 1);
    lines_ << line;
}

void RbxPositionLog::addMessage(const QString& message) {
    flushSingleMessage();
    addLine(QStringLiteral("%1 %2").arg(timeText(now()), message));
}

void RbxPositionLog::addSingleMessage(const QString& message) {
    const QDateTime t = now();
    if (pending_ && message.startsWith(pending_->prefix) && pending_->last.msecsTo(t) <= RepeatWindowMs) {
        pending_->text = message;
        pending_->last = t;
        ++pending_->count;
        return;
    }
    flushSingleMessage();
    pending_ = Pending{prefixOf(message), message, t, t, 1};
}

void RbxPositionLog::flushSingleMessage() {
    if (!pending_) return;
    QString line = timeText(pending_->first);
    if (pending_->count >= 2) line += QStringLiteral("-%1(%2x)").arg(timeText(pending_->last)).arg(pending_->count);
    line += QLatin1Char(' ') + pending_->text;
    pending_.reset();
    addLine(line);
}

void RbxPositionLog::addScreens(const QString& title, const QList<QRect>& screenFrames) {
    QString message = title + QLatin1Char(':');
    for (const QRect& r : screenFrames) message += QLatin1Char(' ') + rectText(r);
    addMessage(message);
}

QString RbxPositionLog::positionLog() {
    flushSingleMessage();
    return lines_.join(QLatin1Char('\n'));
}

void RbxPositionLog::clear() {
    lines_.clear();
    pending_.reset();
}
