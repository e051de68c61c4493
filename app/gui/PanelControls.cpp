#include "app/gui/PanelControls.h"

#include <algorithm>
#include <cmath>

namespace {

using K = PanelItemKind;

const PanelControl controls[] = {
    {.kind = K::Group, .label = "Image Open and Save"},
    {.kind = K::Button, .label = "Image Open", .button = PanelButton::ImageOpen},
    {.kind = K::Button, .label = "Image Save", .button = PanelButton::ImageSave},
    {.kind = K::GroupEnd, .label = ""},

    {.kind = K::Group, .label = "Painting Open and Save"},
    {.kind = K::Button, .label = "Painting Open", .button = PanelButton::PaintingOpen},
    {.kind = K::Button, .label = "Painting Save", .button = PanelButton::PaintingSave},
    {.kind = K::GroupEnd, .label = ""},

    {.kind = K::Group, .label = "Mouse Operation"},
    {.kind = K::Radio, .label = "Particles Position", .variable = "mouseOperation", .radioValue = 0},
    {.kind = K::Radio, .label = "Simulation Area", .variable = "mouseOperation", .radioValue = 1},
    {.kind = K::Radio, .label = "Perspective Lines", .variable = "mouseOperation", .radioValue = 2},
    {.kind = K::Radio, .label = "Brush", .variable = "mouseOperation", .radioValue = 3},
    {.kind = K::Button, .label = "Reset", .button = PanelButton::Reset},
    {.kind = K::GroupEnd, .label = ""},

    {.kind = K::Group, .label = "Display"},
    {.kind = K::Checkbox, .label = "Particles", .variable = "showParticles"},
    {.kind = K::Checkbox, .label = "Deposition", .variable = "showDeposition"},
    {.kind = K::GroupEnd, .label = ""},

    {.kind = K::Group, .label = "Simulation"},
    {.kind = K::Checkbox, .label = "Instant Result", .variable = "instantResult"},
    {.kind = K::Checkbox, .label = "Gravity", .variable = "gravityEnabled"},
    {.kind = K::Button, .label = "Start", .button = PanelButton::Start},
    {.kind = K::Button, .label = "Undo", .button = PanelButton::Undo},
    {.kind = K::Button, .label = "Init", .button = PanelButton::Init},
    {.kind = K::GroupEnd, .label = ""},

    {.kind = K::Column, .label = ""},

    {.kind = K::Group, .label = "Simulation Settings"},
    {.kind = K::Group, .label = "Water Amount"},
    {.kind = K::IntSlider, .label = "particles", .variable = "waterAmount"},
    {.kind = K::GroupEnd, .label = ""},
    {.kind = K::Group, .label = "Particle Size"},
    {.kind = K::IntSlider, .label = "mass", .variable = "particleSizeIndex"},
    {.kind = K::GroupEnd, .label = ""},
    {.kind = K::Group, .label = "Absorptivity"},
    {.kind = K::FloatSlider, .label = "absorption", .variable = "absorptivity"},
    {.kind = K::GroupEnd, .label = ""},
    {.kind = K::Group, .label = "Surface Roughness"},
    {.kind = K::FloatSlider, .label = "roughness", .variable = "surfaceRoughness"},
    {.kind = K::GroupEnd, .label = ""},
    {.kind = K::Group, .label = "Deposition Amount"},
    {.kind = K::FloatSlider, .label = "deposition", .variable = "depositionAmount"},
    {.kind = K::GroupEnd, .label = ""},
    {.kind = K::Group, .label = "Deposition Resolvability"},
    {.kind = K::FloatSlider, .label = "deposition", .variable = "depositionResolvability",
     .reversed = true},
    {.kind = K::GroupEnd, .label = ""},
    {.kind = K::GroupEnd, .label = ""},

    {.kind = K::Group, .label = "Session"},
    {.kind = K::SessionSave, .label = "Session Save"},
    {.kind = K::GroupEnd, .label = ""},
};

}  // namespace

std::span<const PanelControl> panelControls() {
    return controls;
}

const SessionControl* sessionControlOf(const PanelControl& control) {
    return control.variable != nullptr ? findSessionControl(control.variable) : nullptr;
}

std::optional<PanelCommand> commandOf(const PanelControl& control) {
    if (control.kind == PanelItemKind::Button) {
        return panelButtonCommand(control.button);
    }
    const SessionControl* session = sessionControlOf(control);
    return session != nullptr ? session->command : std::nullopt;
}

float leftLimit(const PanelControl& control) {
    const SessionControl* session = sessionControlOf(control);
    if (session == nullptr) {
        return 0.0f;
    }
    return float(control.reversed ? session->high : session->low);
}

float rightLimit(const PanelControl& control) {
    const SessionControl* session = sessionControlOf(control);
    if (session == nullptr) {
        return 0.0f;
    }
    return float(control.reversed ? session->low : session->high);
}

float clampToLimits(const PanelControl& control, float value) {
    const float lowest = std::min(leftLimit(control), rightLimit(control));
    const float highest = std::max(leftLimit(control), rightLimit(control));
    // A typed-in "nan" must not reach the simulation: it takes the low end.
    if (std::isnan(value)) {
        return lowest;
    }
    return std::clamp(value, lowest, highest);
}
