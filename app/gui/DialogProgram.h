#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

// How a run of the desktop's dialog program ended.
struct DialogOutcome {
    enum Status {
        Confirmed,   // exit status 0: the answer is on its standard output
        Cancelled,   // any other exit: the user cancelled or closed it
        Unavailable  // the program is not installed or could not be started
    };
    Status status = Unavailable;
    // The standard output without its final line break.
    std::string answer;
};

// Runs a dialog program and waits for it. arguments[0] is the program (a
// path, or a name looked up in PATH); every argument reaches it exactly as
// given, through exec and never through a shell, so file names need no
// quoting. Its standard error is discarded: the desktop's dialog programs
// chatter there about unrelated services.
DialogOutcome runDialogProgram(const std::vector<std::string>& arguments);

// The arguments that ask the dialog program for a file to open, a file to
// save (new names allowed, confirmation before replacing a file) and a
// colour. previous is the name chosen last time, shown again; "" for none.
std::vector<std::string> openFileArguments(const std::string& program,
                                           const std::string& previous);
std::vector<std::string> saveFileArguments(const std::string& program,
                                           const std::string& previous);
std::vector<std::string> colorArguments(const std::string& program, const unsigned char rgb[3]);

// The colour a colour dialog printed: "rgb(R,G,B)", "rgba(R,G,B,A)" or
// "#RRGGBB", components 0 to 255. Nothing for anything else.
std::optional<std::array<unsigned char, 3>> parseColorAnswer(const std::string& text);
