#pragma once

#include <algorithm>

// A rectangle of canvas cells, x0..x1 − 1 by y0..y1 − 1; empty when either
// extent is not positive. Used to say which part of a grid has changed.
struct CellRect {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;

    bool empty() const { return x1 <= x0 || y1 <= y0; }
    int width() const { return empty() ? 0 : x1 - x0; }
    int height() const { return empty() ? 0 : y1 - y0; }

    // Grows to cover other as well.
    void include(const CellRect& other) {
        if (other.empty()) return;
        if (empty()) {
            *this = other;
            return;
        }
        x0 = std::min(x0, other.x0);
        y0 = std::min(y0, other.y0);
        x1 = std::max(x1, other.x1);
        y1 = std::max(y1, other.y1);
    }

    static CellRect whole(int width, int height) { return CellRect{0, 0, width, height}; }
};
