#pragma once

#include <cstddef>
#include <functional>
#include <string>

class SaveFolder;

// Where the files that the save commands name are written. The desktop
// leaves it empty: a name its dialog returned is written where it says. A
// played session names its files in its events, and may come from someone
// else; the player confines those saves to one folder.
struct SaveConfinement {
    // Null: names are written where they say.
    const SaveFolder* folder = nullptr;
    // The event being played (its index in the session's events), named by
    // the line that refuses a save.
    std::size_t event = 0;
};

// The one way a command writes a file the save dialog named. Without a
// folder it calls write(nullptr). With one, a name that leads outside it is
// refused with one line on the standard error stream naming the event, the
// command and the name, for example
//   events[12]: Image Save refused: ../x.png: ".." leads outside the save folder
// and nothing is written; any other name goes to write(folder), which is to
// write it only inside that folder (ImageIO::save and replaceFile take it).
// Returns what write returned, or false when the name was refused.
bool saveChosenFile(const SaveConfinement& saves, const char* command, const std::string& name,
                    const std::function<bool(const SaveFolder*)>& write);
