#pragma once

struct WindowLayout;

// The control panel's host window: a GLUT sub-window of the main window,
// layout::panelWidth × layout::panelHeight (sim/MainWindowLayout.h), flush
// with its right and bottom edges, holding the Dear ImGui
// panel. It has its own reshape routine, which touches only its own
// viewport: the main window's layout follows the main window alone.

// Creates the host window inside the main window and starts Dear ImGui in
// it. Writes the ImGui version line on the standard error stream.
void createControlPanel();

// Moves the host window to stay flush with the main window's right and
// bottom edges; nothing before it exists.
void placeControlPanel(const WindowLayout& window);

// Draws the panel when input is waiting to be shown, when an Instant Result
// run is under way (its progress moves) or when it has not been drawn for a
// while (hover highlights settle); called by the idle routine.
void refreshControlPanel();

// Whether the panel holds the mouse: the pointer is over it, or one of its
// controls is being dragged. The painter gets no mouse input then.
bool panelWantsMouse();
