#include "app/gui/DesktopDialogs.h"

#include <unistd.h>

#include <iostream>
#include <vector>

#include "app/gui/DialogProgram.h"

namespace {

// Puts the working directory back when a dialog is done with, whatever the
// dialog did; a directory that vanished meanwhile is left as it is.
class WorkingDirectoryGuard {
public:
    WorkingDirectoryGuard() {
        char buffer[4096];
        if (getcwd(buffer, sizeof buffer) != nullptr) {
            saved = buffer;
        }
    }
    ~WorkingDirectoryGuard() {
        if (!saved.empty() && chdir(saved.c_str()) != 0) {
            std::cerr << "cannot return to the working directory " << saved << std::endl;
        }
    }
    WorkingDirectoryGuard(const WorkingDirectoryGuard&) = delete;
    WorkingDirectoryGuard& operator=(const WorkingDirectoryGuard&) = delete;

private:
    std::string saved;
};

DialogOutcome runDialog(const std::vector<std::string>& arguments) {
    WorkingDirectoryGuard directory;
    DialogOutcome outcome = runDialogProgram(arguments);
    if (outcome.status == DialogOutcome::Unavailable) {
        std::cerr << "no dialog program is available (" << arguments.front()
                  << " could not be started); the dialog counts as cancelled" << std::endl;
    }
    return outcome;
}

}  // namespace

std::string DesktopDialogs::chooseFile(bool save, std::string& memory) {
    const DialogOutcome outcome = runDialog(save ? saveFileArguments(program, memory)
                                                 : openFileArguments(program, memory));
    if (outcome.status != DialogOutcome::Confirmed || outcome.answer.empty()) {
        return "";
    }
    memory = outcome.answer;
    return outcome.answer;
}

std::string DesktopDialogs::openFile() {
    return chooseFile(false, lastOpened);
}

std::string DesktopDialogs::saveFile() {
    return chooseFile(true, lastSaved);
}

std::string DesktopDialogs::saveSessionFile() {
    return chooseFile(true, lastSessionSaved);
}

bool DesktopDialogs::chooseColor(unsigned char rgb[3]) {
    const DialogOutcome outcome = runDialog(colorArguments(program, rgb));
    if (outcome.status != DialogOutcome::Confirmed) {
        return false;
    }
    const auto chosen = parseColorAnswer(outcome.answer);
    if (!chosen) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        rgb[i] = (*chosen)[i];
    }
    return true;
}
