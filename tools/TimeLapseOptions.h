#pragma once

#include <string>

// What seep-render was asked to make of the painting as it grows: a video,
// numbered pictures, or both.
struct TimeLapseOptions {
    std::string video;    // --video: OUT.mp4 (H.264) or OUT.webm (VP9), "" for none
    std::string frames;   // --frames: a folder for numbered PNG pictures, "" for none
    int fps = 30;         // --fps: frames a second; the finished painting is held for as many
    // --every: a frame after every this many steps; 0 for a frame after every
    // idle call and every tenth step of an Instant Result run.
    long long every = 0;
    // --size: the frame size; 0 × 0 for the canvas's own, shrunk to fit 1920 × 1080.
    int width = 0;
    int height = 0;
    bool particles = false;  // --particles: the particles drawn over the painting

    bool wanted() const { return !video.empty() || !frames.empty(); }
};

enum class VideoFormat { h264Mp4, vp9WebM };

// The format a video's name asks for by its extension (.mp4 or .webm, in any
// case); false for any other name.
bool videoFormatOf(const std::string& name, VideoFormat& format);
