// The control panel's commands: every button, and the scrollbars and choices
// that re-derive the simulation's parameters.

#include "app/DerivedParameters.h"
#include "app/InstantRun.h"
#include "app/Shell.h"
#include "app/ShellPictures.h"
#include "app/painting/PaintingCommands.h"
#include "image/ImageIO.h"
#include "sim/MainWindowLayout.h"

namespace {

// The perspective lines back to "none"; the pending/done flags are kept, so
// a half-drawn pair goes on where it was.
void clearPerspectiveLines(EditingState& editing) {
    editing.guideLine1Start = editing.guideLine1End = vec2{};
    editing.guideLine2Start = editing.guideLine2End = vec2{};
    for (auto& vertex : editing.guideLineVertices) {
        vertex = EditingState::IntPoint{};
    }
    editing.guideLineGap = 0.0f;
}

void start(Shell& shell) {
    shell.state.editing.restartPath = 1;
    applyDepositionRate(shell.state.panel);
    if (shell.state.panel.continuousRun == 1) {
        // The idle routine animates the run from here.
        shell.simulation->pushHistory();
        shell.simulation->seedParticles();
        return;
    }
    beginInstantRun(shell);
    if (!shell.incrementalInstantRun) {
        while (!advanceInstantRun(shell, shell.instantRun.repetitionLimit)) {
        }
    }
}

void init(Shell& shell) {
    PanelSettings& panel = shell.state.panel;
    WatercolorSimulation& simulation = *shell.simulation;
    applyParticleSettings(panel, simulation);
    // The very first Init has no deposition to snapshot yet.
    if (panel.firstInit == 1) {
        simulation.init();
        panel.firstInit = 0;
    }
    simulation.pushHistory();
    simulation.init();
    simulation.parkParticles();
}

}  // namespace

bool openCanvasPicture(Shell& shell, const std::string& name) {
    loadButtonPicture(shell, ShellImage::ColorButton, "color-chooser.bmp");
    loadButtonPicture(shell, ShellImage::EyedropperButton, "eyedropper.bmp");
    if (!loadCanvasPicture(shell, name)) {
        return false;
    }
    WindowLayout& window = shell.state.window;
    EditingState& editing = shell.state.editing;
    uploadCanvas(shell);
    window.canvasWidth = shell.images.canvasImage->width;
    window.canvasHeight = shell.images.canvasImage->height;
    // A fixed size whatever the picture; the layout follows when the window
    // system reports the reshape.
    shell.windowSystem.requestWindowSize(layout::imageOpenWindowWidth, layout::imageOpenWindowHeight);
    shell.windowSystem.postRedisplay();
    editing.brushPoint = vec2{float(window.canvasWidth / 2), float(window.canvasHeight / 2)};
    clearPerspectiveLines(editing);
    editing.area.clear();
    editing.areaDraft.clear();
    applyParticleSettings(shell.state.panel, *shell.simulation);
    shell.simulation->init();
    shell.simulation->parkParticles();
    shell.simulation->clearHistory();
    editing.gravityStart = vec2{0.0f, 1.0f};
    editing.gravityEnd = vec2{0.0f, 0.0f};
    setUpSurface(shell, true);
    return true;
}

namespace {

void imageSave(Shell& shell) {
    EditingState& editing = shell.state.editing;
    editing.overlayVisible = 0;
    editing.perspectiveMode = 0;
    editing.areaMode = 0;
    // Two frames without overlays before the dialog covers the window.
    shell.windowSystem.displayNow();
    shell.windowSystem.displayNow();
    const std::string name = shell.windowSystem.saveFileDialog();
    // A cancelled dialog still composes; the save of "" then fails and says so.
    saveChosenFile(shell.saves, "Image Save", name,
                   [&](const SaveFolder* inside) { return saveResult(shell, name, inside); });
}

void reset(Shell& shell) {
    EditingState& editing = shell.state.editing;
    editing.pathStarted = 0;
    editing.areaStarted = 0;
    if (editing.perspectiveMode) {
        clearPerspectiveLines(editing);
        shell.simulation->updateColumnScale();
    }
    if (editing.areaMode) {
        editing.area.clear();
        editing.areaDraft.clear();
        shell.simulation->updateAreaMask();
    }
    if (editing.pathMode) {
        editing.path.clear();
        editing.pathDraft.clear();
    }
}

void particleSizeChanged(Shell& shell) {
    PanelSettings& panel = shell.state.panel;
    applyParticleMass(panel, *shell.simulation);
    panel.footprintCount = footprintCountOf(panel.particleSizeIndex);
    applyDepositionRate(panel);
    const float k = panel.footprintCount + 3.0f;
    applyAbsorption(panel, *shell.simulation, k, k);
}

void waterAmountChanged(Shell& shell) {
    PanelSettings& panel = shell.state.panel;
    shell.simulation->particleCount = panel.waterAmount;
    shell.simulation->initParticles();
    shell.simulation->parkParticles();
    applyDepositionRate(panel);
    applyAbsorption(panel, *shell.simulation, panel.footprintCount + 3.0f,
                    panel.footprintCount + 1.0f);
}

void mouseOperationChanged(ShellState& state) {
    EditingState& editing = state.editing;
    PanelSettings& panel = state.panel;
    const int operation = panel.mouseOperation;
    if (operation < 0 || operation > 3) {
        return;
    }
    editing.pathMode = operation == 0 ? 1 : 0;
    editing.areaMode = operation == 1 ? 1 : 0;
    editing.perspectiveMode = operation == 2 ? 1 : 0;
    if (operation == 0) {
        editing.spawnMode = 1;
    } else if (operation == 3) {
        editing.spawnMode = 2;
        panel.pathLength = 100.0f;
        // With L = 100 the rate's length factor is exactly 0.25.
        applyDepositionRate(panel);
    }
}

}  // namespace

void controlCallback(Shell& shell, PanelCommand command) {
    PanelSettings& panel = shell.state.panel;
    // Every command has its case and there is no default: a command added
    // without one fails to compile (-Werror=switch).
    shell.frameStateHeld = false;
    switch (command) {
        case PanelCommand::Start:
            start(shell);
            break;
        case PanelCommand::Init:
            init(shell);
            break;
        case PanelCommand::ImageOpen:
            openCanvasPicture(shell, shell.windowSystem.openFileDialog());
            break;
        case PanelCommand::ImageSave:
            imageSave(shell);
            break;
        case PanelCommand::PaintingOpen:
            openPainting(shell, shell.windowSystem.openFileDialog());
            break;
        case PanelCommand::PaintingSave:
            savePainting(shell, shell.windowSystem.saveFileDialog());
            break;
        case PanelCommand::Reset:
            reset(shell);
            break;
        case PanelCommand::AbsorptivityChanged: {
            const float k = panel.footprintCount + 1.0f;
            applyAbsorption(panel, *shell.simulation, k, k);
            break;
        }
        case PanelCommand::ParticleSizeChanged:
            particleSizeChanged(shell);
            break;
        case PanelCommand::WaterAmountChanged:
            waterAmountChanged(shell);
            break;
        case PanelCommand::ResolvabilityChanged:
            panel.resolvability = panel.depositionResolvability;
            panel.resolvabilityComplement = 1.0f - panel.depositionResolvability;
            break;
        case PanelCommand::Undo:
            shell.simulation->parkParticles();
            shell.simulation->undo();
            break;
        case PanelCommand::DepositionAmountChanged:
            applyDepositionRate(panel);
            break;
        case PanelCommand::MouseOperationChanged:
            mouseOperationChanged(shell.state);
            break;
        case PanelCommand::InstantResultToggled:
            panel.continuousRun = panel.instantResult == 0 ? 1 : 0;
            break;
    }
    shell.windowSystem.postRedisplay();
}
