#pragma once
// A tap on the input events of the X server (XInput 2 raw events, listen-only) and
// the posting of synthetic key events (XTest).
//
// The posting tap of the character table is a listen-only tap without delegate: its
// callback records the "proxy", the sign that the tap is live, and text is typed only
// while there is one. Other taps pass each event to a delegate. X gives no way to
// change or swallow the events of other programs: a delegate's answer is logged and
// otherwise has no effect.
//
// Event types and masks keep the classic numbering: 1 LeftMouseDown, 2 LeftMouseUp,
// 3 RightMouseDown, 4 RightMouseUp, 5 MouseMoved, 6 LeftMouseDragged, 7 RightMouseDragged,
// 10 KeyDown, 11 KeyUp, 12 FlagsChanged, 22 ScrollWheel, 25-27 other button; a mask has
// bit (1 << type) for each type.

#include "insertion/InsertionSettings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVector>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

namespace kx {

namespace x11 {
class X11RawEvents;
class X11KeyTyper;
} // namespace x11

namespace tapevent {
inline constexpr int TapDisabledByTimeout = -2;
inline constexpr int TapDisabledByUserInput = -1;
inline constexpr int Null = 0;
inline constexpr int LeftMouseDown = 1;
inline constexpr int LeftMouseUp = 2;
inline constexpr int RightMouseDown = 3;
inline constexpr int RightMouseUp = 4;
inline constexpr int MouseMoved = 5;
inline constexpr int LeftMouseDragged = 6;
inline constexpr int RightMouseDragged = 7;
inline constexpr int KeyDown = 10;
inline constexpr int KeyUp = 11;
inline constexpr int FlagsChanged = 12;
inline constexpr int ScrollWheel = 22;
inline constexpr int TabletPointer = 23;
inline constexpr int TabletProximity = 24;
inline constexpr int OtherMouseDown = 25;
inline constexpr int OtherMouseUp = 26;
inline constexpr int OtherMouseDragged = 27;
constexpr std::uint64_t maskBit(int type) { return std::uint64_t(1) << type; }
inline constexpr std::uint64_t AllEvents = ~std::uint64_t(0);
} // namespace tapevent

// One tapped event.
struct KXTapEvent {
    int type = 0;
    int keyCode = -1;     // classic key code of a key event, -1 when none
    int xKeycode = 0;     // X keycode of a key event
    int button = 0;       // X button of a mouse event
    unsigned long time = 0;
};

class KXTapDelegate {
public:
    virtual ~KXTapDelegate() = default;
    // Answers whether the event goes on unchanged (false would swallow it).
    virtual bool tapEvent(const KXTapEvent& event, int type) = 0;
};

class KXTap : public QObject {
    Q_OBJECT
public:
    // `settings` gives the typing delays ("keyStringDelay1" ...).
    explicit KXTap(std::shared_ptr<const InsertionSettings> settings = InsertionSettings::store(),
                   QObject* parent = nullptr);
    ~KXTap() override;

    // The server offers XInput 2 and XTest.
    static bool tappingAvailable();
    static QString stringForEventType(int type);
    // One line per enabled tap of this process (other programs' listeners cannot be seen).
    static QString installedTapsInfo();
    // The letters of a mask in the listing, e.g. "00000402=K+L+".
    static QString maskDescription(std::uint64_t mask);

    void setIsAnnotated(bool on) { isAnnotated_ = on; }
    void setIsHeadTap(bool on) { isHeadTap_ = on; }
    void setIsFilter(bool on) { isFilter_ = on; }
    void setRunsInSeparateThread(bool on);
    void setEventsOfInterest(std::uint64_t mask) { eventsOfInterest_ = mask; }
    void setDelegate(KXTapDelegate* delegate);
    void setUsePostingEventQueue(bool on) { usePostingEventQueue_ = on; }
    bool isAnnotated() const { return isAnnotated_; }
    bool isHeadTap() const { return isHeadTap_; }
    bool isFilter() const { return isFilter_; }
    bool runsInSeparateThread() const { return runsInSeparateThread_; }
    std::uint64_t eventsOfInterest() const { return eventsOfInterest_; }

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool on);

    // The callback work for one event (the raw events arrive here; tests may call it).
    void tapEvent(const KXTapEvent& event, int type, bool proxy);
    // Whether an event has been seen since the tap was enabled. Typing needs that, or a tap
    // that listens on the server.
    bool hasTapProxy() const { return tapProxy_; }

    // Sleeps the calling thread (after sending what is queued to the server).
    void postDelay(double seconds);
    // Waits until the server has handled every request sent so far.
    void postDummyEventWithTimeout(double seconds);
    // Types a string in parts of at most 20 UTF-16 units. YES when typed or empty.
    bool postKeyboardString(const QString& string, double delay = 0);

    // The end offsets of the parts a string is typed in; empty when it has none
    // (more than 200 parts, or a part of no length).
    static QVector<int> splitPostingPartsForString(const QString& string);
    static QStringList splitPostingParts(const QString& string);
    static constexpr int MaxPartLength = 20;
    static constexpr int MaxParts = 200;

    // The typing of this tap (replaceable for tests on another session).
    void setTyper(x11::X11KeyTyper* typer) { typer_ = typer; }

private:
    void enableTap();
    void disableTap();
    int typeForRaw(int kind, int detail);

    bool isAnnotated_ = false;
    bool isHeadTap_ = true;
    bool isFilter_ = true;
    bool runsInSeparateThread_ = false;
    std::uint64_t eventsOfInterest_ = tapevent::AllEvents;
    KXTapDelegate* delegate_ = nullptr;
    bool delegateCanHandleTapping_ = false;
    bool enabled_ = false;
    bool tapProxy_ = false;
    bool usePostingEventQueue_ = true;
    bool swallowReported_ = false;
    std::unique_ptr<x11::X11RawEvents> raw_;
    x11::X11KeyTyper* typer_ = nullptr;
    std::shared_ptr<const InsertionSettings> settings_;
    std::recursive_mutex mutex_;
    std::array<double, 5> durations_{};
    int buttonsDown_ = 0;   // bit per X button
};

// Raw key presses for the paste keystroke. Made per event-loop pass by generator():
// it lets go of the modifier keys the user holds first, and its end lets go of the
// ones it pressed.
class KXEventGenerator : public QObject {
    Q_OBJECT
public:
    // The generator of this event-loop pass (made on first use, gone at the next pass).
    static KXEventGenerator& generator();

    explicit KXEventGenerator(x11::X11KeyTyper* typer = nullptr, QObject* parent = nullptr);
    ~KXEventGenerator() override;

    // Classic modifier masks: Command 0x100, Shift 0x200, Caps Lock 0x400, Option 0x800,
    // Control 0x1000.
    void setCarbonModifiers(int mask);
    // Modifier flags: Shift 0x20000, Control 0x40000, Option 0x80000, Command 0x100000,
    // Caps Lock 0x10000.
    void setModifiers(std::uint32_t flags);
    void resetModifiers() { setCarbonModifiers(0); }
    // Presses and releases a key by classic key code.
    void generateRawKey(int keyCode);
    // X cannot hold back the user's own input: kept as the wish, logged.
    void blockUserEvents(bool block);
    int currentCarbonModifiers() const { return currentCarbonModifiers_; }

private:
    x11::X11KeyTyper* typer_;
    int currentCarbonModifiers_ = 0;
};

} // namespace kx
