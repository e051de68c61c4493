#pragma once

#include <cstdint>
#include <functional>

#include "sim/MainWindowLayout.h"
#include "sim/PointList.h"
#include "util/Vectors.h"

// The values the painter's shell owns and the simulation reads or writes.
// They are grouped by who owns them; the shell keeps one ShellState for the
// whole run and hands the simulation a reference to it at construction.

// Window, layout and frame timing.
struct WindowLayout {
    int mainWindow = 0;
    int panelWindow = 0;
    int canvasWidth = layout::startCanvasSide;
    int canvasHeight = layout::startCanvasSide;
    int windowWidth = layout::startCanvasSide + layout::besideCanvas;
    int windowHeight = layout::minimumWindowHeight;
    // Canvas cells per window pixel; set each time the canvas is drawn.
    float displayScale = 0.0f;

    // Stopwatch reading taken just before the latest step.
    float lastStepTime = 0.0f;
    // lastStepTime of the latest deposition upload made while animating.
    float lastUploadTime = 0.0f;
    // Counted by every step; the drawing sets it to 1 on an upload.
    int stepCount = 0;
};

// The control panel's live variables and the parameters derived from them.
// Start values are those the panel first shows; the derived ones are worked
// out from them in single precision exactly as the commands later do.
struct PanelSettings {
    // Live variables.
    int mouseOperation = 0;
    int showParticles = 0;
    int showDeposition = 1;
    int instantResult = 0;
    int gravityEnabled = 1;
    int waterAmount = 1000;
    int particleSizeIndex = 0;
    float absorptivity = 0.0f;
    float surfaceRoughness = 4.75f;
    float depositionAmount = 5.0f;
    float depositionResolvability = 0.55f;

    // Derived state.
    int continuousRun = 1;
    // The start value has no path-length factor: 1 · (1/1150) · 5.
    vec4 paintColor{0.0f, 0.0f, 0.0f,
                               float(1.0 / (5 * 0 + 1)) * float(1.0 / (1000 + 150)) * 5.0f};
    float pathLength = 0.0f;
    float footprintCount = 5.0f;
    float capacityFill = 0.0f;
    float rateFill = 0.0f;
    float dryingAmount = 0.0f;
    // The divisions of the first two are done in double, the third in float.
    float capacityCoefficient = float(0.05 / 1000);
    float rateCoefficient = float(0.005 / 1000);
    float dryingCoefficient = 0.005f / 1000;
    float resolvability = 0.55f;
    float resolvabilityComplement = 0.45f;
    int sizeCacheIndex = 0;
    float sizeCacheMass = 0.5f;
    int firstInit = 1;
    // What the steps since the shell last set it to 0 returned, added up
    // (stepOnce adds each step's count): an Instant Result run ends when a
    // step leaves it at 0.
    int activeParticles = 1;
    int emitting = 0;
};

// Mouse editing state and the four point lists.
struct EditingState {
    int spawnMode = 1;
    int pathMode = 1;
    int areaMode = 0;
    int perspectiveMode = 0;
    int eyedropperActive = 0;
    int buttonDown = 0;
    int overlayVisible = 0;
    int restartPath = 0;
    int pathStarted = 0;
    vec2 pathStartPoint{};
    int areaStarted = 0;
    vec2 areaStartPoint{};
    vec2 brushPoint{};
    vec2 guideLine1Start{};
    vec2 guideLine1End{};
    vec2 guideLine2Start{};
    vec2 guideLine2End{};
    // What the perspective overlay draws: line 1 is [0]-[1], line 2 [2]-[3].
    struct IntPoint {
        int x = 0;
        int y = 0;
    };
    IntPoint guideLineVertices[4]{};
    float guideLineGap = 0.0f;
    int secondLinePending = 0;
    int firstLineDone = 0;
    vec2 gravityStart{0.0f, 1.0f};
    vec2 gravityEnd{0.0f, 0.0f};
    // Set by a mouse motion in Brush mode; the step clears it after six
    // re-emissions at the brush.
    int brushDragged = 0;

    PointList pathDraft;
    PointList path;
    PointList areaDraft;
    PointList area;
};

struct ShellState {
    WindowLayout window;
    PanelSettings panel;
    EditingState editing;

    // Where init takes its seed. Unset, it is the whole seconds of the
    // program-wide stopwatch; the session player and the recorder set it.
    std::function<std::uint32_t()> initSeed;
};
