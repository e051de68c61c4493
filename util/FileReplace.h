#pragma once

#include <functional>
#include <string>
#include <string_view>

class SaveFolder;

// Writing a file so that a reader never sees half of it: the content goes to
// a fresh name in the target's own folder (same file system, so the final
// rename is atomic) and only a complete file is renamed over the target. A
// failed write leaves the target as it was and no temporary file behind.

// write receives the temporary path, which ends in the target's file name so
// that a writer choosing the format by extension still sees it, and returns
// whether it wrote the file. On failure error says why, unless write failed
// (a writer reports its own failures); it is empty then.
//
// With inside, target is a name within that folder and is written only there
// (util/SaveFolder.h); a name it refuses fails with the refusal as the error.
// Once the target's folder is open, every step goes through descriptors: the
// temporary folder is made and opened relative to it, the writer's path
// reaches the temporary folder through its descriptor (/proc/self/fd), and
// the rename is made between the two descriptors.
bool replaceFile(const std::string& target, const std::function<bool(const std::string&)>& write,
                 std::string& error, const SaveFolder* inside = nullptr);

// The same, for a file written over a long time (a video, frame by frame,
// while a painting plays): begin gives the temporary name, commit renames the
// finished file over the target. Destroyed without a commit, it removes the
// temporary file, so an abandoned write leaves nothing behind.
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // False, with error saying why, when no temporary name can be made.
    bool begin(const std::string& target, std::string& error);
    // Where to write: in the target's folder, ending in the target's name.
    const std::string& temporary() const { return temporaryPath; }
    bool commit(std::string& error);

private:
    void discard();

    std::string targetPath;
    std::string temporaryFolder;
    std::string temporaryPath;
};

// replaceFile with bytes as the content.
bool replaceFileContents(const std::string& target, std::string_view bytes, std::string& error);
