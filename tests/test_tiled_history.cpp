#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "SimTestSupport.h"
#include "sim/DepositionSnapshot.h"

namespace {

constexpr std::size_t tileBytesEach =
    DepositionSnapshot::tileSize * DepositionSnapshot::tileSize * sizeof(MyAlgebra::vec4);

void paint(FluidSimCppPort& sim, int x, int y, MyAlgebra::vec4 colour) {
    sim.deposition[static_cast<std::size_t>(y) * sim.width + x] = colour;
}

TEST(TiledHistory, UndoRestoresEveryBitAcrossPartialTiles) {
    // 70 × 45 cells: tiles of 32 leave a narrow column and row at the edges.
    TestSimulation t(70, 45, 1);
    std::mt19937 gen(5);
    std::uniform_int_distribution<std::uint32_t> bits;
    auto scramble = [&](int count) {
        for (int n = 0; n < count; ++n) {
            const std::size_t k = gen() % t.sim.deposition.size();
            std::uint32_t raw[4] = {bits(gen), bits(gen), bits(gen), bits(gen)};
            std::memcpy(&t.sim.deposition[k], raw, sizeof raw);
        }
    };
    // Values a careless copy or comparison would lose.
    t.sim.deposition[0] = {-0.0f, std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::denorm_min(), 1.0f};
    scramble(500);
    const auto first = depositionBits(t.sim);
    t.sim.pushHistory();
    scramble(40);
    t.sim.deposition.back().w = -0.0f;  // the last cell of the last tile
    const auto second = depositionBits(t.sim);
    t.sim.pushHistory();
    scramble(300);

    t.sim.undo();
    EXPECT_EQ(depositionBits(t.sim), second);
    scramble(10);
    t.sim.undo();
    EXPECT_EQ(depositionBits(t.sim), first);
    EXPECT_EQ(t.sim.historyTop, -1);
}

TEST(TiledHistory, TwelveSmallStrokesHoldOnlyTheTilesTheyChanged) {
    // A 512 × 512 canvas: twelve whole copies would take 12 · 16 · W · H
    // bytes, 48 MiB. Each "stroke" paints one cell of a tile of its own, so
    // each snapshot adds exactly one tile of 32 · 32 cells of 16 bytes.
    TestSimulation t(512, 512, 1);
    std::vector<std::vector<std::uint32_t>> saved;
    for (int stroke = 0; stroke < 12; ++stroke) {
        paint(t.sim, 40 + 40 * stroke, 480 - 35 * stroke, {0.1f, 0.2f, 0.3f, 0.01f * (stroke + 1)});
        t.sim.pushHistory();
        saved.push_back(depositionBits(t.sim));
    }
    EXPECT_EQ(tileBytes(t.sim.history), 12 * tileBytesEach);
    const double flat = 12.0 * 16.0 * 512.0 * 512.0;
    EXPECT_LT(static_cast<double>(tileBytes(t.sim.history)), 0.005 * flat);

    // A thirteenth stroke drops the oldest snapshot; its tile is still
    // shared by every later one, so nothing is released yet.
    paint(t.sim, 5, 5, {1.0f, 1.0f, 1.0f, 1.0f});
    t.sim.pushHistory();
    saved.push_back(depositionBits(t.sim));
    EXPECT_EQ(tileBytes(t.sim.history), 13 * tileBytesEach);

    // Undo gives back the strokes 13, 12, .., 2, each to the bit.
    for (std::size_t stroke = 12; stroke >= 1; --stroke) {
        t.sim.undo();
        EXPECT_EQ(depositionBits(t.sim), saved[stroke]) << "stroke " << stroke + 1;
    }
    EXPECT_TRUE(t.sim.history.empty());
}

TEST(TiledHistory, PaperNeverPaintedTakesNoStorage) {
    TestSimulation t(100, 80, 1);
    t.sim.pushHistory();
    EXPECT_EQ(tileBytes(t.sim.history), 0u);

    // Painted and washed back to zero bits: again no storage.
    paint(t.sim, 99, 79, {0.5f, 0.5f, 0.5f, 0.5f});
    t.sim.pushHistory();
    // The corner tile is cut to 4 × 16 cells by the canvas edges.
    EXPECT_EQ(tileBytes(t.sim.history), 4 * 16 * sizeof(MyAlgebra::vec4));
    paint(t.sim, 99, 79, {});
    t.sim.pushHistory();
    paint(t.sim, 0, 0, {0.25f, 0.0f, 0.0f, 0.0f});
    t.sim.undo();
    EXPECT_EQ(t.sim.deposition[0].x, 0.0f);
    EXPECT_EQ(t.sim.deposition.back().w, 0.0f);
    t.sim.undo();
    EXPECT_EQ(t.sim.deposition.back().w, 0.5f);

    // A negative zero is not paper never painted: its sign bit is kept.
    t.sim.clearHistory();
    paint(t.sim, 99, 79, {});
    paint(t.sim, 50, 50, {0.0f, -0.0f, 0.0f, 0.0f});
    t.sim.pushHistory();
    EXPECT_EQ(tileBytes(t.sim.history), tileBytesEach);
    paint(t.sim, 50, 50, {});
    t.sim.undo();
    EXPECT_TRUE(std::signbit(t.sim.deposition[50 * 100 + 50].y));
}

TEST(TiledHistory, SnapshotsTakenAfterClearingShareNothingWithTheOldOnes) {
    TestSimulation t(40, 40, 1);
    paint(t.sim, 1, 1, {0.3f, 0.3f, 0.3f, 0.3f});
    t.sim.pushHistory();
    t.sim.clearHistory();
    EXPECT_EQ(tileBytes(t.sim.history), 0u);
    t.sim.pushHistory();
    // The painted tile is saved anew: 32 × 32 cells.
    EXPECT_EQ(tileBytes(t.sim.history), tileBytesEach);
    paint(t.sim, 1, 1, {});
    t.sim.undo();
    EXPECT_EQ(t.sim.deposition[41].w, 0.3f);
}

}  // namespace
