#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "sim/WatercolorSimulation.h"
#include "util/Random.h"


namespace {

std::string start(TestShell& t) {
    return startQuietly(t, 4242);
}

WatercolorSimulation& simulationOf(TestShell& t) {
    return dynamic_cast<WatercolorSimulation&>(*t.shell.simulation);
}

}  // namespace

TEST(Startup, OnTheDefaultCanvasTheWindowShowsItWholeAtScaleOne) {
    ScratchDirectory scratch;
    ASSERT_TRUE(writePicture("images/default.bmp", 512, 512, vec4{0.5f, 0.5f, 0.5f, 1.0f}));
    TestShell t;
    start(t);

    const ShellState& state = t.shell.state;
    EXPECT_EQ(t.windows.requestedWidth, 1002);
    EXPECT_EQ(t.windows.requestedHeight, 512);
    EXPECT_EQ(state.window.windowWidth, 1002);
    EXPECT_EQ(state.window.windowHeight, 512);
    EXPECT_EQ(state.window.canvasWidth, 512);
    EXPECT_EQ(state.editing.brushPoint.x, 501.0f);
    EXPECT_EQ(state.editing.brushPoint.y, 256.0f);
    EXPECT_EQ(state.editing.gravityStart.y, 1.0f);
    EXPECT_EQ(state.panel.firstInit, 0);
    EXPECT_TRUE(t.shell.images.canvasUploaded);
    EXPECT_EQ(t.images.surface.width, 512);

    WatercolorSimulation& sim = simulationOf(t);
    EXPECT_EQ(sim.particleCount, 1000);
    EXPECT_EQ(sim.particleMass, 0.5f);
    EXPECT_EQ(sim.width, 512);
    EXPECT_EQ(sim.historyTop, -1);  // the Init command's snapshot is cleared
    EXPECT_EQ(sim.surfaceGradient.size(), 512u * 512u);
    // The last init seeded with initSeed's value and drew one number.
    EXPECT_EQ(randomState().state, 4242u * 214013u + 2531011u);

    updateFrameState(t.shell);
    EXPECT_EQ(state.window.displayScale, 1.0f);
}

TEST(Startup, TheWindowIsAtLeast512High) {
    ScratchDirectory scratch;
    ASSERT_TRUE(writePicture("images/default.bmp", 40, 300, vec4{1, 1, 1, 1}));
    TestShell low;
    start(low);
    EXPECT_EQ(low.windows.requestedWidth, 530);
    EXPECT_EQ(low.windows.requestedHeight, 512);
    EXPECT_EQ(low.shell.state.editing.brushPoint.x, 265.0f);

    ASSERT_TRUE(writePicture("images/default.bmp", 40, 600, vec4{1, 1, 1, 1}));
    TestShell high;
    start(high);
    EXPECT_EQ(high.windows.requestedHeight, 600);
    EXPECT_EQ(high.shell.state.window.windowHeight, 600);
    EXPECT_EQ(high.shell.state.editing.brushPoint.y, 300.0f);
}

TEST(Startup, WithoutADefaultCanvasThePainterStartsOnBlankPaper) {
    ScratchDirectory scratch;  // nothing to be found here
    TestShell t;
    const std::string out = start(t);

    EXPECT_NE(out.find("file not found: default.bmp"), std::string::npos) << out;
    ASSERT_EQ(t.images.canvas.width, 512);
    ASSERT_EQ(t.images.canvas.height, 512);
    EXPECT_EQ(t.images.canvas.pixel(1000).x, 1.0f);
    EXPECT_EQ(t.images.canvas.pixel(1000).w, 1.0f);
    ASSERT_EQ(t.images.surface.width, 512);
    EXPECT_EQ(t.images.surface.pixels[0], 1.0f);
    EXPECT_EQ(t.windows.requestedWidth, 1002);
    EXPECT_EQ(t.windows.requestedHeight, 512);
    EXPECT_TRUE(t.shell.images.canvasUploaded);
    EXPECT_EQ(t.shell.state.editing.brushPoint.x, 501.0f);

    WatercolorSimulation& sim = simulationOf(t);
    EXPECT_EQ(sim.width, 512);
    EXPECT_EQ(sim.surfaceGradient.size(), 512u * 512u);
    EXPECT_EQ(sim.historyTop, -1);

    // The painter works on it: a stroke and a few animated steps.
    idle(t.shell);
    mouse(t.shell, LeftButton, ButtonPressed, 100, 100);
    mouse(t.shell, LeftButton, ButtonReleased, 200, 100);
    controlCallback(t.shell, PanelCommand::Start);
    for (int i = 0; i < 3; ++i) {
        idle(t.shell);
    }
    EXPECT_EQ(t.shell.stepStatistics.steps, 4);
    EXPECT_GT(t.shell.state.panel.activeParticles, 0);
}

TEST(Reshape, FollowsTheWindowExceptAtHeightZero) {
    TestShell t;
    t.windows.displayNow();  // no canvas texture yet: no scale
    EXPECT_EQ(t.shell.state.window.displayScale, 0.0f);
    const std::vector<vec4> row(512);
    t.images.canvas.setPixels(512, 1, row.data());
    t.shell.images.canvasUploaded = true;

    reshape(t.shell, 1200, 0);
    EXPECT_EQ(t.shell.state.window.windowWidth, 1002);
    reshape(t.shell, 1200, 700);
    EXPECT_EQ(t.shell.state.window.windowWidth, 1200);
    EXPECT_EQ(t.shell.state.window.windowHeight, 700);
    updateFrameState(t.shell);
    EXPECT_EQ(t.shell.state.window.displayScale, 512.0f / 710.0f);

    // A window with no room for the canvas keeps the last scale.
    reshape(t.shell, 490, 512);
    updateFrameState(t.shell);
    EXPECT_EQ(t.shell.state.window.displayScale, 512.0f / 710.0f);
    reshape(t.shell, 350, 512);
    updateFrameState(t.shell);
    EXPECT_EQ(t.shell.state.window.displayScale, 512.0f / 710.0f);
}

TEST(Idle, StepsOnlyWhileRunningContinuouslyAndAlwaysDrawsAFrame) {
    TestShell t;
    t.useSimulation();
    int reported = 0;
    t.shell.afterStep = [&reported](const Shell&) { ++reported; };
    t.shell.state.panel.activeParticles = 7;

    idle(t.shell);
    EXPECT_EQ(t.shell.state.window.stepCount, 1);
    EXPECT_EQ(t.shell.state.panel.activeParticles, 0);  // reset; all parked
    EXPECT_EQ(t.shell.stepStatistics.steps, 1);
    EXPECT_GE(t.shell.stepStatistics.seconds, 0.0);
    EXPECT_EQ(reported, 1);

    t.shell.state.panel.instantResult = 1;
    controlCallback(t.shell, PanelCommand::InstantResultToggled);
    idle(t.shell);
    EXPECT_EQ(t.shell.state.window.stepCount, 1);
    EXPECT_EQ(t.windows.framesDrawn, 2);
}
