// Reading pictures once, in 8 bits: the conversions Seep does itself are the
// image library's own (checked against the library over every colour), EXIF
// orientations turn pictures upright, and the kinds of file the library
// could not read right (CMYK JPEGs, version-5 BMPs) come out as the
// reference converter shows them.

#include <gtest/gtest.h>

#include <IL/il.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "image/ImageIO.h"
#include "image/LibraryImage.h"
#include "image/LibraryPixels.h"
#include "image/PictureDerivation.h"

namespace fs = std::filesystem;

namespace {

std::string corpusPath(const std::string& name) {
    return std::string(SEEP_SOURCE_DIR) + "/tests/pictures/" + name;
}

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The library's float conversion of width × height pixels of 8-bit samples
// in format (channels of them) to target (IL_LUMINANCE or IL_RGBA).
std::vector<float> libraryFloats(const std::vector<std::uint8_t>& samples, int width, int height, int channels,
                                 ILenum format, ILenum target) {
    ilInit();
    LibraryImage bound;
    EXPECT_EQ(ilTexImage(width, height, 1, static_cast<ILubyte>(channels), format, IL_UNSIGNED_BYTE,
                         const_cast<std::uint8_t*>(samples.data())),
              IL_TRUE);
    EXPECT_EQ(ilConvertImage(target, IL_FLOAT), IL_TRUE);
    const auto* data = reinterpret_cast<const float*>(ilGetData());
    const std::size_t count = static_cast<std::size_t>(width) * height * (target == IL_RGBA ? 4 : 1);
    return std::vector<float>(data, data + count);
}

// Every red, green and blue once (4096 × 4096 pixels), channels samples a
// pixel, blue first when bgr; a fourth sample takes scattered values.
std::vector<std::uint8_t> everyColour(int channels, bool bgr) {
    std::vector<std::uint8_t> samples((std::size_t{1} << 24) * channels);
    for (std::uint32_t k = 0; k < (1u << 24); ++k) {
        std::uint8_t* p = samples.data() + std::size_t{k} * channels;
        const std::uint8_t r = k & 0xFF;
        const std::uint8_t g = (k >> 8) & 0xFF;
        const std::uint8_t b = k >> 16;
        p[0] = bgr ? b : r;
        p[1] = g;
        p[2] = bgr ? r : b;
        if (channels == 4) {
            p[3] = static_cast<std::uint8_t>(k * 2654435761u >> 24);
        }
    }
    return samples;
}

}  // namespace

TEST(LibraryPixels, GreyLevelsAreTheLibrarysForEveryColourInEachOrderOfSamples) {
    struct Case {
        int channels;
        bool bgr;
        ILenum format;
        PixelLayout layout;
    };
    for (const Case& c : {Case{3, false, IL_RGB, PixelLayout::rgb}, Case{3, true, IL_BGR, PixelLayout::bgr},
                          Case{4, false, IL_RGBA, PixelLayout::rgba}, Case{4, true, IL_BGRA, PixelLayout::bgra}}) {
        SCOPED_TRACE(c.format);
        const std::vector<std::uint8_t> samples = everyColour(c.channels, c.bgr);
        const std::vector<float> library = libraryFloats(samples, 4096, 4096, c.channels, c.format, IL_LUMINANCE);
        ImageRect<float> grey;
        derivePicture(PixelsView{c.layout, 4096, 4096, samples.data()}, 1, grey);
        std::size_t wrong = 0;
        for (std::size_t k = 0; k < library.size(); ++k) {
            wrong += sameBits(grey.pixels[k], library[k]) ? 0 : 1;
        }
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(LibraryPixels, SamplesBecomeTheLibrarysFloatsAndFloatsItsSamples) {
    // Grey and grey-with-alpha pictures to colours and grey levels.
    std::vector<std::uint8_t> greys(256 * 2);
    for (int v = 0; v < 256; ++v) {
        greys[2 * v] = static_cast<std::uint8_t>(v);
        greys[2 * v + 1] = static_cast<std::uint8_t>(255 - v);
    }
    const std::vector<float> colours = libraryFloats(greys, 256, 1, 2, IL_LUMINANCE_ALPHA, IL_RGBA);
    const std::vector<float> levels = libraryFloats(greys, 256, 1, 2, IL_LUMINANCE_ALPHA, IL_LUMINANCE);
    for (int v = 0; v < 256; ++v) {
        const float s = library_pixels::sample(static_cast<std::uint8_t>(v));
        EXPECT_TRUE(sameBits(colours[4 * v], s) && sameBits(colours[4 * v + 2], s)) << v;
        EXPECT_TRUE(sameBits(colours[4 * v + 3], library_pixels::sample(static_cast<std::uint8_t>(255 - v)))) << v;
        EXPECT_TRUE(sameBits(levels[v], s)) << v;
    }

    // Float colours to 8-bit samples, as a saved file holds them: values
    // across and beyond 0..1, and the awkward ones.
    std::mt19937 random(5);
    std::vector<float> values(1 << 20);
    for (float& value : values) {
        value = std::uniform_real_distribution<float>(-0.25f, 1.25f)(random);
    }
    const float awkward[] = {NAN, INFINITY, -INFINITY, -0.0f, 0.0f, 1.0f, 0.5f / 255, 254.999f / 255, 1.0000001f};
    std::copy(std::begin(awkward), std::end(awkward), values.begin());
    ilInit();
    LibraryImage bound;
    ASSERT_EQ(ilTexImage(512, 512, 1, 4, IL_RGBA, IL_FLOAT, values.data()), IL_TRUE);
    ASSERT_EQ(ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE), IL_TRUE);
    const std::uint8_t* bytes = ilGetData();
    std::size_t wrong = 0;
    for (std::size_t k = 0; k < values.size(); ++k) {
        wrong += library_pixels::toSample(values[k]) == bytes[k] ? 0 : 1;
    }
    EXPECT_EQ(wrong, 0u);
}

// What the painter loaded before it read pictures itself: the library's
// own conversion of the whole file, row 0 at the bottom.
template <typename T>
std::vector<float> libraryLoad(const std::string& path, ILenum format) {
    ilInit();
    LibraryImage bound;
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_LOWER_LEFT);
    EXPECT_EQ(ilLoadImage(path.c_str()), IL_TRUE) << path;
    if (ilGetInteger(IL_IMAGE_FORMAT) == IL_COLOUR_INDEX) {
        ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE);
    }
    ilConvertImage(format, IL_FLOAT);
    const auto* data = reinterpret_cast<const float*>(ilGetData());
    return std::vector<float>(data, data + ilGetInteger(IL_IMAGE_WIDTH) * ilGetInteger(IL_IMAGE_HEIGHT) *
                                               (sizeof(T) / sizeof(float)));
}

template <typename T>
bool loadsAsTheLibraryDid(const std::string& path, ILenum format) {
    ImageRect<T> picture;
    testing::internal::CaptureStderr();
    const bool loaded = ImageIO::load(path, picture);
    testing::internal::GetCapturedStderr();
    const std::vector<float> expected = libraryLoad<T>(path, format);
    return loaded && expected.size() * sizeof(float) == sizeof(T) * picture.width * picture.height &&
           std::memcmp(expected.data(), picture.pixels, expected.size() * sizeof(float)) == 0;
}

TEST(PictureReading, EveryKindOfPictureGivesTheLibrarysOwnColoursAndGreyLevels) {
    ImageIO::init();
    const std::string images = std::string(SEEP_SOURCE_DIR) + "/images/";
    for (const std::string& path :
         {corpusPath("one-pixel.png"), corpusPath("wide-16384x1.png"), corpusPath("palette.png"),
          corpusPath("grey.png"), corpusPath("grey-16bit.png"), corpusPath("rgb-16bit.png"), corpusPath("alpha.png"),
          corpusPath("grey-alpha.png"), corpusPath("gradient.bmp"), corpusPath("grey.jpg"),
          corpusPath("orientation-1.jpg"), corpusPath("png-no-extension"), images + "default.bmp",
          images + "color-chooser.bmp"}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(loadsAsTheLibraryDid<float>(path, IL_LUMINANCE));
        EXPECT_TRUE(loadsAsTheLibraryDid<vec3>(path, IL_RGB));
        EXPECT_TRUE(loadsAsTheLibraryDid<vec4>(path, IL_RGBA));
    }
}

TEST(PictureReading, EveryExifOrientationStandsThePictureUpright) {
    ImageIO::init();
    // Stored: a b c over d e f (greys 40 80 120 / 160 200 240), 8 × 8
    // pixels each. Upright: the greys at the top-left, top-right and
    // bottom-left corners.
    struct Upright {
        int width;
        int height;
        int topLeft;
        int topRight;
        int bottomLeft;
    };
    const Upright expected[9] = {{},
                                 {24, 16, 40, 120, 160},   // as stored
                                 {24, 16, 120, 40, 240},   // mirrored
                                 {24, 16, 240, 160, 120},  // half a turn
                                 {24, 16, 160, 240, 40},   // upside down
                                 {16, 24, 40, 160, 120},   // along the diagonal
                                 {16, 24, 160, 40, 240},   // a quarter clockwise
                                 {16, 24, 240, 120, 160},  // along the other diagonal
                                 {16, 24, 120, 240, 40}};  // a quarter anticlockwise
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const Upright& e = expected[orientation];
        ImageRect<vec4> colours;
        ImageRect<float> grey;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(ImageIO::load(corpusPath("orientation-" + std::to_string(orientation) + ".jpg"), colours));
        ASSERT_TRUE(ImageIO::load(corpusPath("orientation-" + std::to_string(orientation) + ".jpg"), grey));
        testing::internal::GetCapturedStderr();
        ASSERT_EQ(colours.width, e.width);
        ASSERT_EQ(colours.height, e.height);
        ASSERT_EQ(grey.width, e.width);
        const auto at = [&](int x, int y) { return static_cast<std::size_t>(y) * e.width + x; };
        const std::size_t corners[3] = {at(0, e.height - 1), at(e.width - 1, e.height - 1), at(0, 0)};
        const int greys[3] = {e.topLeft, e.topRight, e.bottomLeft};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(colours.pixels[corners[i]].x, greys[i] / 255.0f) << i;
            EXPECT_EQ(grey.pixels[corners[i]], greys[i] / 255.0f) << i;
        }
    }
}

// What the reference converter makes of pictures that other programs write:
// a CMYK JPEG (inverted ink, YCCK coded, with the Adobe segment) and BMPs
// with version-5 headers, from a colourful photograph-like picture.
class ReferenceConverter : public testing::Test {
protected:
    void SetUp() override {
        if (std::system("convert -version >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "ImageMagick's convert is not installed";
        }
        folder = fs::temp_directory_path() / ("seep-reading-" + std::to_string(getpid()));
        fs::create_directories(folder);
        ImageIO::init();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    bool convert(const std::string& arguments) {
        return std::system(("cd '" + folder.string() + "' && convert " + arguments + " 2>/dev/null").c_str()) == 0;
    }
    template <typename T>
    ImageRect<T> loaded(const std::string& name) {
        ImageRect<T> picture;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(ImageIO::load((folder / name).string(), picture)) << name;
        testing::internal::GetCapturedStderr();
        return picture;
    }
    fs::path folder;
};

TEST_F(ReferenceConverter, CmykJpegsComeOutWithinThreeLevelsOfItsColours) {
    ASSERT_TRUE(convert("-size 96x64 gradient:orange-navy -swirl 120 -quality 95 photo.png"));
    ASSERT_TRUE(convert("photo.png -colorspace CMYK cmyk.jpg"));
    ASSERT_TRUE(convert("cmyk.jpg -colorspace sRGB reference.png"));
    const ImageRect<vec4> got = loaded<vec4>("cmyk.jpg");
    const ImageRect<vec4> reference = loaded<vec4>("reference.png");
    ASSERT_EQ(got.width, reference.width);
    ASSERT_EQ(got.height, reference.height);
    float worst = 0.0f;
    for (int k = 0; k < got.width * got.height; ++k) {
        for (const auto c : {&vec4::x, &vec4::y, &vec4::z}) {
            worst = std::max(worst, std::fabs(got.pixels[k].*c - reference.pixels[k].*c));
        }
        EXPECT_EQ(got.pixels[k].w, 1.0f);
    }
    EXPECT_LE(worst, 3.0f / 255.0f);
}

TEST_F(ReferenceConverter, VersionFiveBmpsGiveThePixelsAndGreyLevelsOfTheirOlderTwins) {
    ASSERT_TRUE(convert("-size 40x30 gradient:orange-navy -swirl 90 photo.png"));
    ASSERT_TRUE(convert("photo.png v5.bmp"));
    ASSERT_TRUE(convert("photo.png BMP3:v3.bmp"));
    ASSERT_TRUE(convert("photo.png -alpha on -channel A -fx 'i/w' +channel v5-alpha.bmp"));
    ASSERT_TRUE(convert("v5-alpha.bmp v5-alpha.png"));
    // The older header is read by the library; the newer ones by Seep.
    const ImageRect<vec4> v3 = loaded<vec4>("v3.bmp");
    const ImageRect<vec4> v5 = loaded<vec4>("v5.bmp");
    const ImageRect<float> v3Grey = loaded<float>("v3.bmp");
    const ImageRect<float> v5Grey = loaded<float>("v5.bmp");
    const ImageRect<vec4> withAlpha = loaded<vec4>("v5-alpha.bmp");
    const ImageRect<vec4> withAlphaPng = loaded<vec4>("v5-alpha.png");
    ASSERT_EQ(v5.width, 40);
    ASSERT_EQ(withAlpha.width, 40);
    for (int k = 0; k < 40 * 30; ++k) {
        ASSERT_EQ(std::memcmp(&v3.pixels[k], &v5.pixels[k], sizeof(vec4)), 0) << k;
        ASSERT_TRUE(sameBits(v3Grey.pixels[k], v5Grey.pixels[k])) << k;
        ASSERT_EQ(std::memcmp(&withAlpha.pixels[k], &withAlphaPng.pixels[k], sizeof(vec4)), 0) << k;
    }
}

TEST_F(ReferenceConverter, PhotographsOfEveryKindGiveTheLibrarysOwnColoursAndGreyLevels) {
    ASSERT_TRUE(convert("-size 120x80 gradient:orange-navy -swirl 200 -attenuate 0.4 +noise Gaussian photo.png"));
    ASSERT_TRUE(convert("photo.png -quality 90 photo.jpg"));
    ASSERT_TRUE(convert("photo.png -colorspace Gray grey.jpg"));
    ASSERT_TRUE(convert("photo.png -alpha on -channel A -fx 'j/h' +channel alpha.png"));
    ASSERT_TRUE(convert("photo.png -colors 50 few-colours.png"));
    ASSERT_TRUE(convert("photo.png BMP3:old.bmp"));
    for (const char* name : {"photo.png", "photo.jpg", "grey.jpg", "alpha.png", "few-colours.png", "old.bmp"}) {
        SCOPED_TRACE(name);
        const std::string path = (folder / name).string();
        EXPECT_TRUE(loadsAsTheLibraryDid<float>(path, IL_LUMINANCE));
        EXPECT_TRUE(loadsAsTheLibraryDid<vec4>(path, IL_RGBA));
    }
}
