#pragma once
// The window-position log of the palette, kept for the diagnostics report: where the
// window was put, moved and resized, and what screens there were. It keeps its first
// ten lines, then "...", then the latest lines, thirty at most. Messages that repeat
// quickly (moves during a drag) are folded into one line with a repeat count.
// Main thread only.

#include <QDateTime>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class RbxPositionLog {
public:
    using Clock = std::function<QDateTime()>;

    // The log of the process.
    static RbxPositionLog& shared();

    explicit RbxPositionLog(Clock clock = {});

    // A line as it is.
    void addLine(const QString& line);
    // "%H:%M:%S <message>", after the pending single message.
    void addMessage(const QString& message);
    // A message that may repeat quickly: one with the same prefix within a second of the
    // last occurrence replaces the pending text and counts.
    void addSingleMessage(const QString& message);
    void flushSingleMessage();
    // "<title>: {{x, y}, {w, h}} ..." as a message.
    void addScreens(const QString& title, const QList<QRect>& screenFrames);
    // The whole log, one line per entry.
    QString positionLog();

    QStringList lines() const { return lines_; }
    void clear();

    // The prefix that makes single messages the same kind: up to and including the
    // first ":", else the first blank, else "NO PREFIX".
    static QString prefixOf(const QString& message);
    // A rectangle as "{{x, y}, {w, h}}".
    static QString rectText(const QRect& r);

private:
    QDateTime now() const;
    static QString timeText(const QDateTime& t);

    Clock clock_;
    QStringList lines_;
    struct Pending {
        QString prefix;
        QString text;
        QDateTime first;
        QDateTime last;
        int count = 0;
    };
    std::optional<Pending> pending_;
};
