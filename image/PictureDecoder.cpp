#include "image/PictureDecoder.h"

#include <IL/il.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/ImageIO.h"
#include "image/LibraryImage.h"
#include "util/RegularFile.h"

namespace {

// How long the parent waits for the next bytes from the decoding child. A
// picture at the size limit decodes in a few seconds; a child silent for this
// long is stuck in the library.
constexpr int silenceLimitMs = 60000;

// What the child sends ahead of the pixels.
struct Report {
    std::int32_t outcome = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

ILenum libraryFormat(int channels) {
    return channels == 1 ? IL_LUMINANCE : channels == 3 ? IL_RGB : IL_RGBA;
}

std::size_t byteCount(std::int64_t width, std::int64_t height, std::size_t bytesPerPixel) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel;
}

// After the conversion the bound image must hold exactly the pixels asked
// for; otherwise copying width × height of them would read past the
// library's buffer.
bool holdsConvertedPixels(ILint width, ILint height, ILenum format, std::size_t bytesPerPixel) {
    return ilGetInteger(IL_IMAGE_FORMAT) == static_cast<ILint>(format) &&
           ilGetInteger(IL_IMAGE_TYPE) == IL_FLOAT &&
           ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL) == static_cast<ILint>(bytesPerPixel) &&
           ilGetInteger(IL_IMAGE_WIDTH) == width && ilGetInteger(IL_IMAGE_HEIGHT) == height &&
           static_cast<std::uint32_t>(ilGetInteger(IL_IMAGE_SIZE_OF_DATA)) >= byteCount(width, height, bytesPerPixel) &&
           ilGetData() != nullptr;
}

// Loads path into a library image of its own and hands the outcome to
// deliver(outcome, width, height, pixels), the pixels being the library's
// buffer (valid during the call only) or null.
template <typename Deliver>
void decodeWithLibrary(const std::string& path, int channels, Deliver&& deliver) {
    const std::size_t bytesPerPixel = static_cast<std::size_t>(channels) * sizeof(float);
    const ILenum format = libraryFormat(channels);
    LibraryImage bound;
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_LOWER_LEFT);  // row 0 of the loaded pixels is the bottom row
    // The library opens the file by name and would wait on a pipe put there
    // since the load looked at it.
    if (!isRegularFile(path) || ilLoadImage(path.c_str()) != IL_TRUE) {
        deliver(DecodeOutcome::unreadable, 0, 0, nullptr);
        return;
    }
    const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
    const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
    if (!pictureWithinLimits(width, height, bytesPerPixel)) {
        deliver(DecodeOutcome::tooLarge, width, height, nullptr);
        return;
    }
    // The library crashes converting a palette picture straight to grey
    // floats; going through 8-bit RGBA first is safe for every target.
    if (ilGetInteger(IL_IMAGE_FORMAT) == IL_COLOUR_INDEX) {
        ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE);
    }
    ilConvertImage(format, IL_FLOAT);
    if (!holdsConvertedPixels(width, height, format, bytesPerPixel)) {
        deliver(DecodeOutcome::unreadable, 0, 0, nullptr);
        return;
    }
    deliver(DecodeOutcome::loaded, width, height, ilGetData());
}

DecodedPicture decodeHere(const std::string& path, int channels) {
    DecodedPicture picture;
    decodeWithLibrary(path, channels, [&](DecodeOutcome outcome, ILint width, ILint height, const void* pixels) {
        picture.outcome = outcome;
        picture.width = width;
        picture.height = height;
        if (pixels != nullptr) {
            const std::size_t bytes = byteCount(width, height, channels * sizeof(float));
            picture.pixels.reset(new unsigned char[bytes]);
            std::memcpy(picture.pixels.get(), pixels, bytes);
        }
    });
    return picture;
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

// The child's end of the pipe is closed when it exits; nothing may follow the
// pixels.
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

[[noreturn]] void decodeForParent(int fd, const std::string& path, int channels) {
    // The console is the parent's: a crash in the library must not add its
    // own lines there, nor leave a core file behind.
    const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nowhere >= 0) {
        dup2(nowhere, STDOUT_FILENO);
        dup2(nowhere, STDERR_FILENO);
    }
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    decodeWithLibrary(path, channels, [&](DecodeOutcome outcome, ILint width, ILint height, const void* pixels) {
        const Report report{static_cast<std::int32_t>(outcome), width, height};
        if (!writeAll(fd, reinterpret_cast<const unsigned char*>(&report), sizeof report)) {
            _exit(1);
        }
        if (pixels != nullptr &&
            !writeAll(fd, static_cast<const unsigned char*>(pixels), byteCount(width, height, channels * sizeof(float)))) {
            _exit(1);
        }
    });
    // _exit, not exit: the parent's unwritten console buffers and exit
    // handlers were copied into this process and must not run twice.
    _exit(0);
}

DecodedPicture receive(int fd, int channels) {
    Report report;
    if (!readAll(fd, reinterpret_cast<unsigned char*>(&report), sizeof report)) {
        return {};
    }
    DecodedPicture picture;
    picture.width = report.width;
    picture.height = report.height;
    const std::size_t bytesPerPixel = static_cast<std::size_t>(channels) * sizeof(float);
    if (report.outcome == static_cast<std::int32_t>(DecodeOutcome::tooLarge)) {
        picture.outcome = DecodeOutcome::tooLarge;
        return picture;
    }
    if (report.outcome != static_cast<std::int32_t>(DecodeOutcome::loaded) || report.width < 0 ||
        report.height < 0 || !pictureWithinLimits(report.width, report.height, bytesPerPixel)) {
        return {};
    }
    const std::size_t bytes = byteCount(report.width, report.height, bytesPerPixel);
    picture.pixels.reset(new unsigned char[bytes]);
    if (!readAll(fd, picture.pixels.get(), bytes) || !readEnd(fd)) {
        return {};
    }
    picture.outcome = DecodeOutcome::loaded;
    return picture;
}

// A child that died from a signal may have sent pixels from a damaged heap.
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

DecodedPicture decodePicture(const std::string& path, int channels) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return decodeHere(path, channels);
    }
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return decodeHere(path, channels);
    }
    if (child == 0) {
        close(pipeEnds[0]);
        decodeForParent(pipeEnds[1], path, channels);
    }
    close(pipeEnds[1]);
    DecodedPicture picture = receive(pipeEnds[0], channels);
    close(pipeEnds[0]);
    // Only a child whose pixels arrived whole has closed its end; any other
    // is no longer needed.
    const bool sentEverything = picture.outcome == DecodeOutcome::loaded;
    if (!endedCleanly(child, !sentEverything) && sentEverything) {
        return {};
    }
    return picture;
}
