#include "util/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

namespace {

std::string describeErrno(const std::string& what, int number) {
    return what + ": " + std::strerror(number);
}

}  // namespace

FileReplacement::~FileReplacement() {
    discard();
}

bool FileReplacement::begin(const std::string& target, std::string& error) {
    discard();
    error.clear();
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
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

bool replaceFile(const std::string& target, const std::function<bool(const std::string&)>& write,
                 std::string& error) {
    FileReplacement replacement;
    if (!replacement.begin(target, error)) {
        return false;
    }
    return write(replacement.temporary()) && replacement.commit(error);
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
