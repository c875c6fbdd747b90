#include "app/PaletteFader.h"

PaletteFader::PaletteFader(FadingWindow& window, QObject* parent) : QObject(parent), window_(window) {
    elapsed_.start();
    timer_.setInterval(StepMs);
    fadeInTimer_.setInterval(StepMs);
    connect(&timer_, &QTimer::timeout, this, &PaletteFader::fadeStep);
    connect(&fadeInTimer_, &QTimer::timeout, this, &PaletteFader::fadeInStep);
}

double PaletteFader::now() const { return clock_ ? clock_() : double(elapsed_.nsecsElapsed()) / 1e9; }

void PaletteFader::fadeOut(float duration, float delay) {
    if (window_.hasSheet()) return;
    window_.hideTransients();
    if (scheduled_) {
        const float t = float(now() - fadingStartTime_);
        // The fade already planned comes as soon or sooner, or is under way.
        if (fadingDelay_ <= delay || t >= fadingDelay_) return;
        stopFading();
    }
    fadingStartTime_ = now();
    fadingDelay_ = delay;
    fadingTime_ = duration;
    scheduled_ = true;
    if (!manual_) timer_.start();
}

void PaletteFader::fadeStep() {
    if (!scheduled_) return;
    const float t = float(now() - fadingStartTime_);
    if (t < fadingDelay_) return;
    stopFadeIn();
    float alpha = 0;
    if (window_.animatesWindow() && fadingTime_ > 0) alpha = 1 - (t - fadingDelay_) / fadingTime_;
    if (alpha <= 0) {
        window_.close();
        stopFading();  // the window's close does this too; a refused close leaves it shown
        return;
    }
    window_.setWindowAlphas(alpha);
}

void PaletteFader::stopFading() {
    timer_.stop();
    const bool was = scheduled_;
    scheduled_ = false;
    if (was || !fadingIn_) window_.setWindowAlphas(1);
}

void PaletteFader::stopMouseOutsideFading() {
    if (scheduled_ && fadingDelay_ > 0) stopFading();
}

void PaletteFader::fadeIn() {
    fadeInStart_ = now();
    fadingIn_ = true;
    window_.setWindowAlphas(0);
    if (!manual_) fadeInTimer_.start();
}

void PaletteFader::fadeInStep() {
    if (!fadingIn_) return;
    const double a = (now() - fadeInStart_) / FadeInSeconds;
    if (a >= 1) {
        stopFadeIn();
        window_.setWindowAlphas(1);
        return;
    }
    window_.setWindowAlphas(float(std::max(0.0, a)));
}

void PaletteFader::stopFadeIn() {
    fadeInTimer_.stop();
    fadingIn_ = false;
}
