// Opens every picture of tests/pictures (made by scripts/make-picture-corpus.py)
// through the painter's Image Open, as a person choosing it in the dialog
// would. Each either loads with the right size and pixels, or is refused with
// exactly one line, the cannot-open or the too-large one, while the painter
// keeps its previous canvas, simulation and editing state.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ShellTestSupport.h"
#include "sim/WatercolorSimulation.h"


namespace {

constexpr PanelCommand ImageOpen = PanelCommand::ImageOpen;

enum class Outcome { Loads, CannotOpen, TooLarge };

struct Expected {
    const char* name;
    Outcome outcome;
    int width = 0;  // the picture's size (also the size a too-large line names)
    int height = 0;
    // When it loads: the pixel at (x, y), row 0 at the bottom.
    int x = 0;
    int y = 0;
    vec4 pixel{};
};

const std::vector<Expected>& corpus() {
    static const std::vector<Expected> files = {
        {"one-pixel.png", Outcome::Loads, 1, 1, 0, 0, {200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 1}},
        {"wide-16384x1.png", Outcome::Loads, 16384, 1, 300, 0, {44 / 255.0f, 44 / 255.0f, 44 / 255.0f, 1}},
        // Rows top first: red blue / blue red; row 0 is the bottom one.
        {"palette.png", Outcome::Loads, 2, 2, 0, 0, {0, 0, 1, 1}},
        {"grey.png", Outcome::Loads, 3, 1, 1, 0, {128 / 255.0f, 128 / 255.0f, 128 / 255.0f, 1}},
        {"grey-16bit.png", Outcome::Loads, 2, 1, 1, 0, {1, 1, 1, 1}},
        {"rgb-16bit.png", Outcome::Loads, 1, 1, 0, 0, {1, 0, 32768 / 65535.0f, 1}},
        {"alpha.png", Outcome::Loads, 2, 1, 1, 0, {0, 1, 0, 0}},
        {"grey-alpha.png", Outcome::Loads, 1, 1, 0, 0, {1, 1, 1, 128 / 255.0f}},
        // (x·255/3, y·255/2, 128) with y counted from the top row.
        {"gradient.bmp", Outcome::Loads, 4, 3, 3, 0, {1, 1, 128 / 255.0f, 1}},
        {"grey.jpg", Outcome::Loads, 16, 8, 9, 5, {128 / 255.0f, 128 / 255.0f, 128 / 255.0f, 1}},
        // Stored a b c over d e f, turned a quarter clockwise: d a / e b / f c.
        {"orientation-6.jpg", Outcome::Loads, 16, 24, 0, 23, {160 / 255.0f, 160 / 255.0f, 160 / 255.0f, 1}},
        {"orientation-6.png", Outcome::Loads, 2, 3, 0, 2, {160 / 255.0f, 160 / 255.0f, 160 / 255.0f, 1}},
        // Full cyan ink on white; in the other block half black: 128 grey.
        {"cmyk.jpg", Outcome::Loads, 16, 8, 9, 0, {0, 1, 1, 1}},
        {"cmyk.jpg", Outcome::Loads, 16, 8, 0, 0, {128 / 255.0f, 128 / 255.0f, 128 / 255.0f, 1}},
        // C = M = Y = 155 and K = 55 of ink: 200 · 155 / 255 = 122 left of white.
        {"ycck.jpg", Outcome::Loads, 8, 8, 3, 3, {122 / 255.0f, 122 / 255.0f, 122 / 255.0f, 1}},
        // Red green blue over (10, 20, 30) (128, 128, 128) (250, 240, 230).
        {"v5-24bit.bmp", Outcome::Loads, 3, 2, 2, 1, {0, 0, 1, 1}},
        {"v4-24bit-top-down.bmp", Outcome::Loads, 3, 2, 0, 0, {10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 1}},
        {"v5-32bit-alpha.bmp", Outcome::Loads, 3, 2, 1, 1, {0, 1, 0, 124 / 255.0f}},
        {"v5-32bit-no-alpha.bmp", Outcome::Loads, 3, 2, 1, 1, {0, 1, 0, 1}},
        {"v4-32bit-plain.bmp", Outcome::Loads, 3, 2, 2, 0, {250 / 255.0f, 240 / 255.0f, 230 / 255.0f, 1}},
        {"v5-32bit-rgba-masks.bmp", Outcome::Loads, 3, 2, 2, 1, {0, 0, 1, 3 / 255.0f}},
        {"v5-8bit-palette.bmp", Outcome::Loads, 3, 2, 1, 1, {0, 128 / 255.0f, 0, 1}},
        {"v5-16bit.bmp", Outcome::CannotOpen},
        {"v5-truncated.bmp", Outcome::CannotOpen},
        {"v5-bad-masks.bmp", Outcome::CannotOpen},

        {"truncated.png", Outcome::CannotOpen},
        {"signature-only.png", Outcome::CannotOpen},
        {"bad-checksum.png", Outcome::CannotOpen},
        {"broken-deflate.png", Outcome::CannotOpen},
        {"truncated.bmp", Outcome::CannotOpen},
        {"header-only.bmp", Outcome::CannotOpen},
        {"negative-width.bmp", Outcome::CannotOpen},
        {"zero-depth.bmp", Outcome::CannotOpen},
        {"truncated-scan.jpg", Outcome::CannotOpen},
        {"truncated-header.jpg", Outcome::CannotOpen},
        {"bad-huffman.jpg", Outcome::CannotOpen},
        {"segment-past-end.jpg", Outcome::CannotOpen},
        {"empty.png", Outcome::CannotOpen},
        {"empty.bmp", Outcome::CannotOpen},
        {"text.png", Outcome::CannotOpen},
        {"png-named.jpg", Outcome::CannotOpen},
        {"bmp-named.png", Outcome::CannotOpen},
        {"png-no-extension", Outcome::Loads, 1, 1, 0, 0, {200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 1}},

        // Formats the image library is not trusted with, valid or damaged.
        {"valid.gif", Outcome::CannotOpen},
        {"frame-outside.gif", Outcome::CannotOpen},
        {"valid.tga", Outcome::CannotOpen},
        {"valid.ppm", Outcome::CannotOpen},
        {"cut.ppm", Outcome::CannotOpen},

        {"huge-100000x100000.png", Outcome::TooLarge, 100000, 100000},
        {"huge-100000x100000.bmp", Outcome::TooLarge, 100000, 100000},
        {"huge-65535x65535.jpg", Outcome::TooLarge, 65535, 65535},
        {"huge-20000x1.png", Outcome::TooLarge, 20000, 1},
    };
    return files;
}

// The lines of text that name path: Image Open also reloads the two button
// pictures, which this test is not about.
std::string linesAbout(const std::string& text, const std::string& path) {
    std::string kept;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size() - 1);
        const std::string line = text.substr(start, end + 1 - start);
        if (line.find(path) != std::string::npos) {
            kept += line;
        }
        start = end + 1;
    }
    return kept;
}

std::string corpusPath(const std::string& name) {
    return std::string(SEEP_SOURCE_DIR) + "/tests/pictures/" + name;
}

// A started painter with something of its own to lose: an outline, a brush
// point, a snapshot in the history and a canvas other than white.
class PictureCorpus : public ::testing::Test {
protected:
    PictureCorpus() {
        startQuietly(t, 11);
        EditingState& editing = t.shell.state.editing;
        appendPoint(editing.area, vec2{10, 10});
        appendPoint(editing.area, vec2{40, 20});
        editing.brushPoint = vec2{33, 44};
        std::vector<vec4> canvas(static_cast<std::size_t>(t.images.canvas.width) * t.images.canvas.height, vec4{1, 1, 1, 1});
        canvas[5] = vec4{0.25f, 0.5f, 0.75f, 1.0f};
        t.images.canvas.setPixels(t.images.canvas.width, t.images.canvas.height, canvas.data());
        t.shell.simulation->pushHistory();
    }

    // Image Open of path; returns what it wrote to the error stream.
    std::string open(const std::string& path) {
        t.windows.fileAnswer = path;
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        controlCallback(t.shell, ImageOpen);
        testing::internal::GetCapturedStdout();
        return testing::internal::GetCapturedStderr();
    }

    std::vector<vec4> canvasPixels() const {
        std::vector<vec4> pixels(t.images.canvas.pixelCount());
        for (std::size_t k = 0; k < pixels.size(); ++k) {
            pixels[k] = t.images.canvas.pixel(k);
        }
        return pixels;
    }

    const WatercolorSimulation& simulation() const {
        return dynamic_cast<const WatercolorSimulation&>(*t.shell.simulation);
    }

    ScratchDirectory scratch;
    TestShell t;
};

}  // namespace

TEST_F(PictureCorpus, EveryFileLoadsCorrectlyOrIsRefusedWithOneLine) {
    for (const Expected& file : corpus()) {
        SCOPED_TRACE(file.name);
        const std::string path = corpusPath(file.name);
        ASSERT_TRUE(std::filesystem::exists(path)) << "run scripts/make-picture-corpus.py";
        const std::vector<vec4> canvasBefore = canvasPixels();
        const int widthBefore = t.shell.state.window.canvasWidth;
        const int heightBefore = t.shell.state.window.canvasHeight;
        const std::size_t historyBefore = simulation().history.size();
        t.windows.requestedWidth = 0;

        const std::string errors = linesAbout(open(path), path);

        if (file.outcome == Outcome::Loads) {
            const std::string loaded = "ImageIO::load: file loaded: " + path + " (" + std::to_string(file.width) +
                                       "x" + std::to_string(file.height) + ")\n";
            // Loaded twice: as the canvas and as its grey levels.
            EXPECT_EQ(errors, loaded + loaded);
            ASSERT_EQ(t.images.canvas.width, file.width);
            ASSERT_EQ(t.images.canvas.height, file.height);
            EXPECT_EQ(t.images.surface.width, file.width);
            EXPECT_EQ(t.shell.state.window.canvasWidth, file.width);
            EXPECT_EQ(simulation().width, file.width);
            EXPECT_EQ(simulation().history.size(), 0u);
            EXPECT_EQ(t.windows.requestedWidth, 862);
            const vec4 got = t.images.canvas.pixel(file.y * file.width + file.x);
            EXPECT_NEAR(got.x, file.pixel.x, 1e-6);
            EXPECT_NEAR(got.y, file.pixel.y, 1e-6);
            EXPECT_NEAR(got.z, file.pixel.z, 1e-6);
            EXPECT_NEAR(got.w, file.pixel.w, 1e-6);
            // Put the painter back on a canvas of its own for the next file.
            t.shell.state.editing.brushPoint = vec2{33, 44};
            appendPoint(t.shell.state.editing.area, vec2{1, 1});
            t.shell.simulation->pushHistory();
            continue;
        }

        const std::string line =
            file.outcome == Outcome::CannotOpen
                ? "ImageIO::load: cannot open file: " + path + "\n"
                : "ImageIO::load: picture too large: " + path + " (" + std::to_string(file.width) + "x" +
                      std::to_string(file.height) + ")\n";
        EXPECT_EQ(errors, line);
        // Nothing of the painter changed: canvas, sizes, simulation, editing.
        const std::vector<vec4> canvasAfter = canvasPixels();
        ASSERT_EQ(canvasAfter.size(), canvasBefore.size());
        EXPECT_EQ(std::memcmp(canvasAfter.data(), canvasBefore.data(), canvasBefore.size() * sizeof(vec4)), 0);
        EXPECT_EQ(t.shell.state.window.canvasWidth, widthBefore);
        EXPECT_EQ(t.shell.state.window.canvasHeight, heightBefore);
        EXPECT_EQ(simulation().width, widthBefore);
        EXPECT_EQ(simulation().history.size(), historyBefore);
        EXPECT_FALSE(t.shell.state.editing.area.empty());
        EXPECT_EQ(t.shell.state.editing.brushPoint.x, 33.0f);
        EXPECT_EQ(t.windows.requestedWidth, 0);
    }
}

TEST_F(PictureCorpus, EveryPictureKindGivesFiniteGreyLevelsToThePaper) {
    for (const Expected& file : corpus()) {
        if (file.outcome != Outcome::Loads) {
            continue;
        }
        SCOPED_TRACE(file.name);
        open(corpusPath(file.name));
        const ImageRect<float>& surface = t.images.surface;
        ASSERT_EQ(surface.width, file.width);
        ASSERT_EQ(surface.height, file.height);
        for (int k = 0; k < surface.width * surface.height; ++k) {
            ASSERT_TRUE(surface.pixels[k] >= 0.0f && surface.pixels[k] <= 1.0f) << k;
        }
    }
}

TEST_F(PictureCorpus, AFolderOrAMissingFileIsRefusedLikeADamagedPicture) {
    const int widthBefore = t.images.canvas.width;
    for (const std::string& path : {corpusPath(""), corpusPath("no-such-picture.png")}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(linesAbout(open(path), path), "ImageIO::load: cannot open file: " + path + "\n");
        EXPECT_EQ(t.images.canvas.width, widthBefore);
        EXPECT_FALSE(t.shell.state.editing.area.empty());
    }
}
