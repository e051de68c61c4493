#include "app/gui/PanelActions.h"

#include <GL/freeglut.h>

#include <iostream>

#include "app/gui/CurrentWindow.h"
#include "app/gui/Desktop.h"

namespace {

void runCommand(Desktop& desktop, int id) {
    glutSetWindow(desktop.shell.state.window.mainWindow);
    controlCallback(desktop.shell, id);
}

void saveSession(Desktop& desktop) {
    std::string name;
    {
        CurrentWindow current(glutGetWindow());
        name = desktop.dialogs.saveSessionFile();
    }
    if (!name.empty() && desktop.recorder.save(name)) {
        std::cerr << "session saved: " << name << std::endl;
    }
}

void changeControl(Desktop& desktop, const PanelControl& control) {
    const PanelSettings& panel = desktop.shell.state.panel;
    switch (control.kind) {
    case PanelItemKind::Button:
        runCommand(desktop, control.id);
        desktop.recorder.button(control.sessionName);
        return;
    case PanelItemKind::SessionSave:
        saveSession(desktop);
        return;
    default:
        break;
    }
    // A live variable: it holds its new value already.
    const double value = control.intVariable != nullptr ? double(panel.*control.intVariable)
                                                        : double(panel.*control.floatVariable);
    if (control.id >= 0) {
        runCommand(desktop, control.id);
    }
    desktop.recorder.set(control.sessionName, value);
}

void cancelRun(Desktop& desktop) {
    cancelInstantRun(desktop.shell);
    if (!desktop.cancelReported) {
        desktop.cancelReported = true;
        std::cerr << "session recording: a cancelled Instant Result run cannot be recorded; "
                     "played back, the run goes on to its end"
                  << std::endl;
    }
}

void closeSettings(Desktop& desktop) {
    desktop.shell.simulation->hideSettings();
    glutSetWindow(desktop.shell.state.window.mainWindow);
    glutPostRedisplay();
}

}  // namespace

void carryOutPanelAction(Desktop& desktop, const PanelAction& action) {
    switch (action.kind) {
    case PanelAction::ControlChanged:
        changeControl(desktop, *action.control);
        break;
    case PanelAction::CancelRun:
        cancelRun(desktop);
        break;
    case PanelAction::CloseSettings:
        closeSettings(desktop);
        break;
    }
}
