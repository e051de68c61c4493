#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "SimTestSupport.h"

TEST(SimulationConstruction, HoldsDefaultsAndNoArrays) {
    seedRandom(77);
    ShellState shell;
    WatercolorSimulation sim(shell);
    EXPECT_EQ(sim.particleCount, 2000);
    EXPECT_EQ(sim.sizeMassTableLength, 12);
    EXPECT_EQ(sim.historyTop, -1);
    EXPECT_TRUE(sim.history.empty());
    EXPECT_TRUE(sim.particleWater.empty());
    EXPECT_TRUE(sim.particlePosition.empty());
    EXPECT_TRUE(sim.deposition.empty());
    EXPECT_TRUE(sim.columnScale.empty());
    EXPECT_TRUE(sim.surfaceGradient.empty());
    EXPECT_EQ(&sim.shell, &shell);
    // Construction draws nothing from the generator.
    EXPECT_EQ(randomState().state, 77u);
}

TEST(SimulationInit, BuildsZeroedArraysForTheCanvas) {
    ShellState shell;
    shell.window.canvasWidth = 7;
    shell.window.canvasHeight = 5;
    shell.panel.capacityFill = 0.125f;
    shell.panel.rateFill = 0.375f;
    shell.initSeed = [] { return 3u; };
    WatercolorSimulation sim(shell);
    sim.particleCount = 9;
    sim.particleMass = 4.25f;
    sim.historyTop = 0;
    sim.history.push_back(std::vector<float>(4, 1.0f));
    sim.surfaceGradient.assign(2, vec3{1.0f, 2.0f, 3.0f});
    sim.init();

    EXPECT_EQ(sim.width, 7);
    EXPECT_EQ(sim.height, 5);
    ASSERT_EQ(sim.particlePosition.size(), 9u);
    ASSERT_EQ(sim.particleVelocity.size(), 9u);
    ASSERT_EQ(sim.particleWater.size(), 9u);
    ASSERT_EQ(sim.particlePigment.size(), 9u);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(sim.particlePosition[i].x, 0.0f);
        EXPECT_EQ(sim.particlePosition[i].y, 0.0f);
        EXPECT_EQ(sim.particleWater[i], 0.0f);
        EXPECT_EQ(sim.particlePigment[i].w, 0.0f);
    }
    ASSERT_EQ(sim.deposition.size(), 35u);
    ASSERT_EQ(sim.absorptionCapacity.size(), 35u);
    ASSERT_EQ(sim.areaMask.size(), 35u);
    for (int k = 0; k < 35; ++k) {
        EXPECT_EQ(sim.deposition[k].w, 0.0f);
        EXPECT_EQ(sim.absorptionCapacity[k], 0.125f);
        EXPECT_EQ(sim.absorptionRate[k], 0.375f);
        EXPECT_EQ(sim.absorbedWater[k], 0.0f);
        EXPECT_EQ(sim.areaMask[k], 0);
    }
    EXPECT_EQ(sim.columnScale, std::vector<float>(7, 1.0f));

    // What init leaves alone.
    EXPECT_EQ(sim.particleMass, 4.25f);
    EXPECT_EQ(sim.history.size(), 1u);
    EXPECT_EQ(sim.historyTop, 0);
    EXPECT_EQ(sim.surfaceGradient.size(), 2u);
}

TEST(SimulationInit, AbsorptionRefillsWithNewValues) {
    TestSimulation t(4, 3, 2);
    t.sim.absorbedWater[5] = 0.7f;
    t.shell.panel.capacityFill = 2.0f;
    t.shell.panel.rateFill = 0.5f;
    t.sim.initAbsorption();
    EXPECT_EQ(t.sim.absorptionCapacity, Grid<float>(12, 2.0f));
    EXPECT_EQ(t.sim.absorptionRate, Grid<float>(12, 0.5f));
    EXPECT_EQ(t.sim.absorbedWater, Grid<float>(12, 0.0f));
}

TEST(SimulationInit, SeedsFromTheWholeSecondsOfTheStopwatch) {
    ShellState shell;
    WatercolorSimulation sim(shell);
    sim.particleCount = 1;

    FixedStopwatch clock(2.7f);
    StopwatchOverride use(clock);
    sim.init();
    // Seed 2, then one discarded draw.
    EXPECT_EQ(randomState().state, stateAfter(2, 1));

    // The first init at start-up comes within a second: seed 0.
    clock.reading = 0.4f;
    sim.init();
    EXPECT_EQ(randomState().state, stateAfter(0, 1));
}

TEST(SimulationInit, SeedsFromTheShellWhenItGivesOne) {
    ShellState shell;
    WatercolorSimulation sim(shell);
    sim.particleCount = 1;
    FixedStopwatch clock(9.0f);
    StopwatchOverride use(clock);
    shell.initSeed = [] { return 4000000000u; };
    sim.init();
    EXPECT_EQ(randomState().state, stateAfter(4000000000u, 1));
}

TEST(SimulationInit, RefusesWithoutParticlesButStillReseeds) {
    TestSimulation t(6, 4, 3);
    t.sim.particleWater[1] = 0.75f;
    t.shell.window.canvasWidth = 50;
    t.shell.initSeed = [] { return 5u; };
    seedRandom(123);

    for (int count : {0, -4}) {
        t.sim.particleCount = count;
        testing::internal::CaptureStderr();
        t.sim.init();
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "FluidSimCppPort::init: too few particles, cannot be initialized\n");
        // Seed 5 and one draw: 5 · 214013 + 2531011 = 3601076.
        EXPECT_EQ(randomState().state, 3601076u);
    }
    // Nothing else changed: the old arrays and canvas size stay.
    EXPECT_EQ(t.sim.width, 6);
    EXPECT_EQ(t.sim.particleWater.size(), 3u);
    EXPECT_EQ(t.sim.particleWater[1], 0.75f);
    EXPECT_EQ(t.sim.deposition.size(), 24u);
}

TEST(SimulationSurface, ConstantPictureIsFlat) {
    TestSimulation t(5, 4, 1);
    const std::vector<float> grey(20, 0.6f);
    t.sim.setSurface(grey.data());
    ASSERT_EQ(t.sim.surfaceGradient.size(), 20u);
    for (const vec3& g : t.sim.surfaceGradient) {
        EXPECT_EQ(g.x, 0.0f);
        EXPECT_EQ(g.y, 0.0f);
        EXPECT_EQ(g.z, 0.0f);
    }
}

TEST(SimulationSurface, DifferencesToTheRightAndNextRow) {
    // 3 × 2 cells, rows in grid order:
    //   row 0: 0.0  0.75  0.25
    //   row 1: 1.0  0.0   0.5
    TestSimulation t(3, 2, 1);
    const std::vector<float> heights{0.0f, 0.75f, 0.25f, 1.0f, 0.0f, 0.5f};
    t.sim.setSurface(heights.data());
    const Grid<vec3>& g = t.sim.surfaceGradient;
    EXPECT_EQ(g[0].x, 0.75f);
    EXPECT_EQ(g[0].y, 1.0f);
    EXPECT_EQ(g[0].z, 1.25f);  // sqrt(0.5625 + 1)
    EXPECT_EQ(g[1].x, 0.5f);
    EXPECT_EQ(g[1].y, 0.75f);
    EXPECT_EQ(g[1].z, std::sqrt(0.8125f));
    // Last column: no right neighbour; last row: no next row.
    EXPECT_EQ(g[2].x, 0.0f);
    EXPECT_EQ(g[2].y, 0.25f);
    EXPECT_EQ(g[2].z, 0.25f);
    EXPECT_EQ(g[3].x, 1.0f);
    EXPECT_EQ(g[3].y, 0.0f);
    EXPECT_EQ(g[4].x, 0.5f);
    EXPECT_EQ(g[5].x, 0.0f);
    EXPECT_EQ(g[5].y, 0.0f);
    EXPECT_EQ(g[5].z, 0.0f);
}

namespace {

// A canvas 400 cells wide at two cells per window pixel, with the lines
// line 1: (0, 50) to (50, 50), scaled to (0, 100) to (100, 100), height 100;
// line 2: (0, 0) to (50, 25), scaled to (0, 0) to (100, 50), height x / 2;
// and a gap of 50, so column x has |(100 - x/2) / 50|.
struct Perspective : ::testing::Test {
    TestSimulation t{400, 2, 1};
    void SetUp() override {
        EditingState& e = t.shell.editing;
        t.shell.window.displayScale = 2.0f;
        e.guideLine1Start = {0.0f, 50.0f};
        e.guideLine1End = {50.0f, 50.0f};
        e.guideLine2Start = {0.0f, 0.0f};
        e.guideLine2End = {50.0f, 25.0f};
        e.guideLineGap = 50.0f;
    }
};

}  // namespace

TEST_F(Perspective, ScalesEachColumnByTheGapBetweenTheLines) {
    t.sim.updateColumnScale();
    ASSERT_EQ(t.sim.columnScale.size(), 400u);
    EXPECT_EQ(t.sim.columnScale[0], 2.0f);
    EXPECT_EQ(t.sim.columnScale[50], 1.5f);
    EXPECT_EQ(t.sim.columnScale[100], 1.0f);
    EXPECT_EQ(t.sim.columnScale[200], 0.0f);
    // Beyond the crossing the lines swap; the scale is the magnitude.
    EXPECT_EQ(t.sim.columnScale[300], 1.0f);
    EXPECT_EQ(t.sim.columnScale[399], 1.99f);
}

TEST_F(Perspective, NoGapMeansNoPerspective) {
    for (float gap : {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN()}) {
        t.shell.editing.guideLineGap = gap;
        t.sim.updateColumnScale();
        EXPECT_EQ(t.sim.columnScale, std::vector<float>(400, 1.0f)) << gap;
    }
}

TEST_F(Perspective, VerticalLineGivesOneEverywhere) {
    t.shell.editing.guideLine2End = {0.0f, 25.0f};
    t.sim.updateColumnScale();
    EXPECT_EQ(t.sim.columnScale, std::vector<float>(400, 1.0f));

    // Before the canvas is first drawn the display scale is 0, which makes
    // every scaled line vertical.
    t.shell.editing.guideLine2End = {50.0f, 25.0f};
    t.shell.window.displayScale = 0.0f;
    t.sim.updateColumnScale();
    EXPECT_EQ(t.sim.columnScale, std::vector<float>(400, 1.0f));
}

TEST_F(Perspective, NonFiniteColumnGivesOneEverywhere) {
    // A gap this small overflows the quotient in the columns far from the
    // crossing at 200.
    t.shell.editing.guideLineGap = 1e-38f;
    t.sim.updateColumnScale();
    EXPECT_EQ(t.sim.columnScale, std::vector<float>(400, 1.0f));
}

TEST(SimulationAreaMask, RebuildClearsEarlierMarks) {
    TestSimulation t(8, 8, 1);
    t.sim.areaMask[10] = 1;
    t.sim.areaMask[63] = 1;
    t.sim.updateAreaMask();
    EXPECT_EQ(t.sim.areaMask, Grid<std::int32_t>(64, 0));
}
