// The desktop painter: a main window with the canvas and the tool strip, and
// the control panel in a sub-window at its right edge. Everything happens in
// GLUT's callbacks on one thread; the idle routine steps the simulation and
// redraws whenever no event is waiting.

#include <GL/freeglut.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/gui/ControlPanelLayout.h"
#include "app/gui/ControlPanelWindow.h"
#include "app/gui/Desktop.h"
#include "app/gui/MainWindow.h"
#include "sim/MainWindowLayout.h"

namespace {

// Run at normal exit (Esc or "q"): the simulation is destroyed with the rest
// of the desktop, with the main window's context current for its textures.
void exitHandler() {
    const int mainWindow = desktop().shell.state.window.mainWindow;
    if (glutGet(GLUT_INIT_STATE) != 0 && mainWindow != 0) {
        glutSetWindow(mainWindow);
    }
    destroyDesktop();
}

}  // namespace

int main(int argc, char** argv) {
    // Prints the panel's controls and where they sit, without a display.
    if (argc == 2 && std::strcmp(argv[1], "--list-controls") == 0) {
        printControlList(std::cout);
        return 0;
    }
    // Prints the main window's layout numbers, name and value, one a line.
    if (argc == 2 && std::strcmp(argv[1], "--list-layout") == 0) {
        for (const layout::Number& number : layout::numbers) {
            std::cout << number.name << '\t' << number.value << '\n';
        }
        return 0;
    }
    glutInit(&argc, argv);
    createDesktop();
    Desktop& d = desktop();
    WindowLayout& window = d.shell.state.window;

    glutInitWindowSize(window.windowWidth, window.windowHeight);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH | GLUT_STENCIL);
    window.mainWindow = glutCreateWindow("");
    registerMainWindowCallbacks();
    setUpMainWindowDrawing();
    initialize(d.shell);
    std::atexit(exitHandler);

    createControlPanel();
    glutIdleFunc(idleRoutine);
    // From here on every init belongs to an event of the session recording.
    d.startedUp = true;
    glutMainLoop();
    return 0;
}
