#include "app/gui/ControlPanelWindow.h"

#include <GL/freeglut.h>
#include <imgui.h>
#include <backends/imgui_impl_glut.h>
#include <backends/imgui_impl_opengl2.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <iostream>
#include <vector>

#include "app/gui/ControlPanelLayout.h"
#include "app/gui/CurrentWindow.h"
#include "app/gui/Desktop.h"
#include "app/gui/PanelActions.h"
#include "app/gui/PixelProjection.h"
#include "sim/WatercolorSimulation.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often the panel is drawn when nothing asks for it: often enough for
// hover highlights and a run's progress to look live, rarely enough to
// leave the machine to the simulation.
constexpr std::chrono::milliseconds quietRedraw{50};

struct PanelWindowState {
    Clock::time_point lastDrawn{};
    // Frames still wanted soon because of input: ImGui settles hover and
    // release effects over a frame or two.
    int framesWanted = 0;
    bool drawing = false;
};

PanelWindowState panelState;

int panelWindow() {
    return desktop().shell.state.window.panelWindow;
}

// One ImGui frame of the panel, drawn and shown; then what the user did in
// it is carried out, outside the frame.
void drawPanel() {
    if (panelState.drawing || panelWindow() == 0) {
        return;
    }
    panelState.drawing = true;
    Desktop& d = desktop();
    std::vector<PanelAction> actions;
    {
        CurrentWindow current(panelWindow());
        ImGui_ImplOpenGL2_NewFrame();
        ImGui_ImplGLUT_NewFrame();
        PanelStatus status;
        status.runActive = d.shell.instantRun.active;
        status.runPercent = d.shell.instantRun.percent;
        actions = buildControlPanel(d.shell.state.panel, status);
        ImGui::Render();
        const ImGuiIO& io = ImGui::GetIO();
        glViewport(0, 0, static_cast<GLsizei>(io.DisplaySize.x),
                   static_cast<GLsizei>(io.DisplaySize.y));
        glClearColor(0.6f, 0.6f, 0.6f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
        glutSwapBuffers();
    }
    panelState.lastDrawn = Clock::now();
    if (panelState.framesWanted > 0) {
        --panelState.framesWanted;
    }
    panelState.drawing = false;
    for (const PanelAction& action : actions) {
        carryOutPanelAction(d, action);
    }
}

void wantFrames(int count) {
    panelState.framesWanted = std::max(panelState.framesWanted, count);
}

void displayPanel() {
    drawPanel();
}

// The panel's own reshape: its viewport and ImGui's idea of its size, and
// nothing of the main window's layout.
void reshapePanel(int width, int height) {
    usePixelProjection(width, height);
    ImGui_ImplGLUT_ReshapeFunc(width, height);
    wantFrames(1);
}

// Each press and each release gets a frame of its own at once: ImGui of
// this version sees only the button state at each frame, and a click
// delivered between two frames would otherwise be lost.
void mousePanel(int button, int state, int x, int y) {
    ImGui_ImplGLUT_MouseFunc(button, state, x, y);
    drawPanel();
    wantFrames(2);
}

void wheelPanel(int wheel, int direction, int x, int y) {
    ImGui_ImplGLUT_MouseWheelFunc(wheel, direction, x, y);
    wantFrames(2);
}

void motionPanel(int x, int y) {
    ImGui_ImplGLUT_MotionFunc(x, y);
    wantFrames(2);
}

// Once the pointer has left, ImGui must stop believing it is over the panel,
// or the canvas would not get the next click.
void entryPanel(int state) {
    if (state == GLUT_LEFT) {
        ImGui::GetIO().MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
        drawPanel();
    }
}

// Keys typed into a control (a value entered with Ctrl+click) belong to the
// panel; otherwise the painter's own keys (Esc, "q") work here as well.
void keyboardPanel(unsigned char key, int x, int y) {
    const bool typing = ImGui::GetIO().WantTextInput;
    ImGui_ImplGLUT_KeyboardFunc(key, x, y);
    wantFrames(2);
    if (!typing && !pressShortcutKey(desktop(), key)) {
        keyboard(desktop().shell, key, x, y);
    }
}

void keyboardUpPanel(unsigned char key, int x, int y) {
    ImGui_ImplGLUT_KeyboardUpFunc(key, x, y);
    wantFrames(2);
}

void specialPanel(int key, int x, int y) {
    ImGui_ImplGLUT_SpecialFunc(key, x, y);
    wantFrames(2);
}

void specialUpPanel(int key, int x, int y) {
    ImGui_ImplGLUT_SpecialUpFunc(key, x, y);
    wantFrames(2);
}

}  // namespace

void createControlPanel() {
    WindowLayout& window = desktop().shell.state.window;
    // Double-buffered, unlike a panel that draws only when a control
    // changes: ImGui redraws the whole panel every frame, and a single
    // buffer would show each frame being drawn.
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    // The sub-window's position counts from the main window's top-left corner.
    window.panelWindow = glutCreateSubWindow(window.mainWindow, layout::panelLeft(window.windowWidth),
                                             window.windowHeight - layout::panelHeight,
                                             layout::panelWidth, layout::panelHeight);
    glutDisplayFunc(displayPanel);
    glutReshapeFunc(reshapePanel);
    glutMouseFunc(mousePanel);
    glutMouseWheelFunc(wheelPanel);
    glutMotionFunc(motionPanel);
    glutPassiveMotionFunc(motionPanel);
    glutEntryFunc(entryPanel);
    glutKeyboardFunc(keyboardPanel);
    glutKeyboardUpFunc(keyboardUpPanel);
    glutSpecialFunc(specialPanel);
    glutSpecialUpFunc(specialUpPanel);

    std::cerr << "ImGui version: " << ImGui::GetVersion() << std::endl;
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    setUpPanelStyle();
    ImGui_ImplGLUT_Init();
    ImGui_ImplOpenGL2_Init();
    ImGui_ImplGLUT_ReshapeFunc(layout::panelWidth, layout::panelHeight);
    glutSetWindow(window.mainWindow);
}

void placeControlPanel(const WindowLayout& window) {
    if (window.panelWindow == 0) {
        return;
    }
    CurrentWindow current(window.panelWindow);
    glutPositionWindow(layout::panelLeft(window.windowWidth), window.windowHeight - layout::panelHeight);
}

void refreshControlPanel() {
    const bool due = Clock::now() - panelState.lastDrawn >= quietRedraw;
    if (panelState.framesWanted > 0 || due) {
        drawPanel();
    }
}

bool panelWantsMouse() {
    if (ImGui::GetCurrentContext() == nullptr) {
        return false;
    }
    // Asked on behalf of the main window, where the pointer is now: ImGui
    // must not go by the last position it saw over the panel (its leave
    // event may not have come through yet), so it is told and brought up to
    // date first. It then wants the mouse only while one of its controls
    // holds it.
    ImGuiIO& io = ImGui::GetIO();
    if (ImGui::IsMousePosValid(&io.MousePos)) {
        io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
        drawPanel();
    }
    return io.WantCaptureMouse;
}
