#include "sim/DepositionPixels.h"

#include <cmath>
#include <cstddef>

#include <emmintrin.h>

std::uint8_t channelByte(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 255;
    // Single precision, as the drivers do it; lrintf rounds ties to even.
    return static_cast<std::uint8_t>(std::lrintf(value * 255.0f));
}

namespace {

// channelByte for the four channels of each of four cells at once: clamped
// to 0..1 (max first, which turns NaN into 0), times 255, rounded to nearest
// even by the conversion, then packed to bytes. Lane by lane these are the
// same single-precision operations as channelByte's.
inline void fourCells(const vec4* cell, std::uint8_t* out) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 scale = _mm_set1_ps(255.0f);
    __m128i n[4];
    for (int c = 0; c < 4; ++c) {
        const __m128 v = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(&cell[c].x), zero), one);
        n[c] = _mm_cvtps_epi32(_mm_mul_ps(v, scale));
    }
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(n[0], n[1]), _mm_packs_epi32(n[2], n[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
}

}  // namespace

void depositionBytes(const vec4* deposition, int width, const CellRect& region,
                     std::vector<std::uint8_t>& out) {
    const std::size_t w = static_cast<std::size_t>(region.width());
    const std::size_t h = static_cast<std::size_t>(region.height());
    out.resize(4 * w * h);
    std::uint8_t* pixel = out.data();
    for (std::size_t row = 0; row < h; ++row) {
        const vec4* cell = deposition +
                                      (static_cast<std::size_t>(region.y0) + row) * static_cast<std::size_t>(width) +
                                      static_cast<std::size_t>(region.x0);
        std::size_t x = 0;
        for (; x + 4 <= w; x += 4, cell += 4, pixel += 16) fourCells(cell, pixel);
        for (; x < w; ++x, ++cell, pixel += 4) {
            pixel[0] = channelByte(cell->x);
            pixel[1] = channelByte(cell->y);
            pixel[2] = channelByte(cell->z);
            pixel[3] = channelByte(cell->w);
        }
    }
}
