// Seep's own readers of picture bytes: the BMP reader for version-4 and
// version-5 headers, and the EXIF orientation. Arbitrary bytes are read as a
// whole BMP file and as an EXIF block; the reader either refuses the file or
// gives a picture within the limits, decoded without reading or writing out
// of bounds (AddressSanitizer watches), and the orientation is always 1 to 8
// with a mapping that puts every pixel inside the upright picture.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image/ExifOrientation.h"
#include "image/ModernBmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader asks for a header of its kind; give every input one half
    // of the time, so the fuzzer need not find the two magic bytes first.
    std::vector<unsigned char> file(data, data + size);
    if (size > 18 && (data[0] & 1) != 0) {
        file[0] = 'B';
        file[1] = 'M';
        file[14] = data[1] % 2 == 0 ? 124 : 108;
        file[15] = file[16] = file[17] = 0;
    }
    if (const std::optional<ModernBmp> bmp = readModernBmpHeader(file.data(), file.size())) {
        if (bmp->width < 1 || bmp->height < 1 || bmp->width > (1 << 20) || bmp->height > (1 << 20)) {
            std::abort();
        }
        // Pictures beyond a few million pixels are refused for their size
        // before decoding; only the smaller ones are decoded here.
        if (static_cast<std::uint64_t>(bmp->width) * static_cast<std::uint64_t>(bmp->height) <= (1u << 22)) {
            std::vector<unsigned char> pixels(static_cast<std::size_t>(bmp->width) * bmp->height *
                                              bytesPerPixel(bmp->layout));
            decodeModernBmp(file.data(), *bmp, pixels.data());
        }
    }

    const int tag = exifOrientation(data, size);
    if (tag < 1 || tag > 8) {
        std::abort();
    }
    const int width = size > 0 ? 1 + data[0] % 7 : 1;
    const int height = size > 1 ? 1 + data[1] % 5 : 1;
    const Orientation orientation{tag, width, height};
    const OrientationSteps steps = orientationSteps(orientation);
    std::vector<int> hits(static_cast<std::size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const long long index = steps.start + x * steps.stepX + y * steps.stepY;
            if (index < 0 || index >= static_cast<long long>(hits.size()) || hits[index]++ != 0) {
                std::abort();
            }
        }
    }
    return 0;
}
