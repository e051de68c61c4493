#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <sstream>

#include "ShellTestSupport.h"

namespace {

using enum PanelCommand;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool isTimingLine(const std::string& line) {
    return std::regex_match(line, std::regex(R"(simlation time: [-+0-9.e]+ msec)"));
}

void tickInstantResult(Shell& shell) {
    shell.state.panel.instantResult = 1;
    controlCallback(shell, InstantResultToggled);
}

// Presses Start and returns the lines the run wrote.
std::vector<std::string> pressStart(Shell& shell) {
    testing::internal::CaptureStdout();
    controlCallback(shell, Start);
    return linesOf(testing::internal::GetCapturedStdout());
}

// The painter on its built-in blank canvas, drawn once so the scale is set,
// with a one-click path at window (100, 100) and Instant Result ticked.
void startWithAClickedPath(TestShell& t, std::uint32_t seed) {
    startQuietly(t, seed);
    t.windows.displayNow();
    mouse(t.shell, LeftButton, ButtonPressed, 100, 100);
    mouse(t.shell, LeftButton, ButtonReleased, 100, 100);
    tickInstantResult(t.shell);
}

// The soaking scene: a long diagonal stroke on absorbent paper, so the
// particles start at many heights and the run ends by itself.
void startSoakingScene(TestShell& t) {
    startWithAClickedPath(t, 3);
    mouse(t.shell, LeftButton, ButtonPressed, 50, 50);
    motion(t.shell, 450, 450);
    mouse(t.shell, LeftButton, ButtonReleased, 450, 450);
    t.shell.state.panel.absorptivity = 0.4f;
    controlCallback(t.shell, AbsorptivityChanged);
}

// Runs the soaking scene to its end and returns its console lines; an
// incremental run is advanced in slices of two repetitions.
std::vector<std::string> runSoaking(bool incremental, std::vector<vec4>& deposition) {
    ScratchDirectory scratch;
    TestShell t;
    startSoakingScene(t);
    t.shell.incrementalInstantRun = incremental;
    testing::internal::CaptureStdout();
    controlCallback(t.shell, Start);
    while (!advanceInstantRun(t.shell, 2)) {
    }
    const std::vector<std::string> lines = linesOf(testing::internal::GetCapturedStdout());
    deposition.assign(t.shell.simulation->deposition.begin(), t.shell.simulation->deposition.end());
    return lines;
}

}  // namespace

TEST(InstantRun, AdvancingInSlicesTakesTheSameStepsAndWritesTheSameLines) {
    std::vector<vec4> wholeDeposition;
    std::vector<vec4> slicedDeposition;
    const std::vector<std::string> whole = runSoaking(false, wholeDeposition);
    const std::vector<std::string> sliced = runSoaking(true, slicedDeposition);
    ASSERT_EQ(whole.size(), sliced.size());
    for (std::size_t i = 0; i + 1 < whole.size(); ++i) {
        EXPECT_EQ(whole[i], sliced[i]);
    }
    EXPECT_TRUE(isTimingLine(sliced.back()));
    ASSERT_EQ(wholeDeposition.size(), slicedDeposition.size());
    EXPECT_EQ(std::memcmp(wholeDeposition.data(), slicedDeposition.data(),
                          wholeDeposition.size() * sizeof(vec4)),
              0);
}

TEST(InstantRun, IncrementalStartOnlyBeginsAndCancelEndsLikeTheNaturalEnd) {
    ScratchDirectory scratch;
    TestShell t;
    startSoakingScene(t);
    t.shell.incrementalInstantRun = true;
    PanelSettings& panel = t.shell.state.panel;
    const long long before = t.shell.stepStatistics.steps;

    testing::internal::CaptureStdout();
    controlCallback(t.shell, Start);
    EXPECT_TRUE(t.shell.instantRun.active);
    EXPECT_EQ(t.shell.stepStatistics.steps, before + 1);  // only the emitting step
    EXPECT_FALSE(advanceInstantRun(t.shell, 2));
    cancelInstantRun(t.shell);
    const std::vector<std::string> lines = linesOf(testing::internal::GetCapturedStdout());

    EXPECT_FALSE(t.shell.instantRun.active);
    EXPECT_EQ(panel.emitting, 0);
    EXPECT_EQ(panel.activeParticles, 1);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(isTimingLine(lines.back()));
    EXPECT_TRUE(advanceInstantRun(t.shell, 10));
    EXPECT_EQ(t.shell.stepStatistics.steps, before + 3);
}

// A real scene that would never end on its own: no absorption, a smooth
// paper, no roughness and a gravity drag of zero length, so the particles sit
// wet and still on the path point.
TEST(InstantRun, ParticlesTrappedOnTheCanvasHitTheLimit) {
    ScratchDirectory scratch;  // the built-in blank canvas
    TestShell t;
    startWithAClickedPath(t, 1);
    mouse(t.shell, MiddleButton, ButtonPressed, 300, 300);
    mouse(t.shell, MiddleButton, ButtonReleased, 300, 300);
    t.shell.state.panel.surfaceRoughness = 0.0f;
    t.shell.instantRun.repetitionLimit = 20;

    const std::vector<std::string> lines = pressStart(t.shell);

    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "0%");
    EXPECT_EQ(lines[1], "instant result stopped after 20 steps, 1000 particles still active");
    EXPECT_TRUE(isTimingLine(lines[2]));
    EXPECT_EQ(t.shell.stepStatistics.steps, 21);
    EXPECT_EQ(t.shell.simulation->particlePosition[0].x, 100.0f);
}

TEST(InstantRun, ParticlesThatSoakInRunToOneHundredPercent) {
    ScratchDirectory scratch;
    TestShell t;
    startSoakingScene(t);
    PanelSettings& panel = t.shell.state.panel;
    panel.emitting = 1;
    t.shell.state.editing.overlayVisible = 1;

    const std::vector<std::string> lines = pressStart(t.shell);

    // The snapshot came first, and what the run changed is restored.
    EXPECT_EQ(t.shell.simulation->historyTop, 0);
    EXPECT_EQ(panel.emitting, 1);
    EXPECT_EQ(panel.activeParticles, 1);
    EXPECT_EQ(t.shell.state.editing.overlayVisible, 0);
    EXPECT_FALSE(t.shell.instantRun.active);
    EXPECT_EQ(t.shell.instantRun.percent, 100);

    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[lines.size() - 2], "100%");
    EXPECT_TRUE(isTimingLine(lines.back()));
    int previous = -1;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const int percent = std::stoi(lines[i]);
        EXPECT_EQ(lines[i], std::to_string(percent) + "%");
        EXPECT_EQ(percent % 10, 0);
        EXPECT_GT(percent, previous);  // here particles only ever stop
        previous = percent;
    }
    EXPECT_LT(t.shell.stepStatistics.steps, 100000);
}
