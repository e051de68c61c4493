#include "image/ExifOrientation.h"

#include <cstdint>

namespace {

struct TiffReader {
    const unsigned char* data;
    std::size_t length;
    bool bigEndian;

    bool has(std::size_t offset, std::size_t count) const { return offset <= length && count <= length - offset; }
    std::uint32_t u16(std::size_t at) const {
        return bigEndian ? static_cast<std::uint32_t>(data[at]) << 8 | data[at + 1]
                         : static_cast<std::uint32_t>(data[at + 1]) << 8 | data[at];
    }
    std::uint32_t u32(std::size_t at) const {
        return bigEndian ? u16(at) << 16 | u16(at + 2) : u16(at + 2) << 16 | u16(at);
    }
};

constexpr std::uint32_t orientationTag = 0x0112;
constexpr std::uint32_t shortType = 3;

}  // namespace

int exifOrientation(const unsigned char* tiff, std::size_t length) {
    if (tiff == nullptr || length < 8) {
        return 1;
    }
    TiffReader reader{tiff, length, tiff[0] == 'M'};
    if (!((tiff[0] == 'M' && tiff[1] == 'M') || (tiff[0] == 'I' && tiff[1] == 'I')) || reader.u16(2) != 42) {
        return 1;
    }
    const std::size_t directory = reader.u32(4);
    if (!reader.has(directory, 2)) {
        return 1;
    }
    const std::size_t entries = reader.u16(directory);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + 12 * i;
        if (!reader.has(entry, 12)) {
            return 1;
        }
        if (reader.u16(entry) == orientationTag) {
            const std::uint32_t value = reader.u16(entry + 8);
            const bool valid = reader.u16(entry + 2) == shortType && reader.u32(entry + 4) >= 1 && value >= 1 &&
                               value <= 8;
            return valid ? static_cast<int>(value) : 1;
        }
    }
    return 1;
}

OrientationSteps orientationSteps(const Orientation& orientation) {
    const long long w = orientation.storedWidth;
    const long long h = orientation.storedHeight;
    // Where stored pixel (x, t) goes, t counted from the top, as (X, T) of
    // the upright picture, also counted from the top.
    const auto upright = [&](long long x, long long t, long long& X, long long& T) {
        switch (orientation.tag) {
        case 2: X = w - 1 - x; T = t; break;                // mirrored left to right
        case 3: X = w - 1 - x; T = h - 1 - t; break;        // half a turn
        case 4: X = x; T = h - 1 - t; break;                // mirrored top to bottom
        case 5: X = t; T = x; break;                        // mirrored along the diagonal
        case 6: X = h - 1 - t; T = x; break;                // a quarter turn clockwise
        case 7: X = h - 1 - t; T = w - 1 - x; break;        // mirrored along the other diagonal
        case 8: X = t; T = w - 1 - x; break;                // a quarter turn anticlockwise
        default: X = x; T = t; break;
        }
    };
    const long long W = orientation.uprightWidth();
    const long long H = orientation.uprightHeight();
    // Both pictures are held bottom row first: y = h − 1 − t, Y = H − 1 − T.
    const auto index = [&](long long x, long long y) {
        long long X = 0;
        long long T = 0;
        upright(x, h - 1 - y, X, T);
        return (H - 1 - T) * W + X;
    };
    const long long start = index(0, 0);
    return OrientationSteps{start, index(1, 0) - start, index(0, 1) - start};
}
