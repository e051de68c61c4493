#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/SessionFile.h"
#include "app/SessionPlayer.h"
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

Outcome render(const std::vector<std::string>& arguments) {
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

}  // namespace

TEST(RenderCli, EveryExamplePlayedTwiceGivesIdenticalRawBytesAndVisiblePaint) {
    const std::string folder = scratchFolder("examples");
    for (const std::string& name : examples) {
        const std::string first = folder + "/" + name + ".1.raw";
        const std::string second = folder + "/" + name + ".2.raw";
        const std::string picture = folder + "/" + name + ".png";
        const Outcome a = render({example(name), "--raw", first, "-o", picture});
        const Outcome b = render({example(name), "--raw", second});
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

    const Outcome badOption = render({example("path-instant.json"), "--frames"});
    EXPECT_EQ(badOption.status, 2);
    EXPECT_NE(badOption.err.find("unknown option --frames"), std::string::npos);
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
        {"do": "button", "name": "Image Save", "file": ")" + folder + R"(/saved.png"}]})");

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
        HeadlessPainter painter;
        painter.shell.afterStep = [&](const Shell&) { ++counted; };
        SessionPlayer player(painter, parsed);
        player.playAll();
    }
    ASSERT_EQ(chdir(here), 0);
    EXPECT_GT(counted, 25);
    EXPECT_EQ(steps, counted);
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
