#pragma once

#include <cstddef>
#include <vector>

// The footprint of a particle is the disc of cells (dx, dy) around its own
// cell with dx² + dy² <= r². Row dy of it spans dx = −h .. h; these
// half-widths are worked out once per radius, so the step visits exactly the
// cells of the disc, row by row, without testing the ones outside it.
class FootprintRows {
public:
    // Half-widths of rows dy = −r .. r, in that order.
    const std::vector<int>& halfWidths(int r) {
        const auto index = static_cast<std::size_t>(r);
        if (index < byRadius.size() && !byRadius[index].empty()) return byRadius[index];
        return build(r);
    }

private:
    const std::vector<int>& build(int r);

    std::vector<std::vector<int>> byRadius;
};

// The largest h >= 0 with h² <= n, for n >= 0.
int integerSquareRoot(long long n);
