#pragma once

#include <string>
#include <vector>

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

bool load(const std::string& name, ImageRect<float>& image);
bool load(const std::string& name, ImageRect<vec3>& image);
bool load(const std::string& name, ImageRect<vec4>& image);

// Writes 8-bit RGBA in the format the name's extension selects. With inside,
// name is written only within that folder (util/SaveFolder.h).
bool save(const std::string& name, const ImageRect<vec4>& image, const SaveFolder* inside = nullptr);

// Wall time spent in every load and save since the program started, failed
// ones included; the headless renderer reports it.
struct Timings {
    double loadSeconds = 0.0;
    double saveSeconds = 0.0;
};
const Timings& timings();

}  // namespace ImageIO
