#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "sim/WatercolorSimulation.h"
#include "tests/SimTestSupport.h"
#include "tests/reference/PlainStep.h"
#include "util/Random.h"

// The painter's step against the plain one, on many random scenes: after
// every step both must hold the same bits everywhere, and have drawn the
// same random numbers. Each runs on its own simulation with its own copy of
// the generator, swapped in around its step.

namespace {

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// What a scene varies, drawn from one seed.
struct SceneSettings {
    int width = 0;
    int height = 0;
    int particles = 0;
    int sizeIndex = 0;
    bool gravity = true;
    float roughness = 0.0f;
    bool outline = false;
    bool perspective = false;
    int spawnMode = 1;
    float capacity = 0.0f;
    float rate = 0.0f;
    float drying = 0.0f;
    vec4 paint{};
    float resolvability = 0.55f;
    std::vector<float> heights;
    std::vector<vec2> path;
    std::vector<vec2> area;
    vec2 lines[4]{};
    vec2 gravityEnd{};

    explicit SceneSettings(std::uint32_t seed) {
        std::mt19937 gen(seed);
        auto unit = [&gen] { return std::uniform_real_distribution<float>(0.0f, 1.0f)(gen); };
        auto pick = [&gen](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
        width = pick(1, 90);
        height = pick(1, 90);
        particles = pick(1, 150);
        sizeIndex = pick(0, 10);
        gravity = pick(0, 1) == 1;
        roughness = pick(0, 1) == 1 ? unit() * 9.5f : 0.0f;
        outline = pick(0, 2) == 0;
        perspective = pick(0, 2) == 0;
        spawnMode = pick(1, 2);
        // Capacity is usually ten times the rate; sometimes below it, so
        // water overflows back to the particle, and sometimes 0.
        rate = unit() * 0.05f;
        const int capacityKind = pick(0, 4);
        capacity = capacityKind == 0 ? 0.0f : capacityKind == 1 ? rate * 0.5f : rate * 10.0f;
        drying = pick(0, 3) == 0 ? 0.0f : unit() * 0.002f;
        paint = {unit(), unit(), unit(), pick(0, 5) == 0 ? 0.0f : unit() * 0.05f};
        resolvability = unit();
        heights.resize(static_cast<std::size_t>(width) * height);
        for (float& h : heights) h = unit();
        auto point = [&] {
            return vec2{unit() * 1.2f * width - 0.1f * width, unit() * 1.2f * height - 0.1f * height};
        };
        for (int n = pick(1, 5); n > 0; --n) path.push_back(point());
        for (int n = pick(2, 6); n > 0 && outline; --n) area.push_back(point());
        for (vec2& p : lines) p = point();
        gravityEnd = {unit() * 2.0f - 1.0f, unit() * 2.0f - 1.0f};
    }
};

// One simulation set up from the settings through its own operations, as
// the shell sets it up.
template <typename Sim>
struct SceneSim {
    ShellState shell;
    Sim sim{shell};

    explicit SceneSim(const SceneSettings& s) {
        WindowLayout& window = shell.window;
        window.canvasWidth = s.width;
        window.canvasHeight = s.height;
        window.displayScale = 1.0f;
        PanelSettings& panel = shell.panel;
        panel.gravityEnabled = s.gravity ? 1 : 0;
        panel.surfaceRoughness = s.roughness;
        panel.capacityFill = s.capacity;
        panel.rateFill = s.rate;
        panel.dryingAmount = s.drying;
        panel.paintColor = s.paint;
        panel.resolvability = s.resolvability;
        panel.resolvabilityComplement = 1.0f - s.resolvability;
        panel.emitting = 1;
        EditingState& editing = shell.editing;
        editing.spawnMode = s.spawnMode;
        editing.brushPoint = s.path.front();
        editing.gravityEnd = s.gravityEnd;
        for (vec2 p : s.path) editing.path.points.push_back(p);
        measurePath(editing.path);
        for (vec2 p : s.area) editing.area.points.push_back(p);
        if (s.perspective) {
            editing.guideLine1Start = s.lines[0];
            editing.guideLine1End = s.lines[1];
            editing.guideLine2Start = s.lines[2];
            editing.guideLine2End = s.lines[3];
            editing.guideLineGap = 0.5f * s.height;
        }
        shell.initSeed = [] { return 7u; };
        buildSizeMassTable(sim);
        selectParticleSize(sim, s.sizeIndex);
        sim.particleCount = s.particles;
        sim.init();
        sim.setSurface(s.heights.data());
        sim.parkParticles();
    }
};

// How the painter's step plans and stamps its footprints and dries the
// paper: on one thread, or on two (the footprints in two lanes) whenever
// they split at all, however little work and however many lie across the
// cut, in rounds of a few footprints.
enum class Stamping { OneByOne, TwoLanes };

struct SideBySide {
    SceneSim<WatercolorSimulation> fast;
    SceneSim<PlainStepSim> plain;
    RandomState fastRandom;
    RandomState plainRandom;

    SideBySide(const SceneSettings& s, Stamping stamping, std::size_t roundPlans = 512) : fast(s), plain(s) {
        fastRandom = plainRandom = randomState();
        LaneSettings& lanes = fast.sim.stampLaneSettings;
        lanes.enabled = stamping == Stamping::TwoLanes;
        lanes.minSquareCells = 0;
        lanes.acrossShare = 1;
        lanes.roundPlans = roundPlans;
        lanes.planParticles = 2;
        lanes.planAreaBytes = 0;
        lanes.dryCells = 2;
    }

    void step() {
        randomState() = fastRandom;
        fast.shell.panel.activeParticles += fast.sim.step(1.0f);
        fastRandom = randomState();
        randomState() = plainRandom;
        plain.shell.panel.activeParticles += plain.sim.step(1.0f);
        plainRandom = randomState();
    }

    // Applies the same change to both, as the shell would between steps.
    template <typename Change>
    void both(Change change) {
        change(fast.shell, static_cast<WatercolorSimulation&>(fast.sim));
        change(plain.shell, static_cast<WatercolorSimulation&>(plain.sim));
    }

    std::string difference() const {
        const WatercolorSimulation& a = fast.sim;
        const WatercolorSimulation& b = plain.sim;
        if (fastRandom.state != plainRandom.state) return "random draws";
        if (!sameBytes(a.particlePosition, b.particlePosition)) return "positions";
        if (!sameBytes(a.particleVelocity, b.particleVelocity)) return "velocities";
        if (!sameBytes(a.particleWater, b.particleWater)) return "water";
        if (!sameBytes(a.particlePigment, b.particlePigment)) return "pigment";
        if (!sameBytes(a.absorbedWater, b.absorbedWater)) return "absorbed water";
        if (!sameBytes(a.deposition, b.deposition)) return "deposition";
        if (a.stampRadius != b.stampRadius) return "stamp radius";
        const PanelSettings& pa = fast.shell.panel;
        const PanelSettings& pb = plain.shell.panel;
        const EditingState& ea = fast.shell.editing;
        const EditingState& eb = plain.shell.editing;
        if (pa.activeParticles != pb.activeParticles) return "active count";
        if (ea.brushDragged != eb.brushDragged) return "brush state";
        if (!sameBits(ea.gravityStart.x, eb.gravityStart.x) || !sameBits(ea.gravityEnd.y, eb.gravityEnd.y))
            return "gravity points";
        if (fast.shell.window.stepCount != plain.shell.window.stepCount) return "step count";
        return "";
    }
};

// Every cell whose deposition differs between before and after lies inside
// the rectangle the step reported for the display and in a tile it marked
// for the undo history.
bool changesInside(const Grid<vec4>& before, const WatercolorSimulation& sim) {
    const CellRect& r = sim.depositionChanged;
    const ChangedTiles& tiles = sim.historyChanges;
    if (!tiles.track(sim.deposition.data(), sim.width, sim.height)) return false;
    constexpr int side = DepositionSnapshot::tileSize;
    for (int y = 0; y < sim.height; ++y) {
        for (int x = 0; x < sim.width; ++x) {
            const std::size_t k = static_cast<std::size_t>(y) * sim.width + x;
            if (std::memcmp(&before[k], &sim.deposition[k], sizeof(vec4)) == 0) continue;
            if (x < r.x0 || x >= r.x1 || y < r.y0 || y >= r.y1) return false;
            if (!tiles.changed(x / side, y / side)) return false;
        }
    }
    return true;
}

TEST(StepSideBySide, RandomScenesGiveThePlainStepsBitsAfterEveryStep) {
    const RandomState saved = randomState();
    long long painted = 0;
    std::uint64_t stepsInLanes = 0;
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        const SceneSettings settings(seed);
        // Every other scene stamps in two lanes, in rounds of 8 to 512.
        SideBySide pair(settings, seed % 2 == 0 ? Stamping::OneByOne : Stamping::TwoLanes,
                        std::size_t{8} << (seed % 7));
        for (int n = 0; n < 300; ++n) {
            // The brush is dragged now and then, and moves as it is.
            if (n % 7 == 0) {
                pair.both([n, &settings](ShellState& shell, WatercolorSimulation&) {
                    shell.editing.brushDragged = 1;
                    shell.editing.brushPoint = settings.path[static_cast<std::size_t>(n / 7) %
                                                             settings.path.size()];
                });
            }
            // The panel changes the absorptivity midway: the grids are
            // refilled and every cell is dry again.
            if (n == 150) {
                pair.both([](ShellState& shell, WatercolorSimulation& sim) {
                    shell.panel.capacityFill *= 0.5f;
                    sim.initAbsorption();
                });
            }
            // Emission stops for the last steps, so the paper dries out.
            if (n == 240) {
                pair.both([](ShellState& shell, WatercolorSimulation&) { shell.panel.emitting = 0; });
            }
            pair.fast.sim.depositionChanged = CellRect{};
            pair.fast.sim.historyChanges.reset(pair.fast.sim.deposition.data(), pair.fast.sim.width,
                                               pair.fast.sim.height);
            const Grid<vec4> before = pair.fast.sim.deposition;
            pair.step();
            const std::string difference = pair.difference();
            ASSERT_EQ(difference, "") << "scene " << seed << ", step " << n + 1;
            ASSERT_TRUE(changesInside(before, pair.fast.sim)) << "scene " << seed << ", step " << n + 1;
        }
        painted += static_cast<long long>(pair.fast.sim.cellContacts);
        stepsInLanes += pair.fast.sim.stampLaneSettings.roundsInLanes;
    }
    // The scenes did paint: the comparison was not between idle canvases;
    // and the two lanes did stamp, in many steps of their scenes.
    EXPECT_GT(painted, 100000);
    EXPECT_GT(stepsInLanes, 30u * 300u / 5u);
    randomState() = saved;
}

TEST(StepSideBySide, LargeFootprintsOnTheCanvasEdgesAndCorners) {
    // The biggest particles, placed on the corners and edges so their
    // discs are clipped on every side, with water enough to outlast them.
    const RandomState saved = randomState();
    SceneSettings settings(99);
    settings.width = 23;
    settings.height = 17;
    settings.particles = 9;
    settings.outline = false;
    settings.area.clear();
    SideBySide pair(settings, Stamping::OneByOne);
    const vec2 spots[9] = {{0.2f, 0.3f},  {22.9f, 0.1f}, {0.5f, 16.9f}, {22.5f, 16.5f}, {11.5f, 0.5f},
                           {0.5f, 8.5f},  {22.5f, 8.5f}, {11.5f, 16.5f}, {11.5f, 8.5f}};
    pair.both([&spots](ShellState& shell, WatercolorSimulation& sim) {
        shell.panel.emitting = 0;
        for (int i = 0; i < 9; ++i) {
            sim.particlePosition[i] = spots[i];
            sim.particleWater[i] = 1000.0f + static_cast<float>(i);
        }
    });
    for (int n = 0; n < 20; ++n) {
        pair.step();
        ASSERT_EQ(pair.difference(), "") << "step " << n + 1;
    }
    EXPECT_EQ(pair.fast.sim.stampRadius, 12);
    randomState() = saved;
}

}  // namespace
