#include <algorithm>

#include "sim/WatercolorSimulation.h"
#include "util/Random.h"

namespace {

// The number of particles the arrays can serve; equal to particleCount
// whenever the shell keeps to its order of calls.
std::size_t particleSlots(const WatercolorSimulation& simulation) {
    return std::min(static_cast<std::size_t>(std::max(simulation.particleCount, 0)),
                    simulation.particlePosition.size());
}

// The column whose perspective scale a particle at x takes. A brush or path
// point beyond the canvas has no column of its own, so it takes the nearest
// edge column; NaN counts as the left edge.
std::size_t scaleColumn(float x, int width) {
    if (!(x >= 1.0f) || width <= 1) {
        return 0;
    }
    if (x >= static_cast<float>(width)) {
        return static_cast<std::size_t>(width - 1);
    }
    return static_cast<std::size_t>(x);
}

// Where an inactive particle waits: outside the canvas, so no step touches it.
vec2 parkingPoint(const WatercolorSimulation& simulation) {
    return vec2{static_cast<float>(simulation.width + 100), static_cast<float>(simulation.height + 100)};
}

}  // namespace

void WatercolorSimulation::parkParticles() {
    // Only the position changes: a parked particle keeps its water, velocity
    // and pigment until it is emitted again.
    const vec2 parking = parkingPoint(*this);
    const std::size_t n = particleSlots(*this);
    for (std::size_t i = 0; i < n; ++i) {
        particlePosition[i] = parking;
    }
}

WatercolorSimulation::Emission WatercolorSimulation::emission(std::size_t index) const {
    Emission emitted{particlePosition[index], 0.0f};
    const float s = shell.window.displayScale;
    if (shell.editing.spawnMode == 1 && shell.editing.path.points.empty()) {
        // No path to release water along (strokes off the canvas are never
        // recorded): the particle stays parked rather than taking the empty
        // path's (0, 0), which put all the water on the corner cell. The
        // draws below still happen, as with a path of one point.
        emitted.position = parkingPoint(*this);
    } else if (shell.editing.spawnMode == 1) {
        const vec2 p = samplePath(shell.editing.path);
        emitted.position = vec2{p.x * s, p.y * s};
    } else if (shell.editing.spawnMode == 2) {
        const vec2 brush = shell.editing.brushPoint;
        emitted.position = vec2{brush.x * s, brush.y * s};
    }

    // The draw comes after samplePath's two: the order is part of the
    // sequence a session replays.
    const float u = uniformRandom();
    const float c = columnScale[scaleColumn(emitted.position.x, width)];
    // Mixed precision on purpose: c·mass is rounded to float, then 0.8f plus
    // the double 0.2·u scales it in double, the double 0.05 is added, and only
    // the sum is rounded to float again.
    emitted.water = static_cast<float>(static_cast<double>(c * particleMass) * (0.8f + 0.2 * u) + 0.05);
    return emitted;
}

void WatercolorSimulation::respawn(int i) {
    const auto index = static_cast<std::size_t>(i);
    // Worked out apart, in a const function: re-emission writes particle i's
    // entries and nothing else, which the step relies on when it re-emits
    // after every footprint is stamped (SimulationStep.cpp).
    const Emission emitted = emission(index);
    particlePosition[index] = emitted.position;
    particleWater[index] = emitted.water;
    particleVelocity[index] = vec2{0.0f, 0.0f};
    particlePigment[index] = vec4{0.0f, 0.0f, 0.0f, 0.0f};
}

void WatercolorSimulation::seedParticles() {
    const std::size_t n = particleSlots(*this);
    for (std::size_t i = 0; i < n; ++i) {
        respawn(static_cast<int>(i));
    }
}
