#pragma once

#include "sim/ShellState.h"
#include "util/Vectors.h"

// The decisions behind the simulation's drawing, kept apart from OpenGL so
// they can be checked without a context.

// Whether this frame refreshes the deposition texture. Updates the frame
// counters as the drawing always has: a frame before the first step, or any
// frame while not animating, refreshes and sets stepCount to 1; while
// animating a refresh waits for more than 25 ms of step time since the last
// one. Nothing is refreshed or touched while the deposition is hidden.
bool takeDepositionUpload(WindowLayout& window, const PanelSettings& panel);

// Particles with this much water or less are not drawn.
constexpr float kDrawnWaterThreshold = 0.05f;

// Whether particle i is drawn: it carries more than the threshold of water
// and is not parked at (width + 100, height + 100) beyond the canvas.
bool particleIsDrawn(float water, vec2 position, int width, int height);

// A drawn particle as an OpenGL point: its size in pixels and its position
// in window pixels, from its footprint class r and canvas position.
struct ParticlePoint {
    float size = 0.0f;
    vec2 position{};
};
ParticlePoint particlePoint(int footprintClass, vec2 position, float displayScale);
