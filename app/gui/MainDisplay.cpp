#include "app/gui/MainDisplay.h"

#include <GL/freeglut.h>

#include <cmath>

#include "app/PaletteSwatches.h"
#include "app/gui/Desktop.h"
#include "image/TextureImageRect.h"
#include "sim/MainWindowLayout.h"
#include "sim/PolylineDraw.h"

namespace {

void grey(float level) {
    glColor3f(level, level, level);
}

void quad(int left, int bottom, int right, int top) {
    glVertex2i(left, bottom);
    glVertex2i(right, bottom);
    glVertex2i(right, top);
    glVertex2i(left, top);
}

// The grey frame around the canvas and the tool strip.
void drawLayout(int W, int H, const WindowLayout& window) {
    const int strip = layout::toolStripLeft(W);
    const int panel = layout::panelLeft(W);
    const int stripTop = layout::panelHeight;
    glBegin(GL_QUADS);
    grey(0.6f);
    quad(0, 2, panel, H);
    // Its right edge lies at or beyond the window's: the strip above the
    // tool strip reaches under the panel.
    quad(strip + 2, stripTop + 1, W + strip, H);
    grey(200 / 255.0f);
    quad(strip + 2, 0, panel - 2, stripTop);
    glEnd();

    grey(0.4f);
    glBegin(GL_LINE_LOOP);
    quad(strip + 1, 0, panel - 1, stripTop + 1);
    glEnd();

    // The canvas border uses the scale of the previous frame; before the
    // first canvas frame there is none yet, and no border.
    const float top = float(window.canvasHeight) / window.displayScale + 1.0f;
    if (window.displayScale > 0.0f && std::isfinite(top) && std::fabs(top) < 1e9f) {
        const int y1 = static_cast<int>(top);
        glBegin(GL_LINE_STRIP);
        glVertex2i(0, y1);
        glVertex2i(strip + 1, y1);
        glVertex2i(strip + 1, stripTop + 1);
        glEnd();
    }
}

// A swatch: white outline, a dark line along its top and left, filled with
// its colour.
void drawSwatch(int left, int bottom, int width, int height, float r, float g, float b) {
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINE_LOOP);
    quad(left - 1, bottom - 1, left + width + 1, bottom + height + 1);
    glEnd();
    grey(0.2f);
    glBegin(GL_LINE_STRIP);
    glVertex2i(left + width + 1, bottom + height + 2);
    glVertex2i(left - 2, bottom + height + 2);
    glVertex2i(left - 2, bottom - 1);
    glEnd();
    glColor3f(r, g, b);
    glBegin(GL_QUADS);
    quad(left, bottom, left + width, bottom + height);
    glEnd();
}

void drawToolStrip(Desktop& desktop, int W) {
    const int strip = layout::toolStripLeft(W);
    desktop.pictures.colorButton.draw(strip + layout::colorButtonOffset, layout::toolButtonBottom);
    desktop.pictures.eyedropperButton.draw(strip + layout::eyedropperButtonOffset,
                                           layout::toolButtonBottom);

    // The current colour's well has its dark line along the bottom and right.
    const int left = strip + layout::colorWellOffset;
    const int right = left + layout::colorWellWidth;
    const int bottom = layout::colorWellBottom;
    const int top = bottom + layout::colorWellHeight;
    const vec4& paint = desktop.shell.state.panel.paintColor;
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINE_LOOP);
    quad(left - 1, bottom - 1, right + 1, top + 1);
    glEnd();
    grey(0.2f);
    glBegin(GL_LINE_STRIP);
    glVertex2i(left - 1, bottom - 2);
    glVertex2i(right + 2, bottom - 2);
    glVertex2i(right + 2, top + 1);
    glEnd();
    glColor3f(paint.x, paint.y, paint.z);
    glBegin(GL_QUADS);
    quad(left, bottom, right, top);
    glEnd();

    for (const PaletteSwatch& swatch : paletteSwatches) {
        drawSwatch(strip + swatch.x, swatch.y, paletteSwatchWidth, paletteSwatchHeight,
                 swatch.red, swatch.green, swatch.blue);
    }
}

// The canvas picture across the whole canvas area, its aspect kept.
void drawCanvas(const CanvasTexture& canvas, const WindowLayout& window) {
    if (canvas.texture == 0 || !(window.displayScale > 0.0f)) {
        return;
    }
    const int areaWidth = layout::canvasAreaWidth(window.windowWidth);
    const float height = float(canvas.height) / window.displayScale;
    const int h = std::fabs(height) < 1e9f ? static_cast<int>(height) : 0;
    glEnable(canvas.target);
    glBindTexture(canvas.target, canvas.texture);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2i(0, 0);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2i(areaWidth, 0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2i(areaWidth, h);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2i(0, h);
    glEnd();
    glBindTexture(canvas.target, 0);
    glDisable(canvas.target);
}

void marker(vec2 point) {
    glPointSize(5.0f);
    glBegin(GL_POINTS);
    glVertex2f(point.x, point.y);
    glEnd();
}

// What the selected mouse operation is editing: the path, the brush, the
// simulation-area outline being drawn, the perspective lines.
void drawOverlays(const ShellState& state) {
    const EditingState& editing = state.editing;
    if (editing.spawnMode == 1 && editing.overlayVisible && editing.pathMode) {
        glColor3f(0.2f, 0.6f, 1.0f);
        if (editing.pathStarted == 1) {
            marker(editing.pathStartPoint);
        }
        glLineWidth(2.0f);
        drawPolyline(editing.pathDraft);
        drawPolyline(editing.path);
    }
    const float displayScale = state.window.displayScale;
    if (editing.spawnMode == 2 && editing.overlayVisible && displayScale > 0.0f) {
        glColor4f(0.2f, 0.6f, 1.0f, 0.4f);
        // Single precision, left to right: m · 1.5 / scale + 4.
        glPointSize(float(state.panel.particleSizeIndex) * 1.5f / displayScale + 4.0f);
        glBegin(GL_POINTS);
        glVertex2f(editing.brushPoint.x, editing.brushPoint.y);
        glEnd();
    }
    if (editing.areaMode) {
        glLineWidth(2.0f);
        glColor3f(0.3f, 1.0f, 0.3f);
        if (editing.areaStarted == 1) {
            marker(editing.areaStartPoint);
        }
        drawPolyline(editing.areaDraft);
    }
    if (editing.perspectiveMode) {
        glLineWidth(2.0f);
        glColor3f(1.0f, 0.3f, 0.3f);
        glBegin(GL_LINES);
        for (const EditingState::IntPoint& vertex : editing.guideLineVertices) {
            glVertex2i(vertex.x, vertex.y);
        }
        glEnd();
    }
}

}  // namespace

bool frameMayUpdateState(const Desktop& desktop) {
    // Nor the frames drawn after a painting was opened, before the next
    // input: the painting goes on with the frame state it was saved with.
    return !desktop.shell.instantRun.active && !desktop.shell.frameStateHeld;
}

void drawMainFrame(Desktop& desktop, bool updateState) {
    Shell& shell = desktop.shell;
    WindowLayout& window = shell.state.window;
    const int W = window.windowWidth;
    const int H = window.windowHeight;

    reportOpenGLError(__FILE__, __LINE__);
    // The frame below leaves a few pixels undrawn (under the tool strip's
    // edge); they show the background rather than an old buffer's content.
    glClear(GL_COLOR_BUFFER_BIT);
    glLineWidth(1.0f);
    drawLayout(W, H, window);
    drawToolStrip(desktop, W);

    if (updateState) {
        updateFrameState(shell);
    }
    drawCanvas(desktop.pictures.canvas, window);

    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    drawSimulation(*shell.simulation, desktop.depositionTexture);
    drawOverlays(shell.state);
    glPopAttrib();

    glutSwapBuffers();
    reportOpenGLError(__FILE__, __LINE__);
}
