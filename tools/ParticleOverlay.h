#pragma once

#include <vector>

#include "image/ImageRect.h"
#include "sim/CellRect.h"
#include "sim/WatercolorSimulation.h"
#include "tools/FrameComposer.h"

// The particles over a frame, as the painter's display shows them: smoothed
// round points in (0.2, 0.6, 1.0), as wide as the display's particle points
// at the frame's scale, each blended over what lies below by how much of a
// pixel it covers, one after the other in particle order.
class ParticleOverlay {
public:
    // The picture becomes frame with the particles' present positions drawn
    // over it; frameChanged is the part of frame changed since the last
    // call. Every region of the picture that changed is added to dirty.
    void update(const ImageRect<vec4>& frame, const CellRect& frameChanged, const FramePlacement& place,
                const WatercolorSimulation& simulation, std::vector<CellRect>& dirty);
    // The picture becomes frame again, without particles: what the last
    // update drew is taken back, and frameChanged copied.
    void clear(const ImageRect<vec4>& frame, const CellRect& frameChanged, std::vector<CellRect>& dirty);

    const ImageRect<vec4>& picture() const { return overlay; }

private:
    void copyRegion(const ImageRect<vec4>& frame, const CellRect& region);
    // Draws a point of the given diameter at (x, y) in frame pixels, clipped to place.
    CellRect drawPoint(float x, float y, float diameter, const FramePlacement& place);

    ImageRect<vec4> overlay;
    std::vector<CellRect> drawn;
};
