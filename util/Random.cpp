#include "util/Random.h"

RandomState& randomState() {
    static RandomState state;
    return state;
}

void seedRandom(std::uint32_t seed) { randomState().state = seed; }

int nextRandom() {
    std::uint32_t& state = randomState().state;
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7fffu);
}

float uniformRandom() { return static_cast<float>(nextRandom() / 32767.0); }
