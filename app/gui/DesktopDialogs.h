#pragma once

#include <string>

// The painter's file and colour dialogs, run as the desktop's dialog
// program. Each is modal: the caller waits, and nothing else of the painter
// runs meanwhile. Each restores afterwards the working directory, on which
// the relative names of the button pictures depend (the caller restores its
// current window). Without a dialog program a dialog says so on the console
// and counts as cancelled.
class DesktopDialogs {
public:
    // The chosen path, or "" when cancelled. Each dialog opens on the name
    // it returned the last time; the three keep their own memories.
    std::string openFile();
    std::string saveFile();
    std::string saveSessionFile();

    // rgb holds the colour the dialog starts on; it is replaced, and the
    // result is true, only when the user confirms a colour.
    bool chooseColor(unsigned char rgb[3]);

    // The dialog program; tests point it elsewhere.
    std::string program = "zenity";

private:
    std::string chooseFile(bool save, std::string& memory);

    std::string lastOpened;
    std::string lastSaved;
    std::string lastSessionSaved;
};
