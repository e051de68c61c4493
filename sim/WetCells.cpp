#include "sim/WetCells.h"

void WetCells::attach(const std::vector<float>& held) {
    if (source == held.data() && sourceSize == held.size() && source != nullptr) return;
    source = held.data();
    sourceSize = held.size();
    cells.clear();
    listed.assign(held.size(), 0);
    for (std::size_t k = 0; k < held.size(); ++k) {
        if (held[k] > 0.0f) {
            listed[k] = 1;
            cells.push_back(static_cast<std::uint32_t>(k));
        }
    }
}

void WetCells::add(std::size_t k) {
    listed[k] = 1;
    cells.push_back(static_cast<std::uint32_t>(k));
}

void WetCells::dry(std::vector<float>& held, float amount) {
    std::size_t kept = 0;
    for (std::size_t n = 0; n < cells.size(); ++n) {
        const std::uint32_t k = cells[n];
        float& water = held[k];
        // A contact may have emptied a listed cell (odd capacities); it is
        // then not dried, exactly as a sweep would skip it.
        if (water > 0.0f) {
            water = water - amount;
            if (water < 0.0f) water = 0.0f;
        }
        if (water > 0.0f) {
            cells[kept++] = k;
        } else {
            listed[k] = 0;
        }
    }
    cells.resize(kept);
}
