#include "image/ImageIO.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <cstdint>
#include <cstdio>
#include <iostream>

#include "image/LibraryImage.h"
#include "image/PictureDecoder.h"
#include "image/PictureHeader.h"
#include "util/FileReplace.h"

namespace ImageIO {
namespace {

std::vector<std::string> directories;

bool canOpen(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

bool reportCannotOpen(const std::string& name) {
    std::cerr << "ImageIO::load: cannot open file: " << name << std::endl;
    return false;
}

bool reportTooLarge(const std::string& name, std::int64_t width, std::int64_t height) {
    std::cerr << "ImageIO::load: picture too large: " << name << " (" << width << "x" << height << ")" << std::endl;
    return false;
}

bool reportCannotSave(const std::string& name) {
    std::cerr << "ImageIO::save: cannot save file: " << name << std::endl;
    return false;
}

// Every way a load can fail leaves image as it was: it is only touched once
// the pixels are complete.
template <typename T>
bool loadAs(const std::string& name, ImageRect<T>& image, int channels) {
    const std::string path = findFile(name);
    if (path.empty()) {
        return reportCannotOpen(name);
    }
    // From the header where the format allows: before anything is allocated
    // for the picture, and before the library meets a file cut short.
    const PictureHeader header = inspectPictureFile(path);
    if (header.size && !pictureWithinLimits(header.size->width, header.size->height, sizeof(T))) {
        return reportTooLarge(name, header.size->width, header.size->height);
    }
    if (header.cutShort) {
        return reportCannotOpen(name);
    }
    const DecodedPicture picture = decodePicture(path, channels);
    switch (picture.outcome) {
    case DecodeOutcome::tooLarge:
        return reportTooLarge(name, picture.width, picture.height);
    case DecodeOutcome::unreadable:
        return reportCannotOpen(name);
    case DecodeOutcome::loaded:
        break;
    }
    image.setPixels(picture.width, picture.height, reinterpret_cast<const T*>(picture.pixels.get()));
    std::cerr << "ImageIO::load: file loaded: " << name << " (" << picture.width << "x" << picture.height << ")"
              << std::endl;
    return true;
}

}  // namespace

void init() {
    ilInit();
    iluInit();
    // Filled once: a second start-up must not lengthen the search.
    if (directories.empty()) {
        directories = {"..", "../..", "../../..", "images", "../images", "../../images"};
    }
}

const std::vector<std::string>& searchDirectories() {
    return directories;
}

std::string findFile(const std::string& name) {
    for (const std::string& directory : directories) {
        std::string candidate = directory + "/" + name;
        if (canOpen(candidate)) {
            return candidate;
        }
    }
    if (canOpen(name)) {
        return name;
    }
    std::printf("file not found: %s\n", name.c_str());
    // Flushed so that on a shared console the line comes before the load's
    // own line on the error stream.
    std::fflush(stdout);
    return "";
}

bool load(const std::string& name, ImageRect<float>& image) {
    return loadAs(name, image, 1);
}

bool load(const std::string& name, ImageRect<MyAlgebra::vec3>& image) {
    return loadAs(name, image, 3);
}

bool load(const std::string& name, ImageRect<MyAlgebra::vec4>& image) {
    return loadAs(name, image, 4);
}

bool save(const std::string& name, const ImageRect<MyAlgebra::vec4>& image) {
    // An empty image would go out as a 1 × 1 picture of whatever the library
    // held, and one beyond the library's byte count would be cut short.
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0 ||
        !fitsLibraryByteCount(image.width, image.height, sizeof(MyAlgebra::vec4))) {
        return reportCannotSave(name);
    }
    LibraryImage bound;
    // The library takes the pixels through a non-const pointer, so it gets a
    // copy, and the caller's image stays as it is whatever the library does.
    ImageRect<MyAlgebra::vec4> copy(image);
    if (ilTexImage(copy.width, copy.height, 1, 4, IL_RGBA, IL_FLOAT, copy.pixels) != IL_TRUE ||
        ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) != IL_TRUE) {
        return reportCannotSave(name);
    }
    // The library writes by name, so it writes a fresh file beside the
    // target (same folder, same extension) that replaces the target only
    // once it is complete: a save that fails half-way (a full disk, a name
    // that is a folder) leaves the old picture as it was.
    std::string reason;
    const bool replaced = replaceFile(
        name, [](const std::string& temporary) { return ilSaveImage(temporary.c_str()) == IL_TRUE; }, reason);
    if (!replaced) {
        return reportCannotSave(name);
    }
    std::cerr << "ImageIO::save: file saved: " << name << std::endl;
    return true;
}

}  // namespace ImageIO
