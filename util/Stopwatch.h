#pragma once

// Wall-clock seconds since the stopwatch was started. The program has one,
// started during start-up and never stopped: its readings time a run, stamp
// each step, and (truncated) seed the random generator at every init.
class Stopwatch {
public:
    virtual ~Stopwatch() = default;

    // Only the first start takes a reading; a later one changes nothing.
    void start();

    // Seconds since the start, as a float; 0 before the start.
    float elapsed();

    bool running() const { return started; }

protected:
    virtual void markStart() = 0;
    virtual float secondsSinceMark() = 0;

private:
    bool started = false;
};

// The program's clock: the monotonic std::chrono::steady_clock.
class SteadyStopwatch : public Stopwatch {
protected:
    void markStart() override;
    float secondsSinceMark() override;

private:
    long long startTicks = 0;
};

// The program-wide stopwatch. setStopwatch replaces it (tests use a manual
// clock); passing nullptr restores the built-in one.
Stopwatch& stopwatch();
void setStopwatch(Stopwatch* replacement);
