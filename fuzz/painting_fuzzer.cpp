// Reads arbitrary bytes as a painting file. Anything but a sound painting
// is refused with a reason; a painting that reads is opened in a painter,
// which then runs a few steps on it. Nothing may crash, leak or hang, and
// nothing beyond the painting's own size may be allocated.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/HeadlessWindowSystem.h"
#include "app/SessionPlayer.h"
#include "app/painting/PaintingArchive.h"
#include "app/painting/PaintingState.h"

namespace {

// Large enough for the seeds, small enough to step quickly.
constexpr std::size_t cellLimit = 128 * 128;

HeadlessPainter& painter() {
    static HeadlessPainter* started = [] {
        auto* p = new HeadlessPainter;
        p->shell.state.initSeed = [] { return 1u; };
        initialize(p->shell);
        return p;
    }();
    return *started;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PaintingFileContent content;
    std::string error;
    const bool read =
        readPaintingBytes(std::string(reinterpret_cast<const char*>(data), size), content, error, cellLimit);
    if (!read) {
        if (error.empty()) std::abort();  // every refusal says why
        return 0;
    }
    if (!content.seep) return 0;
    Shell& shell = painter().shell;
    restorePainting(shell, std::move(content.state));
    for (int i = 0; i < 3; ++i) idle(shell);
    return 0;
}
