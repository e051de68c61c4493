#include <gtest/gtest.h>

#include <cmath>

#include "sim/SimulationDrawPolicy.h"

namespace {

// The frame state of a run that has made some steps while animating.
struct DepositionUpload : ::testing::Test {
    WindowLayout window;
    PanelSettings panel;
    void SetUp() override {
        panel.showDeposition = 1;
        panel.continuousRun = 1;
        window.stepCount = 40;
    }
    bool frameAt(float stepTime) {
        window.lastStepTime = stepTime;
        return takeDepositionUpload(window, panel);
    }
};

}  // namespace

TEST_F(DepositionUpload, AnimatingFramesUploadOncePerTwentyFiveMilliseconds) {
    EXPECT_TRUE(frameAt(1.0f));
    EXPECT_EQ(window.lastUploadTime, 1.0f);
    // Steps 0.02 s apart: the second frame shows the texture it has.
    EXPECT_FALSE(frameAt(1.02f));
    // Exactly 0.025 after the upload is not more than the interval.
    window.lastUploadTime = 0.0f;
    EXPECT_FALSE(frameAt(0.025f));
    window.lastUploadTime = 1.0f;
    EXPECT_TRUE(frameAt(1.026f));
    EXPECT_EQ(window.lastUploadTime, 1.026f);
    // Animating frames leave the step counter as the steps made it.
    EXPECT_EQ(window.stepCount, 40);
}

TEST_F(DepositionUpload, FrameBeforeAnyStepUploadsEvenWhileAnimating) {
    window.stepCount = 0;
    EXPECT_TRUE(frameAt(0.0f));
    EXPECT_EQ(window.stepCount, 1);
    EXPECT_EQ(window.lastUploadTime, 0.0f);
}

TEST_F(DepositionUpload, InstantModeUploadsEveryFrame) {
    panel.continuousRun = 0;
    window.lastUploadTime = 5.0f;
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_TRUE(frameAt(5.001f));
        EXPECT_EQ(window.stepCount, 1);
    }
    EXPECT_EQ(window.lastUploadTime, 5.0f);
}

TEST_F(DepositionUpload, HiddenDepositionUploadsNothingAndKeepsTheCounters) {
    panel.showDeposition = 0;
    window.stepCount = 0;
    EXPECT_FALSE(frameAt(3.0f));
    EXPECT_EQ(window.stepCount, 0);
    EXPECT_EQ(window.lastUploadTime, 0.0f);
    panel.continuousRun = 0;
    EXPECT_FALSE(frameAt(4.0f));
    EXPECT_EQ(window.stepCount, 0);
}

TEST(ParticleDrawing, PointsScaleWithTheDisplay) {
    // Half a canvas cell per window pixel doubles sizes and positions.
    const ParticlePoint half = particlePoint(0, vec2{10.0f, 20.0f}, 0.5f);
    EXPECT_EQ(half.size, 3.0f);
    EXPECT_EQ(half.position.x, 20.0f);
    EXPECT_EQ(half.position.y, 40.0f);
    // (2 + 1) · 1.5 / 2 = 2.25 pixels, positions halved.
    const ParticlePoint twice = particlePoint(2, vec2{9.0f, 3.0f}, 2.0f);
    EXPECT_EQ(twice.size, 2.25f);
    EXPECT_EQ(twice.position.x, 4.5f);
    EXPECT_EQ(twice.position.y, 1.5f);
}

TEST(ParticleDrawing, OnlyWetParticlesOnTheCanvasAreDrawn) {
    const vec2 inside{3.0f, 4.0f};
    EXPECT_FALSE(particleIsDrawn(0.05f, inside, 64, 32));
    EXPECT_TRUE(particleIsDrawn(std::nextafter(0.05f, 1.0f), inside, 64, 32));
    // Parked beyond the canvas: not drawn however much water it keeps.
    EXPECT_FALSE(particleIsDrawn(2.0f, vec2{164.0f, 132.0f}, 64, 32));
    EXPECT_TRUE(particleIsDrawn(2.0f, vec2{164.0f, 20.0f}, 64, 32));
}
