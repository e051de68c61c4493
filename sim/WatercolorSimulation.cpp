#include "sim/WatercolorSimulation.h"

#include <thread>

// Construction records where the shell's values live and starts the thread
// that stamps half of a large step's footprints: no grid is allocated and
// no random number drawn until init.
WatercolorSimulation::WatercolorSimulation(ShellState& shellState) : shell(shellState) {
    // The second lane's thread and memory are made with the simulation:
    // making them takes longer than a stroke's first step.
    stampLaneSettings.enabled = std::thread::hardware_concurrency() > 1;
    if (stampLaneSettings.enabled) prepareStampWorker();
}
