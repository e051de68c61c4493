#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Whether width × height pixels of bytesPerPixel bytes stay within the image
// library's 32-bit byte counts; beyond them it would wrap and write past its
// buffers (16384 × 16384 RGBA floats are exactly one byte too many).
bool fitsLibraryByteCount(std::int64_t width, std::int64_t height, std::size_t bytesPerPixel);

// Whether a picture of this size may be decoded into pixels of bytesPerPixel
// bytes: no wider or higher than ImageIO::maxPictureSide, and within the
// library's byte counts.
bool pictureWithinLimits(std::int64_t width, std::int64_t height, std::size_t bytesPerPixel);

enum class DecodeOutcome { loaded, unreadable, tooLarge };

struct DecodedPicture {
    DecodeOutcome outcome = DecodeOutcome::unreadable;
    // The size the library reported (also for a picture too large).
    std::int32_t width = 0;
    std::int32_t height = 0;
    // When loaded: width × height pixels of `channels` floats each, row 0 at
    // the bottom, in storage from new[], so it may be read as float pixels.
    std::unique_ptr<unsigned char[]> pixels;
};

// Decodes the picture file at path through the image library into float
// pixels of 1 (grey), 3 (red, green, blue) or 4 (and alpha) channels.
//
// The library crashes or never returns on some damaged files, so it decodes
// in a child process that hands the pixels back through a pipe; a child that
// dies, or stays silent for a minute, makes the file unreadable and leaves this
// process and the library's state in it untouched. Where no child process can
// be started the library decodes here.
DecodedPicture decodePicture(const std::string& path, int channels);
