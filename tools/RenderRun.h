#pragma once

#include "tools/RenderArgs.h"

// Exit statuses of seep-render.
constexpr int renderSucceeded = 0;
// A result could not be written.
constexpr int renderWriteFailed = 1;
// Wrong arguments, or a session that cannot be read or holds a wrong value:
// nothing was simulated and nothing written.
constexpr int renderRefused = 2;

// Does what the arguments ask (other than --help): reads the session, plays
// it, writes the outputs and the statistics. Returns the exit status.
int runRender(const RenderArgs& args);
