#pragma once

struct Desktop;

// Draws one whole frame of the main window (layout, tool strip, canvas, the
// simulation, the editing overlays) and swaps its buffers. The main window
// must be current. With updateState it runs the shell's per-frame state
// update where the canvas is scaled. Frames drawn during an Instant Result
// run leave the state alone, so the run's steps see what its Start left, as
// they do when a recording is played back.
void drawMainFrame(Desktop& desktop, bool updateState);

// Whether a frame drawn now may update the frame state.
bool frameMayUpdateState(const Desktop& desktop);
