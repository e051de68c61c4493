// Stamping the planned footprints in index order, on one thread or split in
// two lanes stamped at the same time (see StampLanes.h), to the same bits.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>

#include "sim/WatercolorSimulation.h"
#include "sim/FootprintWalk.h"
#include "util/Assert.h"
#include "util/WorkerThread.h"

namespace {

// How many footprints ahead the stamping warms the caches.
constexpr std::size_t kPrefetchDistance = 4;
// A lane that has stamped all its footprints.
constexpr std::uint32_t kLaneDone = std::numeric_limits<std::uint32_t>::max();
// Room for the second lane's newly wet cells, taken when its thread starts.
constexpr std::size_t kLaneWetRoom = std::size_t{1} << 16;

// One lane's footprints in order, and what it tells the other lane.
struct LaneRun {
    const StampGrids* grids = nullptr;
    const StampPlan* plans = nullptr;
    std::vector<LaneStep>* steps = nullptr;
    WetCells* wetCells = nullptr;
    // Where this lane lists newly wet cells; none for the first lane, which
    // lists them in wetCells itself.
    std::vector<std::uint32_t>* wetBatch = nullptr;
    // The plan index of this lane's next footprint (kLaneDone after the
    // last): every plan of the lane before it is stamped.
    std::atomic<std::uint32_t>* progress = nullptr;
    const std::atomic<std::uint32_t>* otherProgress = nullptr;
    std::uint64_t contacts = 0;
    // Seconds the lane took, and of those the ones it spent waiting.
    double seconds = 0.0;
    double waited = 0.0;
};

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Each on its own cache line: each is written by one lane and read by the
// other.
struct LaneProgress {
    alignas(64) std::atomic<std::uint32_t> first{0};
    alignas(64) std::atomic<std::uint32_t> second{0};
};

// Returns once the other lane has stamped its plan `after`. The acquire
// loads pair with the other lane's release store of its progress in
// stampLane: once it is seen past `after`, every cell the other lane wrote
// up to there is visible to this thread.
void waitForOtherLane(const std::atomic<std::uint32_t>& otherProgress, std::int32_t after) {
    const auto plan = static_cast<std::uint32_t>(after);
    for (std::uint32_t seen = otherProgress.load(std::memory_order_acquire); seen <= plan;
         seen = otherProgress.load(std::memory_order_acquire)) {
        spinUntilChanged(otherProgress, seen);
    }
}

template <typename ListWet>
void stampLane(LaneRun& run, ListWet&& listWet) {
    const StampGrids& grids = *run.grids;
    const StampPlan* const plans = run.plans;
    LaneStep* const steps = run.steps->data();
    const std::size_t count = run.steps->size();
    std::uint64_t contacts = 0;
    double waited = 0.0;
    const double start = now();
    for (std::size_t s = 0; s < count; ++s) {
        if (s + kPrefetchDistance < count) prefetchFootprint(grids, plans[steps[s + kPrefetchDistance].plan]);
        LaneStep& step = steps[s];
        // Why two lanes cannot wait for each other for ever: a lane's
        // progress is the plan index of its next footprint, and its plans
        // rise, so a lane that waits has stamped every plan before its own
        // next one. If each wait names a plan before the waiting one, the
        // footprint with the lowest index not yet stamped is never waiting,
        // and both lanes always get on. The progress also means "all
        // before it stamped" only because the plans rise.
        SEEP_ASSERT(step.after < static_cast<std::int64_t>(step.plan),
                    "a lane waits only for an earlier footprint of the other lane");
        SEEP_ASSERT(s == 0 || steps[s - 1].plan < step.plan, "a lane stamps its plans in index order");
        if (step.after >= 0) {
            const double waitStart = now();
            waitForOtherLane(*run.otherProgress, step.after);
            waited += now() - waitStart;
        }
        const StampPlan& plan = plans[step.plan];
        // The particle arrays are only read while the lanes run.
        step.water = grids.waters[plan.particle];
        step.pigment = grids.pigments[plan.particle].w;
        contacts += stampFootprint(grids, plan, step.water, step.pigment, listWet);
        // Release: pairs with the other lane's acquire loads in
        // waitForOtherLane, which then sees this footprint's cells written
        // (and the wet-cell marks, so a cell is listed once).
        run.progress->store(s + 1 < count ? steps[s + 1].plan : kLaneDone, std::memory_order_release);
    }
    run.contacts = contacts;
    run.seconds = now() - start;
    run.waited = waited;
}

// The share of the next step's footprints for the first lane: what each
// lane got done per second of its own work this time, weighed against the
// share used, so a slower processor gets less. Kept within bounds, so one
// odd step (the machine busy with something else) does not starve a lane.
double nextFirstShare(double share, const LaneRun& first, const LaneRun& second) {
    const double busyFirst = first.seconds - first.waited;
    const double busySecond = second.seconds - second.waited;
    if (!(busyFirst > 0.0 && busySecond > 0.0) || first.contacts == 0 || second.contacts == 0) return share;
    const double rateFirst = static_cast<double>(first.contacts) / busyFirst;
    const double rateSecond = static_cast<double>(second.contacts) / busySecond;
    const double balanced = rateFirst / (rateFirst + rateSecond);
    return std::clamp(0.5 * share + 0.5 * balanced, 0.2, 0.8);
}

// A lane that stops on an exception (no memory for more wet cells) says it
// is done, so the other does not wait for it for ever.
template <typename ListWet>
void stampLaneOrGiveUp(LaneRun& run, ListWet&& listWet) {
    try {
        stampLane(run, listWet);
    } catch (...) {
        run.progress->store(kLaneDone, std::memory_order_release);
        throw;
    }
}

// The second lane, on the worker thread.
void stampSecondLane(void* context) {
    LaneRun& run = *static_cast<LaneRun*>(context);
    const float* const held = run.grids->held;
    WetCells& wetCells = *run.wetCells;
    std::vector<std::uint32_t>& batch = *run.wetBatch;
    stampLaneOrGiveUp(run, [&](std::size_t k) { wetCells.touched(held, k, batch); });
}

}  // namespace

void WatercolorSimulation::stampFootprints(const footprint::ContactRules& rules) {
    StampGrids grids;
    grids.capacity = absorptionCapacity.data();
    grids.rate = absorptionRate.data();
    grids.held = absorbedWater.data();
    grids.deposit = deposition.data();
    grids.waters = particleWater.data();
    grids.pigments = particlePigment.data();
    grids.width = width;
    grids.height = height;
    grids.rows = &footprintRows;
    grids.rules = rules;

    const LaneSettings& settings = stampLaneSettings;
    const std::size_t count = stampPlans.size();
    if (!(settings.enabled && plannedSquareCells >= settings.minSquareCells)) {
        stampOneByOne(grids, 0, count);
    } else {
        // In rounds of consecutive footprints, each split anew with the
        // shares the rounds before found: the first rounds of a large step
        // already tell how fast each thread is now.
        const std::size_t round = std::max<std::size_t>(settings.roundPlans, 1);
        for (std::size_t begin = 0; begin < count; begin += round) {
            const std::size_t end = begin + std::min(count - begin, round);
            if (!stampInLanes(grids, begin, end)) stampOneByOne(grids, begin, end);
        }
    }
    markStamped();
}

void WatercolorSimulation::stampOneByOne(const StampGrids& grids, std::size_t begin, std::size_t end) {
    // Read through locals: listing a wet cell writes bytes, which as far as
    // the compiler knows may be any member, and it would read them all again.
    const StampPlan* const plans = stampPlans.data();
    float* const held = grids.held;
    WetCells& wet = wetCells;
    std::uint64_t contacts = 0;
    for (std::size_t n = begin; n < end; ++n) {
        if (n + kPrefetchDistance < end) prefetchFootprint(grids, plans[n + kPrefetchDistance]);
        const StampPlan& plan = plans[n];
        contacts += stampFootprint(grids, plan, grids.waters[plan.particle], grids.pigments[plan.particle].w,
                                   [&](std::size_t k) { wet.touched(held, k); });
    }
    cellContacts += contacts;
}

bool WatercolorSimulation::stampInLanes(const StampGrids& grids, std::size_t begin, std::size_t end) {
    const StampPlan* const plans = stampPlans.data() + begin;
    if (!splitStampLanes(plans, end - begin, stampLaneSettings.acrossShare, stampLanes)) return false;
    // The row tables are built now: both lanes only read them.
    for (int r = 0; r <= stampLanes.largestRadius; ++r) footprintRows.halfWidths(r);
    prepareStampWorker();
    laneWetCells.clear();

    LaneProgress progress;
    // Relaxed: the worker thread's start, a release, hands them over.
    progress.first.store(stampLanes.lane[0].front().plan, std::memory_order_relaxed);
    progress.second.store(stampLanes.lane[1].front().plan, std::memory_order_relaxed);
    LaneRun first{&grids, plans, &stampLanes.lane[0], &wetCells, nullptr, &progress.first, &progress.second};
    LaneRun second{&grids, plans, &stampLanes.lane[1], &wetCells, &laneWetCells, &progress.second,
                   &progress.first};
    float* const held = grids.held;
    WetCells& wet = wetCells;
    stampWorker->runBeside(stampSecondLane, &second,
                           [&] { stampLaneOrGiveUp(first, [&](std::size_t k) { wet.touched(held, k); }); });

    for (const std::vector<LaneStep>& lane : stampLanes.lane) {
        for (const LaneStep& step : lane) {
            const int particle = plans[step.plan].particle;
            grids.waters[particle] = step.water;
            grids.pigments[particle].w = step.pigment;
        }
    }
    wetCells.merge(laneWetCells);
    cellContacts += first.contacts + second.contacts;
    stampLanes.firstShare = nextFirstShare(stampLanes.firstShare, first, second);
    stampLaneSettings.roundsInLanes += 1;
    return true;
}

void WatercolorSimulation::wakeStampWorker() {
    if (!stampLaneSettings.enabled || !stampWorker || particleCount <= 0) return;
    // The radius of a freshly emitted particle's footprint: every particle
    // that size would make this much work.
    const auto side = static_cast<std::size_t>(2 * sizeClassOf(*this, particleMass) + 1);
    if (static_cast<std::size_t>(particleCount) * side * side >= stampLaneSettings.minSquareCells) {
        stampWorker->wake();
    }
}

void WatercolorSimulation::prepareStampWorker() {
    if (stampWorker) return;
    stampWorker = std::make_unique<WorkerThread>();
    // Touched now: a first touch of memory costs a page fault.
    laneWetCells.assign(kLaneWetRoom, 0);
    laneWetCells.clear();
}

void WatercolorSimulation::markStamped() {
    // The squares around the footprints, gathered for the display.
    int changedX0 = width;
    int changedY0 = height;
    int changedX1 = 0;
    int changedY1 = 0;
    ChangedTiles& tiles = historyChanges;
    for (const StampPlan& plan : stampPlans) {
        const int r = plan.r;
        if (r == 0) {
            tiles.markCell(plan.ix, plan.iy);
        } else {
            tiles.mark(plan.ix - r, plan.iy - r, plan.ix + r + 1, plan.iy + r + 1);
        }
        changedX0 = std::min(changedX0, plan.ix - r);
        changedY0 = std::min(changedY0, plan.iy - r);
        changedX1 = std::max(changedX1, plan.ix + r + 1);
        changedY1 = std::max(changedY1, plan.iy + r + 1);
    }
    const CellRect changed{std::max(changedX0, 0), std::max(changedY0, 0), std::min(changedX1, width),
                           std::min(changedY1, height)};
    depositionChanged.include(changed);
    depositionChangedForFrames.include(changed);
}
