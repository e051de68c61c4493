#pragma once

#include <string>
#include <vector>

#include "util/Vectors.h"

// The pictures of a painting file that other programs show: PNG files made
// in memory. Pixels are given in grid order (row 0 at the bottom) and
// written top row first, as PNG keeps them. Components are clamped to 0..1
// (NaN as 0).

// 16 bits per channel, straight (not premultiplied) RGBA.
std::string encodePng16(const vec4* pixels, int width, int height);

// How a component becomes a byte: rounded to the nearest, or exactly as
// Image Save converts it, so that the flattened picture is the one it writes.
enum class PngBytes { Rounded, AsImageSave };

// 8 bits per channel RGBA.
std::string encodePng8(const vec4* pixels, int width, int height, PngBytes conversion);

// The picture scaled down, each pixel the mean of the pixels it covers, to
// fit in side × side; a smaller picture is kept as it is.
std::vector<vec4> thumbnailOf(const vec4* pixels, int width, int height, int side, int& thumbWidth,
                              int& thumbHeight);

// The byte Image Save writes for a component.
unsigned char imageSaveByte(float component);
