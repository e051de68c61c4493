#include "app/DerivedParameters.h"

void applyParticleMass(PanelSettings& panel, WatercolorSimulation& simulation) {
    const int m = panel.particleSizeIndex;
    if (m == panel.sizeCacheIndex) {
        simulation.particleMass = panel.sizeCacheMass;
        return;
    }
    panel.sizeCacheMass = selectParticleSize(simulation, m);
    panel.sizeCacheIndex = m;
}

void applyParticleSettings(PanelSettings& panel, WatercolorSimulation& simulation) {
    simulation.particleCount = panel.waterAmount;
    applyParticleMass(panel, simulation);
}

namespace {

// 1 / (5m + 1) and 1 / (N + 150) are divided in double and only then rounded
// to float; the products that use them are single precision.
float sizeFactor(const PanelSettings& panel) {
    return float(1.0 / (5 * panel.particleSizeIndex + 1));
}

float waterFactor(const PanelSettings& panel) {
    return float(1.0 / (panel.waterAmount + 150));
}

}  // namespace

float depositionRate(const PanelSettings& panel, float pathLength) {
    // (L / 400) is its own float quotient; the four factors then multiply in
    // this order. Do not regroup.
    const float lengthFactor = pathLength / 400.0f;
    float rate = sizeFactor(panel) * lengthFactor;
    rate = rate * waterFactor(panel);
    return rate * panel.depositionAmount;
}

void applyDepositionRate(PanelSettings& panel) {
    panel.paintColor.w = depositionRate(panel, panel.pathLength);
}

void applyAbsorption(PanelSettings& panel, WatercolorSimulation& simulation, float k,
                     float kPrime) {
    // coefficient · k · (N + 150) · a, multiplied left to right in float.
    const float water = float(panel.waterAmount + 150);
    const float a = panel.absorptivity;
    panel.capacityFill = panel.capacityCoefficient * k * water * a;
    panel.rateFill = panel.rateCoefficient * k * water * a;
    panel.dryingAmount = panel.dryingCoefficient * kPrime * water * a;
    simulation.initAbsorption();
}

float footprintCountOf(int sizeIndex) {
    const int m = sizeIndex;
    float count = 0.0f;
    for (int i = -m; i < m; ++i) {
        for (int j = -m; j < m; ++j) {
            if (j * j + i * i <= m * m) {
                count += 1.0f;
            }
            count += 1.0f;
            count += 1.0f;
        }
    }
    return count;
}
