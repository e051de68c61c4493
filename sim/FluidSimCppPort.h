#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "sim/AbstractFluidSim2D.h"
#include "sim/ShellState.h"

// The simulation: particles of water carrying pigment over a paper canvas.
// Its grids are flat arrays of width × height cells, cell (x, y) at index
// y · width + x, rows in the order of the canvas picture's rows.
class FluidSimCppPort : public AbstractFluidSim2D {
public:
    explicit FluidSimCppPort(ShellState& shell);
    ~FluidSimCppPort() override = default;

    FluidSimCppPort(const FluidSimCppPort&) = delete;
    FluidSimCppPort& operator=(const FluidSimCppPort&) = delete;

    void setSurface(const float* heights) override;
    void init() override;
    void initAbsorption() override;
    void initDeposition() override;
    void undo() override;
    void pushHistory() override;
    void clearHistory() override;
    void initParticles() override;
    void parkParticles() override;
    void respawn(int i) override;
    void seedParticles() override;
    void updateColumnScale() override;
    void updateAreaMask() override;
    float depositionAt(int k) override;
    void loadDeposition(const MyAlgebra::vec4* picture) override;
    void step(float dt) override;
    void draw() override;
    void showSettings() override;
    void hideSettings() override;

    std::vector<float> absorptionCapacity;
    std::vector<float> absorptionRate;
    std::vector<float> absorbedWater;
    std::vector<MyAlgebra::vec4> deposition;
    std::vector<float> columnScale;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::int32_t> areaMask;
    std::int32_t stampRadius = 0;
    std::vector<MyAlgebra::vec3> surfaceGradient;
    // Snapshots of the deposition, oldest first, each 4 · width · height floats.
    std::deque<std::vector<float>> history;
    std::int32_t historyTop = -1;

    // Whether the kind's settings window is shown; the desktop draws it.
    bool settingsVisible = false;

    // The shell-wide values this simulation reads and writes.
    ShellState& shell;
};
