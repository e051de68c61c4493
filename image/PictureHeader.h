#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct PictureSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// What a picture file's header tells before any pixel is decoded. The image
// library sizes its buffers from the header and counts bytes in 32 bits, so a
// picture too large must be refused before the library sees it; and for some
// formats it decodes a file that was cut short without complaint, or never
// returns from it, so such files are recognised here as well.
enum class PictureFormat { unknown, bmp, png, jpeg, gif, targa };

struct PictureHeader {
    // What the content says the file is (TGA: what its extension says).
    PictureFormat format = PictureFormat::unknown;
    // The announced size; nothing for formats not read here.
    std::optional<PictureSize> size;
    // The file ends before the data its header announces.
    bool cutShort = false;
    // How the stored picture is turned upright (EXIF orientation, 1 to 8):
    // a JPEG's EXIF segment or a PNG's eXIf chunk.
    int orientation = 1;
    // A BMP with a version-4 or version-5 header.
    bool modernBmp = false;
    // A PNG of 16 bits a sample.
    bool deepSamples = false;
};

// Reads the header of a BMP, PNG, JPEG, GIF or uncompressed TGA file. BMP,
// PNG, JPEG and GIF are recognised by their content; TGA, which has no mark
// of its own, by the extension the image library also goes by.
PictureHeader inspectPictureFile(const std::string& path);
