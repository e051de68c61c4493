#pragma once

// Stamping one footprint: the walk over its cells, each a contact, and the
// prefetches that bring its cells from memory ahead of the walk.
//
// Rows dy = −r .. r, cells left to right: the order of the plain disc. The
// walk ends at the first cell where the particle runs dry: no later cell
// would take water or pigment.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "sim/Footprint.h"
#include "sim/FootprintContact.h"
#include "sim/StampPlan.h"
#include "util/Vectors.h"

// The grids and particle arrays a footprint reads and writes, and the rules
// of this step's contacts.
struct StampGrids {
    float* capacity = nullptr;
    float* rate = nullptr;
    float* held = nullptr;
    vec4* deposit = nullptr;
    float* waters = nullptr;
    vec4* pigments = nullptr;
    int width = 0;
    int height = 0;
    // Half-widths of the rows of every radius stamped; built before the
    // stamping, so walking only reads them (also from two threads).
    FootprintRows* rows = nullptr;
    footprint::ContactRules rules{};
};

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
inline void prefetchSpan(const StampGrids& g, std::size_t left, std::size_t right) {
    constexpr std::size_t floatsPerLine = 16;
    constexpr std::size_t cellsPerLine = 4;
    for (std::size_t k = left; k <= right + floatsPerLine - 1; k += floatsPerLine) {
        const std::size_t c = std::min(k, right);
        __builtin_prefetch(g.capacity + c);
        __builtin_prefetch(g.rate + c);
        __builtin_prefetch(g.held + c, 1);
    }
    for (std::size_t k = left; k <= right + cellsPerLine - 1; k += cellsPerLine) {
        __builtin_prefetch(g.deposit + std::min(k, right), 1);
    }
}

// Particles lie scattered over the canvas, so each one's cells are usually
// far from the last one's and must come from memory. Asking for the first
// rows of a footprint (where most particles run dry) a few footprints ahead
// hides that wait.
inline void prefetchFootprint(const StampGrids& g, const StampPlan& plan) {
    if (plan.r == 0) {
        // Small particles, the most common: one cell to ask for.
        const std::size_t k = static_cast<std::size_t>(plan.iy) * static_cast<std::size_t>(g.width) +
                              static_cast<std::size_t>(plan.ix);
        __builtin_prefetch(g.capacity + k);
        __builtin_prefetch(g.rate + k);
        __builtin_prefetch(g.held + k, 1);
        __builtin_prefetch(g.deposit + k, 1);
        return;
    }
    constexpr int rowsAhead = 2;
    const int r = plan.r;
    const int firstRow = std::max(-r, -plan.iy);
    const int lastRow = std::min({r, g.height - 1 - plan.iy, firstRow + rowsAhead - 1});
    const int* const half = g.rows->halfWidths(r).data() + r;
    for (int dy = firstRow; dy <= lastRow; ++dy) {
        const RowSpan span = rowSpan(plan.ix, plan.iy, dy, half[dy], g.width);
        prefetchSpan(g, span.left, span.right);
    }
}

// Stamps one footprint of a particle holding water and pigment, which it
// updates, and returns how many contacts it made. Every cell a contact
// finds dry goes to listWet(k), which lists it if it is wet now.
template <typename ListWet>
[[gnu::always_inline]] inline std::uint64_t stampFootprint(const StampGrids& g, const StampPlan& plan,
                                                           float& particleWater, float& particlePigment,
                                                           ListWet&& listWet) {
    // How many rows ahead of the one walked a large footprint's rows are
    // asked for.
    constexpr int kRowsAhead = 2;
    float* const capacity = g.capacity;
    float* const rate = g.rate;
    float* const held = g.held;
    vec4* const deposit = g.deposit;
    const footprint::ContactRules& rules = g.rules;
    const int r = plan.r;
    // Water and pigment stay in registers while the footprint is walked.
    float water = particleWater;
    float pigment = particlePigment;
    // E · S, the same float product the contact forms in every cell.
    const float supply = rules.paint.w * plan.S;
    std::uint64_t contacts = 0;

    if (r == 0) {
        // The footprint is the particle's own cell, as it is for most small
        // particles: no rows to work out.
        const std::size_t k = static_cast<std::size_t>(plan.iy) * static_cast<std::size_t>(g.width) +
                              static_cast<std::size_t>(plan.ix);
        const bool wasDry = !(held[k] > 0.0f);
        footprint::contact(water, pigment, capacity[k], rate[k], held[k], deposit[k], rules, supply);
        if (wasDry) listWet(k);
        contacts = 1;
    } else {
        // Every row of the disc holds the particle's own column, so no
        // clipped row is empty.
        const int* const half = g.rows->halfWidths(r).data() + r;
        const int firstRow = std::max(-r, -plan.iy);
        const int lastRow = std::min(r, g.height - 1 - plan.iy);
        for (int dy = firstRow; dy <= lastRow; ++dy) {
            // The rows of a large footprint are far apart in memory: the
            // one two ahead is asked for while this one is walked.
            if (dy + kRowsAhead <= lastRow) {
                const int ahead = dy + kRowsAhead;
                const RowSpan span = rowSpan(plan.ix, plan.iy, ahead, half[ahead], g.width);
                prefetchSpan(g, span.left, span.right);
            }
            const RowSpan span = rowSpan(plan.ix, plan.iy, dy, half[dy], g.width);
            for (std::size_t k = span.left; k <= span.right; ++k) {
                // A cell already wet is already listed: only a dry one can
                // join the wet cells.
                const bool wasDry = !(held[k] > 0.0f);
                const bool wet = footprint::contact(water, pigment, capacity[k], rate[k], held[k], deposit[k],
                                                    rules, supply);
                if (wasDry) listWet(k);
                ++contacts;
                if (!wet) goto dry;
            }
        }
    }
dry:
    particleWater = water;
    particlePigment = pigment;
    return contacts;
}
