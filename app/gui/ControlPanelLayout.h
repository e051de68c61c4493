#pragma once

#include <iosfwd>
#include <vector>

#include "app/gui/PanelControls.h"
#include "sim/MainWindowLayout.h"

struct ImGuiContext;

// Something the user did in the panel. The panel's window carries it out
// once the frame is drawn, so no command runs in the middle of an ImGui
// frame (a command may draw the main window or open a dialog).
struct PanelAction {
    enum Kind { ControlChanged, CancelRun };
    Kind kind = ControlChanged;
    // For ControlChanged. A changed live variable already holds its new,
    // clamped value; its callback has not run yet.
    const PanelControl* control = nullptr;
};

// What the panel shows besides the live variables.
struct PanelStatus {
    bool runActive = false;
    int runPercent = 0;
};

// Where something was drawn, in the panel window's pixels (origin at the
// top-left corner).
struct ControlPlacement {
    const char* kind;
    const char* label;
    float left;
    float top;
    float width;
    float height;
};

// The panel's look, for the current ImGui context. ImGui is also told to
// keep no settings file: the painter has no configuration files.
void setUpPanelStyle();

// Builds one ImGui frame of the panel (between NewFrame and Render): every
// control of panelControls() bound to its live variable, the progress of an
// Instant Result run with its "Cancel". While a run is under way the controls are
// disabled: a change in the middle of it could not be played back.
std::vector<PanelAction> buildControlPanel(PanelSettings& panel, const PanelStatus& status,
                                           std::vector<ControlPlacement>* placements = nullptr);

// The panel in a Dear ImGui context of its own that draws nowhere: it lays
// the panel out for --list-controls, and lets tests work its controls.
class OffscreenPanel {
public:
    OffscreenPanel();
    ~OffscreenPanel();
    OffscreenPanel(const OffscreenPanel&) = delete;
    OffscreenPanel& operator=(const OffscreenPanel&) = delete;

    // One frame of the panel with the mouse where moveMouse left it.
    std::vector<PanelAction> frame(PanelSettings& panel, const PanelStatus& status,
                                   std::vector<ControlPlacement>* placements = nullptr);
    // Where the pointer is (panel pixels) and whether the left button is down.
    void moveMouse(float x, float y, bool leftDown);

private:
    ImGuiContext* context;
    ImGuiContext* previous;
};

// Lays the panel out once without any window and prints one line per
// control: its kind, label and rectangle, separated by tabs.
void printControlList(std::ostream& out);
