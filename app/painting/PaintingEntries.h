#pragma once

#include <cstddef>
#include <string>

#include "app/painting/ByteStream.h"
#include "app/painting/PaintingState.h"

// The names inside a painting file and the records of Seep's folder, shared
// by the writer and the reader (PaintingArchive.h lists what each holds).
namespace painting_entries {

inline constexpr const char* mimetype = "mimetype";
inline constexpr const char* mimetypeText = "image/openraster";
inline constexpr const char* stack = "stack.xml";
inline constexpr const char* paintLayer = "data/paint.png";
inline constexpr const char* canvasLayer = "data/canvas.png";
inline constexpr const char* merged = "mergedimage.png";
inline constexpr const char* thumbnail = "Thumbnails/thumbnail.png";
inline constexpr const char* state = "seep/state";
inline constexpr const char* particles = "seep/particles";
inline constexpr const char* absorptionCapacity = "seep/absorption-capacity";
inline constexpr const char* absorptionRate = "seep/absorption-rate";
inline constexpr const char* absorbedWater = "seep/absorbed-water";
inline constexpr const char* columnScale = "seep/column-scale";
inline constexpr const char* areaMask = "seep/area-mask";
inline constexpr const char* deposition = "seep/deposition";
inline constexpr const char* tiles = "seep/tiles";
inline constexpr const char* canvas = "seep/canvas";
inline constexpr const char* surface = "seep/surface";
inline constexpr const char* session = "seep/session.json";

// The first four bytes of seep/state; the version follows.
inline constexpr char stateMagic[4] = {'S', 'E', 'E', 'P'};

// The state record's fields after the version, in order: sizes, window,
// panel, editing state, point lists, random generator, particles' count,
// mass and the radius the step last stamped with.
template <typename State, typename Visit>
void visitStateFields(State& s, Visit&& v) {
    v(s.width);
    v(s.height);
    v(s.windowWidth);
    v(s.windowHeight);
    v(s.displayScale);
    visitPanelFields(s.panel, v);
    visitEditingFields(s.editing, v);
    v(s.randomState);
    v(s.particleCount);
    v(s.particleMass);
    v(s.stampRadius);
}

// The four point lists in file order.
template <typename Editing>
auto pointLists(Editing& e) {
    return std::array{&e.pathDraft, &e.path, &e.areaDraft, &e.area};
}

}  // namespace painting_entries
