#pragma once

#include <cstdint>
#include <vector>

#include "sim/CellRect.h"
#include "util/Vectors.h"

// The deposition as the display shows it: 8 bits per channel, which is all
// its texture (internal format GL_RGBA) ever keeps of the floats.

// One float channel as a byte, the way OpenGL stores a float in an 8-bit
// texture: clamped to 0..1, times 255, rounded to the nearest integer (ties
// to even). NaN, which OpenGL leaves undefined, becomes 0.
std::uint8_t channelByte(float value);

// The cells of region (inside a grid width cells wide) as RGBA bytes, row
// after row, with no gaps between rows; out is resized to fit.
void depositionBytes(const vec4* deposition, int width, const CellRect& region,
                     std::vector<std::uint8_t>& out);
