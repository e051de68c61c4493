#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/PanelCommand.h"
#include "app/SaveConfinement.h"
#include "app/WindowSystem.h"
#include "image/CanvasPicture.h"
#include "image/ImageRect.h"
#include "sim/WatercolorSimulation.h"
#include "sim/ShellState.h"

class SessionRecorder;

// Mouse buttons and states as the window system reports them.
enum MouseButton { LeftButton = 0, MiddleButton = 1, RightButton = 2 };
enum MouseState { ButtonPressed = 0, ButtonReleased = 1 };

// The shell's four pictures. Their owner supplies them: the desktop gives
// texture images, the headless player and the tests plain ones.
struct ShellImages {
    CanvasPicture* canvasImage = nullptr;
    ImageRect<float>* surfaceImage = nullptr;
    ImageRect<vec3>* colorButtonImage = nullptr;
    ImageRect<vec3>* eyedropperButtonImage = nullptr;
    // Whether the canvas picture has been uploaded (has a texture) yet.
    bool canvasUploaded = false;
};

// Progress of an Instant Result run. The headless player runs one to the end
// inside the Start command; the desktop advances it a slice per idle call so
// the window stays responsive.
struct InstantRun {
    bool active = false;
    float startTime = 0.0f;
    int savedEmitting = 0;
    // Percent of the previous repetition (written or not); -1 before the first.
    int lastPercent = -1;
    // Repetitions of the loop after the first, emitting step.
    long repetitions = 0;
    int percent = 0;
    // Repetitions after which a run that never dries out is stopped.
    long repetitionLimit = 100000;
};

// What the steps of a run cost: every call of the simulation's step counts,
// with the wall time spent inside it (measured apart from the stopwatch).
struct StepStatistics {
    long long steps = 0;
    double seconds = 0.0;
};

// The painter without a window: its state, its pictures, the simulation and
// the window system it talks to.
struct Shell {
    Shell(WindowSystem& windowSystem, ShellImages images);
    ~Shell();

    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    ShellState state;
    ShellImages images;
    WindowSystem& windowSystem;
    std::unique_ptr<WatercolorSimulation> simulation;
    // The start canvas picture that initialize loads (a session may name another).
    std::string canvasName = "default.bmp";
    // When set, initialize opens this painting file instead of a canvas.
    std::string startPainting;
    InstantRun instantRun;
    // When set, Start with Instant Result only begins the run and the caller
    // advances it with advanceInstantRun (the desktop does this).
    bool incrementalInstantRun = false;
    StepStatistics stepStatistics;
    // Called after every step, when set (progress reports of the player).
    std::function<void(const Shell&)> afterStep;
    // Where the save commands write (a played session confines its saves).
    SaveConfinement saves;
    // Called at the end of every idle call, when set (the player's time-lapse).
    std::function<void(const Shell&)> afterIdle;
    // Set when a painting has just been opened: the next frame leaves the
    // frame state (display scale, brush emission) as the painting had it,
    // so the next step goes on as it would have in the run that saved it.
    // Every input, idle call and command clears it.
    bool frameStateHeld = false;
    // What the painter did, as a session: painting files keep the session
    // that made them. The desktop points it at its own recorder.
    SessionRecorder* recorder;

private:
    std::unique_ptr<SessionRecorder> ownRecorder;
};

// The start-up sequence without windows: stopwatch, simulation, size table,
// the Init command, the image library, the button pictures and the canvas,
// or the painting file named by startPainting. False only when that
// painting could not be opened (the painter is then on blank paper).
bool initialize(Shell& shell);

// The control panel's one callback: carries out the command, then asks for
// a redraw.
void controlCallback(Shell& shell, PanelCommand command);

// The Image Open command once the dialog has answered: the picture becomes
// the canvas and its grey levels the paper. False, with nothing changed but
// the reloaded button pictures, when it cannot be loaded.
bool openCanvasPicture(Shell& shell, const std::string& name);

// Mouse, motion and keyboard as the window system reports them (window
// pixels, origin at the top-left corner).
void mouse(Shell& shell, int button, int state, int x, int y);
void motion(Shell& shell, int x, int y);
void keyboard(Shell& shell, unsigned char key, int x, int y);

// The main window's new size.
void reshape(Shell& shell, int width, int height);

// One idle call: a step when continuous running is on, then a frame.
void idle(Shell& shell);

// Stamps the step time, runs one step of 1.0 and adds its active particles
// to the panel's count.
void stepOnce(Shell& shell);

// The state a frame of the main display writes: displayScale and, in Brush
// mode, whether the brush emits.
void updateFrameState(Shell& shell);

// Advances an active Instant Result run by at most maxSteps steps; true when
// the run has ended (and its closing lines are written).
bool advanceInstantRun(Shell& shell, long maxSteps);

// Ends an active Instant Result run early, as its natural end would.
void cancelInstantRun(Shell& shell);
