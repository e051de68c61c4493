#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "sim/FluidSimCppPort.h"
#include "util/Random.h"

namespace {

// Records each re-emission, so a test sees which particles the step
// re-emitted and in what state; it places the particle only when asked.
class RecordingSim : public FluidSimCppPort {
public:
    using FluidSimCppPort::FluidSimCppPort;
    void respawn(int i) override {
        respawned.push_back(i);
        brushDraggedAtRespawn.push_back(shell.editing.brushDragged);
        if (useRealRespawn) FluidSimCppPort::respawn(i);
    }
    std::vector<int> respawned;
    std::vector<int> brushDraggedAtRespawn;
    bool useRealRespawn = false;
};

// A canvas built by hand: fresh cells (capacity 0.1, rate 0.01), no deposit,
// scale 1, open area, flat paper, every particle parked and dry. Gravity
// pulls towards decreasing y, roughness is off so nothing is drawn.
struct Scene {
    ShellState shell;
    RecordingSim sim{shell};

    Scene(int w, int h, int n) {
        sim.width = w;
        sim.height = h;
        sim.particleCount = n;
        buildSizeMassTable(sim);
        const std::size_t cells = static_cast<std::size_t>(w) * h;
        sim.absorptionCapacity.assign(cells, 0.1f);
        sim.absorptionRate.assign(cells, 0.01f);
        sim.absorbedWater.assign(cells, 0.0f);
        sim.deposition.assign(cells, MyAlgebra::vec4{});
        sim.columnScale.assign(w, 1.0f);
        sim.areaMask.assign(cells, 0);
        sim.surfaceGradient.assign(cells, MyAlgebra::vec3{});
        sim.particlePosition.assign(n, vec2{w + 100.0f, h + 100.0f});
        sim.particleVelocity.assign(n, vec2{});
        sim.particleWater.assign(n, 0.0f);
        sim.particlePigment.assign(n, MyAlgebra::vec4{});

        PanelSettings& panel = shell.panel;
        panel.gravityEnabled = 1;
        panel.surfaceRoughness = 0.0f;
        panel.paintColor = {0.2f, 0.4f, 0.6f, 0.002f};
        panel.resolvability = 0.55f;
        panel.resolvabilityComplement = 0.45f;
        panel.dryingAmount = 0.0f;
        panel.rateFill = 0.01f;
        panel.emitting = 0;
        panel.activeParticles = 0;
        shell.editing.gravityStart = {0.0f, 1.0f};
        shell.editing.gravityEnd = {0.0f, 0.0f};
    }

    void place(int i, float x, float y, float water) {
        sim.particlePosition[i] = {x, y};
        sim.particleWater[i] = water;
    }
    int cell(int x, int y) const { return y * sim.width + x; }
    void noCapacity() { sim.absorptionCapacity.assign(sim.absorptionCapacity.size(), 0.0f); }
    void emit(int spawnMode, int brushDragged) {
        shell.panel.emitting = 1;
        shell.editing.spawnMode = spawnMode;
        shell.editing.brushDragged = brushDragged;
    }
    // Re-emission for real, at a brush point given in canvas cells.
    void emitAtBrush(vec2 point) {
        emit(2, 1);
        sim.useRealRespawn = true;
        sim.particleMass = 0.5f;
        shell.window.displayScale = 1.0f;
        shell.editing.brushPoint = point;
    }
    // Coinciding gravity points give no acceleration at all.
    void noGravity() { shell.editing.gravityEnd = shell.editing.gravityStart; }
    bool parked(int i) const {
        return sim.particlePosition[i].x == sim.width + 100.0f &&
               sim.particlePosition[i].y == sim.height + 100.0f;
    }
};

std::uint32_t stateAfterDraws(std::uint32_t seed, int draws) {
    seedRandom(seed);
    for (int i = 0; i < draws; ++i) nextRandom();
    return randomState().state;
}

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
    s.sim.step(1.0f);

    EXPECT_EQ(s.shell.panel.activeParticles, 2);
    EXPECT_EQ(s.shell.window.stepCount, 1);
    EXPECT_EQ(s.sim.particlePosition[0].y, 1.5f - 0.005f);
    EXPECT_EQ(s.sim.particlePosition[2].x, 3.5f);
    for (int i : {1, 3, 4, 5, 6, 7}) EXPECT_TRUE(s.parked(i)) << "particle " << i;
    EXPECT_EQ(s.sim.particleWater[6], 1.0f);  // parking keeps the water
    EXPECT_TRUE(s.sim.respawned.empty());     // not emitting: they stay parked

    // The count accumulates: callers reset it, the step does not.
    s.sim.step(1.0f);
    EXPECT_EQ(s.shell.panel.activeParticles, 4);
    EXPECT_EQ(s.shell.window.stepCount, 2);
}

TEST(Step, ParticlesThatAreOutAreReemittedInTheSameStep) {
    Scene s(4, 3, 8);
    placeBoundaryParticles(s);
    s.emit(1, 0);
    s.sim.step(1.0f);
    EXPECT_EQ(s.sim.respawned, (std::vector<int>{1, 3, 4, 5, 6, 7}));
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
    Scene s(1, 1, 1);
    s.noCapacity();
    s.sim.columnScale[0] = 0.5f;
    s.place(0, 0.5f, 0.5f, 1.0f);
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
    Scene s(1, 1, 1);
    s.noCapacity();
    s.shell.panel.paintColor = {0.2f, 0.4f, 0.6f, 0.5f};
    s.sim.deposition[0] = {0.0f, 0.0f, 0.0f, 0.999f};
    s.sim.particlePigment[0].w = 0.5f;
    s.place(0, 0.5f, 0.5f, 1.0f);
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
    Scene s(1, 1, 1);
    s.noCapacity();
    s.shell.panel.paintColor = {0.2f, 0.4f, 0.6f, 0.0f};
    s.sim.deposition[0] = {0.3f, 0.6f, 0.9f, 0.0f};
    s.place(0, 0.5f, 0.5f, 1.0f);
    s.sim.step(1.0f);
    EXPECT_EQ(s.sim.deposition[0].x, 0.3f);
    EXPECT_EQ(s.sim.deposition[0].y, 0.6f);
    EXPECT_EQ(s.sim.deposition[0].z, 0.9f);
    EXPECT_EQ(s.sim.deposition[0].w, 0.0f);
}

TEST(Step, ParticleRunningDryInItsFootprintSkipsTheRestAndIsLost) {
    Scene s(3, 3, 1);
    s.emit(1, 0);
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
    // It still accelerates and moves, then is re-emitted as lost.
    EXPECT_EQ(s.sim.particleVelocity[0].y, -0.005f);
    EXPECT_EQ(s.sim.particlePosition[0].y, 1.5f - 0.005f);
    EXPECT_EQ(s.sim.respawned, std::vector<int>{0});
}

TEST(Step, BrushReemitsAtMostSixLostParticlesPerStep) {
    Scene s(4, 4, 10);
    s.emit(2, 1);
    s.sim.step(1.0f);
    EXPECT_EQ(s.sim.respawned, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(s.sim.brushDraggedAtRespawn, std::vector<int>(6, 1));
    EXPECT_EQ(s.shell.editing.brushDragged, 0);
    EXPECT_EQ(s.shell.editing.brushRespawnCount, 6.0f);

    // Until the mouse moves again the brush emits nothing.
    s.sim.step(1.0f);
    EXPECT_EQ(s.sim.respawned.size(), 6u);
    EXPECT_EQ(s.shell.editing.brushRespawnCount, 0.0f);

    // Fewer than six leave the brush on for the next step.
    Scene few(4, 4, 3);
    few.emit(2, 1);
    few.sim.step(1.0f);
    EXPECT_EQ(few.sim.respawned.size(), 3u);
    EXPECT_EQ(few.shell.editing.brushDragged, 1);
}

TEST(Step, PathModeReemitsEveryLostParticleAndNoEmissionLeavesThemParked) {
    Scene s(4, 4, 10);
    s.emit(1, 1);
    s.sim.step(1.0f);
    s.sim.step(1.0f);
    EXPECT_EQ(s.sim.respawned.size(), 20u);
    EXPECT_EQ(s.shell.editing.brushDragged, 1);

    Scene quiet(4, 4, 10);
    quiet.shell.editing.spawnMode = 1;
    quiet.sim.particlePosition[3] = {1.0f, 1.0f};  // dry, so out
    quiet.sim.step(1.0f);
    EXPECT_TRUE(quiet.sim.respawned.empty());
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
    const std::vector<float> wet{0.3f, 0.001f, 0.0f, 0.002f};
    EXPECT_EQ(dried(0.002f, 0.01f), (std::vector<float>{0.3f - 0.002f, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(dried(0.002f, 0.0f), wet);
    EXPECT_EQ(dried(0.002f, -1.0f), wet);
    EXPECT_EQ(dried(0.0f, 0.01f), wet);
}

TEST(Step, RandomDrawsPerActiveParticle) {
    // Two active particles and one parked one, which draws nothing.
    auto drawsFor = [](int gravity, float roughness) {
        Scene s(4, 4, 3);
        s.noCapacity();
        s.place(0, 1.5f, 1.5f, 1.0f);
        s.place(2, 2.5f, 2.5f, 1.0f);
        s.shell.panel.gravityEnabled = gravity;
        s.shell.panel.surfaceRoughness = roughness;
        seedRandom(4242);
        s.sim.step(1.0f);
        return randomState().state;
    };
    EXPECT_EQ(drawsFor(1, 0.0f), stateAfterDraws(4242, 0));
    EXPECT_EQ(drawsFor(1, 4.75f), stateAfterDraws(4242, 2));
    EXPECT_EQ(drawsFor(0, 0.0f), stateAfterDraws(4242, 8));
    EXPECT_EQ(drawsFor(0, 4.75f), stateAfterDraws(4242, 10));
}

TEST(Step, WithoutGravityEachParticleGetsARandomPushFromStartToEnd) {
    Scene s(4, 4, 2);
    s.noCapacity();
    s.place(0, 1.5f, 1.5f, 1.0f);
    s.place(1, 2.5f, 2.5f, 1.0f);
    s.shell.panel.gravityEnabled = 0;
    s.shell.panel.surfaceRoughness = 4.75f;
    seedRandom(77);
    s.sim.step(1.0f);

    // The last particle's four draws (after the first's four and its
    // roughness draw) are left as the gravity points, in this order.
    seedRandom(77);
    for (int i = 0; i < 5; ++i) uniformRandom();
    const float ey = uniformRandom(), sy = uniformRandom(), ex = uniformRandom(),
                sx = uniformRandom();
    EXPECT_EQ(s.shell.editing.gravityEnd.y, ey);
    EXPECT_EQ(s.shell.editing.gravityStart.y, sy);
    EXPECT_EQ(s.shell.editing.gravityEnd.x, ex);
    EXPECT_EQ(s.shell.editing.gravityStart.x, sx);

    // Flat paper damps nothing, so the velocity is the push: 0.005 long,
    // towards the end point.
    const vec2 v = s.sim.particleVelocity[1];
    const float length = std::hypot(ex - sx, ey - sy);
    EXPECT_NEAR(v.x, 0.005f * (ex - sx) / length, 1e-8);
    EXPECT_NEAR(v.y, 0.005f * (ey - sy) / length, 1e-8);
}

TEST(Step, GravityDirectionIncludingLevelAndCoincidingPoints) {
    struct Case {
        vec2 start, end, expected;
    };
    const Case cases[] = {
        {{0, 1}, {0, 0}, {0.0f, -0.01f}},        {{0, 0}, {3, 4}, {0.006f, 0.008f}},
        {{0, 0}, {-3, -4}, {-0.006f, -0.008f}},  {{1, 1}, {4, 1}, {0.01f, 0.0f}},
        {{4, 1}, {1, 1}, {-0.01f, 0.0f}},        {{2, 2}, {2, 2}, {0.0f, 0.0f}},
    };
    for (const Case& c : cases) {
        Scene s(1, 1, 1);
        s.noCapacity();
        s.place(0, 0.5f, 0.5f, 1.0f);
        s.shell.editing.gravityStart = c.start;
        s.shell.editing.gravityEnd = c.end;
        s.sim.step(2.0f);
        const vec2 v = s.sim.particleVelocity[0];
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
        EXPECT_NEAR(v.x, c.expected.x, 1e-8) << c.end.x << "," << c.end.y;
        EXPECT_NEAR(v.y, c.expected.y, 1e-8) << c.end.x << "," << c.end.y;
    }
}

TEST(Step, GravityIsRoundedInSlopeForm) {
    std::mt19937 gen(11);
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    for (int n = 0; n < 50; ++n) {
        const vec2 start{coordinate(gen), coordinate(gen)}, end{coordinate(gen), coordinate(gen)};
        const float dt = 0.1f + 0.02f * n;
        Scene s(1, 1, 1);
        s.noCapacity();
        s.place(0, 0.5f, 0.5f, 1.0f);
        s.shell.editing.gravityStart = start;
        s.shell.editing.gravityEnd = end;
        s.sim.step(dt);

        const float g = -0.005f;
        const float b = (end.x - start.x) / (end.y - start.y);
        float slope = std::sqrt(g * g / (1.0f + b * b));
        if (end.y - start.y < 0.0f) slope = -slope;
        ASSERT_EQ(s.sim.particleVelocity[0].x, dt * slope * b) << "case " << n;
        ASSERT_EQ(s.sim.particleVelocity[0].y, dt * slope) << "case " << n;
    }
}

TEST(Step, RandomPushWithLevelPointsStaysFinite) {
    // A seed whose first two draws, the two y values, are equal.
    std::uint32_t seed = 0;
    for (;; ++seed) {
        ASSERT_LT(seed, 1u << 24);
        seedRandom(seed);
        if (nextRandom() == nextRandom()) break;
    }
    Scene s(1, 1, 1);
    s.noCapacity();
    s.place(0, 0.5f, 0.5f, 1.0f);
    s.shell.panel.gravityEnabled = 0;
    seedRandom(seed);
    s.sim.step(1.0f);
    const vec2 v = s.sim.particleVelocity[0];
    EXPECT_EQ(s.shell.editing.gravityEnd.y, s.shell.editing.gravityStart.y);
    EXPECT_EQ(v.y, 0.0f);
    const float dx = s.shell.editing.gravityEnd.x - s.shell.editing.gravityStart.x;
    EXPECT_EQ(v.x, dx > 0 ? 0.005f : dx < 0 ? -0.005f : 0.0f);
}

TEST(Step, RoughnessDampsAndJittersFromTheParticlesOwnCell) {
    Scene s(3, 3, 1);
    s.noCapacity();
    s.noGravity();
    s.shell.panel.surfaceRoughness = 5.0f;
    s.sim.surfaceGradient.assign(9, MyAlgebra::vec3{9.0f, 9.0f, 0.0f});
    s.sim.surfaceGradient[s.cell(1, 1)] = {0.1f, 0.2f, 0.0f};
    s.place(0, 1.5f, 1.5f, 1.0f);
    s.sim.particleVelocity[0] = {1.0f, 1.0f};
    seedRandom(7);
    const float u = uniformRandom();
    seedRandom(7);
    s.sim.step(2.0f);

    // vy' = 1 − 1·(0.2/5)·5 = 0.8; vx' = 1 − (1·(0.1/5)·5 − 5·(0.2·5)/50·(u − 0.5)).
    const float vx = 0.9f + 0.1f * (u - 0.5f);
    EXPECT_NEAR(s.sim.particleVelocity[0].y, 0.8f, 1e-6);
    EXPECT_NEAR(s.sim.particleVelocity[0].x, vx, 1e-6);
    EXPECT_NEAR(s.sim.particlePosition[0].y, 1.5f + 1.6f, 1e-6);
    EXPECT_NEAR(s.sim.particlePosition[0].x, 1.5f + 2.0f * vx, 1e-6);
}

TEST(Step, RoughnessIsRoundedAsWritten) {
    std::mt19937 gen(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    seedRandom(321);
    for (int n = 0; n < 50; ++n) {
        const float rho = 9.5f * unit(gen), gx = unit(gen), gy = unit(gen);
        const vec2 v{unit(gen) - 0.5f, unit(gen) - 0.5f};
        const float dt = 0.5f + unit(gen);
        Scene s(1, 1, 1);
        s.noCapacity();
        s.noGravity();
        s.shell.panel.surfaceRoughness = rho;
        s.sim.surfaceGradient[0] = {gx, gy, 0.0f};
        s.place(0, 0.5f, 0.5f, 1.0f);
        s.sim.particleVelocity[0] = v;
        const RandomState before = randomState();
        const float u = uniformRandom();
        randomState() = before;
        s.sim.step(dt);

        const float vy = v.y - v.y * (gy / (10.0f - rho)) * 5.0f;
        const float vx = v.x - (v.x * (gx / (10.0f - rho)) * 5.0f - rho * (gy * 5.0f) / 50.0f * (u - 0.5f));
        ASSERT_EQ(s.sim.particleVelocity[0].x, vx) << "case " << n;
        ASSERT_EQ(s.sim.particleVelocity[0].y, vy) << "case " << n;
        ASSERT_EQ(s.sim.particlePosition[0].x, 0.5f + vx * dt) << "case " << n;
        ASSERT_EQ(s.sim.particlePosition[0].y, 0.5f + vy * dt) << "case " << n;
    }
}

TEST(Step, StepBeforeTheSimulationIsSetUpChangesNothing) {
    ShellState shell;
    FluidSimCppPort fresh(shell);
    fresh.step(1.0f);
    EXPECT_EQ(shell.window.stepCount, 0);

    Scene s(2, 2, 4);
    s.place(0, 0.5f, 0.5f, 1.0f);
    s.sim.particleCount = 5;  // more than the arrays hold
    s.sim.step(1.0f);
    EXPECT_EQ(s.shell.window.stepCount, 0);
    EXPECT_EQ(s.sim.particlePosition[0].y, 0.5f);
    EXPECT_EQ(s.sim.absorbedWater[0], 0.0f);
}

// A busy scene: random positions, water, pigment, paper and area, gravity
// off, roughness on and the brush re-emitting, built from its own generator.
void buildBusyScene(Scene& s, std::uint32_t sceneSeed) {
    std::mt19937 gen(sceneSeed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int cells = s.sim.width * s.sim.height;
    for (int k = 0; k < cells; ++k) {
        s.sim.surfaceGradient[k] = {unit(gen) * 0.3f, unit(gen) * 0.3f, 0.0f};
        if (unit(gen) < 0.03f) s.sim.areaMask[k] = 1;
    }
    for (int x = 0; x < s.sim.width; ++x) s.sim.columnScale[x] = 0.5f + unit(gen);
    for (int i = 0; i < s.sim.particleCount; ++i) {
        s.place(i, unit(gen) * s.sim.width, unit(gen) * s.sim.height, unit(gen) * 6.0f);
        s.sim.particlePigment[i].w = unit(gen) * 0.01f;
    }
    s.emitAtBrush({10.5f, 12.5f});
    s.shell.panel.gravityEnabled = 0;
    s.shell.panel.surfaceRoughness = 4.75f;
    s.shell.panel.dryingAmount = 0.0005f;
}

template <typename T>
bool sameBytes(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

TEST(Step, SameSceneAndSeedGiveTheSameBits) {
    Scene first(32, 24, 300);
    Scene second(32, 24, 300);
    for (Scene* s : {&first, &second}) {
        buildBusyScene(*s, 2024);
        seedRandom(99);
        for (int n = 0; n < 30; ++n) {
            s->shell.editing.brushDragged = 1;
            s->sim.step(1.0f);
        }
    }
    float deposited = 0.0f;
    for (const MyAlgebra::vec4& d : first.sim.deposition) deposited += d.w;
    EXPECT_GT(deposited, 0.0f);
    EXPECT_GT(first.sim.respawned.size(), 0u);

    EXPECT_TRUE(sameBytes(first.sim.deposition, second.sim.deposition));
    EXPECT_TRUE(sameBytes(first.sim.absorbedWater, second.sim.absorbedWater));
    EXPECT_TRUE(sameBytes(first.sim.particlePosition, second.sim.particlePosition));
    EXPECT_TRUE(sameBytes(first.sim.particleVelocity, second.sim.particleVelocity));
    EXPECT_TRUE(sameBytes(first.sim.particleWater, second.sim.particleWater));
    EXPECT_TRUE(sameBytes(first.sim.particlePigment, second.sim.particlePigment));
    EXPECT_EQ(first.shell.panel.activeParticles, second.shell.panel.activeParticles);
}

}  // namespace
