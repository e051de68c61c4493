#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "image/LibraryPixels.h"
#include "util/Vectors.h"

// The canvas picture, row 0 at the bottom. A photograph holds 8 bits a
// sample, and so does this picture then: a quarter of the memory of float
// colours, which a 16-megapixel canvas feels. A picture with deeper samples
// keeps the library's float colours. Either way pixel(k) gives the colour as
// the image library would convert it to floats. Copies are deep.
class CanvasPicture {
public:
    CanvasPicture() = default;
    CanvasPicture(const CanvasPicture& other) { *this = other; }
    CanvasPicture(CanvasPicture&&) noexcept = default;
    CanvasPicture& operator=(const CanvasPicture& other);
    CanvasPicture& operator=(CanvasPicture&&) noexcept = default;
    virtual ~CanvasPicture() = default;

    // Storage for width × height pixels of 8 bits a sample, uninitialised,
    // replacing what the picture held.
    rgba8* makeNarrow(int width, int height);
    // The same for float colours.
    vec4* makeDeep(int width, int height);

    // Copies of width × height pixels.
    void setPixels(int width, int height, const vec4* source);
    void fill(int width, int height, rgba8 colour);

    bool deep() const { return deepPixels != nullptr; }
    const rgba8* narrowPixels() const { return narrow.get(); }
    const vec4* deepPixelsData() const { return deepPixels.get(); }

    vec4 pixel(std::size_t k) const {
        if (deepPixels) {
            return deepPixels[k];
        }
        const rgba8 p = narrow[k];
        return vec4{library_pixels::sample(p.r), library_pixels::sample(p.g), library_pixels::sample(p.b),
                    library_pixels::sample(p.a)};
    }

    std::size_t pixelCount() const {
        return static_cast<std::size_t>(width < 0 ? 0 : width) * static_cast<std::size_t>(height < 0 ? 0 : height);
    }

    std::int32_t width = 0;
    std::int32_t height = 0;

private:
    template <typename T>
    T* replaceStorage(std::unique_ptr<T[]>& storage, int newWidth, int newHeight);

    std::unique_ptr<rgba8[]> narrow;
    std::unique_ptr<vec4[]> deepPixels;
};
