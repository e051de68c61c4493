#pragma once

#include <cstddef>
#include <cstdint>

// How a decoded picture's samples lie in memory, and the image library's own
// conversions of them to the float colours and grey levels the painter uses.
//
// The painter once had the library convert every picture twice (to colours
// and to grey levels, each through floats). It now converts the 8-bit
// samples itself in one pass, with these functions, which give the library's
// results bit for bit: tests compare them with the library over every
// possible colour. The grey levels depend on how the library holds the
// samples: it sums the weighted samples of a red, green, blue picture in
// float, those of every other colour layout in double, which is why the
// same colour can get another grey level from a BMP or a PNG with alpha.

enum class PixelLayout : std::int32_t {
    grey = 1,       // one sample
    greyAlpha = 2,  // grey, alpha
    rgb = 3,        // PNG, JPEG
    rgba = 4,       // PNG with alpha, palette pictures expanded, BMP with alpha masks
    bgr = 5,        // BMP
    bgra = 6,       // BMP with an alpha byte
    // Four samples per pixel, 8 bits each, as the JPEG decoder gives a CMYK or
    // YCCK picture: inverted ink amounts (255 means no ink).
    cmyk = 7,
    // Pictures with more than 8 bits a sample: the library's float colours
    // (red, green, blue, alpha) for every pixel, then its float grey levels.
    deep = 8,
};

// Bytes of one pixel in the layout (the deep layout's float colour and grey).
constexpr std::size_t bytesPerPixel(PixelLayout layout) {
    switch (layout) {
    case PixelLayout::grey:
        return 1;
    case PixelLayout::greyAlpha:
        return 2;
    case PixelLayout::rgb:
    case PixelLayout::bgr:
        return 3;
    case PixelLayout::rgba:
    case PixelLayout::bgra:
    case PixelLayout::cmyk:
        return 4;
    case PixelLayout::deep:
        return 5 * sizeof(float);
    }
    return 0;
}

// Decoded pixels: width × height pixels in the layout, row after row with
// row 0 at the bottom, without gaps.
struct PixelsView {
    PixelLayout layout = PixelLayout::rgb;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const unsigned char* bytes = nullptr;
};

struct rgba8 {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
    std::uint8_t a;
};
static_assert(sizeof(rgba8) == 4);

namespace library_pixels {

// An 8-bit sample as a float: a float division by 255.
inline float sample(std::uint8_t value) {
    return static_cast<float>(value) / 255.0f;
}

// A float colour component as the library writes it to an 8-bit file:
// clamped to 0..1 (NaN as 0), times 255, truncated.
inline std::uint8_t toSample(float value) {
    if (!(value > 0.0f)) {
        return 0;
    }
    if (value >= 1.0f) {
        return 255;
    }
    return static_cast<std::uint8_t>(value * 255.0f);
}

// Inverted ink amounts to red, green and blue, as a simple print model: each
// colour is what its ink and the black ink leave of white, rounded.
inline std::uint8_t inkToSample(std::uint8_t colourInk, std::uint8_t blackInk) {
    return static_cast<std::uint8_t>((colourInk * blackInk + 127) / 255);
}

}  // namespace library_pixels
