#include <algorithm>
#include <cstring>

#include "sim/FluidSimCppPort.h"

namespace {

// memcpy with an empty source or target is undefined even for zero bytes.
void copyFloats(void* target, const void* source, std::size_t floats) {
    if (floats > 0) {
        std::memcpy(target, source, floats * sizeof(float));
    }
}

// The history keeps the newest twelve snapshots.
constexpr std::int32_t historyLimit = 12;

constexpr std::size_t floatsPerCell = 4;

}  // namespace

void FluidSimCppPort::pushHistory() {
    if (historyTop > historyLimit - 2) {
        history.pop_front();
        --historyTop;
    }
    std::vector<float> snapshot(floatsPerCell * deposition.size());
    ++historyTop;
    copyFloats(snapshot.data(), deposition.data(), snapshot.size());
    history.push_back(std::move(snapshot));
}

void FluidSimCppPort::undo() {
    if (!history.empty()) {
        const std::vector<float>& newest = history.back();
        // The shell empties the history whenever the canvas size can change,
        // so the sizes agree; the bound only keeps a stray snapshot from
        // writing past the deposition.
        const std::size_t floats = std::min(newest.size(), floatsPerCell * deposition.size());
        copyFloats(deposition.data(), newest.data(), floats);
        history.pop_back();
    }
    if (historyTop >= 0) {
        --historyTop;
    }
}

void FluidSimCppPort::clearHistory() {
    history.clear();
    historyTop = -1;
}

float FluidSimCppPort::depositionAt(int k) {
    // An index outside the result reads as 0 rather than past the array.
    if (k < 0 || static_cast<std::size_t>(k) >= floatsPerCell * deposition.size()) {
        return 0.0f;
    }
    const MyAlgebra::vec4& cell = deposition[static_cast<std::size_t>(k) / floatsPerCell];
    switch (k % floatsPerCell) {
        case 0:
            return cell.x;
        case 1:
            return cell.y;
        case 2:
            return cell.z;
        default:
            return cell.w;
    }
}

void FluidSimCppPort::loadDeposition(const MyAlgebra::vec4* picture) {
    for (std::size_t k = 0; k < deposition.size(); ++k) {
        deposition[k] = picture[k];
        // Near-white pixels carry no deposit.
        if (picture[k].x > 0.9f && picture[k].y > 0.9f && picture[k].z > 0.9f) {
            deposition[k].w = 0.0f;
        }
    }
}
