#include "image/ImageIO.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>

#include "image/ExifOrientation.h"
#include <sys/stat.h>

#include "image/LibraryImage.h"
#include "image/PictureDecoder.h"
#include "image/PictureDerivation.h"
#include "image/PictureHeader.h"
#include "image/PngWriter.h"
#include "util/AvailableMemory.h"
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

// The name's extension in lower case; "" when it has none.
std::string extensionOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "";
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool hasExtension(const std::string& path, const char* extension) {
    return extensionOf(path) == extension;
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
    const std::string extension = extensionOf(path);
    if (extension.empty()) {
        return format == PictureFormat::bmp || format == PictureFormat::png || format == PictureFormat::jpeg;
    }
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

bool reportNotEnoughMemory(const std::string& name, const Orientation& upright, std::uint64_t need,
                           std::optional<std::uint64_t> available) {
    const auto megabytes = [](std::uint64_t bytes) { return (bytes + (1u << 20) - 1) >> 20; };
    std::cerr << "ImageIO::load: not enough memory: " << name << " (" << upright.uprightWidth() << "x"
              << upright.uprightHeight() << ") needs " << megabytes(need) << " MB, " << megabytes(available.value_or(0))
              << " MB available" << std::endl;
    return false;
}

void reportLoaded(const std::string& name, int width, int height) {
    std::cerr << "ImageIO::load: file loaded: " << name << " (" << width << "x" << height << ")" << std::endl;
}

// What room a load leaves besides the picture's own memory.
constexpr std::uint64_t spareBytes = std::uint64_t{64} << 20;

// A picture found, its header read and found within the limits: what the
// decoder needs to read it, and how to turn it upright.
struct FoundPicture {
    std::string path;
    PictureHeader header;
    DecodeRequest request;
};

// Finds and inspects name; reports and returns nothing when it cannot be
// read or is too large. checkMemory(upright size, header) may refuse it
// before it is decoded.
template <typename CheckMemory>
std::optional<FoundPicture> findPicture(const std::string& name, std::size_t bytesPerPixel, CheckMemory&& checkMemory) {
    FoundPicture found;
    found.path = findFile(name);
    // Whatever the name is, the load must not wait on it: a pipe, a device or
    // a folder is refused before anything reads from it.
    if (found.path.empty() || !isRegularFile(found.path)) {
        reportCannotOpen(name);
        return std::nullopt;
    }
    // From the header where the format allows: before anything is allocated
    // for the picture, and before the library meets a file cut short.
    found.header = inspectPictureFile(found.path);
    const PictureHeader& header = found.header;
    if (header.size && !pictureWithinLimits(header.size->width, header.size->height, bytesPerPixel)) {
        const bool swapped = Orientation{header.orientation}.swapsSides();
        reportTooLarge(name, swapped ? header.size->height : header.size->width,
                       swapped ? header.size->width : header.size->height);
        return std::nullopt;
    }
    if (header.cutShort || !libraryReadsSafely(found.path, header.format)) {
        reportCannotOpen(name);
        return std::nullopt;
    }
    if (header.size && !checkMemory(Orientation{header.orientation, static_cast<int>(header.size->width),
                                                static_cast<int>(header.size->height)},
                                    header)) {
        return std::nullopt;
    }
    found.request = DecodeRequest{found.path, header.format == PictureFormat::jpeg, header.modernBmp, bytesPerPixel};
    return found;
}

// Decodes a found picture; reports and returns nothing when that fails.
std::optional<DecodedPicture> decodeFound(const std::string& name, const FoundPicture& found) {
    DecodedPicture picture = decodePicture(found.request);
    const Orientation upright{found.header.orientation, picture.width, picture.height};
    switch (picture.outcome) {
    case DecodeOutcome::tooLarge:
        reportTooLarge(name, upright.uprightWidth(), upright.uprightHeight());
        return std::nullopt;
    case DecodeOutcome::unreadable:
        reportCannotOpen(name);
        return std::nullopt;
    case DecodeOutcome::loaded:
        break;
    }
    return picture;
}

// Every way a load can fail leaves image as it was: it is only touched once
// the pixels are complete.
template <typename T>
bool loadAs(const std::string& name, ImageRect<T>& image) {
    const TimedScope timed(spent.loadSeconds);
    const std::optional<FoundPicture> found =
        findPicture(name, sizeof(T), [](const Orientation&, const PictureHeader&) { return true; });
    if (!found) {
        return false;
    }
    const std::optional<DecodedPicture> picture = decodeFound(name, *found);
    if (!picture) {
        return false;
    }
    derivePicture(picture->view(), found->header.orientation, image);
    reportLoaded(name, image.width, image.height);
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
    return loadAs(name, image);
}

bool load(const std::string& name, ImageRect<vec3>& image) {
    return loadAs(name, image);
}

bool load(const std::string& name, ImageRect<vec4>& image) {
    return loadAs(name, image);
}

bool loadCanvas(const std::string& name, CanvasPicture& colours, ImageRect<float>& grey,
                std::size_t otherBytesPerPixel) {
    const TimedScope timed(spent.loadSeconds);
    const auto fits = [&](const Orientation& upright, const PictureHeader& header) {
        // The colours and the decoded samples (8 bits, or the library's
        // floats for deeper ones), the grey levels, and what the caller adds.
        const std::uint64_t perPixel = (header.deepSamples ? sizeof(vec4) + 5 * sizeof(float) : 2 * sizeof(rgba8)) +
                                       sizeof(float) + otherBytesPerPixel;
        const std::uint64_t need =
            static_cast<std::uint64_t>(upright.storedWidth) * static_cast<std::uint64_t>(upright.storedHeight) * perPixel +
            spareBytes;
        const std::optional<std::uint64_t> available = availableMemory();
        return !available || need <= *available || reportNotEnoughMemory(name, upright, need, available);
    };
    const std::optional<FoundPicture> found = findPicture(name, sizeof(vec4), fits);
    if (!found) {
        return false;
    }
    const std::optional<DecodedPicture> picture = decodeFound(name, *found);
    if (!picture) {
        return false;
    }
    deriveCanvas(picture->view(), found->header.orientation, colours, grey);
    // Once for the colours and once for the grey levels.
    reportLoaded(name, colours.width, colours.height);
    reportLoaded(name, colours.width, colours.height);
    return true;
}

bool save(const std::string& name, const ImageRect<vec4>& image, const SaveFolder* inside) {
    if (image.pixels == nullptr) {
        return reportCannotSave(name);
    }
    const std::size_t width = static_cast<std::size_t>(std::max(image.width, 0));
    return save(
        name, image.width, image.height,
        [&](int y, vec4* out) { std::copy_n(image.pixels + static_cast<std::size_t>(y) * width, width, out); },
        inside);
}

bool save(const std::string& name, int width, int height, const RowColours& rowColours,
          const SaveFolder* inside) {
    const TimedScope timed(spent.saveSeconds);
    // An empty image would go out as a 1 × 1 picture of whatever the library
    // held, and one beyond the library's byte count would be cut short.
    if (width <= 0 || height <= 0 || !fitsLibraryByteCount(width, height, sizeof(vec4))) {
        return reportCannotSave(name);
    }
    std::vector<vec4> colours(static_cast<std::size_t>(width));
    const auto rowSamples = [&](int y, rgba8* out) {
        rowColours(y, colours.data());
        for (std::size_t x = 0; x < colours.size(); ++x) {
            const vec4 c = colours[x];
            out[x] = rgba8{library_pixels::toSample(c.x), library_pixels::toSample(c.y), library_pixels::toSample(c.z),
                           library_pixels::toSample(c.w)};
        }
    };
    // Every file is written beside the target (same folder, same extension)
    // and replaces it only once complete: a save that fails half-way (a full
    // disk, a name that is a folder) leaves the old picture as it was.
    std::string reason;
    bool replaced = false;
    if (hasExtension(name, "png")) {
        replaced = replaceFile(
            name, [&](const std::string& temporary) { return writePngRows(temporary, width, height, rowSamples); },
            reason, inside);
    } else {
        // The library writes the other formats from a whole picture of 8-bit
        // samples, the same bytes it would have made of the float colours.
        std::vector<rgba8> samples(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y) {
            rowSamples(y, samples.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width));
        }
        LibraryImage bound;
        if (ilTexImage(width, height, 1, 4, IL_RGBA, IL_UNSIGNED_BYTE, samples.data()) != IL_TRUE) {
            return reportCannotSave(name);
        }
        replaced = replaceFile(
            name, [](const std::string& temporary) { return ilSaveImage(temporary.c_str()) == IL_TRUE; }, reason,
            inside);
    }
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
