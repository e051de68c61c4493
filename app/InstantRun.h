#pragma once

#include "app/Shell.h"

// Begins an Instant Result run: the start time, the undo snapshot and the
// first, emitting step. advanceInstantRun (Shell.h) then repeats steps until
// no particle is active or the repetition limit is reached.
void beginInstantRun(Shell& shell);
