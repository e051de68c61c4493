#include "sim/SimulationKind.h"

#include "sim/FluidSimCppPort.h"

const std::vector<SimulationKind>& simulationKinds() {
    // The one kind. Its settings window is drawn by the desktop from the
    // simulation's settingsVisible flag, so there is nothing to build here
    // and nothing to tear down at exit.
    static const std::vector<SimulationKind> kinds{
        SimulationKind{
            "C++ Port",
            [](ShellState& shell) -> std::unique_ptr<AbstractFluidSim2D> {
                return std::make_unique<FluidSimCppPort>(shell);
            },
            [] {},
            [] {},
        },
    };
    return kinds;
}
