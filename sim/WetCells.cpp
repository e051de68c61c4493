#include "sim/WetCells.h"

#include <xmmintrin.h>

#include <algorithm>

void WetCells::attach(const Grid<float>& held) {
    if (source == held.data() && sourceSize == held.size() && source != nullptr) return;
    source = held.data();
    sourceSize = held.size();
    // Room for the cells of the first strokes is taken and touched now:
    // fresh memory costs a page fault at its first use, and the list is
    // built when a canvas is made, before anything is painted.
    const std::size_t room = std::min<std::size_t>(held.size(), kRoomAhead);
    cells.assign(room, 0);
    cells.clear();
    listed.assign(held.size(), 0);
    // Sixteen cells at a time: a refilled grid is usually dry everywhere,
    // and a block without a wet cell is passed over in a few instructions.
    const float* const water = held.data();
    const std::size_t n = held.size();
    const __m128 zero = _mm_setzero_ps();
    std::size_t k = 0;
    for (; k + 16 <= n; k += 16) {
        const __m128 a = _mm_cmpgt_ps(_mm_loadu_ps(water + k), zero);
        const __m128 b = _mm_cmpgt_ps(_mm_loadu_ps(water + k + 4), zero);
        const __m128 c = _mm_cmpgt_ps(_mm_loadu_ps(water + k + 8), zero);
        const __m128 d = _mm_cmpgt_ps(_mm_loadu_ps(water + k + 12), zero);
        if (_mm_movemask_ps(_mm_or_ps(_mm_or_ps(a, b), _mm_or_ps(c, d))) == 0) continue;
        for (std::size_t j = k; j < k + 16; ++j) {
            if (water[j] > 0.0f) add(j, cells);
        }
    }
    for (; k < n; ++k) {
        if (water[k] > 0.0f) add(k, cells);
    }
}

void WetCells::dry(Grid<float>& held, float amount) {
    // Cells listed in the order they got wet, so neighbours are near each
    // other in the list but not in memory order: ask for the water a little
    // ahead.
    constexpr std::size_t ahead = 16;
    std::size_t kept = 0;
    for (std::size_t n = 0; n < cells.size(); ++n) {
        if (n + ahead < cells.size()) __builtin_prefetch(held.data() + cells[n + ahead], 1);
        const std::uint32_t k = cells[n];
        float& water = held[k];
        // A contact may have emptied a listed cell (odd capacities); it is
        // then not dried, exactly as a sweep would skip it.
        if (water > 0.0f) {
            water = water - amount;
            if (water < 0.0f) water = 0.0f;
        }
        if (water > 0.0f) {
            cells[kept++] = k;
        } else {
            listed[k] = 0;
        }
    }
    cells.resize(kept);
}
