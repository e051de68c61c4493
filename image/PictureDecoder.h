#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "image/LibraryPixels.h"

// Whether width × height pixels of bytesPerPixel bytes stay within the image
// library's 32-bit byte counts; beyond them it would wrap and write past its
// buffers (16384 × 16384 RGBA floats are exactly one byte too many).
bool fitsLibraryByteCount(std::int64_t width, std::int64_t height, std::size_t bytesPerPixel);

// Whether a picture of this size may be decoded into pixels of bytesPerPixel
// bytes: no wider or higher than ImageIO::maxPictureSide, and within the
// library's byte counts.
bool pictureWithinLimits(std::int64_t width, std::int64_t height, std::size_t bytesPerPixel);

enum class DecodeOutcome { loaded, unreadable, tooLarge };

// Memory holding decoded pixels: shared with the process that decoded them,
// or this process's own.
class PixelStore {
public:
    virtual ~PixelStore() = default;
    virtual const unsigned char* bytes() const = 0;
};

struct DecodedPicture {
    DecodeOutcome outcome = DecodeOutcome::unreadable;
    // The size the decoder reported (also for a picture too large), as
    // stored: not yet turned upright.
    std::int32_t width = 0;
    std::int32_t height = 0;
    PixelLayout layout = PixelLayout::rgb;
    // When loaded: width × height pixels in the layout, row 0 at the bottom.
    std::unique_ptr<PixelStore> pixels;

    PixelsView view() const { return PixelsView{layout, width, height, pixels ? pixels->bytes() : nullptr}; }
};

// What the decoder is told about the file besides its path.
struct DecodeRequest {
    std::string path;
    // A JPEG whose four samples are ink amounts (CMYK or YCCK).
    bool jpeg = false;
    // A BMP with a version-4 or version-5 header, read by Seep's own reader.
    bool modernBmp = false;
    // The bytes a pixel will take where the caller keeps it: larger
    // pictures are too large (pictureWithinLimits).
    std::size_t keptBytesPerPixel = 4 * sizeof(float);
};

// Decodes the picture file: 8-bit samples in the layout the file holds them
// (the library's), or its float colours and grey levels for deeper samples.
//
// The library crashes or never returns on some damaged files, so the
// decoding happens in a child process that leaves the pixels in shared
// memory; a child that dies, or stays silent for a minute, makes the file
// unreadable and leaves this process and the library's state in it
// untouched. Where no child process can be started the file is decoded here.
DecodedPicture decodePicture(const DecodeRequest& request);
