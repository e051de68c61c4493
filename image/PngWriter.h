#pragma once

#include <functional>
#include <string>

#include "image/LibraryPixels.h"

// Writes an 8-bit RGBA PNG file row by row, the top row first, asking
// row(y, out) for the width pixels of picture row y (row 0 at the bottom)
// only when it is due: no copy of the whole picture is ever made. The
// compression is chosen for speed, not for the smallest file.
// False when the file cannot be written.
bool writePngRows(const std::string& path, int width, int height,
                  const std::function<void(int y, rgba8* out)>& row);
