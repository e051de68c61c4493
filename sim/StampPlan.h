#pragma once

// A footprint a step will stamp: the particle, its cell, the footprint's
// radius and the perspective scale of its column.
struct StampPlan {
    int particle = 0;
    int ix = 0;
    int iy = 0;
    int r = 0;
    float S = 0.0f;
};
