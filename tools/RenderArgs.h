#pragma once

#include <string>
#include <vector>

#include "tools/TimeLapseOptions.h"

// What seep-render was asked to do.
struct RenderArgs {
    std::string session;   // the session file to play
    std::string output;    // -o: the result picture, "" for none
    std::string raw;       // --raw: the deposition grid as float32, "" for none
    std::string saveDir;   // --save-dir: where the session's own saves go, "" for its folder
    bool savesAnywhere = false;  // --saves-anywhere: the session's saves go where it says
    std::string painting;  // --painting: the painting file after playing, "" for none
    bool stats = false;    // --stats: one line of counts and timings on stderr
    bool help = false;     // --help: print the usage and do nothing else
    TimeLapseOptions timeLapse;  // --video, --frames and their settings
};

// Reads the arguments after the program name. On failure returns false with
// one line in error saying what is wrong.
bool parseRenderArgs(const std::vector<std::string>& arguments, RenderArgs& args, std::string& error);

// The --help text.
std::string renderUsage();
