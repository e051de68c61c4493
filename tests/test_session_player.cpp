#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

#include "app/MouseInput.h"
#include "app/SessionFile.h"
#include "app/SessionPlayer.h"
#include "app/SessionRecorder.h"
#include "util/Random.h"

namespace {

Session parsedSession(const std::string& text) {
    Session session;
    std::string error;
    EXPECT_TRUE(parseSession(text, session, error)) << error;
    return session;
}

std::vector<float> deposition(Shell& shell) {
    const int values = 4 * shell.state.window.canvasWidth * shell.state.window.canvasHeight;
    std::vector<float> grid(static_cast<std::size_t>(values));
    for (int k = 0; k < values; ++k) {
        grid[k] = shell.simulation->depositionAt(k);
    }
    return grid;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

double total(const std::vector<float>& grid) {
    double sum = 0.0;
    for (const float value : grid) {
        sum += value;
    }
    return sum;
}

// Plays the session text on a fresh painter and hands it to check.
template <typename Check>
void play(const std::string& text, Check&& check) {
    const Session session = parsedSession(text);
    HeadlessPainter painter;
    SessionPlayer player(painter, session);
    player.playAll();
    check(painter.shell);
}

std::string withEvents(const std::string& events, const std::string& seed = "0") {
    return R"({"version": 1, "seed": )" + seed + R"(, "events": [)" + events + "]}";
}

// The generator's state after an init seeded with seed: it draws one number.
std::uint32_t stateAfterInit(std::uint32_t seed) {
    return seed * 214013u + 2531011u;
}

// The desktop's side of a recording: every callback runs on the shell, then
// the recorder hears of it, as the window system would deliver them.
struct RecordedDesktop {
    HeadlessPainter painter;
    SessionRecorder recorder;
    std::uint32_t clockSeconds = 0;

    RecordedDesktop() {
        painter.shell.state.initSeed = [this] {
            recorder.noteInitSeed(clockSeconds);
            return clockSeconds;
        };
        initialize(painter.shell);
        recorder.setStartSeed(0);
        // The window system draws the window before any input arrives; the
        // player plays that frame as part of the start-up.
        painter.windowSystem.displayNow();
    }
    void set(const char* name, double value) {
        const SessionControl* control = findSessionControl(name);
        setControl(painter.shell, *control, value);
        recorder.set(name, value);
    }
    void button(PanelButton button, const std::string& file = "") {
        painter.windowSystem.fileAnswer = file;
        if (button == PanelButton::ImageOpen || button == PanelButton::ImageSave) {
            recorder.noteFileAnswer(file);
        }
        controlCallback(painter.shell, panelButtonCommand(button));
        recorder.button(panelButtonLabel(button));
    }
    void mouse(int button, int state, int x, int y) {
        ::mouse(painter.shell, button, state, x, y);
        recorder.mouse(button, state, x, y);
    }
    void motion(int x, int y) {
        ::motion(painter.shell, x, y);
        recorder.motion(x, y);
    }
    void idle(int count) {
        for (int i = 0; i < count; ++i) {
            ::idle(painter.shell);
            recorder.idle();
        }
    }
};

}  // namespace

TEST(SessionPlayer, ARecordingPlaysBackToTheSameDepositionBitForBit) {
    RecordedDesktop desktop;
    desktop.set("absorptivity", 0.2f);
    desktop.set("depositionAmount", 40.0f);
    const Rgb red{200, 30, 20};
    setPaintColorBytes(desktop.painter.shell.state.panel, red.data());
    desktop.recorder.color(red);
    desktop.clockSeconds = 3;  // a later Init seeds with another second
    desktop.button(PanelButton::Init);
    desktop.mouse(LeftButton, ButtonPressed, 100, 300);
    desktop.motion(180, 260);
    desktop.motion(260, 240);
    desktop.mouse(LeftButton, ButtonReleased, 300, 200);
    desktop.button(PanelButton::Start);
    desktop.idle(40);
    desktop.painter.windowSystem.displayNow();
    desktop.recorder.frame();
    desktop.mouse(4, ButtonPressed, 10, 10);  // the wheel: not recorded
    desktop.set("mouseOperation", 3);
    desktop.mouse(LeftButton, ButtonPressed, 250, 250);
    desktop.idle(5);
    desktop.motion(300, 280);
    desktop.idle(5);
    desktop.mouse(LeftButton, ButtonReleased, 300, 280);
    desktop.idle(30);

    const std::string recording = desktop.recorder.toJson();
    const Session session = parsedSession(recording);
    // Runs of idle calls were written as one event each, the wheel not at all.
    int idleEvents = 0;
    long long idleCalls = 0;
    for (const SessionEvent& event : session.events) {
        idleEvents += event.kind == EventKind::Idle;
        idleCalls += event.kind == EventKind::Idle ? event.count : 0;
    }
    EXPECT_EQ(idleEvents, 4);
    EXPECT_EQ(idleCalls, 80);
    EXPECT_EQ(session.events.size(), 18u) << recording;

    const std::vector<float> live = deposition(desktop.painter.shell);
    EXPECT_GT(total(live), 0.0) << "the recorded painting left no paint; the test would prove nothing";
    play(recording, [&](Shell& shell) {
        EXPECT_TRUE(sameBits(deposition(shell), live));
        EXPECT_EQ(shell.stepStatistics.steps, desktop.painter.shell.stepStatistics.steps);
    });
}

TEST(SessionPlayer, StartUpSizesTheWindowToTheCanvasAndDrawsTheFirstFrame) {
    play(withEvents(""), [](Shell& shell) {
        const WindowLayout& window = shell.state.window;
        EXPECT_EQ(window.windowWidth, window.canvasWidth + 490);
        EXPECT_EQ(window.windowHeight, std::max(512, window.canvasHeight));
        // One window pixel per canvas pixel, before any event: a session's
        // first stroke lands where its coordinates say.
        EXPECT_EQ(window.displayScale, 1.0f);
    });
}

TEST(SessionPlayer, EveryInitTakesTheSessionSeedUnlessItsEventGivesOne) {
    play(withEvents("", "9"), [](Shell&) { EXPECT_EQ(randomState().state, stateAfterInit(9)); });
    play(withEvents(R"({"do": "button", "name": "Init"})", "9"),
         [](Shell&) { EXPECT_EQ(randomState().state, stateAfterInit(9)); });
    play(withEvents(R"({"do": "button", "name": "Init", "seed": 5})", "9"),
         [](Shell&) { EXPECT_EQ(randomState().state, stateAfterInit(5)); });
    // The event's seed holds for its own init only.
    play(withEvents(R"({"do": "button", "name": "Init", "seed": 5}, {"do": "button", "name": "Init"})", "9"),
         [](Shell&) { EXPECT_EQ(randomState().state, stateAfterInit(9)); });
    // An Image Open that loads nothing runs no init.
    play(withEvents(R"({"do": "button", "name": "Image Open", "file": "no-such-picture.png", "seed": 5})", "9"),
         [](Shell&) { EXPECT_EQ(randomState().state, stateAfterInit(9)); });
}

TEST(SessionPlayer, SetAssignsTheLiveVariableAndRunsItsCallback) {
    play(withEvents(R"({"do": "set", "control": "particleSizeIndex", "value": 1},
                       {"do": "set", "control": "instantResult", "value": 1},
                       {"do": "set", "control": "showParticles", "value": 1},
                       {"do": "set", "control": "surfaceRoughness", "value": 12},
                       {"do": "set", "control": "depositionResolvability", "value": 0.25})"),
         [](Shell& shell) {
             const PanelSettings& panel = shell.state.panel;
             // Particle size 1: F = 2·(2·1)² + 3 cells inside the disc.
             EXPECT_EQ(panel.footprintCount, 11.0f);
             EXPECT_EQ(panel.continuousRun, 0);
             EXPECT_EQ(panel.showParticles, 1);
             EXPECT_EQ(panel.surfaceRoughness, 9.5f);
             EXPECT_EQ(panel.resolvability, 0.25f);
             EXPECT_EQ(panel.resolvabilityComplement, 0.75f);
         });
}

TEST(SessionPlayer, IdleColorReshapeAndFrameDoWhatTheWindowSystemWould) {
    play(withEvents(R"({"do": "idle", "count": 7},
                       {"do": "set", "control": "instantResult", "value": 1},
                       {"do": "idle", "count": 3},
                       {"do": "color", "rgb": [255, 0, 51]},
                       {"do": "reshape", "width": 1200, "height": 700})"),
         [](Shell& shell) {
             // Idle steps only while continuous running is on.
             EXPECT_EQ(shell.stepStatistics.steps, 7);
             EXPECT_EQ(shell.state.panel.paintColor.x, 1.0f);
             EXPECT_EQ(shell.state.panel.paintColor.y, 0.0f);
             EXPECT_EQ(shell.state.panel.paintColor.z, 51 / 255.0f);
             EXPECT_EQ(shell.state.window.windowWidth, 1200);
             EXPECT_EQ(shell.state.window.windowHeight, 700);
             // The redraw after the resize: 512 canvas cells over 1200 − 490 pixels.
             EXPECT_EQ(shell.state.window.displayScale, 512.0f / 710.0f);
         });
    // Brush mode: a frame with the button held turns emission on, the next
    // frame after the release turns it off.
    play(withEvents(R"({"do": "set", "control": "mouseOperation", "value": 3},
                       {"do": "mouse", "button": "left", "state": "down", "x": 200, "y": 200},
                       {"do": "frame"})"),
         [](Shell& shell) { EXPECT_EQ(shell.state.panel.emitting, 1); });
}

TEST(SessionRecorder, WritesOneEventPerLineWithTheNotesAttached) {
    SessionRecorder recorder("paper.png");
    recorder.setStartSeed(4);
    recorder.noteInitSeed(99);  // dropped: the start seed is set after start-up
    recorder.setStartSeed(2);
    recorder.set("waterAmount", 1500);
    recorder.set("absorptivity", double(0.2f));
    recorder.noteInitSeed(7);
    recorder.button("Init");
    recorder.noteFileAnswer("in.png");
    recorder.noteInitSeed(8);
    recorder.button("Image Open");
    recorder.noteFileAnswer("ignored.png");
    recorder.button("Start");
    recorder.button("Image Save");  // a cancelled dialog: no answer noted
    recorder.noteColorAnswer({1, 2, 3});
    recorder.mouse(LeftButton, ButtonPressed, 10, 20);
    recorder.mouse(MiddleButton, ButtonReleased, 1, 2);
    recorder.idle();
    recorder.idle();
    recorder.motion(3, 4);
    recorder.idle();
    recorder.reshape(900, 600);
    recorder.frame();
    EXPECT_EQ(recorder.toJson(), R"({
  "version": 1,
  "canvas": "paper.png",
  "seed": 2,
  "events": [
    {"do":"set","control":"waterAmount","value":1500},
    {"do":"set","control":"absorptivity","value":0.20000000298023224},
    {"do":"button","name":"Init","seed":7},
    {"do":"button","name":"Image Open","file":"in.png","seed":8},
    {"do":"button","name":"Start"},
    {"do":"button","name":"Image Save","file":""},
    {"do":"mouse","button":"left","state":"down","x":10,"y":20,"rgb":[1,2,3]},
    {"do":"mouse","button":"middle","state":"up","x":1,"y":2},
    {"do":"idle","count":2},
    {"do":"motion","x":3,"y":4},
    {"do":"idle","count":1},
    {"do":"reshape","width":900,"height":600},
    {"do":"frame"}
  ]
}
)");
    // What it writes reads back, with the float control exactly as recorded.
    const Session session = parsedSession(recorder.toJson());
    EXPECT_EQ(static_cast<float>(session.events[1].value), 0.2f);
}

TEST(SessionRecorder, SavesThroughATemporaryFileAndLeavesNothingBehind) {
    const std::string folder = ::testing::TempDir() + "seep_recorder_test";
    std::remove((folder + "/session.json").c_str());
    ASSERT_TRUE(std::system(("mkdir -p '" + folder + "'").c_str()) == 0);
    const std::string path = folder + "/session.json";

    SessionRecorder recorder;
    recorder.frame();
    ASSERT_TRUE(recorder.save(path));
    recorder.frame();
    ASSERT_TRUE(recorder.save(path));  // replaces the first
    Session session;
    std::string error;
    ASSERT_TRUE(loadSession(path, session, error)) << error;
    EXPECT_EQ(session.events.size(), 2u);

    std::vector<std::string> names;
    DIR* listing = opendir(folder.c_str());
    ASSERT_NE(listing, nullptr);
    while (const dirent* entry = readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            names.push_back(entry->d_name);
        }
    }
    closedir(listing);
    EXPECT_EQ(names, std::vector<std::string>{"session.json"});

    EXPECT_FALSE(recorder.save(folder + "/no-such-folder/session.json"));
    std::remove(path.c_str());
}

// A stroke off the canvas (its top row lies outside: the test is strict) is
// not recorded, so the path stays empty; Start must then release no water,
// not put it all on the corner cell 0.
TEST(SessionPlayer, AStrokeOffTheCanvasReleasesNoWaterAnywhere) {
    const std::string stroke = R"({"do": "set", "control": "mouseOperation", "value": 3},
        {"do": "set", "control": "mouseOperation", "value": 0},
        {"do": "mouse", "button": "left", "state": "down", "x": 100, "y": 0},
        {"do": "motion", "x": 250, "y": 0},
        {"do": "motion", "x": 400, "y": 0},
        {"do": "mouse", "button": "left", "state": "up", "x": 400, "y": 0},
        {"do": "set", "control": "instantResult", "value": 1},
        {"do": "button", "name": "Start"})";
    play(withEvents(stroke), [](Shell& shell) {
        EXPECT_TRUE(shell.state.editing.path.points.empty());
        EXPECT_EQ(total(deposition(shell)), 0.0);
    });
    // The same stroke one row lower is on the canvas and paints.
    std::string onCanvas = stroke;
    for (std::size_t at = onCanvas.find("\"y\": 0"); at != std::string::npos; at = onCanvas.find("\"y\": 0", at)) {
        onCanvas.replace(at, 6, "\"y\": 1");
    }
    play(withEvents(onCanvas), [](Shell& shell) { EXPECT_GT(total(deposition(shell)), 0.0); });
}
