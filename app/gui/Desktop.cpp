#include "app/gui/Desktop.h"

#include <cmath>
#include <cstdint>

#include "util/Stopwatch.h"

namespace {

std::unique_ptr<Desktop> theDesktop;

// The seed an init takes on the desktop: the whole seconds of the stopwatch,
// truncated; a reading out of range (never seen) seeds with 0.
std::uint32_t secondsSeed() {
    const float seconds = stopwatch().elapsed();
    if (!(std::fabs(seconds) < 4294967296.0f)) {
        return 0;
    }
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(seconds));
}

}  // namespace

ShellImages DesktopPictures::view() {
    ShellImages images;
    images.canvasImage = &canvas;
    images.surfaceImage = &surface;
    images.colorButtonImage = &colorButton;
    images.eyedropperButtonImage = &eyedropperButton;
    return images;
}

Desktop::Desktop() : windowSystem(*this), shell(windowSystem, pictures.view()) {
    // The window stays responsive during an Instant Result run: the idle
    // routine advances it a slice at a time.
    shell.incrementalInstantRun = true;
    // Painting files keep the session recorded here.
    shell.recorder = &recorder;
    shell.state.initSeed = [this] {
        const std::uint32_t seed = secondsSeed();
        if (startedUp) {
            recorder.noteInitSeed(seed);
        } else {
            recorder.setStartSeed(seed);
        }
        return seed;
    };
}

Desktop::~Desktop() = default;

Desktop& desktop() {
    return *theDesktop;
}

void createDesktop() {
    theDesktop = std::make_unique<Desktop>();
}

void destroyDesktop() {
    theDesktop.reset();
}
