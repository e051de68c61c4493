#pragma once

#include "app/gui/ControlPanelLayout.h"

struct Desktop;

// Carries out what the user did in the panel: runs the control's command
// with the main window current, as every panel command does, and records
// the change in the session after it ran.
void carryOutPanelAction(Desktop& desktop, const PanelAction& action);

// The painter's keyboard shortcuts, from either window: Ctrl+S presses
// Painting Save and Ctrl+O Painting Open, as the panel's buttons do (and
// are recorded so). True when the key was one of them.
bool pressShortcutKey(Desktop& desktop, unsigned char key);
