#include "sim/ChangedTiles.h"

void ChangedTiles::reset(const void* cells, int width, int height) {
    source = cells;
    columns = width > 0 ? width : 0;
    rows = height > 0 ? height : 0;
    across = (columns + tile - 1) / tile;
    const int up = (rows + tile - 1) / tile;
    flags.assign(static_cast<std::size_t>(across) * static_cast<std::size_t>(up), 0);
    everything = false;
}
