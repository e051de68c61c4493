// The Instant Result run: the whole painting at once, stepping until every
// particle has soaked in or left. The headless player runs it inside the Start
// command; the desktop advances it a slice at a time from its idle routine.
// Both take the same steps in the same order and write the same lines.

#include "app/InstantRun.h"

#include <iostream>

#include "util/Stopwatch.h"

namespace {

// Share of particles no longer active, in whole percent (integer arithmetic,
// truncating, as the progress lines have always been worked out).
int percentDone(const PanelSettings& panel) {
    const int count = panel.waterAmount;
    if (count <= 0) {
        return 100;
    }
    return 100 - (panel.activeParticles * 100) / count;
}

// Closes the run: restores what it changed and writes the timing line.
void finishInstantRun(Shell& shell) {
    PanelSettings& panel = shell.state.panel;
    InstantRun& run = shell.instantRun;
    panel.activeParticles = 1;
    panel.emitting = run.savedEmitting;
    run.active = false;
    const float endTime = stopwatch().elapsed();
    const float milliseconds = (endTime - run.startTime) * 1000.0f;
    std::cout << "simlation time: " << milliseconds << " msec" << std::endl;
}

}  // namespace

void beginInstantRun(Shell& shell) {
    // A run still going (the desktop's Start pressed twice) is closed first,
    // so the emitting flag it saved is not lost.
    cancelInstantRun(shell);
    PanelSettings& panel = shell.state.panel;
    InstantRun& run = shell.instantRun;
    run.startTime = stopwatch().elapsed();
    shell.state.editing.overlayVisible = 0;
    shell.simulation->pushHistory();
    run.savedEmitting = panel.emitting;
    panel.emitting = 1;
    stepOnce(shell);
    panel.emitting = 0;
    run.active = true;
    run.lastPercent = -1;
    run.repetitions = 0;
    run.percent = 0;
}

bool advanceInstantRun(Shell& shell, long maxSteps) {
    InstantRun& run = shell.instantRun;
    PanelSettings& panel = shell.state.panel;
    for (long i = 0; i < maxSteps && run.active; ++i) {
        panel.activeParticles = 0;
        stepOnce(shell);
        ++run.repetitions;
        const int percent = percentDone(panel);
        if (percent % 10 == 0 && percent != run.lastPercent) {
            std::cout << percent << "%" << std::endl;
        }
        run.lastPercent = percent;
        run.percent = percent;
        if (panel.activeParticles == 0) {
            finishInstantRun(shell);
        } else if (run.repetitions >= run.repetitionLimit) {
            // A particle held by the surface would otherwise keep the run
            // going for ever.
            std::cout << "instant result stopped after " << run.repetitions << " steps, "
                      << panel.activeParticles << " particles still active" << std::endl;
            finishInstantRun(shell);
        }
    }
    return !run.active;
}

void cancelInstantRun(Shell& shell) {
    if (shell.instantRun.active) {
        finishInstantRun(shell);
    }
}
