#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// Records what a person does in the painter as a session file, so that the
// painting can be played back to the same result bit for bit. The desktop
// calls one method per window-system callback or panel change, after the
// callback has run, and notes beforehand, during the callback, the answers
// that came from outside (the dialogs, the eyedropper, the seed of an init).
class SessionRecorder {
public:
    explicit SessionRecorder(std::string canvas = "default.bmp");

    // What the recording starts from: a canvas picture, or a painting file
    // (the session key "painting"), which also takes a noted painting.
    void startFromCanvas(const std::string& picture);
    void startFromPainting(const std::string& painting);

    // The seed of the start-up's inits (the last one is what counts: every
    // init reseeds the generator). Call it after the start-up; it drops any
    // notes taken during it.
    void setStartSeed(std::uint32_t seed);

    // Notes for the event being recorded; the next event takes them, and an
    // event of a kind that has no use for them drops them.
    // An init happened with this seed (Init, or an Image Open that loaded).
    void noteInitSeed(std::uint32_t seed);
    // The file dialog answered this ("" when cancelled).
    void noteFileAnswer(const std::string& file);
    // The colour chooser's confirmed colour, or the eyedropper's pick.
    void noteColorAnswer(std::array<unsigned char, 3> rgb);
    // A Seep painting was opened; session is the session that made it
    // (checked to parse). The painting's own session goes on from there:
    // the Painting Open button or, during the start-up, startFromPainting
    // takes the note.
    void notePaintingOpened(const std::string& session);

    // control is a live variable's name (as in the session format).
    void set(const std::string& control, double value);
    // name is the button's label ("Start", "Image Open", ...).
    void button(const std::string& name);
    // Buttons other than left, middle and right (the wheel) change nothing
    // in the painter and are not recorded.
    void mouse(int button, int state, int x, int y);
    void motion(int x, int y);
    // Consecutive idle calls become one event with their count.
    void idle(long long count = 1);
    void color(std::array<unsigned char, 3> rgb);
    void reshape(int width, int height);
    // A frame drawn outside an idle call.
    void frame();

    // The session file's text: one event per line.
    std::string toJson() const;
    // The session that made the painting now in the painter, from its very
    // beginning: the recording itself or, after a Seep painting was opened,
    // the session inside that painting followed by what was recorded since.
    std::string paintingSession() const;
    // Writes toJson() to path through a temporary file renamed over it; on
    // failure the old file is untouched, and a line on the standard error
    // stream names the file.
    bool save(const std::string& path) const;

private:
    void add(nlohmann::ordered_json event);
    // The painting's session takes the noted one as where it begins.
    void takePaintingNote();

    std::string canvas;
    bool fromPainting = false;
    // The session inside the painting last opened, and how many of the
    // recorded events came before the painting's own ones.
    std::optional<nlohmann::ordered_json> paintingBase;
    std::size_t paintingBaseEvents = 0;
    std::optional<nlohmann::ordered_json> paintingNote;
    std::uint32_t startSeed = 0;
    std::vector<nlohmann::ordered_json> events;
    std::optional<std::uint32_t> initSeed;
    std::optional<std::string> fileAnswer;
    std::optional<std::array<unsigned char, 3>> colorAnswer;
};
