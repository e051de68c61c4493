#pragma once

#include "app/gui/ControlPanelLayout.h"

struct Desktop;

// Carries out what the user did in the panel: runs the control's command
// with the main window current, as every panel command does, and records
// the change in the session after it ran.
void carryOutPanelAction(Desktop& desktop, const PanelAction& action);
