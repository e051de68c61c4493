#pragma once

#include <cstdint>

// The program's one random sequence. It is the classic linear congruential
// recurrence of the common C runtimes, so a seed yields the same values on
// every machine and a recorded session replays bit for bit.
struct RandomState {
    std::uint32_t state = 1;
};

// The generator state itself; use randomState().
inline RandomState programRandomState;

// The program-wide generator state. Tests may save and assign it.
inline RandomState& randomState() { return programRandomState; }

// Sets the state to the seed.
void seedRandom(std::uint32_t seed);

// Advances the sequence and returns the next value, 0 to 32767. Inline: the
// time step draws one for every particle.
inline int nextRandom() {
    std::uint32_t& state = randomState().state;
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7fffu);
}

// nextRandom() / 32767.0, computed in double and stored as a float (0 to 1).
inline float uniformRandom() { return static_cast<float>(nextRandom() / 32767.0); }
