// Typing a string through the tap: cut into parts, each typed with synthetic keys.
#include "insertion/KXTap.h"

#include "insertion/InsertionSettings.h"
#include "core/Log.h"
#include "platform/x11/X11KeyTyper.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11Session.h"

#include <QThread>

namespace kx {

QVector<int> KXTap::splitPostingPartsForString(const QString& s) {
    QVector<int> ends;
    const int len = int(s.size());
    int pos = 0;
    auto unit = [&s](int i) { return s.at(i).unicode(); };
    while (pos < len) {
        if (ends.size() >= MaxParts) return {};
        int n = std::min(len - pos, MaxPartLength);
        // Two spaces in a row: the part ends after the first of them, so a word with its
        // space goes as one part.
        int i = pos;
        while (i < pos + n && unit(i) == u' ') ++i;
        while (i < pos + n && unit(i) != u' ') ++i;
        if (i < pos + n - 1 && unit(i + 1) == u' ') n = i - pos + 1;

        if (unit(pos) < 0x20) {
            n = 1;
        } else if (pos + n < len) {
            // The next part never begins with a control character or the second half
            // of a surrogate pair.
            int j = n;
            while (j > 0 && unit(pos + j) < 0x20) --j;
            if (j > 0 && s.at(pos + j).isLowSurrogate()) --j;
            n = j;
        } else {
            while (n > 1 && unit(pos + n - 1) < 0x20) --n;
        }
        if (n <= 0) return {};
        pos += n;
        ends.append(pos);
    }
    return ends;
}

QStringList KXTap::splitPostingParts(const QString& s) {
    QStringList parts;
    int start = 0;
    for (int end : splitPostingPartsForString(s)) {
        parts << s.mid(start, end - start);
        start = end;
    }
    return parts;
}

void KXTap::postDelay(double seconds) {
    if (seconds <= 0) return;
    if (typer_) typer_->flush();
    else x11::X11KeyTyper::shared().flush();
    QThread::usleep(static_cast<unsigned long>(seconds * 1e6));
}

void KXTap::postDummyEventWithTimeout(double) {
    // The receiver wakes up on its own events; making sure the server has taken ours
    // is what is left to do.
    X11Session& s = X11Session::shared();
    if (s.isAvailable()) s.sync();
}

bool KXTap::postKeyboardString(const QString& string, double delay) {
    if (string.isEmpty()) return true;
    // A tap listening on the server is live before its first event: the server's synthetic
    // keys need nothing of it but that it listens.
    if (!tapProxy_ && !(enabled_ && raw_)) {
        log(QStringLiteral("posting requires tap proxy"));
        return false;
    }
    const QStringList parts = splitPostingParts(string);
    if (parts.isEmpty()) {
        log(QStringLiteral("no parts for posting keyboard string"));
        return false;
    }
    x11::X11KeyTyper& typer = typer_ ? *typer_ : x11::X11KeyTyper::shared();
    // Nothing is typed unless all of it can be.
    QString why;
    if (!typer.canType(string, &why)) {
        log(QStringLiteral("cannot type %1 of keyboard string").arg(why));
        return false;
    }
    const double delay1 = settings_->doubleValue(rbx::key::keyStringDelay1);
    const double delay2 = settings_->doubleValue(rbx::key::keyStringDelay2);
    const double delay3 = settings_->doubleValue(rbx::key::keyStringDelay3);
    const double delayEnd = settings_->doubleValue(rbx::key::keyStringDelayEnd);
    const bool emptyPrefix = settings_->boolValue(rbx::key::keyStringEmptyPrefix);

    std::lock_guard lock(mutex_);
    typer.releaseHeldModifiers();
    if (delay1 > 0) postDelay(delay1);
    auto wait = [this, delay] {
        if (delay <= 0) return;
        postDelay(delay / 2);
        postDummyEventWithTimeout(0.25);
        postDelay(delay / 2);
    };
    int index = 0;
    if (emptyPrefix) {
        // A part of no text: the Shift key alone.
        wait();
        if (auto km = x11::X11Keyboard::shared().keymap()) typer.tapKey(km->shiftKeycode());
        postDelay(0.01);
        ++index;
    }
    for (const QString& part : parts) {
        if (index == 1 && delay2 > 0) postDelay(delay2);
        else if (index > 1 && delay3 > 0) postDelay(delay3);
        wait();
        if (!typer.typeText(part)) return false;
        postDelay(0.01);
        ++index;
    }
    wait();
    if (delayEnd > 0) postDelay(delayEnd);
    return true;
}

} // namespace kx
