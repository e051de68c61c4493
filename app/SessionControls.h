#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "app/PanelCommand.h"
#include "sim/ShellState.h"

// The panel's controls and buttons as sessions name them: which live
// variable a `set` event may change and within which limits, and which
// command each control and button runs.

// How a panel control takes a value from a session.
enum class ControlKind {
    Checkbox,  // 0 or 1, anything else is refused
    Choice,    // an integer in low..high, anything else is refused
    Integer,   // an integer, clamped to low..high as the scrollbar clamps it
    Real,      // a number, clamped to low..high as the scrollbar clamps it
};

// One live variable of the control panel that a `set` event may change.
struct SessionControl {
    const char* name;
    ControlKind kind;
    double low;
    double high;
    // The command the control runs after a change, if any.
    std::optional<PanelCommand> command;
    // Where the value lives: an int or a float of the panel, never both.
    int PanelSettings::*integer;
    float PanelSettings::*real;
};

// The controls in panel order. findSessionControl gives nullptr for a name
// that is not among them.
const std::vector<SessionControl>& sessionControls();
const SessionControl* findSessionControl(std::string_view name);

enum class PanelButton { Start, Init, Undo, Reset, ImageOpen, ImageSave, PaintingOpen, PaintingSave };

// Whether the button asks the file dialog for a name.
bool buttonAsksForFile(PanelButton button);
// Whether the button may init the simulation (and so takes a seed).
bool buttonMayInit(PanelButton button);

// The button's label as the panel (and a session file) writes it.
const char* panelButtonLabel(PanelButton button);
// The command the button runs.
PanelCommand panelButtonCommand(PanelButton button);
