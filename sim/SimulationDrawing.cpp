#include "sim/SimulationDrawing.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstddef>

#include "sim/DepositionPixels.h"
#include "sim/MainWindowLayout.h"
#include "sim/SimulationDrawPolicy.h"

namespace {

// The most bytes converted for one call of glTexSubImage2D.
constexpr int kBandBytes = 1 << 20;

}  // namespace

// The texture keeps 8 bits per channel, so it is sent bytes, not floats:
// the whole image when the texture is new or the deposition was replaced or
// resized, otherwise only the part the simulation changed since the last
// refresh. What the texture holds is the same either way.
void refreshDepositionTexture(WatercolorSimulation& sim, DepositionTexture& held) {
    bool whole = false;
    if (held.texture == 0) {
        GLuint name = 0;
        glGenTextures(1, &name);
        held.texture = name;
        whole = true;
    }
    glBindTexture(GL_TEXTURE_2D, held.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    // A deposition not yet sized for the canvas is not handed to OpenGL,
    // which would read past its end.
    const int width = sim.width;
    const int height = sim.height;
    const bool complete = width >= 0 && height >= 0 &&
                          sim.deposition.size() >= static_cast<std::size_t>(width) *
                                                       static_cast<std::size_t>(height);
    if (complete) {
        whole = whole || held.width != width || held.height != height ||
                held.source != sim.deposition.data();
        CellRect region = whole ? CellRect::whole(width, height) : sim.depositionChanged;
        region.x0 = std::max(region.x0, 0);
        region.y0 = std::max(region.y0, 0);
        region.x1 = std::min(region.x1, width);
        region.y1 = std::min(region.y1, height);
        // Rows of RGBA bytes are whole words, but say so rather than rely on it.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        if (whole) {
            // The image is made first, then filled like any changed region.
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         nullptr);
            held.width = width;
            held.height = height;
            held.source = sim.deposition.data();
        }
        // A band of rows at a time, so a large change never needs the
        // bytes of the whole picture at once.
        const int bandRows = std::max(1, kBandBytes / (4 * std::max(region.width(), 1)));
        for (int y = region.y0; y < region.y1; y += bandRows) {
            const CellRect band{region.x0, y, region.x1, std::min(y + bandRows, region.y1)};
            depositionBytes(sim.deposition.data(), width, band, held.pixels);
            glTexSubImage2D(GL_TEXTURE_2D, 0, band.x0, band.y0, band.width(), band.height(), GL_RGBA,
                            GL_UNSIGNED_BYTE, held.pixels.data());
        }
        sim.depositionChanged = CellRect{};
    }
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, 0);
}

namespace {

// The canvas scaled to the drawing area's width with its aspect kept, its
// first row at the bottom.
void drawDepositionQuad(unsigned texture, const WindowLayout& window) {
    const double D = layout::canvasAreaWidth(window.windowWidth);
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

void drawSimulation(WatercolorSimulation& simulation, DepositionTexture& texture) {
    WindowLayout& window = simulation.shell.window;
    const PanelSettings& panel = simulation.shell.panel;

    if (panel.showDeposition == 1) {
        if (takeDepositionUpload(window, panel)) {
            refreshDepositionTexture(simulation, texture);
        }
        drawDepositionQuad(texture.texture, window);
    }

    if (panel.showParticles != 0) {
        glColor3f(0.2f, 0.6f, 1.0f);
        const int particleCount = simulation.particleCount;
        const std::size_t count = std::min(
            {static_cast<std::size_t>(particleCount < 0 ? 0 : particleCount),
             simulation.particleWater.size(), simulation.particlePosition.size()});
        for (std::size_t i = 0; i < count; ++i) {
            const float water = simulation.particleWater[i];
            const vec2 position = simulation.particlePosition[i];
            if (!particleIsDrawn(water, position, simulation.width, simulation.height)) {
                continue;
            }
            // The same footprint class the step gives this water.
            const int r = sizeClassOf(simulation, water - kDrawnWaterThreshold);
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
