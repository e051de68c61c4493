#include "sim/Footprint.h"

#include <cstddef>

int integerSquareRoot(long long n) {
    long long h = 0;
    while ((h + 1) * (h + 1) <= n) ++h;
    return static_cast<int>(h);
}

const std::vector<int>& FootprintRows::build(int r) {
    const std::size_t index = static_cast<std::size_t>(r);
    if (index >= byRadius.size()) byRadius.resize(index + 1);
    std::vector<int>& rows = byRadius[index];
    if (rows.empty()) {
        const long long rr = static_cast<long long>(r) * r;
        for (long long dy = -r; dy <= r; ++dy) {
            rows.push_back(integerSquareRoot(rr - dy * dy));
        }
    }
    return rows;
}
