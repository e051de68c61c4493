#include "util/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include "util/SaveFolder.h"

namespace {

std::string describeErrno(const std::string& what, int number) {
    return what + ": " + std::strerror(number);
}

bool isFileName(const std::string& name) {
    return !name.empty() && name != "." && name != "..";
}

// A folder of our own beside the target, with a name nobody else can take:
// the writer gets a path with the target's own name (and extension) in it.
bool makeTemporaryFolder(int holder, std::string& name) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = ".seep-write-";
        for (int i = 0; i < 6; ++i) {
            name += letters[entropy() % (sizeof letters - 1)];
        }
        if (mkdirat(holder, name.c_str(), 0700) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

// The path of an open folder through its descriptor, which no rename or link
// elsewhere can redirect; where /proc is missing, the folder's own path.
std::string pathThrough(int folder, const std::string& fallback) {
    const std::string viaDescriptor = "/proc/self/fd/" + std::to_string(folder);
    struct stat seen {};
    struct stat held {};
    if (stat(viaDescriptor.c_str(), &seen) == 0 && fstat(folder, &held) == 0 && seen.st_dev == held.st_dev &&
        seen.st_ino == held.st_ino) {
        return viaDescriptor;
    }
    return fallback;
}

// The replacement inside the folder open as holder (shown as shownFolder).
bool replaceIn(int holder, const std::string& shownFolder, const std::string& name,
               const std::function<bool(const std::string&)>& write, std::string& error) {
    std::string temporaryName;
    if (!makeTemporaryFolder(holder, temporaryName)) {
        error = describeErrno("cannot create a temporary folder in " + shownFolder, errno);
        return false;
    }
    const int temporary = openat(holder, temporaryName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (temporary < 0) {
        error = describeErrno("cannot create a temporary folder in " + shownFolder, errno);
        unlinkat(holder, temporaryName.c_str(), AT_REMOVEDIR);
        return false;
    }
    const std::string folderPath = pathThrough(temporary, shownFolder + "/" + temporaryName);
    bool written = write(folderPath + "/" + name);
    if (written && renameat(temporary, name.c_str(), holder, name.c_str()) != 0) {
        error = describeErrno("cannot replace the file", errno);
        written = false;
    }
    unlinkat(temporary, name.c_str(), 0);
    close(temporary);
    unlinkat(holder, temporaryName.c_str(), AT_REMOVEDIR);
    return written;
}

}  // namespace

bool replaceFile(const std::string& target, const std::function<bool(const std::string&)>& write,
                 std::string& error, const SaveFolder* inside) {
    error.clear();
    const std::size_t slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    if (!isFileName(name)) {
        error = "not a file name";
        return false;
    }
    int holder = -1;
    if (inside == nullptr) {
        holder = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    } else {
        std::string leaf;
        holder = inside->openHolder(target, leaf, error);
        if (!error.empty()) {
            return false;
        }
        folder = inside->path() + (slash == std::string::npos ? "" : "/" + folder);
    }
    if (holder < 0) {
        error = describeErrno("cannot create a temporary folder in " + folder, errno);
        return false;
    }
    const bool replaced = replaceIn(holder, folder, name, write, error);
    close(holder);
    return replaced;
}

FileReplacement::~FileReplacement() {
    discard();
}

bool FileReplacement::begin(const std::string& target, std::string& error) {
    discard();
    error.clear();
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (!isFileName(name)) {
        error = "not a file name";
        return false;
    }
    // A private folder rather than a temporary file beside the target: the
    // writer gets a name nobody else can take, with the target's extension.
    std::string pattern = folder + "/.seep-write-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        error = describeErrno("cannot create a temporary folder in " + folder, errno);
        return false;
    }
    targetPath = target;
    temporaryFolder = buffer.data();
    temporaryPath = temporaryFolder + "/" + name;
    return true;
}

bool FileReplacement::commit(std::string& error) {
    error.clear();
    if (temporaryPath.empty()) {
        error = "no file was begun";
        return false;
    }
    const bool renamed = std::rename(temporaryPath.c_str(), targetPath.c_str()) == 0;
    if (!renamed) {
        error = describeErrno("cannot replace the file", errno);
    }
    discard();
    return renamed;
}

void FileReplacement::discard() {
    if (!temporaryFolder.empty()) {
        std::remove(temporaryPath.c_str());
        rmdir(temporaryFolder.c_str());
    }
    targetPath.clear();
    temporaryFolder.clear();
    temporaryPath.clear();
}

bool replaceFileContents(const std::string& target, std::string_view bytes, std::string& error) {
    std::string reason;
    const bool replaced = replaceFile(
        target,
        [&](const std::string& path) {
            std::FILE* file = std::fopen(path.c_str(), "wb");
            if (file == nullptr) {
                reason = describeErrno("cannot create the file", errno);
                return false;
            }
            bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0 &&
                      fsync(fileno(file)) == 0;
            const int writeErrno = errno;
            ok = std::fclose(file) == 0 && ok;
            if (!ok) {
                reason = describeErrno("cannot write the file", writeErrno);
            }
            return ok;
        },
        error);
    if (!replaced && error.empty()) {
        error = reason;
    }
    return replaced;
}
