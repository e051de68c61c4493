// Hours of painting in one run: 20,000 animated steps with brush strokes,
// paths, undo and Init in between must leave the heap where it was once the
// history is full. It prints its figures; scripts/sanitize.sh shows them for
// the run under the sanitizers.

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>

#include <cstddef>
#include <cstdio>
#include <string>

#include "ShellTestSupport.h"
#include "app/SessionFile.h"
#include "app/SessionPlayer.h"

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (GCC ships no header for it): the bytes the
// program holds, without the sanitizer's own quarantine and bookkeeping.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// Bytes in use on the heap right now.
long long liveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
#endif
}

long long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One round: a brush dab held over idle frames, a path and its animated run,
// an undo, and every fourth round an Init. 500 steps a round.
std::string round(int k) {
    const std::string x = std::to_string(60 + (k * 37) % 400);
    const std::string y = std::to_string(80 + (k * 53) % 350);
    std::string events = R"({"do": "set", "control": "mouseOperation", "value": 3},)"
                         R"({"do": "mouse", "button": "left", "state": "down", "x": )" + x + R"(, "y": )" + y + "},"
                         R"({"do": "idle", "count": 50},)"
                         R"({"do": "motion", "x": )" + y + R"(, "y": )" + x + "},"
                         R"({"do": "idle", "count": 50},)"
                         R"({"do": "mouse", "button": "left", "state": "up", "x": )" + y + R"(, "y": )" + x + "},"
                         R"({"do": "set", "control": "mouseOperation", "value": 0},)"
                         R"({"do": "mouse", "button": "left", "state": "down", "x": )" + x + R"(, "y": 300},)"
                         R"({"do": "motion", "x": 250, "y": )" + y + "},"
                         R"({"do": "mouse", "button": "left", "state": "up", "x": 250, "y": )" + y + "},"
                         R"({"do": "button", "name": "Start"}, {"do": "idle", "count": 400},)"
                         R"({"do": "button", "name": "Undo"},)";
    if (k % 4 == 3) {
        events += R"({"do": "button", "name": "Init"},)";
    }
    return events;
}

}  // namespace

TEST(Endurance, TwentyThousandStepsWithStrokesUndoAndInitKeepMemoryFlat) {
    ScratchDirectory scratch;
    HeadlessPainter painter;
    std::string events = R"({"do": "set", "control": "absorptivity", "value": 0.1},)";
    for (int k = 0; k < 40; ++k) {
        events += round(k);
    }
    events += R"({"do": "frame"})";
    Session session;
    std::string error;
    ASSERT_TRUE(parseSession(R"({"version": 1, "seed": 9, "events": [)" + events + "]}", session, error)) << error;

    // The heap is measured once the undo history has filled (12 snapshots,
    // three rounds of four pushes) and again at the end.
    long long settled = 0;
    long long highest = 0;
    std::size_t played = 0;
    SessionPlayer player(painter, session);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    player.playAll([&](std::size_t count) {
        played = count;
        const long long now = liveHeapBytes();
        highest = std::max(highest, now);
        if (count == session.events.size() / 4) {
            settled = now;
        }
    });
    testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    const long long finish = liveHeapBytes();

    EXPECT_EQ(painter.shell.stepStatistics.steps, 20000);
    EXPECT_EQ(played, session.events.size());
    std::printf("endurance: %lld steps; live heap %.1f MB after a quarter, %.1f MB at the end, %.1f MB at most; "
                "peak resident %.1f MB\n",
                painter.shell.stepStatistics.steps, settled / 1048576.0, finish / 1048576.0, highest / 1048576.0,
                peakResidentKiB() / 1024.0);
    // Flat: the last three quarters may not add more than a megabyte.
    EXPECT_LT(finish - settled, 1 << 20);
    EXPECT_LT(highest - settled, 1 << 20);
}
