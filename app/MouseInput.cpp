// Mouse and keyboard: the left button edits by the selected mouse operation
// and works the tool strip, the middle button sets the direction of gravity.
// Every stored point is in window pixels with the origin at the bottom left.

#include "app/MouseInput.h"

#include <algorithm>
#include <cmath>
#include <iostream>

#include "app/PaletteSwatches.h"
#include "app/ShellPictures.h"
#include "sim/MainWindowLayout.h"


namespace {

constexpr unsigned char escapeKey = 27;

unsigned char colorByte(float component) {
    return static_cast<unsigned char>(std::lround(std::clamp(component, 0.0f, 1.0f) * 255.0f));
}

// A tool button's picture is drawn with its lower-left corner at
// (left, toolButtonBottom); the test is strict on every side and uses
// window y (downwards).
bool insideButton(const ImageRect<vec3>* picture, int left, int height, int x, int y) {
    if (picture == nullptr) {
        return false;
    }
    const int bottom = height - layout::toolButtonBottom;
    return left < x && x < left + picture->width && bottom - picture->height < y && y < bottom;
}

bool onCanvas(const WindowLayout& window, int x, int Y) {
    return float(window.canvasWidth) > float(x) * window.displayScale &&
           float(window.canvasHeight) > float(Y) * window.displayScale;
}

void setAll(EditingState::IntPoint (&vertices)[4], int x, int Y) {
    for (auto& vertex : vertices) {
        vertex = EditingState::IntPoint{x, Y};
    }
}

void chooseColor(Shell& shell) {
    vec4& paint = shell.state.panel.paintColor;
    loadButtonPicture(shell, ShellImage::ColorButton, "color-chooser-pressed.bmp");
    // The pressed button shows while the chooser is open.
    shell.windowSystem.displayNow();
    unsigned char rgb[3] = {colorByte(paint.x), colorByte(paint.y), colorByte(paint.z)};
    if (shell.windowSystem.chooseColorDialog(rgb)) {
        setPaintColorBytes(shell.state.panel, rgb);
    }
    loadButtonPicture(shell, ShellImage::ColorButton, "color-chooser.bmp");
}

void pressToolStrip(Shell& shell, int x, int y, int Y) {
    const int W = shell.state.window.windowWidth;
    const int H = shell.state.window.windowHeight;
    EditingState& editing = shell.state.editing;
    const int strip = layout::toolStripLeft(W);
    if (insideButton(shell.images.eyedropperButtonImage, strip + layout::eyedropperButtonOffset, H, x,
                     y)) {
        editing.eyedropperActive = editing.eyedropperActive ? 0 : 1;
        loadButtonPicture(shell, ShellImage::EyedropperButton,
                          editing.eyedropperActive ? "eyedropper-on.bmp" : "eyedropper.bmp");
        shell.windowSystem.displayNow();
    }
    vec4& paint = shell.state.panel.paintColor;
    for (const PaletteSwatch& swatch : paletteSwatches) {
        const int left = strip + swatch.x;
        if (left <= x && x < left + paletteSwatchWidth && swatch.y < Y &&
            Y <= swatch.y + paletteSwatchHeight) {
            paint.x = swatch.red;
            paint.y = swatch.green;
            paint.z = swatch.blue;
        }
    }
}

// Picks the colour of the pixel under the pointer.
void pickColor(Shell& shell, int x, int Y) {
    vec3 rgb;
    if (shell.windowSystem.readPixel(x, Y, rgb)) {
        vec4& paint = shell.state.panel.paintColor;
        paint.x = rgb.x;
        paint.y = rgb.y;
        paint.z = rgb.z;
        std::cout << rgb.x << ", " << rgb.y << ", " << rgb.z << std::endl;
    }
    shell.windowSystem.postRedisplay();
}

void pressCanvas(Shell& shell, int x, int Y) {
    EditingState& editing = shell.state.editing;
    const vec2 point{float(x), float(Y)};
    editing.buttonDown = 1;
    if (editing.eyedropperActive) {
        pickColor(shell, x, Y);
        return;
    }
    if (editing.spawnMode == 1 && editing.pathMode == 1) {
        if (editing.restartPath) {
            editing.path.clear();
            editing.pathDraft.clear();
            editing.pathStarted = 0;
            editing.restartPath = 0;
        }
        if (editing.pathStarted == 0) {
            editing.pathStarted = 1;
            editing.pathStartPoint = point;
        }
        appendPoint(editing.pathDraft, point);
        editing.overlayVisible = 1;
    }
    if (editing.spawnMode == 2) {
        if (!editing.areaMode && !editing.perspectiveMode) {
            editing.brushPoint = point;
        }
        editing.overlayVisible = 1;
    }
    if (editing.areaMode) {
        if (editing.areaStarted == 0) {
            editing.areaStarted = 1;
            editing.areaStartPoint = point;
        }
        // Twice, so a single click already makes an outline of two points.
        appendPoint(editing.areaDraft, point);
        appendPoint(editing.areaDraft, point);
    }
    if (editing.secondLinePending) {
        editing.guideLine2Start = editing.guideLine2End = point;
        editing.guideLineVertices[2] = editing.guideLineVertices[3] = {x, Y};
    }
    if (editing.perspectiveMode && !editing.secondLinePending) {
        editing.guideLine1Start = editing.guideLine1End = point;
        editing.guideLine2Start = editing.guideLine2End = point;
        setAll(editing.guideLineVertices, x, Y);
        editing.guideLineGap = 0.0f;
    }
}

// The larger vertical distance from the second line, extended, to the two
// ends of the first. A second line without horizontal extent has no slope:
// no perspective then.
float guideLineGapOf(const EditingState& editing) {
    const vec2 a1 = editing.guideLine1Start;
    const vec2 b1 = editing.guideLine1End;
    const vec2 a2 = editing.guideLine2Start;
    const vec2 b2 = editing.guideLine2End;
    const float run = b2.x - a2.x;
    if (run == 0.0f) {
        return 0.0f;
    }
    const float s = (b2.y - a2.y) / run;
    const float d1 = std::fabs(a1.y - (a2.y + s * (a1.x - a2.x)));
    const float d2 = std::fabs(b1.y - (a2.y + s * (b1.x - a2.x)));
    return d1 > d2 ? d1 : d2;
}

void releaseCanvas(Shell& shell, int x, int Y) {
    EditingState& editing = shell.state.editing;
    PanelSettings& panel = shell.state.panel;
    const vec2 point{float(x), float(Y)};
    if (editing.eyedropperActive) {
        return;
    }
    if (editing.spawnMode == 1 && editing.pathMode == 1) {
        editing.path = editing.pathDraft;
        const float length = measurePath(editing.path);
        if (length + 2.0f > float(panel.waterAmount)) {
            panel.pathLength = 400.0f;
        } else if (length < 1.0f) {
            panel.pathLength = 10.0f;
        } else {
            panel.pathLength = length;
        }
    }
    if (editing.spawnMode == 2) {
        shell.simulation->pushHistory();
    }
    if (editing.areaMode) {
        editing.area = editing.areaDraft;
        shell.simulation->updateAreaMask();
    }
    if (editing.secondLinePending) {
        editing.guideLine2End = point;
        editing.firstLineDone = 0;
        editing.guideLineGap = guideLineGapOf(editing);
        shell.simulation->updateColumnScale();
    }
    if (editing.perspectiveMode && !editing.secondLinePending) {
        editing.guideLine1End = point;
        editing.firstLineDone = 1;
        editing.secondLinePending = 1;
    } else {
        editing.secondLinePending = editing.firstLineDone;
    }
}

}  // namespace

void setPaintColorBytes(PanelSettings& panel, const unsigned char rgb[3]) {
    panel.paintColor.x = rgb[0] / 255.0f;
    panel.paintColor.y = rgb[1] / 255.0f;
    panel.paintColor.z = rgb[2] / 255.0f;
}

void mouse(Shell& shell, int button, int state, int x, int y) {
    shell.frameStateHeld = false;
    WindowLayout& window = shell.state.window;
    EditingState& editing = shell.state.editing;
    const int Y = window.windowHeight - y;
    if (button == MiddleButton) {
        // Anywhere in the window, the tool strip included.
        (state == ButtonPressed ? editing.gravityStart : editing.gravityEnd) =
            vec2{float(x), float(Y)};
        return;
    }
    if (button != LeftButton) {
        return;
    }
    if (insideButton(shell.images.colorButtonImage,
                     layout::toolStripLeft(window.windowWidth) + layout::colorButtonOffset,
                     window.windowHeight, x, y)) {
        chooseColor(shell);
    }
    if (state == ButtonPressed) {
        pressToolStrip(shell, x, y, Y);
    } else {
        // Whatever happens below, the button is up: the brush must stop
        // emitting even when the release is off the canvas.
        editing.buttonDown = 0;
    }
    if (!onCanvas(window, x, Y)) {
        return;
    }
    if (state == ButtonPressed) {
        pressCanvas(shell, x, Y);
    } else {
        releaseCanvas(shell, x, Y);
    }
}

void motion(Shell& shell, int x, int y) {
    shell.frameStateHeld = false;
    const WindowLayout& window = shell.state.window;
    EditingState& editing = shell.state.editing;
    const int Y = window.windowHeight - y;
    const vec2 point{float(x), float(Y)};
    if (!onCanvas(window, x, Y) || editing.eyedropperActive) {
        return;
    }
    if (editing.areaMode && editing.buttonDown == 1) {
        appendPoint(editing.areaDraft, point);
    }
    if (shell.state.panel.mouseOperation == 3) {
        editing.brushDragged = 1;
    }
    if (editing.secondLinePending) {
        editing.guideLine2End = point;
        editing.guideLineVertices[3] = {x, Y};
    }
    if (editing.perspectiveMode && !editing.secondLinePending && editing.buttonDown == 1) {
        editing.guideLine1End = point;
        editing.guideLineVertices[1] = {x, Y};
    }
    if (editing.buttonDown != 1) {
        return;
    }
    if (!editing.areaMode && !editing.perspectiveMode && editing.spawnMode == 2) {
        editing.brushPoint = point;
    }
    if (editing.pathMode == 1 && editing.spawnMode == 1) {
        appendPoint(editing.pathDraft, point);
    }
}

void keyboard(Shell& shell, unsigned char key, int, int) {
    if (key == escapeKey || key == 'q') {
        shell.windowSystem.quit();
        return;
    }
    shell.windowSystem.postRedisplay();
}
