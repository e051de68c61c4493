#include "sim/FluidSimCppPort.h"

// Construction only records where the shell's values live: no array is
// allocated and no random number drawn until init.
FluidSimCppPort::FluidSimCppPort(ShellState& shellState) : shell(shellState) {}

// The desktop draws the kind's settings window while this flag is set.
void FluidSimCppPort::showSettings() { settingsVisible = true; }

void FluidSimCppPort::hideSettings() { settingsVisible = false; }
