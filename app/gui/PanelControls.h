#pragma once

#include <span>

#include "sim/ShellState.h"

// What one row of the control panel is.
enum class PanelItemKind {
    Group,      // opens a bordered group; its label is the group's title
    GroupEnd,   // closes the innermost open group
    Column,     // starts the panel's second column (with a separator bar)
    Button,     // a push button running a command
    Radio,      // one button of the "Mouse Operation" radio group
    Checkbox,   // bound to an int live variable, 0 or 1
    IntSlider,  // horizontal scrollbar over an int live variable
    FloatSlider,
    SessionSave // writes the session recording through the save dialog
};

// One row of the control panel, in the order the panel shows them. The
// panel is drawn from this table alone, and --list-controls prints it, so
// the two cannot drift apart.
struct PanelControl {
    PanelItemKind kind;
    // The text the panel shows.
    const char* label;
    // The control callback's id; -1 when the control has no callback.
    int id = -1;
    // The name a session file uses: the live variable, or the button's name.
    const char* sessionName = nullptr;
    int PanelSettings::*intVariable = nullptr;
    float PanelSettings::*floatVariable = nullptr;
    // Slider limits in the panel's order: the first is at the left end. The
    // Resolvability scrollbar runs from 1.0 down to 0.1, so low > high there.
    float low = 0.0f;
    float high = 0.0f;
    // The live variable's value when this radio button is selected.
    int radioValue = 0;
};

// The whole panel, top to bottom and left column first.
std::span<const PanelControl> panelControls();

// A slider's value brought within its limits, whichever way round they are.
float clampToLimits(const PanelControl& control, float value);
