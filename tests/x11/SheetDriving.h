#pragma once
// Driving the palette's sheets as a user does, with the pointer and the keyboard of the X
// server (xdotool without a window), and reading what they show through the debug state.
#include "MenuItems.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"

#include <QDBusArgument>
#include <algorithm>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

namespace x11test {

inline void xdo(const QStringList& args) { run(QStringLiteral("xdotool"), args); }
inline void pointTo(const QPoint& p) {
    xdo({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
}

// The named controls of the attached sheet (SheetFields of the debug interface).
inline QVariantMap sheetFields() { return qdbus_cast<QVariantMap>(Copy::debugCall(QStringLiteral("SheetFields"))); }
inline QString attachedSheet() { return Copy::state().value(QStringLiteral("sheet")).toString(); }
inline bool waitForSheet(const QString& name, int ms = 15000) {
    return Copy::waitForState([&](const QVariantMap& s) { return s.value(QStringLiteral("sheet")).toString() == name; }, ms);
}

// Waits until the PDF file is written whole (its end-of-file mark is in).
inline bool waitForPdf(const QString& path) {
    return rbxtest::waitFor([&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && f.size() > 0 && f.seek(std::max<qint64>(0, f.size() - 32)) &&
               f.readAll().contains("%%EOF");
    }, 15000);
}

// A named control of the palette or its sheet on the screen; empty while it is hidden.
inline QRect controlRect(const QString& name) {
    const QVariantList r = qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("ControlRect"), {name}));
    return r.size() == 4 ? QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()) : QRect();
}

// Clicks a named control once it is shown and has come to rest (a sheet slides in under
// the palette's top edge): in its middle, or, for a check box (which a form stretches
// wider than its box and title, and which takes no click beyond them), on its box; once the
// palette has taken the pointer there and, where it takes it, the keyboard.
enum class ClickAt { Middle, Box };
inline bool clickControl(const QString& name, ClickAt at = ClickAt::Middle) {
    QRect r;
    if (!rbxtest::waitFor([&] {
            const QRect before = controlRect(name);
            rbxtest::spinEventLoop(150);
            r = controlRect(name);
            return !r.isEmpty() && r == before;
        }, 10000))
        return false;
    if (!Copy::pointAt(at == ClickAt::Box ? QPoint(r.x() + std::min(r.width() / 2, 8), r.center().y()) : r.center()))
        return false;
    // The palette takes the keyboard as the pointer comes over it (where it does).
    Copy::ownsKeyboard(3000);
    xdo({QStringLiteral("click"), QStringLiteral("1")});
    return true;
}
inline bool clickCheckBox(const QString& name) { return clickControl(name, ClickAt::Box); }

// Opens the menu of the palette's menu button with a click and chooses the item of that
// title with another.
inline bool chooseFromProgramMenu(const QString& title) {
    if (!clickControl(QStringLiteral("programMenuButton"))) return false;
    QRect item;
    if (!rbxtest::waitFor([&] {
            for (const MenuItem& i : menuItems())
                if (i.title == title && i.enabled) item = i.rect;
            return !item.isEmpty();
        }, 10000))
        return false;
    if (!Copy::pointAt(item.center())) return false;
    xdo({QStringLiteral("click"), QStringLiteral("1")});
    return rbxtest::waitFor([] { return menuItems().isEmpty(); }, 5000);
}

// Right-clicks the character and chooses the menu item that starts with `title`.
inline bool chooseFromContextMenu(char32_t c, const QString& title) {
    if (!Copy::pointAtCharacter(c)) return false;
    xdo({QStringLiteral("click"), QStringLiteral("3")});
    MenuItem item;
    if (!rbxtest::waitFor([&] {
            for (const MenuItem& i : menuItems())
                if (i.title.startsWith(title)) item = i;
            return !item.rect.isEmpty();
        }, 10000))
        return false;
    if (!item.enabled) return false;
    if (!Copy::pointAt(item.rect.center())) return false;
    xdo({QStringLiteral("click"), QStringLiteral("1")});
    return true;
}

// Clicks a named field until it has the keyboard focus (a window just mapped may take a
// moment to get the focus from the window manager), and the palette knows its window has
// the keyboard.
inline bool focusControl(const QString& name) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (!clickControl(name)) return false;
        if (Copy::waitForState([&](const QVariantMap& s) { return s.value(QStringLiteral("focus")).toString() == name; }, 3000) &&
            Copy::ownsKeyboard(3000))
            return true;
    }
    return false;
}

// Waits until the attached sheet holds the keyboard: the palette holds it for the sheet,
// and the sheet's window has it.
inline bool sheetHasKeyboard() {
    return Copy::waitForState([](const QVariantMap& s) {
        const qulonglong sheet = s.value(QStringLiteral("sheetWindow")).toULongLong();
        return s.value(QStringLiteral("keyboardHold")) == QLatin1String("sheet") && sheet != 0 &&
               s.value(QStringLiteral("keyboardOwner")).toULongLong() == sheet;
    });
}

// Points at the attached sheet's named control and waits until the sheet holds the
// keyboard (an alert that comes by itself takes it once the pointer is over it).
inline bool pointAtSheet(const QString& name) {
    const QRect r = controlRect(name);
    return !r.isEmpty() && Copy::pointAt(r.center()) && sheetHasKeyboard();
}

// Types text with the keyboard into whatever has the keyboard.
inline void typeText(const QString& text) { xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}); }
inline void pressKey(const QString& key) { xdo({QStringLiteral("key"), key}); }

// The clipboard's text (empty when it holds none).
inline QString clipboardText() {
    const rbxtest::ProgramRun r = rbxtest::runProgram(
        QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                  QStringLiteral("-t"), QStringLiteral("UTF8_STRING")},
        rbxtest::Channels::Separate, 10000);
    return r.code == 0 ? r.out : QString();
}

// The mean lightness of an area of a picture (every other pixel of every other row).
inline double lightness(const QImage& shot, const QRect& area) {
    double sum = 0;
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); y += 2)
        for (int x = area.left(); x <= area.right(); x += 2) {
            sum += shot.pixelColor(x, y).lightnessF();
            ++n;
        }
    return n ? sum / n : -1;
}

// A picture of the screen, written to $RUNEBOX_SCREENSHOTS/<name>.png when that is set.
inline QImage screenshot(const QString& name) {
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const QString folder = qEnvironmentVariable("RUNEBOX_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        shot.save(folder + u'/' + name + QStringLiteral(".png"));
    }
    return shot;
}

} // namespace x11test
