#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "SimTestSupport.h"

namespace {

// A 20 × 10 canvas at two cells per window pixel, brush emission.
struct Emission : ::testing::Test {
    TestSimulation t{20, 10, 4};
    void SetUp() override {
        t.shell.window.displayScale = 2.0f;
        t.shell.editing.brushPoint = {3.0f, 4.0f};
    }
};

}  // namespace

TEST_F(Emission, BrushEmissionStartsAFreshParticle) {
    t.sim.particleVelocity[2] = {1.0f, -1.0f};
    t.sim.particlePigment[2] = {0.1f, 0.2f, 0.3f, 0.4f};
    t.sim.respawn(2);
    EXPECT_EQ(t.sim.particlePosition[2].x, 6.0f);
    EXPECT_EQ(t.sim.particlePosition[2].y, 8.0f);
    EXPECT_EQ(t.sim.particleVelocity[2].x, 0.0f);
    EXPECT_EQ(t.sim.particleVelocity[2].y, 0.0f);
    EXPECT_EQ(t.sim.particlePigment[2].x, 0.0f);
    EXPECT_EQ(t.sim.particlePigment[2].w, 0.0f);
    // Only particle 2 moved.
    EXPECT_EQ(t.sim.particlePosition[1].x, 120.0f);
}

TEST_F(Emission, WaterLiesBetweenFourFifthsAndAllOfTheMassPlusAPinch) {
    // Mass 0.5, column scale 1. u = 1: 0.5 · (0.8f + 0.2) + 0.05 = 0.55.
    makeNextValue(32767);
    t.sim.respawn(0);
    EXPECT_EQ(t.sim.particleWater[0], 0.55f);

    // u = 0: 0.5 · 0.8f = 0.40000000596 (0.8f is a little above 0.8), plus
    // 0.05 is 0.45000000596, which rounds up to the float after 0.45f. A
    // double 0.8 would give 0.45f itself.
    makeNextValue(0);
    t.sim.respawn(0);
    EXPECT_EQ(t.sim.particleWater[0], std::nextafter(0.45f, 1.0f));

    for (int i = 0; i < 2000; ++i) {
        t.sim.respawn(1);
        ASSERT_GE(t.sim.particleWater[1], 0.45f);
        ASSERT_LE(t.sim.particleWater[1], 0.55f);
    }
}

TEST_F(Emission, WaterIsScaledAndOffsetInDoublePrecision) {
    // The mass of size class 7. With u = 1 the product with 1.0000000119
    // and the sum with 0.05, kept in double, round to 267.957153; done in
    // float they would give 267.957123.
    t.sim.particleMass = 267.907135f;
    makeNextValue(32767);
    t.sim.respawn(0);
    EXPECT_EQ(t.sim.particleWater[0], 267.957153f);
}

TEST_F(Emission, ColumnScaleOfTheNewPositionScalesTheWater) {
    t.sim.columnScale[6] = 2.0f;
    makeNextValue(32767);
    t.sim.respawn(0);
    // 2 · 0.5 · 1.0000000119 + 0.05 rounds to 1.05f.
    EXPECT_EQ(t.sim.particleWater[0], 1.05f);

    // A column scale of 0 leaves only the 0.05 that still counts as wet.
    t.sim.columnScale[6] = 0.0f;
    t.sim.respawn(0);
    EXPECT_EQ(t.sim.particleWater[0], 0.05f);
}

TEST_F(Emission, BrushBeyondTheCanvasTakesTheEdgeColumn) {
    for (int column = 0; column < 20; ++column) {
        t.sim.columnScale[column] = 0.0f;
    }
    t.sim.columnScale[0] = 1.0f;
    t.sim.columnScale[19] = 2.0f;

    t.shell.editing.brushPoint = {-7.0f, 4.0f};
    makeNextValue(32767);
    t.sim.respawn(0);
    EXPECT_EQ(t.sim.particlePosition[0].x, -14.0f);
    EXPECT_EQ(t.sim.particleWater[0], 0.55f);

    t.shell.editing.brushPoint = {500.0f, 4.0f};
    makeNextValue(32767);
    t.sim.respawn(0);
    EXPECT_EQ(t.sim.particlePosition[0].x, 1000.0f);
    EXPECT_EQ(t.sim.particleWater[0], 1.05f);

    // Just inside the last column, and just past it.
    t.shell.editing.brushPoint = {9.75f, 4.0f};
    makeNextValue(32767);
    t.sim.respawn(0);
    EXPECT_EQ(t.sim.particleWater[0], 1.05f);
    t.shell.editing.brushPoint = {10.0f, 4.0f};
    makeNextValue(32767);
    t.sim.respawn(0);
    EXPECT_EQ(t.sim.particleWater[0], 1.05f);
}

TEST_F(Emission, PathEmissionScalesThePathPoint) {
    t.shell.editing.spawnMode = 1;
    appendPoint(t.shell.editing.path, {4.5f, 2.0f});
    measurePath(t.shell.editing.path);
    seedRandom(8);
    t.sim.respawn(3);
    EXPECT_EQ(t.sim.particlePosition[3].x, 9.0f);
    EXPECT_EQ(t.sim.particlePosition[3].y, 4.0f);
    // A one-point path takes no draw, so respawn drew only its own.
    EXPECT_EQ(randomState().state, stateAfter(8, 1));
}

TEST_F(Emission, SeedingDrawsInTheOrderOfSuccessiveRespawns) {
    // Two sims on a drawn path with perspective, so positions and water vary.
    TestSimulation other{20, 10, 4};
    for (TestSimulation* s : {&t, &other}) {
        s->shell.window.displayScale = 2.0f;
        s->shell.editing.spawnMode = 1;
        for (vec2 p : {vec2{0.0f, 0.0f}, vec2{9.0f, 1.0f}, vec2{9.0f, 4.5f}}) {
            appendPoint(s->shell.editing.path, p);
        }
        measurePath(s->shell.editing.path);
        for (int column = 0; column < 20; ++column) {
            s->sim.columnScale[column] = 1.0f + 0.125f * static_cast<float>(column);
        }
    }
    seedRandom(31);
    t.sim.seedParticles();
    const std::uint32_t afterSeeding = randomState().state;

    seedRandom(31);
    for (int i = 0; i < 4; ++i) {
        other.sim.respawn(i);
    }
    EXPECT_EQ(randomState().state, afterSeeding);
    // Three draws per particle: two on the path, one for the water.
    EXPECT_EQ(afterSeeding, stateAfter(31, 12));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(t.sim.particlePosition[i].x, other.sim.particlePosition[i].x);
        EXPECT_EQ(t.sim.particlePosition[i].y, other.sim.particlePosition[i].y);
        EXPECT_EQ(t.sim.particleWater[i], other.sim.particleWater[i]);
    }
}

TEST_F(Emission, ParkingMovesOnlyThePosition) {
    t.sim.respawn(0);
    t.sim.particleVelocity[0] = {0.5f, -2.0f};
    t.sim.particlePigment[0] = {0.0f, 0.0f, 0.0f, 0.3f};
    const float water = t.sim.particleWater[0];
    t.sim.parkParticles();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(t.sim.particlePosition[i].x, 120.0f);
        EXPECT_EQ(t.sim.particlePosition[i].y, 110.0f);
    }
    EXPECT_EQ(t.sim.particleWater[0], water);
    EXPECT_EQ(t.sim.particleVelocity[0].x, 0.5f);
    EXPECT_EQ(t.sim.particleVelocity[0].y, -2.0f);
    EXPECT_EQ(t.sim.particlePigment[0].w, 0.3f);
}

TEST_F(Emission, AnEmptyPathReleasesNothingButDrawsTheWaterAsUsual) {
    t.shell.editing.spawnMode = 1;
    seedRandom(8);
    t.sim.respawn(1);
    EXPECT_EQ(t.sim.particlePosition[1].x, 120.0f);
    EXPECT_EQ(t.sim.particlePosition[1].y, 110.0f);
    EXPECT_EQ(randomState().state, stateAfter(8, 1));
}
