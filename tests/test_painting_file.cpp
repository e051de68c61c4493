// Painting files: a painting saved and opened again goes on exactly as if
// it had never stopped, and a file that is not a sound painting changes
// nothing.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ShellTestSupport.h"
#include "app/SessionFile.h"
#include "app/SessionPlayer.h"
#include "app/painting/ByteStream.h"
#include "app/painting/PaintingArchive.h"
#include "app/painting/PaintingCommands.h"
#include "util/Random.h"

#include <zip.h>
#include <algorithm>
#include <iterator>

namespace {

// A session with seed 5 that starts from the canvas picture, or from the
// painting file if one is named.
Session parsed(const std::string& events, const std::string& canvas = "default.bmp",
               const std::string& painting = "") {
    Session session;
    std::string error;
    const std::string start = painting.empty() ? R"("canvas": ")" + canvas : R"("painting": ")" + painting;
    const std::string text = R"({"version": 1, "seed": 5, )" + start + R"(", "events": [)" + events + "]}";
    EXPECT_TRUE(parseSession(text, session, error)) << error;
    return session;
}

template <typename T, typename A>
bool sameBits(const std::vector<T, A>& a, const std::vector<T, A>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

Grid<vec4> restored(const DepositionSnapshot& snapshot) {
    Grid<vec4> cells(static_cast<std::size_t>(snapshot.width()) * static_cast<std::size_t>(snapshot.height()));
    snapshot.restoreInto(cells);
    return cells;
}

// Everything that decides how the painting goes on, compared bit for bit.
void expectSamePainting(Shell& expected, Shell& actual) {
    PaintingState a;
    PaintingState b;
    std::string error;
    ASSERT_TRUE(capturePainting(expected, "{}", a, error)) << error;
    ASSERT_TRUE(capturePainting(actual, "{}", b, error)) << error;
    EXPECT_EQ(a.randomState, b.randomState);
    EXPECT_EQ(0, std::memcmp(&a.panel, &b.panel, sizeof a.panel));
    EXPECT_EQ(a.windowWidth, b.windowWidth);
    EXPECT_EQ(a.displayScale, b.displayScale);
    EXPECT_TRUE(sameBits(restored(a.deposition), restored(b.deposition)));
    EXPECT_TRUE(sameBits(a.absorbedWater, b.absorbedWater));
    EXPECT_TRUE(sameBits(a.particleWater, b.particleWater));
    EXPECT_TRUE(sameBits(a.particlePosition, b.particlePosition));
    EXPECT_TRUE(sameBits(a.particleVelocity, b.particleVelocity));
    EXPECT_TRUE(sameBits(a.particlePigment, b.particlePigment));
    EXPECT_TRUE(sameBits(a.areaMask, b.areaMask));
    EXPECT_TRUE(sameBits(a.columnScale, b.columnScale));
    EXPECT_TRUE(sameBits(a.canvas, b.canvas));
    EXPECT_TRUE(sameBits(a.surface, b.surface));
    ASSERT_EQ(a.history.size(), b.history.size());
    for (std::size_t i = 0; i < a.history.size(); ++i) {
        EXPECT_TRUE(sameBits(restored(a.history[i]), restored(b.history[i]))) << "undo snapshot " << i;
    }
}

// Plays a then b in one painter, and a, a save, an open in a fresh painter
// and b; the two must end bit for bit alike, and the painting must have
// changed during b (a scene that stands still proves nothing).
void expectGoesOnExactly(const std::string& a, const std::string& b, const std::string& canvas = "default.bmp") {
    const Session whole = parsed(a + "," + b, canvas);
    HeadlessPainter oneGo;
    SessionPlayer(oneGo, whole).playAll();

    // Named after the test: ctest runs tests side by side.
    const std::string file =
        testing::TempDir() + testing::UnitTest::GetInstance()->current_test_info()->name() + ".ora";
    HeadlessPainter first;
    const Session firstPart = parsed(a, canvas);
    SessionPlayer(first, firstPart).playAll();
    ASSERT_TRUE(savePainting(first.shell, file));
    PaintingState atSave;
    std::string error;
    ASSERT_TRUE(capturePainting(first.shell, "{}", atSave, error));
    // Whatever the generator does in between, the painting brings its own.
    seedRandom(12345);

    HeadlessPainter second;
    const Session secondPart = parsed(b, "", file);
    SessionPlayer(second, secondPart).playAll();
    expectSamePainting(oneGo.shell, second.shell);

    PaintingState atEnd;
    ASSERT_TRUE(capturePainting(second.shell, "{}", atEnd, error));
    EXPECT_FALSE(sameBits(restored(atSave.deposition), restored(atEnd.deposition)) &&
                 sameBits(atSave.particlePosition, atEnd.particlePosition))
        << "the second part changed nothing";
    std::remove(file.c_str());
}

const std::string pathStroke =
    R"({"do": "mouse", "button": "left", "state": "down", "x": 100, "y": 200},
       {"do": "motion", "x": 180, "y": 240}, {"do": "motion", "x": 260, "y": 220},
       {"do": "mouse", "button": "left", "state": "up", "x": 260, "y": 220})";

TEST(PaintingFile, PathWashSavedWhileTheWaterStillRunsGoesOnExactly) {
    expectGoesOnExactly(R"({"do": "set", "control": "absorptivity", "value": 0.2},
                           {"do": "set", "control": "waterAmount", "value": 300},
                           {"do": "color", "rgb": [200, 40, 10]}, )" +
                            pathStroke + R"(, {"do": "button", "name": "Start"}, {"do": "idle", "count": 12})",
                        R"({"do": "idle", "count": 15}, {"do": "button", "name": "Undo"},
                           {"do": "button", "name": "Start"}, {"do": "idle", "count": 6})");
}

// Saved the moment the button is released: the brush still emits until the
// next frame, and the frame drawn on opening must not stop it early.
TEST(PaintingFile, BrushStrokeInsideAnOutlineSavedAsTheButtonIsReleasedGoesOnExactly) {
    expectGoesOnExactly(
        R"({"do": "set", "control": "mouseOperation", "value": 1},
           {"do": "mouse", "button": "left", "state": "down", "x": 50, "y": 450},
           {"do": "motion", "x": 400, "y": 460}, {"do": "motion", "x": 420, "y": 100},
           {"do": "motion", "x": 60, "y": 80},
           {"do": "mouse", "button": "left", "state": "up", "x": 60, "y": 80},
           {"do": "set", "control": "mouseOperation", "value": 2},
           {"do": "mouse", "button": "left", "state": "down", "x": 20, "y": 300},
           {"do": "motion", "x": 480, "y": 200},
           {"do": "mouse", "button": "left", "state": "up", "x": 480, "y": 200},
           {"do": "mouse", "button": "left", "state": "down", "x": 20, "y": 400},
           {"do": "motion", "x": 480, "y": 420},
           {"do": "mouse", "button": "left", "state": "up", "x": 480, "y": 420},
           {"do": "set", "control": "mouseOperation", "value": 3},
           {"do": "set", "control": "absorptivity", "value": 0.1},
           {"do": "set", "control": "particleSizeIndex", "value": 3},
           {"do": "mouse", "button": "left", "state": "down", "x": 200, "y": 250},
           {"do": "idle", "count": 3}, {"do": "idle", "count": 2}, {"do": "motion", "x": 230, "y": 260},
           {"do": "mouse", "button": "left", "state": "up", "x": 230, "y": 260})",
        R"({"do": "idle", "count": 4}, {"do": "mouse", "button": "left", "state": "down", "x": 260, "y": 280},
           {"do": "motion", "x": 290, "y": 300}, {"do": "idle", "count": 4},
           {"do": "mouse", "button": "left", "state": "up", "x": 290, "y": 300},
           {"do": "idle", "count": 5}, {"do": "button", "name": "Undo"}, {"do": "idle", "count": 2})");
}

// Saved straight after a picture was opened: no frame has set the display
// scale for the new canvas yet, and the next step must still see the old.
// The canvas is a JPEG, whose grey levels no PNG of it would give back.
TEST(PaintingFile, SavedBeforeAnyFrameOfANewCanvasGoesOnExactly) {
    ScratchDirectory scratch;
    ASSERT_TRUE(writePicture(scratch.path("paper.jpg"), 200, 120, vec4{0.8f, 0.7f, 0.3f, 1.0f}));
    expectGoesOnExactly(R"({"do": "set", "control": "gravityEnabled", "value": 0}, )" + pathStroke +
                            R"(, {"do": "button", "name": "Start"}, {"do": "idle", "count": 3},
                            {"do": "button", "name": "Image Open", "file": "paper.jpg"})",
                        R"({"do": "mouse", "button": "left", "state": "down", "x": 10, "y": 500},
                           {"do": "motion", "x": 150, "y": 450},
                           {"do": "mouse", "button": "left", "state": "up", "x": 150, "y": 450},
                           {"do": "button", "name": "Start"}, {"do": "idle", "count": 8})");
}

}  // namespace

namespace {

// Bad files: each is refused with one line that names it, and the painting
// on screen stays as it was.
class BadPaintingFile : public testing::Test {
protected:
    static void SetUpTestSuite() {
        good = testing::TempDir() + std::to_string(getpid()) + "good.ora";
        HeadlessPainter painter;
        const Session session = parsed(pathStroke + R"(, {"do": "button", "name": "Start"}, {"do": "idle", "count": 5})");
        SessionPlayer(painter, session).playAll();
        ASSERT_TRUE(savePainting(painter.shell, good));
    }

    // A copy of the good file changed by edit (given the open archive).
    template <typename Edit>
    std::string edited(const std::string& name, Edit&& edit) {
        const std::string path = testing::TempDir() + std::to_string(getpid()) + name;
        std::ifstream in(good, std::ios::binary);
        std::ofstream(path, std::ios::binary) << in.rdbuf();
        int code = 0;
        zip_t* archive = zip_open(path.c_str(), 0, &code);
        EXPECT_NE(archive, nullptr);
        edit(archive);
        EXPECT_EQ(zip_close(archive), 0) << zip_strerror(archive);
        return path;
    }

    static void replaceEntry(zip_t* archive, const char* name, const std::string& bytes) {
        static std::vector<std::string> kept;  // libzip reads them at close
        kept.push_back(bytes);
        zip_source_t* source = zip_source_buffer(archive, kept.back().data(), kept.back().size(), 0);
        const zip_int64_t index = zip_name_locate(archive, name, 0);
        if (index >= 0) {
            zip_file_replace(archive, static_cast<zip_uint64_t>(index), source, 0);
        } else {
            zip_file_add(archive, name, source, 0);
        }
    }

    // Opens path in a painter holding another painting; expects a refusal
    // with one line naming the file and saying what is wrong.
    void expectRefused(const std::string& path, const std::string& problem) {
        HeadlessPainter painter;
        const Session session = parsed(R"({"do": "set", "control": "mouseOperation", "value": 3},
            {"do": "mouse", "button": "left", "state": "down", "x": 300, "y": 300}, {"do": "idle", "count": 3})");
        SessionPlayer(painter, session).playAll();
        PaintingState before;
        std::string error;
        ASSERT_TRUE(capturePainting(painter.shell, "{}", before, error));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(openPainting(painter.shell, path));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find("cannot open painting: " + path), std::string::npos) << said;
        EXPECT_NE(said.find(problem), std::string::npos) << said;
        PaintingState after;
        ASSERT_TRUE(capturePainting(painter.shell, "{}", after, error));
        EXPECT_TRUE(sameBits(restored(before.deposition), restored(after.deposition)));
        EXPECT_TRUE(sameBits(before.particlePosition, after.particlePosition));
        EXPECT_EQ(before.randomState, after.randomState);
        EXPECT_EQ(before.width, after.width);
        std::remove(path.c_str());
    }

    static void TearDownTestSuite() { std::remove(good.c_str()); }

    static std::string good;
};

std::string BadPaintingFile::good;

TEST_F(BadPaintingFile, CutShortOrDamagedArchivesAreRefused) {
    std::ifstream in(good, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cut = testing::TempDir() + std::to_string(getpid()) + "cut.ora";
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    expectRefused(cut, "not a readable zip archive");

    // A flipped byte inside the compressed particles.
    std::string damaged = bytes;
    const std::size_t at = damaged.find("seep/particles");
    ASSERT_NE(at, std::string::npos);
    damaged[at + 60] = static_cast<char>(damaged[at + 60] ^ 0x55);
    const std::string flipped = testing::TempDir() + std::to_string(getpid()) + "flipped.ora";
    std::ofstream(flipped, std::ios::binary) << damaged;
    expectRefused(flipped, "seep/particles");

    const std::string text = testing::TempDir() + std::to_string(getpid()) + "text.ora";
    std::ofstream(text) << "not an archive at all\n";
    expectRefused(text, "not a readable zip archive");
}

TEST_F(BadPaintingFile, HostileStackXmlIsRefused) {
    expectRefused(edited("laughs.ora", [](zip_t* a) {
                      replaceEntry(a, "stack.xml",
                                   "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                                   "\"&a;&a;&a;&a;&a;&a;&a;&a;\">]><image w=\"&b;\" h=\"4\"><stack/></image>");
                  }),
                  "stack.xml");
    expectRefused(edited("unclosed.ora", [](zip_t* a) { replaceEntry(a, "stack.xml", "<image w=\"512\" h="); }),
                  "stack.xml is not well-formed");
    expectRefused(edited("huge.ora",
                         [](zip_t* a) { replaceEntry(a, "stack.xml", "<image w=\"99999999\" h=\"9\"><stack/></image>"); }),
                  "(99999999x9)");
    expectRefused(edited("other-size.ora",
                         [](zip_t* a) { replaceEntry(a, "stack.xml", "<image w=\"64\" h=\"64\"><stack/></image>"); }),
                  "different sizes");
}

TEST_F(BadPaintingFile, NamesLeadingOutsideTheArchiveAreRefused) {
    expectRefused(edited("dots.ora", [](zip_t* a) { replaceEntry(a, "data/../../escape.png", "x"); }),
                  "leads outside the archive: data/../../escape.png");
    expectRefused(edited("absolute.ora", [](zip_t* a) { replaceEntry(a, "/tmp/escape.png", "x"); }),
                  "leads outside the archive: /tmp/escape.png");
}

TEST_F(BadPaintingFile, SizesBeyondThePaintingAreRefusedBeforeTheyAreRead) {
    // 64 MiB of zeros pack into 64 KiB: they are never inflated.
    expectRefused(edited("bomb.ora", [](zip_t* a) { replaceEntry(a, "seep/surface", std::string(64u << 20, '\0')); }),
                  "seep/surface declares 67108864 bytes");
    expectRefused(edited("short.ora", [](zip_t* a) { replaceEntry(a, "seep/absorbed-water", std::string(100, '\0')); }),
                  "seep/absorbed-water does not hold");
}

TEST_F(BadPaintingFile, UnknownVersionsAndMissingPartsAreRefused) {
    expectRefused(edited("version.ora", [](zip_t* a) { replaceEntry(a, "seep/state", std::string("SEEP\x02\0\0\0", 8)); }),
                  "painting version 2 is not one this painter reads (1)");
    expectRefused(edited("no-tiles.ora", [](zip_t* a) { zip_delete(a, static_cast<zip_uint64_t>(zip_name_locate(a, "seep/tiles", 0))); }),
                  "seep/tiles is missing");
    expectRefused(edited("no-session.ora", [](zip_t* a) { replaceEntry(a, "seep/session.json", "{\"version\": 1}"); }),
                  "its session does not play");
    expectRefused(edited("no-merged.ora", [](zip_t* a) {
                      zip_delete(a, static_cast<zip_uint64_t>(zip_name_locate(a, "seep/state", 0)));
                      zip_delete(a, static_cast<zip_uint64_t>(zip_name_locate(a, "mergedimage.png", 0)));
                  }),
                  "has no flattened picture");
}

}  // namespace

namespace {

// Grids are stored exactly whichever way suits them: one repeated value, a
// table of at most 256 values, or byte planes; the 257th value is the edge.
TEST(PaintingFile, GridWordsComeBackExactlyAcrossEveryWayOfStoringThem) {
    for (const int distinct : {1, 2, 256, 257, 5000}) {
        std::vector<float> words(3000);
        for (std::size_t k = 0; k < words.size(); ++k) {
            words[k] = static_cast<float>((k * 7919) % static_cast<std::size_t>(distinct)) / 3.0f;
        }
        words[5] = -0.0f;
        const std::string record = encodeWords(words.data(), words.size());
        EXPECT_LE(record.size(), encodedWordsLimit(words.size()));
        std::vector<float> back(words.size());
        ASSERT_TRUE(decodeWords(record, back.data(), back.size())) << distinct;
        EXPECT_TRUE(sameBits(words, back)) << distinct;
        EXPECT_FALSE(decodeWords(record, back.data(), back.size() - 1));
        EXPECT_FALSE(decodeWords(record.substr(0, record.size() - 1), back.data(), back.size()));
    }
}

}  // namespace
