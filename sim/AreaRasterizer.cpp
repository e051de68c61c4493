#include "sim/AreaRasterizer.h"

#include <cmath>
#include <cstddef>

// The outline is stepped once along x and once along y per edge, with every
// value rounded to float exactly where the painter always rounded it: the
// masks of recorded sessions must come out the same cell for cell.
//
// Outlines may hold any finite (or overflowing) coordinates, so no float is
// converted to an int before it is known to lie inside the grid, and the
// loops visit only the steps whose cells can be inside it. A step's values
// depend on the float of its integer counter alone, so the loops run over
// the distinct floats that counter takes: consecutive integers up to 2^24,
// consecutive floats beyond (every float that large is an integer).

namespace {

struct MaskGrid {
    std::int32_t* cells;
    int width;
    int height;
};

// Whether v truncates towards zero to an index 0 .. limit − 1. Values in
// (−1, 0) truncate to 0. False for NaN.
bool truncatesInside(float v, int limit) { return v > -1.0f && v < static_cast<float>(limit); }

// A plotted point is a run of up to three cells of its row.
void plot(const MaskGrid& grid, float fx, float fy) {
    if (!truncatesInside(fx, grid.width) || !truncatesInside(fy, grid.height)) {
        return;
    }
    const int x = static_cast<int>(fx);
    const int y = static_cast<int>(fy);
    std::int32_t* row = grid.cells + static_cast<std::ptrdiff_t>(y) * grid.width;
    row[x] = 1;
    if (x > 0) {
        row[x - 1] = 1;
    }
    if (x < grid.width - 1) {
        row[x + 1] = 1;
    }
}

constexpr float kExactIntegers = 16777216.0f;  // 2^24

// The next and previous integer-valued floats.
float nextCount(float t) {
    return std::fabs(t) < kExactIntegers ? t + 1.0f : std::nextafter(t, INFINITY);
}
float previousCount(float t) {
    return std::fabs(t) < kExactIntegers ? t - 1.0f : std::nextafter(t, -INFINITY);
}

// Steps an edge along one axis: at counter t the point is (origin + t,
// across + t·slope) on that axis and the other. The counter runs 1, 2, …
// while below delta when delta >= 0, and trunc(delta) … −1 otherwise.
// swap says whether the axis is y, so the point is plotted as (across, along).
void stepAlong(const MaskGrid& grid, float origin, float delta, float across, float slope,
               bool swap) {
    const int limit = swap ? grid.height : grid.width;
    float first = 0.0f;
    float last = 0.0f;
    bool lastIncluded = false;
    if (delta >= 0.0f) {
        first = 1.0f;
        last = delta;
    } else if (delta < 0.0f) {
        first = std::trunc(delta);
        last = -1.0f;
        lastIncluded = true;
    } else {
        return;  // NaN: an edge with no extent to step over.
    }

    // Counters with origin + t <= −1 (exactly, hence also after rounding)
    // land before the grid. Start just below the last of them; a couple of
    // extra counters absorb the rounding of this estimate.
    const double beforeGrid = -1.0 - static_cast<double>(origin);
    float t = std::floor(static_cast<float>(beforeGrid));
    t = previousCount(previousCount(t));
    if (!(t > first)) {
        t = first;
    }

    for (; lastIncluded ? t <= last : t < last; t = nextCount(t)) {
        const float along = origin + t;
        // origin + t never decreases as t grows: past the grid's far side
        // every later counter is too.
        if (!(along < static_cast<float>(limit))) {
            break;
        }
        const float other = across + t * slope;
        if (swap) {
            plot(grid, other, along);
        } else {
            plot(grid, along, other);
        }
    }
}

}  // namespace

void rasterizeArea(const PointList& area, float displayScale, std::int32_t* mask, int width,
                   int height) {
    if (mask == nullptr || width <= 0 || height <= 0 || area.size() < 2) {
        return;
    }
    const MaskGrid grid{mask, width, height};
    const float B = displayScale;
    const std::vector<vec2>& p = area.points;

    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        // Window pixels are truncated before scaling, so x0 is generally not
        // a whole cell. Each product, difference and quotient is a float.
        const float x0 = B * std::trunc(p[i].x);
        const float y0 = B * std::trunc(p[i].y);
        const float x1 = B * std::trunc(p[i + 1].x);
        const float y1 = B * std::trunc(p[i + 1].y);
        const float dx = x1 - x0;
        const float dy = y1 - y0;
        const float m = dy / dx;
        const float mInverse = dx / dy;

        stepAlong(grid, x0, dx, y0, m, false);
        stepAlong(grid, y0, dy, x0, mInverse, true);

        // The start vertex is a single cell, taken from the unscaled vertex.
        // Testing only x0 and y0 lets that cell fall one past the grid's
        // edge at scales above 1, so the cell itself is tested too.
        const float sx = B * p[i].x;
        const float sy = B * p[i].y;
        const bool scaledInside = x0 >= 0.0f && x0 < static_cast<float>(width) && y0 >= 0.0f &&
                                  y0 < static_cast<float>(height);
        if (scaledInside && truncatesInside(sx, width) && truncatesInside(sy, height)) {
            mask[static_cast<std::ptrdiff_t>(static_cast<int>(sy)) * width + static_cast<int>(sx)] = 1;
        }
    }
}
