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
//    from memory.
// 2. Motion, in index order: acceleration, roughness, movement and
//    re-emission, with every random draw in its original order. None of it
//    reads or writes a grid cell that a footprint touches.
//
// Within a footprint only the cells of the disc are visited, row by row, and
// the walk ends at the first cell where the particle runs dry (every later
// cell would be skipped anyway). The paper dries only the cells known to be
// wet, never the whole canvas.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "sim/FluidSimCppPort.h"
#include "sim/FootprintContact.h"
#include "util/Random.h"

namespace {

using footprint::kDryWater;

// How many footprints ahead the step warms the caches.
constexpr std::size_t kPrefetchDistance = 4;
// How many rows ahead of the one walked a footprint's rows are asked for.
constexpr int kRowsAhead = 2;
// How many particles ahead the planning warms the area's cells; planning
// one takes only a few instructions.
constexpr int kPlanPrefetchDistance = 32;
// Grids smaller than this (a 1024 × 1024 canvas's float grid) stay in the
// caches from one step to the next.
constexpr std::size_t kCachedGridBytes = std::size_t{4} << 20;

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

// The cells of row dy of the footprint around (ix, iy) whose half-width
// there is h, clipped to a canvas width cells wide: grid indices left to
// right, both included. Every row of a disc holds its own column, so the
// span is never empty.
struct RowSpan {
    std::size_t left;
    std::size_t right;
};

inline RowSpan rowSpan(int ix, int iy, int dy, int h, int width) {
    const std::size_t rowStart = static_cast<std::size_t>(iy + dy) * static_cast<std::size_t>(width);
    return {rowStart + static_cast<std::size_t>(std::max(ix - h, 0)),
            rowStart + static_cast<std::size_t>(std::min(ix + h, width - 1))};
}

// Asks the caches for cells left..right of every grid a contact reads or
// writes. It reads nothing the step depends on.
inline void prefetchSpan(const float* capacity, const float* rate, const float* held,
                         const MyAlgebra::vec4* deposit, std::size_t left, std::size_t right) {
    constexpr std::size_t floatsPerLine = 16;
    constexpr std::size_t cellsPerLine = 4;
    for (std::size_t k = left; k <= right + floatsPerLine - 1; k += floatsPerLine) {
        const std::size_t c = std::min(k, right);
        __builtin_prefetch(capacity + c);
        __builtin_prefetch(rate + c);
        __builtin_prefetch(held + c, 1);
    }
    for (std::size_t k = left; k <= right + cellsPerLine - 1; k += cellsPerLine) {
        __builtin_prefetch(deposit + std::min(k, right), 1);
    }
}

// The step reads each particle array for particleCount entries and each grid
// for width × height cells; the gradient only while roughness is on. Without
// them (a step before the simulation is set up) there is nothing to advance,
// and reading past the arrays would be undefined.
bool hasStateForStep(const FluidSimCppPort& sim, bool roughness) {
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

void FluidSimCppPort::planStamps() {
    const float W = static_cast<float>(width);
    const float H = static_cast<float>(height);
    const int classes = sizeMassTableLength;
    const float* const table = sizeMassTable.data();
    // The footprint radius is the first class whose mass the water (less
    // the dry amount) does not exceed: sizeClassOf. The table rises
    // strictly, so counting up from class 0 finds the class its search
    // finds, in a step or two for the small particles that are the most. A
    // table that does not rise is left to the search itself.
    bool rising = true;
    for (int d = 1; d < classes; ++d) rising = rising && table[d - 1] < table[d];

    stampPlans.resize(static_cast<std::size_t>(particleCount));
    // Read through locals: the plans are stored as the loop goes, and the
    // members behind them would otherwise be read again after every store.
    StampPlan* const plans = stampPlans.data();
    const vec2* const positions = particlePosition.data();
    const float* const waters = particleWater.data();
    const std::int32_t* const mask = areaMask.data();
    const float* const scales = columnScale.data();
    const std::size_t stride = static_cast<std::size_t>(width);
    const int count = particleCount;
    std::size_t planned = 0;
    // The area's cell under a particle further on is asked for early when
    // the area is too large to stay in the caches: particles lie scattered,
    // and it would come from memory. A small one is there already.
    const bool prefetchArea = areaMask.size() * sizeof(std::int32_t) >= kCachedGridBytes;
    for (int i = 0; i < count; ++i) {
        if (prefetchArea && i + kPlanPrefetchDistance < count) {
            const vec2 ahead = positions[i + kPlanPrefetchDistance];
            if (0.0f <= ahead.x && ahead.x < W && 0.0f <= ahead.y && ahead.y < H) {
                __builtin_prefetch(mask + static_cast<std::size_t>(static_cast<int>(ahead.y)) * stride +
                                   static_cast<std::size_t>(static_cast<int>(ahead.x)));
            }
        }
        const vec2 position = positions[i];
        const float X = position.x;
        const float Y = position.y;
        // Tested as floats before truncating, so a particle just left of or
        // below the canvas (which truncates to column or row 0) is outside.
        if (!(0.0f <= X && X < W && 0.0f <= Y && Y < H && waters[i] >= kDryWater)) continue;
        const int ix = static_cast<int>(X);
        const int iy = static_cast<int>(Y);
        // A particle on the area's outline is out, like one off the canvas.
        if (mask[static_cast<std::size_t>(iy) * stride + static_cast<std::size_t>(ix)] != 0) continue;
        const float w = waters[i] - kDryWater;
        int r = 0;
        if (rising) {
            // !(w <= entry): a NaN passes every class, as in the search.
            while (r < classes && !(w <= table[r])) ++r;
        } else {
            r = sizeClassOf(*this, w);
        }
        plans[planned++] = StampPlan{i, ix, iy, r, scales[ix]};
    }
    // The radius of the last footprint planned, as stamping them one by one
    // leaves it.
    if (planned > 0) stampRadius = plans[planned - 1].r;
    stampPlans.resize(planned);
}

void FluidSimCppPort::stampFootprints(const footprint::ContactRules& rules) {
    float* const capacity = absorptionCapacity.data();
    float* const rate = absorptionRate.data();
    float* const held = absorbedWater.data();
    MyAlgebra::vec4* const deposit = deposition.data();
    // Everything else the loop reads is in locals too: listing a wet cell
    // or marking a tile writes bytes, which as far as the compiler knows
    // may be any member, and it would read them all again.
    const StampPlan* const plans = stampPlans.data();
    float* const waters = particleWater.data();
    MyAlgebra::vec4* const pigments = particlePigment.data();
    const int canvasWidth = width;
    const int canvasHeight = height;
    const std::size_t stride = static_cast<std::size_t>(width);
    std::uint64_t contacts = 0;
    // The squares around the footprints, gathered for the display.
    int changedX0 = width;
    int changedY0 = height;
    int changedX1 = 0;
    int changedY1 = 0;
    const std::size_t count = stampPlans.size();
    for (std::size_t n = 0; n < count; ++n) {
        if (n + kPrefetchDistance < count) {
            const StampPlan& ahead = plans[n + kPrefetchDistance];
            if (ahead.r == 0) {
                // Small particles, the most common: one cell to ask for.
                const std::size_t k = static_cast<std::size_t>(ahead.iy) * stride + static_cast<std::size_t>(ahead.ix);
                __builtin_prefetch(capacity + k);
                __builtin_prefetch(rate + k);
                __builtin_prefetch(held + k, 1);
                __builtin_prefetch(deposit + k, 1);
            } else {
                prefetchCells(ahead);
            }
        }
        const StampPlan plan = plans[n];
        const int r = plan.r;
        // Water and pigment stay in registers while the footprint is walked.
        float water = waters[plan.particle];
        float pigment = pigments[plan.particle].w;
        // E · S, the same float product the contact forms in every cell.
        const float supply = rules.paint.w * plan.S;

        if (r == 0) {
            // The footprint is the particle's own cell, as it is for most
            // small particles: no rows to work out.
            const std::size_t k = static_cast<std::size_t>(plan.iy) * stride + static_cast<std::size_t>(plan.ix);
            const bool wasDry = !(held[k] > 0.0f);
            footprint::contact(water, pigment, capacity[k], rate[k], held[k], deposit[k], rules, supply);
            if (wasDry) wetCells.touched(held, k);
            ++contacts;
        } else {
            // Rows dy = −r .. r, cells left to right: the order of the plain
            // disc. Every row of the disc holds the particle's own column, so
            // no clipped row is empty. The walk ends at the first cell where the
            // particle runs dry: no later cell would take water or pigment.
            const int* const half = footprintRows.halfWidths(r).data() + r;
            const int firstRow = std::max(-r, -plan.iy);
            const int lastRow = std::min(r, canvasHeight - 1 - plan.iy);
            for (int dy = firstRow; dy <= lastRow; ++dy) {
                // The rows of a large footprint are far apart in memory:
                // the one two ahead is asked for while this one is walked.
                if (dy + kRowsAhead <= lastRow) {
                    const int ahead = dy + kRowsAhead;
                    const RowSpan span = rowSpan(plan.ix, plan.iy, ahead, half[ahead], canvasWidth);
                    prefetchSpan(capacity, rate, held, deposit, span.left, span.right);
                }
                const RowSpan span = rowSpan(plan.ix, plan.iy, dy, half[dy], canvasWidth);
                for (std::size_t k = span.left; k <= span.right; ++k) {
                    // A cell already wet is already listed: only a dry one can
                    // join the wet cells.
                    const bool wasDry = !(held[k] > 0.0f);
                    const bool wet = footprint::contact(water, pigment, capacity[k], rate[k], held[k],
                                                        deposit[k], rules, supply);
                    if (wasDry) wetCells.touched(held, k);
                    ++contacts;
                    if (!wet) goto dry;
                }
            }
        }
    dry:
        waters[plan.particle] = water;
        pigments[plan.particle].w = pigment;
        if (r == 0) {
            historyChanges.markCell(plan.ix, plan.iy);
        } else {
            historyChanges.mark(plan.ix - r, plan.iy - r, plan.ix + r + 1, plan.iy + r + 1);
        }
        changedX0 = std::min(changedX0, plan.ix - r);
        changedY0 = std::min(changedY0, plan.iy - r);
        changedX1 = std::max(changedX1, plan.ix + r + 1);
        changedY1 = std::max(changedY1, plan.iy + r + 1);
    }
    cellContacts += contacts;
    const CellRect changed{std::max(changedX0, 0), std::max(changedY0, 0), std::min(changedX1, width),
                           std::min(changedY1, height)};
    depositionChanged.include(changed);
}

// Particles lie scattered over the canvas, so each one's cells are usually
// far from the last one's and their grids must come from memory. Asking for
// the first rows of a footprint (where most particles run dry) a few
// footprints ahead hides that wait; it reads nothing the step depends on,
// only warms the caches.
void FluidSimCppPort::prefetchCells(const StampPlan& plan) {
    constexpr int rowsAhead = 2;
    const int r = plan.r;
    const int firstRow = std::max(-r, -plan.iy);
    const int lastRow = std::min({r, height - 1 - plan.iy, firstRow + rowsAhead - 1});
    const int* const half = footprintRows.halfWidths(r).data() + r;
    for (int dy = firstRow; dy <= lastRow; ++dy) {
        const RowSpan span = rowSpan(plan.ix, plan.iy, dy, half[dy], width);
        prefetchSpan(absorptionCapacity.data(), absorptionRate.data(), absorbedWater.data(), deposition.data(),
                     span.left, span.right);
    }
}

void FluidSimCppPort::step(float dt) {
    PanelSettings& panel = shell.panel;
    EditingState& editing = shell.editing;
    const float rho = panel.surfaceRoughness;
    if (!hasStateForStep(*this, rho > 0.0f)) return;
    wetCells.attach(absorbedWater);

    shell.window.stepCount += 1;

    vec2 gravityStep{};
    if (panel.gravityEnabled != 0) {
        gravityStep = gravityIncrement(editing.gravityStart, editing.gravityEnd, dt);
    }
    editing.brushRespawnCount = 0.0f;

    planStamps();
    stampFootprints(footprint::contactRules(panel.paintColor, panel.resolvability,
                                            panel.resolvabilityComplement));

    const float W = static_cast<float>(width);
    const float H = static_cast<float>(height);
    std::size_t nextPlan = 0;
    // Counted here and added once: the panel is shared memory, and adding
    // to it for every particle would chain each particle to the last.
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
            // direction; the draws are kept as the gravity points.
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
                const MyAlgebra::vec3& gradient =
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
                editing.brushRespawnCount += 1.0f;
            }
            if (editing.spawnMode == 1) respawn(i);
        }
        // At most six re-emissions at the brush per step; the next mouse
        // motion starts the brush again.
        if (editing.brushRespawnCount > 5.0f) editing.brushDragged = 0;
    }

    panel.activeParticles += active;

    // Only wet cells can dry: the list holds every cell with water above 0.
    if (panel.dryingAmount > 0.0f && panel.rateFill > 0.0f) {
        wetCells.dry(absorbedWater, panel.dryingAmount);
    }
}
