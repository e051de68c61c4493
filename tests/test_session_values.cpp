// Sessions travel between people: every value of a session file that is of
// the wrong type, not finite or out of range is refused with its JSON path
// before anything runs, and a control value beyond the panel's limits reaches
// the painter clamped, exactly as the panel would have held it.

#include <gtest/gtest.h>

#include <string>

#include "ShellTestSupport.h"
#include "app/SessionFile.h"
#include "app/SessionPlayer.h"
#include "sim/WatercolorSimulation.h"

namespace {

std::string errorOf(const std::string& text) {
    Session session;
    std::string error;
    return parseSession(text, session, error) ? "" : error;
}

std::string eventError(const std::string& event) {
    return errorOf(R"({"version": 1, "events": [{"do": "idle"}, )" + event + "]}");
}

}  // namespace

TEST(SessionValues, WrongTypesAreRefusedWithTheirPath) {
    // Every value that is not what its key takes, each with the start of the line it gives.
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {R"({"version": "1", "events": []})", "version: expected 1, not a string"},
        {R"({"version": 2, "events": []})", "version: expected 1, not 2"},
        {R"({"version": 1.5, "events": []})", "version: expected 1, not 1.5"},
        {R"({"version": 1, "canvas": 5, "events": []})", "canvas: expected a string, not 5"},
        {R"({"version": 1, "canvas": null, "events": []})", "canvas: expected a string, not null"},
        {R"({"version": 1, "canvas": "a\u0000b.bmp", "events": []})", "canvas: expected a file name without NUL"},
        {R"({"version": 1, "seed": -1, "events": []})", "seed: expected an integer from 0 to 4294967295, not -1"},
        {R"({"version": 1, "seed": 4294967296, "events": []})", "seed: expected an integer from 0 to 4294967295"},
        {R"({"version": 1, "seed": 0.5, "events": []})", "seed: expected an integer from 0 to 4294967295"},
        {R"({"version": 1, "seed": true, "events": []})", "seed: expected an integer from 0 to 4294967295"},
        {R"({"version": 1, "events": {}})", "events: expected an array of events, not an object"},
        {R"({"version": 1})", "events: missing"},
        {R"({"events": []})", "version: missing"},
        {R"([1])", "session: expected a JSON object, not an array"},
    };
    for (const auto& c : cases) {
        const std::string error = errorOf(c.text);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << "\n got: " << error;
    }
}

TEST(SessionValues, HugeAndNonFiniteNumbersAreRefusedWherever) {
    const struct {
        std::string event;
        std::string error;
    } cases[] = {
        // JSON has no NaN or infinity; a number beyond a double is the nearest thing.
        {R"({"do": "set", "control": "absorptivity", "value": 1e999})", "events[1].value: expected a finite number"},
        {R"({"do": "set", "control": "absorptivity", "value": NaN})", "events[1].value: not valid JSON"},
        {R"({"do": "set", "control": "absorptivity", "value": Infinity})", "events[1].value: not valid JSON"},
        {R"({"do": "set", "control": "waterAmount", "value": 1e999})", "events[1].value: expected a finite number"},
        {R"({"do": "set", "control": "waterAmount", "value": "5"})", "events[1].value: expected an integer, not a string"},
        {R"({"do": "set", "control": "instantResult", "value": true})", "events[1].value: expected 0 or 1, not a boolean"},
        {R"({"do": "set", "control": "mouseOperation", "value": 1e300})", "events[1].value: expected an integer from 0 to 3"},
        {R"({"do": "mouse", "button": "left", "state": "down", "x": 1e300, "y": 0})",
         "events[1].x: expected a number from -1000000 to 1000000"},
        {R"({"do": "mouse", "button": 0, "state": "down", "x": 1, "y": 0})", "events[1].button: expected one of left"},
        {R"({"do": "motion", "x": [], "y": 0})", "events[1].x: expected a number, not an array"},
        {R"({"do": "idle", "count": 1e300})", "events[1].count: expected an integer from 1 to 2147483647"},
        {R"({"do": "idle", "count": 2147483648})", "events[1].count: expected an integer from 1 to 2147483647"},
        {R"({"do": "reshape", "width": 1e300, "height": 5})", "events[1].width: expected an integer from 1 to 65535"},
        {R"({"do": "reshape", "width": -5, "height": 5})", "events[1].width: expected an integer from 1 to 65535"},
        {R"({"do": "button", "name": "Init", "seed": 1e300})", "events[1].seed: expected an integer from 0 to"},
        {R"({"do": "button", "name": "Image Open", "file": 7})", "events[1].file: expected a string, not 7"},
        {R"({"do": "color", "rgb": [1e300, 0, 0]})", "events[1].rgb[0]: expected an integer from 0 to 255"},
        {R"({"do": "color", "rgb": [-1, 0, 0]})", "events[1].rgb[0]: expected an integer from 0 to 255"},
    };
    for (const auto& c : cases) {
        const std::string error = eventError(c.event);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.event << "\n got: " << error;
    }
}

TEST(SessionValues, ClampedValuesReachThePainterAsThePanelHoldsThem) {
    ScratchDirectory scratch;
    Session session;
    std::string error;
    ASSERT_TRUE(parseSession(R"({"version": 1, "events": [
        {"do": "set", "control": "waterAmount", "value": 1e300},
        {"do": "set", "control": "particleSizeIndex", "value": -7},
        {"do": "set", "control": "absorptivity", "value": 1e300},
        {"do": "set", "control": "surfaceRoughness", "value": -1e300},
        {"do": "set", "control": "depositionAmount", "value": 250},
        {"do": "set", "control": "depositionResolvability", "value": 0}]})",
                             session, error))
        << error;
    HeadlessPainter painter;
    SessionPlayer player(painter, session);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    player.playAll();
    testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    const PanelSettings& panel = painter.shell.state.panel;
    EXPECT_EQ(panel.waterAmount, 2000);
    EXPECT_EQ(painter.shell.simulation->particleCount, 2000);  // the callback ran with the clamped value
    EXPECT_EQ(panel.particleSizeIndex, 0);
    EXPECT_EQ(panel.absorptivity, 0.4f);
    EXPECT_EQ(panel.surfaceRoughness, 0.0f);
    EXPECT_EQ(panel.depositionAmount, 100.0f);
    EXPECT_EQ(panel.depositionResolvability, 0.1f);
    EXPECT_EQ(panel.resolvabilityComplement, 1.0f - 0.1f);
    // The absorptivity callback ran last: coefficient · (F + 1) · (N + 150) · a, with F = 0 after size 0.
    EXPECT_EQ(panel.capacityFill, panel.capacityCoefficient * 1.0f * 2150.0f * 0.4f);
}
