#include "tools/RenderRun.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include "app/SessionFile.h"
#include "app/SessionPlayer.h"
#include "app/ShellPictures.h"
#include "app/painting/PaintingCommands.h"
#include "image/ImageIO.h"
#include "tools/ProgressLine.h"
#include "tools/TimeLapse.h"
#include "util/FileReplace.h"
#include "util/SaveFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The deposition grid as width × height × 4 float32, little-endian whatever
// the machine, in grid order (cell y·width + x, components r, g, b, coverage).
std::string rawDeposition(Shell& shell) {
    const long long values = 4LL * shell.state.window.canvasWidth * shell.state.window.canvasHeight;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(values) * 4);
    for (long long k = 0; k < values; ++k) {
        const float value = shell.simulation->depositionAt(static_cast<int>(k));
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<char>((bits >> shift) & 0xffu));
        }
    }
    return bytes;
}

// ImageIO::save itself writes a fresh file and renames it over the target,
// and reports a failure in its own line.
bool writePicture(Shell& shell, const std::string& path) {
    return saveResult(shell, path);
}

bool writeRaw(Shell& shell, const std::string& path) {
    std::string error;
    if (!replaceFileContents(path, rawDeposition(shell), error)) {
        std::fprintf(stderr, "seep-render: cannot write %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// An output whose folder cannot be written is refused before anything runs,
// rather than after a long render.
bool outputFolderWritable(const std::string& path) {
    if (path.empty()) {
        return true;
    }
    const std::string folder = folderOf(path);
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        std::fprintf(stderr, "seep-render: cannot write %s: %s: %s\n", path.c_str(), folder.c_str(),
                     std::strerror(errno));
        return false;
    }
    return true;
}

// The folder the session's saves are confined to: the one asked for, or the
// session file's own.
std::string saveFolderFor(const RenderArgs& args) {
    return args.saveDir.empty() ? folderOf(args.session) : args.saveDir;
}

double peakMemoryMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // Linux reports the peak resident set in KiB.
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int runRender(const RenderArgs& args) {
    const Clock::time_point started = Clock::now();
    Session session;
    std::string error;
    if (!loadSession(args.session, session, error)) {
        std::fprintf(stderr, "seep-render: %s\n", error.c_str());
        return renderRefused;
    }
    if (!outputFolderWritable(args.output) || !outputFolderWritable(args.raw) ||
        !outputFolderWritable(args.timeLapse.video) || !outputFolderWritable(args.painting)) {
        return renderRefused;
    }
    SaveFolder saveFolder;
    if (!args.savesAnywhere && !saveFolder.open(saveFolderFor(args), error)) {
        std::fprintf(stderr, "seep-render: cannot use %s as the save folder: %s\n", saveFolderFor(args).c_str(),
                     error.c_str());
        return renderRefused;
    }

    HeadlessPainter painter;
    Shell& shell = painter.shell;
    if (!args.savesAnywhere) {
        shell.saves.folder = &saveFolder;
    }
    std::unique_ptr<TimeLapse> timeLapse;
    if (args.timeLapse.wanted()) {
        timeLapse = std::make_unique<TimeLapse>(painter, args.timeLapse);
        if (!timeLapse->prepare()) {
            return renderRefused;
        }
        shell.afterIdle = [&](const Shell&) { timeLapse->afterIdle(); };
    }
    ProgressLine progress(isatty(STDERR_FILENO) == 1);
    ProgressLine::State shown;
    shown.eventsTotal = session.events.size();
    const auto report = [&] {
        shown.steps = shell.stepStatistics.steps;
        shown.instantPercent = shell.instantRun.active ? shell.instantRun.percent : -1;
        shown.frames = timeLapse ? timeLapse->framesWritten() : -1;
        progress.update(shown);
    };
    // A long Instant Result runs inside one event; the steps keep the line moving.
    shell.afterStep = [&](const Shell&) {
        if (timeLapse) {
            timeLapse->afterStep();
        }
        report();
    };

    SessionPlayer player(painter, session);
    const bool played = player.playAll([&](std::size_t played) {
        shown.eventsPlayed = played;
        report();
    });
    if (!played) {
        // The painting the session starts from could not be opened, and
        // the painter has said why.
        progress.finish();
        return renderRefused;
    }

    // The outputs named on the command line go where the person says; only
    // the session's own saves were kept to the save folder.
    shell.saves = SaveConfinement{};
    bool written = true;
    if (timeLapse) {
        written = timeLapse->finish();
    }
    if (!args.output.empty()) {
        written = writePicture(shell, args.output) && written;
    }
    // Pictures are timed where they are written; the raw grid and the
    // painting file here.
    double rawSeconds = 0.0;
    if (!args.raw.empty()) {
        const Clock::time_point writing = Clock::now();
        written = writeRaw(shell, args.raw) && written;
        rawSeconds += secondsSince(writing);
    }
    if (!args.painting.empty()) {
        const Clock::time_point writing = Clock::now();
        written = savePainting(shell, args.painting) && written;
        rawSeconds += secondsSince(writing);
    }
    progress.finish();

    if (args.stats) {
        // The time-lapse's pictures count as its own time, not as saves.
        const double pictureSeconds = timeLapse ? timeLapse->pictureSeconds() : 0.0;
        std::fprintf(stderr,
                     "seep-render: steps=%lld step_seconds=%.6f load_seconds=%.6f save_seconds=%.6f "
                     "total_seconds=%.6f peak_memory_mb=%.1f",
                     shell.stepStatistics.steps, shell.stepStatistics.seconds, ImageIO::timings().loadSeconds,
                     ImageIO::timings().saveSeconds - pictureSeconds + rawSeconds, secondsSince(started),
                     peakMemoryMegabytes());
        if (timeLapse) {
            std::fprintf(stderr, " video_frames=%lld video_seconds=%.6f", timeLapse->framesWritten(),
                         timeLapse->seconds());
        }
        std::fputc('\n', stderr);
    }
    return written ? renderSucceeded : renderWriteFailed;
}
