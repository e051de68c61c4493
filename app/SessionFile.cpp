#include "app/SessionFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include <istream>
#include <streambuf>

#include <unistd.h>

#include "app/StrictJson.h"
#include "util/RegularFile.h"

namespace {

using json = nlohmann::json;

constexpr long long maxIdleCount = std::numeric_limits<int>::max();
constexpr long long maxSeed = std::numeric_limits<std::uint32_t>::max();

struct EventShape {
    EventKind kind;
    const char* name;
    // Keys the event may carry besides "do".
    std::vector<std::string> keys;
};

const std::vector<EventShape>& eventShapes() {
    static const std::vector<EventShape> shapes = {
        {EventKind::Set, "set", {"control", "value"}},
        {EventKind::Button, "button", {"name", "file", "seed"}},
        {EventKind::Mouse, "mouse", {"button", "state", "x", "y", "rgb"}},
        {EventKind::Motion, "motion", {"x", "y"}},
        {EventKind::Idle, "idle", {"count"}},
        {EventKind::Color, "color", {"rgb"}},
        {EventKind::Reshape, "reshape", {"width", "height"}},
        {EventKind::Frame, "frame", {}},
    };
    return shapes;
}

constexpr PanelButton allButtons[] = {PanelButton::Start,        PanelButton::Init,         PanelButton::Undo,
                                      PanelButton::Reset,        PanelButton::ImageOpen,    PanelButton::ImageSave,
                                      PanelButton::PaintingOpen, PanelButton::PaintingSave};

// "a string", "an array", or the number itself: what a value was instead of
// what was expected. Strings are not quoted back, they may be long.
std::string describe(const json& value) {
    if (value.is_number()) {
        return value.dump();
    }
    const std::string type = value.type_name();
    if (type == "null") {
        return "null";
    }
    const bool vowel = type[0] == 'a' || type[0] == 'o';
    return (vowel ? "an " : "a ") + type;
}

// Checks one session value after another and keeps the first complaint.
class SessionReader {
public:
    SessionReader(std::string& error, Session& out) : error(error), out(out) {}

    // The pieces of the document as they are read. Complaints about the
    // events are kept until the end: a complaint about the top-level values,
    // which may come after the events in the file, counts first.
    JsonPieces pieces() {
        JsonPieces handlers;
        handlers.streamedKey = "events";
        handlers.wholeValue = [this](json value) { notAnObject = std::move(value); };
        handlers.member = [this](const std::string& key, json value) { member(key, std::move(value)); };
        handlers.element = [this](std::size_t index, json value) {
            SessionEvent read;
            if (!eventFailure && event(value, jsonPathIndex("events", index), read)) {
                out.events.push_back(read);
            } else if (!eventFailure) {
                eventFailure = error;
                out.events.clear();
            }
        };
        return handlers;
    }

    // The checks of the top-level values, in order, then the first event
    // that was refused.
    bool finish() {
        if (notAnObject) {
            return fail("", "expected a JSON object, not " + describe(*notAnObject));
        }
        double versionNumber = 0.0;
        if (!version) {
            return fail("version", "missing (expected 1)");
        }
        if (!wholeNumber(*version, "version", versionNumber, "1") || versionNumber != 1.0) {
            return fail("version", "expected 1, not " + describe(*version));
        }
        if (firstUnknownKey) {
            return fail(jsonPathKey("", *firstUnknownKey), "unknown key for a session");
        }
        if (canvas && painting) {
            return fail("painting", "not allowed together with canvas (a session starts from one or the other)");
        }
        if (canvas && !fileName(*canvas, "canvas", out.canvas)) {
            return false;
        }
        if (painting) {
            if (!fileName(*painting, "painting", out.painting)) {
                return false;
            }
            if (out.painting.empty()) {
                return fail("painting", "expected the name of a painting file, not an empty string");
            }
        }
        if (seed) {
            long long number = 0;
            if (!integerIn(*seed, "seed", 0, maxSeed, number)) {
                return false;
            }
            out.seed = static_cast<std::uint32_t>(number);
        }
        if (!events) {
            return fail("events", "missing (expected an array of events)");
        }
        if (!events->is_array()) {
            return fail("events", "expected an array of events, not " + describe(*events));
        }
        if (eventFailure) {
            error = *eventFailure;
            return false;
        }
        return true;
    }

private:
    void member(const std::string& key, json value) {
        std::optional<json>* slots[] = {&version, &canvas, &painting, &seed, &events};
        const char* names[] = {"version", "canvas", "painting", "seed", "events"};
        for (int i = 0; i < 5; ++i) {
            if (key == names[i]) {
                *slots[i] = std::move(value);
                return;
            }
        }
        // The first in the order of keys, as a sorted object lists them.
        if (!firstUnknownKey || key < *firstUnknownKey) {
            firstUnknownKey = key;
        }
    }

    bool fail(const std::string& path, const std::string& what) {
        error = shownJsonPath(path) + ": " + what;
        return false;
    }

    bool onlyKeys(const json& object, const std::string& path, const std::vector<std::string>& allowed,
                  const std::string& owner) {
        for (const auto& [key, value] : object.items()) {
            bool known = false;
            for (const std::string& name : allowed) {
                known = known || key == name;
            }
            if (!known) {
                return fail(jsonPathKey(path, key), "unknown key for " + owner);
            }
        }
        return true;
    }

    // The member, or a complaint that it is missing.
    const json* required(const json& object, const std::string& path, const char* key, const std::string& expected) {
        if (!object.contains(key)) {
            fail(jsonPathKey(path, key), "missing (expected " + expected + ")");
            return nullptr;
        }
        return &object[key];
    }

    bool finiteNumber(const json& value, const std::string& path, double& out) {
        if (!value.is_number()) {
            return fail(path, "expected a number, not " + describe(value));
        }
        out = value.get<double>();
        if (!std::isfinite(out)) {
            return fail(path, "expected a finite number, not " + describe(value));
        }
        return true;
    }

    // A number without fraction; 1e3 and 7.0 count, 2.5 does not.
    bool wholeNumber(const json& value, const std::string& path, double& out, const std::string& expected) {
        if (value.is_number_integer() || value.is_number_unsigned()) {
            out = value.get<double>();
            return true;
        }
        if (value.is_number_float()) {
            out = value.get<double>();
            if (std::isfinite(out) && std::trunc(out) == out) {
                return true;
            }
        }
        return fail(path, "expected " + expected + ", not " + describe(value));
    }

    bool integerIn(const json& value, const std::string& path, long long low, long long high, long long& out) {
        const std::string expected = "an integer from " + std::to_string(low) + " to " + std::to_string(high);
        double number = 0.0;
        if (!wholeNumber(value, path, number, expected)) {
            return false;
        }
        // Compared as doubles: a huge unsigned value must not wrap on the way.
        if (number < static_cast<double>(low) || number > static_cast<double>(high)) {
            return fail(path, "expected " + expected + ", not " + describe(value));
        }
        out = static_cast<long long>(number);
        return true;
    }

    // A name handed to the file search or the image library. A NUL would cut
    // it short there and name another file than the session does.
    bool fileName(const json& value, const std::string& path, std::string& out) {
        if (!value.is_string()) {
            return fail(path, "expected a string, not " + describe(value));
        }
        out = value.get<std::string>();
        if (out.find('\0') != std::string::npos) {
            return fail(path, "expected a file name without NUL characters");
        }
        return true;
    }

    bool rgb(const json& value, const std::string& path, Rgb& out) {
        if (!value.is_array() || value.size() != 3) {
            return fail(path, "expected an array of three integers from 0 to 255, not " + describe(value));
        }
        for (std::size_t i = 0; i < 3; ++i) {
            long long byte = 0;
            if (!integerIn(value[i], jsonPathIndex(path, i), 0, 255, byte)) {
                return false;
            }
            out[i] = static_cast<unsigned char>(byte);
        }
        return true;
    }

    // Window pixels. A fraction is cut toward zero, as a float converted to
    // the window system's int would be.
    bool coordinates(const json& event, const std::string& path, SessionEvent& out) {
        int* targets[] = {&out.x, &out.y};
        const char* keys[] = {"x", "y"};
        for (int i = 0; i < 2; ++i) {
            const std::string where = jsonPathKey(path, keys[i]);
            const json* value = required(event, path, keys[i], "a number");
            double number = 0.0;
            if (value == nullptr || !finiteNumber(*value, where, number)) {
                return false;
            }
            if (std::fabs(number) > maxSessionCoordinate) {
                return fail(where, "expected a number from -" + std::to_string(maxSessionCoordinate) + " to " +
                                       std::to_string(maxSessionCoordinate) + ", not " + describe(*value));
            }
            *targets[i] = static_cast<int>(number);
        }
        return true;
    }

    // One of a few words; index is its position in the list.
    bool word(const json& event, const std::string& path, const char* key, const std::vector<std::string>& words,
              int& index) {
        std::string expected = "one of";
        for (std::size_t i = 0; i < words.size(); ++i) {
            expected += (i == 0 ? " " : ", ") + words[i];
        }
        const json* value = required(event, path, key, expected);
        if (value == nullptr) {
            return false;
        }
        for (std::size_t i = 0; i < words.size(); ++i) {
            if (value->is_string() && value->get<std::string>() == words[i]) {
                index = static_cast<int>(i);
                return true;
            }
        }
        return fail(jsonPathKey(path, key), "expected " + expected + (value->is_string() ? "" : ", not " + describe(*value)));
    }

    bool event(const json& value, const std::string& path, SessionEvent& out) {
        if (!value.is_object()) {
            return fail(path, "expected an event object, not " + describe(value));
        }
        std::vector<std::string> kinds;
        for (const EventShape& shape : eventShapes()) {
            kinds.push_back(shape.name);
        }
        int kindIndex = 0;
        if (!word(value, path, "do", kinds, kindIndex)) {
            return false;
        }
        const EventShape& shape = eventShapes()[static_cast<std::size_t>(kindIndex)];
        std::vector<std::string> allowed = shape.keys;
        allowed.push_back("do");
        if (!onlyKeys(value, path, allowed, std::string("a ") + shape.name + " event")) {
            return false;
        }
        out.kind = shape.kind;
        switch (shape.kind) {
            case EventKind::Set:
                return set(value, path, out);
            case EventKind::Button:
                return button(value, path, out);
            case EventKind::Mouse:
                return mouse(value, path, out);
            case EventKind::Motion:
                return coordinates(value, path, out);
            case EventKind::Idle:
                return !value.contains("count") ||
                       integerIn(value["count"], jsonPathKey(path, "count"), 1, maxIdleCount, out.count);
            case EventKind::Color: {
                Rgb color{};
                const json* rgbValue = required(value, path, "rgb", "an array of three integers from 0 to 255");
                if (rgbValue == nullptr || !rgb(*rgbValue, jsonPathKey(path, "rgb"), color)) {
                    return false;
                }
                out.rgb = color;
                return true;
            }
            case EventKind::Reshape:
                return windowSide(value, path, "width", out.width) && windowSide(value, path, "height", out.height);
            case EventKind::Frame:
                return true;
        }
        return true;
    }

    bool windowSide(const json& event, const std::string& path, const char* key, int& out) {
        const std::string range = "an integer from 1 to " + std::to_string(maxSessionWindowSide);
        const json* value = required(event, path, key, range);
        long long side = 0;
        if (value == nullptr || !integerIn(*value, jsonPathKey(path, key), 1, maxSessionWindowSide, side)) {
            return false;
        }
        out = static_cast<int>(side);
        return true;
    }

    bool set(const json& event, const std::string& path, SessionEvent& out) {
        std::vector<std::string> names;
        for (const SessionControl& control : sessionControls()) {
            names.push_back(control.name);
        }
        int index = 0;
        if (!word(event, path, "control", names, index)) {
            return false;
        }
        const SessionControl& control = sessionControls()[static_cast<std::size_t>(index)];
        out.control = &control;
        const std::string where = jsonPathKey(path, "value");
        const json* value = required(event, path, "value", "a number");
        if (value == nullptr) {
            return false;
        }
        switch (control.kind) {
            case ControlKind::Checkbox:
            case ControlKind::Choice: {
                long long chosen = 0;
                if (control.kind == ControlKind::Checkbox) {
                    double number = 0.0;
                    if (!wholeNumber(*value, where, number, "0 or 1")) {
                        return false;
                    }
                    if (number != 0.0 && number != 1.0) {
                        return fail(where, "expected 0 or 1, not " + describe(*value));
                    }
                    chosen = static_cast<long long>(number);
                } else if (!integerIn(*value, where, static_cast<long long>(control.low),
                                      static_cast<long long>(control.high), chosen)) {
                    return false;
                }
                out.value = static_cast<double>(chosen);
                return true;
            }
            case ControlKind::Integer: {
                double number = 0.0;
                if (!wholeNumber(*value, where, number, "an integer")) {
                    return false;
                }
                out.value = std::clamp(number, control.low, control.high);
                return true;
            }
            case ControlKind::Real: {
                double number = 0.0;
                if (!finiteNumber(*value, where, number)) {
                    return false;
                }
                // Clamped in double against the scrollbar's float limits, then
                // rounded once: the same float as rounding first and clamping
                // in float, without the overflow a huge value would cause.
                out.value = static_cast<double>(static_cast<float>(std::clamp(number, control.low, control.high)));
                return true;
            }
        }
        return true;
    }

    bool button(const json& event, const std::string& path, SessionEvent& out) {
        std::vector<std::string> labels;
        for (const PanelButton button : allButtons) {
            labels.push_back(panelButtonLabel(button));
        }
        int index = 0;
        if (!word(event, path, "name", labels, index)) {
            return false;
        }
        out.button = allButtons[index];
        const std::string label = panelButtonLabel(out.button);
        const bool asksForFile = buttonAsksForFile(out.button);
        const bool mayInit = buttonMayInit(out.button);
        if (asksForFile) {
            const json* file =
                required(event, path, "file", "the file dialog's answer for the " + label + " button, \"\" if cancelled");
            if (file == nullptr || !fileName(*file, jsonPathKey(path, "file"), out.file)) {
                return false;
            }
        } else if (event.contains("file")) {
            return fail(jsonPathKey(path, "file"), "not allowed for the " + label + " button (it opens no file dialog)");
        }
        if (event.contains("seed")) {
            if (!mayInit) {
                return fail(jsonPathKey(path, "seed"),
                            "not allowed for the " + label + " button (only Init, Image Open and Painting Open take a seed)");
            }
            long long seed = 0;
            if (!integerIn(event["seed"], jsonPathKey(path, "seed"), 0, maxSeed, seed)) {
                return false;
            }
            out.seed = static_cast<std::uint32_t>(seed);
        }
        return true;
    }

    bool mouse(const json& event, const std::string& path, SessionEvent& out) {
        if (!word(event, path, "button", {"left", "middle", "right"}, out.mouseButton) ||
            !word(event, path, "state", {"down", "up"}, out.mouseState) || !coordinates(event, path, out)) {
            return false;
        }
        if (event.contains("rgb")) {
            Rgb color{};
            if (!rgb(event["rgb"], jsonPathKey(path, "rgb"), color)) {
                return false;
            }
            out.rgb = color;
        }
        return true;
    }

    std::string& error;
    Session& out;
    std::optional<json> notAnObject;
    std::optional<json> version;
    std::optional<json> canvas;
    std::optional<json> painting;
    std::optional<json> seed;
    std::optional<json> events;
    std::optional<std::string> firstUnknownKey;
    std::optional<std::string> eventFailure;
};

// Reads a file through its descriptor, remembering a read error, which the
// JSON reader would only see as the end of the text.
class DescriptorReader : public std::streambuf {
public:
    explicit DescriptorReader(int descriptor) : descriptor(descriptor) {}
    int readErrno = 0;

protected:
    int_type underflow() override {
        ssize_t got = 0;
        do {
            got = read(descriptor, buffer, sizeof buffer);
        } while (got < 0 && errno == EINTR);
        if (got <= 0) {
            readErrno = got < 0 ? errno : 0;
            return traits_type::eof();
        }
        setg(buffer, buffer, buffer + got);
        return traits_type::to_int_type(buffer[0]);
    }

private:
    int descriptor;
    char buffer[65536];
};

template <typename Text>
bool readSession(Text& text, Session& session, std::string& error) {
    session = Session{};
    SessionReader reader(error, session);
    return parseStrictJson(text, reader.pieces(), error) && reader.finish();
}

}  // namespace

void SessionEvents::push_back(const SessionEvent& event) {
    Packed entry{};
    entry.kind = static_cast<std::uint8_t>(event.kind);
    entry.hasRgb = event.rgb.has_value();
    entry.rgb = event.rgb.value_or(Rgb{});
    switch (event.kind) {
        case EventKind::Set:
            entry.code = static_cast<std::uint8_t>(event.control - sessionControls().data());
            entry.value = event.value;
            break;
        case EventKind::Button:
            entry.code = static_cast<std::uint8_t>(event.button);
            entry.pair[0] = -1;
            if (!event.file.empty() || event.seed) {
                entry.pair[0] = static_cast<std::int32_t>(details.size());
                details.push_back({event.file, event.seed});
            }
            break;
        case EventKind::Idle:
            entry.count = event.count;
            break;
        case EventKind::Reshape:
            entry.pair[0] = event.width;
            entry.pair[1] = event.height;
            break;
        default:
            entry.code = static_cast<std::uint8_t>(event.mouseButton);
            entry.state = static_cast<std::uint8_t>(event.mouseState);
            entry.pair[0] = event.x;
            entry.pair[1] = event.y;
            break;
    }
    packed.push_back(entry);
}

SessionEvent SessionEvents::operator[](std::size_t index) const {
    const Packed& entry = packed[index];
    SessionEvent event;
    event.kind = static_cast<EventKind>(entry.kind);
    if (entry.hasRgb != 0) {
        event.rgb = entry.rgb;
    }
    switch (event.kind) {
        case EventKind::Set:
            event.control = &sessionControls()[entry.code];
            event.value = entry.value;
            break;
        case EventKind::Button:
            event.button = static_cast<PanelButton>(entry.code);
            if (entry.pair[0] >= 0) {
                const ButtonDetails& button = details[static_cast<std::size_t>(entry.pair[0])];
                event.file = button.file;
                event.seed = button.seed;
            }
            break;
        case EventKind::Idle:
            event.count = entry.count;
            break;
        case EventKind::Reshape:
            event.width = entry.pair[0];
            event.height = entry.pair[1];
            break;
        default:
            event.mouseButton = entry.code;
            event.mouseState = entry.state;
            event.x = entry.pair[0];
            event.y = entry.pair[1];
            break;
    }
    return event;
}

void SessionEvents::clear() {
    // Released, not only emptied: a refused session keeps no memory.
    std::deque<Packed>().swap(packed);
    std::vector<ButtonDetails>().swap(details);
}

bool parseSession(std::string_view text, Session& session, std::string& error) {
    return readSession(text, session, error);
}

bool loadSession(const std::string& path, Session& session, std::string& error) {
    std::string failure;
    const int descriptor = openRegularFile(path, &failure);
    if (descriptor < 0) {
        error = path + ": cannot be read: " + failure;
        return false;
    }
    DescriptorReader file(descriptor);
    std::istream text(&file);
    const bool parsed = readSession(text, session, error);
    close(descriptor);
    if (file.readErrno != 0) {
        error = path + ": cannot be read: " + std::strerror(file.readErrno);
        return false;
    }
    if (!parsed) {
        error = path + ": " + error;
        return false;
    }
    return true;
}
