#pragma once

class WatercolorSimulation;

// The size table: sizeMassTable[d] is the largest water amount, on a grid of
// single-precision steps of 0.1, whose footprint has diameter class d.
void buildSizeMassTable(WatercolorSimulation& simulation);

// Sets particleMass to the table entry of the panel's particle size (0..10)
// and returns it.
float selectParticleSize(WatercolorSimulation& simulation, int sizeIndex);

// The first class d with w <= sizeMassTable[d]; sizeMassTableLength if none.
int sizeClassOf(const WatercolorSimulation& simulation, float w);
