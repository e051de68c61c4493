#include "sim/SimulationDrawPolicy.h"

bool takeDepositionUpload(WindowLayout& window, const PanelSettings& panel) {
    if (panel.showDeposition != 1) {
        return false;
    }
    bool upload = false;
    if (window.stepCount == 0 || panel.continuousRun != 1) {
        window.stepCount = 1;
        upload = true;
    }
    if (panel.continuousRun == 1) {
        // The interval is a single-precision constant compared with a float
        // difference: exactly 0.025f apart does not count as more. (A frame
        // before the first step has already set stepCount above.)
        if (window.lastStepTime - window.lastUploadTime > 0.025f) {
            window.lastUploadTime = window.lastStepTime;
            upload = true;
        }
    }
    return upload;
}

bool particleIsDrawn(float water, vec2 position, int width, int height) {
    if (!(water > kDrawnWaterThreshold)) {
        return false;
    }
    const bool parked = position.x == static_cast<float>(width + 100) &&
                        position.y == static_cast<float>(height + 100);
    return !parked;
}

ParticlePoint particlePoint(int footprintClass, vec2 position, float displayScale) {
    // (r + 1) is whole; the product and quotients are single precision.
    const float size = static_cast<float>(footprintClass + 1) * 1.5f / displayScale;
    return ParticlePoint{size, vec2{position.x / displayScale, position.y / displayScale}};
}
