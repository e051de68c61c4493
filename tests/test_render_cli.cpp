#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/SessionFile.h"
#include "app/SessionPlayer.h"
#include "image/ImageIO.h"
#include "util/SaveFolder.h"
#include "app/painting/PaintingArchive.h"

// Runs the real seep-render as a person would, from the source folder so that
// the painter's pictures are found, with its output captured in files.

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// A fresh folder for one test's files.
std::string scratchFolder(const std::string& name) {
    const std::string folder = ::testing::TempDir() + "seep_render_cli_" + name;
    EXPECT_EQ(std::system(("rm -rf '" + folder + "' && mkdir -p '" + folder + "'").c_str()), 0);
    return folder;
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// addressLimit, when not 0, is the address space the run may use (ulimit -v).
Outcome render(const std::vector<std::string>& arguments, rlim_t addressLimit = 0) {
    // Named by process and call: ctest runs the tests of this file side by side.
    static int calls = 0;
    const std::string prefix =
        ::testing::TempDir() + "seep_render_cli_" + std::to_string(getpid()) + "_" + std::to_string(++calls);
    const std::string outPath = prefix + ".stdout";
    const std::string errPath = prefix + ".stderr";
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(SEEP_RENDER_PATH));
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(SEEP_SOURCE_DIR) != 0) {
            _exit(127);
        }
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        const rlimit limit{addressLimit, addressLimit};
        if (addressLimit != 0 && setrlimit(RLIMIT_AS, &limit) != 0) {
            _exit(127);
        }
        // A guard against a hang, far beyond any run here: the alarm outlives
        // exec and ends the program.
        alarm(120);
        execv(SEEP_RENDER_PATH, argv.data());
        _exit(127);
    }
    Outcome run;
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return run;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        result.push_back(line);
    }
    return result;
}

const std::vector<std::string> examples = {"path-instant.json", "brush-idle.json", "area-guide-lines.json"};

std::string example(const std::string& name) {
    return std::string(SEEP_SOURCE_DIR) + "/images/examples/" + name;
}

// The standard output of a shell command.
std::string commandOutput(const std::string& command) {
    std::string text;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            text.append(buffer, n);
        }
        pclose(pipe);
    }
    return text;
}

bool haveFfmpeg() {
    return std::system("command -v ffprobe >/dev/null 2>&1 && command -v ffmpeg >/dev/null 2>&1") == 0;
}

// What ffprobe says of a video's stream and length, as "key=value" lines.
std::string probe(const std::string& video) {
    return commandOutput("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                         "stream=codec_name,width,height,nb_read_frames:format=duration -of default=nw=1 '" +
                         video + "'");
}

std::string probed(const std::string& facts, const std::string& key) {
    for (const std::string& line : lines(facts)) {
        if (line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return "";
}

// Peak signal-to-noise ratio of two pictures' colours, in decibels.
double psnr(const ImageRect<vec4>& a, const ImageRect<vec4>& b) {
    double squares = 0.0;
    const std::size_t pixels = static_cast<std::size_t>(a.width) * a.height;
    for (std::size_t k = 0; k < pixels; ++k) {
        for (const float vec4::*channel : {&vec4::x, &vec4::y, &vec4::z}) {
            const double difference = 255.0 * (a.pixels[k].*channel - b.pixels[k].*channel);
            squares += difference * difference;
        }
    }
    return squares == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / (squares / (3.0 * pixels)));
}

}  // namespace

TEST(RenderCli, EveryExamplePlayedTwiceGivesIdenticalRawBytesAndVisiblePaint) {
    const std::string folder = scratchFolder("examples");
    for (const std::string& name : examples) {
        const std::string first = folder + "/" + name + ".1.raw";
        const std::string second = folder + "/" + name + ".2.raw";
        const std::string picture = folder + "/" + name + ".png";
        const Outcome a = render({example(name), "--raw", first, "-o", picture});
        // A time-lapse made on the way changes nothing of the painting.
        const Outcome b =
            render({example(name), "--raw", second, "--video", folder + "/" + name + ".mp4", "--particles"});
        ASSERT_EQ(a.status, 0) << name << "\n" << a.err;
        ASSERT_EQ(b.status, 0) << name << "\n" << b.err;
        const std::string bytes = readFile(first);
        // 4 float32 per cell of the 512 × 512 start canvas.
        ASSERT_EQ(bytes.size(), 512u * 512u * 4u * 4u) << name;
        EXPECT_TRUE(bytes == readFile(second)) << name << " played differently the second time";
        EXPECT_TRUE(exists(picture)) << name;

        // Little-endian float32: coverage (the fourth value) somewhere above 0.
        int paintedCells = 0;
        for (std::size_t cell = 0; cell + 16 <= bytes.size(); cell += 16) {
            std::uint32_t bits = 0;
            for (int i = 3; i >= 0; --i) {
                bits = bits << 8 | static_cast<unsigned char>(bytes[cell + 12 + i]);
            }
            float coverage = 0.0f;
            std::memcpy(&coverage, &bits, sizeof coverage);
            paintedCells += coverage > 0.05f;
        }
        EXPECT_GT(paintedCells, 500) << name << " leaves hardly any paint";
    }
}

TEST(RenderCli, ABadSessionIsOneLineAndExitTwoWithNothingWritten) {
    const std::string folder = scratchFolder("bad");
    const std::string session = folder + "/bad.json";
    writeFile(session, R"({"version": 1, "events": [{"do": "idle"}, {"do": "motion", "x": "left", "y": 3}]})");
    const Outcome bad = render({session, "-o", folder + "/out.png", "--raw", folder + "/out.raw", "--stats"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "seep-render: " + session + ": events[1].x: expected a number, not a string\n");
    // Nothing simulated: not even the start-up's messages.
    EXPECT_EQ(bad.out, "");
    EXPECT_FALSE(exists(folder + "/out.png"));
    EXPECT_FALSE(exists(folder + "/out.raw"));

    const Outcome missing = render({folder + "/missing.json", "-o", folder + "/out.png"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "seep-render: " + folder + "/missing.json: cannot be read: No such file or directory\n");
    EXPECT_FALSE(exists(folder + "/out.png"));

    const Outcome folderAsSession = render({folder, "--raw", folder + "/out.raw"});
    EXPECT_EQ(folderAsSession.status, 2);
    EXPECT_EQ(lines(folderAsSession.err).size(), 1u) << folderAsSession.err;
    EXPECT_FALSE(exists(folder + "/out.raw"));

    const Outcome noFolder = render({example("path-instant.json"), "-o", folder + "/nowhere/out.png"});
    EXPECT_EQ(noFolder.status, 2);
    EXPECT_EQ(noFolder.out, "");

    // A time-lapse that cannot be written is refused before anything runs.
    for (const auto& timeLapse : {std::vector<std::string>{"--video", folder + "/nowhere/out.mp4"},
                                  std::vector<std::string>{"--frames", session}}) {
        std::vector<std::string> arguments{example("path-instant.json"), "-o", folder + "/out.png"};
        arguments.insert(arguments.end(), timeLapse.begin(), timeLapse.end());
        const Outcome refused = render(arguments);
        EXPECT_EQ(refused.status, 2);
        EXPECT_EQ(lines(refused.err).size(), 1u) << refused.err;
        EXPECT_EQ(refused.out, "");
        EXPECT_FALSE(exists(folder + "/out.png"));
    }

    const Outcome badOption = render({example("path-instant.json"), "--movie"});
    EXPECT_EQ(badOption.status, 2);
    EXPECT_NE(badOption.err.find("unknown option --movie"), std::string::npos);
}

TEST(RenderCli, HelpExplainsTheUsageAndWhereTheFormatIs) {
    const Outcome help = render({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: seep-render SESSION.json [-o OUT.png] [--raw OUT.raw] [--painting OUT.ora] [--stats]\n", 0), 0u);
    EXPECT_NE(help.out.find("README.md, section \"Session files\""), std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST(RenderCli, StatsIsOneLineWhoseFieldsAddUpAndCountEveryStep) {
    const std::string folder = scratchFolder("stats");
    const std::string session = folder + "/stats.json";
    writeFile(session, R"({"version": 1, "events": [
        {"do": "set", "control": "absorptivity", "value": 0.1},
        {"do": "idle", "count": 25},
        {"do": "mouse", "button": "left", "state": "down", "x": 100, "y": 200},
        {"do": "motion", "x": 300, "y": 220},
        {"do": "mouse", "button": "left", "state": "up", "x": 300, "y": 220},
        {"do": "set", "control": "instantResult", "value": 1},
        {"do": "button", "name": "Start"},
        {"do": "button", "name": "Image Save", "file": "saved.png"}]})");

    const Outcome run = render({session, "--stats", "--raw", folder + "/out.raw"});
    ASSERT_EQ(run.status, 0) << run.err;
    // Without a terminal there is no progress line: not a single carriage return.
    EXPECT_EQ(run.err.find('\r'), std::string::npos);
    const std::vector<std::string> errLines = lines(run.err);
    int statsLines = 0;
    for (const std::string& line : errLines) {
        statsLines += line.rfind("seep-render: steps=", 0) == 0;
    }
    ASSERT_EQ(statsLines, 1) << run.err;
    ASSERT_EQ(errLines.back().rfind("seep-render: steps=", 0), 0u);

    long long steps = -1;
    double step = -1, load = -1, save = -1, total = -1, memory = -1;
    char end = 0;
    ASSERT_EQ(std::sscanf(errLines.back().c_str(),
                          "seep-render: steps=%lld step_seconds=%lf load_seconds=%lf save_seconds=%lf "
                          "total_seconds=%lf peak_memory_mb=%lf%c",
                          &steps, &step, &load, &save, &total, &memory, &end),
              6)
        << errLines.back();
    EXPECT_GE(step, 0.0);
    EXPECT_GT(load, 0.0);
    EXPECT_GT(save, 0.0);  // the Image Save and the raw file
    // Steps, loads and saves happen at different times of the run.
    EXPECT_LE(step + load + save, total);
    EXPECT_GT(memory, 1.0);
    EXPECT_TRUE(exists(folder + "/saved.png"));

    // The same session played here, counting the steps through the hook.
    Session parsed;
    std::string error;
    ASSERT_TRUE(loadSession(session, parsed, error)) << error;
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(SEEP_SOURCE_DIR), 0);
    long long counted = 0;
    {
        SaveFolder saves;
        ASSERT_TRUE(saves.open(folder, error)) << error;
        HeadlessPainter painter;
        painter.shell.saves.folder = &saves;
        painter.shell.afterStep = [&](const Shell&) { ++counted; };
        SessionPlayer player(painter, parsed);
        player.playAll();
    }
    ASSERT_EQ(chdir(here), 0);
    EXPECT_GT(counted, 25);
    EXPECT_EQ(steps, counted);
}

// A canvas the simulation's grids would not fit beside, in the address space
// the run may use, is refused before anything is made for it: one line with
// its size, what it needs and what is available, and the painter goes on on
// its built-in canvas. With room enough the same picture loads.
TEST(RenderCli, ACanvasBeyondTheMemoryAtHandIsRefusedAndThePainterKeepsItsOwn) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer reserves more address space than the limit allows";
#endif
    const std::string folder = scratchFolder("memory");
    // A 2400 × 2400 24-bit BMP of one grey.
    const std::uint32_t side = 2400;
    const std::uint32_t data = side * side * 3;
    std::string bmp = "BM";
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            bmp += static_cast<char>(value >> (8 * i) & 0xFF);
        }
    };
    put(54 + data, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(side, 4);
    put(side, 4);
    put(1, 2);
    put(24, 2);
    for (std::uint32_t value : {0u, data, 2835u, 2835u, 0u, 0u}) {
        put(value, 4);
    }
    bmp += std::string(data, '\x80');
    writeFile(folder + "/big.bmp", bmp);
    writeFile(folder + "/session.json", "{\"version\": 1, \"canvas\": \"" + folder + "/big.bmp\", \"events\": []}");

    const Outcome refused = render({folder + "/session.json", "-o", folder + "/out.png"}, rlim_t{300} << 20);
    EXPECT_EQ(refused.status, 0) << refused.err;
    const std::string line = "ImageIO::load: not enough memory: " + folder + "/big.bmp (2400x2400) needs ";
    EXPECT_EQ(refused.err.find(line), refused.err.rfind("ImageIO::load: not enough memory: ")) << refused.err;
    ASSERT_NE(refused.err.find(line), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find(" MB available\n", refused.err.find(line)), std::string::npos) << refused.err;
    EXPECT_EQ(refused.err.find("file loaded: " + folder), std::string::npos);
    ImageIO::init();
    ImageRect<vec4> result;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(ImageIO::load(folder + "/out.png", result));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(result.width, 512);

    const Outcome loaded = render({folder + "/session.json", "-o", folder + "/out.png"});
    EXPECT_EQ(loaded.status, 0);
    EXPECT_NE(loaded.err.find("file loaded: " + folder + "/big.bmp (2400x2400)"), std::string::npos) << loaded.err;
}

namespace {

// Every file and link under folder, by relative name.
std::vector<std::string> listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        names.push_back(std::filesystem::relative(entry.path(), folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A short stroke run at once, then Image Save under each name.
std::string savingSession(const std::vector<std::string>& names) {
    std::string text = R"({"version": 1, "events": [
        {"do": "mouse", "button": "left", "state": "down", "x": 100, "y": 200},
        {"do": "motion", "x": 300, "y": 220},
        {"do": "mouse", "button": "left", "state": "up", "x": 300, "y": 220},
        {"do": "set", "control": "instantResult", "value": 1},
        {"do": "button", "name": "Start"})";
    for (const std::string& name : names) {
        text += R"(, {"do": "button", "name": "Image Save", "file": ")" + name + R"("})";
    }
    return text + "]}";
}

}  // namespace

TEST(RenderCli, EventSavesStayInTheSaveFolderAndThePaintingIsTheSame) {
    const std::string folder = scratchFolder("saves");
    const std::string play = folder + "/play";
    ASSERT_EQ(std::system(("mkdir -p '" + play + "/sub' '" + folder + "/outside' '" + folder + "/chosen' && ln -s ../outside '" +
                           play + "/out' && ln -s ../outside/victim.png '" + play + "/victim.png' && echo precious > '" +
                           folder + "/outside/victim.png'")
                              .c_str()),
              0);
    const std::vector<std::string> names = {"inside.png",           "sub/inside.png", folder + "/outside/absolute.png",
                                            "../outside/up.png",    "out/through.png", "victim.png",
                                            "sub/../../outside/x.png"};
    writeFile(play + "/session.json", savingSession(names));
    writeFile(play + "/cancelled.json", savingSession(std::vector<std::string>(names.size(), "")));
    const std::vector<std::string> before = listing(folder);

    const Outcome run = render({play + "/session.json", "--raw", folder + "/saved.raw"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string prefix = "events[";
    for (const auto& [index, reason] : std::vector<std::pair<int, std::string>>{
             {7, "an absolute name"}, {8, "\"..\""}, {9, "a symbolic link"}, {10, "a symbolic link"}, {11, "\"..\""}}) {
        const std::string line = "events[" + std::to_string(index) + "]: Image Save refused: " + names[index - 5] + ": " +
                                 reason + " leads outside the save folder\n";
        EXPECT_NE(run.err.find(line), std::string::npos) << line << run.err;
    }
    std::vector<std::string> expected = before;
    for (const char* added : {"play/inside.png", "play/sub/inside.png", "saved.raw"}) {
        expected.push_back(added);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listing(folder), expected);
    EXPECT_EQ(readFile(folder + "/outside/victim.png"), "precious\n");

    // The refused saves changed nothing: the painting is the one whose saves
    // were all cancelled.
    ASSERT_EQ(render({play + "/cancelled.json", "--raw", folder + "/cancelled.raw"}).status, 0);
    EXPECT_TRUE(readFile(folder + "/saved.raw") == readFile(folder + "/cancelled.raw"));

    // Another folder (without sub/ or links), or the recorded paths for
    // one's own session.
    ASSERT_EQ(render({play + "/session.json", "--save-dir", folder + "/chosen"}).status, 0);
    EXPECT_EQ(listing(folder + "/chosen"), (std::vector<std::string>{"inside.png", "victim.png"}));
    writeFile(play + "/own.json", savingSession({names[2]}));
    const Outcome anywhere = render({play + "/own.json", "--saves-anywhere"});
    EXPECT_EQ(anywhere.err.find("refused"), std::string::npos) << anywhere.err;
    EXPECT_TRUE(exists(names[2]));
    const Outcome nowhere = render({play + "/session.json", "--save-dir", folder + "/missing"});
    EXPECT_EQ(nowhere.status, 2);
    EXPECT_EQ(nowhere.err,
              "seep-render: cannot use " + folder + "/missing as the save folder: No such file or directory\n");
}

// A pipe would make a plain open wait for a writer for ever, and /dev/zero
// never ends; each is refused at once like a folder.
TEST(RenderCli, PipesDevicesAndFoldersAreRefusedWithoutWaiting) {
    const std::string folder = scratchFolder("special");
    const std::string pipe = folder + "/pipe.png";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& special : {pipe, std::string("/dev/zero"), folder}) {
        const Outcome asSession = render({special});
        EXPECT_EQ(asSession.status, 2) << special;
        const std::string why = special == folder ? "Is a directory" : "not a regular file";
        EXPECT_EQ(asSession.err, "seep-render: " + special + ": cannot be read: " + why + "\n");

        const std::string refused = "ImageIO::load: cannot open file: " + special + "\n";
        writeFile(folder + "/canvas.json", R"({"version": 1, "canvas": ")" + special + R"(", "events": []})");
        const Outcome asCanvas = render({folder + "/canvas.json"});
        EXPECT_EQ(asCanvas.status, 0) << special << asCanvas.err;
        EXPECT_NE(asCanvas.err.find(refused), std::string::npos) << special << asCanvas.err;

        writeFile(folder + "/open.json", R"({"version": 1, "events": [{"do": "button", "name": "Image Open", "file": ")" +
                                             special + R"("}]})");
        const Outcome asOpened = render({folder + "/open.json"});
        EXPECT_EQ(asOpened.status, 0) << special << asOpened.err;
        EXPECT_NE(asOpened.err.find(refused), std::string::npos) << special << asOpened.err;
    }
}

TEST(RenderCli, AVideoHasTheFramesSizeAndLengthAskedForAndEndsOnTheResult) {
    if (!haveFfmpeg()) {
        GTEST_SKIP() << "ffprobe and ffmpeg (Debian package ffmpeg) are not installed";
    }
    const std::string folder = scratchFolder("video");
    // 389 steps in one Instant Result run: a frame after every tenth, then
    // the result held for a second at 30 frames a second.
    const Outcome h264 = render({example("path-instant.json"), "--video", folder + "/run.mp4", "-o",
                                 folder + "/run.png", "--stats"});
    ASSERT_EQ(h264.status, 0) << h264.err;
    EXPECT_NE(h264.err.find(" video_frames=68 video_seconds="), std::string::npos) << h264.err;
    const std::string facts = probe(folder + "/run.mp4");
    EXPECT_EQ(probed(facts, "codec_name"), "h264") << facts;
    EXPECT_EQ(probed(facts, "width") + "x" + probed(facts, "height"), "512x512");
    EXPECT_EQ(probed(facts, "nb_read_frames"), "68");
    EXPECT_NEAR(std::atof(probed(facts, "duration").c_str()), 68.0 / 30.0, 0.01);

    ASSERT_EQ(std::system(("ffmpeg -v error -i '" + folder + "/run.mp4' -vf 'select=eq(n\\,67)' -frames:v 1 '" +
                           folder + "/last.png'")
                              .c_str()),
              0);
    ImageIO::init();
    ImageRect<vec4> last;
    ImageRect<vec4> result;
    ASSERT_TRUE(ImageIO::load(folder + "/last.png", last));
    ASSERT_TRUE(ImageIO::load(folder + "/run.png", result));
    ASSERT_EQ(last.width, result.width);
    ASSERT_EQ(last.height, result.height);
    EXPECT_GE(psnr(last, result), 35.0);

    // VP9 at its own size and rate: 19 frames of 20 steps, and 10 held.
    const Outcome vp9 = render({example("path-instant.json"), "--video", folder + "/every.webm", "--every", "20",
                                "--fps", "10", "--size", "320x240"});
    ASSERT_EQ(vp9.status, 0) << vp9.err;
    const std::string vp9Facts = probe(folder + "/every.webm");
    EXPECT_EQ(probed(vp9Facts, "codec_name"), "vp9") << vp9Facts;
    EXPECT_EQ(probed(vp9Facts, "width") + "x" + probed(vp9Facts, "height"), "320x240");
    EXPECT_EQ(probed(vp9Facts, "nb_read_frames"), "29");
    EXPECT_NEAR(std::atof(probed(vp9Facts, "duration").c_str()), 2.9, 0.01);
    // Only finished files: no temporary one is left beside them.
    EXPECT_EQ(commandOutput("ls -A '" + folder + "'"), "every.webm\nlast.png\nrun.mp4\nrun.png\n");
}

TEST(RenderCli, FramesArePicturesImageSaveWritesAtTheSameSteps) {
    const std::string folder = scratchFolder("frames");
    const std::string session = folder + "/brush.json";
    writeFile(session, R"({"version": 1, "events": [
        {"do": "set", "control": "mouseOperation", "value": 3},
        {"do": "mouse", "button": "left", "state": "down", "x": 150, "y": 250},
        {"do": "motion", "x": 200, "y": 240}, {"do": "idle", "count": 4},
        {"do": "button", "name": "Image Save", "file": "early.png"},
        {"do": "motion", "x": 260, "y": 260}, {"do": "idle", "count": 3},
        {"do": "mouse", "button": "left", "state": "up", "x": 260, "y": 260},
        {"do": "idle", "count": 5},
        {"do": "button", "name": "Image Save", "file": "late.png"}]})");
    const Outcome run = render({session, "--frames", folder + "/frames"});
    ASSERT_EQ(run.status, 0) << run.err;
    // A frame after each of the 12 idle calls, then 30 of the finished painting.
    EXPECT_EQ(commandOutput("ls '" + folder + "/frames' | wc -l"), "42\n");
    ImageIO::init();
    const auto pixels = [](const std::string& path) {
        ImageRect<vec4> picture;
        EXPECT_TRUE(ImageIO::load(path, picture)) << path;
        return std::vector<float>(&picture.pixels[0].x, &picture.pixels[0].x + 4 * picture.width * picture.height);
    };
    const std::vector<float> early = pixels(folder + "/early.png");
    const std::vector<float> late = pixels(folder + "/late.png");
    EXPECT_NE(early, late);
    EXPECT_TRUE(pixels(folder + "/frames/frame-000004.png") == early);
    EXPECT_TRUE(pixels(folder + "/frames/frame-000012.png") == late);
    EXPECT_TRUE(pixels(folder + "/frames/frame-000042.png") == late);
}

namespace {

std::string sessionText(const std::string& start, const std::string& events) {
    return "{\"version\": 1, " + start + ", \"seed\": 3, \"events\": [" + events + "]}";
}

}  // namespace

// A painting written after one session and continued by another, in a new
// process each, ends bit for bit where both sessions played in one run end;
// and the session kept inside the painting file plays to that same end.
TEST(RenderCli, APaintingSavedMidStrokeGoesOnInAnotherProcessAndKeepsItsSession) {
    const std::string folder = scratchFolder("painting");
    const std::string first =
        R"({"do": "set", "control": "mouseOperation", "value": 3}, {"do": "set", "control": "absorptivity", "value": 0.05},
           {"do": "color", "rgb": [20, 60, 200]},
           {"do": "mouse", "button": "left", "state": "down", "x": 150, "y": 250}, {"do": "idle", "count": 4},
           {"do": "motion", "x": 170, "y": 260}, {"do": "idle", "count": 4})";
    const std::string second =
        R"({"do": "motion", "x": 200, "y": 280}, {"do": "idle", "count": 5},
           {"do": "mouse", "button": "left", "state": "up", "x": 200, "y": 280}, {"do": "idle", "count": 6},
           {"do": "button", "name": "Undo"}, {"do": "idle", "count": 2})";
    writeFile(folder + "/whole.json", sessionText("\"canvas\": \"default.bmp\"", first + "," + second));
    writeFile(folder + "/first.json", sessionText("\"canvas\": \"default.bmp\"", first));
    writeFile(folder + "/second.json", sessionText("\"painting\": \"" + folder + "/first.ora\"", second));

    ASSERT_EQ(render({folder + "/whole.json", "--raw", folder + "/whole.raw"}).status, 0);
    ASSERT_EQ(render({folder + "/first.json", "--painting", folder + "/first.ora"}).status, 0);
    const Outcome continued = render({folder + "/second.json", "--raw", folder + "/second.raw", "--painting",
                                      folder + "/second.ora"});
    ASSERT_EQ(continued.status, 0) << continued.err;
    EXPECT_NE(continued.err.find("PaintingFile::open: painting opened: " + folder + "/first.ora (512x512)"),
              std::string::npos)
        << continued.err;
    EXPECT_EQ(readFile(folder + "/whole.raw"), readFile(folder + "/second.raw"));

    PaintingFileContent content;
    std::string error;
    ASSERT_TRUE(readPaintingFile(folder + "/second.ora", content, error)) << error;
    writeFile(folder + "/kept.json", content.state.session);
    ASSERT_EQ(render({folder + "/kept.json", "--raw", folder + "/kept.raw"}).status, 0);
    EXPECT_EQ(readFile(folder + "/whole.raw"), readFile(folder + "/kept.raw"));

    // A start painting that is no painting ends the run before anything plays.
    writeFile(folder + "/bad.ora", "not an archive");
    writeFile(folder + "/bad.json", sessionText("\"painting\": \"" + folder + "/bad.ora\"", first));
    const Outcome refused = render({folder + "/bad.json", "-o", folder + "/bad.png"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("cannot open painting: " + folder + "/bad.ora"), std::string::npos) << refused.err;
    EXPECT_FALSE(exists(folder + "/bad.png"));
}
