#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/SessionControls.h"

// A session file, read into plain values. Everything in it is checked while it
// is read, so a session that reaches the player can be played to the end
// without another check: nothing runs from a file with a single wrong value.

using Rgb = std::array<unsigned char, 3>;

enum class EventKind { Set, Button, Mouse, Motion, Idle, Color, Reshape, Frame };

// One event; only the members of its kind are meaningful.
struct SessionEvent {
    EventKind kind = EventKind::Frame;

    // Set: the control and its value, already clamped to the control's
    // limits (an integral value for every kind but Real).
    const SessionControl* control = nullptr;
    double value = 0.0;

    // Button: which one, the file dialog's answer ("" is a cancelled dialog)
    // and the seed an init it causes takes instead of the session's.
    PanelButton button = PanelButton::Start;
    std::string file;
    std::optional<std::uint32_t> seed;

    // Mouse (button and state as the window system numbers them) and motion.
    int mouseButton = 0;
    int mouseState = 0;
    int x = 0;
    int y = 0;
    // Mouse: the colour chooser's answer or the eyedropper's pick, if any.
    // Color: the new paint colour.
    std::optional<Rgb> rgb;

    // Idle: how many idle calls.
    long long count = 1;

    // Reshape: the main window's new size.
    int width = 0;
    int height = 0;
};

struct Session {
    std::string canvas = "default.bmp";
    // When not empty, the start-up opens this painting file instead of a
    // canvas picture.
    std::string painting;
    std::uint32_t seed = 0;
    std::vector<SessionEvent> events;
};

// Largest window size and largest magnitude of a pointer coordinate a session
// may give; beyond them the arithmetic of the mouse routines would overflow.
constexpr int maxSessionWindowSide = 65535;
constexpr int maxSessionCoordinate = 1000000;

// Reads a session from JSON text. On failure returns false and error holds
// one line that names the JSON path and what was expected there, for example
// "events[3].x: expected a number"; session is then left unspecified.
bool parseSession(std::string_view text, Session& session, std::string& error);

// Reads the file and parses it. A file that cannot be read is a failure with
// a line naming the file.
bool loadSession(const std::string& path, Session& session, std::string& error);
