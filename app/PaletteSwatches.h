#pragma once

// The tool strip's colour swatches. Each is 50 × 25 window pixels with its
// lower-left corner at (layout::toolStripLeft(W) + x, y), W the main
// window's width (sim/MainWindowLayout.h); the main
// display draws them and the mouse picks from them, so both read this table.
struct PaletteSwatch {
    int x;
    int y;
    float red;
    float green;
    float blue;
};

inline constexpr int paletteSwatchWidth = 50;
inline constexpr int paletteSwatchHeight = 25;

// Colours given in bytes are divided in single precision (65 / 255.0f).
inline constexpr PaletteSwatch paletteSwatches[14] = {
    {12, 437, 1.0f, 1.0f, 1.0f},
    {80, 437, 0.0f, 0.0f, 0.0f},
    {12, 387, 0.4f, 0.4f, 0.4f},
    {80, 387, 0.552f, 0.223f, 0.152f},
    {12, 337, 0.435f, 0.176f, 0.129f},
    {80, 337, 0.4f, 65 / 255.0f, 52 / 255.0f},
    {12, 287, 184 / 255.0f, 134 / 255.0f, 11 / 255.0f},
    {80, 287, 139 / 255.0f, 69 / 255.0f, 19 / 255.0f},
    {12, 237, 0.674f, 0.768f, 0.87f},
    {80, 237, 108 / 255.0f, 141 / 255.0f, 155 / 255.0f},
    {12, 187, 128 / 255.0f, 128 / 255.0f, 0.0f},
    {80, 187, 114 / 255.0f, 112 / 255.0f, 45 / 255.0f},
    {12, 137, 95 / 255.0f, 131 / 255.0f, 109 / 255.0f},
    {80, 137, 72 / 255.0f, 61 / 255.0f, 139 / 255.0f},
};
