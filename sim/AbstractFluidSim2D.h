#pragma once

#include <cstdint>
#include <vector>

#include "util/Vectors.h"

// What every kind of simulation offers the shell: nineteen operations, in
// this slot order, plus the particle data all kinds share. The shell sets
// particleCount and particleMass before init and calls nothing else.
class AbstractFluidSim2D {
public:
    virtual ~AbstractFluidSim2D() = default;

    virtual void setSurface(const float* heights) = 0;
    virtual void init() = 0;
    virtual void initAbsorption() = 0;
    virtual void initDeposition() = 0;
    virtual void undo() = 0;
    virtual void pushHistory() = 0;
    virtual void clearHistory() = 0;
    virtual void initParticles() = 0;
    virtual void parkParticles() = 0;
    virtual void respawn(int i) = 0;
    virtual void seedParticles() = 0;
    virtual void updateColumnScale() = 0;
    virtual void updateAreaMask() = 0;
    virtual float depositionAt(int k) = 0;
    virtual void loadDeposition(const MyAlgebra::vec4* picture) = 0;
    virtual void step(float dt) = 0;
    virtual void draw() = 0;
    virtual void showSettings() = 0;
    virtual void hideSettings() = 0;

    std::int32_t particleCount = 2000;
    std::vector<float> particleWater;
    std::vector<MyAlgebra::vec4> particlePigment;
    float particleMass = 0.0f;
    std::vector<float> sizeMassTable;
    std::int32_t sizeMassTableLength = 12;
    std::vector<vec2> particlePosition;
    std::vector<vec2> particleVelocity;
};

// The size table: sizeMassTable[d] is the largest water amount, on a grid of
// single-precision steps of 0.1, whose footprint has diameter class d.
void buildSizeMassTable(AbstractFluidSim2D& simulation);

// Sets particleMass to the table entry of the panel's particle size (0..10)
// and returns it.
float selectParticleSize(AbstractFluidSim2D& simulation, int sizeIndex);

// The first class d with w <= sizeMassTable[d]; sizeMassTableLength if none.
int sizeClassOf(const AbstractFluidSim2D& simulation, float w);
