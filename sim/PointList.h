#pragma once

#include <vector>

#include "util/Vectors.h"

// An ordered, growable sequence of points in window pixels (origin at the
// bottom-left corner, y up). The committed emission path also carries the
// running length at each vertex, rebuilt by measurePath.
struct PointList {
    std::vector<vec2> points;
    std::vector<float> cumulativeLength;

    int size() const { return static_cast<int>(points.size()); }
    bool empty() const { return points.empty(); }
    void clear() {
        points.clear();
        cumulativeLength.clear();
    }
};

void appendPoint(PointList& list, vec2 point);


// Rebuilds path.cumulativeLength and returns the total length (0 when empty).
float measurePath(PointList& path);

// A random point on the measured path, drawn from the program's generator:
// no draw for fewer than two vertices, two draws otherwise.
vec2 samplePath(const PointList& path);
