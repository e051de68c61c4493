#include "app/gui/PanelActions.h"

#include <GL/freeglut.h>

#include <iostream>

#include "app/gui/CurrentWindow.h"
#include "app/gui/Desktop.h"

namespace {

void runCommand(Desktop& desktop, PanelCommand command) {
    glutSetWindow(desktop.shell.state.window.mainWindow);
    controlCallback(desktop.shell, command);
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

void pressButton(Desktop& desktop, PanelButton button) {
    runCommand(desktop, panelButtonCommand(button));
    desktop.recorder.button(panelButtonLabel(button));
}

void changeControl(Desktop& desktop, const PanelControl& control) {
    if (control.kind == PanelItemKind::SessionSave) {
        saveSession(desktop);
        return;
    }
    if (control.kind == PanelItemKind::Button) {
        pressButton(desktop, control.button);
        return;
    }
    // A live variable: it holds its new value already.
    const SessionControl& variable = *sessionControlOf(control);
    const PanelSettings& panel = desktop.shell.state.panel;
    const double value = variable.integer != nullptr ? double(panel.*variable.integer)
                                                     : double(panel.*variable.real);
    if (variable.command) {
        runCommand(desktop, *variable.command);
    }
    desktop.recorder.set(variable.name, value);
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

}  // namespace

bool pressShortcutKey(Desktop& desktop, unsigned char key) {
    // The window system delivers Ctrl+letter as the letter's control code.
    constexpr unsigned char controlO = 'o' - 'a' + 1;
    constexpr unsigned char controlS = 's' - 'a' + 1;
    if (key != controlO && key != controlS) {
        return false;
    }
    // The panel's buttons are disabled during an Instant Result run; so are
    // their keys.
    if (!desktop.shell.instantRun.active) {
        pressButton(desktop, key == controlS ? PanelButton::PaintingSave : PanelButton::PaintingOpen);
    }
    return true;
}

void carryOutPanelAction(Desktop& desktop, const PanelAction& action) {
    switch (action.kind) {
    case PanelAction::ControlChanged:
        changeControl(desktop, *action.control);
        break;
    case PanelAction::CancelRun:
        cancelRun(desktop);
        break;
    }
}
