#pragma once

#include <cstdint>

#include "image/ImageRect.h"
#include "sim/CellRect.h"

// A channel as the picture writer stores it: clamped to 0 .. 1, times 255,
// the fraction dropped; NaN gives 0.
std::uint8_t pictureByte(float value);

// The three planes of a 4:2:0 picture, top row first: luma at full size,
// the two chroma planes at half the width and half the height.
struct YuvPlanes {
    std::uint8_t* y = nullptr;
    std::uint8_t* u = nullptr;
    std::uint8_t* v = nullptr;
    int yStride = 0;
    int uStride = 0;
    int vStride = 0;
};

// Converts the pixels of region (widened to whole 2 × 2 blocks) of picture,
// whose sides are even and whose row 0 is the bottom one, into planes as
// limited-range BT.601 (the matrix a video player assumes for untagged
// video too); each chroma sample is the mean of its block's four pixels.
void convertToYuv420(const ImageRect<vec4>& picture, const CellRect& region, const YuvPlanes& planes);
