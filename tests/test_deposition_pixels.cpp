#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "sim/DepositionPixels.h"

namespace {

TEST(DepositionPixels, ChannelsBecomeBytesAsOpenGLStoresThem) {
    EXPECT_EQ(channelByte(0.0f), 0);
    EXPECT_EQ(channelByte(1.0f), 255);
    // 0.5 · 255 = 127.5 lies halfway: ties go to the even 128.
    EXPECT_EQ(channelByte(0.5f), 128);
    // 0.002 · 255 = 0.51 rounds up, 0.0019 · 255 = 0.4845 down.
    EXPECT_EQ(channelByte(0.002f), 1);
    EXPECT_EQ(channelByte(0.0019f), 0);
    EXPECT_EQ(channelByte(0.998f), 254);
    // Outside 0..1 the value is clamped first; NaN becomes 0.
    EXPECT_EQ(channelByte(-0.5f), 0);
    EXPECT_EQ(channelByte(-0.0f), 0);
    EXPECT_EQ(channelByte(7.0f), 255);
    EXPECT_EQ(channelByte(std::numeric_limits<float>::infinity()), 255);
    EXPECT_EQ(channelByte(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(DepositionPixels, RegionIsCopiedRowByRowWithoutGaps) {
    // A 5 × 4 grid whose cell (x, y) has red x/4 and green y/4.
    std::vector<vec4> grid(20);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) grid[static_cast<std::size_t>(y * 5 + x)] = {x / 4.0f, y / 4.0f, 1.0f, 0.0f};
    }
    std::vector<std::uint8_t> bytes;
    depositionBytes(grid.data(), 5, CellRect{1, 2, 4, 4}, bytes);
    ASSERT_EQ(bytes.size(), 3u * 2u * 4u);
    // First the cells (1, 2), (2, 2), (3, 2), then row 3.
    const std::vector<std::uint8_t> expected{64, 128, 255, 0, 128, 128, 255, 0, 191, 128, 255, 0,
                                             64, 191, 255, 0, 128, 191, 255, 0, 191, 191, 255, 0};
    EXPECT_EQ(bytes, expected);

    depositionBytes(grid.data(), 5, CellRect{}, bytes);
    EXPECT_TRUE(bytes.empty());
}

TEST(DepositionPixels, WholeRowsGiveEveryChannelItsOwnByte) {
    // Rows long enough for the four-cells-at-a-time conversion, with values
    // around every rounding and clamping edge, checked against channelByte.
    std::mt19937 gen(11);
    std::uniform_real_distribution<float> spread(-0.2f, 1.2f);
    const float edges[] = {0.0f,
                           -0.0f,
                           1.0f,
                           0.5f,
                           1.5f / 255.0f,
                           2.5f / 255.0f,
                           std::nextafter(1.0f, 0.0f),
                           std::numeric_limits<float>::quiet_NaN(),
                           -std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::denorm_min()};
    std::vector<vec4> grid(13 * 7);
    std::size_t next = 0;
    for (vec4& cell : grid) {
        float* channel = &cell.x;
        for (int c = 0; c < 4; ++c, ++next) channel[c] = next % 3 == 0 ? edges[next / 3 % 11] : spread(gen);
    }
    std::vector<std::uint8_t> bytes;
    depositionBytes(grid.data(), 13, CellRect{0, 0, 13, 7}, bytes);
    ASSERT_EQ(bytes.size(), grid.size() * 4);
    for (std::size_t k = 0; k < grid.size(); ++k) {
        const float* channel = &grid[k].x;
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(bytes[4 * k + static_cast<std::size_t>(c)], channelByte(channel[c]))
                << "cell " << k << " channel " << c << " value " << channel[c];
        }
    }
}

}  // namespace
