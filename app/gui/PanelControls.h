#pragma once

#include <optional>
#include <span>

#include "app/SessionControls.h"

// What one row of the control panel is.
enum class PanelItemKind {
    Group,       // opens a bordered group; its label is the group's title
    GroupEnd,    // closes the innermost open group
    Column,      // starts the panel's second column (with a separator bar)
    Button,      // a push button running a command
    Radio,       // one button of the "Mouse Operation" radio group
    Checkbox,    // bound to an int live variable, 0 or 1
    IntSlider,   // horizontal scrollbar over an int live variable
    FloatSlider, // horizontal scrollbar over a float live variable
    SessionSave  // writes the session recording through the save dialog
};

// One row of the control panel, in the order the panel shows them. The
// panel is drawn from this table alone, and --list-controls prints it, so
// the two cannot drift apart. A control's live variable, limits and
// command are those sessions use (sessionControls()), so the panel and
// a played-back session clamp and call back alike.
struct PanelControl {
    PanelItemKind kind;
    // The text the panel shows; for buttons, their label as sessions name it.
    const char* label;
    // For a live variable's control: its name in sessionControls().
    const char* variable = nullptr;
    // For a command button.
    PanelButton button = PanelButton::Start;
    // The live variable's value when this radio button is selected.
    int radioValue = 0;
    // The slider's larger limit sits at its left end (Resolvability runs
    // from 1.0 down to 0.1).
    bool reversed = false;
};

// The whole panel, top to bottom and left column first.
std::span<const PanelControl> panelControls();

// The session control behind a live variable's control; nullptr for the
// rows that have none (groups, buttons).
const SessionControl* sessionControlOf(const PanelControl& control);

// The command the control runs, if any.
std::optional<PanelCommand> commandOf(const PanelControl& control);

// A slider's limits in the panel's order: the first is at its left end.
float leftLimit(const PanelControl& control);
float rightLimit(const PanelControl& control);

// A slider's value brought within its limits, as the panel clamps it.
float clampToLimits(const PanelControl& control, float value);
