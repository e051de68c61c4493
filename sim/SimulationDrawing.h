#pragma once

#include <cstdint>
#include <vector>

#include "sim/WatercolorSimulation.h"

// The simulation's drawing with OpenGL: the deposition as a texture across
// the canvas area, the particles as points. It is the library seep_sim_gl,
// which only the desktop painter and the tests and benchmarks of the drawing
// link; the simulation itself draws nothing and keeps for its drawing only
// the part of the deposition changed since the texture last saw it
// (depositionChanged). Every function here needs the main window's OpenGL
// context to be current.

// The deposition's texture and what it was last given whole: the canvas size
// and the deposition storage it came from. Anything else and the next
// refresh sends the whole image again.
struct DepositionTexture {
    // OpenGL name of the texture; 0 until first created.
    unsigned texture = 0;
    int width = 0;
    int height = 0;
    const void* source = nullptr;
    // Scratch for the bytes of a refresh.
    std::vector<std::uint8_t> pixels;
};

// Brings the texture up to date: the whole image when the texture is new or
// the canvas changed, else only the part changed since the last refresh.
void refreshDepositionTexture(WatercolorSimulation& simulation, DepositionTexture& texture);

// Draws this frame's deposition (refreshing the texture when the drawing
// policy says it is due) and particles, as the panel's Display settings ask.
void drawSimulation(WatercolorSimulation& simulation, DepositionTexture& texture);
