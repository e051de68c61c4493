#include "image/PictureDerivation.h"

#include <cstring>

namespace {

using library_pixels::inkToSample;
using library_pixels::sample;

// The weighted samples of the grey levels, each the float product the
// library rounds, looked up instead of divided and multiplied per pixel.
struct GreyWeights {
    float red[256];
    float green[256];
    float blue[256];
    GreyWeights() {
        for (int v = 0; v < 256; ++v) {
            red[v] = sample(static_cast<std::uint8_t>(v)) * 0.212671f;
            green[v] = sample(static_cast<std::uint8_t>(v)) * 0.715160f;
            blue[v] = sample(static_cast<std::uint8_t>(v)) * 0.072169f;
        }
    }
};
const GreyWeights weights;

// The grey level of red, green and blue held as three samples in that
// order: the products summed in float from the left.
float greySummedInFloat(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return weights.red[r] + weights.green[g] + weights.blue[b];
}
// The grey level of the other layouts (with alpha, or blue first): the same
// products summed in double and rounded to float once.
float greySummedInDouble(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<float>(static_cast<double>(weights.red[r]) + static_cast<double>(weights.green[g]) +
                              static_cast<double>(weights.blue[b]));
}

// One pixel of an 8-bit layout as 8-bit red, green, blue, alpha, and as the
// library's grey level.
template <PixelLayout L>
struct Narrow;

template <>
struct Narrow<PixelLayout::grey> {
    static rgba8 colour(const unsigned char* p) { return rgba8{p[0], p[0], p[0], 255}; }
    static float grey(const unsigned char* p) { return sample(p[0]); }
};
template <>
struct Narrow<PixelLayout::greyAlpha> {
    static rgba8 colour(const unsigned char* p) { return rgba8{p[0], p[0], p[0], p[1]}; }
    static float grey(const unsigned char* p) { return sample(p[0]); }
};
template <>
struct Narrow<PixelLayout::rgb> {
    static rgba8 colour(const unsigned char* p) { return rgba8{p[0], p[1], p[2], 255}; }
    static float grey(const unsigned char* p) { return greySummedInFloat(p[0], p[1], p[2]); }
};
template <>
struct Narrow<PixelLayout::rgba> {
    static rgba8 colour(const unsigned char* p) { return rgba8{p[0], p[1], p[2], p[3]}; }
    static float grey(const unsigned char* p) { return greySummedInDouble(p[0], p[1], p[2]); }
};
template <>
struct Narrow<PixelLayout::bgr> {
    static rgba8 colour(const unsigned char* p) { return rgba8{p[2], p[1], p[0], 255}; }
    static float grey(const unsigned char* p) { return greySummedInDouble(p[2], p[1], p[0]); }
};
template <>
struct Narrow<PixelLayout::bgra> {
    static rgba8 colour(const unsigned char* p) { return rgba8{p[2], p[1], p[0], p[3]}; }
    static float grey(const unsigned char* p) { return greySummedInDouble(p[2], p[1], p[0]); }
};
// Ink amounts become the colour the library would have had from a JPEG of
// red, green and blue, and its grey level.
template <>
struct Narrow<PixelLayout::cmyk> {
    static rgba8 colour(const unsigned char* p) {
        return rgba8{inkToSample(p[0], p[3]), inkToSample(p[1], p[3]), inkToSample(p[2], p[3]), 255};
    }
    static float grey(const unsigned char* p) {
        const rgba8 c = colour(p);
        return greySummedInFloat(c.r, c.g, c.b);
    }
};

vec4 asFloats(rgba8 c) {
    return vec4{sample(c.r), sample(c.g), sample(c.b), sample(c.a)};
}

// Visits every stored pixel with its upright index: write(index, pixel).
template <typename Write>
void visitUpright(const PixelsView& pixels, int orientation, std::size_t bytesPerPixel, Write&& write) {
    const OrientationSteps steps = orientationSteps(Orientation{orientation, pixels.width, pixels.height});
    const unsigned char* p = pixels.bytes;
    for (long long y = 0; y < pixels.height; ++y) {
        long long index = steps.start + y * steps.stepY;
        for (long long x = 0; x < pixels.width; ++x, index += steps.stepX, p += bytesPerPixel) {
            write(static_cast<std::size_t>(index), p);
        }
    }
}

template <PixelLayout L, typename Write>
void visitNarrow(const PixelsView& pixels, int orientation, Write&& write) {
    visitUpright(pixels, orientation, bytesPerPixel(L),
                 [&](std::size_t index, const unsigned char* p) { write(index, Narrow<L>::colour(p), Narrow<L>::grey(p)); });
}

// Calls visitNarrow for the view's layout (not the deep one).
template <typename Write>
void visitNarrowLayout(const PixelsView& pixels, int orientation, Write&& write) {
    switch (pixels.layout) {
    case PixelLayout::grey:
        return visitNarrow<PixelLayout::grey>(pixels, orientation, write);
    case PixelLayout::greyAlpha:
        return visitNarrow<PixelLayout::greyAlpha>(pixels, orientation, write);
    case PixelLayout::rgb:
        return visitNarrow<PixelLayout::rgb>(pixels, orientation, write);
    case PixelLayout::rgba:
        return visitNarrow<PixelLayout::rgba>(pixels, orientation, write);
    case PixelLayout::bgr:
        return visitNarrow<PixelLayout::bgr>(pixels, orientation, write);
    case PixelLayout::bgra:
        return visitNarrow<PixelLayout::bgra>(pixels, orientation, write);
    case PixelLayout::cmyk:
        return visitNarrow<PixelLayout::cmyk>(pixels, orientation, write);
    case PixelLayout::deep:
        return;
    }
}

// The deep layout: the library's float colours, then its grey levels.
template <typename Write>
void visitDeep(const PixelsView& pixels, int orientation, Write&& write) {
    const std::size_t count = static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height);
    const unsigned char* colours = pixels.bytes;
    const unsigned char* greys = pixels.bytes + count * sizeof(vec4);
    visitUpright(pixels, orientation, sizeof(vec4), [&](std::size_t index, const unsigned char* p) {
        vec4 colour;
        float grey = 0.0f;
        std::memcpy(&colour, p, sizeof colour);
        std::memcpy(&grey, greys + static_cast<std::size_t>(p - colours) / sizeof(vec4) * sizeof(float), sizeof grey);
        write(index, colour, grey);
    });
}

Orientation uprightOf(const PixelsView& pixels, int orientation) {
    return Orientation{orientation, pixels.width, pixels.height};
}

// Fills a fresh picture of the upright size through set(pixel array, index,
// colour, grey), then puts it in place of out.
template <typename T, typename Set>
void deriveInto(const PixelsView& pixels, int orientation, ImageRect<T>& out, Set&& set) {
    const Orientation upright = uprightOf(pixels, orientation);
    ImageRect<T> made;
    T* target = made.allocate(upright.uprightWidth(), upright.uprightHeight());
    if (pixels.layout == PixelLayout::deep) {
        visitDeep(pixels, orientation, [&](std::size_t k, const vec4& c, float g) { set(target, k, c, g); });
    } else {
        visitNarrowLayout(pixels, orientation,
                          [&](std::size_t k, rgba8 c, float g) { set(target, k, asFloats(c), g); });
    }
    out = std::move(made);
}

}  // namespace

void deriveCanvas(const PixelsView& pixels, int orientation, CanvasPicture& colours, ImageRect<float>& grey) {
    const Orientation upright = uprightOf(pixels, orientation);
    const int width = upright.uprightWidth();
    const int height = upright.uprightHeight();
    ImageRect<float> greyMade;
    float* greys = greyMade.allocate(width, height);
    CanvasPicture made;
    if (pixels.layout == PixelLayout::deep) {
        vec4* target = made.makeDeep(width, height);
        visitDeep(pixels, orientation, [&](std::size_t k, const vec4& c, float g) {
            target[k] = c;
            greys[k] = g;
        });
    } else {
        rgba8* target = made.makeNarrow(width, height);
        visitNarrowLayout(pixels, orientation, [&](std::size_t k, rgba8 c, float g) {
            target[k] = c;
            greys[k] = g;
        });
    }
    colours = std::move(made);
    grey = std::move(greyMade);
}

void derivePicture(const PixelsView& pixels, int orientation, ImageRect<float>& grey) {
    deriveInto(pixels, orientation, grey, [](float* out, std::size_t k, const vec4&, float g) { out[k] = g; });
}

void derivePicture(const PixelsView& pixels, int orientation, ImageRect<vec3>& colours) {
    deriveInto(pixels, orientation, colours,
               [](vec3* out, std::size_t k, const vec4& c, float) { out[k] = vec3{c.x, c.y, c.z}; });
}

void derivePicture(const PixelsView& pixels, int orientation, ImageRect<vec4>& colours) {
    deriveInto(pixels, orientation, colours, [](vec4* out, std::size_t k, const vec4& c, float) { out[k] = c; });
}
