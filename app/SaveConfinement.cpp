#include "app/SaveConfinement.h"

#include <cstdio>

#include "app/StrictJson.h"
#include "util/SaveFolder.h"

namespace {

// The name as the session gave it, without the control characters a
// terminal would act on.
std::string printable(const std::string& name) {
    std::string shown = name;
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            c = '?';
        }
    }
    return shown;
}

}  // namespace

bool saveChosenFile(const SaveConfinement& saves, const char* command, const std::string& name,
                    const std::function<bool(const SaveFolder*)>& write) {
    if (saves.folder == nullptr) {
        return write(nullptr);
    }
    const std::string refused = saves.folder->refusal(name);
    if (!refused.empty()) {
        std::fprintf(stderr, "%s: %s refused: %s: %s\n", jsonPathIndex("events", saves.event).c_str(), command,
                     printable(name).c_str(), refused.c_str());
        std::fflush(stderr);
        return false;
    }
    return write(saves.folder);
}
