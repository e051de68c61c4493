#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/AbstractFluidSim2D.h"
#include "sim/ShellState.h"

// A registered kind of simulation. The factory gets the shell's state so the
// new object can read the shell-wide values without reaching for a global.
struct SimulationKind {
    std::string name;
    std::function<std::unique_ptr<AbstractFluidSim2D>(ShellState&)> create;
    std::function<void()> openSettings;
    std::function<void()> onExit;
};

// The table of kinds; it holds the one kind "C++ Port".
const std::vector<SimulationKind>& simulationKinds();

// The index of the selected kind; always 0.
constexpr int currentKind = 0;
