#include "sim/PointList.h"

#include <cmath>
#include <cstddef>

#include "util/Random.h"

void appendPoint(PointList& list, vec2 point) { list.points.push_back(point); }

namespace {

// The running length at each vertex, every sum rounded to float; the sum of
// squares is rounded before its square root.
std::vector<float> cumulativeLengths(const std::vector<vec2>& points) {
    std::vector<float> lengths;
    if (points.empty()) {
        return lengths;
    }
    lengths.reserve(points.size());
    lengths.push_back(0.0f);
    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
        const vec2 a = points[k];
        const vec2 b = points[k + 1];
        const float ey = b.y - a.y;
        const float ex = b.x - a.x;
        const float squares = ey * ey + ex * ex;
        lengths.push_back(lengths.back() + std::sqrt(squares));
    }
    return lengths;
}

}  // namespace

float measurePath(PointList& path) {
    path.cumulativeLength = cumulativeLengths(path.points);
    return path.cumulativeLength.empty() ? 0.0f : path.cumulativeLength.back();
}

vec2 samplePath(const PointList& path) {
    const std::vector<vec2>& p = path.points;
    const std::size_t n = p.size();
    if (n == 0) {
        return vec2{0.0f, 0.0f};
    }
    if (n == 1) {
        return p[0];
    }

    // The shell measures the path whenever it commits one. A path sampled
    // without that measurement is measured here instead of reading lengths
    // that belong to another path.
    std::vector<float> measured;
    const std::vector<float>* lengths = &path.cumulativeLength;
    if (lengths->size() != n) {
        measured = cumulativeLengths(p);
        lengths = &measured;
    }
    const std::vector<float>& cumulative = *lengths;

    const float u1 = uniformRandom();
    const float target = cumulative[n - 1] * u1;

    // The last segment whose open interval holds the target; a target on a
    // vertex's running length (u1 = 0 or 1 among them) falls back to the
    // first segment, and a zero-length segment's interval is empty.
    std::size_t b = 0;
    for (std::size_t k = n - 1; k-- > 0;) {
        if (cumulative[k] < target && target < cumulative[k + 1]) {
            b = k;
            break;
        }
    }

    // The point on the chosen segment is drawn afresh, not taken from the
    // target. Every product and sum is rounded to float in this order.
    const vec2 a = p[b];
    const vec2 c = p[b + 1];
    const float ex = c.x - a.x;
    if (ex != 0.0f) {
        const float slope = (c.y - a.y) / ex;
        const float u2 = uniformRandom();
        const float t = u2 * ex;
        return vec2{a.x + t, t * slope + a.y};
    }
    const float u2 = uniformRandom();
    if (a.y < c.y) {
        return vec2{a.x, u2 * (c.y - a.y) + a.y};
    }
    return vec2{a.x, u2 * (a.y - c.y) + c.y};
}
