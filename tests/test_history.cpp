#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "SimTestSupport.h"

namespace {

struct History : ::testing::Test {
    TestSimulation t{3, 2, 2};
};

}  // namespace

TEST_F(History, ThirteenthPushDropsTheOldest) {
    for (int push = 1; push <= 13; ++push) {
        t.sim.deposition[4].y = static_cast<float>(push);
        t.sim.depositionEdited();
        t.sim.pushHistory();
    }
    EXPECT_EQ(t.sim.history.size(), 12u);
    EXPECT_EQ(t.sim.historyTop, 11);

    t.sim.deposition[4].y = 99.0f;
    for (int undo = 1; undo <= 12; ++undo) {
        t.sim.undo();
        EXPECT_EQ(t.sim.deposition[4].y, static_cast<float>(14 - undo)) << "undo " << undo;
        EXPECT_EQ(t.sim.historyTop, 11 - undo);
    }
    // The thirteenth undo finds the history empty: push 1 is gone.
    t.sim.undo();
    EXPECT_EQ(t.sim.deposition[4].y, 2.0f);
    EXPECT_EQ(t.sim.historyTop, -1);
    EXPECT_TRUE(t.sim.history.empty());
}

TEST_F(History, UndoRestoresTheDepositionBitForBit) {
    // Values whose bits a careless copy would lose: -0, NaN, a subnormal.
    t.sim.deposition[0] = {-0.0f, std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::denorm_min(), 0.3f};
    t.sim.deposition[5] = {0.1f, 0.2f, 0.7f, 1.0f};
    t.sim.depositionEdited();
    const std::vector<std::uint32_t> before = depositionBits(t.sim);
    t.sim.pushHistory();
    EXPECT_EQ(t.sim.history.back().size(), 24u);

    for (vec4& cell : t.sim.deposition) {
        cell = {0.5f, 0.5f, 0.5f, 0.9f};
    }
    t.sim.particleWater[1] = 3.0f;
    t.sim.absorbedWater[2] = 0.25f;
    t.sim.undo();
    EXPECT_EQ(depositionBits(t.sim), before);
    // Only the deposition goes back.
    EXPECT_EQ(t.sim.particleWater[1], 3.0f);
    EXPECT_EQ(t.sim.absorbedWater[2], 0.25f);
}

TEST_F(History, UndoWithoutSnapshotsChangesNothing) {
    t.sim.deposition[3].w = 0.6f;
    t.sim.undo();
    EXPECT_EQ(t.sim.deposition[3].w, 0.6f);
    EXPECT_EQ(t.sim.historyTop, -1);

    t.sim.pushHistory();
    t.sim.pushHistory();
    t.sim.clearHistory();
    EXPECT_TRUE(t.sim.history.empty());
    EXPECT_EQ(t.sim.historyTop, -1);
    t.sim.deposition[3].w = 0.8f;
    const std::vector<std::uint32_t> before = depositionBits(t.sim);
    t.sim.undo();
    EXPECT_EQ(depositionBits(t.sim), before);
    EXPECT_EQ(t.sim.historyTop, -1);
}

TEST_F(History, SnapshotOfAnotherSizeNeverWritesPastTheDeposition) {
    t.sim.pushHistory();
    t.sim.history.back().assign(400, 1.0f);
    t.sim.undo();
    EXPECT_EQ(t.sim.deposition.size(), 6u);
    EXPECT_EQ(t.sim.deposition[5].w, 1.0f);
}

TEST_F(History, DepositionAtReadsFourFloatsPerCell) {
    // Cell (2, 1) of the 3 × 2 canvas is cell 5.
    t.sim.deposition[0] = {0.1f, 0.2f, 0.3f, 0.4f};
    t.sim.deposition[5] = {0.5f, 0.6f, 0.7f, 0.8f};
    EXPECT_EQ(t.sim.depositionAt(3), 0.4f);
    EXPECT_EQ(t.sim.depositionAt(0), 0.1f);
    EXPECT_EQ(t.sim.depositionAt(4 * (1 * 3 + 2) + 0), 0.5f);
    EXPECT_EQ(t.sim.depositionAt(4 * (1 * 3 + 2) + 2), 0.7f);
    EXPECT_EQ(t.sim.depositionAt(4 * (1 * 3 + 2) + 3), 0.8f);
    // Outside the result: 0, not a read past the array.
    EXPECT_EQ(t.sim.depositionAt(24), 0.0f);
    EXPECT_EQ(t.sim.depositionAt(-1), 0.0f);
}

TEST_F(History, LoadedNearWhitePixelsCarryNoDeposit) {
    std::vector<vec4> picture(6, vec4{0.2f, 0.4f, 0.6f, 0.5f});
    picture[1] = {0.95f, 0.95f, 0.95f, 1.0f};
    picture[2] = {0.95f, 0.9f, 0.95f, 1.0f};  // 0.9 is not above 0.9
    picture[3] = {0.9000001f, 0.9000001f, 0.9000001f, 0.7f};
    t.sim.loadDeposition(picture.data());

    EXPECT_EQ(t.sim.deposition[0].z, 0.6f);
    EXPECT_EQ(t.sim.deposition[0].w, 0.5f);
    EXPECT_EQ(t.sim.deposition[1].x, 0.95f);
    EXPECT_EQ(t.sim.deposition[1].w, 0.0f);
    EXPECT_EQ(t.sim.deposition[2].y, 0.9f);
    EXPECT_EQ(t.sim.deposition[2].w, 1.0f);
    EXPECT_EQ(t.sim.deposition[3].w, 0.0f);
    EXPECT_EQ(t.sim.deposition[5].w, 0.5f);
}
