#include "app/SessionRecorder.h"

#include <iostream>
#include <utility>

#include "app/SessionFile.h"
#include "util/FileReplace.h"

namespace {

using ordered_json = nlohmann::ordered_json;

// A file name that is not UTF-8 cannot be held by JSON; its bad bytes are
// written as U+FFFD rather than failing the whole recording.
std::string dumped(const ordered_json& value) {
    return value.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

ordered_json rgbArray(const std::array<unsigned char, 3>& rgb) {
    return ordered_json::array({rgb[0], rgb[1], rgb[2]});
}

// The text of a session: the start, then one event per line.
std::string sessionText(const char* startKey, const std::string& start, std::uint32_t seed,
                        const std::vector<const ordered_json*>& events) {
    std::string text = "{\n  \"version\": 1,\n  \"" + std::string(startKey) + "\": " + dumped(start) +
                       ",\n  \"seed\": " + std::to_string(seed) + ",\n  \"events\": [";
    for (std::size_t i = 0; i < events.size(); ++i) {
        text += (i == 0 ? "\n    " : ",\n    ") + dumped(*events[i]);
    }
    text += events.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return text;
}

}  // namespace

SessionRecorder::SessionRecorder(std::string canvas) : canvas(std::move(canvas)) {}

void SessionRecorder::startFromCanvas(const std::string& picture) {
    canvas = picture;
    fromPainting = false;
}

void SessionRecorder::startFromPainting(const std::string& painting) {
    canvas = painting;
    fromPainting = true;
    takePaintingNote();
}

void SessionRecorder::notePaintingOpened(const std::string& session) {
    ordered_json parsed = ordered_json::parse(session, nullptr, false);
    if (parsed.is_object() && parsed.contains("events") && parsed["events"].is_array()) {
        paintingNote = std::move(parsed);
    }
}

void SessionRecorder::takePaintingNote() {
    if (paintingNote) {
        paintingBase = std::move(paintingNote);
        paintingBaseEvents = events.size();
    }
    paintingNote.reset();
}

void SessionRecorder::setStartSeed(std::uint32_t seed) {
    startSeed = seed;
    // Notes taken during the start-up belong to no event.
    initSeed.reset();
    fileAnswer.reset();
    colorAnswer.reset();
}

void SessionRecorder::noteInitSeed(std::uint32_t seed) {
    initSeed = seed;
}

void SessionRecorder::noteFileAnswer(const std::string& file) {
    fileAnswer = file;
}

void SessionRecorder::noteColorAnswer(std::array<unsigned char, 3> rgb) {
    colorAnswer = rgb;
}

void SessionRecorder::add(ordered_json event) {
    events.push_back(std::move(event));
    initSeed.reset();
    fileAnswer.reset();
    colorAnswer.reset();
}

void SessionRecorder::set(const std::string& control, double value) {
    const SessionControl* known = findSessionControl(control);
    ordered_json event = {{"do", "set"}, {"control", control}};
    // Integer controls are written as integers; a float control's value
    // comes from a float, and a double holds it exactly.
    if (known != nullptr && known->kind != ControlKind::Real) {
        event["value"] = static_cast<long long>(value);
    } else {
        event["value"] = value;
    }
    add(std::move(event));
}

void SessionRecorder::button(const std::string& name) {
    ordered_json event = {{"do", "button"}, {"name", name}};
    if (name == "Image Open" || name == "Image Save" || name == "Painting Open" || name == "Painting Save") {
        event["file"] = fileAnswer.value_or("");
    }
    // An Image Open that failed to load ran no init and notes no seed; a
    // Painting Open inits only for another program's file.
    if ((name == "Init" || name == "Image Open" || name == "Painting Open") && initSeed) {
        event["seed"] = *initSeed;
    }
    add(std::move(event));
    if (name == "Painting Open") {
        takePaintingNote();
    }
}

void SessionRecorder::mouse(int button, int state, int x, int y) {
    static const char* const buttons[] = {"left", "middle", "right"};
    if (button < 0 || button > 2) {
        return;
    }
    ordered_json event = {{"do", "mouse"}, {"button", buttons[button]}, {"state", state == 0 ? "down" : "up"},
                          {"x", x}, {"y", y}};
    if (colorAnswer) {
        event["rgb"] = rgbArray(*colorAnswer);
    }
    add(std::move(event));
}

void SessionRecorder::motion(int x, int y) {
    add({{"do", "motion"}, {"x", x}, {"y", y}});
}

void SessionRecorder::idle(long long count) {
    if (!events.empty() && events.back()["do"] == "idle") {
        events.back()["count"] = events.back()["count"].get<long long>() + count;
        return;
    }
    add({{"do", "idle"}, {"count", count}});
}

void SessionRecorder::color(std::array<unsigned char, 3> rgb) {
    add({{"do", "color"}, {"rgb", rgbArray(rgb)}});
}

void SessionRecorder::reshape(int width, int height) {
    add({{"do", "reshape"}, {"width", width}, {"height", height}});
}

void SessionRecorder::frame() {
    add({{"do", "frame"}});
}

std::string SessionRecorder::toJson() const {
    std::vector<const ordered_json*> all;
    for (const ordered_json& event : events) all.push_back(&event);
    return sessionText(fromPainting ? "painting" : "canvas", canvas, startSeed, all);
}

std::string SessionRecorder::paintingSession() const {
    if (!paintingBase) return toJson();
    const ordered_json& base = *paintingBase;
    std::vector<const ordered_json*> all;
    for (const ordered_json& event : base["events"]) all.push_back(&event);
    for (std::size_t i = paintingBaseEvents; i < events.size(); ++i) all.push_back(&events[i]);
    const bool basePainting = base.contains("painting");
    const ordered_json& start = basePainting ? base["painting"] : base.value("canvas", ordered_json("default.bmp"));
    const std::uint32_t seed = base.value("seed", std::uint32_t{0});
    return sessionText(basePainting ? "painting" : "canvas", start.is_string() ? start.get<std::string>() : "",
                       seed, all);
}

bool SessionRecorder::save(const std::string& path) const {
    std::string error;
    if (!replaceFileContents(path, toJson(), error)) {
        std::cerr << "SessionRecorder::save: cannot write " << path << ": " << error << std::endl;
        return false;
    }
    return true;
}
