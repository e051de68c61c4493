// The time step: water soaks from the particles into the paper, pigment
// passes between particles and the deposition, the particles accelerate,
// are slowed by the paper's texture and move; lost particles are re-emitted
// and the paper dries a little.
//
// Every value is a float and every operation is rounded to float in the
// order the formula is written, left to right. Sessions are replayed bit for
// bit, so please do not reorder, merge or "simplify" the arithmetic below:
// each bracket is where the rounding happens. Constants are float on purpose
// (a double literal would silently widen the whole expression).
//
// What makes it fast without changing a bit: a footprint visits only the
// cells of its disc, row by row, and stops at the first cell where the
// particle has run dry (every later cell would be skipped anyway); the
// particle's water and pigment stay in registers meanwhile; and the paper
// dries only the cells known to be wet, never the whole canvas.

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "sim/FluidSimCppPort.h"
#include "util/Random.h"

namespace {

// Below this a particle is dry: it is lost and absorbs or deposits nothing.
constexpr float kDryWater = 0.05f;
// What a particle keeps when a contact takes it below kDryWater.
constexpr float kResidualWater = 0.005f;

// The increment of velocity per unit of dt, 0.005 long, pointing from start
// to end. It is worked out in slope form, which has no value when both points
// share a y: then the step is horizontal, and nothing when they coincide, so
// every particle keeps a finite velocity.
vec2 gravityIncrement(vec2 start, vec2 end, float dt) {
    const float dy = end.y - start.y;
    if (dy == 0.0f) {
        const float dx = end.x - start.x;
        if (dx == 0.0f) return {0.0f, 0.0f};
        const float magnitude = 0.005f * dt;
        return {dx > 0.0f ? magnitude : -magnitude, 0.0f};
    }
    // Held negative and squared, so only its magnitude matters.
    const float g = -0.005f;
    const float b = (end.x - start.x) / dy;
    float s = std::sqrt(g * g / (1.0f + b * b));  // float sqrt, rounded once
    if (dy < 0.0f) s = -s;
    return {dt * s * b, dt * s};  // (dt · s) first, then · b
}

// What every contact of this step shares.
struct ContactRules {
    MyAlgebra::vec4 paint;
    float R;
    float complement;
};

// Water passes from the particle into the cell. The cell gains exactly what
// the particle loses and never holds more than its capacity. Called only
// while the particle is wet.
inline void absorb(float& water, float cap, float rate, float& heldCell) {
    if (cap == 0.0f) return;
    float w = water;
    float held = heldCell;
    // Worked out from the water held before this contact.
    const float u = (cap - held) / cap * rate;
    if (cap > u) {
        w -= u;
    } else {
        w -= cap;
    }
    if (w < kDryWater) w = kResidualWater;
    held += u;
    if (held > cap) {
        w += held - cap;
        held = cap;
    }
    water = w;
    heldCell = held;
}

// The cell's colour moves towards the paint colour in proportion to the new
// and old amounts; the particle picks up part of the old deposit and lays
// down part of what it carries. The deposit never exceeds 1: the surplus
// stays with the particle.
inline void exchangePigment(float& pigment, MyAlgebra::vec4& d, const ContactRules& rules,
                            float supply) {
    const float Da = d.w;
    const float E = rules.paint.w;
    const float total = E + Da;
    // With no paint and no deposit there is nothing to blend towards.
    if (total != 0.0f) {
        d.x = (E * rules.paint.x + Da * d.x) / total;
        d.y = (E * rules.paint.y + Da * d.y) / total;
        d.z = (E * rules.paint.z + Da * d.z) / total;
    }
    const float p = pigment;
    float pNew = p + rules.complement * Da - rules.R * p;
    // Uses the particle's new amount, as intended. supply is E · S, the
    // same float product for every cell of the footprint.
    float Dn = Da + rules.R * pNew - rules.complement * Da + supply;
    if (Dn > 1.0f) {
        pNew += Dn - 1.0f;
        Dn = 1.0f;
    }
    pigment = pNew;
    d.w = Dn;
}

}  // namespace

namespace {

// The step reads each particle array for particleCount entries and each grid
// for width × height cells; the gradient only while roughness is on. Without
// them (a step before the simulation is set up) there is nothing to advance,
// and reading past the arrays would be undefined.
bool hasStateForStep(const FluidSimCppPort& sim, bool roughness) {
    if (sim.particleCount < 0 || sim.width < 0 || sim.height < 0) return false;
    const std::size_t n = static_cast<std::size_t>(sim.particleCount);
    const std::size_t cells =
        static_cast<std::size_t>(sim.width) * static_cast<std::size_t>(sim.height);
    return sim.particlePosition.size() >= n && sim.particleVelocity.size() >= n &&
           sim.particleWater.size() >= n && sim.particlePigment.size() >= n &&
           sim.absorptionCapacity.size() >= cells && sim.absorptionRate.size() >= cells &&
           sim.absorbedWater.size() >= cells && sim.deposition.size() >= cells &&
           sim.areaMask.size() >= cells &&
           sim.columnScale.size() >= static_cast<std::size_t>(sim.width) &&
           (!roughness || sim.surfaceGradient.size() >= cells) && sim.sizeMassTableLength >= 0 &&
           sim.sizeMassTable.size() >= static_cast<std::size_t>(sim.sizeMassTableLength);
}

}  // namespace

void FluidSimCppPort::stampFootprint(int i, int ix, int iy, int r, float S) {
    const PanelSettings& panel = shell.panel;
    const ContactRules rules{panel.paintColor, panel.resolvability, panel.resolvabilityComplement};
    // The same float product the contact formula forms in every cell.
    const float supply = rules.paint.w * S;

    float water = particleWater[i];
    float pigment = particlePigment[i].w;
    float* const capacity = absorptionCapacity.data();
    float* const rate = absorptionRate.data();
    float* const held = absorbedWater.data();
    MyAlgebra::vec4* const deposit = deposition.data();

    // Rows dy = −r .. r, cells left to right: the order of the plain disc.
    const std::vector<int>& rows = footprintRows.halfWidths(r);
    const int firstRow = std::max(-r, -iy);
    const int lastRow = std::min(r, height - 1 - iy);
    bool wet = true;
    for (int dy = firstRow; dy <= lastRow && wet; ++dy) {
        const int h = rows[static_cast<std::size_t>(dy + r)];
        const int left = std::max(ix - h, 0);
        const int right = std::min(ix + h, width - 1);
        const std::size_t rowStart = static_cast<std::size_t>(iy + dy) * static_cast<std::size_t>(width);
        for (int cx = left; cx <= right; ++cx) {
            const std::size_t k = rowStart + static_cast<std::size_t>(cx);
            absorb(water, capacity[k], rate[k], held[k]);
            wetCells.touched(absorbedWater, k);
            ++cellContacts;
            // Once the particle is dry, no later cell of the footprint takes
            // water or pigment: the rest of the disc is skipped.
            if (!(water >= kDryWater)) {
                wet = false;
                break;
            }
            exchangePigment(pigment, deposit[k], rules, supply);
        }
    }
    particleWater[i] = water;
    particlePigment[i].w = pigment;

    // Everything the disc may have changed, for the display.
    depositionChanged.include(CellRect{std::max(ix - r, 0), std::max(iy + firstRow, 0),
                                       std::min(ix + r + 1, width), iy + lastRow + 1});
}

void FluidSimCppPort::step(float dt) {
    PanelSettings& panel = shell.panel;
    EditingState& editing = shell.editing;
    const float rho = panel.surfaceRoughness;
    if (!hasStateForStep(*this, rho > 0.0f)) return;
    wetCells.attach(absorbedWater);

    shell.window.stepCount += 1;

    vec2 gravityStep{};
    if (panel.gravityEnabled != 0) {
        gravityStep = gravityIncrement(editing.gravityStart, editing.gravityEnd, dt);
    }
    editing.brushRespawnCount = 0.0f;

    const float W = static_cast<float>(width);
    const float H = static_cast<float>(height);

    for (int i = 0; i < particleCount; ++i) {
        vec2& position = particlePosition[i];
        const float X = position.x;
        const float Y = position.y;
        // Tested as floats before truncating, so a particle just left of or
        // below the canvas (which truncates to column or row 0) is outside.
        bool active = 0.0f <= X && X < W && 0.0f <= Y && Y < H &&
                      particleWater[i] >= kDryWater;
        int ix = 0;
        int iy = 0;
        if (active) {
            ix = static_cast<int>(X);
            iy = static_cast<int>(Y);
            // A particle on the area's outline is out, like one off the canvas.
            active = areaMask[iy * width + ix] == 0;
        }

        bool lost = true;
        if (!active) {
            position = {W + 100.0f, H + 100.0f};
        } else {
            panel.activeParticles += 1;
            const float S = columnScale[ix];
            const int r = sizeClassOf(*this, particleWater[i] - kDryWater);
            stampRadius = r;
            stampFootprint(i, ix, iy, r, S);

            // Without gravity every particle gets a push in a fresh random
            // direction; the draws are kept as the gravity points.
            if (panel.gravityEnabled == 0) {
                editing.gravityEnd.y = uniformRandom();
                editing.gravityStart.y = uniformRandom();
                editing.gravityEnd.x = uniformRandom();
                editing.gravityStart.x = uniformRandom();
                gravityStep = gravityIncrement(editing.gravityStart, editing.gravityEnd, dt);
            }
            vec2& v = particleVelocity[i];
            v.x = v.x + S * gravityStep.x;
            v.y = v.y + S * gravityStep.y;

            // The paper's texture slows the particle, and its slope across
            // the rows jitters it sideways (gy in both terms on purpose).
            if (rho > 0.0f) {
                const MyAlgebra::vec3& gradient = surfaceGradient[iy * width + ix];
                const float gx = gradient.x;
                const float gy = gradient.y;
                const float vy = v.y - v.y * (gy / (10.0f - rho)) * 5.0f;
                const float u = uniformRandom();
                // 0.5f, not 0.5: the jitter stays in single precision.
                const float vx =
                    v.x - (v.x * (gx / (10.0f - rho)) * 5.0f - rho * (gy * 5.0f) / 50.0f * (u - 0.5f));
                v = {vx, vy};
            }

            // Each product is rounded to float before it is added.
            const float moveX = v.x * dt;
            const float moveY = v.y * dt;
            position.x = position.x + moveX;
            position.y = position.y + moveY;

            lost = particleWater[i] < kDryWater;
        }

        if (lost && panel.emitting != 0) {
            if (editing.brushDragged == 1 && editing.spawnMode == 2) {
                respawn(i);
                editing.brushRespawnCount += 1.0f;
            }
            if (editing.spawnMode == 1) respawn(i);
        }
        // At most six re-emissions at the brush per step; the next mouse
        // motion starts the brush again.
        if (editing.brushRespawnCount > 5.0f) editing.brushDragged = 0;
    }

    // Only wet cells can dry: the list holds every cell with water above 0.
    if (panel.dryingAmount > 0.0f && panel.rateFill > 0.0f) {
        wetCells.dry(absorbedWater, panel.dryingAmount);
    }
}
