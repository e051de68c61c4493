#include "tools/RenderArgs.h"

#include <iterator>
#include <utility>

namespace {

// The options that take a file name, and where the name goes.
std::string* fileOption(const std::string& option, RenderArgs& args) {
    if (option == "-o" || option == "--output") {
        return &args.output;
    }
    if (option == "--raw") {
        return &args.raw;
    }
    if (option == "--painting") {
        return &args.painting;
    }
    return nullptr;
}

}  // namespace

bool parseRenderArgs(const std::vector<std::string>& arguments, RenderArgs& args, std::string& error) {
    args = RenderArgs{};
    bool optionsEnded = false;
    bool haveSession = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
        if (!isOption) {
            if (haveSession) {
                error = "more than one session file: " + args.session + " and " + argument;
                return false;
            }
            args.session = argument;
            haveSession = true;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            args.help = true;
        } else if (argument == "--stats") {
            args.stats = true;
        } else if (std::string* target = fileOption(argument, args)) {
            if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
                error = argument + " needs a file name";
                return false;
            }
            if (!target->empty()) {
                error = argument + " given twice";
                return false;
            }
            *target = arguments[++i];
        } else {
            error = "unknown option " + argument;
            return false;
        }
    }
    if (args.help) {
        return true;
    }
    if (!haveSession || args.session.empty()) {
        error = "no session file given";
        return false;
    }
    const std::pair<const char*, const std::string*> outputs[] = {
        {"-o", &args.output}, {"--raw", &args.raw}, {"--painting", &args.painting}};
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
        for (std::size_t j = i + 1; j < std::size(outputs); ++j) {
            if (!outputs[i].second->empty() && *outputs[i].second == *outputs[j].second) {
                error = std::string(outputs[i].first) + " and " + outputs[j].first + " name the same file: " +
                        *outputs[i].second;
                return false;
            }
        }
    }
    return true;
}

std::string renderUsage() {
    return "Usage: seep-render SESSION.json [-o OUT.png] [--raw OUT.raw] [--painting OUT.ora] [--stats]\n"
           "\n"
           "Plays a recorded painting session without a window, exactly as the painter\n"
           "would have played it, and writes the result.\n"
           "\n"
           "  SESSION.json     the session file: the canvas, the seed and every panel\n"
           "                   change, button, mouse stroke and idle frame, in order\n"
           "  -o, --output OUT.png\n"
           "                   write the result as Image Save composes it (deposition\n"
           "                   over the canvas); the extension chooses the format\n"
           "  --raw OUT.raw    write the deposition grid: width x height x 4\n"
           "                   little-endian float32 (r, g, b, coverage), row 0 first\n"
           "  --painting OUT.ora\n"
           "                   write the painting file (OpenRaster), which Painting Open\n"
           "                   or a session's \"painting\" key continues exactly\n"
           "  --stats          after the run, print one line to stderr: steps, step\n"
           "                   time, picture load and save time, total time, peak memory\n"
           "  -h, --help       print this text\n"
           "\n"
           "While stderr is a terminal a progress line shows events played, steps and\n"
           "Instant Result progress; it is erased when the run ends.\n"
           "\n"
           "A session that does not parse, or holds a wrong value, is refused with one\n"
           "line naming the JSON path (exit status 2); nothing is simulated or written.\n"
           "The file format is described in README.md, section \"Session files\";\n"
           "examples are in images/examples/.\n";
}
