#include "util/Random.h"

void seedRandom(std::uint32_t seed) { randomState().state = seed; }
