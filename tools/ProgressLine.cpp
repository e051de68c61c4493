#include "tools/ProgressLine.h"

#include <cstdio>

namespace {

constexpr std::chrono::milliseconds redrawInterval{100};

}  // namespace

ProgressLine::ProgressLine(bool enabled)
    : enabled(enabled), started(std::chrono::steady_clock::now()), lastDrawn(started) {}

ProgressLine::~ProgressLine() {
    finish();
}

void ProgressLine::update(const State& state) {
    if (!enabled) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDrawn < redrawInterval) {
        return;
    }
    lastDrawn = now;
    const double elapsed = std::chrono::duration<double>(now - started).count();
    // Carriage return, the text, then erase whatever a longer line left.
    std::fprintf(stderr, "\r%s\033[K", text(state, elapsed).c_str());
    std::fflush(stderr);
    drawn = true;
}

void ProgressLine::finish() {
    if (enabled && drawn) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
    enabled = false;
}

std::string ProgressLine::text(const State& state, double elapsedSeconds) {
    char line[160];
    std::snprintf(line, sizeof line, "seep-render: event %zu/%zu, %lld steps, %.1f s", state.eventsPlayed,
                  state.eventsTotal, state.steps, elapsedSeconds);
    std::string shown = line;
    if (state.instantPercent >= 0) {
        shown += ", Instant Result " + std::to_string(state.instantPercent) + "%";
    }
    return shown;
}
