#include "app/PaletteFader.h"

#include "common/TestEnvironment.h"

#include <gtest/gtest.h>
#include <cmath>
#include <memory>

namespace {

// A window as the fader sees it, on a clock moved by hand.
class FadeRig : public FadingWindow {
public:
    explicit FadeRig(bool animate = true) : animate_(animate) {
        fader = std::make_unique<PaletteFader>(*this);
        fader->setClock([this] { return now; });
        fader->setManualStepping(true);
    }
    bool hasSheet() const override { return sheet; }
    bool animatesWindow() const override { return animate_; }
    void setWindowAlphas(float a) override { alpha = a; }
    void close() override {
        if (sheet) return;
        visible = false;
        ++closes;
        fader->stopFading();
    }
    void hideTransients() override { ++transientHides; }

    // Runs the timer's steps up to `seconds` from now, 25 ms apart.
    void run(double seconds) {
        const double end = now + seconds;
        while (now + 0.025 <= end + 1e-9) {
            now += 0.025;
            fader->fadeStep();
            fader->fadeInStep();
        }
    }

    std::unique_ptr<PaletteFader> fader;
    double now = 100.0;
    float alpha = 1;
    bool visible = true;
    bool sheet = false;
    int closes = 0;
    int transientHides = 0;

private:
    bool animate_;
};

TEST(PaletteFader, FadesOutOverTheDurationAndCloses) {
    FadeRig r;
    r.fader->fadeOut(0.3f, 0);
    EXPECT_TRUE(r.fader->isFadeScheduled());
    EXPECT_EQ(r.transientHides, 1);
    r.run(0.15);
    EXPECT_NEAR(r.alpha, 0.5, 0.02);
    EXPECT_TRUE(r.visible);
    r.run(0.2);
    EXPECT_FALSE(r.visible);
    EXPECT_EQ(r.closes, 1);
    EXPECT_FALSE(r.fader->isFadeScheduled());
    EXPECT_FLOAT_EQ(r.alpha, 1);  // closing restores the alpha for the next showing
}

TEST(PaletteFader, ASecondRequestDuringAFadeDoesNotRestartIt) {
    FadeRig r;
    r.fader->fadeOut(0.3f, 0);
    r.run(0.2);
    const float before = r.alpha;
    r.fader->fadeOut(0.3f, 0);
    r.run(0.025);
    EXPECT_LT(r.alpha, before);
    r.run(0.1);
    EXPECT_FALSE(r.visible);
}

TEST(PaletteFader, AnImmediateFadeReplacesADelayedOneButNotTheOtherWayRound) {
    FadeRig r;
    r.fader->fadeOut(0.3f, 0.5f);  // the mouse left the palette
    r.run(0.1);
    r.fader->fadeOut(0.3f, 0);     // then a click outside
    EXPECT_FLOAT_EQ(r.fader->fadingDelay(), 0);
    r.run(0.35);
    EXPECT_FALSE(r.visible);

    FadeRig s;
    s.fader->fadeOut(0.3f, 0);
    s.fader->fadeOut(0.3f, 0.5f);
    EXPECT_FLOAT_EQ(s.fader->fadingDelay(), 0);
    s.run(0.35);
    EXPECT_FALSE(s.visible);
}

TEST(PaletteFader, ADelayedFadeWaitsAndCanBeCancelled) {
    FadeRig r;
    r.fader->fadeOut(0.3f, 0.5f);
    r.run(0.45);
    EXPECT_FLOAT_EQ(r.alpha, 1);
    r.fader->stopMouseOutsideFading();
    EXPECT_FALSE(r.fader->isFadeScheduled());
    r.run(1.0);
    EXPECT_TRUE(r.visible);

    // Once under way it is no longer replaced by a later, shorter request.
    r.fader->fadeOut(0.3f, 0.5f);
    r.run(0.6);
    const float during = r.alpha;
    EXPECT_LT(during, 1);
    r.fader->fadeOut(0.3f, 0.1f);
    EXPECT_FLOAT_EQ(r.fader->fadingDelay(), 0.5f);
}

TEST(PaletteFader, StopMouseOutsideFadingLeavesAFadeWithoutDelay) {
    FadeRig r;
    r.fader->fadeOut(0.3f, 0);
    r.fader->stopMouseOutsideFading();
    EXPECT_TRUE(r.fader->isFadeScheduled());
    r.run(0.35);
    EXPECT_FALSE(r.visible);
}

TEST(PaletteFader, WithoutAnimationTheWindowClosesAtTheFirstStep) {
    FadeRig r(false);
    r.fader->fadeOut(0.3f, 0);
    r.run(0.025);
    EXPECT_FALSE(r.visible);
    // A delay is still waited for.
    FadeRig s(false);
    s.visible = true;
    s.fader->fadeOut(0.3f, 0.5f);
    s.run(0.45);
    EXPECT_TRUE(s.visible);
    s.run(0.1);
    EXPECT_FALSE(s.visible);
}

TEST(PaletteFader, ZeroDurationClosesEvenWhenTheStepFallsOnTheDelay) {
    FadeRig r;
    r.fader->fadeOut(0, 0);
    r.fader->fadeStep();  // t == delay exactly
    EXPECT_FALSE(r.visible);
    EXPECT_FALSE(std::isnan(r.alpha));
}

TEST(PaletteFader, NothingFadesWhileASheetIsAttached) {
    FadeRig r;
    r.sheet = true;
    r.fader->fadeOut(0.3f, 0);
    EXPECT_FALSE(r.fader->isFadeScheduled());
    EXPECT_EQ(r.transientHides, 0);
    r.run(0.5);
    EXPECT_TRUE(r.visible);
    EXPECT_FLOAT_EQ(r.alpha, 1);
}

TEST(PaletteFader, FadesInOverAThirdOfASecond) {
    FadeRig r;
    r.fader->fadeIn();
    EXPECT_FLOAT_EQ(r.alpha, 0);
    EXPECT_TRUE(r.fader->isFadingIn());
    r.run(0.175);
    EXPECT_NEAR(r.alpha, 0.5, 0.05);
    r.run(0.2);
    EXPECT_FLOAT_EQ(r.alpha, 1);
    EXPECT_FALSE(r.fader->isFadingIn());
}

TEST(PaletteFader, AFadeOutTakesOverFromAFadeIn) {
    FadeRig r;
    r.fader->fadeIn();
    r.run(0.1);
    r.fader->fadeOut(0.3f, 0);
    r.run(0.05);
    EXPECT_FALSE(r.fader->isFadingIn());
    r.run(0.3);
    EXPECT_FALSE(r.visible);
}

TEST(PaletteFader, RealTimerClosesTheWindow) {
    FadeRig r;
    r.fader->setManualStepping(false);
    r.fader->setClock({});
    r.fader->fadeOut(0.1f, 0);
    EXPECT_TRUE(rbxtest::waitFor([&] { return !r.visible; }, 3000));
}

} // namespace
