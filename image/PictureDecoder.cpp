#include "image/PictureDecoder.h"

#include <IL/il.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "image/ImageIO.h"
#include "image/LibraryImage.h"
#include "image/ModernBmp.h"
#include "util/RegularFile.h"

namespace {

// How long the parent waits for the decoding child's report. A picture at
// the size limit decodes in a few seconds; a child silent for this long is
// stuck in the library.
constexpr int silenceLimitMs = 60000;

// What the decoder reports once the pixels are in place.
struct Report {
    std::int32_t outcome = static_cast<std::int32_t>(DecodeOutcome::unreadable);
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t layout = 0;
};

std::size_t byteCount(std::int64_t width, std::int64_t height, std::size_t bytesPerPixel) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel;
}

bool knownLayout(std::int32_t layout) {
    return layout >= static_cast<std::int32_t>(PixelLayout::grey) &&
           layout <= static_cast<std::int32_t>(PixelLayout::deep);
}

// The layout of an 8-bit picture as the library holds it; nothing for any
// other kind, which the library then converts to floats itself.
std::optional<PixelLayout> narrowLayout(ILint format, ILint type, bool jpeg) {
    if (type != IL_UNSIGNED_BYTE) {
        return std::nullopt;
    }
    switch (format) {
    case IL_LUMINANCE:
        return PixelLayout::grey;
    case IL_LUMINANCE_ALPHA:
        return PixelLayout::greyAlpha;
    case IL_RGB:
        return PixelLayout::rgb;
    case IL_RGBA:
        // A JPEG has no alpha: four samples are ink amounts.
        return jpeg ? PixelLayout::cmyk : PixelLayout::rgba;
    case IL_BGR:
        return PixelLayout::bgr;
    case IL_BGRA:
        return PixelLayout::bgra;
    default:
        return std::nullopt;
    }
}

// Whether the bound image holds at least width × height pixels of the given
// format, type and size; otherwise copying them would read past the
// library's buffer.
bool holdsPixels(ILint width, ILint height, ILint format, ILint type, std::size_t bytesPerPixel) {
    return ilGetInteger(IL_IMAGE_FORMAT) == format && ilGetInteger(IL_IMAGE_TYPE) == type &&
           ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL) == static_cast<ILint>(bytesPerPixel) &&
           ilGetInteger(IL_IMAGE_WIDTH) == width && ilGetInteger(IL_IMAGE_HEIGHT) == height &&
           static_cast<std::uint32_t>(ilGetInteger(IL_IMAGE_SIZE_OF_DATA)) >= byteCount(width, height, bytesPerPixel) &&
           ilGetData() != nullptr;
}

// Loads path into the bound library image, row 0 at the bottom.
bool libraryLoads(const std::string& path) {
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_LOWER_LEFT);
    // The library opens the file by name and would wait on a pipe put there
    // since the load looked at it.
    return isRegularFile(path) && ilLoadImage(path.c_str()) == IL_TRUE;
}

// Decodes through the library. reserve(bytes) gives storage for the pixels
// (or null); the report says what it holds.
template <typename Reserve>
Report decodeWithLibrary(const DecodeRequest& request, Reserve&& reserve) {
    Report report;
    LibraryImage bound;
    if (!libraryLoads(request.path)) {
        return report;
    }
    const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
    const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
    report.width = width;
    report.height = height;
    if (!pictureWithinLimits(width, height, request.keptBytesPerPixel)) {
        report.outcome = static_cast<std::int32_t>(DecodeOutcome::tooLarge);
        return report;
    }
    if (width <= 0 || height <= 0) {
        return report;
    }
    // Palette pictures are expanded to 8-bit red, green, blue and alpha,
    // as the painter has always had them converted.
    if (ilGetInteger(IL_IMAGE_FORMAT) == IL_COLOUR_INDEX) {
        ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE);
    }
    const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    const std::optional<PixelLayout> layout = narrowLayout(format, ilGetInteger(IL_IMAGE_TYPE), request.jpeg);
    if (layout) {
        const std::size_t perPixel = bytesPerPixel(*layout);
        unsigned char* into = nullptr;
        if (!holdsPixels(width, height, format, IL_UNSIGNED_BYTE, perPixel) ||
            (into = reserve(byteCount(width, height, perPixel))) == nullptr) {
            return report;
        }
        std::memcpy(into, ilGetData(), byteCount(width, height, perPixel));
        report.layout = static_cast<std::int32_t>(*layout);
        report.outcome = static_cast<std::int32_t>(DecodeOutcome::loaded);
        return report;
    }
    // Deeper samples: the library's own float colours, then (from the file
    // again, as the colours replaced the pixels) its float grey levels.
    if (!pictureWithinLimits(width, height, 4 * sizeof(float))) {
        report.outcome = static_cast<std::int32_t>(DecodeOutcome::tooLarge);
        return report;
    }
    const std::size_t colourBytes = byteCount(width, height, 4 * sizeof(float));
    ilConvertImage(IL_RGBA, IL_FLOAT);
    unsigned char* into = nullptr;
    if (!holdsPixels(width, height, IL_RGBA, IL_FLOAT, 4 * sizeof(float)) ||
        (into = reserve(byteCount(width, height, bytesPerPixel(PixelLayout::deep)))) == nullptr) {
        return report;
    }
    std::memcpy(into, ilGetData(), colourBytes);
    if (!libraryLoads(request.path) || ilGetInteger(IL_IMAGE_WIDTH) != width ||
        ilGetInteger(IL_IMAGE_HEIGHT) != height) {
        return report;
    }
    ilConvertImage(IL_LUMINANCE, IL_FLOAT);
    if (!holdsPixels(width, height, IL_LUMINANCE, IL_FLOAT, sizeof(float))) {
        return report;
    }
    std::memcpy(into + colourBytes, ilGetData(), byteCount(width, height, sizeof(float)));
    report.layout = static_cast<std::int32_t>(PixelLayout::deep);
    report.outcome = static_cast<std::int32_t>(DecodeOutcome::loaded);
    return report;
}

std::vector<unsigned char> wholeFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    unsigned char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    std::fclose(file);
    return bytes;
}

template <typename Reserve>
Report decodeModernBmpFile(const DecodeRequest& request, Reserve&& reserve) {
    Report report;
    const std::vector<unsigned char> file = wholeFile(request.path);
    const std::optional<ModernBmp> bmp = readModernBmpHeader(file.data(), file.size());
    if (!bmp) {
        return report;
    }
    report.width = bmp->width;
    report.height = bmp->height;
    if (!pictureWithinLimits(bmp->width, bmp->height, request.keptBytesPerPixel)) {
        report.outcome = static_cast<std::int32_t>(DecodeOutcome::tooLarge);
        return report;
    }
    unsigned char* into = reserve(byteCount(bmp->width, bmp->height, bytesPerPixel(bmp->layout)));
    if (into == nullptr) {
        return report;
    }
    decodeModernBmp(file.data(), *bmp, into);
    report.layout = static_cast<std::int32_t>(bmp->layout);
    report.outcome = static_cast<std::int32_t>(DecodeOutcome::loaded);
    return report;
}

template <typename Reserve>
Report decodeInto(const DecodeRequest& request, Reserve&& reserve) {
    return request.modernBmp ? decodeModernBmpFile(request, reserve) : decodeWithLibrary(request, reserve);
}

// Pixels decoded in this process.
class OwnPixels : public PixelStore {
public:
    std::vector<unsigned char> storage;
    const unsigned char* bytes() const override { return storage.data(); }
};

// Pixels the child left in shared memory, mapped read-only.
class SharedPixels : public PixelStore {
public:
    SharedPixels(void* mapped, std::size_t length) : mapped(mapped), length(length) {}
    ~SharedPixels() override { munmap(mapped, length); }
    SharedPixels(const SharedPixels&) = delete;
    SharedPixels& operator=(const SharedPixels&) = delete;
    const unsigned char* bytes() const override { return static_cast<const unsigned char*>(mapped); }

private:
    void* mapped;
    std::size_t length;
};

// Checks a report against the limits, whoever wrote it; the pixel count
// in bytes when it describes loaded pixels.
std::optional<std::size_t> loadedBytes(const Report& report) {
    if (report.outcome != static_cast<std::int32_t>(DecodeOutcome::loaded) || !knownLayout(report.layout) ||
        report.width <= 0 || report.height <= 0 || !pictureWithinLimits(report.width, report.height, sizeof(float))) {
        return std::nullopt;
    }
    return byteCount(report.width, report.height, bytesPerPixel(static_cast<PixelLayout>(report.layout)));
}

DecodedPicture pictureOf(const Report& report, std::unique_ptr<PixelStore> pixels) {
    DecodedPicture picture;
    picture.width = report.width;
    picture.height = report.height;
    if (report.outcome == static_cast<std::int32_t>(DecodeOutcome::tooLarge)) {
        picture.outcome = DecodeOutcome::tooLarge;
        return picture;
    }
    if (!loadedBytes(report) || !pixels) {
        return {};
    }
    picture.outcome = DecodeOutcome::loaded;
    picture.layout = static_cast<PixelLayout>(report.layout);
    picture.pixels = std::move(pixels);
    return picture;
}

DecodedPicture decodeHere(const DecodeRequest& request) {
    auto pixels = std::make_unique<OwnPixels>();
    const Report report = decodeInto(request, [&](std::size_t bytes) -> unsigned char* {
        pixels->storage.resize(bytes);
        return pixels->storage.data();
    });
    return pictureOf(report, std::move(pixels));
}

bool writeAll(int fd, const unsigned char* data, std::size_t bytes) {
    while (bytes > 0) {
        const ssize_t written = write(fd, data, bytes);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        bytes -= static_cast<std::size_t>(written);
    }
    return true;
}

// Reads exactly bytes bytes; false at an early end or after the silence limit.
bool readAll(int fd, unsigned char* into, std::size_t bytes) {
    while (bytes > 0) {
        pollfd waiting{fd, POLLIN, 0};
        const int ready = poll(&waiting, 1, silenceLimitMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        const ssize_t got = read(fd, into, bytes);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        into += got;
        bytes -= static_cast<std::size_t>(got);
    }
    return true;
}

// The child's end of the pipe is closed when it exits; nothing may follow
// the report.
bool readEnd(int fd) {
    unsigned char extra = 0;
    pollfd waiting{fd, POLLIN, 0};
    int ready = 0;
    do {
        ready = poll(&waiting, 1, silenceLimitMs);
    } while (ready < 0 && errno == EINTR);
    ssize_t got = -1;
    if (ready > 0) {
        do {
            got = read(fd, &extra, 1);
        } while (got < 0 && errno == EINTR);
    }
    return got == 0;
}

[[noreturn]] void decodeForParent(int reportFd, int pixelFd, const DecodeRequest& request) {
    // The console is the parent's: a crash in the library must not add its
    // own lines there, nor leave a core file behind.
    const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nowhere >= 0) {
        dup2(nowhere, STDOUT_FILENO);
        dup2(nowhere, STDERR_FILENO);
    }
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const Report report = decodeInto(request, [&](std::size_t bytes) -> unsigned char* {
        if (ftruncate(pixelFd, static_cast<off_t>(bytes)) != 0) {
            return nullptr;
        }
        void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, pixelFd, 0);
        return mapped == MAP_FAILED ? nullptr : static_cast<unsigned char*>(mapped);
    });
    if (!writeAll(reportFd, reinterpret_cast<const unsigned char*>(&report), sizeof report)) {
        _exit(1);
    }
    // _exit, not exit: the parent's unwritten console buffers and exit
    // handlers were copied into this process and must not run twice.
    _exit(0);
}

// A child that died from a signal may have left pixels from a damaged heap.
bool endedCleanly(pid_t child, bool stillRunning) {
    if (stillRunning) {
        kill(child, SIGKILL);
    }
    int status = 0;
    pid_t waited = 0;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited < 0) {
        return !stillRunning;  // reaped elsewhere (children ignored): its closed pipe is all there is
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Maps the pixels the child left, once it has ended: the shared memory is
// checked to hold all of them.
std::unique_ptr<PixelStore> mapChildPixels(int pixelFd, std::size_t bytes) {
    struct stat held {};
    if (fstat(pixelFd, &held) != 0 || held.st_size < 0 || static_cast<std::size_t>(held.st_size) < bytes) {
        return nullptr;
    }
    void* mapped = mmap(nullptr, bytes, PROT_READ, MAP_SHARED, pixelFd, 0);
    if (mapped == MAP_FAILED) {
        return nullptr;
    }
    return std::make_unique<SharedPixels>(mapped, bytes);
}

DecodedPicture decodeInChild(const DecodeRequest& request, int pixelFd) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return decodeHere(request);
    }
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return decodeHere(request);
    }
    if (child == 0) {
        close(pipeEnds[0]);
        decodeForParent(pipeEnds[1], pixelFd, request);
    }
    close(pipeEnds[1]);
    Report report;
    const bool reported = readAll(pipeEnds[0], reinterpret_cast<unsigned char*>(&report), sizeof report) &&
                          readEnd(pipeEnds[0]);
    close(pipeEnds[0]);
    // Only a child that reported has closed its end; any other is no longer
    // needed.
    if (!endedCleanly(child, !reported) || !reported) {
        return {};
    }
    const std::optional<std::size_t> bytes = loadedBytes(report);
    return pictureOf(report, bytes ? mapChildPixels(pixelFd, *bytes) : nullptr);
}

}  // namespace

bool fitsLibraryByteCount(std::int64_t width, std::int64_t height, std::size_t bytesPerPixel) {
    // Divided rather than multiplied out: the pixel count of two 31-bit sides
    // fits 64 bits, its byte count need not.
    return width >= 0 && height >= 0 && width <= INT32_MAX && height <= INT32_MAX &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= UINT32_MAX / bytesPerPixel;
}

bool pictureWithinLimits(std::int64_t width, std::int64_t height, std::size_t bytesPerPixel) {
    return width <= ImageIO::maxPictureSide && height <= ImageIO::maxPictureSide &&
           fitsLibraryByteCount(width, height, bytesPerPixel);
}

DecodedPicture decodePicture(const DecodeRequest& request) {
    const int pixelFd = memfd_create("seep-picture", MFD_CLOEXEC);
    if (pixelFd < 0) {
        return decodeHere(request);
    }
    DecodedPicture picture = decodeInChild(request, pixelFd);
    close(pixelFd);
    return picture;
}
