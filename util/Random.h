#pragma once

#include <cstdint>

// The program's one random sequence. It is the classic linear congruential
// recurrence of the common C runtimes, so a seed yields the same values on
// every machine and a recorded session replays bit for bit.
struct RandomState {
    std::uint32_t state = 1;
};

// The program-wide generator state. Tests may save and assign it.
RandomState& randomState();

// Sets the state to the seed.
void seedRandom(std::uint32_t seed);

// Advances the sequence and returns the next value, 0 to 32767.
int nextRandom();

// nextRandom() / 32767.0, computed in double and stored as a float (0 to 1).
float uniformRandom();
