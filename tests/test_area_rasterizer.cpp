#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

#include "sim/AreaRasterizer.h"

namespace {

constexpr std::int32_t kSentinel = 0x5eeb;
constexpr int kGuard = 64;

// A zeroed mask with sentinel cells before and after it: a write past
// either end of the grid shows up as a changed sentinel.
struct GuardedMask {
    int width;
    int height;
    std::vector<std::int32_t> storage;

    GuardedMask(int w, int h)
        : width(w), height(h), storage(static_cast<std::size_t>(kGuard * 2 + w * h), kSentinel) {
        std::fill(storage.begin() + kGuard, storage.begin() + kGuard + w * h, 0);
    }
    std::int32_t* cells() { return storage.data() + kGuard; }
    std::int32_t at(int x, int y) const { return storage[kGuard + y * width + x]; }

    bool guardsIntact() const {
        for (int i = 0; i < kGuard; ++i) {
            if (storage[i] != kSentinel || storage[storage.size() - 1 - i] != kSentinel) {
                return false;
            }
        }
        return true;
    }
    int marked() const {
        int count = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                count += at(x, y) == 1 ? 1 : 0;
            }
        }
        return count;
    }
    bool onlyZeroOrOne() const {
        for (int i = 0; i < width * height; ++i) {
            const std::int32_t v = storage[kGuard + i];
            if (v != 0 && v != 1) {
                return false;
            }
        }
        return true;
    }
};

PointList outline(std::initializer_list<vec2> points) {
    PointList list;
    for (const vec2& p : points) {
        appendPoint(list, p);
    }
    return list;
}

GuardedMask rasterize(const PointList& area, float scale, int w, int h) {
    GuardedMask mask(w, h);
    rasterizeArea(area, scale, mask.cells(), w, h);
    return mask;
}

// The rule written out plainly, with integer loop counters; safe only for
// outlines of modest size, which is all the cross-check feeds it.
void plainRasterize(const PointList& area, float B, std::int32_t* mask, int W, int H) {
    auto plot = [&](int x, int y) {
        if (x < 0 || x >= W || y < 0 || y >= H) return;
        mask[y * W + x] = 1;
        if (x > 0) mask[y * W + x - 1] = 1;
        if (x < W - 1) mask[y * W + x + 1] = 1;
    };
    const std::vector<vec2>& p = area.points;
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        const float x0 = B * std::trunc(p[i].x);
        const float y0 = B * std::trunc(p[i].y);
        const float dx = B * std::trunc(p[i + 1].x) - x0;
        const float dy = B * std::trunc(p[i + 1].y) - y0;
        const float m = dy / dx;
        const float mi = dx / dy;
        if (dx >= 0) {
            for (int t = 1; static_cast<float>(t) < dx; ++t)
                plot(int(x0 + float(t)), int(y0 + float(t) * m));
        } else {
            for (int t = int(dx); t <= -1; ++t) plot(int(x0 + float(t)), int(y0 + float(t) * m));
        }
        if (dy >= 0) {
            for (int t = 1; static_cast<float>(t) < dy; ++t)
                plot(int(x0 + float(t) * mi), int(y0 + float(t)));
        } else {
            for (int t = int(dy); t <= -1; ++t) plot(int(x0 + float(t) * mi), int(y0 + float(t)));
        }
        if (x0 >= 0 && x0 < W && y0 >= 0 && y0 < H) {
            const int cx = int(B * p[i].x);
            const int cy = int(B * p[i].y);
            if (cx >= 0 && cx < W && cy >= 0 && cy < H) mask[cy * W + cx] = 1;
        }
    }
}

}  // namespace

TEST(AreaRasterizer, FewerThanTwoVerticesMarkNothing) {
    for (const PointList& area : {outline({}), outline({{4.0f, 4.0f}})}) {
        const GuardedMask mask = rasterize(area, 1.0f, 8, 8);
        EXPECT_EQ(mask.marked(), 0);
        EXPECT_TRUE(mask.guardsIntact());
    }
}

TEST(AreaRasterizer, HorizontalEdgeMarksTheSameCellsInEitherDirection) {
    for (const PointList& area :
         {outline({{0.0f, 10.0f}, {5.0f, 10.0f}}), outline({{5.0f, 10.0f}, {0.0f, 10.0f}})}) {
        const GuardedMask mask = rasterize(area, 1.0f, 16, 16);
        for (int x = 0; x <= 5; ++x) {
            EXPECT_EQ(mask.at(x, 10), 1) << "x = " << x;
        }
        EXPECT_EQ(mask.marked(), 6);
    }
}

TEST(AreaRasterizer, VerticalEdgeMarksItsStartAndWidenedInnerRows) {
    const GuardedMask mask = rasterize(outline({{3.0f, 0.0f}, {3.0f, 4.0f}}), 1.0f, 8, 8);
    EXPECT_EQ(mask.at(3, 0), 1);
    for (int y = 1; y <= 3; ++y) {
        for (int x = 2; x <= 4; ++x) {
            EXPECT_EQ(mask.at(x, y), 1) << x << ", " << y;
        }
    }
    // The last vertex is no edge's start and no plot reaches it.
    EXPECT_EQ(mask.at(3, 4), 0);
    EXPECT_EQ(mask.marked(), 10);
}

TEST(AreaRasterizer, RepeatedVertexMarksOnlyItsOwnCell) {
    const GuardedMask mask = rasterize(outline({{4.0f, 5.0f}, {4.0f, 5.0f}}), 1.0f, 8, 8);
    EXPECT_EQ(mask.at(4, 5), 1);
    EXPECT_EQ(mask.marked(), 1);
}

TEST(AreaRasterizer, OutlinesOutsideTheCanvasAreClippedCellByCell) {
    // Entirely outside: left, below, right and above.
    const PointList outside =
        outline({{-40.0f, 3.0f}, {-5.0f, -20.0f}, {30.0f, -2.0f}, {45.0f, 12.0f}, {3.0f, 50.0f}});
    const GuardedMask none = rasterize(outside, 1.0f, 16, 16);
    EXPECT_EQ(none.marked(), 0);
    EXPECT_TRUE(none.guardsIntact());

    // A line far longer than the canvas keeps just the canvas's part: row 5
    // whole, nothing else.
    const GuardedMask row = rasterize(outline({{-1.0e6f, 5.0f}, {1.0e6f, 5.0f}}), 1.0f, 16, 16);
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(row.at(x, 5), 1) << "x = " << x;
    }
    EXPECT_EQ(row.marked(), 16);

    // A long diagonal marks the cells on it widened sideways: |x − y| <= 1.
    const GuardedMask diagonal =
        rasterize(outline({{-1000.0f, -1000.0f}, {1000.0f, 1000.0f}}), 1.0f, 12, 12);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            EXPECT_EQ(diagonal.at(x, y), std::abs(x - y) <= 1 ? 1 : 0) << x << ", " << y;
        }
    }
    EXPECT_TRUE(diagonal.guardsIntact());
}

TEST(AreaRasterizer, EdgeColumnsWidenOnlyInwards) {
    // Rows 1..4 of columns 0 and 7 are plotted; a run widened outwards from
    // column 0 would mark the last cell of the row below, and from column
    // 7 the first cell of the row above.
    const GuardedMask left = rasterize(outline({{0.0f, 0.0f}, {0.0f, 5.0f}}), 1.0f, 8, 8);
    const GuardedMask right = rasterize(outline({{7.0f, 0.0f}, {7.0f, 5.0f}}), 1.0f, 8, 8);
    for (int y = 1; y <= 4; ++y) {
        EXPECT_EQ(left.at(0, y), 1);
        EXPECT_EQ(left.at(1, y), 1);
        EXPECT_EQ(left.at(7, y - 1), 0);
        EXPECT_EQ(right.at(7, y), 1);
        EXPECT_EQ(right.at(6, y), 1);
        EXPECT_EQ(right.at(0, y + 1), 0);
    }
    EXPECT_EQ(left.marked(), 1 + 4 * 2);
    EXPECT_EQ(right.marked(), 1 + 4 * 2);
}

TEST(AreaRasterizer, ClosedOutlineLeavesItsInsideEmpty) {
    const GuardedMask mask = rasterize(
        outline({{2.0f, 2.0f}, {12.0f, 2.0f}, {12.0f, 12.0f}, {2.0f, 12.0f}, {2.0f, 2.0f}}), 1.0f,
        16, 16);
    EXPECT_EQ(mask.at(7, 2), 1);
    EXPECT_EQ(mask.at(12, 7), 1);
    EXPECT_EQ(mask.at(7, 12), 1);
    EXPECT_EQ(mask.at(2, 7), 1);
    for (int y = 4; y <= 10; ++y) {
        for (int x = 4; x <= 10; ++x) {
            EXPECT_EQ(mask.at(x, y), 0) << x << ", " << y;
        }
    }
    EXPECT_EQ(mask.at(0, 0), 0);
    EXPECT_EQ(mask.at(15, 15), 0);
}

TEST(AreaRasterizer, StartVertexOnTheFarEdgeAtLargeScaleStaysInsideTheGrid) {
    // At scale 1.5 the vertex 6.9 tests as cell 1.5·6 = 9 but lies in cell
    // trunc(1.5·6.9) = 10, one past a 10-cell grid: marking it would write
    // cells 100 and 110, just after the mask.
    const GuardedMask mask =
        rasterize(outline({{0.5f, 6.9f}, {6.9f, 6.9f}, {6.9f, 0.5f}}), 1.5f, 10, 10);
    EXPECT_TRUE(mask.guardsIntact());
    // Top edge: steps 1..8 of row 9 widened to the whole row. Right edge:
    // rows 0..8 of column 9 widened inwards to column 8.
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const int expected = (y == 9 || x >= 8) ? 1 : 0;
            EXPECT_EQ(mask.at(x, y), expected) << x << ", " << y;
        }
    }
}

TEST(AreaRasterizer, HugeOverflowingOrManyVerticesNeverWriteOutsideTheMask) {
    const float big = FLT_MAX;
    std::vector<PointList> outlines = {
        outline({{-big, -big}, {big, big}, {-big, big}, {big, -big}}),
        outline({{-1.0e30f, 3.0f}, {1.0e30f, 4.0f}, {3.0f, 1.0e30f}, {4.0f, -1.0e30f}}),
        outline({{-3.0e9f, -2.0e9f}, {2.5e9f, 3.1e9f}, {7.0f, 7.0f}, {1.0e8f, -1.0e8f}}),
        outline({{2.0e7f, 5.0f}, {-2.0e7f, 6.0f}, {5.0f, 2.0e7f}, {6.0f, -2.0e7f}}),
    };
    // Thousands of vertices around the canvas with a far one now and then.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> near(-50.0f, 90.0f);
    std::uniform_real_distribution<float> far(-1.0e12f, 1.0e12f);
    PointList scribble;
    for (int i = 0; i < 5000; ++i) {
        const bool wild = i % 97 == 0;
        appendPoint(scribble, wild ? vec2{far(random), far(random)} : vec2{near(random), near(random)});
    }
    outlines.push_back(scribble);

    for (const float scale : {0.37f, 1.0f, 3.7f, 1.0e20f}) {
        for (const PointList& area : outlines) {
            const GuardedMask mask = rasterize(area, scale, 13, 9);
            EXPECT_TRUE(mask.guardsIntact()) << "scale " << scale;
            EXPECT_TRUE(mask.onlyZeroOrOne()) << "scale " << scale;
        }
    }
}

TEST(AreaRasterizer, AgreesCellForCellWithThePlainRule) {
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> coordinate(-25.0f, 70.0f);
    std::uniform_int_distribution<int> vertices(2, 12);
    const float scales[] = {0.37f, 0.5f, 1.0f, 1.5f, 2.25f, 3.0f};
    const int W = 37;
    const int H = 23;
    for (int round = 0; round < 600; ++round) {
        PointList area;
        const int n = vertices(random);
        for (int i = 0; i < n; ++i) {
            appendPoint(area, vec2{coordinate(random), coordinate(random)});
        }
        const float scale = scales[round % 6];
        const GuardedMask mask = rasterize(area, scale, W, H);
        std::vector<std::int32_t> expected(W * H, 0);
        plainRasterize(area, scale, expected.data(), W, H);
        ASSERT_TRUE(mask.guardsIntact());
        for (int i = 0; i < W * H; ++i) {
            ASSERT_EQ(mask.at(i % W, i / W), expected[i])
                << "round " << round << ", cell " << i % W << ", " << i / W;
        }
    }
}
