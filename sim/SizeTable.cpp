#include <algorithm>
#include <cmath>

#include "sim/WatercolorSimulation.h"

void buildSizeMassTable(WatercolorSimulation& simulation) {
    const int length = std::max(simulation.sizeMassTableLength, 0);
    simulation.sizeMassTable = std::vector<float>(static_cast<std::size_t>(length), 0.0f);

    // A footprint is the disc with the radius of a sphere of volume m, with
    // 12.56 standing in for 4·pi. Every step is rounded to float and the
    // constants are single precision: the entries are sums of 0.1f steps, not
    // exact tenths, and the step's size classes depend on those exact bits.
    float m = 0.0f;
    for (;;) {
        const float t = m * 3 / 12.56f;
        const float r = std::pow(t, 0.33333334f);
        const int d = static_cast<int>(r + r);
        if (d >= length) {
            break;
        }
        simulation.sizeMassTable[static_cast<std::size_t>(d)] = m;
        m = m + 0.1f;
    }
}

float selectParticleSize(WatercolorSimulation& simulation, int sizeIndex) {
    const std::vector<float>& table = simulation.sizeMassTable;
    if (table.empty()) {
        return simulation.particleMass;
    }
    // The panel keeps the size within 0..10; the clamp only keeps a stray
    // value from reading outside the table.
    const int last = static_cast<int>(table.size()) - 1;
    simulation.particleMass = table[static_cast<std::size_t>(std::clamp(sizeIndex, 0, last))];
    return simulation.particleMass;
}

int sizeClassOf(const WatercolorSimulation& simulation, float w) {
    const std::vector<float>& table = simulation.sizeMassTable;
    const auto length = std::min<std::size_t>(
        table.size(), static_cast<std::size_t>(std::max(simulation.sizeMassTableLength, 0)));
    // The table increases strictly, so the classes that w exceeds form a
    // prefix and a binary search finds the first d with w <= table[d]. The
    // predicate is written as !(w <= x) so that a NaN, which is <= nothing,
    // falls through every class exactly as a linear scan would.
    const auto first = table.begin();
    const auto found = std::partition_point(first, first + static_cast<std::ptrdiff_t>(length),
                                            [w](float entry) { return !(w <= entry); });
    if (found == first + static_cast<std::ptrdiff_t>(length)) {
        return simulation.sizeMassTableLength;
    }
    return static_cast<int>(found - first);
}
