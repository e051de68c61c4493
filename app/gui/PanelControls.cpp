#include "app/gui/PanelControls.h"

#include <algorithm>
#include <cmath>

namespace {

using K = PanelItemKind;
using P = PanelSettings;

// Labels, ids and limits are the panel's own; the session names are the
// live variables' names (or the buttons' labels) that recordings use.
const PanelControl controls[] = {
    {.kind = K::Group, .label = "Image Open and Save"},
    {.kind = K::Button, .label = "Image Open", .id = 5, .sessionName = "Image Open"},
    {.kind = K::Button, .label = "Image Save", .id = 6, .sessionName = "Image Save"},
    {.kind = K::GroupEnd, .label = ""},

    {.kind = K::Group, .label = "Mouse Operation"},
    {.kind = K::Radio, .label = "Particles Position", .id = 18, .sessionName = "mouseOperation",
     .intVariable = &P::mouseOperation, .radioValue = 0},
    {.kind = K::Radio, .label = "Simulation Area", .id = 18, .sessionName = "mouseOperation",
     .intVariable = &P::mouseOperation, .radioValue = 1},
    {.kind = K::Radio, .label = "Perspective Lines", .id = 18, .sessionName = "mouseOperation",
     .intVariable = &P::mouseOperation, .radioValue = 2},
    {.kind = K::Radio, .label = "Brush", .id = 18, .sessionName = "mouseOperation",
     .intVariable = &P::mouseOperation, .radioValue = 3},
    {.kind = K::Button, .label = "Reset", .id = 10, .sessionName = "Reset"},
    {.kind = K::GroupEnd, .label = ""},

    {.kind = K::Group, .label = "Display"},
    {.kind = K::Checkbox, .label = "Particles", .sessionName = "showParticles",
     .intVariable = &P::showParticles},
    {.kind = K::Checkbox, .label = "Deposition", .sessionName = "showDeposition",
     .intVariable = &P::showDeposition},
    {.kind = K::GroupEnd, .label = ""},

    {.kind = K::Group, .label = "Simulation"},
    {.kind = K::Checkbox, .label = "Instant Result", .id = 19, .sessionName = "instantResult",
     .intVariable = &P::instantResult},
    {.kind = K::Checkbox, .label = "Gravity", .sessionName = "gravityEnabled",
     .intVariable = &P::gravityEnabled},
    {.kind = K::Button, .label = "Start", .id = 2, .sessionName = "Start"},
    {.kind = K::Button, .label = "Undo", .id = 16, .sessionName = "Undo"},
    {.kind = K::Button, .label = "Init", .id = 4, .sessionName = "Init"},
    {.kind = K::GroupEnd, .label = ""},

    {.kind = K::Column, .label = ""},

    {.kind = K::Group, .label = "Simulation Settings"},
    {.kind = K::Group, .label = "Water Amount"},
    {.kind = K::IntSlider, .label = "particles", .id = 13, .sessionName = "waterAmount",
     .intVariable = &P::waterAmount, .low = 1.0f, .high = 2000.0f},
    {.kind = K::GroupEnd, .label = ""},
    {.kind = K::Group, .label = "Particle Size"},
    {.kind = K::IntSlider, .label = "mass", .id = 12, .sessionName = "particleSizeIndex",
     .intVariable = &P::particleSizeIndex, .low = 0.0f, .high = 10.0f},
    {.kind = K::GroupEnd, .label = ""},
    {.kind = K::Group, .label = "Absorptivity"},
    {.kind = K::FloatSlider, .label = "absorption", .id = 11, .sessionName = "absorptivity",
     .floatVariable = &P::absorptivity, .low = 0.0f, .high = 0.4f},
    {.kind = K::GroupEnd, .label = ""},
    {.kind = K::Group, .label = "Surface Roughness"},
    {.kind = K::FloatSlider, .label = "roughness", .sessionName = "surfaceRoughness",
     .floatVariable = &P::surfaceRoughness, .low = 0.0f, .high = 9.5f},
    {.kind = K::GroupEnd, .label = ""},
    {.kind = K::Group, .label = "Deposition Amount"},
    {.kind = K::FloatSlider, .label = "deposition", .id = 17, .sessionName = "depositionAmount",
     .floatVariable = &P::depositionAmount, .low = 0.0f, .high = 100.0f},
    {.kind = K::GroupEnd, .label = ""},
    {.kind = K::Group, .label = "Deposition Resolvability"},
    {.kind = K::FloatSlider, .label = "deposition", .id = 15,
     .sessionName = "depositionResolvability", .floatVariable = &P::depositionResolvability,
     .low = 1.0f, .high = 0.1f},
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

float clampToLimits(const PanelControl& control, float value) {
    const float lowest = std::min(control.low, control.high);
    const float highest = std::max(control.low, control.high);
    // A typed-in "nan" must not reach the simulation: it takes the low end.
    if (std::isnan(value)) {
        return lowest;
    }
    return std::clamp(value, lowest, highest);
}
