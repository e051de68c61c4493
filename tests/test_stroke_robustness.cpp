// Strokes as people draw them: far outside the window, on one spot, with
// thousands of points, at odd window sizes. None of it may crash the painter
// or put a particle at a position that is not a finite number, and an Instant
// Result run on a session that traps its particles still ends.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <string>

#include "ShellTestSupport.h"
#include "app/SessionFile.h"
#include "app/SessionPlayer.h"
#include "sim/WatercolorSimulation.h"

namespace {

// A left-button stroke through the given window points (origin top-left).
std::string stroke(const std::vector<std::pair<long, long>>& points) {
    std::string events;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::string at = R"("x": )" + std::to_string(points[i].first) + R"(, "y": )" +
                               std::to_string(points[i].second);
        if (i == 0) {
            events += R"({"do": "mouse", "button": "left", "state": "down", )" + at + "},";
        }
        events += R"({"do": "motion", )" + at + "},";
        if (i + 1 == points.size()) {
            events += R"({"do": "mouse", "button": "left", "state": "up", )" + at + "},";
        }
    }
    return events;
}

std::string set(const std::string& control, double value) {
    return R"({"do": "set", "control": ")" + control + R"(", "value": )" + std::to_string(value) + "},";
}

// Plays events (a comma-terminated list) on the built-in 512 × 512 canvas and
// checks after every step that each particle is at a finite position. The
// first call starts the painter; later calls go on from where it is.
class Strokes : public ::testing::Test {
protected:
    Strokes() {
        painter.shell.afterStep = [this](const Shell& shell) {
            const auto& simulation = dynamic_cast<const WatercolorSimulation&>(*shell.simulation);
            for (const vec2& p : simulation.particlePosition) {
                if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
                    ++nonFinite;
                }
            }
            ++steps;
        };
    }

    // Returns what the painter wrote to the standard output.
    std::string play(std::string events) {
        events += R"({"do": "frame"})";
        Session& session = sessions.emplace_back();
        std::string error;
        const bool parsed = parseSession(R"({"version": 1, "seed": 5, "events": [)" + events + "]}", session, error);
        EXPECT_TRUE(parsed) << error;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        if (parsed) {
            SessionPlayer player(painter, session);
            if (sessions.size() == 1) {
                player.start();
            }
            for (const SessionEvent& event : session.events) {
                player.play(event);
            }
        }
        testing::internal::GetCapturedStderr();
        return testing::internal::GetCapturedStdout();
    }

    const WatercolorSimulation& simulation() const {
        return dynamic_cast<const WatercolorSimulation&>(*painter.shell.simulation);
    }

    ScratchDirectory scratch;
    HeadlessPainter painter;
    std::deque<Session> sessions;
    long nonFinite = 0;
    long steps = 0;
};

}  // namespace

TEST_F(Strokes, FarOutsideTheWindowInEveryMouseOperation) {
    // The canvas test has no lower bound: far left and far below count as on
    // the canvas, far right and far above do not (that motion is dropped).
    const std::string far =
        stroke({{-1000000, 1000000}, {500, 10}, {1000000, -1000000}, {-1000000, 300}, {5, 1000000}});
    std::string events;
    for (int operation : {1, 2, 2, 3, 0}) {  // area, both perspective lines, brush, then the path
        events += set("mouseOperation", operation) + far + R"({"do": "idle", "count": 5},)";
    }
    events += R"({"do": "button", "name": "Start"}, {"do": "idle", "count": 30},)";
    play(events);
    EXPECT_GT(steps, 30);
    EXPECT_EQ(nonFinite, 0);
    // The outline ran through the canvas from corner to corner, and the
    // lines made a perspective whose scale is finite in every column.
    EXPECT_GT(std::count(simulation().areaMask.begin(), simulation().areaMask.end(), 1), 0);
    for (const float scale : simulation().columnScale) {
        ASSERT_TRUE(std::isfinite(scale));
    }
}

TEST_F(Strokes, OneSpotRepeatedIsAPathOfLengthZero) {
    std::vector<std::pair<long, long>> spot(2000, {100, 300});
    play(stroke(spot) + R"({"do": "button", "name": "Start"},)");
    const PanelSettings& panel = painter.shell.state.panel;
    EXPECT_EQ(panel.pathLength, 10.0f);
    EXPECT_EQ(painter.shell.state.editing.path.size(), 2001);
    // Every particle is emitted on the spot itself: window (100, 512 − 300).
    for (const vec2& p : simulation().particlePosition) {
        ASSERT_EQ(p.x, 100.0f);
        ASSERT_EQ(p.y, 212.0f);
    }
    play(R"({"do": "idle", "count": 40},)");
    EXPECT_EQ(nonFinite, 0);
}

TEST_F(Strokes, ThousandsOfPointsInPathOutlineAndBrush) {
    std::vector<std::pair<long, long>> zigzag;
    for (long i = 0; i < 5000; ++i) {
        zigzag.push_back({20 + (i * 7) % 480, 30 + (i % 2) * 400 + (i % 13)});
    }
    std::string events = set("mouseOperation", 1) + stroke(zigzag) + set("mouseOperation", 3) + stroke(zigzag) +
                         set("mouseOperation", 0) + stroke(zigzag) + set("absorptivity", 0.2) +
                         R"({"do": "button", "name": "Start"}, {"do": "idle", "count": 60},)";
    play(events);
    EXPECT_EQ(painter.shell.state.editing.area.size(), 2 + 5000);  // the press adds its point twice
    EXPECT_EQ(painter.shell.state.panel.pathLength, 400.0f);       // far longer than 1000 particles
    EXPECT_EQ(nonFinite, 0);
}

TEST_F(Strokes, OddWindowSizesScaleStrokesWithoutOverflow) {
    // A canvas area one pixel wide: 512 canvas cells per window pixel. Then
    // no canvas area at all, where the last scale stays.
    std::string events = R"({"do": "reshape", "width": 491, "height": 1},)" +
                         stroke({{0, 1}, {1000000, -1000000}, {-3, 2}}) +
                         R"({"do": "button", "name": "Start"}, {"do": "idle", "count": 20},)" +
                         R"({"do": "reshape", "width": 490, "height": 65535},)" + set("mouseOperation", 3) +
                         stroke({{0, 65535}, {-1000000, 1000000}}) + R"({"do": "idle", "count": 20},)";
    play(events);
    EXPECT_EQ(painter.shell.state.window.displayScale, 512.0f);
    EXPECT_EQ(nonFinite, 0);
}

TEST_F(Strokes, InstantResultEndsOnASessionThatTrapsItsParticles) {
    // One particle on paper that soaks up nothing, under a gravity whose two
    // points coincide and on smooth paper: it never moves and never dries.
    const std::string trap = set("waterAmount", 1) + set("absorptivity", 0) + set("surfaceRoughness", 0) +
                             R"({"do": "mouse", "button": "middle", "state": "down", "x": 50, "y": 50},)"
                             R"({"do": "mouse", "button": "middle", "state": "up", "x": 50, "y": 50},)" +
                             stroke({{100, 100}, {140, 120}}) + set("instantResult", 1) +
                             R"({"do": "button", "name": "Start"},)";
    const std::string output = play(trap);
    EXPECT_NE(output.find("instant result stopped after 100000 steps, 1 particles still active\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("simlation time: "), std::string::npos);
    EXPECT_EQ(steps, 100001);  // the emitting step, then the bounded repetitions
    EXPECT_FALSE(painter.shell.instantRun.active);
    EXPECT_EQ(painter.shell.state.panel.activeParticles, 1);
    EXPECT_EQ(nonFinite, 0);
}
