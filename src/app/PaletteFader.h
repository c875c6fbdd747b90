#pragma once
// Fading the palette in and out. A fade-out is scheduled with a duration and a delay
// (seconds): a 25 ms timer lowers the window's alpha once the delay has passed and
// closes the window when it reaches 0. A scheduled fade whose delay has not yet passed
// can be cancelled. A fade-in raises the alpha from 0 to 1 over 0.35 s.
//
// The fader knows the window only as a FadingWindow (the window controller).

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

// What a fade acts on.
class FadingWindow {
public:
    virtual ~FadingWindow() = default;
    // A sheet is attached: fading is refused.
    virtual bool hasSheet() const = 0;
    // "animate window": without it a fade-out closes at once when its delay has passed.
    virtual bool animatesWindow() const = 0;
    virtual void setWindowAlphas(float alpha) = 0;
    // Closes the window (which stops the fade).
    virtual void close() = 0;
    // The magnifier and the tool tip.
    virtual void hideTransients() = 0;
};

class PaletteFader : public QObject {
    Q_OBJECT
public:
    // Seconds on a monotonic clock.
    using Clock = std::function<double()>;

    static constexpr int StepMs = 25;
    static constexpr double FadeInSeconds = 0.35;

    explicit PaletteFader(FadingWindow& window, QObject* parent = nullptr);

    // Schedules a fade-out. Ignored while a sheet is attached. A fade already scheduled
    // is kept when its delay is not greater than the new one or has already passed.
    void fadeOut(float duration, float delay);
    // One step of the fade (the timer calls it).
    void fadeStep();
    // Stops the fade-out timer and sets the alpha to 1.
    void stopFading();
    // Stops a fade scheduled with a delay greater than 0; a fade without delay goes on.
    void stopMouseOutsideFading();

    // Raises the alpha from 0 to 1 over 0.35 s.
    void fadeIn();
    void stopFadeIn();

    // A fade-out is scheduled or under way.
    bool isFadeScheduled() const { return scheduled_; }
    bool isFadingIn() const { return fadingIn_; }
    float fadingDelay() const { return fadingDelay_; }
    float fadingTime() const { return fadingTime_; }

    // Tests: another clock, and steps by hand (the timers are then not started).
    void setClock(Clock clock) { clock_ = std::move(clock); }
    void setManualStepping(bool manual) { manual_ = manual; }
    void fadeInStep();

private:
    double now() const;

    FadingWindow& window_;
    Clock clock_;
    QElapsedTimer elapsed_;
    QTimer timer_;
    QTimer fadeInTimer_;
    bool manual_ = false;
    bool scheduled_ = false;
    double fadingStartTime_ = 0;
    float fadingDelay_ = 0;
    float fadingTime_ = 0;
    double fadeInStart_ = 0;
    bool fadingIn_ = false;
};
