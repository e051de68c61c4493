#include "util/RegularFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int openRegularFile(const std::string& path, std::string* failure) {
    // O_NONBLOCK: a pipe without a writer opens at once instead of waiting
    // for one. O_NOCTTY: a terminal named here must not become ours.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        if (failure != nullptr) {
            *failure = std::strerror(errno);
        }
        return -1;
    }
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (failure != nullptr) {
            *failure = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        }
        close(descriptor);
        return -1;
    }
    // Reads of a regular file never wait anyway; the flag goes so that the
    // descriptor behaves like any other in the reader's hands.
    const int flags = fcntl(descriptor, F_GETFL);
    if (flags >= 0) {
        fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    }
    return descriptor;
}

bool isRegularFile(const std::string& path) {
    const int descriptor = openRegularFile(path);
    if (descriptor < 0) {
        return false;
    }
    close(descriptor);
    return true;
}
