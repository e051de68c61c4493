// Rasterises an outline of arbitrary points (any float: NaN, infinities,
// huge values, repeated vertices) at an arbitrary scale into a small mask.
// The rasteriser must write only inside the mask, and only ones, and must
// finish quickly whatever the coordinates.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "sim/AreaRasterizer.h"

namespace {

// Cells of guard on either side of the mask: a write there is a fault the
// address sanitizer alone would not see, the vector being one allocation.
constexpr std::size_t guard = 64;
constexpr std::int32_t guardValue = 0x5eed;

// Mostly the values a mouse gives (whole pixels, window-sized), sometimes
// any float at all.
float coordinate(FuzzInput& input) {
    const std::uint8_t kind = input.byte();
    if (kind < 160) {
        return static_cast<float>(input.raw<std::int16_t>());
    }
    return input.raw<float>();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const int width = input.byte() % 48 + 1;
    const int height = input.byte() % 48 + 1;
    const std::uint8_t scaleKind = input.byte();
    const float scale = scaleKind < 128 ? static_cast<float>(scaleKind % 16 + 1) / 4.0f : input.raw<float>();
    PointList area;
    while (input.remaining() > 0 && area.size() < 4096) {
        const float x = coordinate(input);
        appendPoint(area, vec2{x, coordinate(input)});
    }

    const std::size_t cells = static_cast<std::size_t>(width) * height;
    std::vector<std::int32_t> storage(cells + 2 * guard, guardValue);
    std::fill(storage.begin() + guard, storage.begin() + guard + cells, 0);
    rasterizeArea(area, scale, storage.data() + guard, width, height);
    for (std::size_t i = 0; i < storage.size(); ++i) {
        const bool inside = i >= guard && i < guard + cells;
        const std::int32_t value = storage[i];
        if (inside ? (value != 0 && value != 1) : value != guardValue) {
            std::abort();
        }
    }
    return 0;
}
