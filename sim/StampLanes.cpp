#include "sim/StampLanes.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// A footprint's centre along the cut's axis: its column for a cut between
// columns, its row for one between rows.
int along(const StampPlan& plan, bool columns) { return columns ? plan.ix : plan.iy; }

// Whether the footprint has cells on both sides of the cut, which lies just
// before column (or row) cut.
bool liesAcross(const StampPlan& plan, bool columns, int cut) {
    const int centre = along(plan, columns);
    return centre - plan.r < cut && cut <= centre + plan.r;
}

// The centre that share of the footprints lie before.
int quantileCut(const StampPlan* plans, std::size_t count, bool columns, double share, std::vector<int>& scratch) {
    scratch.resize(count);
    for (std::size_t n = 0; n < count; ++n) scratch[n] = along(plans[n], columns);
    const double position = std::clamp(share, 0.0, 1.0) * static_cast<double>(count);
    const auto index = std::min(static_cast<std::size_t>(position), count - 1);
    const auto middle = scratch.begin() + static_cast<std::ptrdiff_t>(index);
    std::nth_element(scratch.begin(), middle, scratch.end());
    return *middle;
}

std::size_t countAcross(const StampPlan* plans, std::size_t count, bool columns, int cut) {
    std::size_t across = 0;
    for (std::size_t n = 0; n < count; ++n) across += liesAcross(plans[n], columns, cut) ? 1 : 0;
    return across;
}

// Whether the squares around two footprints share a cell.
bool squaresMeet(const StampPlan& a, const StampPlan& b) {
    const int reach = a.r + b.r;
    return std::abs(a.ix - b.ix) <= reach && std::abs(a.iy - b.iy) <= reach;
}

// Sizes v to n elements and back to none: the memory stays, touched.
template <typename T>
void touchRoom(std::vector<T>& v, std::size_t n) {
    v.assign(n, T{});
    v.clear();
}

}  // namespace

void StampLanes::reserve(std::size_t plans) {
    touchRoom(lane[0], plans);
    touchRoom(lane[1], plans);
    touchRoom(coordinates, plans);
    touchRoom(across, plans);
    touchRoom(nearCut, plans);
}

bool splitStampLanes(const StampPlan* plans, std::size_t count, std::size_t acrossShare, StampLanes& lanes) {
    std::vector<LaneStep>& first = lanes.lane[0];
    std::vector<LaneStep>& second = lanes.lane[1];
    first.clear();
    second.clear();
    if (count < 2 || count > static_cast<std::size_t>(INT32_MAX)) return false;

    const int columnCut = quantileCut(plans, count, true, lanes.firstShare, lanes.coordinates);
    const int rowCut = quantileCut(plans, count, false, lanes.firstShare, lanes.coordinates);
    const std::size_t acrossColumns = countAcross(plans, count, true, columnCut);
    const std::size_t acrossRows = countAcross(plans, count, false, rowCut);
    const bool columns = acrossColumns <= acrossRows;
    const int cut = columns ? columnCut : rowCut;
    if (acrossShare == 0 || std::min(acrossColumns, acrossRows) > count / acrossShare) return false;

    // Positions in the first lane of the footprints across the cut, and how
    // far past the cut the furthest of them reaches.
    std::vector<std::uint32_t>& across = lanes.across;
    across.clear();
    int reach = INT_MIN;
    int largest = 0;
    for (std::size_t n = 0; n < count; ++n) {
        const StampPlan& plan = plans[n];
        largest = std::max(largest, plan.r);
        LaneStep step;
        step.plan = static_cast<std::uint32_t>(n);
        if (liesAcross(plan, columns, cut)) {
            across.push_back(static_cast<std::uint32_t>(first.size()));
            reach = std::max(reach, along(plan, columns) + plan.r);
            first.push_back(step);
        } else if (along(plan, columns) < cut) {
            first.push_back(step);
        } else {
            second.push_back(step);
        }
    }
    if (first.empty() || second.empty()) {
        first.clear();
        second.clear();
        return false;
    }
    lanes.largestRadius = largest;

    // Only a second-lane footprint that starts no further than the reach of
    // those across the cut can share a cell with one of them.
    std::vector<std::uint32_t>& nearCut = lanes.nearCut;
    nearCut.clear();
    for (std::size_t m = 0; m < second.size(); ++m) {
        const StampPlan& plan = plans[second[m].plan];
        if (along(plan, columns) - plan.r <= reach) nearCut.push_back(static_cast<std::uint32_t>(m));
    }
    for (const std::uint32_t a : across) {
        LaneStep& acrossStep = first[a];
        for (const std::uint32_t b : nearCut) {
            LaneStep& nearStep = second[b];
            if (!squaresMeet(plans[acrossStep.plan], plans[nearStep.plan])) continue;
            // The later of the two waits for the earlier.
            if (acrossStep.plan < nearStep.plan) {
                nearStep.after = std::max(nearStep.after, static_cast<std::int32_t>(acrossStep.plan));
            } else {
                acrossStep.after = std::max(acrossStep.after, static_cast<std::int32_t>(nearStep.plan));
            }
        }
    }
    return true;
}
