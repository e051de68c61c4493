#pragma once

// The main window's GLUT callbacks: they hand the window system's events to
// the shell and record each one in the session after it has run.

// Registers keyboard, special-key, mouse, motion, display and reshape
// routines for the current (main) window, in that order.
void registerMainWindowCallbacks();

// The OpenGL state the main window's drawing relies on.
void setUpMainWindowDrawing();

// Runs whenever GLUT has no event to deliver: one simulation step (or a
// slice of an Instant Result run) and a redraw.
void idleRoutine();
