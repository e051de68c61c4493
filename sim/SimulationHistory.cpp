#include <algorithm>

#include "sim/WatercolorSimulation.h"

namespace {

// The history keeps the newest twelve snapshots.
constexpr std::int32_t historyLimit = 12;

constexpr std::size_t floatsPerCell = 4;

}  // namespace

// A snapshot shares with the last one taken or restored every tile that has
// not changed since, so only what was painted in between is stored again.
void WatercolorSimulation::pushHistory() {
    if (historyTop > historyLimit - 2) {
        history.pop_front();
        --historyTop;
    }
    DepositionSnapshot snapshot =
        DepositionSnapshot::capture(deposition, width, height, historyReference, &historyChanges);
    ++historyTop;
    historyReference = snapshot;
    historyChanges.reset(deposition.data(), width, height);
    history.push_back(std::move(snapshot));
}

void WatercolorSimulation::undo() {
    if (!history.empty()) {
        // The shell empties the history whenever the canvas size can change,
        // so the sizes agree; a stray snapshot of another size still never
        // writes past the deposition.
        history.back().restoreInto(deposition);
        historyReference = std::move(history.back());
        history.pop_back();
        depositionChanged = CellRect::whole(width, height);
        depositionChangedForFrames = depositionChanged;
        // Bit for bit the reference again, unless the sizes disagreed.
        if (historyReference.width() == width && historyReference.height() == height) {
            historyChanges.reset(deposition.data(), width, height);
        } else {
            historyChanges.markAll();
        }
    }
    if (historyTop >= 0) {
        --historyTop;
    }
}

// The reference and its marks still describe the deposition, so they stay:
// the next snapshot compares only what changed since, as before.
void WatercolorSimulation::clearHistory() {
    history.clear();
    historyTop = -1;
}

void WatercolorSimulation::depositionEdited() {
    depositionChanged = CellRect::whole(width, height);
    depositionChangedForFrames = depositionChanged;
    historyChanges.markAll();
}

float WatercolorSimulation::depositionAt(int k) {
    // An index outside the result reads as 0 rather than past the array.
    if (k < 0 || static_cast<std::size_t>(k) >= floatsPerCell * deposition.size()) {
        return 0.0f;
    }
    const vec4& cell = deposition[static_cast<std::size_t>(k) / floatsPerCell];
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

void WatercolorSimulation::loadDeposition(const vec4* picture) {
    for (std::size_t k = 0; k < deposition.size(); ++k) {
        deposition[k] = picture[k];
        // Near-white pixels carry no deposit.
        if (picture[k].x > 0.9f && picture[k].y > 0.9f && picture[k].z > 0.9f) {
            deposition[k].w = 0.0f;
        }
    }
    depositionEdited();
}
