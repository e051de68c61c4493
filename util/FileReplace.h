#pragma once

#include <functional>
#include <string>
#include <string_view>

// Writing a file so that a reader never sees half of it: the content goes to
// a fresh name in the target's own folder (same file system, so the final
// rename is atomic) and only a complete file is renamed over the target. A
// failed write leaves the target as it was and no temporary file behind.

// write receives the temporary path, which ends in the target's file name so
// that a writer choosing the format by extension still sees it, and returns
// whether it wrote the file. On failure error says why, unless write failed
// (a writer reports its own failures); it is empty then.
bool replaceFile(const std::string& target, const std::function<bool(const std::string&)>& write,
                 std::string& error);

// replaceFile with bytes as the content.
bool replaceFileContents(const std::string& target, std::string_view bytes, std::string& error);
