#pragma once

#include <cstdint>

#include "sim/PointList.h"

// Marks the cells the simulation-area outline passes through with 1 in a
// mask of width × height cells that the caller has zeroed. The outline's
// vertices are window pixels; displayScale turns them into canvas cells.
void rasterizeArea(const PointList& area, float displayScale, std::int32_t* mask, int width,
                   int height);
