#include "tools/TimeLapse.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "image/ImageIO.h"

namespace {

using Clock = std::chrono::steady_clock;

// During an Instant Result run, without --every: a frame every this many steps.
constexpr long long instantRunStepsPerFrame = 10;

std::string fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

}  // namespace

TimeLapse::TimeLapse(HeadlessPainter& painter, const TimeLapseOptions& options)
    : painter(painter), options(options) {}

TimeLapse::~TimeLapse() = default;

bool TimeLapse::prepare() {
    std::string error;
    if (!options.video.empty() && (!videoFormatOf(options.video, format) || !videoEncoderAvailable(format, error))) {
        std::fprintf(stderr, "seep-render: cannot write %s: %s\n", options.video.c_str(),
                     error.empty() ? "not a video name" : error.c_str());
        return false;
    }
    if (!options.frames.empty()) {
        const char* folder = options.frames.c_str();
        struct stat info {};
        if (stat(folder, &info) != 0 && mkdir(folder, 0777) != 0) {
            error = std::strerror(errno);
        } else if (stat(folder, &info) != 0 || !S_ISDIR(info.st_mode)) {
            error = "not a folder";
        } else if (access(folder, W_OK | X_OK) != 0) {
            error = std::strerror(errno);
        }
        if (!error.empty()) {
            std::fprintf(stderr, "seep-render: cannot write frames to %s: %s\n", folder, error.c_str());
            return false;
        }
    }
    return true;
}

void TimeLapse::afterStep() {
    ++stepsCounted;
    const bool inRun = painter.shell.instantRun.active;
    // A run's first step comes before it counts as active.
    runSteps = inRun ? runSteps + 1 : 1;
    if (options.every > 0) {
        if (stepsCounted % options.every == 0) {
            takeFrame(false, 1);
        }
    } else if (inRun && runSteps % instantRunStepsPerFrame == 0) {
        takeFrame(false, 1);
    }
}

void TimeLapse::afterIdle() {
    if (options.every == 0 && !painter.shell.instantRun.active) {
        takeFrame(false, 1);
    }
}

bool TimeLapse::finish() {
    takeFrame(true, options.fps);
    const Clock::time_point started = Clock::now();
    if (encoder) {
        std::string error;
        if (!encoder->finish(error) || !videoFile->commit(error)) {
            videoFailed(error);
        }
        encoder.reset();
        videoFile.reset();
    }
    spent += std::chrono::duration<double>(Clock::now() - started).count();
    return !failed;
}

void TimeLapse::startOutputs() {
    int width = options.width;
    int height = options.height;
    if (width == 0 || height == 0) {
        defaultFrameSize(painter.shell.state.window.canvasWidth, painter.shell.state.window.canvasHeight,
                         !options.video.empty(), width, height);
    }
    composer = std::make_unique<FrameComposer>(width, height);
    if (options.video.empty()) {
        return;
    }
    std::string error;
    videoFile = std::make_unique<FileReplacement>();
    encoder = std::make_unique<VideoEncoder>();
    if (!videoFile->begin(options.video, error) ||
        !encoder->open(videoFile->temporary(), format, width, height, options.fps, error)) {
        videoFailed(error);
    }
}

void TimeLapse::videoFailed(const std::string& reason) {
    std::fprintf(stderr, "seep-render: cannot write %s: %s\n", options.video.c_str(), reason.c_str());
    // The encoder first: it holds the temporary file open.
    encoder.reset();
    videoFile.reset();
    failed = true;
}

void TimeLapse::takeFrame(bool held, int count) {
    const Clock::time_point started = Clock::now();
    if (!composer) {
        startOutputs();
    }
    Shell& shell = painter.shell;
    const CellRect changed = composer->update(shell, painter.windowSystem.canvasUploads);
    dirty.clear();
    if (options.particles) {
        if (held) {
            particles.clear(composer->picture(), changed, dirty);
        } else {
            particles.update(composer->picture(), changed, composer->placement(), *shell.simulation, dirty);
        }
    } else if (!changed.empty()) {
        dirty.push_back(changed);
    }
    const ImageRect<vec4>& picture = options.particles ? particles.picture() : composer->picture();
    const std::vector<CellRect> unchanged;
    for (int i = 0; i < count; ++i) {
        std::string error;
        if (encoder && !encoder->addFrame(picture, i == 0 ? dirty : unchanged, error)) {
            videoFailed(error);
        }
        if (!options.frames.empty() && !picturesFailed) {
            writePicture(picture, i > 0);
        }
        ++frames;
    }
    spent += std::chrono::duration<double>(Clock::now() - started).count();
}

void TimeLapse::writePicture(const ImageRect<vec4>& picture, bool repeat) {
    char number[32];
    std::snprintf(number, sizeof number, "%06lld", picturesWritten + 1);
    const std::string name = options.frames + "/frame-" + number + ".png";
    const double before = ImageIO::timings().saveSeconds;
    bool written = false;
    if (repeat) {
        if (lastPictureBytes.empty()) {
            lastPictureBytes = fileBytes(lastPictureName);
        }
        std::string error;
        written = replaceFileContents(name, lastPictureBytes, error);
        if (!written) {
            std::fprintf(stderr, "seep-render: cannot write %s: %s\n", name.c_str(), error.c_str());
        }
    } else {
        written = ImageIO::save(name, picture);
        lastPictureBytes.clear();
    }
    pictureSpent += ImageIO::timings().saveSeconds - before;
    if (!written) {
        // One line says so; the run goes on without more pictures.
        picturesFailed = true;
        failed = true;
        return;
    }
    ++picturesWritten;
    if (!repeat) {
        lastPictureName = name;
    }
}
