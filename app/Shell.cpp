// The painter's frame without a window: start-up, the window's size, the idle
// routine and the per-frame state of the main display.

#include "app/Shell.h"

#include <algorithm>
#include <chrono>

#include "app/DerivedParameters.h"
#include "app/SessionRecorder.h"
#include "app/ShellPictures.h"
#include "app/painting/PaintingCommands.h"
#include "image/ImageIO.h"
#include "sim/MainWindowLayout.h"
#include "util/Stopwatch.h"

namespace {

// Start-up on the canvas picture that is now loaded (or the built-in one):
// the window is sized to show it at one window pixel per canvas pixel, and
// the simulation is initialised for it.
void startOnCanvas(Shell& shell, bool fromPicture) {
    WindowLayout& window = shell.state.window;
    EditingState& editing = shell.state.editing;
    uploadCanvas(shell);
    window.canvasWidth = shell.images.canvasImage->width;
    window.canvasHeight = shell.images.canvasImage->height;
    window.windowWidth = window.canvasWidth + layout::besideCanvas;
    window.windowHeight = std::max(layout::minimumWindowHeight, window.canvasHeight);
    shell.windowSystem.requestWindowSize(window.windowWidth, window.windowHeight);
    shell.windowSystem.postRedisplay();
    editing.brushPoint = vec2{float(window.windowWidth / 2), float(window.windowHeight / 2)};
    applyParticleSettings(shell.state.panel, *shell.simulation);
    shell.simulation->init();
    shell.simulation->clearHistory();
    editing.gravityStart = vec2{0.0f, 1.0f};
    editing.gravityEnd = vec2{0.0f, 0.0f};
    setUpSurface(shell, fromPicture);
}

}  // namespace

Shell::Shell(WindowSystem& windowSystem, ShellImages images)
    : images(images), windowSystem(windowSystem), ownRecorder(std::make_unique<SessionRecorder>()) {
    recorder = ownRecorder.get();
}

Shell::~Shell() = default;

bool initialize(Shell& shell) {
    stopwatch().start();
    shell.simulation = std::make_unique<WatercolorSimulation>(shell.state);
    buildSizeMassTable(*shell.simulation);
    controlCallback(shell, PanelCommand::Init);
    ImageIO::init();
    loadButtonPicture(shell, ShellImage::ColorButton, "color-chooser.bmp");
    loadButtonPicture(shell, ShellImage::EyedropperButton, "eyedropper.bmp");
    if (!shell.startPainting.empty()) {
        // The painting replaces everything the start-up set up on the
        // blank paper it starts from.
        useBlankCanvas(shell, layout::startCanvasSide, layout::startCanvasSide);
        startOnCanvas(shell, false);
        return openPainting(shell, shell.startPainting);
    }
    if (loadCanvasPicture(shell, shell.canvasName)) {
        startOnCanvas(shell, true);
    } else {
        // The loader has reported the missing picture; the painter still
        // starts, on blank white paper the size the start layout assumes,
        // with every other step as usual.
        useBlankCanvas(shell, layout::startCanvasSide, layout::startCanvasSide);
        startOnCanvas(shell, false);
    }
    return true;
}

void reshape(Shell& shell, int width, int height) {
    shell.frameStateHeld = false;
    if (height == 0) {
        return;
    }
    shell.state.window.windowWidth = width;
    shell.state.window.windowHeight = height;
}

void idle(Shell& shell) {
    shell.frameStateHeld = false;
    if (shell.state.panel.continuousRun) {
        shell.state.panel.activeParticles = 0;
        stepOnce(shell);
    }
    shell.windowSystem.displayNow();
    if (shell.afterIdle) {
        shell.afterIdle(shell);
    }
}

void stepOnce(Shell& shell) {
    shell.state.window.lastStepTime = stopwatch().elapsed();
    // The cost of a step is timed apart from the program's stopwatch, whose
    // readings are part of what the painter does.
    const auto before = std::chrono::steady_clock::now();
    const int active = shell.simulation->step(1.0f);
    const auto after = std::chrono::steady_clock::now();
    shell.state.panel.activeParticles += active;
    shell.stepStatistics.steps += 1;
    shell.stepStatistics.seconds += std::chrono::duration<double>(after - before).count();
    if (shell.afterStep) {
        shell.afterStep(shell);
    }
}

void updateFrameState(Shell& shell) {
    if (shell.frameStateHeld) {
        return;
    }
    WindowLayout& window = shell.state.window;
    if (shell.images.canvasUploaded) {
        // A window too narrow to show any canvas keeps the last scale rather
        // than an infinite or negative one.
        const int canvasAreaWidth = layout::canvasAreaWidth(window.windowWidth);
        if (canvasAreaWidth > 0) {
            window.displayScale =
                float(shell.images.canvasImage->width) / float(canvasAreaWidth);
        }
    }
    PanelSettings& panel = shell.state.panel;
    if (panel.mouseOperation == 3) {
        panel.emitting = shell.state.editing.buttonDown ? 1 : 0;
    }
}
