#pragma once

#include <cstdint>

// Bookkeeping of a stopwatch (running flag, accumulated time, start count);
// the clock itself is supplied by a derived class.
class StopwatchBase {
public:
    explicit StopwatchBase(const char* stopwatchName);
    virtual ~StopwatchBase() = default;

    StopwatchBase(const StopwatchBase&) = delete;
    StopwatchBase& operator=(const StopwatchBase&) = delete;

    // Counts the request; only the first start while stopped takes a reading.
    void start();

    // Seconds since the start plus what was accumulated; 0 before the start.
    float elapsed();

    float accumulated = 0.0f;
    std::int32_t startCount = 0;
    char name[40] = {};
    const char* description = "Stopwatch virtual base class";
    bool running = false;

protected:
    virtual void markStart() = 0;
    virtual float secondsSinceMark() = 0;
};

// The program's clock. It keeps the class name the rest of the program knows
// it by, but reads the monotonic std::chrono::steady_clock, whose tick rate is
// fixed at compile time and read once like a counter frequency.
class StopwatchWin32 : public StopwatchBase {
public:
    explicit StopwatchWin32(const char* stopwatchName = "Stopwatch");

    std::int64_t startReading = 0;
    static std::int64_t frequency;
    static bool frequencyKnown;
    // How many times the tick rate was read; lets a test see it happens once.
    static int frequencyReads;

protected:
    void markStart() override;
    float secondsSinceMark() override;
};

// The program-wide stopwatch. setStopwatch replaces it (tests use a manual
// clock); passing nullptr restores the built-in one.
StopwatchBase& stopwatch();
void setStopwatch(StopwatchBase* replacement);
