#include "app/painting/PaintingState.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/Shell.h"
#include "app/ShellPictures.h"
#include "util/Random.h"

namespace {

std::size_t cells(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

bool snapshotFits(const DepositionSnapshot& snapshot, int width, int height) {
    return snapshot.width() == width && snapshot.height() == height && snapshot.size() == 4 * cells(width, height);
}

// The canvas picture back as the loader made it: 8 bits a sample when every
// colour is one the library gives an 8-bit sample, so a restored photograph
// takes the memory a loaded one does; the exact floats otherwise.
void restoreCanvas(CanvasPicture& canvas, int width, int height, const std::vector<vec4>& colours) {
    // The 8-bit sample whose float is exactly value, or -1.
    const auto sampleOf = [](float value) {
        const long nearest = std::lround(value * 255.0f);
        if (!(nearest >= 0 && nearest <= 255)) {
            return -1L;
        }
        const float back = library_pixels::sample(static_cast<std::uint8_t>(nearest));
        return std::memcmp(&back, &value, sizeof value) == 0 ? nearest : -1L;
    };
    const bool eightBit = std::all_of(colours.begin(), colours.end(), [&](const vec4& c) {
        return sampleOf(c.x) >= 0 && sampleOf(c.y) >= 0 && sampleOf(c.z) >= 0 && sampleOf(c.w) >= 0;
    });
    if (!eightBit) {
        canvas.setPixels(width, height, colours.data());
        return;
    }
    rgba8* target = canvas.makeNarrow(width, height);
    for (std::size_t k = 0; k < colours.size(); ++k) {
        const vec4 c = colours[k];
        target[k] = rgba8{static_cast<std::uint8_t>(sampleOf(c.x)), static_cast<std::uint8_t>(sampleOf(c.y)),
                          static_cast<std::uint8_t>(sampleOf(c.z)), static_cast<std::uint8_t>(sampleOf(c.w))};
    }
}

}  // namespace

bool capturePainting(Shell& shell, const std::string& session, PaintingState& state, std::string& error) {
    const WatercolorSimulation* simulation = shell.simulation.get();
    const WindowLayout& window = shell.state.window;
    const CanvasPicture* canvas = shell.images.canvasImage;
    const ImageRect<float>* surface = shell.images.surfaceImage;
    const int width = window.canvasWidth;
    const int height = window.canvasHeight;
    const std::size_t n = cells(std::max(width, 0), std::max(height, 0));
    const auto particles = static_cast<std::size_t>(simulation != nullptr ? std::max(simulation->particleCount, 0) : 0);
    const bool complete =
        simulation != nullptr && canvas != nullptr && surface != nullptr && width > 0 && height > 0 &&
        simulation->width == width && simulation->height == height && canvas->width == width &&
        canvas->height == height && surface->width == width && surface->height == height &&
        simulation->deposition.size() == n && simulation->absorptionCapacity.size() == n &&
        simulation->absorptionRate.size() == n && simulation->absorbedWater.size() == n &&
        simulation->areaMask.size() == n && simulation->columnScale.size() == static_cast<std::size_t>(width) &&
        simulation->particleWater.size() == particles && simulation->particlePigment.size() == particles &&
        simulation->particlePosition.size() == particles && simulation->particleVelocity.size() == particles &&
        std::all_of(simulation->history.begin(), simulation->history.end(),
                    [&](const DepositionSnapshot& s) { return snapshotFits(s, width, height); });
    if (!complete) {
        error = "the painter holds no complete painting to save";
        return false;
    }
    const WatercolorSimulation& sim = *simulation;
    state.width = width;
    state.height = height;
    state.windowWidth = window.windowWidth;
    state.windowHeight = window.windowHeight;
    state.displayScale = window.displayScale;
    state.panel = shell.state.panel;
    state.editing = shell.state.editing;
    state.randomState = randomState().state;
    state.particleCount = sim.particleCount;
    state.particleMass = sim.particleMass;
    state.stampRadius = sim.stampRadius;
    state.particleWater = sim.particleWater;
    state.particlePigment = sim.particlePigment;
    state.particlePosition = sim.particlePosition;
    state.particleVelocity = sim.particleVelocity;
    state.absorptionCapacity = sim.absorptionCapacity;
    state.absorptionRate = sim.absorptionRate;
    state.absorbedWater = sim.absorbedWater;
    state.columnScale = sim.columnScale;
    state.areaMask = sim.areaMask;
    // Only the tiles painted since the last undo snapshot are copied.
    state.deposition =
        DepositionSnapshot::capture(sim.deposition, width, height, sim.historyReference, &sim.historyChanges);
    state.history = sim.history;
    state.canvas.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        state.canvas[k] = canvas->pixel(k);
    }
    state.surface.assign(surface->pixels, surface->pixels + n);
    state.session = session;
    return true;
}

void restorePainting(Shell& shell, PaintingState&& state) {
    WindowLayout& window = shell.state.window;
    WatercolorSimulation& sim = *shell.simulation;
    const int width = state.width;
    const int height = state.height;

    restoreCanvas(*shell.images.canvasImage, width, height, state.canvas);
    uploadCanvas(shell);
    shell.images.surfaceImage->setPixels(width, height, state.surface.data());
    shell.windowSystem.upload(ShellImage::Surface);

    window.canvasWidth = width;
    window.canvasHeight = height;
    window.windowWidth = state.windowWidth;
    window.windowHeight = state.windowHeight;
    window.displayScale = state.displayScale;
    // When the deposition texture was last refreshed is a reading of the
    // stopwatch of the run that saved the painting; this run's first frame
    // shows the whole painting afresh instead. Neither touches the step.
    window.stepCount = 0;
    window.lastStepTime = 0.0f;
    window.lastUploadTime = 0.0f;
    shell.windowSystem.requestWindowSize(window.windowWidth, window.windowHeight);
    shell.windowSystem.postRedisplay();

    shell.state.panel = state.panel;
    shell.state.editing = std::move(state.editing);
    // The eyedropper's button shows whether it is on.
    loadButtonPicture(shell, ShellImage::EyedropperButton,
                      shell.state.editing.eyedropperActive ? "eyedropper-on.bmp" : "eyedropper.bmp");
    randomState().state = state.randomState;

    sim.width = width;
    sim.height = height;
    sim.particleCount = state.particleCount;
    sim.particleMass = state.particleMass;
    // Sizes the step's own working arrays for this many particles too.
    sim.initParticles();
    sim.particleWater = std::move(state.particleWater);
    sim.particlePigment = std::move(state.particlePigment);
    sim.particlePosition = std::move(state.particlePosition);
    sim.particleVelocity = std::move(state.particleVelocity);
    sim.stampRadius = state.stampRadius;
    sim.absorptionCapacity = std::move(state.absorptionCapacity);
    sim.absorptionRate = std::move(state.absorptionRate);
    sim.absorbedWater = std::move(state.absorbedWater);
    // The new grid may sit where the old one was: the wet-cell list is
    // rebuilt from it for certain.
    sim.wetCells.forget();
    sim.wetCells.attach(sim.absorbedWater);
    sim.columnScale = std::move(state.columnScale);
    sim.areaMask = std::move(state.areaMask);
    sim.setSurface(shell.images.surfaceImage->pixels);

    sim.deposition = Grid<vec4>(cells(width, height));
    state.deposition.restoreInto(sim.deposition);
    sim.history = std::move(state.history);
    sim.historyTop = static_cast<std::int32_t>(sim.history.size()) - 1;
    // The deposition is its snapshot to the bit: the next undo snapshot
    // shares every tile not painted after this.
    sim.historyReference = std::move(state.deposition);
    sim.historyChanges.reset(sim.deposition.data(), width, height);
    sim.depositionChanged = CellRect::whole(width, height);

    shell.frameStateHeld = true;
}
