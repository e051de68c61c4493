#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "image/LibraryPixels.h"

// BMP files with the version-4 (108-byte) or version-5 (124-byte) header,
// which most programs write today and the image library refuses: 24 and 32
// bits a pixel (32 with or without colour masks, with or without alpha) and
// 1, 4 or 8 bits with a palette, rows stored either way up. Compressed ones,
// 16-bit ones and masks that hold no colour are refused.
//
// The pixels come out as the library holds a BMP of the older kind with the
// same pixels (blue first; palette pictures expanded to red, green, blue,
// alpha), so a picture gets the same colours and grey levels whichever
// header its writer chose.

// Whether the file has one of these headers (the reader, not the library,
// then decides whether it can be read).
bool hasModernBmpHeader(const unsigned char* file, std::size_t size);

struct ModernBmp {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool topDown = false;
    int bits = 0;
    std::uint32_t pixelOffset = 0;
    std::uint32_t masks[4] = {};  // red, green, blue, alpha
    bool useMasks = false;
    std::uint32_t paletteOffset = 0;
    std::uint32_t paletteSize = 0;
    PixelLayout layout = PixelLayout::bgr;
};

// What the header says, when the reader can read the file whole; nothing for
// a file it refuses (damaged, cut short, or of a kind it does not read).
std::optional<ModernBmp> readModernBmpHeader(const unsigned char* file, std::size_t size);

// Decodes the pixels into `into` (width × height × bytesPerPixel(layout)
// bytes, bottom row first).
void decodeModernBmp(const unsigned char* file, const ModernBmp& bmp, unsigned char* into);
