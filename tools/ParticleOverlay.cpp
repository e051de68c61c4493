#include "tools/ParticleOverlay.h"

#include <algorithm>
#include <cmath>

#include "sim/SimulationDrawPolicy.h"
#include "sim/SizeTable.h"

namespace {

const vec3 particleColor{0.2f, 0.6f, 1.0f};

CellRect clipped(const CellRect& region, const CellRect& bounds) {
    return CellRect{std::max(region.x0, bounds.x0), std::max(region.y0, bounds.y0), std::min(region.x1, bounds.x1),
                    std::min(region.y1, bounds.y1)};
}

}  // namespace

void ParticleOverlay::copyRegion(const ImageRect<vec4>& frame, const CellRect& region) {
    const CellRect inside = clipped(region, CellRect::whole(frame.width, frame.height));
    for (int y = inside.y0; y < inside.y1; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * frame.width;
        std::copy(frame.pixels + row + inside.x0, frame.pixels + row + inside.x1, overlay.pixels + row + inside.x0);
    }
}

void ParticleOverlay::clear(const ImageRect<vec4>& frame, const CellRect& frameChanged,
                            std::vector<CellRect>& dirty) {
    if (overlay.width != frame.width || overlay.height != frame.height) {
        overlay = frame;
        drawn.clear();
        dirty.push_back(CellRect::whole(frame.width, frame.height));
        return;
    }
    for (const CellRect& point : drawn) {
        copyRegion(frame, point);
        dirty.push_back(point);
    }
    drawn.clear();
    if (!frameChanged.empty()) {
        copyRegion(frame, frameChanged);
        dirty.push_back(frameChanged);
    }
}

void ParticleOverlay::update(const ImageRect<vec4>& frame, const CellRect& frameChanged, const FramePlacement& place,
                             const WatercolorSimulation& simulation, std::vector<CellRect>& dirty) {
    clear(frame, frameChanged, dirty);
    if (place.width <= 0 || simulation.width <= 0) {
        return;
    }
    // Canvas cells per frame pixel: the display scale of the painter's window.
    const float scale = static_cast<float>(simulation.width) / static_cast<float>(place.width);
    const std::size_t count = std::min({static_cast<std::size_t>(std::max(simulation.particleCount, 0)),
                                        simulation.particleWater.size(), simulation.particlePosition.size()});
    for (std::size_t i = 0; i < count; ++i) {
        const float water = simulation.particleWater[i];
        const vec2 position = simulation.particlePosition[i];
        if (!particleIsDrawn(water, position, simulation.width, simulation.height)) {
            continue;
        }
        const int r = sizeClassOf(simulation, water - kDrawnWaterThreshold);
        const ParticlePoint point = particlePoint(r, position, scale);
        const CellRect square =
            drawPoint(static_cast<float>(place.x0) + point.position.x, static_cast<float>(place.y0) + point.position.y,
                      point.size, place);
        if (!square.empty()) {
            drawn.push_back(square);
            dirty.push_back(square);
        }
    }
}

CellRect ParticleOverlay::drawPoint(float x, float y, float diameter, const FramePlacement& place) {
    const float radius = 0.5f * diameter;
    // Pixels whose centres lie within half a pixel beyond the edge get a share.
    const CellRect square = clipped(
        CellRect{static_cast<int>(std::floor(x - radius - 0.5f)), static_cast<int>(std::floor(y - radius - 0.5f)),
                 static_cast<int>(std::ceil(x + radius + 0.5f)), static_cast<int>(std::ceil(y + radius + 0.5f))},
        CellRect{place.x0, place.y0, place.x0 + place.width, place.y0 + place.height});
    for (int py = square.y0; py < square.y1; ++py) {
        vec4* row = overlay.pixels + static_cast<std::size_t>(py) * overlay.width;
        for (int px = square.x0; px < square.x1; ++px) {
            const float dx = static_cast<float>(px) + 0.5f - x;
            const float dy = static_cast<float>(py) + 0.5f - y;
            const float cover = std::clamp(radius + 0.5f - std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
            if (cover <= 0.0f) {
                continue;
            }
            vec4& p = row[px];
            const float keep = 1.0f - cover;
            p = vec4{cover * particleColor.x + keep * p.x, cover * particleColor.y + keep * p.y,
                     cover * particleColor.z + keep * p.z, cover + keep * p.w};
        }
    }
    return square;
}
