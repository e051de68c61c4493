#include "tools/ProgressLine.h"

#include <cstdio>
#include <iostream>

namespace {

constexpr std::chrono::milliseconds redrawInterval{100};

}  // namespace

// Passes everything on to the stream's own buffer, after erasing the
// progress line.
class ProgressLine::ClearingBuffer : public std::streambuf {
public:
    ClearingBuffer(std::streambuf* target, ProgressLine& line) : target(target), line(line) {}

protected:
    int overflow(int c) override {
        line.clear();
        return c == traits_type::eof() ? traits_type::not_eof(c) : target->sputc(static_cast<char>(c));
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        line.clear();
        return target->sputn(text, count);
    }
    int sync() override { return target->pubsync(); }

private:
    std::streambuf* target;
    ProgressLine& line;
};

ProgressLine::ProgressLine(bool enabled)
    : enabled(enabled), started(std::chrono::steady_clock::now()), lastDrawn(started) {
    if (enabled) {
        outGuard = std::make_unique<ClearingBuffer>(std::cout.rdbuf(), *this);
        errGuard = std::make_unique<ClearingBuffer>(std::cerr.rdbuf(), *this);
        savedOut = std::cout.rdbuf(outGuard.get());
        savedErr = std::cerr.rdbuf(errGuard.get());
    }
}

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

void ProgressLine::clear() {
    if (drawn) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        drawn = false;
    }
}

void ProgressLine::finish() {
    clear();
    if (savedOut != nullptr) {
        std::cout.rdbuf(savedOut);
        std::cerr.rdbuf(savedErr);
        savedOut = nullptr;
        savedErr = nullptr;
    }
    enabled = false;
}

std::string ProgressLine::text(const State& state, double elapsedSeconds) {
    char line[160];
    std::snprintf(line, sizeof line, "seep-render: event %zu/%zu, %lld steps, %.1f s", state.eventsPlayed,
                  state.eventsTotal, state.steps, elapsedSeconds);
    std::string shown = line;
    if (state.frames >= 0) {
        shown += ", " + std::to_string(state.frames) + " frames";
    }
    if (state.instantPercent >= 0) {
        shown += ", Instant Result " + std::to_string(state.instantPercent) + "%";
    }
    return shown;
}
