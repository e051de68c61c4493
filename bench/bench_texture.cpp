// The deposition texture of a 4096 × 4096 canvas: the whole float image as
// it used to be sent on every refresh, against the painter's refresh of
// what changed (a brush-sized region) at 8 bits per channel, and its whole
// 8-bit upload when the texture is new. Needs a display; Xvfb will do.

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <vector>

#include "sim/SimulationDrawing.h"

namespace {

constexpr int side = 4096;

// A simulation with a painted 4096 × 4096 deposition and its texture in a
// window's context. Only the texture's refresh is timed, not the drawing.
struct Canvas {
    ShellState shell;
    WatercolorSimulation sim{shell};
    DepositionTexture texture;

    Canvas() {
        sim.width = side;
        sim.height = side;
        sim.deposition.resize(static_cast<std::size_t>(side) * side);
        for (std::size_t k = 0; k < sim.deposition.size(); ++k) {
            const float v = static_cast<float>(k % 997) / 997.0f;
            sim.deposition[k] = {v, 1.0f - v, 0.5f * v, 0.25f};
        }
        shell.window.canvasWidth = side;
        shell.window.canvasHeight = side;
        shell.window.windowWidth = 512 + 490;
        shell.window.displayScale = static_cast<float>(side) / 512.0f;
        shell.panel.showDeposition = 1;
        shell.panel.continuousRun = 0;  // every frame refreshes
    }
};

Canvas& canvas() {
    static Canvas c;
    return c;
}

void floatWholeImage(benchmark::State& state) {
    Canvas& c = canvas();
    GLuint texture = 0;
    glGenTextures(1, &texture);
    for (auto _ : state) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, side, side, 0, GL_RGBA, GL_FLOAT, c.sim.deposition.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        glFinish();
    }
    glDeleteTextures(1, &texture);
}

void bytesWholeImage(benchmark::State& state) {
    Canvas& c = canvas();
    for (auto _ : state) {
        // A texture the painter has not filled yet gets the whole image.
        c.texture.source = nullptr;
        refreshDepositionTexture(c.sim, c.texture);
        glFinish();
    }
}

void bytesChangedRegion(benchmark::State& state) {
    Canvas& c = canvas();
    const int brush = static_cast<int>(state.range(0));
    c.texture.source = nullptr;
    refreshDepositionTexture(c.sim, c.texture);
    glFinish();
    for (auto _ : state) {
        c.sim.depositionChanged = CellRect{2000, 2000, 2000 + brush, 2000 + brush};
        refreshDepositionTexture(c.sim, c.texture);
        glFinish();
    }
}

}  // namespace

BENCHMARK(floatWholeImage)->Name("Texture/4096/float-whole")->Unit(benchmark::kMillisecond);
BENCHMARK(bytesWholeImage)->Name("Texture/4096/bytes-whole")->Unit(benchmark::kMillisecond);
BENCHMARK(bytesChangedRegion)->Name("Texture/4096/bytes-changed")->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE);
    glutInitWindowSize(512 + 490, 512);
    glutCreateWindow("Seep texture benchmark");
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 512 + 490, 0.0, 512, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
