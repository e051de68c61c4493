#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
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

// The events of a session, in order. A long painting holds millions of them
// (every movement of the pointer is one), so they are kept packed, sixteen
// bytes each, in blocks that never move; the file names and seeds of the few
// buttons that carry them are kept beside. Reading one gives the whole event.
class SessionEvents {
public:
    std::size_t size() const { return packed.size(); }
    bool empty() const { return packed.empty(); }
    SessionEvent operator[](std::size_t index) const;
    // A file and a seed are kept for Button events only.
    void push_back(const SessionEvent& event);
    void clear();

    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = SessionEvent;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = SessionEvent;

        const_iterator(const SessionEvents* list, std::size_t index) : list(list), index(index) {}
        SessionEvent operator*() const { return (*list)[index]; }
        const_iterator& operator++() {
            ++index;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return index == other.index; }

    private:
        const SessionEvents* list;
        std::size_t index;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    struct Packed {
        std::uint8_t kind;
        // Set: the control's index; Button: the button; Mouse: the button.
        std::uint8_t code;
        // Mouse: the state.
        std::uint8_t state;
        std::uint8_t hasRgb;
        Rgb rgb;
        union {
            // Mouse and Motion: x, y; Reshape: width, height; Button: the
            // index of its file and seed, or -1.
            std::int32_t pair[2];
            double value;      // Set
            long long count;   // Idle
        };
    };
    static_assert(sizeof(Packed) == 16);

    struct ButtonDetails {
        std::string file;
        std::optional<std::uint32_t> seed;
    };

    std::deque<Packed> packed;
    std::vector<ButtonDetails> details;
};

struct Session {
    std::string canvas = "default.bmp";
    // When not empty, the start-up opens this painting file instead of a
    // canvas picture.
    std::string painting;
    std::uint32_t seed = 0;
    SessionEvents events;
};

// Largest window size and largest magnitude of a pointer coordinate a session
// may give; beyond them the arithmetic of the mouse routines would overflow.
constexpr int maxSessionWindowSide = 65535;
constexpr int maxSessionCoordinate = 1000000;

// Reads a session from JSON text. On failure returns false and error holds
// one line that names the JSON path and what was expected there, for example
// "events[3].x: expected a number"; session is then left unspecified.
bool parseSession(std::string_view text, Session& session, std::string& error);

// Reads the file and parses it as it reads, never holding the whole text. A
// file that cannot be read, or is not a regular file (a pipe, a device, a
// folder), is a failure with a line naming the file.
bool loadSession(const std::string& path, Session& session, std::string& error);
