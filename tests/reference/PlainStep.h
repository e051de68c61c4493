#pragma once

#include "sim/WatercolorSimulation.h"

// The time step done the plain way: every particle's footprint cell by cell
// and a sweep over the whole canvas to dry it. The painter's own step must
// give the same bits; the tests and benchmarks compare the two.
int plainStep(WatercolorSimulation& sim, float dt);

// A simulation whose step is the plain one, for running whole scenes the
// plain way beside the painter's own.
class PlainStepSim : public WatercolorSimulation {
public:
    using WatercolorSimulation::WatercolorSimulation;
    // It keeps no account of the cells it wrote.
    int step(float dt) override {
        const int active = plainStep(*this, dt);
        depositionEdited();
        return active;
    }
};
