#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>

#include "sim/AreaRasterizer.h"
#include "sim/WatercolorSimulation.h"
#include "util/Random.h"
#include "util/Stopwatch.h"

namespace {

std::size_t cellCount(int width, int height) {
    return static_cast<std::size_t>(std::max(width, 0)) *
           static_cast<std::size_t>(std::max(height, 0));
}

// Whole seconds of a stopwatch reading, truncated toward zero. A reading the
// integer types cannot hold (never seen in practice) seeds with 0 rather than
// converting out of range.
std::uint32_t seedFromSeconds(float seconds) {
    if (!(std::fabs(seconds) < 4294967296.0f)) {
        return 0;
    }
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(seconds));
}

}  // namespace

void WatercolorSimulation::init() {
    // Seeding and the one discarded draw happen even when init then refuses,
    // so a refused init still moves the sequence the same way.
    const std::uint32_t seed =
        shell.initSeed ? shell.initSeed() : seedFromSeconds(stopwatch().elapsed());
    seedRandom(seed);
    nextRandom();

    if (particleCount <= 0) {
        std::cerr << "FluidSimCppPort::init" << ": too few particles, cannot be initialized"
                  << std::endl;
        return;
    }

    width = shell.window.canvasWidth;
    height = shell.window.canvasHeight;

    initParticles();
    initDeposition();
    initAbsorption();
    updateColumnScale();
    updateAreaMask();
}

void WatercolorSimulation::initParticles() {
    const auto n = static_cast<std::size_t>(std::max(particleCount, 0));
    particlePosition = std::vector<vec2>(n);
    particleVelocity = std::vector<vec2>(n);
    particleWater = std::vector<float>(n, 0.0f);
    particlePigment = std::vector<vec4>(n);
    // The step plans a footprint for each particle at most (and may split
    // them in two lanes); the memory is taken and touched here, not during
    // the first stroke.
    stampPlans.assign(n, StampPlan{});
    lanePlans.assign(n - n / 2, StampPlan{});
    stampLanes.reserve(n);
}

void WatercolorSimulation::initDeposition() {
    deposition = Grid<vec4>(cellCount(width, height));
    // Known to be zero everywhere: the next undo snapshot need not look.
    historyReference = DepositionSnapshot::blank(width, height);
    historyChanges.reset(deposition.data(), width, height);
    // New storage may sit where the old one did, so a reader comparing
    // addresses would miss it; this one is told.
    depositionChangedForFrames = CellRect::whole(width, height);
}

void WatercolorSimulation::initAbsorption() {
    const std::size_t cells = cellCount(width, height);
    absorptionCapacity = Grid<float>(cells, shell.panel.capacityFill);
    absorptionRate = Grid<float>(cells, shell.panel.rateFill);
    absorbedWater = Grid<float>(cells);
    // The wet-cell list is built for the new grid now, with the canvas,
    // rather than in the middle of the first stroke.
    wetCells.attach(absorbedWater);
}

void WatercolorSimulation::setSurface(const float* heights) {
    const std::size_t cells = cellCount(width, height);
    // Every cell is written below.
    surfaceGradient = Grid<vec3>(cells);
    const auto w = static_cast<std::size_t>(std::max(width, 0));
    const auto h = static_cast<std::size_t>(std::max(height, 0));
    vec3* gradient = surfaceGradient.data();
    for (std::size_t y = 0; y < h; ++y) {
        const float* row = heights + y * w;
        for (std::size_t x = 0; x < w; ++x) {
            // Each difference is a float, and the sum of squares is rounded
            // to float before the root (sqrtf, not a wider hypot).
            const float gx = x == w - 1 ? 0.0f : std::fabs(row[x] - row[x + 1]);
            const float gy = y == h - 1 ? 0.0f : std::fabs(row[x] - row[x + w]);
            const float squares = gx * gx + gy * gy;
            gradient[y * w + x] = vec3{gx, gy, std::sqrt(squares)};
        }
    }
}

void WatercolorSimulation::updateColumnScale() {
    const auto columns = static_cast<std::size_t>(std::max(width, 0));
    columnScale = std::vector<float>(columns, 1.0f);

    const float s = shell.window.displayScale;
    const float gap = shell.editing.guideLineGap;
    // A gap of 0, below 0 or NaN means no perspective lines are set.
    if (!(gap > 0.0f)) {
        return;
    }
    const EditingState& e = shell.editing;
    const float a1x = s * e.guideLine1Start.x;
    const float a1y = s * e.guideLine1Start.y;
    const float b1x = s * e.guideLine1End.x;
    const float b1y = s * e.guideLine1End.y;
    const float a2x = s * e.guideLine2Start.x;
    const float a2y = s * e.guideLine2Start.y;
    const float b2x = s * e.guideLine2End.x;
    const float b2y = s * e.guideLine2End.y;
    // A vertical line has no height at a column; scale nothing then.
    if (b1x == a1x || b2x == a2x) {
        return;
    }

    std::vector<float> scale(columns);
    for (std::size_t i = 0; i < columns; ++i) {
        const auto x = static_cast<float>(i);
        // Written as a + (b - a) / (c - d) * (x - d), each operation in float.
        const float l1 = a1y + (b1y - a1y) / (b1x - a1x) * (x - a1x);
        const float l2 = a2y + (b2y - a2y) / (b2x - a2x) * (x - a2x);
        const float quotient = (l1 - l2) / gap;
        scale[i] = std::fabs(quotient);
        // One column without a finite scale makes the whole perspective
        // meaningless: every column keeps 1.0, as without lines.
        if (!std::isfinite(scale[i])) {
            return;
        }
    }
    columnScale = std::move(scale);
}

void WatercolorSimulation::updateAreaMask() {
    areaMask = Grid<std::int32_t>(cellCount(width, height));
    rasterizeArea(shell.editing.area, shell.window.displayScale, areaMask.data(), width, height);
}
