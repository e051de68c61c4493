#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "image/ImageRect.h"

namespace {

ImageRect<float> greyImage(int w, int h, float first) {
    std::vector<float> values(static_cast<std::size_t>(w * h));
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = first + static_cast<float>(i);
    ImageRect<float> image;
    image.setPixels(w, h, values.data());
    return image;
}

}  // namespace

TEST(ImageRect, SetPixelsWithNoPixelsReadsNothing) {
    ImageRect<float> image = greyImage(3, 2, 1.0f);
    // A null source proves nothing is read.
    image.setPixels(0, 0, nullptr);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_NE(image.pixels, nullptr);
}

TEST(ImageRect, SetPixelsReplacesSizeAndContentWithACopy) {
    ImageRect<float> image = greyImage(3, 2, 0.0f);
    std::vector<float> source{0.25f, 0.5f};
    image.setPixels(2, 1, source.data());
    source[0] = 9.0f;
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.pixels[0], 0.25f);
    EXPECT_EQ(image.pixels[1], 0.5f);
}

TEST(ImageRect, CopiesOwnTheirPixels) {
    const ImageRect<float> empty;
    const ImageRect<float> emptyCopy(empty);
    EXPECT_EQ(emptyCopy.width, 0);
    EXPECT_EQ(emptyCopy.height, 0);

    ImageRect<float> original = greyImage(2, 2, 10.0f);
    ImageRect<float> copy(original);
    ASSERT_NE(copy.pixels, original.pixels);
    EXPECT_EQ(copy.width, 2);
    EXPECT_EQ(copy.height, 2);
    EXPECT_EQ(copy.pixels[3], 13.0f);
    copy.pixels[0] = -1.0f;
    EXPECT_EQ(original.pixels[0], 10.0f);

    // Assignment: deep, of another size, and back to empty.
    ImageRect<float> assigned = greyImage(5, 1, 0.0f);
    assigned = original;
    ASSERT_NE(assigned.pixels, original.pixels);
    EXPECT_EQ(assigned.width, 2);
    EXPECT_EQ(assigned.pixels[2], 12.0f);
    original.pixels[2] = 0.0f;
    EXPECT_EQ(assigned.pixels[2], 12.0f);
    assigned = assigned;
    EXPECT_EQ(assigned.pixels[1], 11.0f);
    assigned = empty;
    EXPECT_EQ(assigned.width, 0);
    EXPECT_EQ(assigned.height, 0);
    EXPECT_EQ(assigned.pixels, nullptr);
}

TEST(ImageRect, MovesHandOverThePixels) {
    ImageRect<float> source = greyImage(2, 1, 4.0f);
    const float* pixels = source.pixels;
    ImageRect<float> moved(std::move(source));
    EXPECT_EQ(moved.pixels, pixels);
    EXPECT_EQ(source.pixels, nullptr);
    EXPECT_EQ(source.width, 0);

    ImageRect<float> target = greyImage(3, 3, 0.0f);
    target = std::move(moved);
    EXPECT_EQ(target.pixels, pixels);
    EXPECT_EQ(target.width, 2);
    EXPECT_EQ(target.height, 1);
    EXPECT_EQ(moved.pixels, nullptr);
}

TEST(ImageRect, PixelsLieRowAfterRowFromTheBottom) {
    float values[16];
    for (int i = 0; i < 16; ++i) values[i] = static_cast<float>(i);
    ImageRect<vec4> image;
    image.setPixels(2, 2, reinterpret_cast<const vec4*>(values));
    const vec4 column1row0 = image.pixels[0 * image.width + 1];
    EXPECT_EQ(column1row0.x, 4.0f);
    EXPECT_EQ(column1row0.y, 5.0f);
    EXPECT_EQ(column1row0.z, 6.0f);
    EXPECT_EQ(column1row0.w, 7.0f);
    const vec4 column0row1 = image.pixels[1 * image.width + 0];
    EXPECT_EQ(column0row1.x, 8.0f);
    EXPECT_EQ(column0row1.w, 11.0f);
    // The library and OpenGL read the array as 4 · width · height floats.
    EXPECT_EQ(reinterpret_cast<const float*>(image.pixels)[15], 15.0f);
}
