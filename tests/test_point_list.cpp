#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "SimTestSupport.h"
#include "sim/PointList.h"
#include "util/Random.h"

namespace {

PointList measured(std::initializer_list<vec2> points) {
    PointList path;
    for (const vec2& p : points) {
        appendPoint(path, p);
    }
    measurePath(path);
    return path;
}

// The generator's first values from seed 1, as every C runtime of this
// family gives them.
constexpr int kSeedOne[] = {41, 18467, 6334, 26500, 19169, 15724};

float u(int value) { return static_cast<float>(value / 32767.0); }

}  // namespace

TEST(PointList, MeasurePathRebuildsRunningLengths) {
    PointList path;
    EXPECT_EQ(measurePath(path), 0.0f);
    EXPECT_TRUE(path.cumulativeLength.empty());

    path = measured({{0.0f, 0.0f}, {10.0f, 0.0f}, {10.0f, 30.0f}});
    EXPECT_EQ(path.cumulativeLength, (std::vector<float>{0.0f, 10.0f, 40.0f}));

    // Remeasured after a shorter path is committed: the old entries go.
    path.points = {{1.0f, 1.0f}, {4.0f, 5.0f}};
    EXPECT_EQ(measurePath(path), 5.0f);
    EXPECT_EQ(path.cumulativeLength, (std::vector<float>{0.0f, 5.0f}));
}

TEST(PointList, PathsWithoutSegmentsDrawNoRandomNumbers) {
    seedRandom(1234);
    const PointList empty = measured({});
    const vec2 origin = samplePath(empty);
    EXPECT_EQ(origin.x, 0.0f);
    EXPECT_EQ(origin.y, 0.0f);

    const PointList single = measured({{7.5f, -3.25f}});
    const vec2 only = samplePath(single);
    EXPECT_EQ(only.x, 7.5f);
    EXPECT_EQ(only.y, -3.25f);
    EXPECT_EQ(randomState().state, 1234u);
}

TEST(PointList, SamplesFollowTheSeededSequenceTwoDrawsEach) {
    const PointList path = measured({{0.0f, 0.0f}, {10.0f, 0.0f}, {10.0f, 30.0f}});
    seedRandom(1);

    // 40·41/32767 ≈ 0.05 and 40·6334/32767 ≈ 7.7 fall on the first segment,
    // 40·19169/32767 ≈ 23.4 on the second; the second value of each pair
    // places the point.
    const vec2 first = samplePath(path);
    EXPECT_EQ(randomState().state, stateAfter(1, 2));
    EXPECT_EQ(first.x, 0.0f + u(kSeedOne[1]) * 10.0f);
    EXPECT_EQ(first.y, 0.0f);

    const vec2 second = samplePath(path);
    EXPECT_EQ(second.x, u(kSeedOne[3]) * 10.0f);
    EXPECT_EQ(second.y, 0.0f);

    const vec2 third = samplePath(path);
    EXPECT_EQ(third.x, 10.0f);
    EXPECT_EQ(third.y, u(kSeedOne[5]) * 30.0f + 0.0f);
    EXPECT_EQ(randomState().state, stateAfter(1, 6));
}

TEST(PointList, SegmentsAreChosenInProportionToTheirLength) {
    const PointList path = measured({{0.0f, 0.0f}, {10.0f, 0.0f}, {10.0f, 30.0f}});
    seedRandom(99);
    const int draws = 40000;
    int vertical = 0;
    for (int i = 0; i < draws; ++i) {
        const vec2 p = samplePath(path);
        // The first segment gives y = 0 exactly; the second x = 10 exactly
        // and y within its ends.
        if (p.y > 0.0f) {
            ++vertical;
            ASSERT_EQ(p.x, 10.0f);
            ASSERT_LE(p.y, 30.0f);
        } else {
            ASSERT_EQ(p.y, 0.0f);
            ASSERT_GE(p.x, 0.0f);
            ASSERT_LE(p.x, 10.0f);
        }
    }
    EXPECT_NEAR(static_cast<double>(vertical) / draws, 0.75, 0.01);
}

TEST(PointList, VerticalSegmentsKeepTheirXWhicheverEndIsHigher) {
    for (const PointList& path : {measured({{5.0f, 30.0f}, {5.0f, 10.0f}}),
                                  measured({{5.0f, 10.0f}, {5.0f, 30.0f}})}) {
        seedRandom(5);
        for (int i = 0; i < 2000; ++i) {
            const vec2 p = samplePath(path);
            ASSERT_EQ(p.x, 5.0f);
            ASSERT_GE(p.y, 10.0f);
            ASSERT_LE(p.y, 30.0f);
        }
    }
    // Downwards the point is measured from the lower end: u2·(30 − 10) + 10.
    const PointList down = measured({{5.0f, 30.0f}, {5.0f, 10.0f}});
    seedRandom(1);
    EXPECT_EQ(samplePath(down).y, u(kSeedOne[1]) * 20.0f + 10.0f);
}

TEST(PointList, TargetsOnARunningLengthFallBackToTheFirstSegment) {
    // The last segment has no length. u1 = 1 puts the target on the total,
    // inside no segment: the first is used, not the last or its neighbour.
    const PointList tail = measured({{0.0f, 0.0f}, {10.0f, 0.0f}, {20.0f, 7.0f}, {20.0f, 7.0f}});
    makeNextValue(32767);
    const vec2 p = samplePath(tail);
    EXPECT_EQ(p.y, 0.0f);
    EXPECT_LE(p.x, 10.0f);

    // A zero-length first segment is reached only this way: u1 = 0 gives
    // its vertex; any other target lies on the real segment after it.
    const PointList head = measured({{5.0f, 5.0f}, {5.0f, 5.0f}, {15.0f, 8.0f}});
    makeNextValue(0);
    const vec2 start = samplePath(head);
    EXPECT_EQ(start.x, 5.0f);
    EXPECT_EQ(start.y, 5.0f);
    seedRandom(3);
    int atVertex = 0;
    for (int i = 0; i < 1000; ++i) {
        const vec2 q = samplePath(head);
        atVertex += (q.x == 5.0f && q.y == 5.0f) ? 1 : 0;
        ASSERT_LE(q.x, 15.0f);
    }
    // Only u2 = 0 on the real segment lands there, one draw in 32768.
    EXPECT_LE(atVertex, 1);
}

TEST(PointList, UnmeasuredPathIsSampledAsIfMeasured) {
    PointList path = measured({{0.0f, 0.0f}, {10.0f, 0.0f}});
    // A vertex added after the last measurement must not be read past the
    // lengths array; it is sampled as the measured three-vertex path would be.
    appendPoint(path, {10.0f, 30.0f});
    const PointList reference = measured({{0.0f, 0.0f}, {10.0f, 0.0f}, {10.0f, 30.0f}});
    seedRandom(17);
    std::vector<vec2> got;
    for (int i = 0; i < 50; ++i) got.push_back(samplePath(path));
    seedRandom(17);
    for (int i = 0; i < 50; ++i) {
        const vec2 want = samplePath(reference);
        ASSERT_EQ(got[i].x, want.x);
        ASSERT_EQ(got[i].y, want.y);
    }
}
