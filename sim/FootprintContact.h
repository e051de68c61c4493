#pragma once

// The arithmetic of one contact between a wet particle and a cell of its
// footprint. Every value is a float and every operation is rounded to float
// in the order the formula is written, left to right. Sessions are replayed
// bit for bit, so please do not reorder, merge or "simplify" the arithmetic
// below: each bracket is where the rounding happens.

#include <xmmintrin.h>

#include "util/Assert.h"
#include "util/Vectors.h"

namespace footprint {

// Below this a particle is dry: it is lost and absorbs or deposits nothing.
constexpr float kDryWater = 0.05f;
// What a particle keeps when a contact takes it below kDryWater.
constexpr float kResidualWater = 0.005f;

// The vector with lane 3 replaced by value, the others kept.
inline __m128 withLane3(__m128 v, float value) {
    // [v2, v2, value, value], then [v0, v1, v2, value].
    const __m128 high = _mm_shuffle_ps(v, _mm_set1_ps(value), _MM_SHUFFLE(0, 0, 2, 2));
    return _mm_shuffle_ps(v, high, _MM_SHUFFLE(2, 0, 1, 0));
}

inline float lane3(__m128 v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3))); }

// What every contact of this step shares.
struct ContactRules {
    vec4 paint;
    float R;
    float complement;
    // E · paint colour, channel by channel (lane 3 unused): the same float
    // products the colour blend forms in every cell.
    __m128 paintTimesE;
};

// One contact of a wet particle with a cell: water passes into the paper,
// then, while the particle is still wet, pigment passes both ways. Returns
// false when the particle has run dry in this contact (it then leaves the
// cell's pigment alone).
//
// The particle must arrive wet: water at or above kDryWater (NaN is not).
// A dry particle touches nothing at all, and the contact does not test for
// it on entry: planning takes only particles that wet, and the footprint
// walk ends at the first contact that returns false.
//
// The contact's four divisions, the colour blend's three and the
// absorption's one, do not depend on each other or on the particle, so they
// are done at once in one packed division. Lanes whose result is not used
// (no capacity, nothing to blend) may hold infinities or NaNs; they are
// discarded.
inline bool contact(float& water, float& pigment, float cap, float rate, float& heldCell,
                    vec4& d, const ContactRules& rules, float supply) {
    SEEP_ASSERT(water >= kDryWater, "a contact needs a wet particle: a dry one must touch no cell");
    const float held = heldCell;
    // The cell as one vector (r, g, b, Da); lane by lane the products, sums
    // and quotients below are the same IEEE single-precision operations as
    // the formula's, one channel each. Lane 3 becomes the absorption's
    // quotient: its numerator and denominator are put there before dividing.
    const __m128 cell = _mm_loadu_ps(&d.x);
    const float Da = d.w;
    const float total = rules.paint.w + Da;
    __m128 numerator = _mm_add_ps(rules.paintTimesE, _mm_mul_ps(_mm_set1_ps(Da), cell));
    __m128 denominator = _mm_set1_ps(total);
    numerator = withLane3(numerator, cap - held);
    denominator = withLane3(denominator, cap);
    const __m128 quotient = _mm_div_ps(numerator, denominator);

    // Water: the cell gains exactly what the particle loses and never holds
    // more than its capacity. A cell of capacity 0 takes nothing.
    float w = water;
    if (cap != 0.0f) {
        float h = held;
        // Worked out from the water held before this contact.
        const float u = lane3(quotient) * rate;
        if (cap > u) {
            w -= u;
        } else {
            w -= cap;
        }
        if (w < kDryWater) w = kResidualWater;
        h += u;
        if (h > cap) {
            w += h - cap;
            h = cap;
        }
        water = w;
        heldCell = h;
    }
    if (!(w >= kDryWater)) return false;

    // Pigment: the cell's colour moves towards the paint colour in
    // proportion to the new and old amounts; the particle picks up part of
    // the old deposit and lays down part of what it carries. The deposit
    // never exceeds 1: the surplus stays with the particle. With no paint
    // and no deposit there is nothing to blend towards.
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
    _mm_storeu_ps(&d.x, withLane3(total != 0.0f ? quotient : cell, Dn));
    return true;
}

// The rules of this step's contacts, from the paint colour (E in w) and the
// resolvability R with its stored complement.
inline ContactRules contactRules(const vec4& paint, float R, float complement) {
    return ContactRules{paint, R, complement,
                        _mm_mul_ps(_mm_set1_ps(paint.w), _mm_set_ps(0.0f, paint.z, paint.y, paint.x))};
}

}  // namespace footprint
