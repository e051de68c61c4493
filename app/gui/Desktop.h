#pragma once

#include <memory>

#include "app/SessionRecorder.h"
#include "app/Shell.h"
#include "app/gui/DesktopDialogs.h"
#include "app/gui/GlutWindowSystem.h"
#include "image/TextureImageRect.h"
#include "sim/SimulationDrawing.h"

// The shell's four pictures, each with its texture.
struct DesktopPictures {
    CanvasTexture canvas;
    TextureImageRect<float> surface;
    TextureImageRect<vec3> colorButton;
    TextureImageRect<vec3> eyedropperButton;

    ShellImages view();
};

// Everything the desktop painter keeps for its whole run. The GLUT
// callbacks carry no context, so there is one program-wide Desktop; only
// app/gui reaches it, and it hands the shell and the simulation their state
// by reference.
struct Desktop {
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    DesktopPictures pictures;
    DesktopDialogs dialogs;
    SessionRecorder recorder;
    GlutWindowSystem windowSystem;
    // The deposition's texture, as the main display draws it.
    DepositionTexture depositionTexture;
    // Declared last so it goes first: the simulation is destroyed before
    // the textures and the recorder it might still reach.
    Shell shell;

    // Set once start-up is over: the inits before it set the session's
    // start seed, the later ones belong to the event that caused them.
    bool startedUp = false;
    // Set by the window system whenever the colour chooser has run.
    bool colorChooserRan = false;
    // A colour chooser opened by a left-button press swallows the release
    // that the window system delivers once the chooser has closed.
    bool swallowLeftRelease = false;
    // A cancelled Instant Result run has been reported as unrecordable.
    bool cancelReported = false;
};

// The one desktop; valid between createDesktop and destroyDesktop.
Desktop& desktop();
void createDesktop();
// The exit handler: destroys the simulation (with the rest of the desktop).
void destroyDesktop();
