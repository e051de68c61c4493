#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "sim/StampLanes.h"

// The split of a step's footprints into two lanes: each lane in index
// order, every footprint in exactly one, and every pair of footprints of
// different lanes that may share a cell ordered by a wait.

namespace {

bool squaresMeet(const StampPlan& a, const StampPlan& b) {
    const int reach = a.r + b.r;
    return std::abs(a.ix - b.ix) <= reach && std::abs(a.iy - b.iy) <= reach;
}

// Checks the lanes against the plans by brute force; "" when they hold.
std::string laneFault(const std::vector<StampPlan>& plans, const StampLanes& lanes) {
    std::vector<int> laneOf(plans.size(), -1);
    std::vector<std::int32_t> after(plans.size(), -1);
    for (int l = 0; l < 2; ++l) {
        std::int64_t last = -1;
        for (const LaneStep& step : lanes.lane[l]) {
            if (step.plan >= plans.size()) return "plan out of range";
            if (static_cast<std::int64_t>(step.plan) <= last) return "lane out of index order";
            if (laneOf[step.plan] != -1) return "plan in two places";
            last = step.plan;
            laneOf[step.plan] = l;
            after[step.plan] = step.after;
        }
    }
    for (std::size_t a = 0; a < plans.size(); ++a) {
        if (laneOf[a] == -1) return "plan left out";
        if (after[a] >= static_cast<std::int32_t>(a)) return "waits for a later plan";
        if (after[a] >= 0 && laneOf[static_cast<std::size_t>(after[a])] == laneOf[a]) return "waits on its own lane";
        for (std::size_t b = a + 1; b < plans.size(); ++b) {
            if (laneOf[a] == laneOf[b] || !squaresMeet(plans[a], plans[b])) continue;
            // b may start only once the other lane is past a.
            if (after[b] < static_cast<std::int32_t>(a)) return "meeting footprints not ordered";
        }
    }
    return "";
}

std::vector<StampPlan> randomPlans(std::mt19937& gen, int count, int width, int height, int largest) {
    std::uniform_int_distribution<int> x(0, width - 1);
    std::uniform_int_distribution<int> y(0, height - 1);
    std::uniform_int_distribution<int> radius(0, largest);
    std::vector<StampPlan> plans;
    for (int n = 0; n < count; ++n) plans.push_back(StampPlan{n, x(gen), y(gen), radius(gen), 1.0f});
    return plans;
}

TEST(StampLanes, RandomPlansSplitIntoOrderedLanesWithEveryMeetingPairWaiting) {
    std::mt19937 gen(5);
    StampLanes lanes;
    int split = 0;
    for (int trial = 0; trial < 300; ++trial) {
        const int count = std::uniform_int_distribution<int>(2, 120)(gen);
        const int width = std::uniform_int_distribution<int>(1, 200)(gen);
        const int height = std::uniform_int_distribution<int>(1, 200)(gen);
        const std::vector<StampPlan> plans = randomPlans(gen, count, width, height, trial % 13);
        if (!splitStampLanes(plans.data(), plans.size(), 1, lanes)) continue;
        ++split;
        ASSERT_EQ(laneFault(plans, lanes), "") << "trial " << trial;
        ASSERT_FALSE(lanes.lane[0].empty());
        ASSERT_FALSE(lanes.lane[1].empty());
    }
    EXPECT_GT(split, 200);
}

TEST(StampLanes, APathOfLargeFootprintsSplitsEvenlyWithFewWaits) {
    // A diagonal stroke of radius-10 footprints, as a large brush leaves it.
    std::vector<StampPlan> plans;
    for (int n = 0; n < 2000; ++n) plans.push_back(StampPlan{n, 80 + (n * 7) % 870, 950 - (n * 7) % 870, 10, 1.0f});
    StampLanes lanes;
    ASSERT_TRUE(splitStampLanes(plans.data(), plans.size(), 8, lanes));
    EXPECT_EQ(laneFault(plans, lanes), "");
    EXPECT_NEAR(static_cast<double>(lanes.lane[0].size()), 1000.0, 100.0);
    EXPECT_EQ(lanes.largestRadius, 10);
}

TEST(StampLanes, RefusesWhatWouldNotPay) {
    StampLanes lanes;
    // One footprint, or none.
    const StampPlan one{0, 5, 5, 2, 1.0f};
    EXPECT_FALSE(splitStampLanes(&one, 1, 8, lanes));
    EXPECT_FALSE(splitStampLanes(nullptr, 0, 8, lanes));
    // All on one cell: nothing can go to the second lane.
    std::vector<StampPlan> heap(10, StampPlan{0, 3, 3, 0, 1.0f});
    EXPECT_FALSE(splitStampLanes(heap.data(), heap.size(), 1, lanes));
    EXPECT_TRUE(lanes.lane[0].empty());
    EXPECT_TRUE(lanes.lane[1].empty());
    // Large footprints close together: a fifth lie across the best cut.
    std::vector<StampPlan> crowd;
    for (int n = 0; n < 40; ++n) crowd.push_back(StampPlan{n, 5 + 10 * (n % 5), 20 + n / 5, 8, 1.0f});
    EXPECT_FALSE(splitStampLanes(crowd.data(), crowd.size(), 8, lanes));
    // Allowed any number across, the same crowd splits, correctly ordered.
    ASSERT_TRUE(splitStampLanes(crowd.data(), crowd.size(), 1, lanes));
    EXPECT_EQ(laneFault(crowd, lanes), "");
}

}  // namespace
