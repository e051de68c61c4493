#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/DepositionSnapshot.h"
#include "sim/GridStorage.h"
#include "sim/ShellState.h"
#include "util/Vectors.h"

struct Shell;

// Everything a painting needs to go on exactly where it stopped, copied out
// of the painter: the canvas picture and the grey levels the paper was made
// from, the simulation's particles and grids, the undo history, the panel,
// the editing state, the window layout the step reads, the random
// generator, and the session that made the painting. Taking the copy is
// quick (undo tiles and unchanged deposition tiles are shared, not copied);
// writing it may then happen elsewhere, on another thread.
struct PaintingState {
    int width = 0;
    int height = 0;

    // The window as the mouse routines, the emission and the frame read it.
    int windowWidth = 0;
    int windowHeight = 0;
    float displayScale = 0.0f;
    PanelSettings panel;
    EditingState editing;
    std::uint32_t randomState = 0;

    // The simulation's own values.
    std::int32_t particleCount = 0;
    float particleMass = 0.0f;
    std::int32_t stampRadius = 0;
    std::vector<float> particleWater;
    std::vector<vec4> particlePigment;
    std::vector<vec2> particlePosition;
    std::vector<vec2> particleVelocity;
    Grid<float> absorptionCapacity;
    Grid<float> absorptionRate;
    Grid<float> absorbedWater;
    // Kept as they are, not worked out again: both were derived from the
    // outline and the perspective lines at the display scale of the moment
    // they were last updated, which need not be today's.
    std::vector<float> columnScale;
    Grid<std::int32_t> areaMask;
    DepositionSnapshot deposition;
    // Oldest first; historyTop is its size minus one.
    std::deque<DepositionSnapshot> history;

    // The canvas picture as loaded (exact floats) and the grey levels the
    // paper's slope was computed from: the image library's grey levels of
    // the original file, which a re-encoded picture would not reproduce.
    std::vector<vec4> canvas;
    std::vector<float> surface;

    // The session that made this painting from its start, as session-file
    // text, so it can be played back.
    std::string session;
};

// The fields of the panel and the editing state, in file order. One list
// serves writing (a const state) and reading (a mutable one).
template <typename Panel, typename Visit>
void visitPanelFields(Panel& p, Visit&& v) {
    v(p.mouseOperation);
    v(p.showParticles);
    v(p.showDeposition);
    v(p.instantResult);
    v(p.gravityEnabled);
    v(p.waterAmount);
    v(p.particleSizeIndex);
    v(p.absorptivity);
    v(p.surfaceRoughness);
    v(p.depositionAmount);
    v(p.depositionResolvability);
    v(p.continuousRun);
    v(p.paintColor);
    v(p.pathLength);
    v(p.footprintCount);
    v(p.capacityFill);
    v(p.rateFill);
    v(p.dryingAmount);
    v(p.capacityCoefficient);
    v(p.rateCoefficient);
    v(p.dryingCoefficient);
    v(p.resolvability);
    v(p.resolvabilityComplement);
    v(p.sizeCacheIndex);
    v(p.sizeCacheMass);
    v(p.firstInit);
    v(p.activeParticles);
    v(p.emitting);
}

template <typename Editing, typename Visit>
void visitEditingFields(Editing& e, Visit&& v) {
    v(e.spawnMode);
    v(e.pathMode);
    v(e.areaMode);
    v(e.perspectiveMode);
    v(e.eyedropperActive);
    v(e.buttonDown);
    v(e.overlayVisible);
    v(e.restartPath);
    v(e.pathStarted);
    v(e.pathStartPoint);
    v(e.areaStarted);
    v(e.areaStartPoint);
    v(e.brushPoint);
    v(e.guideLine1Start);
    v(e.guideLine1End);
    v(e.guideLine2Start);
    v(e.guideLine2End);
    for (auto& vertex : e.guideLineVertices) {
        v(vertex.x);
        v(vertex.y);
    }
    v(e.guideLineGap);
    v(e.secondLinePending);
    v(e.firstLineDone);
    v(e.gravityStart);
    v(e.gravityEnd);
    v(e.brushDragged);
}

// Copies the painting out of the painter. False (with a reason) when the
// painter holds no complete painting: no canvas yet, or grids that do not
// match it.
bool capturePainting(Shell& shell, const std::string& session, PaintingState& state, std::string& error);

// Puts a painting into the painter, replacing everything it painted: the
// next step continues the painting as the one that was captured would
// have. The state is moved from. The frame drawn next leaves the frame
// state as it was read (Shell::frameStateHeld).
void restorePainting(Shell& shell, PaintingState&& state);
