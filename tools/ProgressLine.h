#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <streambuf>
#include <string>

// One line on the standard error stream, rewritten in place while a session
// plays, so a long render shows that it is moving. It is drawn only when the
// stream is a terminal (a log file gets no carriage returns) and at most ten
// times a second, and erased when the run ends. While it is shown, whatever
// the painter writes through std::cout or std::cerr first erases it, so the
// painter's own lines never begin in the middle of it.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled);
    ~ProgressLine();

    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    struct State {
        std::size_t eventsPlayed = 0;
        std::size_t eventsTotal = 0;
        long long steps = 0;
        // Percent of an Instant Result run in progress, or -1.
        int instantPercent = -1;
        // Frames of the time-lapse written so far, or -1 without one.
        long long frames = -1;
    };

    // Redraws the line if a tenth of a second has passed since the last time.
    void update(const State& state);
    // Erases the line; later updates draw nothing.
    void finish();
    // Erases the line if it is shown; the next update draws it again.
    void clear();

    // The text of the line (without the control characters).
    static std::string text(const State& state, double elapsedSeconds);

private:
    class ClearingBuffer;

    bool enabled;
    bool drawn = false;
    std::unique_ptr<ClearingBuffer> outGuard;
    std::unique_ptr<ClearingBuffer> errGuard;
    std::streambuf* savedOut = nullptr;
    std::streambuf* savedErr = nullptr;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastDrawn;
};
