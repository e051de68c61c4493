#include "image/CanvasPicture.h"

#include <algorithm>

CanvasPicture& CanvasPicture::operator=(const CanvasPicture& other) {
    if (this == &other) {
        return *this;
    }
    if (other.deep()) {
        setPixels(other.width, other.height, other.deepPixels.get());
    } else if (other.narrow) {
        std::copy_n(other.narrow.get(), other.pixelCount(), makeNarrow(other.width, other.height));
    } else {
        narrow.reset();
        deepPixels.reset();
        width = other.width;
        height = other.height;
    }
    return *this;
}

// The old storage goes first, so a failed allocation leaves an empty picture
// rather than two.
template <typename T>
T* CanvasPicture::replaceStorage(std::unique_ptr<T[]>& storage, int newWidth, int newHeight) {
    narrow.reset();
    deepPixels.reset();
    width = height = 0;
    const std::size_t count = static_cast<std::size_t>(std::max(newWidth, 0)) * std::max(newHeight, 0);
    storage.reset(new T[count]);
    width = newWidth;
    height = newHeight;
    return storage.get();
}

rgba8* CanvasPicture::makeNarrow(int newWidth, int newHeight) {
    return replaceStorage(narrow, newWidth, newHeight);
}

vec4* CanvasPicture::makeDeep(int newWidth, int newHeight) {
    return replaceStorage(deepPixels, newWidth, newHeight);
}

void CanvasPicture::setPixels(int newWidth, int newHeight, const vec4* source) {
    vec4* target = makeDeep(newWidth, newHeight);
    std::copy_n(source, pixelCount(), target);
}

void CanvasPicture::fill(int newWidth, int newHeight, rgba8 colour) {
    rgba8* target = makeNarrow(newWidth, newHeight);
    std::fill_n(target, pixelCount(), colour);
}
