#pragma once

#include "sim/PointList.h"

// Draws the points as one GL_LINE_STRIP; colour and width are the caller's.
// OpenGL, part of seep_sim_gl (see SimulationDrawing.h).
void drawPolyline(const PointList& list);
