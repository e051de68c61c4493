#pragma once

#include <cstddef>
#include <vector>

#include "sim/WatercolorSimulation.h"

// Scenes for the time step's tests, built member by member so they do not
// depend on how init happens to fill the simulation.
namespace stepscene {

// A canvas built by hand: fresh cells (capacity 0.1, rate 0.01), no deposit,
// scale 1, open area, flat paper, every particle parked and dry. Gravity
// pulls towards decreasing y, roughness is off so nothing is drawn.
struct Scene {
    ShellState shell;
    WatercolorSimulation sim{shell};

    Scene(int w, int h, int n) {
        sim.width = w;
        sim.height = h;
        sim.particleCount = n;
        buildSizeMassTable(sim);
        const std::size_t cells = static_cast<std::size_t>(w) * h;
        sim.absorptionCapacity.assign(cells, 0.1f);
        sim.absorptionRate.assign(cells, 0.01f);
        sim.absorbedWater.assign(cells, 0.0f);
        sim.deposition.assign(cells, vec4{});
        sim.columnScale.assign(w, 1.0f);
        sim.areaMask.assign(cells, 0);
        sim.surfaceGradient.assign(cells, vec3{});
        sim.particlePosition.assign(n, vec2{w + 100.0f, h + 100.0f});
        sim.particleVelocity.assign(n, vec2{});
        sim.particleWater.assign(n, 0.0f);
        sim.particlePigment.assign(n, vec4{});

        PanelSettings& panel = shell.panel;
        panel.gravityEnabled = 1;
        panel.surfaceRoughness = 0.0f;
        panel.paintColor = {0.2f, 0.4f, 0.6f, 0.002f};
        panel.resolvability = 0.55f;
        panel.resolvabilityComplement = 0.45f;
        panel.dryingAmount = 0.0f;
        panel.rateFill = 0.01f;
        panel.emitting = 0;
        panel.activeParticles = 0;
        shell.editing.gravityStart = {0.0f, 1.0f};
        shell.editing.gravityEnd = {0.0f, 0.0f};
    }

    void place(int i, float x, float y, float water) {
        sim.particlePosition[i] = {x, y};
        sim.particleWater[i] = water;
    }
    int cell(int x, int y) const { return y * sim.width + x; }
    void noCapacity() { sim.absorptionCapacity.assign(sim.absorptionCapacity.size(), 0.0f); }
    // Lost particles are re-emitted: at the brush point (spawn mode 2) or
    // at the empty path's point (0, 0) (spawn mode 1).
    void emit(int spawnMode, int brushDragged) {
        shell.panel.emitting = 1;
        shell.editing.spawnMode = spawnMode;
        shell.editing.brushDragged = brushDragged;
        sim.particleMass = 0.5f;
        shell.window.displayScale = 1.0f;
        shell.editing.brushPoint = kBrushPoint;
        // Path emission needs a path: one point at the origin, which takes
        // no random draws, as an empty one would not.
        if (spawnMode == 1 && shell.editing.path.points.empty()) {
            appendPoint(shell.editing.path, vec2{});
        }
    }
    // Re-emission at a brush point given in canvas cells.
    void emitAtBrush(vec2 point) {
        emit(2, 1);
        shell.editing.brushPoint = point;
    }
    // The particles this step re-emitted: still at their spawn point, at
    // rest (a particle that moved has been accelerated by gravity).
    std::vector<int> reemitted() const {
        const vec2 at = shell.editing.spawnMode == 2 ? shell.editing.brushPoint : vec2{};
        std::vector<int> found;
        for (int i = 0; i < sim.particleCount; ++i) {
            const vec2 p = sim.particlePosition[i];
            const vec2 v = sim.particleVelocity[i];
            if (p.x == at.x && p.y == at.y && v.x == 0.0f && v.y == 0.0f) found.push_back(i);
        }
        return found;
    }
    static constexpr vec2 kBrushPoint{2.25f, 1.75f};
    // Coinciding gravity points give no acceleration at all.
    void noGravity() { shell.editing.gravityEnd = shell.editing.gravityStart; }
    bool parked(int i) const {
        return sim.particlePosition[i].x == sim.width + 100.0f &&
               sim.particlePosition[i].y == sim.height + 100.0f;
    }
};

// One wet particle on a one-cell canvas that absorbs nothing, so only its
// pigment and its motion change.
struct LoneParticle : Scene {
    LoneParticle() : Scene(1, 1, 1) {
        noCapacity();
        place(0, 0.5f, 0.5f, 1.0f);
    }
};

}  // namespace stepscene
