#include "image/ModernBmp.h"

namespace {

std::uint32_t le16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t le32(const unsigned char* p) {
    return le16(p) | le16(p + 2) << 16;
}

constexpr std::size_t fileHeaderSize = 14;
constexpr std::uint32_t plainRows = 0;
constexpr std::uint32_t maskedRows = 3;
constexpr std::uint32_t maskedRowsWithAlpha = 6;

// A sample picked out by a mask, scaled to 8 bits; a missing mask gives
// `missing`.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t largest = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (mask == 0) {
            return;
        }
        while (((mask >> shift) & 1u) == 0) {
            ++shift;
        }
        largest = mask >> shift;
    }
    std::uint8_t of(std::uint32_t pixel, std::uint8_t missing) const {
        if (mask == 0) {
            return missing;
        }
        const std::uint64_t value = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>((value * 255 + largest / 2) / largest);
    }
};

std::size_t rowBytes(std::int64_t width, int bits) {
    return static_cast<std::size_t>((width * bits + 31) / 32 * 4);
}

}  // namespace

bool hasModernBmpHeader(const unsigned char* file, std::size_t size) {
    if (size < fileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') {
        return false;
    }
    const std::uint32_t infoSize = le32(file + fileHeaderSize);
    return infoSize == 108 || infoSize == 124;
}

std::optional<ModernBmp> readModernBmpHeader(const unsigned char* file, std::size_t size) {
    if (!hasModernBmpHeader(file, size) || size < fileHeaderSize + 108) {
        return std::nullopt;
    }
    const unsigned char* info = file + fileHeaderSize;
    const std::uint32_t infoSize = le32(info);
    ModernBmp bmp;
    const auto width = static_cast<std::int32_t>(le32(info + 4));
    const auto height = static_cast<std::int32_t>(le32(info + 8));
    bmp.bits = static_cast<int>(le16(info + 14));
    const std::uint32_t compression = le32(info + 16);
    // Sizes beyond any picture the painter takes are refused here already,
    // so nothing below can overflow.
    if (le16(info + 12) != 1 || width <= 0 || height == 0 || height == INT32_MIN || width > (1 << 20) ||
        height > (1 << 20) || height < -(1 << 20)) {
        return std::nullopt;
    }
    bmp.width = width;
    bmp.topDown = height < 0;
    bmp.height = height < 0 ? -height : height;
    bmp.pixelOffset = le32(file + 10);
    const bool palette = bmp.bits == 1 || bmp.bits == 4 || bmp.bits == 8;
    if (palette && compression == plainRows) {
        const std::uint32_t used = le32(info + 32);
        const std::uint32_t largest = 1u << bmp.bits;
        bmp.paletteSize = used == 0 || used > largest ? largest : used;
        bmp.paletteOffset = static_cast<std::uint32_t>(fileHeaderSize) + infoSize;
        if (bmp.paletteOffset + 4ull * bmp.paletteSize > size) {
            return std::nullopt;
        }
        bmp.layout = PixelLayout::rgba;
    } else if (bmp.bits == 24 && compression == plainRows) {
        bmp.layout = PixelLayout::bgr;
    } else if (bmp.bits == 32 && compression == plainRows) {
        // The fourth byte of plain 32-bit rows is unused: the picture is opaque.
        bmp.layout = PixelLayout::bgra;
        bmp.useMasks = true;
        bmp.masks[0] = 0xFF0000u;
        bmp.masks[1] = 0xFF00u;
        bmp.masks[2] = 0xFFu;
    } else if (bmp.bits == 32 && (compression == maskedRows || compression == maskedRowsWithAlpha)) {
        bmp.layout = PixelLayout::bgra;
        bmp.useMasks = true;
        for (int c = 0; c < 4; ++c) {
            bmp.masks[c] = le32(info + 40 + 4 * c);
        }
        if ((bmp.masks[0] | bmp.masks[1] | bmp.masks[2]) == 0) {
            return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    const std::size_t data = rowBytes(bmp.width, bmp.bits) * static_cast<std::size_t>(bmp.height);
    if (bmp.pixelOffset < fileHeaderSize + infoSize || bmp.pixelOffset > size || data > size - bmp.pixelOffset) {
        return std::nullopt;
    }
    return bmp;
}

void decodeModernBmp(const unsigned char* file, const ModernBmp& bmp, unsigned char* into) {
    const std::size_t stride = rowBytes(bmp.width, bmp.bits);
    const std::size_t outStride = static_cast<std::size_t>(bmp.width) * bytesPerPixel(bmp.layout);
    const Channel red(bmp.masks[0]);
    const Channel green(bmp.masks[1]);
    const Channel blue(bmp.masks[2]);
    const Channel alpha(bmp.masks[3]);
    for (std::int32_t y = 0; y < bmp.height; ++y) {
        // Row 0 of the output is the bottom row of the picture.
        const std::int32_t stored = bmp.topDown ? bmp.height - 1 - y : y;
        const unsigned char* row = file + bmp.pixelOffset + stride * static_cast<std::size_t>(stored);
        unsigned char* out = into + outStride * static_cast<std::size_t>(y);
        for (std::int32_t x = 0; x < bmp.width; ++x) {
            if (bmp.layout == PixelLayout::bgr) {
                out[3 * x] = row[3 * x];
                out[3 * x + 1] = row[3 * x + 1];
                out[3 * x + 2] = row[3 * x + 2];
            } else if (bmp.useMasks) {
                const std::uint32_t pixel = le32(row + 4 * x);
                out[4 * x] = blue.of(pixel, 0);
                out[4 * x + 1] = green.of(pixel, 0);
                out[4 * x + 2] = red.of(pixel, 0);
                out[4 * x + 3] = alpha.of(pixel, 255);
            } else {
                const int perByte = 8 / bmp.bits;
                const unsigned shift = static_cast<unsigned>(8 - bmp.bits * (1 + x % perByte));
                const std::uint32_t index = (row[x / perByte] >> shift) & ((1u << bmp.bits) - 1u);
                // An index past the palette shows black.
                const unsigned char* entry = file + bmp.paletteOffset + 4 * index;
                const bool listed = index < bmp.paletteSize;
                out[4 * x] = listed ? entry[2] : 0;
                out[4 * x + 1] = listed ? entry[1] : 0;
                out[4 * x + 2] = listed ? entry[0] : 0;
                out[4 * x + 3] = 255;
            }
        }
    }
}
