#pragma once

#include <cstddef>

// The orientation tag of an EXIF block (a TIFF structure, as a JPEG's APP1
// segment holds after "Exif\0\0" and a PNG's eXIf chunk holds whole): 1 to 8,
// how the stored picture must be turned to stand upright. 1 (as stored) when
// the block has no such tag or is damaged.
int exifOrientation(const unsigned char* tiff, std::size_t length);

// A picture of width × height stored pixels turned upright by orientation:
// where each stored pixel goes. Rows are counted from the bottom, as the
// painter holds pictures.
struct Orientation {
    int tag = 1;
    int storedWidth = 0;
    int storedHeight = 0;

    bool swapsSides() const { return tag >= 5 && tag <= 8; }
    int uprightWidth() const { return swapsSides() ? storedHeight : storedWidth; }
    int uprightHeight() const { return swapsSides() ? storedWidth : storedHeight; }
};

// The upright index of stored pixel (x, y) is start + x · stepX + y · stepY.
struct OrientationSteps {
    long long start = 0;
    long long stepX = 1;
    long long stepY = 0;
};
OrientationSteps orientationSteps(const Orientation& orientation);
