#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "tests/SimTestSupport.h"
#include "tests/StepScene.h"
#include "util/Random.h"

namespace {

using stepscene::LoneParticle;
using stepscene::Scene;

std::uint32_t stateAfterDraws(std::uint32_t seed, int draws) {
    seedRandom(seed);
    for (int i = 0; i < draws; ++i) nextRandom();
    return randomState().state;
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
        LoneParticle s;
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
        LoneParticle s;
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
    LoneParticle s;
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
    s.sim.surfaceGradient.assign(9, vec3{9.0f, 9.0f, 0.0f});
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
        LoneParticle s;
        s.noGravity();
        s.shell.panel.surfaceRoughness = rho;
        s.sim.surfaceGradient[0] = {gx, gy, 0.0f};
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

TEST(Step, SameSceneAndSeedGiveTheSameBits) {
    Scene first(32, 24, 300);
    Scene second(32, 24, 300);
    for (Scene* s : {&first, &second}) {
        buildBusyScene(*s, 2024);
        seedRandom(99);
        for (int n = 0; n < 30; ++n) {
            s->shell.editing.brushDragged = 1;
            s->shell.panel.activeParticles += s->sim.step(1.0f);
        }
    }
    float deposited = 0.0f;
    for (const vec4& d : first.sim.deposition) deposited += d.w;
    EXPECT_GT(deposited, 0.0f);

    EXPECT_TRUE(sameBytes(first.sim.deposition, second.sim.deposition));
    EXPECT_TRUE(sameBytes(first.sim.absorbedWater, second.sim.absorbedWater));
    EXPECT_TRUE(sameBytes(first.sim.particlePosition, second.sim.particlePosition));
    EXPECT_TRUE(sameBytes(first.sim.particleVelocity, second.sim.particleVelocity));
    EXPECT_TRUE(sameBytes(first.sim.particleWater, second.sim.particleWater));
    EXPECT_TRUE(sameBytes(first.sim.particlePigment, second.sim.particlePigment));
    EXPECT_EQ(first.shell.panel.activeParticles, second.shell.panel.activeParticles);
}

}  // namespace
