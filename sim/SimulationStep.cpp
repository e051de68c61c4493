// The time step: water soaks from the particles into the paper, pigment
// passes between particles and the deposition, the particles accelerate,
// are slowed by the paper's texture and move; lost particles are re-emitted
// and the paper dries a little.
//
// Every value is a float and every operation is rounded to float in the
// order the formula is written, left to right. Sessions are replayed bit for
// bit, so please do not reorder, merge or "simplify" the arithmetic: each
// bracket is where the rounding happens (the contact's is in
// FootprintContact.h).
//
// The particles are taken in index order, each stamping its footprint and
// then moving. The step does the same work in two passes, with the same
// result to the bit:
//
// 1. Footprints. Which particles are active, where and how big their
//    footprints are depends only on each particle's own state at the start
//    of the step, so it is known up front; the footprints are then stamped
//    in index order, with the cells of the next ones already on their way
//    from memory (FootprintStamping.cpp). Footprints that share no cell
//    may be stamped on two threads at once: each cell still sees its
//    footprints in index order.
// 2. Motion, in index order: acceleration, roughness, movement and
//    re-emission, with every random draw in its original order.
//
// Moving every footprint ahead of every motion gives the one-pass result
// because of three facts, which the code below relies on:
//
// - The footprint pass draws no random number (checked after it), so the
//   motion pass draws the very numbers the one-pass loop would, in the same
//   order. (The motion pass does draw: the push without gravity, the
//   roughness jitter, and re-emission's path point and water.)
// - The motion pass writes no grid: acceleration, roughness and movement
//   write only particle i's velocity and position, and re-emission only
//   particle i's position, velocity, water and pigment (respawn works them
//   out in a const function, so the compiler holds it to that). The grids
//   it reads, the paper's slope and the column scale, no footprint writes.
// - Nothing writes particle j's state before j's turn: a footprint writes
//   only its own particle's water and pigment, a motion only its own
//   particle. So planning every footprint from the state at the start of
//   the step sees what the one-pass loop would see at j's turn.
//
// Within a footprint only the cells of the disc are visited, row by row, and
// the walk ends at the first cell where the particle runs dry (every later
// cell would be skipped anyway; FootprintWalk.h). The paper dries only the
// cells known to be wet, never the whole canvas.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "sim/WatercolorSimulation.h"
#include "sim/FootprintContact.h"
#include "util/Assert.h"
#include "util/Random.h"

namespace {

using footprint::kDryWater;

// How many particles ahead the motion warms the paper's slope.
constexpr std::size_t kPrefetchDistance = 4;

// The increment of velocity per unit of dt, 0.005 long, pointing from start
// to end. It is worked out in slope form, which has no value when both points
// share a y: then the step is horizontal, and nothing when they coincide, so
// every particle keeps a finite velocity.
vec2 gravityIncrement(vec2 start, vec2 end, float dt) {
    const float dy = end.y - start.y;
    if (dy == 0.0f) {
        const float dx = end.x - start.x;
        if (dx == 0.0f) return {0.0f, 0.0f};
        const float magnitude = 0.005f * dt;
        return {dx > 0.0f ? magnitude : -magnitude, 0.0f};
    }
    // Held negative and squared, so only its magnitude matters.
    const float g = -0.005f;
    const float b = (end.x - start.x) / dy;
    float s = std::sqrt(g * g / (1.0f + b * b));  // float sqrt, rounded once
    if (dy < 0.0f) s = -s;
    return {dt * s * b, dt * s};  // (dt · s) first, then · b
}

// The step reads each particle array for particleCount entries and each grid
// for width × height cells; the gradient only while roughness is on. The
// shell initialises the simulation before any step and resizes the arrays
// whenever particleCount or the canvas changes, so a step without them is a
// programming error (reading past the arrays would be undefined).
bool hasStateForStep(const WatercolorSimulation& sim, bool roughness) {
    if (sim.particleCount < 0 || sim.width < 0 || sim.height < 0) return false;
    const std::size_t n = static_cast<std::size_t>(sim.particleCount);
    const std::size_t cells =
        static_cast<std::size_t>(sim.width) * static_cast<std::size_t>(sim.height);
    return sim.particlePosition.size() >= n && sim.particleVelocity.size() >= n &&
           sim.particleWater.size() >= n && sim.particlePigment.size() >= n &&
           sim.absorptionCapacity.size() >= cells && sim.absorptionRate.size() >= cells &&
           sim.absorbedWater.size() >= cells && sim.deposition.size() >= cells &&
           sim.areaMask.size() >= cells &&
           sim.columnScale.size() >= static_cast<std::size_t>(sim.width) &&
           (!roughness || sim.surfaceGradient.size() >= cells) && sim.sizeMassTableLength >= 0 &&
           sim.sizeMassTable.size() >= static_cast<std::size_t>(sim.sizeMassTableLength);
}

}  // namespace

int WatercolorSimulation::step(float dt) {
    const PanelSettings& panel = shell.panel;
    EditingState& editing = shell.editing;
    const float rho = panel.surfaceRoughness;
    SEEP_ASSERT(hasStateForStep(*this, rho > 0.0f),
                "a step needs the simulation set up: init before the first step");
    wetCells.attach(absorbedWater);

    // The shell's frame counter: the display decides from it whether a frame
    // comes before the first step (SimulationDrawPolicy.h).
    shell.window.stepCount += 1;

    vec2 gravityStep{};
    if (panel.gravityEnabled != 0) {
        gravityStep = gravityIncrement(editing.gravityStart, editing.gravityEnd, dt);
    }
    // Re-emissions at the brush in this step; a float, as the painter has
    // always counted them.
    float brushRespawnCount = 0.0f;

    wakeStampWorker();
    [[maybe_unused]] const RandomState randomBefore = randomState();
    planStamps();
    stampFootprints(footprint::contactRules(panel.paintColor, panel.resolvability,
                                            panel.resolvabilityComplement));
    SEEP_ASSERT(randomState().state == randomBefore.state,
                "the footprint pass draws no random number, or the motion pass would draw others");

    const float W = static_cast<float>(width);
    const float H = static_cast<float>(height);
    std::size_t nextPlan = 0;
    int active = 0;
    for (int i = 0; i < particleCount; ++i) {
        vec2& position = particlePosition[i];
        bool lost = true;
        if (nextPlan == stampPlans.size() || stampPlans[nextPlan].particle != i) {
            position = {W + 100.0f, H + 100.0f};
        } else {
            const StampPlan& plan = stampPlans[nextPlan++];
            // The paper's slope under a particle a few ahead is asked for
            // now: particles lie scattered, and it would come from memory.
            if (rho > 0.0f && nextPlan + kPrefetchDistance < stampPlans.size()) {
                const StampPlan& ahead = stampPlans[nextPlan + kPrefetchDistance];
                __builtin_prefetch(surfaceGradient.data() + static_cast<std::size_t>(ahead.iy) * width + ahead.ix);
            }
            active += 1;
            const float S = plan.S;

            // Without gravity every particle gets a push in a fresh random
            // direction. The draws are written to the shell's gravity points
            // on purpose, not kept in locals: they stay there after the step,
            // and when gravity is switched on again it pulls from the last
            // pair drawn until the middle button or a new canvas sets new
            // points.
            if (panel.gravityEnabled == 0) {
                editing.gravityEnd.y = uniformRandom();
                editing.gravityStart.y = uniformRandom();
                editing.gravityEnd.x = uniformRandom();
                editing.gravityStart.x = uniformRandom();
                gravityStep = gravityIncrement(editing.gravityStart, editing.gravityEnd, dt);
            }
            vec2& v = particleVelocity[i];
            v.x = v.x + S * gravityStep.x;
            v.y = v.y + S * gravityStep.y;

            // The paper's texture slows the particle, and its slope across
            // the rows jitters it sideways (gy in both terms on purpose).
            if (rho > 0.0f) {
                const vec3& gradient =
                    surfaceGradient[static_cast<std::size_t>(plan.iy) * width + plan.ix];
                const float gx = gradient.x;
                const float gy = gradient.y;
                const float vy = v.y - v.y * (gy / (10.0f - rho)) * 5.0f;
                const float u = uniformRandom();
                // 0.5f, not 0.5: the jitter stays in single precision.
                const float vx =
                    v.x - (v.x * (gx / (10.0f - rho)) * 5.0f - rho * (gy * 5.0f) / 50.0f * (u - 0.5f));
                v = {vx, vy};
            }

            // Each product is rounded to float before it is added.
            const float moveX = v.x * dt;
            const float moveY = v.y * dt;
            position.x = position.x + moveX;
            position.y = position.y + moveY;

            lost = particleWater[i] < kDryWater;
        }

        if (lost && panel.emitting != 0) {
            if (editing.brushDragged == 1 && editing.spawnMode == 2) {
                respawn(i);
                brushRespawnCount += 1.0f;
            }
            if (editing.spawnMode == 1) respawn(i);
        }
        // At most six re-emissions at the brush per step; the next mouse
        // motion starts the brush again. The flag is the shell's, written
        // here on purpose: the mouse motion sets it and the step clears it,
        // also in the middle of a step, so later lost particles of this step
        // stay where they are.
        if (brushRespawnCount > 5.0f) editing.brushDragged = 0;
    }

    // Only wet cells can dry: the list holds every cell with water above 0.
    if (panel.dryingAmount > 0.0f && panel.rateFill > 0.0f) {
        const LaneSettings& lanes = stampLaneSettings;
        if (lanes.enabled && stampWorker && wetCells.count() >= std::max<std::size_t>(lanes.dryCells, 2)) {
            wetCells.dry(absorbedWater, panel.dryingAmount, *stampWorker);
        } else {
            wetCells.dry(absorbedWater, panel.dryingAmount);
        }
    }
    return active;
}
