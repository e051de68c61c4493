#pragma once

#include <string>

// A folder that files named by someone else are written inside, and nowhere
// else: a session that came from another person may name any path in its
// saves, and must not be able to replace the files of whoever plays it.
//
// A name is taken relative to the folder. It is refused when it is absolute,
// has a ".." step, or when a symbolic link on its way leads outside the
// folder; links that stay inside are followed. Names are resolved on
// descriptors, never as strings: the folders along a name are opened beneath
// the folder's own descriptor in one step (the kernel's openat2 with
// RESOLVE_BENEATH), and a write then goes on through the descriptor of the
// folder found (util/FileReplace.h). A link swapped in between the check and
// the write therefore cannot lead the write outside.
class SaveFolder {
public:
    SaveFolder() = default;
    ~SaveFolder();
    SaveFolder(const SaveFolder&) = delete;
    SaveFolder& operator=(const SaveFolder&) = delete;

    // Opens path as the folder (following links: it is the person's own
    // choice); false, with the reason, when it is not a folder.
    bool open(const std::string& path, std::string& error);
    const std::string& path() const { return folderPath; }

    // Why name must not be written inside the folder, or "" when it may. A
    // name whose folders do not exist is not refused here: writing it fails.
    std::string refusal(const std::string& name) const;

    // The folder that holds name, opened beneath this one: a descriptor the
    // caller closes, with name's last step in leaf. -1 when name is refused
    // (refused then says why) or its folder cannot be opened (refused is
    // empty and errno says why).
    int openHolder(const std::string& name, std::string& leaf, std::string& refused) const;

    // Resolves by opening one folder after another without following any
    // link, where the kernel cannot resolve beneath a folder by itself (before
    // Linux 5.6); a link among the folders is then refused even when it stays
    // inside. Set by the tests to check this way as well.
    bool walkOnly = false;

private:
    int descriptor = -1;
    std::string folderPath;
};
