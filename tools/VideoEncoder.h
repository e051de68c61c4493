#pragma once

#include <memory>
#include <string>
#include <vector>

#include "image/ImageRect.h"
#include "sim/CellRect.h"
#include "tools/TimeLapseOptions.h"

// Whether this build's libraries can encode the format; when not, error
// says why.
bool videoEncoderAvailable(VideoFormat format, std::string& error);

// A video file written frame by frame with FFmpeg's libraries: H.264 in
// MP4 or VP9 in WebM, 4:2:0, at a constant frame rate. It keeps the last
// frame, so a new one converts only the regions that changed.
class VideoEncoder {
public:
    VideoEncoder();
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Opens path for frames of width × height (both even) at fps a second;
    // the format is the one given, whatever the name says.
    bool open(const std::string& path, VideoFormat format, int width, int height, int fps, std::string& error);
    // Encodes the next frame: the last one with the regions listed in
    // changed taken from picture (width × height, row 0 at the bottom).
    bool addFrame(const ImageRect<vec4>& picture, const std::vector<CellRect>& changed, std::string& error);
    // Encodes what the encoder still holds and completes the file.
    bool finish(std::string& error);

private:
    struct Streams;
    std::unique_ptr<Streams> streams;
};
