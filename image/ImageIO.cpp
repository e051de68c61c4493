#include "image/ImageIO.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <iostream>

#include <sys/stat.h>

#include "image/LibraryImage.h"
#include "image/PictureDecoder.h"
#include "image/PictureHeader.h"
#include "util/FileReplace.h"
#include "util/RegularFile.h"

namespace ImageIO {
namespace {

std::vector<std::string> directories;
Timings spent;

// Adds the wall time of its own lifetime to a running total.
class TimedScope {
public:
    explicit TimedScope(double& total) : total(total), begun(std::chrono::steady_clock::now()) {}
    ~TimedScope() { total += std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count(); }
    TimedScope(const TimedScope&) = delete;
    TimedScope& operator=(const TimedScope&) = delete;

private:
    double& total;
    std::chrono::steady_clock::time_point begun;
};

bool canOpen(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && (!S_ISREG(info.st_mode) || isRegularFile(path));
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

// The image library crashes, hangs or allocates without bound on damaged
// files of several of the formats it reads (a GIF frame outside its screen, a
// PNM cut short, both found by fuzzing it), and for most of them the size is
// not known before it decodes. It is handed only BMP, PNG and JPEG files,
// known by their content: their headers are read before the library sees
// them, and fuzzing found nothing more in it for these three. The library
// picks its reader by the extension, so the name must not claim another
// format than the content (a name without an extension is read by content).
bool libraryReadsSafely(const std::string& path, PictureFormat format) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return format == PictureFormat::bmp || format == PictureFormat::png || format == PictureFormat::jpeg;
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    switch (format) {
    case PictureFormat::bmp:
        return extension == "bmp" || extension == "dib";
    case PictureFormat::png:
        return extension == "png";
    case PictureFormat::jpeg:
        return extension == "jpg" || extension == "jpeg" || extension == "jpe" || extension == "jif" ||
               extension == "jfif";
    default:
        return false;
    }
}

// Every way a load can fail leaves image as it was: it is only touched once
// the pixels are complete.
template <typename T>
bool loadAs(const std::string& name, ImageRect<T>& image, int channels) {
    const TimedScope timed(spent.loadSeconds);
    const std::string path = findFile(name);
    // Whatever the name is, the load must not wait on it: a pipe, a device or
    // a folder is refused before anything reads from it.
    if (path.empty() || !isRegularFile(path)) {
        return reportCannotOpen(name);
    }
    // From the header where the format allows: before anything is allocated
    // for the picture, and before the library meets a file cut short.
    const PictureHeader header = inspectPictureFile(path);
    if (header.size && !pictureWithinLimits(header.size->width, header.size->height, sizeof(T))) {
        return reportTooLarge(name, header.size->width, header.size->height);
    }
    if (header.cutShort || !libraryReadsSafely(path, header.format)) {
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

bool load(const std::string& name, ImageRect<vec3>& image) {
    return loadAs(name, image, 3);
}

bool load(const std::string& name, ImageRect<vec4>& image) {
    return loadAs(name, image, 4);
}

bool save(const std::string& name, const ImageRect<vec4>& image, const SaveFolder* inside) {
    const TimedScope timed(spent.saveSeconds);
    // An empty image would go out as a 1 × 1 picture of whatever the library
    // held, and one beyond the library's byte count would be cut short.
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0 ||
        !fitsLibraryByteCount(image.width, image.height, sizeof(vec4))) {
        return reportCannotSave(name);
    }
    LibraryImage bound;
    // The library takes the pixels through a non-const pointer, so it gets a
    // copy, and the caller's image stays as it is whatever the library does.
    ImageRect<vec4> copy(image);
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
        name, [](const std::string& temporary) { return ilSaveImage(temporary.c_str()) == IL_TRUE; }, reason, inside);
    if (!replaced) {
        return reportCannotSave(name);
    }
    std::cerr << "ImageIO::save: file saved: " << name << std::endl;
    return true;
}

const Timings& timings() {
    return spent;
}

}  // namespace ImageIO
