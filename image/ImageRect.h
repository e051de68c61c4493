#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "util/Vectors.h"

// A picture in main memory: width × height pixels of T, row after row with
// row 0 at the bottom, in one array the image owns alone. Copies are deep.
template <typename T>
class ImageRect {
public:
    ImageRect() = default;

    ImageRect(const ImageRect& other) : width(other.width), height(other.height) {
        pixels = new T[pixelCount(width, height)];
        if (other.pixels != nullptr) {
            std::copy(other.pixels, other.pixels + pixelCount(width, height), pixels);
        }
    }

    ImageRect(ImageRect&& other) noexcept
        : width(std::exchange(other.width, 0)),
          height(std::exchange(other.height, 0)),
          pixels(std::exchange(other.pixels, nullptr)) {}

    ImageRect& operator=(const ImageRect& other) {
        if (this != &other) {
            if (other.pixels == nullptr) {
                delete[] std::exchange(pixels, nullptr);
                width = other.width;
                height = other.height;
            } else {
                setPixels(other.width, other.height, other.pixels);
            }
        }
        return *this;
    }

    ImageRect& operator=(ImageRect&& other) noexcept {
        if (this != &other) {
            delete[] pixels;
            width = std::exchange(other.width, 0);
            height = std::exchange(other.height, 0);
            pixels = std::exchange(other.pixels, nullptr);
        }
        return *this;
    }

    ~ImageRect() { delete[] pixels; }

    // Replaces the content by a copy of width × height pixels from source.
    // The old array is released first and pixels is cleared, so a failed
    // allocation never leaves a dangling array behind.
    void setPixels(int newWidth, int newHeight, const T* source) {
        delete[] std::exchange(pixels, nullptr);
        width = 0;
        height = 0;
        const std::size_t count = pixelCount(newWidth, newHeight);
        pixels = new T[count];
        if (count > 0) {
            std::copy(source, source + count, pixels);
        }
        width = newWidth;
        height = newHeight;
    }

    // Replaces the content by width × height pixels for the caller to fill
    // (left uninitialised where T allows it) and returns them.
    T* allocate(int newWidth, int newHeight) {
        delete[] std::exchange(pixels, nullptr);
        width = 0;
        height = 0;
        pixels = new T[pixelCount(newWidth, newHeight)];
        width = newWidth;
        height = newHeight;
        return pixels;
    }

    std::int32_t width = 0;
    std::int32_t height = 0;
    T* pixels = nullptr;

private:
    // Counted in 64 bits, so no size the image library reports can wrap.
    static std::size_t pixelCount(int w, int h) {
        return static_cast<std::size_t>(w < 0 ? 0 : w) * static_cast<std::size_t>(h < 0 ? 0 : h);
    }
};
