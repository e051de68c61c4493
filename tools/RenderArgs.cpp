#include "tools/RenderArgs.h"

#include <algorithm>
#include <cctype>
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
    if (option == "--save-dir") {
        return &args.saveDir;
    }
    if (option == "--painting") {
        return &args.painting;
    }
    return nullptr;
}

// The time-lapse's limits. A frame's side goes as far as H.264's largest
// levels take pictures.
constexpr long long maxFrameSide = 8192;
constexpr long long maxFps = 240;
constexpr long long maxEvery = 1000000000;

enum class OptionRead { notThisKind, read, failed };

// A whole number from low to high, digits only.
bool readWhole(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; })) {
        return false;
    }
    value = std::stoll(text);
    return value >= low && value <= high;
}

// WIDTHxHEIGHT, each from 1 to maxFrameSide.
bool readSize(const std::string& text, int& width, int& height) {
    const std::size_t cross = text.find_first_of("xX");
    long long w = 0;
    long long h = 0;
    if (cross == std::string::npos || !readWhole(text.substr(0, cross), 1, maxFrameSide, w) ||
        !readWhole(text.substr(cross + 1), 1, maxFrameSide, h)) {
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

// Reads arguments[i] (and its value, moving i on) if it is a time-lapse option.
// firstSetting keeps the first option that only means something with a video
// or frames.
OptionRead readTimeLapseOption(const std::vector<std::string>& arguments, std::size_t& i, TimeLapseOptions& options,
                               std::string& firstSetting, std::string& error) {
    const std::string& option = arguments[i];
    if (option == "--particles") {
        options.particles = true;
        if (firstSetting.empty()) {
            firstSetting = option;
        }
        return OptionRead::read;
    }
    if (option != "--video" && option != "--frames" && option != "--fps" && option != "--every" &&
        option != "--size") {
        return OptionRead::notThisKind;
    }
    if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
        const char* what = option == "--frames" ? "a folder" : option == "--video" ? "a file name" : "a value";
        error = option + " needs " + what;
        return OptionRead::failed;
    }
    const std::string& value = arguments[++i];
    long long number = 0;
    if (option == "--video" || option == "--frames") {
        std::string& target = option == "--video" ? options.video : options.frames;
        VideoFormat format{};
        if (!target.empty()) {
            error = option + " given twice";
        } else if (option == "--video" && !videoFormatOf(value, format)) {
            error = "--video " + value + ": the name must end in .mp4 (H.264) or .webm (VP9)";
        } else {
            target = value;
        }
    } else if (option == "--fps") {
        if (readWhole(value, 1, maxFps, number)) {
            options.fps = static_cast<int>(number);
        } else {
            error = "--fps needs a whole number from 1 to " + std::to_string(maxFps) + ", not " + value;
        }
    } else if (option == "--every") {
        if (readWhole(value, 1, maxEvery, number)) {
            options.every = number;
        } else {
            error = "--every needs a whole number of steps from 1 to " + std::to_string(maxEvery) + ", not " + value;
        }
    } else if (!readSize(value, options.width, options.height)) {
        error = "--size needs WIDTHxHEIGHT, each from 1 to " + std::to_string(maxFrameSide) + ", not " + value;
    }
    if (option != "--video" && option != "--frames" && firstSetting.empty()) {
        firstSetting = option;
    }
    return error.empty() ? OptionRead::read : OptionRead::failed;
}

// What the time-lapse options say together, and with the other outputs.
bool checkTimeLapse(const RenderArgs& args, const std::string& firstSetting, std::string& error) {
    const TimeLapseOptions& options = args.timeLapse;
    if (!options.wanted()) {
        if (!firstSetting.empty()) {
            error = firstSetting + " needs --video or --frames";
        }
    } else if (!options.video.empty() && (options.width % 2 != 0 || options.height % 2 != 0)) {
        error = "--size " + std::to_string(options.width) + "x" + std::to_string(options.height) +
                ": a video's width and height must be even";
    } else if (!options.video.empty() && (options.video == args.output || options.video == args.raw)) {
        error = "--video names the same file as " + std::string(options.video == args.output ? "-o" : "--raw") +
                ": " + options.video;
    }
    return error.empty();
}

}  // namespace

bool videoFormatOf(const std::string& name, VideoFormat& format) {
    const std::size_t dot = name.rfind('.');
    const std::size_t slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1 ||
        dot == 0) {
        return false;
    }
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "mp4") {
        format = VideoFormat::h264Mp4;
        return true;
    }
    if (extension == "webm") {
        format = VideoFormat::vp9WebM;
        return true;
    }
    return false;
}

bool parseRenderArgs(const std::vector<std::string>& arguments, RenderArgs& args, std::string& error) {
    args = RenderArgs{};
    std::string firstTimeLapseSetting;
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
        } else if (argument == "--saves-anywhere") {
            args.savesAnywhere = true;
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
        } else if (const OptionRead read =
                       readTimeLapseOption(arguments, i, args.timeLapse, firstTimeLapseSetting, error);
                   read != OptionRead::notThisKind) {
            if (read == OptionRead::failed) {
                return false;
            }
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
    if (args.savesAnywhere && !args.saveDir.empty()) {
        error = "--save-dir and --saves-anywhere cannot both be given";
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
    return checkTimeLapse(args, firstTimeLapseSetting, error);
}

std::string renderUsage() {
    return "Usage: seep-render SESSION.json [-o OUT.png] [--raw OUT.raw] [--painting OUT.ora] [--stats]\n"
           "         [--save-dir DIR | --saves-anywhere]\n"
           "         [--video OUT.mp4|OUT.webm] [--frames DIR] [--fps N] [--every STEPS]\n"
           "         [--size WxH] [--particles]\n"
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
           "  --save-dir DIR   the folder the session's own saves (Image Save and\n"
           "                   Painting Save events) are written in, by default the\n"
           "                   session file's folder; a save named outside it is\n"
           "                   refused with a line and the session plays on\n"
           "  --saves-anywhere let the session's saves write where they say (for one's\n"
           "                   own sessions only)\n"
           "  --stats          after the run, print one line to stderr: steps, step\n"
           "                   time, picture load and save time, total time, peak memory\n"
           "\n"
           "A time-lapse shows the painting as it grows, each frame the picture -o\n"
           "would write at that moment, and ends on the finished painting held for a\n"
           "second:\n"
           "  --video OUT.mp4  write it as an H.264 video (.mp4) or a VP9 one (.webm)\n"
           "  --frames DIR     write its frames as DIR/frame-000001.png and on\n"
           "  --fps N          frames a second (default 30)\n"
           "  --every STEPS    a frame after every STEPS steps (default: after every\n"
           "                   idle call, and every 10th step of an Instant Result run)\n"
           "  --size WxH       the frame size; the painting is scaled to fit (default:\n"
           "                   the canvas size, shrunk to fit 1920x1080; a video's\n"
           "                   width and height are even)\n"
           "  --particles      draw the particles over the painting, as the painter does\n"
           "\n"
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
