#include "sim/DepositionPixels.h"

#include <cmath>
#include <cstddef>

std::uint8_t channelByte(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 255;
    // Single precision, as the drivers do it; lrintf rounds ties to even.
    return static_cast<std::uint8_t>(std::lrintf(value * 255.0f));
}

void depositionBytes(const MyAlgebra::vec4* deposition, int width, const CellRect& region,
                     std::vector<std::uint8_t>& out) {
    const std::size_t w = static_cast<std::size_t>(region.width());
    const std::size_t h = static_cast<std::size_t>(region.height());
    out.resize(4 * w * h);
    std::uint8_t* pixel = out.data();
    for (std::size_t row = 0; row < h; ++row) {
        const MyAlgebra::vec4* cell = deposition +
                                      (static_cast<std::size_t>(region.y0) + row) * static_cast<std::size_t>(width) +
                                      static_cast<std::size_t>(region.x0);
        for (std::size_t x = 0; x < w; ++x, ++cell, pixel += 4) {
            pixel[0] = channelByte(cell->x);
            pixel[1] = channelByte(cell->y);
            pixel[2] = channelByte(cell->z);
            pixel[3] = channelByte(cell->w);
        }
    }
}
