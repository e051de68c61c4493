// Writes arbitrary bytes to a file and loads it as a grey, a colour and a
// colour-with-alpha picture. The first byte picks the file's extension, which
// is what the image library goes by first. A load either succeeds with a
// picture within the size limit and finite pixels, or fails and leaves the
// target exactly as it was; it never crashes or hangs.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "image/ImageIO.h"

namespace {

const char* const extensions[] = {".png", ".bmp", ".jpg", ".gif", ".tga", ".ppm", ".pcx", ".tif",
                                  ".psd", ".ico", ".dds", ".jpeg", ".pgm", ".sgi", ".hdr", ""};

template <typename T>
void loadAndCheck(const std::string& path) {
    // A marker picture: a failed load must leave it untouched.
    ImageRect<T> image;
    const T marker[2] = {};
    image.setPixels(2, 1, marker);
    const T* before = image.pixels;
    if (!ImageIO::load(path, image)) {
        if (image.width != 2 || image.height != 1 || image.pixels != before) {
            std::abort();
        }
        return;
    }
    if (image.width < 1 || image.height < 1 || image.width > ImageIO::maxPictureSide ||
        image.height > ImageIO::maxPictureSide) {
        std::abort();
    }
    const auto* values = reinterpret_cast<const float*>(image.pixels);
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height * (sizeof(T) / sizeof(float));
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ImageIO::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::size_t choice = input.byte() % (sizeof extensions / sizeof extensions[0]);
    const std::string path = fuzzScratchFolder() + "/picture" + extensions[choice];
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::abort();
    }
    std::fwrite(input.rest(), 1, input.remaining(), file);
    std::fclose(file);
    loadAndCheck<float>(path);
    loadAndCheck<vec3>(path);
    loadAndCheck<vec4>(path);
    std::remove(path.c_str());
    return 0;
}
