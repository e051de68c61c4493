#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "image/CanvasPicture.h"
#include "image/ImageRect.h"

class SaveFolder;

// Reading pictures into image rectangles and writing a result picture, with
// the small file search every load goes through.
namespace ImageIO {

// Pictures wider or higher than this are refused instead of loaded.
constexpr int maxPictureSide = 16384;

// Starts the image library and registers the search directories.
void init();

// The directories a name is looked for in, in order, before the name itself.
const std::vector<std::string>& searchDirectories();

// The path under which name can be opened for reading, or "" (after printing
// "file not found: NAME"). Something that is not a regular file (a folder, a
// pipe) counts as found, without being opened: the load then refuses it.
std::string findFile(const std::string& name);

// Pictures are turned upright by their EXIF orientation before anything
// else sees them: the sizes are the upright ones.
bool load(const std::string& name, ImageRect<float>& image);
bool load(const std::string& name, ImageRect<vec3>& image);
bool load(const std::string& name, ImageRect<vec4>& image);

// Reads a picture once as a canvas: its colours and its grey levels, each
// as the library converts them, and reports it loaded twice (once for each,
// as the painter always has). Before anything is decoded, what the picture
// will take (the colours, the grey levels, the decoding, and
// otherBytesPerPixel more for each pixel) is compared with the memory the
// system will still give; a picture that would not fit is refused with the
// not-enough-memory line. Both targets change only on success.
bool loadCanvas(const std::string& name, CanvasPicture& colours, ImageRect<float>& grey,
                std::size_t otherBytesPerPixel);

// Writes 8-bit RGBA in the format the name's extension selects. With inside,
// name is written only within that folder (util/SaveFolder.h).
bool save(const std::string& name, const ImageRect<vec4>& image, const SaveFolder* inside = nullptr);

// The same for a picture made row by row: rowColours(y, out) gives the
// width float colours of row y (row 0 at the bottom), each turned into 8
// bits as the library does. A PNG is written as the rows come, without a
// copy of the whole picture.
using RowColours = std::function<void(int y, vec4* out)>;
bool save(const std::string& name, int width, int height, const RowColours& rowColours,
          const SaveFolder* inside = nullptr);

// Wall time spent in every load and save since the program started, failed
// ones included; the headless renderer reports it.
struct Timings {
    double loadSeconds = 0.0;
    double saveSeconds = 0.0;
};
const Timings& timings();

}  // namespace ImageIO
