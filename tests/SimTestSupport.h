#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "sim/WatercolorSimulation.h"
#include "sim/WatercolorSimulation.h"
#include "sim/ShellState.h"
#include "util/Random.h"
#include "util/Stopwatch.h"

// Helpers the simulation tests share: a stopwatch with a fixed reading, the
// generator's recurrence worked out independently, and a small simulation.

// Whether two arrays hold the same bytes: -0, NaNs and subnormals compare
// exactly as their bits do.
template <typename Array>
bool sameBytes(const Array& a, const Array& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(a[0])) == 0);
}

// A started stopwatch that always reads the same number of seconds.
class FixedStopwatch : public Stopwatch {
public:
    explicit FixedStopwatch(float seconds) : reading(seconds) { start(); }
    float reading;

protected:
    void markStart() override {}
    float secondsSinceMark() override { return reading; }
};

// Installs a replacement stopwatch for one test and restores the built-in
// one afterwards, so no other test sees it.
class StopwatchOverride {
public:
    explicit StopwatchOverride(Stopwatch& replacement) { setStopwatch(&replacement); }
    ~StopwatchOverride() { setStopwatch(nullptr); }
    StopwatchOverride(const StopwatchOverride&) = delete;
    StopwatchOverride& operator=(const StopwatchOverride&) = delete;
};

// The generator's state after `draws` steps from `seed`, by the recurrence
// state = state · 214013 + 2531011 taken modulo 2^32 in 64-bit arithmetic.
inline std::uint32_t stateAfter(std::uint32_t seed, int draws) {
    std::uint64_t state = seed;
    for (int i = 0; i < draws; ++i) {
        state = (state * 214013u + 2531011u) % 4294967296u;
    }
    return static_cast<std::uint32_t>(state);
}

// Sets the generator so that its next value is `value` (0 to 32767): the
// state that steps to value · 2^16, found with the inverse of 214013 modulo
// 2^32 (Newton's iteration doubles the correct low bits each round).
inline void makeNextValue(int value) {
    std::uint32_t inverse = 214013u;
    for (int i = 0; i < 5; ++i) {
        inverse *= 2u - 214013u * inverse;
    }
    const std::uint32_t target = static_cast<std::uint32_t>(value) << 16;
    seedRandom((target - 2531011u) * inverse);
}

// A simulation of a small canvas, initialised with a fixed seed, every
// particle parked, emitting at the brush with one window pixel per cell.
struct TestSimulation {
    ShellState shell;
    WatercolorSimulation sim{shell};

    TestSimulation(int width, int height, int particles) {
        shell.window.canvasWidth = width;
        shell.window.canvasHeight = height;
        shell.window.displayScale = 1.0f;
        shell.editing.spawnMode = 2;
        shell.initSeed = [] { return 0u; };
        sim.particleCount = particles;
        sim.particleMass = 0.5f;
        sim.init();
        sim.parkParticles();
    }
};

// The bit patterns of the deposition's floats, so that comparisons see
// signed zeros and NaNs exactly.
inline std::vector<std::uint32_t> depositionBits(const WatercolorSimulation& sim) {
    std::vector<std::uint32_t> bits(4 * sim.deposition.size());
    if (!bits.empty()) {
        std::memcpy(bits.data(), sim.deposition.data(), bits.size() * sizeof(std::uint32_t));
    }
    return bits;
}
