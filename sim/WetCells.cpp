#include "sim/WetCells.h"

#include <xmmintrin.h>

#include <algorithm>

#include "util/Assert.h"

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
    listed = Grid<std::uint8_t>(held.size());
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

bool WetCells::eachListedOnce() {
    // A cell seen once is marked 2 for the rest of the look, then set back.
    bool once = true;
    for (const std::uint32_t k : cells) {
        once = once && k < listed.size() && listed[k] == 1;
        if (!once) break;
        listed[k] = 2;
    }
    for (const std::uint32_t k : cells) {
        if (k < listed.size() && listed[k] == 2) listed[k] = 1;
    }
    return once;
}

void WetCells::dry(Grid<float>& held, float amount) {
    SEEP_ASSERT(eachListedOnce(), "each wet cell is listed once, or it would dry twice");
    cells.resize(dryPart(held.data(), amount, 0, cells.size()));
}

void WetCells::dry(Grid<float>& held, float amount, WorkerThread& worker) {
    SEEP_ASSERT(eachListedOnce(), "each wet cell is listed once, or both threads would dry it");
    struct Half {
        WetCells* self;
        float* held;
        float amount;
        std::size_t begin;
        std::size_t end;
        std::size_t kept;
    };
    const std::size_t size = cells.size();
    const std::size_t middle = size / 2;
    Half second{this, held.data(), amount, middle, size, 0};
    std::size_t kept = 0;
    worker.runBeside(
        [](void* context) {
            Half& half = *static_cast<Half*>(context);
            half.kept = half.self->dryPart(half.held, half.amount, half.begin, half.end);
        },
        &second, [&] { kept = dryPart(held.data(), amount, 0, middle); });
    // The second half's wet cells follow the first half's, as one pass
    // over the whole list leaves them.
    if (kept < middle) {
        std::copy_n(cells.begin() + static_cast<std::ptrdiff_t>(middle), second.kept,
                    cells.begin() + static_cast<std::ptrdiff_t>(kept));
    }
    cells.resize(kept + second.kept);
}

std::size_t WetCells::dryPart(float* held, float amount, std::size_t begin, std::size_t end) {
    // Cells listed in the order they got wet, so neighbours are near each
    // other in the list but not in memory order: ask for the water a little
    // ahead.
    constexpr std::size_t ahead = 16;
    std::size_t kept = begin;
    for (std::size_t n = begin; n < end; ++n) {
        if (n + ahead < end) __builtin_prefetch(held + cells[n + ahead], 1);
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
    return kept - begin;
}
