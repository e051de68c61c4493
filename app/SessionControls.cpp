#include "app/SessionControls.h"

#include "util/Assert.h"

namespace {

using enum PanelCommand;
constexpr std::optional<PanelCommand> none;

}  // namespace

const std::vector<SessionControl>& sessionControls() {
    // Limits as the panel sets them; the float ones are the scrollbars' float
    // limits, so a clamped value is exactly what the panel would hold.
    static const std::vector<SessionControl> controls = {
        {"mouseOperation", ControlKind::Choice, 0, 3, MouseOperationChanged, &PanelSettings::mouseOperation, nullptr},
        {"showParticles", ControlKind::Checkbox, 0, 1, none, &PanelSettings::showParticles, nullptr},
        {"showDeposition", ControlKind::Checkbox, 0, 1, none, &PanelSettings::showDeposition, nullptr},
        {"instantResult", ControlKind::Checkbox, 0, 1, InstantResultToggled, &PanelSettings::instantResult, nullptr},
        {"gravityEnabled", ControlKind::Checkbox, 0, 1, none, &PanelSettings::gravityEnabled, nullptr},
        {"waterAmount", ControlKind::Integer, 1, 2000, WaterAmountChanged, &PanelSettings::waterAmount, nullptr},
        {"particleSizeIndex", ControlKind::Integer, 0, 10, ParticleSizeChanged, &PanelSettings::particleSizeIndex, nullptr},
        {"absorptivity", ControlKind::Real, 0.0f, 0.4f, AbsorptivityChanged, nullptr, &PanelSettings::absorptivity},
        {"surfaceRoughness", ControlKind::Real, 0.0f, 9.5f, none, nullptr, &PanelSettings::surfaceRoughness},
        {"depositionAmount", ControlKind::Real, 0.0f, 100.0f, DepositionAmountChanged, nullptr, &PanelSettings::depositionAmount},
        // The panel passes these limits high first (1.0, 0.1); the range is the same.
        {"depositionResolvability", ControlKind::Real, 0.1f, 1.0f, ResolvabilityChanged, nullptr,
         &PanelSettings::depositionResolvability},
    };
    return controls;
}

const SessionControl* findSessionControl(std::string_view name) {
    for (const SessionControl& control : sessionControls()) {
        if (name == control.name) {
            return &control;
        }
    }
    return nullptr;
}

const char* panelButtonLabel(PanelButton button) {
    switch (button) {
        case PanelButton::Start:
            return "Start";
        case PanelButton::Init:
            return "Init";
        case PanelButton::Undo:
            return "Undo";
        case PanelButton::Reset:
            return "Reset";
        case PanelButton::ImageOpen:
            return "Image Open";
        case PanelButton::ImageSave:
            return "Image Save";
        case PanelButton::PaintingOpen:
            return "Painting Open";
        case PanelButton::PaintingSave:
            return "Painting Save";
    }
    return "";
}

PanelCommand panelButtonCommand(PanelButton button) {
    switch (button) {
        case PanelButton::Start:
            return Start;
        case PanelButton::Init:
            return Init;
        case PanelButton::Undo:
            return Undo;
        case PanelButton::Reset:
            return Reset;
        case PanelButton::ImageOpen:
            return ImageOpen;
        case PanelButton::ImageSave:
            return ImageSave;
        case PanelButton::PaintingOpen:
            return PaintingOpen;
        case PanelButton::PaintingSave:
            return PaintingSave;
    }
    // Only a value cast from outside the enumeration gets here.
    SEEP_UNREACHABLE("a panel button without a command");
}

bool buttonAsksForFile(PanelButton button) {
    return button == PanelButton::ImageOpen || button == PanelButton::ImageSave ||
           button == PanelButton::PaintingOpen || button == PanelButton::PaintingSave;
}

bool buttonMayInit(PanelButton button) {
    // Painting Open inits when the file is another program's painting.
    return button == PanelButton::Init || button == PanelButton::ImageOpen || button == PanelButton::PaintingOpen;
}
