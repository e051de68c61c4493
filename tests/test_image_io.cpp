#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/ImageIO.h"

namespace fs = std::filesystem;

namespace {

using Rgb = std::array<std::uint8_t, 3>;

// Changes the working folder for one test and always returns to the old one.
class WorkingFolder {
public:
    explicit WorkingFolder(const fs::path& folder) : previous(fs::current_path()) { fs::current_path(folder); }
    ~WorkingFolder() { fs::current_path(previous); }

private:
    fs::path previous;
};

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8 & 0xFF);
}

void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The headers of a BMP with the classic 40-byte info header; the pixel data
// (and palette) follow. A negative height stores the rows top-down.
std::string bmpHeaders(std::int32_t width, std::int32_t height, int bitsPerPixel, int paletteEntries,
                       std::uint32_t dataBytes) {
    const std::uint32_t offset = 54 + 4 * paletteEntries;
    std::string out = "BM";
    put32(out, offset + dataBytes);
    put32(out, 0);
    put32(out, offset);
    for (std::uint32_t v : {40u, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)}) {
        put32(out, v);
    }
    put16(out, 1);
    put16(out, bitsPerPixel);
    for (std::uint32_t v : {0u, dataBytes, 2835u, 2835u, static_cast<std::uint32_t>(paletteEntries), 0u}) {
        put32(out, v);
    }
    return out;
}

// A 24-bit BMP from rows given top row first.
std::string bmp24(int width, const std::vector<std::vector<Rgb>>& rowsTopFirst, bool topDown = false) {
    const int height = static_cast<int>(rowsTopFirst.size());
    const int stride = (width * 3 + 3) / 4 * 4;
    std::string data;
    for (int i = 0; i < height; ++i) {
        const auto& row = rowsTopFirst[topDown ? i : height - 1 - i];
        std::string line;
        for (const Rgb& p : row) {
            line += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
        }
        data += line + std::string(stride - line.size(), '\0');
    }
    return bmpHeaders(width, topDown ? -height : height, 24, 0, data.size()) + data;
}

std::string bmp24Plain(int width, int height, Rgb colour) {
    return bmp24(width, std::vector<std::vector<Rgb>>(height, std::vector<Rgb>(width, colour)));
}

// What one load or save returned and printed on the two console streams.
struct Console {
    bool result = false;
    std::string out;
    std::string err;
};

template <typename Action>
Console captured(Action action) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Console console;
    console.result = action();
    console.out = testing::internal::GetCapturedStdout();
    console.err = testing::internal::GetCapturedStderr();
    return console;
}

template <typename T>
bool quietLoad(const std::string& name, ImageRect<T>& image) {
    return captured([&] { return ImageIO::load(name, image); }).result;
}

bool quietSave(const std::string& name, const ImageRect<vec4>& image) {
    return captured([&] { return ImageIO::save(name, image); }).result;
}

template <typename T>
ImageRect<T> imageOf(int width, int height, T value) {
    const std::vector<T> pixels(static_cast<std::size_t>(width) * height, value);
    ImageRect<T> image;
    image.setPixels(width, height, pixels.data());
    return image;
}

template <typename T>
bool samePixels(const ImageRect<T>& a, const ImageRect<T>& b) {
    return a.width == b.width && a.height == b.height &&
           std::memcmp(a.pixels, b.pixels, sizeof(T) * a.width * a.height) == 0;
}

class ImageFiles : public testing::Test {
protected:
    void SetUp() override {
        ImageIO::init();
        root = fs::temp_directory_path() / ("seep-image-io-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root;
};

TEST_F(ImageFiles, SearchTriesTheSixFoldersInOrderThenTheNameItself) {
    EXPECT_EQ(ImageIO::searchDirectories(),
              (std::vector<std::string>{"..", "../..", "../../..", "images", "../images", "../../images"}));
    const fs::path here = root / "a" / "b" / "c";
    const std::vector<std::string> places = {"../", "../../", "../../../", "images/", "../images/", "../../images/", ""};
    // The copy in the k-th place is k + 1 pixels wide, so a load tells which one it read.
    for (std::size_t k = 0; k < places.size(); ++k) {
        fs::create_directories(here / places[k]);
        writeFile(here / places[k] / "paper.bmp", bmp24Plain(static_cast<int>(k) + 1, 1, {200, 200, 200}));
    }
    WorkingFolder inside(here);
    for (std::size_t k = 0; k < places.size(); ++k) {
        const std::string expected = places[k] + "paper.bmp";
        EXPECT_EQ(ImageIO::findFile("paper.bmp"), expected);
        ImageRect<float> image;
        EXPECT_TRUE(quietLoad("paper.bmp", image));
        EXPECT_EQ(image.width, static_cast<int>(k) + 1) << "read instead of " << expected;
        fs::remove(expected);
    }
    const Console console = captured([] { return ImageIO::findFile("paper.bmp").empty(); });
    EXPECT_TRUE(console.result);
    EXPECT_EQ(console.out, "file not found: paper.bmp\n");
}

TEST_F(ImageFiles, MissingFileSaysSoOnBothStreamsAndKeepsTheImage) {
    WorkingFolder inside(root);
    ImageRect<vec3> image = imageOf(2, 1, vec3{0.25f, 0.5f, 0.75f});
    const ImageRect<vec3> before = image;
    const Console console = captured([&] { return ImageIO::load("absent.bmp", image); });
    EXPECT_FALSE(console.result);
    EXPECT_EQ(console.out, "file not found: absent.bmp\n");
    EXPECT_EQ(console.err, "ImageIO::load: cannot open file: absent.bmp\n");
    EXPECT_TRUE(samePixels(image, before));
}

TEST_F(ImageFiles, RowZeroIsTheBottomRowWhicheverWayTheFileStoresThem) {
    WorkingFolder inside(root);
    const std::vector<std::vector<Rgb>> rows = {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}},        // top
                                                {{0, 51, 102}, {153, 204, 255}, {255, 255, 0}}};  // bottom
    for (bool topDown : {false, true}) {
        writeFile("tiny.bmp", bmp24(3, rows, topDown));
        ImageRect<vec3> image;
        const Console console = captured([&] { return ImageIO::load("tiny.bmp", image); });
        EXPECT_TRUE(console.result);
        EXPECT_EQ(console.err, "ImageIO::load: file loaded: tiny.bmp (3x2)\n");
        ASSERT_EQ(image.width, 3);
        ASSERT_EQ(image.height, 2);
        for (int i = 0; i < 6; ++i) {
            const Rgb& expected = rows[1 - i / 3][i % 3];
            EXPECT_NEAR(image.pixels[i].x, expected[0] / 255.0f, 1e-6f) << "pixel " << i << " top-down " << topDown;
            EXPECT_NEAR(image.pixels[i].y, expected[1] / 255.0f, 1e-6f) << "pixel " << i;
            EXPECT_NEAR(image.pixels[i].z, expected[2] / 255.0f, 1e-6f) << "pixel " << i;
        }
    }
}

TEST_F(ImageFiles, ConvertsBetweenGreyColourAndPalettePictures) {
    WorkingFolder inside(root);
    writeFile("colour.bmp", bmp24(2, {{{128, 128, 128}, {255, 0, 0}}}));
    ImageRect<float> grey;
    ASSERT_TRUE(quietLoad("colour.bmp", grey));
    ASSERT_EQ(grey.width * grey.height, 2);
    EXPECT_NEAR(grey.pixels[0], 128 / 255.0f, 1e-3f);
    EXPECT_GT(grey.pixels[1], 0.0f);  // red has some, but not full, brightness
    EXPECT_LT(grey.pixels[1], 1.0f);

    // A grey PNG of the picture corpus: 0, 128, 255.
    ImageRect<vec3> colour;
    ASSERT_TRUE(quietLoad(std::string(SEEP_SOURCE_DIR) + "/tests/pictures/grey.png", colour));
    ASSERT_EQ(colour.width, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(colour.pixels[i].x, (i == 0 ? 0 : i == 1 ? 128 : 255) / 255.0f, 1e-6f);
        EXPECT_EQ(colour.pixels[i].x, colour.pixels[i].y);
        EXPECT_EQ(colour.pixels[i].x, colour.pixels[i].z);
    }

    // An 8-bit palette picture, two entries: mid grey and blue (stored B, G, R, 0).
    std::string palette = bmpHeaders(2, 1, 8, 2, 4);
    palette += std::string{'\x80', '\x80', '\x80', '\0', '\xFF', '\0', '\0', '\0'};
    palette += std::string{'\0', '\1', '\0', '\0'};
    writeFile("palette.bmp", palette);
    ImageRect<float> paletteGrey;
    ImageRect<vec4> paletteColour;
    ASSERT_TRUE(quietLoad("palette.bmp", paletteGrey));
    ASSERT_TRUE(quietLoad("palette.bmp", paletteColour));
    EXPECT_NEAR(paletteGrey.pixels[0], 128 / 255.0f, 1e-3f);
    const vec4 blue = paletteColour.pixels[1];
    EXPECT_EQ(std::vector<float>({blue.x, blue.y, blue.z, blue.w}), std::vector<float>({0.0f, 0.0f, 1.0f, 1.0f}));
}

TEST_F(ImageFiles, SavingKeepsTheImageAndReplacesTheFile) {
    WorkingFolder inside(root);
    ImageRect<vec4> image = imageOf(3, 2, vec4{});
    for (int i = 0; i < 6; ++i) {
        image.pixels[i] = {i * 40 / 255.0f, (255 - i * 40) / 255.0f, i * 17 / 255.0f, (100 + i * 30) / 255.0f};
    }
    const ImageRect<vec4> before = image;
    // The library reads the alpha of a BMP as opaque; JPEG has none and is lossy, so it gets a plain colour.
    struct Format {
        std::string extension;
        bool keepsAlpha;
        float tolerance;
    };
    // TGA and TIFF are written as well, but not read back (see the picture corpus tests).
    for (const Format& format : {Format{"png", true, 0.5f}, Format{"bmp", false, 0.5f}, Format{"jpg", false, 2.0f}}) {
        const std::string name = "result." + format.extension;
        writeFile(name, "an older file of that name\n");
        const ImageRect<vec4> saved = format.extension == "jpg" ? imageOf(8, 8, vec4{0.2f, 0.5f, 0.8f, 1.0f}) : image;
        const Console console = captured([&] { return ImageIO::save(name, saved); });
        EXPECT_TRUE(console.result);
        EXPECT_EQ(console.err, "ImageIO::save: file saved: " + name + "\n");
        ImageRect<vec4> back;
        ASSERT_TRUE(quietLoad(name, back)) << name;
        ASSERT_EQ(back.width, saved.width) << name;
        ASSERT_EQ(back.height, saved.height) << name;
        const float tolerance = format.tolerance / 255.0f;
        for (int i = 0; i < saved.width * saved.height; ++i) {
            const vec4 a = saved.pixels[i];
            const vec4 b = back.pixels[i];
            EXPECT_NEAR(b.x, a.x, tolerance) << name << " pixel " << i;
            EXPECT_NEAR(b.y, a.y, tolerance) << name << " pixel " << i;
            EXPECT_NEAR(b.z, a.z, tolerance) << name << " pixel " << i;
            EXPECT_NEAR(b.w, format.keepsAlpha ? a.w : 1.0f, tolerance) << name << " pixel " << i;
        }
    }
    EXPECT_TRUE(samePixels(image, before));
}

TEST_F(ImageFiles, FailedSavesAreReported) {
    WorkingFolder inside(root);
    const ImageRect<vec4> image = imageOf(2, 2, vec4{1.0f, 0.0f, 0.0f, 1.0f});
    for (const std::string name : {"result.unknownformat", "no-such-folder/result.png"}) {
        const Console console = captured([&] { return ImageIO::save(name, image); });
        EXPECT_FALSE(console.result);
        EXPECT_EQ(console.err, "ImageIO::save: cannot save file: " + name + "\n");
    }
    // Nothing to save is not a 1 × 1 picture.
    EXPECT_FALSE(quietSave("empty.png", ImageRect<vec4>()));
    EXPECT_FALSE(fs::exists("empty.png"));
}

TEST_F(ImageFiles, DamagedFilesFailWithTheCannotOpenLine) {
    WorkingFolder inside(root);
    ASSERT_TRUE(quietSave("whole.png", imageOf(64, 64, vec4{0.3f, 0.6f, 0.9f, 1.0f})));
    const std::string png = readFile("whole.png");
    const std::string bmp = bmp24Plain(64, 64, {10, 20, 30});
    // 4-bit pictures cut short are otherwise decoded as if nothing were missing.
    const std::string fourBit = bmpHeaders(64, 8, 4, 16, 256) + std::string(64, '\x7F') + std::string(100, '\x12');
    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"cut.bmp", bmp.substr(0, bmp.size() / 2)},
        {"cut4.bmp", fourBit},
        {"header.bmp", bmp.substr(0, 20)},
        {"cut.png", png.substr(0, png.size() - 30)},
        {"chunk.png", png.substr(0, 41)},  // ends inside a chunk: the library's reader never returned
        {"text.png", "this is a note, not a picture\n"},
        {"empty.jpg", ""},
        {"cut.ppm", "P6\n64 64\n255\n" + std::string(500, '\x55')},  // the library's cleanup crashed on this
    };
    for (const auto& [name, bytes] : damaged) {
        writeFile(name, bytes);
        ImageRect<vec4> image = imageOf(1, 1, vec4{0.1f, 0.2f, 0.3f, 0.4f});
        const ImageRect<vec4> before = image;
        const Console console = captured([&] { return ImageIO::load(name, image); });
        EXPECT_FALSE(console.result) << name;
        EXPECT_EQ(console.err, "ImageIO::load: cannot open file: " + name + "\n");
        EXPECT_TRUE(samePixels(image, before)) << name;
    }
    ImageRect<float> image;
    EXPECT_TRUE(quietLoad("whole.png", image));
    EXPECT_EQ(image.width, 64);
}

long peakMegabytes(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss / 1024;
}

TEST_F(ImageFiles, PicturesTooLargeAreRefusedBeforeAnythingIsAllocated) {
    WorkingFolder inside(root);
    const long selfBefore = peakMegabytes(RUSAGE_SELF);
    writeFile("huge.bmp", bmpHeaders(100000, 100000, 24, 0, 0));
    std::string png = std::string("\x89PNG\r\n\x1A\n", 8) + std::string("\0\0\0\x0DIHDR\0\0\x40\x01\0\0\0\x01", 16);
    writeFile("wide.png", png + std::string("\x08\x02\0\0\0", 5));
    // Exactly 4 GiB as RGBA floats: over the library's byte count, not over the side limit.
    writeFile("square.bmp", bmpHeaders(16384, 16384, 24, 0, 0));
    ImageRect<vec4> image = imageOf(1, 1, vec4{0.1f, 0.2f, 0.3f, 0.4f});
    const ImageRect<vec4> before = image;
    for (const auto& [name, size] : {std::pair<std::string, std::string>{"huge.bmp", "100000x100000"},
                                     {"wide.png", "16385x1"},
                                     {"square.bmp", "16384x16384"}}) {
        const Console console = captured([&] { return ImageIO::load(name, image); });
        EXPECT_FALSE(console.result);
        EXPECT_EQ(console.err, "ImageIO::load: picture too large: " + name + " (" + size + ")\n");
    }
    EXPECT_TRUE(samePixels(image, before));
    EXPECT_LT(peakMegabytes(RUSAGE_SELF) - selfBefore, 256);
    EXPECT_LT(peakMegabytes(RUSAGE_CHILDREN), 512);

    // One component per pixel fits, so the same header only fails for its missing data.
    ImageRect<float> grey;
    const Console console = captured([&] { return ImageIO::load("square.bmp", grey); });
    EXPECT_FALSE(console.result);
    EXPECT_EQ(console.err, "ImageIO::load: cannot open file: square.bmp\n");

    // At the limit itself a picture loads.
    ASSERT_TRUE(quietSave("limit.png", imageOf(16384, 1, vec4{0.5f, 0.5f, 0.5f, 1.0f})));
    EXPECT_TRUE(quietLoad("limit.png", image));
    EXPECT_EQ(image.width, 16384);
}

TEST(DataPictures, ComeWithTheProgram) {
    ImageIO::init();
    const fs::path images = fs::path(SEEP_SOURCE_DIR) / "images";
    ImageRect<float> paper;
    ASSERT_TRUE(quietLoad((images / "default.bmp").string(), paper));
    ASSERT_EQ(paper.width, 512);
    ASSERT_EQ(paper.height, 512);
    // Mostly light paper whose grain changes from pixel to pixel, so roughness has something to act on.
    double sum = 0.0;
    double relief = 0.0;
    int light = 0;
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            const float v = paper.pixels[y * 512 + x];
            sum += v;
            light += v >= 0.6f ? 1 : 0;
            relief += x < 511 ? std::fabs(v - paper.pixels[y * 512 + x + 1]) : 0.0;
        }
    }
    EXPECT_GT(sum / (512 * 512), 0.7);
    EXPECT_LT(sum / (512 * 512), 0.9);
    EXPECT_GT(light, 512 * 512 * 95 / 100);
    EXPECT_GT(relief / (511 * 512), 0.02);

    // The two buttons sit 40 pixels apart in the tool strip, each in both of its states.
    for (const auto& [normal, pressed] : {std::pair<std::string, std::string>{"color-chooser.bmp", "color-chooser-pressed.bmp"},
                                          {"eyedropper.bmp", "eyedropper-on.bmp"}}) {
        ImageRect<vec3> a;
        ImageRect<vec3> b;
        ASSERT_TRUE(quietLoad((images / normal).string(), a));
        ASSERT_TRUE(quietLoad((images / pressed).string(), b));
        EXPECT_LE(a.width, 38) << normal;
        EXPECT_LE(a.height, 40) << normal;
        EXPECT_EQ(a.width, b.width) << pressed;
        EXPECT_EQ(a.height, b.height) << pressed;
        EXPECT_FALSE(samePixels(a, b)) << pressed << " looks like " << normal;
    }
}

TEST(DataPictures, AreFoundFromTheRepositoryAndItsBuildFolders) {
    ImageIO::init();
    const fs::path source = SEEP_SOURCE_DIR;
    const auto findsAll = [&] {
        for (const char* name : {"default.bmp", "color-chooser.bmp", "color-chooser-pressed.bmp", "eyedropper.bmp", "eyedropper-on.bmp"}) {
            const std::string found = ImageIO::findFile(name);
            EXPECT_TRUE(!found.empty() && fs::equivalent(found, source / "images" / name))
                << name << " found as '" << found << "' from " << fs::current_path();
        }
    };
    // Tests run in <build folder>/tests, two below the repository.
    if (fs::equivalent(fs::current_path() / ".." / "..", source)) {
        findsAll();
    }
    WorkingFolder atRoot(source);
    findsAll();
}

}  // namespace
