#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "app/SessionFile.h"

namespace {

// A session whose events array holds the given events (JSON text).
std::string withEvents(const std::string& events) {
    return R"({"version": 1, "events": [)" + events + "]}";
}

// The error line for text, or "" if it parsed.
std::string errorOf(const std::string& text) {
    Session session;
    std::string error;
    return parseSession(text, session, error) ? "" : error;
}

Session parsed(const std::string& text) {
    Session session;
    std::string error;
    EXPECT_TRUE(parseSession(text, session, error)) << error;
    return session;
}

const std::string pressAt = R"({"do": "mouse", "button": "left", "state": "down", "x": 1, "y": 2})";

}  // namespace

TEST(SessionFile, ReadsEveryKindOfEvent) {
    const Session session = parsed(R"({
        "version": 1, "canvas": "paper.png", "seed": 4294967295,
        "events": [
            {"do": "set", "control": "absorptivity", "value": 0.2},
            {"do": "button", "name": "Image Open", "file": "a.png", "seed": 7},
            {"do": "mouse", "button": "middle", "state": "up", "x": 100.75, "y": -3, "rgb": [1, 2, 255]},
            {"do": "motion", "x": 5, "y": 6},
            {"do": "idle", "count": 30},
            {"do": "idle"},
            {"do": "color", "rgb": [10, 20, 30]},
            {"do": "reshape", "width": 1200, "height": 700},
            {"do": "frame"}
        ]})");
    EXPECT_EQ(session.canvas, "paper.png");
    EXPECT_EQ(session.seed, 4294967295u);
    ASSERT_EQ(session.events.size(), 9u);

    const SessionEvent& set = session.events[0];
    EXPECT_EQ(set.kind, EventKind::Set);
    EXPECT_STREQ(set.control->name, "absorptivity");
    EXPECT_EQ(set.control->command, PanelCommand::AbsorptivityChanged);
    EXPECT_EQ(set.value, double(0.2f));

    const SessionEvent& open = session.events[1];
    EXPECT_EQ(open.button, PanelButton::ImageOpen);
    EXPECT_EQ(panelButtonCommand(open.button), PanelCommand::ImageOpen);
    EXPECT_EQ(open.file, "a.png");
    EXPECT_EQ(open.seed, 7u);

    const SessionEvent& mouse = session.events[2];
    EXPECT_EQ(mouse.mouseButton, 1);
    EXPECT_EQ(mouse.mouseState, 1);
    // A fraction is cut toward zero, as the window system's int would be.
    EXPECT_EQ(mouse.x, 100);
    EXPECT_EQ(mouse.y, -3);
    EXPECT_EQ(mouse.rgb, (Rgb{1, 2, 255}));

    EXPECT_EQ(session.events[3].kind, EventKind::Motion);
    EXPECT_EQ(session.events[4].count, 30);
    EXPECT_EQ(session.events[5].count, 1);
    EXPECT_EQ(session.events[6].rgb, (Rgb{10, 20, 30}));
    EXPECT_EQ(session.events[7].width, 1200);
    EXPECT_EQ(session.events[7].height, 700);
    EXPECT_EQ(session.events[8].kind, EventKind::Frame);
}

TEST(SessionFile, DefaultsAreTheStartCanvasAndSeedZero) {
    const Session session = parsed(R"({"version": 1, "events": []})");
    EXPECT_EQ(session.canvas, "default.bmp");
    EXPECT_EQ(session.seed, 0u);
    EXPECT_TRUE(session.events.empty());
    // Without a seed of its own an init takes the session's.
    EXPECT_FALSE(parsed(withEvents(R"({"do": "button", "name": "Init"})")).events[0].seed.has_value());
}

TEST(SessionFile, ValuesOutsideAControlsLimitsAreClampedAsThePanelClamps) {
    const struct {
        const char* control;
        const char* value;
        double expected;
    } cases[] = {
        {"waterAmount", "5000", 2000},          {"waterAmount", "0", 1},
        {"waterAmount", "-1e300", 1},           {"particleSizeIndex", "11", 10},
        {"particleSizeIndex", "-2", 0},         {"absorptivity", "0.5", double(0.4f)},
        {"absorptivity", "-1", 0},              {"surfaceRoughness", "10", double(9.5f)},
        {"depositionAmount", "1e300", 100},     {"depositionResolvability", "0", double(0.1f)},
        {"depositionResolvability", "2", 1.0},  {"depositionResolvability", "0.55", double(0.55f)},
        {"waterAmount", "1e3", 1000},           {"absorptivity", "0.25", 0.25},
    };
    for (const auto& c : cases) {
        const std::string event =
            std::string(R"({"do": "set", "control": ")") + c.control + R"(", "value": )" + c.value + "}";
        const Session session = parsed(withEvents(event));
        ASSERT_EQ(session.events.size(), 1u);
        EXPECT_EQ(session.events[0].value, c.expected) << c.control << " = " << c.value;
    }
}

TEST(SessionFile, ErrorsNameThePathAndWhatWasExpected) {
    const struct {
        std::string text;
        std::string error;  // the line starts with this
    } cases[] = {
        {withEvents(pressAt + R"(, {"do": "motion", "x": "7", "y": 1})"), "events[1].x: expected a number"},
        {withEvents(R"({"do": "motion", "x": 1, "y": 1, "z": 3})"), "events[0].z: unknown key for a motion event"},
        {withEvents(R"({"do": "button", "name": "Image Save"})"), "events[0].file: missing"},
        {withEvents(R"({"do": "button", "name": "Start", "file": "x.png"})"), "events[0].file: not allowed"},
        {withEvents(R"({"do": "button", "name": "Undo", "seed": 3})"), "events[0].seed: not allowed"},
        {withEvents(R"({"do": "set", "control": "waterAmount", "value": 2.5})"),
         "events[0].value: expected an integer"},
        {withEvents(R"({"do": "set", "control": "showParticles", "value": 2})"),
         "events[0].value: expected 0 or 1, not 2"},
        {withEvents(R"({"do": "set", "control": "gravityEnabled", "value": true})"),
         "events[0].value: expected 0 or 1"},
        {withEvents(R"({"do": "set", "control": "mouseOperation", "value": 4})"),
         "events[0].value: expected an integer from 0 to 3, not 4"},
        {withEvents(R"({"do": "set", "control": "absorptivity"})"), "events[0].value: missing"},
        {withEvents(R"({"do": "set", "control": "paperColour", "value": 1})"), "events[0].control: expected one of"},
        {R"({"version": 1, "seed": -1, "events": []})", "seed: expected an integer from 0 to 4294967295, not -1"},
        {R"({"version": 1, "seed": 4294967296, "events": []})", "seed: expected an integer from 0 to 4294967295"},
        {R"({"version": 1, "seed": 0.5, "events": []})", "seed: expected an integer"},
        {withEvents(R"({"do": "motion", "x": 1e400, "y": 1})"), "events[0].x: expected a finite number"},
        {withEvents(R"({"do": "motion", "x": 1, "y": -1e20})"), "events[0].y: expected a number from -1000000"},
        {withEvents(R"({"do": "color", "rgb": [1, 2]})"), "events[0].rgb: expected an array of three integers"},
        {withEvents(R"({"do": "color", "rgb": [1, 256, 3]})"), "events[0].rgb[1]: expected an integer from 0 to 255"},
        {withEvents(R"({"do": "color", "rgb": [1, 2, 3.5]})"), "events[0].rgb[2]: expected an integer from 0 to 255"},
        {withEvents(pressAt.substr(0, pressAt.size() - 1) + R"(, "rgb": "red"})"), "events[0].rgb: expected an array"},
        {withEvents(R"({"do": "idle", "count": 0})"), "events[0].count: expected an integer from 1 to"},
        {withEvents(R"({"do": "reshape", "width": 0, "height": 10})"), "events[0].width: expected an integer from 1 to 65535"},
        {withEvents(R"({"do": "reshape", "width": 10, "height": 70000})"), "events[0].height: expected an integer from 1"},
        {withEvents(R"({"do": "frame", "count": 1})"), "events[0].count: unknown key for a frame event"},
        {withEvents(R"({"do": "jump"})"), "events[0].do: expected one of set, button"},
        {withEvents(R"({"x": 1})"), "events[0].do: missing"},
        {withEvents(R"({"do": "mouse", "button": "left", "state": "pressed", "x": 1, "y": 1})"),
         "events[0].state: expected one of down, up"},
        {withEvents(R"(3)"), "events[0]: expected an event object, not 3"},
        {R"({"version": 2, "events": []})", "version: expected 1, not 2"},
        {R"({"events": []})", "version: missing"},
        {R"({"version": 1})", "events: missing"},
        {R"({"version": 1, "events": {}})", "events: expected an array of events, not an object"},
        {R"({"version": 1, "canvas": 5, "events": []})", "canvas: expected a string, not 5"},
        {R"({"version": 1, "canvas": "a\u0000b", "events": []})", "canvas: expected a file name without NUL"},
        {R"({"version": 1, "events": [], "colour": 1})", "colour: unknown key for a session"},
        {R"({"version": 1, "canvas": "a.png", "painting": "a.ora", "events": []})", "painting: not allowed together with canvas"},
        {R"({"version": 1, "painting": "", "events": []})", "painting: expected the name of a painting file"},
        {withEvents(R"({"do": "button", "name": "Painting Save"})"), "events[0].file: missing"},
        {withEvents(R"({"do": "button", "name": "Painting Save", "file": "a.ora", "seed": 1})"), "events[0].seed: not allowed"},
        {R"([1, 2])", "session: expected a JSON object, not an array"},
        {withEvents(R"({"do": "motion", "x": 1, "x": 2, "y": 3})"), "events[0].x: duplicate key"},
    };
    for (const auto& c : cases) {
        const std::string error = errorOf(c.text);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << "text: " << c.text << "\n got: " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

// The events are checked while the file is read, the rest after it: the
// line must still be the one a check of the whole document gives first.
TEST(SessionFile, ReadInPiecesItComplainsAsAboutTheWholeDocument) {
    const std::string badEvent = R"("events": [{"do": "idle"}, {"do": "jump"}])";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"{" + badEvent + R"(, "version": 1, "zz": 1, "b": 2})", "b: unknown key for a session"},
        {"{" + badEvent + R"(, "version": 2})", "version: expected 1, not 2"},
        {"{" + badEvent + R"(, "version": 1, "seed": -1})", "seed: expected an integer from 0 to 4294967295, not -1"},
        {"{" + badEvent + R"(, "version": 1})", "events[1].do: expected one of set, button"},
        {"{" + badEvent + R"(, "version": 1} x)", "session: not valid JSON: parse error"},
        {R"({"version": 1, "events": [{"do": "jump"}, {"do": "frame", "do": "idle"}]})", "events[1].do: duplicate key"},
        // What a piece keeps of long arrays and deep values still tells them apart.
        {withEvents(R"({"do": "color", "rgb": [1, 2, 3, 4, 5, 6]})"),
         "events[0].rgb: expected an array of three integers from 0 to 255, not an array"},
        {withEvents(R"({"do": "color", "rgb": [1, {"a": [2]}, 3]})"),
         "events[0].rgb[1]: expected an integer from 0 to 255, not an object"},
        {withEvents(R"({"do": "motion", "x": [[1]], "y": 2})"), "events[0].x: expected a number, not an array"},
        {R"({"version": [1, 2, 3, 4, 5], "events": []})", "version: expected 1, not an array"},
    };
    for (const auto& c : cases) {
        const std::string error = errorOf(c.text);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << "text: " << c.text << "\n got: " << error;
    }
}

TEST(SessionFile, BrokenJsonAndBadUtf8AreOneClearLine) {
    EXPECT_EQ(errorOf("").rfind("session: not valid JSON: parse error at line 1, column 1", 0), 0u) << errorOf("");
    const std::string truncated = errorOf(withEvents(R"({"do": "motion", "x": 1,)"));
    EXPECT_EQ(truncated.rfind("events[0].x: not valid JSON: parse error at line 1", 0), 0u) << truncated;

    // The raw bytes are never echoed back: the line itself stays printable.
    const std::string badUtf8 = errorOf(R"({"version": 1, "canvas": "caf)" "\xe9" R"(", "events": []})");
    EXPECT_EQ(badUtf8.rfind("canvas: not valid JSON: ", 0), 0u) << badUtf8;
    EXPECT_NE(badUtf8.find("UTF-8"), std::string::npos) << badUtf8;
    for (const char c : badUtf8) {
        EXPECT_TRUE(c >= 0x20 && c < 0x7f) << badUtf8;
    }
    EXPECT_NE(errorOf(withEvents("") + " trailing").find("not valid JSON"), std::string::npos);
}

TEST(SessionFile, DeepOrHugeInputFailsWithoutCrashing) {
    const std::string deep = R"({"version": 1, "events": [)" + std::string(200000, '[');
    EXPECT_NE(errorOf(deep).find("not valid JSON"), std::string::npos);
    const std::string deepClosed = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_EQ(errorOf(deepClosed), "session: expected a JSON object, not an array");
    // An integer too large for 64 bits arrives as a double and is still refused by range.
    EXPECT_EQ(errorOf(R"({"version": 1, "seed": 99999999999999999999, "events": []})").rfind("seed: expected", 0), 0u);
}

TEST(SessionFile, LoadingAFileNamesItInEveryError) {
    Session session;
    std::string error;
    EXPECT_FALSE(loadSession("/nonexistent/session.json", session, error));
    EXPECT_EQ(error, "/nonexistent/session.json: cannot be read: No such file or directory");

    const std::string path = ::testing::TempDir() + "seep_session_file_test.json";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs(withEvents(R"({"do": "idle", "count": 2.5})").c_str(), file);
    std::fclose(file);
    EXPECT_FALSE(loadSession(path, session, error));
    EXPECT_EQ(error.rfind(path + ": events[0].count: expected an integer from 1 to", 0), 0u) << error;
    std::remove(path.c_str());
}
