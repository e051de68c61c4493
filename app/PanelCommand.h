#pragma once

// What the control panel's one callback can be asked to do: a button's
// command, or the work that follows a change of a live variable. Only these
// exist, so a command that does not is a compile error, not a silent no-op.
enum class PanelCommand {
    Start,
    Init,
    ImageOpen,
    ImageSave,
    PaintingOpen,
    PaintingSave,
    Reset,
    Undo,
    AbsorptivityChanged,
    ParticleSizeChanged,
    WaterAmountChanged,
    ResolvabilityChanged,
    DepositionAmountChanged,
    MouseOperationChanged,
    InstantResultToggled,
};
