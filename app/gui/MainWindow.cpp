#include "app/gui/MainWindow.h"

#include <GL/freeglut.h>

#include <chrono>

#include "app/gui/ControlPanelWindow.h"
#include "app/gui/Desktop.h"
#include "app/gui/MainDisplay.h"
#include "app/gui/PanelActions.h"
#include "app/gui/PixelProjection.h"
#include "app/gui/SwapInterval.h"

namespace {

// How long one idle call may spend on an Instant Result run before the
// window gets to draw and take input again.
constexpr std::chrono::milliseconds instantRunSlice{20};

// Canvas input is ignored while an Instant Result run is under way (the
// run must play back as it ran) and while the panel holds the mouse.
bool canvasInputBlocked(Desktop& d) {
    return d.shell.instantRun.active || panelWantsMouse();
}

void display() {
    Desktop& d = desktop();
    const bool updateState = frameMayUpdateState(d);
    drawMainFrame(d, updateState);
    // Frames drawn by idle calls are counted with their idle call; this is
    // one the window system asked for.
    if (d.startedUp && updateState) {
        d.recorder.frame();
    }
}

void reshapeMain(int width, int height) {
    Desktop& d = desktop();
    if (height == 0) {
        return;
    }
    usePixelProjection(width, height);
    reshape(d.shell, width, height);
    placeControlPanel(d.shell.state.window);
    // The redraw that follows every resize updates the frame state; doing
    // it now means no mouse event in between sees the old scale, exactly as
    // a played-back reshape behaves.
    if (frameMayUpdateState(d)) {
        updateFrameState(d.shell);
    }
    d.recorder.reshape(width, height);
}

void mouseMain(int button, int state, int x, int y) {
    Desktop& d = desktop();
    // The wheel (buttons 3 and up) means nothing to the painter.
    if (button < GLUT_LEFT_BUTTON || button > GLUT_RIGHT_BUTTON) {
        return;
    }
    if (button == GLUT_LEFT_BUTTON && state == GLUT_UP && d.swallowLeftRelease) {
        d.swallowLeftRelease = false;
        return;
    }
    if (canvasInputBlocked(d)) {
        return;
    }
    d.colorChooserRan = false;
    mouse(d.shell, button, state, x, y);
    // The chooser ran inside the press; the release queued meanwhile is the
    // end of that same click, not a second one.
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN && d.colorChooserRan) {
        d.swallowLeftRelease = true;
    }
    d.recorder.mouse(button, state, x, y);
}

void motionMain(int x, int y) {
    Desktop& d = desktop();
    if (canvasInputBlocked(d)) {
        return;
    }
    motion(d.shell, x, y);
    d.recorder.motion(x, y);
}

void keyboardMain(unsigned char key, int x, int y) {
    if (!pressShortcutKey(desktop(), key)) {
        keyboard(desktop().shell, key, x, y);
    }
}

void specialKeyMain(int, int, int) {}

// Advances the run for about one slice of time; the run writes its own
// progress lines and closing line.
void advanceInstantRunSlice(Shell& shell) {
    const auto end = std::chrono::steady_clock::now() + instantRunSlice;
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < end) {
        ended = advanceInstantRun(shell, 1);
    }
}

}  // namespace

void registerMainWindowCallbacks() {
    glutKeyboardFunc(keyboardMain);
    glutSpecialFunc(specialKeyMain);
    glutMouseFunc(mouseMain);
    glutMotionFunc(motionMain);
    glutDisplayFunc(display);
    glutReshapeFunc(reshapeMain);
}

void setUpMainWindowDrawing() {
    disableSwapWait();
    glClearColor(0.6f, 0.6f, 0.6f, 1.0f);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_POINT_SMOOTH);
    glHint(GL_POINT_SMOOTH_HINT, GL_DONT_CARE);
}

void idleRoutine() {
    Desktop& d = desktop();
    glutSetWindow(d.shell.state.window.mainWindow);
    if (d.shell.instantRun.active) {
        advanceInstantRunSlice(d.shell);
        // Even when the run ended in this slice: the frame belongs to the
        // run and is not recorded, so it must not change the state either.
        drawMainFrame(d, false);
    } else {
        idle(d.shell);
        d.recorder.idle();
    }
    refreshControlPanel();
}
