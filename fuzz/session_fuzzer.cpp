// Reads arbitrary bytes as a session file and, when they parse, plays the
// session on a headless painter. Parsing must refuse or accept without a
// crash; playing an accepted session must never crash, never leave a particle
// at a non-finite position after a step, and always end.
//
// Sessions are cut to a small budget so every input finishes in well under a
// second: the canvas is a tiny picture made here (also for Image Open), idle
// counts are capped, and an Instant Result run stops after a few hundred
// repetitions through the shell's own limit. Image Save writes into the
// fuzzer's private folder, never where the session says.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/SessionFile.h"
#include "app/SessionPlayer.h"
#include "fuzz/FuzzInput.h"
#include "image/ImageIO.h"
#include "sim/WatercolorSimulation.h"
#include "util/SaveFolder.h"

namespace {

constexpr long long maxIdlePerEvent = 40;
constexpr long long maxIdleTotal = 400;
constexpr long instantRepetitions = 300;

// A 12 × 10 picture with a rough checkerboard, so the paper's texture has
// slopes for the roughness to act on.
const std::string& tinyCanvas() {
    static const std::string path = [] {
        ImageIO::init();
        const std::string name = fuzzScratchFolder() + "/canvas.bmp";
        std::vector<vec4> pixels;
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 12; ++x) {
                const float v = (x + y) % 2 == 0 ? 1.0f : 0.0f;
                pixels.push_back({v, 0.5f * v, 1.0f - v, 1.0f});
            }
        }
        ImageRect<vec4> picture;
        picture.setPixels(12, 10, pixels.data());
        if (!ImageIO::save(name, picture)) {
            std::abort();
        }
        return name;
    }();
    return path;
}

// Saves are confined to the scratch folder, as seep-render confines them to
// the session's: a name the folder refuses is kept (and refused when played),
// any other becomes one file there.
const SaveFolder& scratchSaves() {
    static const SaveFolder* folder = [] {
        auto* opened = new SaveFolder;
        std::string error;
        if (!opened->open(fuzzScratchFolder(), error)) {
            std::abort();
        }
        return opened;
    }();
    return *folder;
}

void bound(Session& session) {
    session.canvas = tinyCanvas();
    long long idleLeft = maxIdleTotal;
    SessionEvents bounded;
    for (SessionEvent event : session.events) {
        if (event.kind == EventKind::Idle) {
            event.count = std::min({event.count, maxIdlePerEvent, idleLeft});
            idleLeft -= event.count;
        } else if (event.kind == EventKind::Button && event.button == PanelButton::ImageOpen) {
            event.file = event.file.empty() ? "" : tinyCanvas();
        } else if (event.kind == EventKind::Button && event.button == PanelButton::ImageSave &&
                   scratchSaves().refusal(event.file).empty()) {
            event.file = event.file.empty() ? "" : "out.png";
        }
        bounded.push_back(event);
    }
    session.events = std::move(bounded);
}

void requireFinitePositions(const Shell& shell) {
    const auto* simulation = dynamic_cast<const WatercolorSimulation*>(shell.simulation.get());
    if (simulation == nullptr) {
        return;
    }
    for (const vec2& p : simulation->particlePosition) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Session session;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!parseSession(text, session, error)) {
        // A refusal names where: never an empty line.
        if (error.empty()) {
            std::abort();
        }
        return 0;
    }
    bound(session);
    HeadlessPainter painter;
    painter.shell.saves.folder = &scratchSaves();
    painter.shell.instantRun.repetitionLimit = instantRepetitions;
    painter.shell.afterStep = requireFinitePositions;
    SessionPlayer player(painter, session);
    player.playAll();
    // Every Instant Result ends inside its Start.
    if (painter.shell.instantRun.active) {
        std::abort();
    }
    return 0;
}
