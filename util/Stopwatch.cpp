#include "util/Stopwatch.h"

#include <chrono>

void Stopwatch::start() {
    if (!started) {
        started = true;
        markStart();
    }
}

float Stopwatch::elapsed() { return started ? secondsSinceMark() : 0.0f; }

namespace {
using Clock = std::chrono::steady_clock;

long long ticksNow() { return Clock::now().time_since_epoch().count(); }
}  // namespace

void SteadyStopwatch::markStart() { startTicks = ticksNow(); }

float SteadyStopwatch::secondsSinceMark() {
    // The tick difference in extended precision, then rounded once to float.
    const long long ticks = ticksNow() - startTicks;
    return static_cast<float>(static_cast<long double>(ticks) * Clock::period::num /
                              Clock::period::den);
}

namespace {
Stopwatch* replacementStopwatch = nullptr;
}

Stopwatch& stopwatch() {
    static SteadyStopwatch builtIn;
    return replacementStopwatch != nullptr ? *replacementStopwatch : builtIn;
}

void setStopwatch(Stopwatch* replacement) { replacementStopwatch = replacement; }
