// The time step written out plainly, one particle and one cell after the
// other, exactly as the painter first shipped it. It stays as it is: the
// painter's own step is checked against it bit for bit.
//
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

#include <cmath>
#include <cstddef>

#include "tests/reference/PlainStep.h"
#include "sim/WatercolorSimulation.h"
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

// A particle leaves water and exchanges pigment in one cell of its footprint.
struct Contact {
    float& water;
    float& pigment;
    const float& capacity;
    const float& rate;
    float& held;
    vec4& deposit;
};

// Water passes from the particle into the cell. The cell gains exactly what
// the particle loses and never holds more than its capacity.
void absorb(Contact& c) {
    const float cap = c.capacity;
    if (cap == 0.0f || !(c.water >= kDryWater)) return;
    float w = c.water;
    float held = c.held;
    // Worked out from the water held before this contact.
    const float u = (cap - held) / cap * c.rate;
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
    c.water = w;
    c.held = held;
}

// The cell's colour moves towards the paint colour in proportion to the new
// and old amounts; the particle picks up part of the old deposit and lays
// down part of what it carries. The deposit never exceeds 1: the surplus
// stays with the particle.
void exchangePigment(Contact& c, const vec4& paint, float R, float complement,
                     float S) {
    if (!(c.water >= kDryWater)) return;
    vec4& d = c.deposit;
    const float Da = d.w;
    const float E = paint.w;
    const float total = E + Da;
    // With no paint and no deposit there is nothing to blend towards.
    if (total != 0.0f) {
        d.x = (E * paint.x + Da * d.x) / total;
        d.y = (E * paint.y + Da * d.y) / total;
        d.z = (E * paint.z + Da * d.z) / total;
    }
    const float p = c.pigment;
    float pNew = p + complement * Da - R * p;
    // Uses the particle's new amount, as intended.
    float Dn = Da + R * pNew - complement * Da + E * S;
    if (Dn > 1.0f) {
        pNew += Dn - 1.0f;
        Dn = 1.0f;
    }
    c.pigment = pNew;
    d.w = Dn;
}

// The step reads each particle array for particleCount entries and each grid
// for width × height cells; the gradient only while roughness is on. Without
// them (a step before the simulation is set up) there is nothing to advance,
// and reading past the arrays would be undefined.
bool hasStateForStep(const WatercolorSimulation& sim, bool roughness) {
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

int plainStep(WatercolorSimulation& sim, float dt) {
    PanelSettings& panel = sim.shell.panel;
    EditingState& editing = sim.shell.editing;
    const float rho = panel.surfaceRoughness;
    if (!hasStateForStep(sim, rho > 0.0f)) return 0;

    sim.shell.window.stepCount += 1;

    vec2 gravityStep{};
    if (panel.gravityEnabled != 0) {
        gravityStep = gravityIncrement(editing.gravityStart, editing.gravityEnd, dt);
    }
    float brushRespawnCount = 0.0f;
    int activeParticles = 0;

    const float W = static_cast<float>(sim.width);
    const float H = static_cast<float>(sim.height);
    const vec4 paint = panel.paintColor;
    const float R = panel.resolvability;
    const float complement = panel.resolvabilityComplement;

    for (int i = 0; i < sim.particleCount; ++i) {
        vec2& position = sim.particlePosition[i];
        const float X = position.x;
        const float Y = position.y;
        // Tested as floats before truncating, so a particle just left of or
        // below the canvas (which truncates to column or row 0) is outside.
        bool active = 0.0f <= X && X < W && 0.0f <= Y && Y < H &&
                      sim.particleWater[i] >= kDryWater;
        int ix = 0;
        int iy = 0;
        if (active) {
            ix = static_cast<int>(X);
            iy = static_cast<int>(Y);
            // A particle on the area's outline is out, like one off the canvas.
            active = sim.areaMask[iy * sim.width + ix] == 0;
        }

        bool lost = true;
        if (!active) {
            position = {W + 100.0f, H + 100.0f};
        } else {
            activeParticles += 1;
            const float S = sim.columnScale[ix];
            const int r = sizeClassOf(sim, sim.particleWater[i] - kDryWater);
            sim.stampRadius = r;

            // The footprint: a disc of radius r around the particle's cell,
            // row by row, clipped to the canvas.
            for (int dy = -r; dy <= r; ++dy) {
                for (int dx = -r; dx <= r; ++dx) {
                    if (dx * dx + dy * dy > r * r) continue;
                    const int cx = ix + dx;
                    const int cy = iy + dy;
                    if (cx < 0 || cx >= sim.width || cy < 0 || cy >= sim.height) continue;
                    const int k = cy * sim.width + cx;
                    Contact contact{sim.particleWater[i],  sim.particlePigment[i].w, sim.absorptionCapacity[k],
                                    sim.absorptionRate[k], sim.absorbedWater[k],     sim.deposition[k]};
                    absorb(contact);
                    exchangePigment(contact, paint, R, complement, S);
                }
            }

            // Without gravity every particle gets a push in a fresh random
            // direction; the draws are kept as the gravity points.
            if (panel.gravityEnabled == 0) {
                editing.gravityEnd.y = uniformRandom();
                editing.gravityStart.y = uniformRandom();
                editing.gravityEnd.x = uniformRandom();
                editing.gravityStart.x = uniformRandom();
                gravityStep = gravityIncrement(editing.gravityStart, editing.gravityEnd, dt);
            }
            vec2& v = sim.particleVelocity[i];
            v.x = v.x + S * gravityStep.x;
            v.y = v.y + S * gravityStep.y;

            // The paper's texture slows the particle, and its slope across
            // the rows jitters it sideways (gy in both terms on purpose).
            if (rho > 0.0f) {
                const vec3& gradient = sim.surfaceGradient[iy * sim.width + ix];
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

            lost = sim.particleWater[i] < kDryWater;
        }

        if (lost && panel.emitting != 0) {
            if (editing.brushDragged == 1 && editing.spawnMode == 2) {
                sim.respawn(i);
                brushRespawnCount += 1.0f;
            }
            if (editing.spawnMode == 1) sim.respawn(i);
        }
        // At most six re-emissions at the brush per step; the next mouse
        // motion starts the brush again.
        if (brushRespawnCount > 5.0f) editing.brushDragged = 0;
    }

    if (panel.dryingAmount > 0.0f && panel.rateFill > 0.0f) {
        const std::size_t cells = static_cast<std::size_t>(sim.width) * static_cast<std::size_t>(sim.height);
        for (std::size_t k = 0; k < cells; ++k) {
            float& held = sim.absorbedWater[k];
            if (held > 0.0f) {
                held = held - panel.dryingAmount;
                if (held < 0.0f) held = 0.0f;
            }
        }
    }
    return activeParticles;
}
