#pragma once

#include "sim/WatercolorSimulation.h"
#include "sim/ShellState.h"

// The simulation parameters the panel derives from its live variables. Every
// value is worked out in single precision, left to right, exactly as written
// here: recorded sessions are replayed bit for bit, so the rounding of each
// intermediate result is part of the behaviour.

// Gives the simulation the particle mass of the panel's particle size, from
// the one-entry cache when the size has not changed since the last lookup.
void applyParticleMass(PanelSettings& panel, WatercolorSimulation& simulation);

// Before an init: the particle count is the Water Amount, and the mass rule.
void applyParticleSettings(PanelSettings& panel, WatercolorSimulation& simulation);

// The pigment supplied per contact (paintColor.w) for a path-length factor L.
float depositionRate(const PanelSettings& panel, float pathLength);

// Sets paintColor.w from the current pathLength.
void applyDepositionRate(PanelSettings& panel);

// Sets capacityFill and rateFill with the factor k and dryingAmount with k′,
// then lets the simulation refill its absorption grids.
void applyAbsorption(PanelSettings& panel, WatercolorSimulation& simulation, float k,
                     float kPrime);

// The footprint cell count F of a particle size index m: 2 · (2m)² plus the
// cells (i, j), −m ≤ i, j < m, with i² + j² ≤ m². m = 0 gives 0.
float footprintCountOf(int sizeIndex);
