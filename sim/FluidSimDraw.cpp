#include <GL/gl.h>

#include <algorithm>
#include <cstddef>

#include "sim/FluidSimCppPort.h"
#include "sim/SimulationDrawPolicy.h"

namespace {

// Replaces the whole texture image, so a new canvas size needs nothing else.
void uploadDeposition(unsigned& texture, const std::vector<MyAlgebra::vec4>& deposition,
                      int width, int height) {
    if (texture == 0) {
        GLuint name = 0;
        glGenTextures(1, &name);
        texture = name;
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    // A deposition not yet sized for the canvas is not handed to OpenGL,
    // which would read past its end.
    const bool complete = width >= 0 && height >= 0 &&
                          deposition.size() >= static_cast<std::size_t>(width) *
                                                   static_cast<std::size_t>(height);
    if (complete) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_FLOAT,
                     deposition.data());
    }
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// The canvas scaled to the drawing area's width with its aspect kept, its
// first row at the bottom.
void drawDepositionQuad(unsigned texture, const WindowLayout& window) {
    const double D = window.windowWidth - 490;
    const double aspect =
        static_cast<double>(window.canvasHeight) / static_cast<double>(window.canvasWidth);
    const double top = D * aspect;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2d(0.0, 0.0);
    glVertex2d(0.0, 0.0);
    glTexCoord2d(1.0, 0.0);
    glVertex2d(D, 0.0);
    glTexCoord2d(1.0, 1.0);
    glVertex2d(D, top);
    glTexCoord2d(0.0, 1.0);
    glVertex2d(0.0, top);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

}  // namespace

void FluidSimCppPort::draw() {
    WindowLayout& window = shell.window;
    const PanelSettings& panel = shell.panel;

    if (panel.showDeposition == 1) {
        if (takeDepositionUpload(window, panel)) {
            uploadDeposition(window.depositionTexture, deposition, width, height);
        }
        drawDepositionQuad(window.depositionTexture, window);
    }

    if (panel.showParticles != 0) {
        glColor3f(0.2f, 0.6f, 1.0f);
        const std::size_t count = std::min(
            {static_cast<std::size_t>(particleCount < 0 ? 0 : particleCount),
             particleWater.size(), particlePosition.size()});
        for (std::size_t i = 0; i < count; ++i) {
            const float water = particleWater[i];
            const vec2 position = particlePosition[i];
            if (!particleIsDrawn(water, position, width, height)) {
                continue;
            }
            // The same footprint class the step gives this water.
            const int r = sizeClassOf(*this, water - kDrawnWaterThreshold);
            const ParticlePoint point = particlePoint(r, position, window.displayScale);
            // The size changes from particle to particle, so each is its own
            // begin/end pair.
            glPointSize(point.size);
            glBegin(GL_POINTS);
            glVertex2f(point.position.x, point.position.y);
            glEnd();
        }
    }
}
