#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

#include "sim/ChangedTiles.h"
#include "sim/GridStorage.h"
#include "util/Vectors.h"

// One saved deposition for undo. It is cut into square tiles, and a tile
// that did not change since the snapshot it is compared with is shared with
// that snapshot rather than copied, so a history of brush strokes on a
// large picture holds little more than the strokes themselves. A tile whose
// bits are all zero (paper never painted) holds no storage at all.
class DepositionSnapshot {
public:
    // Cells along a tile's side.
    static constexpr int tileSize = 32;
    using Tile = std::vector<vec4>;

    DepositionSnapshot() = default;
    // A snapshot given as plain floats, four per cell in grid order, as the
    // history once held them. Restoring it copies the floats in that order.
    DepositionSnapshot(const std::vector<float>& floats);  // NOLINT: implicit on purpose

    // Saves cells (width × height of them, or one row of all of them when
    // the sizes disagree), sharing every tile that is bit for bit the same
    // as in reference. Given the tiles written since reference was taken,
    // only those are compared; the others are shared as they are.
    static DepositionSnapshot capture(const Grid<vec4>& cells, int width,
                                      int height, const DepositionSnapshot& reference,
                                      const ChangedTiles* changes = nullptr);

    // A snapshot of width × height cells of zero bits, as a fresh
    // deposition is; it holds no tile storage.
    static DepositionSnapshot blank(int width, int height);

    // Copies the saved floats back in grid order, at most as many as cells
    // holds. True when the snapshot covered cells exactly.
    bool restoreInto(Grid<vec4>& cells) const;

    // The number of floats saved: 4 per cell.
    std::size_t size() const { return floatCount; }
    // Replaces the snapshot by count floats of one value.
    void assign(std::size_t count, float value);

    int width() const { return columns; }
    int height() const { return rows; }

    // The tiles, row by row of tiles from the bottom; each holds the cells
    // of its place row by row, and null stands for a tile of zero bits. A
    // painting file keeps them so, and makes a snapshot of them again.
    const std::vector<std::shared_ptr<const Tile>>& tileList() const { return tiles; }
    // How many tiles a width × height snapshot has, and how many cells the
    // one at index holds (fewer along the right and top edges).
    static std::size_t tileCount(int width, int height);
    static std::size_t tileCellCount(int width, int height, std::size_t index);
    // A width × height snapshot of these tiles, which the caller has
    // checked: tileCount of them, each null or of its place's cell count.
    static DepositionSnapshot fromTiles(int width, int height, std::vector<std::shared_ptr<const Tile>> tiles);

    // Bytes of tile storage held by all the snapshots together, each shared
    // tile counted once.
    friend std::size_t tileBytes(const std::deque<DepositionSnapshot>& snapshots);

private:
    int tilesAcross() const { return (columns + tileSize - 1) / tileSize; }
    int tilesUp() const { return (rows + tileSize - 1) / tileSize; }
    // The cells of tile (tx, ty): from x0, y0, tw × th of them.
    void tileExtent(int tx, int ty, int& x0, int& y0, int& tw, int& th) const;

    int columns = 0;
    int rows = 0;
    std::size_t floatCount = 0;
    // Row by row of tiles; null stands for a tile of zero bits.
    std::vector<std::shared_ptr<const Tile>> tiles;
};

std::size_t tileBytes(const std::deque<DepositionSnapshot>& snapshots);
