#include "tools/VideoPixels.h"

#include <algorithm>

std::uint8_t pictureByte(float value) {
    const float clamped = std::min(value > 0.0f ? value : 0.0f, 1.0f);
    return static_cast<std::uint8_t>(static_cast<int>(clamped * 255.0f));
}

void convertToYuv420(const ImageRect<vec4>& picture, const CellRect& region, const YuvPlanes& planes) {
    const int width = picture.width;
    const int height = picture.height;
    // Whole blocks: picture rows 2k and 2k + 1 are one pair of video rows,
    // the picture's height being even.
    const int x0 = std::max(region.x0, 0) & ~1;
    const int y0 = std::max(region.y0, 0) & ~1;
    const int x1 = std::min((region.x1 + 1) & ~1, width);
    const int y1 = std::min((region.y1 + 1) & ~1, height);
    for (int y = y0; y < y1; y += 2) {
        // Picture row y is video row height − 1 − y.
        const vec4* lower = picture.pixels + static_cast<std::size_t>(y) * width;
        const vec4* upper = lower + width;
        const int top = height - 2 - y;
        std::uint8_t* lumaTop = planes.y + static_cast<std::size_t>(top) * planes.yStride;
        std::uint8_t* lumaBottom = lumaTop + planes.yStride;
        std::uint8_t* u = planes.u + static_cast<std::size_t>(top / 2) * planes.uStride;
        std::uint8_t* v = planes.v + static_cast<std::size_t>(top / 2) * planes.vStride;
        for (int x = x0; x < x1; x += 2) {
            int red = 0;
            int green = 0;
            int blue = 0;
            const auto luma = [&](const vec4& pixel) {
                const int r = pictureByte(pixel.x);
                const int g = pictureByte(pixel.y);
                const int b = pictureByte(pixel.z);
                red += r;
                green += g;
                blue += b;
                return static_cast<std::uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
            };
            lumaTop[x] = luma(upper[x]);
            lumaTop[x + 1] = luma(upper[x + 1]);
            lumaBottom[x] = luma(lower[x]);
            lumaBottom[x + 1] = luma(lower[x + 1]);
            // Sums of four: the same coefficients, four times the rounding, two more bits of shift.
            u[x / 2] = static_cast<std::uint8_t>(((-38 * red - 74 * green + 112 * blue + 512) >> 10) + 128);
            v[x / 2] = static_cast<std::uint8_t>(((112 * red - 94 * green - 18 * blue + 512) >> 10) + 128);
        }
    }
}
