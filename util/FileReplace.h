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

// replaceFile with bytes as the content.
bool replaceFileContents(const std::string& target, std::string_view bytes, std::string& error);
