#include "util/Stopwatch.h"

#include <chrono>
#include <cstring>

StopwatchBase::StopwatchBase(const char* stopwatchName) {
    // Keep at most 39 characters so the name always ends inside the array.
    std::strncpy(name, stopwatchName, sizeof(name));
    name[sizeof(name) - 1] = '\0';
}

void StopwatchBase::start() {
    ++startCount;
    if (!running) {
        running = true;
        markStart();
    }
}

float StopwatchBase::elapsed() {
    if (!running) {
        return accumulated;
    }
    return static_cast<float>(secondsSinceMark() + accumulated);
}

std::int64_t StopwatchWin32::frequency = 0;
bool StopwatchWin32::frequencyKnown = false;
int StopwatchWin32::frequencyReads = 0;

namespace {
using Clock = std::chrono::steady_clock;

std::int64_t counterNow() { return Clock::now().time_since_epoch().count(); }
}  // namespace

StopwatchWin32::StopwatchWin32(const char* stopwatchName) : StopwatchBase(stopwatchName) {
    description = "Monotonic wall clock (std::chrono::steady_clock)";
    if (!frequencyKnown) {
        frequency = Clock::period::den / Clock::period::num;
        frequencyKnown = true;
        ++frequencyReads;
    }
}

void StopwatchWin32::markStart() { startReading = counterNow(); }

float StopwatchWin32::secondsSinceMark() {
    const std::int64_t ticks = counterNow() - startReading;
    return static_cast<float>(static_cast<long double>(ticks) / static_cast<long double>(frequency));
}

namespace {
StopwatchBase* replacementStopwatch = nullptr;
}

StopwatchBase& stopwatch() {
    static StopwatchWin32 builtIn("Stopwatch");
    return replacementStopwatch != nullptr ? *replacementStopwatch : builtIn;
}

void setStopwatch(StopwatchBase* replacement) { replacementStopwatch = replacement; }
