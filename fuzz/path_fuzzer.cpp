// Measures a path of arbitrary points and samples emission points along it,
// as the simulation does when it emits particles along a drawn path. With
// points a mouse can give (whole window pixels) every sample is finite and
// lies within the bounding box of the path; with any float at all it must
// still never crash or read outside the path.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "fuzz/FuzzInput.h"
#include "sim/PointList.h"
#include "util/Random.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const bool mousePoints = input.byte() < 200;
    seedRandom(input.raw<std::uint32_t>());
    const float scale = mousePoints ? static_cast<float>(input.byte() % 16 + 1) / 4.0f : input.raw<float>();
    PointList path;
    while (input.remaining() > 0 && path.size() < 4096) {
        if (mousePoints) {
            // The session's coordinate range, converted as the mouse routine does.
            const float x = static_cast<float>(input.raw<std::int32_t>() % 1100000);
            appendPoint(path, vec2{x, static_cast<float>(input.raw<std::int32_t>() % 1100000)});
        } else {
            const float x = input.raw<float>();
            appendPoint(path, vec2{x, input.raw<float>()});
        }
    }
    // Half the time sampled unmeasured, as a path edited since it was measured.
    if (size % 2 == 0) {
        const float length = measurePath(path);
        if (mousePoints && !(length >= 0.0f && std::isfinite(length))) {
            std::abort();
        }
    }
    float lowX = INFINITY, lowY = INFINITY, highX = -INFINITY, highY = -INFINITY;
    for (const vec2& p : path.points) {
        lowX = std::min(lowX, p.x);
        lowY = std::min(lowY, p.y);
        highX = std::max(highX, p.x);
        highY = std::max(highY, p.y);
    }
    for (int i = 0; i < 16; ++i) {
        const vec2 p = samplePath(path);
        const vec2 scaled{p.x * scale, p.y * scale};
        if (!mousePoints || path.empty()) {
            continue;
        }
        // A point on a segment, computed in float, may round just past its
        // ends: one pixel of slack.
        if (!std::isfinite(scaled.x) || !std::isfinite(scaled.y) || p.x < lowX - 1.0f || p.x > highX + 1.0f ||
            p.y < lowY - 1.0f || p.y > highY + 1.0f) {
            std::abort();
        }
    }
    return 0;
}
