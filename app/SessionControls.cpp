#include "app/SessionControls.h"

const std::vector<SessionControl>& sessionControls() {
    // Limits as the panel sets them; the float ones are the scrollbars' float
    // limits, so a clamped value is exactly what the panel would hold.
    static const std::vector<SessionControl> controls = {
        {"mouseOperation", ControlKind::Choice, 0, 3, 18, &PanelSettings::mouseOperation, nullptr},
        {"showParticles", ControlKind::Checkbox, 0, 1, -1, &PanelSettings::showParticles, nullptr},
        {"showDeposition", ControlKind::Checkbox, 0, 1, -1, &PanelSettings::showDeposition, nullptr},
        {"instantResult", ControlKind::Checkbox, 0, 1, 19, &PanelSettings::instantResult, nullptr},
        {"gravityEnabled", ControlKind::Checkbox, 0, 1, -1, &PanelSettings::gravityEnabled, nullptr},
        {"waterAmount", ControlKind::Integer, 1, 2000, 13, &PanelSettings::waterAmount, nullptr},
        {"particleSizeIndex", ControlKind::Integer, 0, 10, 12, &PanelSettings::particleSizeIndex, nullptr},
        {"absorptivity", ControlKind::Real, 0.0f, 0.4f, 11, nullptr, &PanelSettings::absorptivity},
        {"surfaceRoughness", ControlKind::Real, 0.0f, 9.5f, -1, nullptr, &PanelSettings::surfaceRoughness},
        {"depositionAmount", ControlKind::Real, 0.0f, 100.0f, 17, nullptr, &PanelSettings::depositionAmount},
        // The panel passes these limits high first (1.0, 0.1); the range is the same.
        {"depositionResolvability", ControlKind::Real, 0.1f, 1.0f, 15, nullptr,
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

int panelButtonId(PanelButton button) {
    switch (button) {
        case PanelButton::Start:
            return 2;
        case PanelButton::Init:
            return 4;
        case PanelButton::Undo:
            return 16;
        case PanelButton::Reset:
            return 10;
        case PanelButton::ImageOpen:
            return 5;
        case PanelButton::ImageSave:
            return 6;
        case PanelButton::PaintingOpen:
            return 7;
        case PanelButton::PaintingSave:
            return 8;
    }
    return -1;
}

bool buttonAsksForFile(PanelButton button) {
    return button == PanelButton::ImageOpen || button == PanelButton::ImageSave ||
           button == PanelButton::PaintingOpen || button == PanelButton::PaintingSave;
}

bool buttonMayInit(PanelButton button) {
    // Painting Open inits when the file is another program's painting.
    return button == PanelButton::Init || button == PanelButton::ImageOpen || button == PanelButton::PaintingOpen;
}
