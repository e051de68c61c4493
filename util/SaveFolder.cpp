#include "util/SaveFolder.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const char* const absoluteName = "an absolute name leads outside the save folder";
const char* const climbingName = "\"..\" leads outside the save folder";
const char* const linkOutside = "a symbolic link leads outside the save folder";
const char* const linkNotFollowed = "a symbolic link on its way (links are not followed on this system)";

std::vector<std::string> steps(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > start) {
            parts.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

// The kernel resolves path beneath folder in one step: a link or a ".." that
// would leave the folder fails with EXDEV. -1 with ENOSYS where the kernel
// (or a sandbox's filter, which says EPERM) does not offer it.
int openBeneathByKernel(int folder, const std::string& path, int flags) {
    open_how how{};
    how.flags = static_cast<unsigned long long>(flags) | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const long opened = syscall(SYS_openat2, folder, path.empty() ? "." : path.c_str(), &how, sizeof how);
        if (opened >= 0) {
            return static_cast<int>(opened);
        }
        // EAGAIN: a rename elsewhere raced the resolution; it is safe to retry.
        if (errno != EAGAIN) {
            break;
        }
    }
    if (errno == EPERM) {
        errno = ENOSYS;
    }
    return -1;
}

// One folder after another, each opened without following a link: any link
// among them fails with ELOOP.
int openBeneathByWalking(int folder, const std::string& path) {
    int current = fcntl(folder, F_DUPFD_CLOEXEC, 0);
    for (const std::string& step : steps(path)) {
        if (current < 0 || step == ".") {
            continue;
        }
        const int next = openat(current, step.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat info {};
        const int openErrno = errno;
        const bool isLink = next < 0 && fstatat(current, step.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                            S_ISLNK(info.st_mode);
        close(current);
        current = next;
        errno = isLink ? ELOOP : openErrno;
    }
    return current;
}

}  // namespace

SaveFolder::~SaveFolder() {
    if (descriptor >= 0) {
        close(descriptor);
    }
}

bool SaveFolder::open(const std::string& path, std::string& error) {
    // O_PATH: only search permission is needed, as for writing inside it.
    const int opened = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (opened < 0) {
        error = std::strerror(errno);
        return false;
    }
    if (descriptor >= 0) {
        close(descriptor);
    }
    descriptor = opened;
    folderPath = path;
    return true;
}

int SaveFolder::openHolder(const std::string& name, std::string& leaf, std::string& refused) const {
    refused.clear();
    if (!name.empty() && name.front() == '/') {
        refused = absoluteName;
        return -1;
    }
    for (const std::string& step : steps(name)) {
        if (step == "..") {
            refused = climbingName;
            return -1;
        }
    }
    const std::size_t slash = name.rfind('/');
    leaf = slash == std::string::npos ? name : name.substr(slash + 1);
    const std::string folders = slash == std::string::npos ? "" : name.substr(0, slash);
    int holder = walkOnly ? -1 : openBeneathByKernel(descriptor, folders, O_PATH | O_DIRECTORY);
    if (walkOnly || (holder < 0 && errno == ENOSYS)) {
        holder = openBeneathByWalking(descriptor, folders);
    }
    if (holder < 0 && (errno == EXDEV || errno == ELOOP)) {
        refused = errno == EXDEV ? linkOutside : linkNotFollowed;
    }
    return holder;
}

std::string SaveFolder::refusal(const std::string& name) const {
    std::string leaf;
    std::string refused;
    const int holder = openHolder(name, leaf, refused);
    if (holder < 0) {
        return refused;
    }
    // The file itself may be a link. Writing replaces a link rather than
    // writing through it, but one that leads outside is refused all the same.
    struct stat info {};
    if (!leaf.empty() && fstatat(holder, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode)) {
        if (walkOnly) {
            refused = linkNotFollowed;
        } else {
            const int target = openBeneathByKernel(descriptor, name, O_PATH);
            if (target >= 0) {
                close(target);
            } else if (errno == EXDEV) {
                refused = linkOutside;
            } else if (errno == ENOSYS) {
                refused = linkNotFollowed;
            }
        }
    }
    close(holder);
    return refused;
}
