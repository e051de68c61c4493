#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/SessionPlayer.h"
#include "tools/FrameComposer.h"
#include "tools/ParticleOverlay.h"
#include "tools/TimeLapseOptions.h"
#include "tools/VideoEncoder.h"
#include "util/FileReplace.h"

// The painting as it grows, while a session plays: a frame after every idle
// call of the session and every tenth step of an Instant Result run (or
// after every so many steps), then the finished painting held for a second;
// written as a video, as numbered PNG pictures, or both. It only reads the
// painter's state, so the painting is the same with it or without.
class TimeLapse {
public:
    TimeLapse(HeadlessPainter& painter, const TimeLapseOptions& options);
    ~TimeLapse();
    TimeLapse(const TimeLapse&) = delete;
    TimeLapse& operator=(const TimeLapse&) = delete;

    // Before anything is played: whether the outputs can be written (the
    // video's encoder; the frames' folder, made if missing). False after
    // one line on the standard error stream.
    bool prepare();

    // Called by the shell after every step and every idle call.
    void afterStep();
    void afterIdle();

    // The finished painting, held for a second, and the video completed and
    // renamed into place. False when an output could not be written (said
    // on the standard error stream); nothing half-written is left then.
    bool finish();

    long long framesWritten() const { return frames; }
    // Wall time spent making, encoding and writing frames.
    double seconds() const { return spent; }
    // The part of that spent in the picture writer (also in its own total).
    double pictureSeconds() const { return pictureSpent; }

private:
    // Composes the frame and writes it count times; held: the painting
    // alone, without particles.
    void takeFrame(bool held, int count);
    // Sizes the frames for the present canvas and opens the video.
    void startOutputs();
    // The next numbered picture; a repeat copies the last one's file.
    void writePicture(const ImageRect<vec4>& picture, bool repeat);
    void videoFailed(const std::string& reason);

    HeadlessPainter& painter;
    TimeLapseOptions options;
    VideoFormat format = VideoFormat::h264Mp4;
    std::unique_ptr<FrameComposer> composer;
    ParticleOverlay particles;
    // Both present while the video is being written.
    std::unique_ptr<VideoEncoder> encoder;
    std::unique_ptr<FileReplacement> videoFile;
    bool picturesFailed = false;
    bool failed = false;
    long long stepsCounted = 0;
    // Steps of the Instant Result run in progress, its first step included.
    long long runSteps = 0;
    long long frames = 0;
    long long picturesWritten = 0;
    // The last picture written anew, and its bytes once it is repeated.
    std::string lastPictureName;
    std::string lastPictureBytes;
    double spent = 0.0;
    double pictureSpent = 0.0;
    std::vector<CellRect> dirty;
};
