#include "sim/DepositionSnapshot.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <unordered_set>

namespace {

constexpr std::size_t floatsPerCell = 4;

// Whether every byte is zero: the cells OR-ed together, a vector at a time.
bool allZeroBits(const vec4* cells, std::size_t count) {
    __m128i any = _mm_setzero_si128();
    std::size_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const auto* p = reinterpret_cast<const __m128i*>(cells + k);
        any = _mm_or_si128(any, _mm_or_si128(_mm_or_si128(_mm_loadu_si128(p), _mm_loadu_si128(p + 1)),
                                             _mm_or_si128(_mm_loadu_si128(p + 2), _mm_loadu_si128(p + 3))));
    }
    for (; k < count; ++k) {
        any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells + k)));
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xffff;
}

}  // namespace

void DepositionSnapshot::tileExtent(int tx, int ty, int& x0, int& y0, int& tw, int& th) const {
    x0 = tx * tileSize;
    y0 = ty * tileSize;
    tw = std::min(tileSize, columns - x0);
    th = std::min(tileSize, rows - y0);
}

DepositionSnapshot::DepositionSnapshot(const std::vector<float>& floats) {
    // One row of cells; a last cell given only in part is padded with zeros
    // that a restore never copies.
    Grid<vec4> cells((floats.size() + floatsPerCell - 1) / floatsPerCell);
    if (!floats.empty()) {
        std::memcpy(static_cast<void*>(cells.data()), floats.data(), floats.size() * sizeof(float));
    }
    *this = capture(cells, static_cast<int>(cells.size()), 1, DepositionSnapshot());
    floatCount = floats.size();
}

void DepositionSnapshot::assign(std::size_t count, float value) {
    *this = DepositionSnapshot(std::vector<float>(count, value));
}

DepositionSnapshot DepositionSnapshot::capture(const Grid<vec4>& cells, int width,
                                               int height, const DepositionSnapshot& reference,
                                               const ChangedTiles* changes) {
    DepositionSnapshot snapshot;
    const bool grid = width > 0 && height > 0 &&
                      static_cast<std::size_t>(width) * static_cast<std::size_t>(height) == cells.size();
    snapshot.columns = grid ? width : static_cast<int>(cells.size());
    snapshot.rows = grid ? height : (cells.empty() ? 0 : 1);
    snapshot.floatCount = floatsPerCell * cells.size();
    if (cells.empty()) return snapshot;

    const bool comparable = reference.columns == snapshot.columns && reference.rows == snapshot.rows;
    const bool tracked = comparable && grid && changes != nullptr &&
                         changes->track(cells.data(), width, height);
    const int across = snapshot.tilesAcross();
    const int up = snapshot.tilesUp();
    snapshot.tiles.resize(static_cast<std::size_t>(across) * static_cast<std::size_t>(up));
    for (int ty = 0; ty < up; ++ty) {
        for (int tx = 0; tx < across; ++tx) {
            int x0, y0, tw, th;
            snapshot.tileExtent(tx, ty, x0, y0, tw, th);
            const std::size_t rowBytes = static_cast<std::size_t>(tw) * sizeof(vec4);
            auto row = [&](int r) {
                return cells.data() + static_cast<std::size_t>(y0 + r) * snapshot.columns + x0;
            };
            const std::size_t index = static_cast<std::size_t>(ty) * across + tx;
            if (tracked && !changes->changed(tx, ty)) {
                snapshot.tiles[index] = reference.tiles[index];
                continue;
            }
            const Tile* old = comparable ? reference.tiles[index].get() : nullptr;
            // Compared as bytes, so -0, NaNs and subnormals count as changes
            // exactly when their bits differ. A missing tile is all zeros.
            bool same = true;
            bool zero = true;
            for (int r = 0; r < th; ++r) {
                if (old != nullptr) {
                    same = same && std::memcmp(old->data() + static_cast<std::size_t>(r) * tw, row(r),
                                               rowBytes) == 0;
                } else {
                    zero = zero && allZeroBits(row(r), static_cast<std::size_t>(tw));
                }
            }
            if (comparable && (old != nullptr ? same : zero)) {
                snapshot.tiles[index] = reference.tiles[index];
                continue;
            }
            if (old != nullptr || !comparable) {
                zero = true;
                for (int r = 0; r < th && zero; ++r) zero = allZeroBits(row(r), static_cast<std::size_t>(tw));
            }
            if (zero) continue;
            auto tile = std::make_shared<Tile>(static_cast<std::size_t>(tw) * static_cast<std::size_t>(th));
            for (int r = 0; r < th; ++r) {
                std::memcpy(static_cast<void*>(tile->data() + static_cast<std::size_t>(r) * tw), row(r),
                            rowBytes);
            }
            snapshot.tiles[index] = std::move(tile);
        }
    }
    return snapshot;
}

DepositionSnapshot DepositionSnapshot::blank(int width, int height) {
    DepositionSnapshot snapshot;
    if (width <= 0 || height <= 0) return snapshot;
    snapshot.columns = width;
    snapshot.rows = height;
    snapshot.floatCount = floatsPerCell * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    snapshot.tiles.resize(static_cast<std::size_t>(snapshot.tilesAcross()) *
                          static_cast<std::size_t>(snapshot.tilesUp()));
    return snapshot;
}

std::size_t DepositionSnapshot::tileCount(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    return static_cast<std::size_t>((width + tileSize - 1) / tileSize) *
           static_cast<std::size_t>((height + tileSize - 1) / tileSize);
}

std::size_t DepositionSnapshot::tileCellCount(int width, int height, std::size_t index) {
    if (index >= tileCount(width, height)) return 0;
    const std::size_t across = static_cast<std::size_t>((width + tileSize - 1) / tileSize);
    const int x0 = static_cast<int>(index % across) * tileSize;
    const int y0 = static_cast<int>(index / across) * tileSize;
    return static_cast<std::size_t>(std::min(tileSize, width - x0)) *
           static_cast<std::size_t>(std::min(tileSize, height - y0));
}

DepositionSnapshot DepositionSnapshot::fromTiles(int width, int height,
                                                 std::vector<std::shared_ptr<const Tile>> tiles) {
    DepositionSnapshot snapshot = blank(width, height);
    snapshot.tiles = std::move(tiles);
    return snapshot;
}

bool DepositionSnapshot::restoreInto(Grid<vec4>& cells) const {
    // Never more than either side holds: a snapshot of another size cannot
    // write past the deposition.
    const std::size_t limit = std::min(floatCount, floatsPerCell * cells.size());
    float* const target = reinterpret_cast<float*>(cells.data());
    const int across = tilesAcross();
    for (int ty = 0; ty < tilesUp(); ++ty) {
        for (int tx = 0; tx < across; ++tx) {
            int x0, y0, tw, th;
            tileExtent(tx, ty, x0, y0, tw, th);
            const std::shared_ptr<const Tile>& tile = tiles[static_cast<std::size_t>(ty) * across + tx];
            for (int row = 0; row < th; ++row) {
                const std::size_t start =
                    floatsPerCell * (static_cast<std::size_t>(y0 + row) * columns + x0);
                if (start >= limit) continue;
                const std::size_t count = std::min(floatsPerCell * tw, limit - start);
                if (tile) {
                    std::memcpy(target + start, tile->data() + static_cast<std::size_t>(row) * tw,
                                count * sizeof(float));
                } else {
                    std::memset(target + start, 0, count * sizeof(float));
                }
            }
        }
    }
    return floatCount == floatsPerCell * cells.size();
}

std::size_t tileBytes(const std::deque<DepositionSnapshot>& snapshots) {
    std::unordered_set<const DepositionSnapshot::Tile*> seen;
    std::size_t bytes = 0;
    for (const DepositionSnapshot& snapshot : snapshots) {
        for (const auto& tile : snapshot.tiles) {
            if (tile && seen.insert(tile.get()).second) {
                bytes += tile->size() * sizeof(vec4);
            }
        }
    }
    return bytes;
}
