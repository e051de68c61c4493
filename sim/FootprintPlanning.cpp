// Planning a step's footprints: which particles are active, and the cell,
// radius and perspective scale of each one's footprint, in index order.
// Each particle is planned from its own state alone, so a large step plans
// the two halves of its particles on two threads.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "sim/WatercolorSimulation.h"
#include "sim/FootprintContact.h"

namespace {

using footprint::kDryWater;

// How many particles ahead the planning warms the area's cells; planning
// one takes only a few instructions.
constexpr int kPlanPrefetchDistance = 32;
// Grids smaller than this (a 1024 × 1024 canvas's float grid) stay in the
// caches from one step to the next.
constexpr std::size_t kCachedGridBytes = std::size_t{4} << 20;

// What planning reads; nothing of it is written while it runs.
struct PlanInputs {
    const WatercolorSimulation* sim = nullptr;
    const vec2* positions = nullptr;
    const float* waters = nullptr;
    const std::int32_t* mask = nullptr;
    const float* scales = nullptr;
    const float* table = nullptr;
    int classes = 0;
    bool rising = true;
    float W = 0.0f;
    float H = 0.0f;
    std::size_t stride = 0;
    bool prefetchArea = false;
};

struct PlannedRange {
    std::size_t planned = 0;
    std::size_t squareCells = 0;
};

// Plans particles begin..end − 1 into out, in index order.
PlannedRange planRange(const PlanInputs& in, int begin, int end, StampPlan* out) {
    const float W = in.W;
    const float H = in.H;
    const vec2* const positions = in.positions;
    const float* const waters = in.waters;
    const std::int32_t* const mask = in.mask;
    const float* const table = in.table;
    const std::size_t stride = in.stride;
    PlannedRange result;
    for (int i = begin; i < end; ++i) {
        if (in.prefetchArea && i + kPlanPrefetchDistance < end) {
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
        if (in.rising) {
            // !(w <= entry): a NaN passes every class, as in the search.
            while (r < in.classes && !(w <= table[r])) ++r;
        } else {
            r = sizeClassOf(*in.sim, w);
        }
        out[result.planned++] = StampPlan{i, ix, iy, r, in.scales[ix]};
        const auto side = static_cast<std::size_t>(2 * r + 1);
        result.squareCells += side * side;
    }
    return result;
}

// The second half of the particles, on the worker thread.
struct PlanTask {
    const PlanInputs* inputs = nullptr;
    int begin = 0;
    int end = 0;
    StampPlan* out = nullptr;
    PlannedRange result;
};

void planOnWorker(void* context) {
    PlanTask& task = *static_cast<PlanTask*>(context);
    task.result = planRange(*task.inputs, task.begin, task.end, task.out);
}

}  // namespace

void WatercolorSimulation::planStamps() {
    PlanInputs in;
    in.sim = this;
    in.positions = particlePosition.data();
    in.waters = particleWater.data();
    in.mask = areaMask.data();
    in.scales = columnScale.data();
    in.table = sizeMassTable.data();
    in.classes = sizeMassTableLength;
    in.W = static_cast<float>(width);
    in.H = static_cast<float>(height);
    in.stride = static_cast<std::size_t>(width);
    // The footprint radius is the first class whose mass the water (less
    // the dry amount) does not exceed: sizeClassOf. The table rises
    // strictly, so counting up from class 0 finds the class its search
    // finds, in a step or two for the small particles that are the most. A
    // table that does not rise is left to the search itself.
    for (int d = 1; d < in.classes; ++d) in.rising = in.rising && in.table[d - 1] < in.table[d];
    // The area's cell under a particle further on is asked for early when
    // the area is too large to stay in the caches: particles lie scattered,
    // and it would come from memory. A small one is there already.
    in.prefetchArea = areaMask.size() * sizeof(std::int32_t) >= kCachedGridBytes;

    const int count = particleCount;
    stampPlans.resize(static_cast<std::size_t>(count));
    StampPlan* const plans = stampPlans.data();
    PlannedRange first;
    // A large canvas's area comes from memory cell by cell: two threads
    // wait for twice as many at once.
    const LaneSettings& settings = stampLaneSettings;
    if (settings.enabled && stampWorker && count >= std::max(settings.planParticles, 2) &&
        areaMask.size() * sizeof(std::int32_t) >= settings.planAreaBytes) {
        const int half = count / 2;
        lanePlans.resize(static_cast<std::size_t>(count - half));
        PlanTask second{&in, half, count, lanePlans.data(), {}};
        stampWorker->runBeside(planOnWorker, &second, [&] { first = planRange(in, 0, half, plans); });
        std::copy_n(lanePlans.data(), second.result.planned, plans + first.planned);
        first.planned += second.result.planned;
        first.squareCells += second.result.squareCells;
    } else {
        first = planRange(in, 0, count, plans);
    }
    // The radius of the last footprint planned, as stamping them one by one
    // leaves it.
    if (first.planned > 0) stampRadius = plans[first.planned - 1].r;
    stampPlans.resize(first.planned);
    plannedSquareCells = first.squareCells;
}
