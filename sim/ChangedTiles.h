#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The tiles of the deposition written since the last undo snapshot was
// taken or restored, so the next snapshot compares only those with the last
// one instead of every cell of a large canvas.
//
// The step marks the square around every footprint it stamps. Anything else
// that writes the deposition in place marks what it wrote, or everything;
// a grid that is not the one the marks were started for (another size or
// new storage) counts as changed everywhere.
class ChangedTiles {
public:
    // Tiles are tileSize cells square; tileSize is a power of two, so the
    // tile of a cell is a shift away (the step marks every footprint).
    explicit ChangedTiles(int tileSize) : tile(tileSize) {
        while ((1 << shift) < tileSize) ++shift;
    }

    // Nothing changed yet in this grid of width × height cells at cells.
    void reset(const void* cells, int width, int height);
    // Cells x0..x1 − 1 by y0..y1 − 1 were written; parts off the grid are
    // ignored.
    void mark(int x0, int y0, int x1, int y1) {
        if (x0 < 0) x0 = 0;
        if (y0 < 0) y0 = 0;
        if (x1 > columns) x1 = columns;
        if (y1 > rows) y1 = rows;
        if (x1 <= x0 || y1 <= y0) return;
        const int tx0 = x0 >> shift;
        const int tx1 = (x1 - 1) >> shift;
        const int ty0 = y0 >> shift;
        const int ty1 = (y1 - 1) >> shift;
        for (int ty = ty0; ty <= ty1; ++ty) {
            std::uint8_t* const row = flags.data() + static_cast<std::size_t>(ty) * across;
            for (int tx = tx0; tx <= tx1; ++tx) row[tx] = 1;
        }
    }
    // Cell (x, y), x and y >= 0, was written. A cell off the grid (or any
    // cell before reset) is ignored, as mark ignores it.
    void markCell(int x, int y) {
        if (x >= columns || y >= rows) return;
        flags[static_cast<std::size_t>(y >> shift) * across + static_cast<std::size_t>(x >> shift)] = 1;
    }
    void markAll() { everything = true; }

    // Whether the marks speak for this grid.
    bool track(const void* cells, int width, int height) const {
        return !everything && cells == source && width == columns && height == rows;
    }
    // Whether tile (tx, ty) may have changed. Only meaningful for a grid
    // the marks track.
    bool changed(int tx, int ty) const { return flags[static_cast<std::size_t>(ty) * across + tx] != 0; }

private:
    int tile;
    int shift = 0;
    int columns = 0;
    int rows = 0;
    int across = 0;
    const void* source = nullptr;
    bool everything = true;
    std::vector<std::uint8_t> flags;
};
