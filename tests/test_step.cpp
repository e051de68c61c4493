#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "tests/StepScene.h"
#include "util/Assert.h"

namespace {

using stepscene::LoneParticle;
using stepscene::Scene;

TEST(Step, WorkedContactOfTwoParticlesOnOneFreshCell) {
    // The same rules written out, rounded as the step rounds them.
    const float cap = 0.1f, rate = 0.01f, E = 0.002f, R = 0.55f, Rc = 0.45f, S = 1.0f;
    const float u1 = (cap - 0.0f) / cap * rate;
    const float w1 = 1.0f - u1;
    const float held1 = 0.0f + u1;
    const float red1 = (E * 0.2f + 0.0f * 0.0f) / (E + 0.0f);
    const float p1 = 0.0f + Rc * 0.0f - R * 0.0f;
    const float D1 = 0.0f + R * p1 - Rc * 0.0f + E * S;
    const float u2 = (cap - held1) / cap * rate;
    const float w2 = 1.0f - u2;
    const float held2 = held1 + u2;
    const float p2 = 0.0f + Rc * D1 - R * 0.0f;
    const float D2 = D1 + R * p2 - Rc * D1 + E * S;

    {
        Scene one(1, 1, 1);
        one.place(0, 0.5f, 0.5f, 1.0f);
        one.sim.step(1.0f);
        EXPECT_NEAR(one.sim.particleWater[0], 0.99f, 1e-6);
        EXPECT_NEAR(one.sim.absorbedWater[0], 0.01f, 1e-7);
        EXPECT_EQ(one.sim.particlePigment[0].w, 0.0f);
        EXPECT_NEAR(one.sim.deposition[0].w, 0.002f, 1e-9);
        EXPECT_NEAR(one.sim.deposition[0].x, 0.2f, 1e-6);
        EXPECT_NEAR(one.sim.deposition[0].y, 0.4f, 1e-6);
        EXPECT_NEAR(one.sim.deposition[0].z, 0.6f, 1e-6);
        EXPECT_EQ(one.sim.particleWater[0], w1);
        EXPECT_EQ(one.sim.absorbedWater[0], held1);
        EXPECT_EQ(one.sim.deposition[0].x, red1);
        EXPECT_EQ(one.sim.deposition[0].w, D1);
    }

    Scene two(1, 1, 2);
    two.place(0, 0.5f, 0.5f, 1.0f);
    two.place(1, 0.5f, 0.5f, 1.0f);
    two.sim.step(1.0f);
    EXPECT_NEAR(two.sim.particleWater[1], 0.991f, 1e-6);
    EXPECT_NEAR(two.sim.absorbedWater[0], 0.019f, 1e-7);
    EXPECT_NEAR(two.sim.particlePigment[1].w, 0.0009f, 1e-9);
    EXPECT_NEAR(two.sim.deposition[0].w, 0.003595f, 1e-9);
    EXPECT_NEAR(two.sim.deposition[0].y, 0.4f, 1e-6);
    EXPECT_EQ(two.sim.particleWater[1], w2);
    EXPECT_EQ(two.sim.absorbedWater[0], held2);
    EXPECT_EQ(two.sim.particlePigment[1].w, p2);
    EXPECT_EQ(two.sim.deposition[0].w, D2);
}

// Eight particles on a 4 × 3 canvas with no absorption, so water stays put:
// two active, six out for each of the reasons a particle can be out.
void placeBoundaryParticles(Scene& s) {
    s.noCapacity();
    s.sim.areaMask[s.cell(1, 2)] = 1;
    s.place(0, 1.5f, 1.5f, 0.05f);                           // exactly wet enough
    s.place(1, 1.5f, 1.5f, std::nextafter(0.05f, 0.0f));     // just too dry
    s.place(2, 3.5f, 1.5f, 1.0f);                            // X = W - 0.5
    s.place(3, 4.0f, 1.5f, 1.0f);                            // X = W
    s.place(4, -0.25f, 1.5f, 1.0f);                          // truncates to column 0
    s.place(5, 1.5f, -0.25f, 1.0f);                          // truncates to row 0
    s.place(6, 1.5f, 2.5f, 1.0f);                            // on the area outline
    s.place(7, 2.5f, 3.0f, 1.0f);                            // Y = H
}

TEST(Step, ActivityBoundariesParkTheParticlesThatAreOut) {
    Scene s(4, 3, 8);
    placeBoundaryParticles(s);
    EXPECT_EQ(s.sim.step(1.0f), 2);
    EXPECT_EQ(s.shell.window.stepCount, 1);
    EXPECT_EQ(s.sim.particlePosition[0].y, 1.5f - 0.005f);
    EXPECT_EQ(s.sim.particlePosition[2].x, 3.5f);
    for (int i : {1, 3, 4, 5, 6, 7}) EXPECT_TRUE(s.parked(i)) << "particle " << i;
    EXPECT_EQ(s.sim.particleWater[6], 1.0f);  // parking keeps the water
    EXPECT_TRUE(s.reemitted().empty());     // not emitting: they stay parked

    // Each step counts its own.
    EXPECT_EQ(s.sim.step(1.0f), 2);
    EXPECT_EQ(s.shell.window.stepCount, 2);
}

TEST(Step, ParticlesThatAreOutAreReemittedInTheSameStep) {
    Scene s(4, 3, 8);
    placeBoundaryParticles(s);
    s.emit(1, 0);
    s.sim.step(1.0f);
    EXPECT_EQ(s.reemitted(), (std::vector<int>{1, 3, 4, 5, 6, 7}));
}

TEST(Step, FootprintIsTheDiscOfTheSizeClassClippedToTheCanvas) {
    auto touched = [](float x, float y, float water) {
        Scene s(7, 7, 1);
        s.place(0, x, y, water);
        s.sim.step(1.0f);
        std::vector<std::pair<int, int>> cells;
        for (int cy = 0; cy < 7; ++cy)
            for (int cx = 0; cx < 7; ++cx)
                if (s.sim.absorbedWater[s.cell(cx, cy)] > 0.0f) cells.emplace_back(cx, cy);
        EXPECT_EQ(s.sim.stampRadius, water < 0.6f ? 0 : water < 2.0f ? 1 : 2);
        return cells;
    };
    using Cells = std::vector<std::pair<int, int>>;
    // 0.55 − 0.05 is exactly the largest amount of class 0.
    EXPECT_EQ(touched(3.5f, 3.5f, 0.55f), (Cells{{3, 3}}));
    EXPECT_EQ(touched(3.5f, 3.5f, 1.0f), (Cells{{3, 2}, {2, 3}, {3, 3}, {4, 3}, {3, 4}}));
    EXPECT_EQ(touched(0.5f, 0.5f, 1.0f), (Cells{{0, 0}, {1, 0}, {0, 1}}));

    const Cells disc = touched(3.5f, 3.5f, 5.0f);
    EXPECT_EQ(disc.size(), 13u);
    EXPECT_EQ(disc.front(), (std::pair<int, int>{3, 1}));
    EXPECT_EQ(disc.back(), (std::pair<int, int>{3, 5}));
}

TEST(Step, CellWithoutCapacityTakesNoWaterButTakesPigment) {
    LoneParticle s;
    s.sim.columnScale[0] = 0.5f;
    s.sim.step(1.0f);
    EXPECT_EQ(s.sim.particleWater[0], 1.0f);
    EXPECT_EQ(s.sim.absorbedWater[0], 0.0f);
    // The column's scale halves both the pigment supplied and the pull.
    EXPECT_EQ(s.sim.deposition[0].w, 0.001f);
    EXPECT_NEAR(s.sim.deposition[0].z, 0.6f, 1e-6);
    EXPECT_EQ(s.sim.particleVelocity[0].y, -0.0025f);
}

TEST(Step, HeldWaterApproachesCapacityWithoutExceedingIt) {
    Scene s(1, 1, 1);
    s.noGravity();
    s.place(0, 0.5f, 0.5f, 3.0f);
    float previous = 0.0f;
    for (int n = 0; n < 400; ++n) {
        s.sim.step(1.0f);
        const float held = s.sim.absorbedWater[0];
        ASSERT_GE(held, previous);
        ASSERT_LE(held, 0.1f);
        previous = held;
    }
    EXPECT_NEAR(previous, 0.1f, 1e-6);
    EXPECT_NEAR(s.sim.particleWater[0] + previous, 3.0f, 1e-4);
}

TEST(Step, WaterAboveCapacityGoesBackToTheParticle) {
    // u = (0.1 − 0.05)/0.1 · 0.15 = 0.075 would fill the cell to 0.125.
    Scene s(1, 1, 1);
    s.sim.absorptionRate[0] = 0.15f;
    s.sim.absorbedWater[0] = 0.05f;
    s.place(0, 0.5f, 0.5f, 1.0f);
    s.sim.step(1.0f);
    EXPECT_EQ(s.sim.absorbedWater[0], 0.1f);
    EXPECT_NEAR(s.sim.particleWater[0], 0.95f, 1e-6);
}

TEST(Step, DepositIsCappedAtOneAndTheSurplusStaysWithTheParticle) {
    LoneParticle s;
    s.shell.panel.paintColor = {0.2f, 0.4f, 0.6f, 0.5f};
    s.sim.deposition[0] = {0.0f, 0.0f, 0.0f, 0.999f};
    s.sim.particlePigment[0].w = 0.5f;
    s.sim.step(1.0f);
    // p' = 0.5 + 0.45·0.999 − 0.55·0.5 = 0.67455;
    // Dn = 0.999 + 0.55·0.67455 − 0.45·0.999 + 0.5 = 1.4204525.
    EXPECT_EQ(s.sim.deposition[0].w, 1.0f);
    EXPECT_NEAR(s.sim.particlePigment[0].w, 0.67455f + 0.4204525f, 1e-6);
    EXPECT_NEAR(s.sim.deposition[0].x, 0.1f / 1.499f, 1e-6);

    const float R = 0.55f, Rc = 0.45f, Da = 0.999f, E = 0.5f;
    const float p = 0.5f + Rc * Da - R * 0.5f;
    const float Dn = Da + R * p - Rc * Da + E * 1.0f;
    EXPECT_EQ(s.sim.particlePigment[0].w, p + (Dn - 1.0f));
}

TEST(Step, BlendWithNeitherPaintNorDepositLeavesTheColour) {
    LoneParticle s;
    s.shell.panel.paintColor = {0.2f, 0.4f, 0.6f, 0.0f};
    s.sim.deposition[0] = {0.3f, 0.6f, 0.9f, 0.0f};
    s.sim.step(1.0f);
    EXPECT_EQ(s.sim.deposition[0].x, 0.3f);
    EXPECT_EQ(s.sim.deposition[0].y, 0.6f);
    EXPECT_EQ(s.sim.deposition[0].z, 0.9f);
    EXPECT_EQ(s.sim.deposition[0].w, 0.0f);
}

TEST(Step, ParticleRunningDryInItsFootprintSkipsTheRestAndIsLost) {
    Scene s(3, 3, 1);
    // The first cell of the footprint (the one below) soaks up 0.9.
    s.sim.absorptionCapacity[s.cell(1, 0)] = 1.0f;
    s.sim.absorptionRate[s.cell(1, 0)] = 0.9f;
    s.place(0, 1.5f, 1.5f, 0.6f);
    s.sim.step(1.0f);

    EXPECT_EQ(s.sim.particleWater[0], 0.005f);
    EXPECT_NEAR(s.sim.absorbedWater[s.cell(1, 0)], 0.9f, 1e-7);
    for (int k = 0; k < 9; ++k) {
        if (k != s.cell(1, 0)) {
            EXPECT_EQ(s.sim.absorbedWater[k], 0.0f) << "cell " << k;
        }
        EXPECT_EQ(s.sim.deposition[k].w, 0.0f) << "cell " << k;
    }
    // It still accelerates and moves; lost, it is re-emitted when emitting.
    EXPECT_EQ(s.sim.particleVelocity[0].y, -0.005f);
    EXPECT_EQ(s.sim.particlePosition[0].y, 1.5f - 0.005f);
    s.place(0, 1.5f, 1.5f, 0.6f);
    s.sim.absorbedWater[s.cell(1, 0)] = 0.0f;
    s.emit(1, 0);
    s.sim.step(1.0f);
    EXPECT_EQ(s.reemitted(), std::vector<int>{0});
}

TEST(Step, BrushReemitsAtMostSixLostParticlesPerStep) {
    Scene s(4, 4, 10);
    s.emit(2, 1);
    s.sim.step(1.0f);
    EXPECT_EQ(s.reemitted(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(s.shell.editing.brushDragged, 0);

    // Until the mouse moves again the brush emits nothing.
    s.sim.step(1.0f);
    EXPECT_TRUE(s.reemitted().empty());

    // Fewer than six leave the brush on for the next step.
    Scene few(4, 4, 3);
    few.emit(2, 1);
    few.sim.step(1.0f);
    EXPECT_EQ(few.reemitted().size(), 3u);
    EXPECT_EQ(few.shell.editing.brushDragged, 1);
}

TEST(Step, PathModeReemitsEveryLostParticleAndNoEmissionLeavesThemParked) {
    Scene s(4, 4, 10);
    s.emit(1, 1);
    s.sim.step(1.0f);
    EXPECT_EQ(s.reemitted().size(), 10u);
    EXPECT_EQ(s.shell.editing.brushDragged, 1);

    Scene quiet(4, 4, 10);
    quiet.shell.editing.spawnMode = 1;
    quiet.sim.particlePosition[3] = {1.0f, 1.0f};  // dry, so out
    quiet.sim.step(1.0f);
    EXPECT_TRUE(quiet.reemitted().empty());
    EXPECT_TRUE(quiet.parked(3));
}

TEST(Step, ReemissionAtTheBrushPlacesTheParticleThere) {
    Scene s(4, 4, 1);
    s.emitAtBrush({1.5f, 2.25f});
    s.sim.particleVelocity[0] = {3.0f, 3.0f};
    s.sim.step(1.0f);
    EXPECT_EQ(s.sim.particlePosition[0].x, 1.5f);
    EXPECT_EQ(s.sim.particlePosition[0].y, 2.25f);
    EXPECT_GE(s.sim.particleWater[0], 0.45f);
    EXPECT_LE(s.sim.particleWater[0], 0.55f);
    EXPECT_EQ(s.sim.particleVelocity[0].x, 0.0f);
}

TEST(Step, DryingLowersWetCellsToNoLessThanZero) {
    auto dried = [](float amount, float rateFill) {
        Scene s(4, 1, 0);
        s.sim.absorbedWater = {0.3f, 0.001f, 0.0f, 0.002f};
        s.shell.panel.dryingAmount = amount;
        s.shell.panel.rateFill = rateFill;
        s.sim.step(1.0f);
        return s.sim.absorbedWater;
    };
    const Grid<float> wet{0.3f, 0.001f, 0.0f, 0.002f};
    EXPECT_EQ(dried(0.002f, 0.01f), (Grid<float>{0.3f - 0.002f, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(dried(0.002f, 0.0f), wet);
    EXPECT_EQ(dried(0.002f, -1.0f), wet);
    EXPECT_EQ(dried(0.0f, 0.01f), wet);
}

// A programming error, caught where assertions are live (the sanitizer
// builds); elsewhere it is not checked at all.
TEST(Step, StepBeforeTheSimulationIsSetUpIsCaught) {
    if (!kAssertionsLive) GTEST_SKIP() << "assertions are off in this build";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            ShellState shell;
            WatercolorSimulation fresh(shell);
            fresh.step(1.0f);
        },
        "init before the first step");
    EXPECT_DEATH(
        {
            Scene s(2, 2, 4);
            s.sim.particleCount = 5;  // more than the arrays hold
            s.sim.step(1.0f);
        },
        "init before the first step");
}

}  // namespace
