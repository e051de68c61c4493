#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "SimTestSupport.h"
#include "sim/DepositionSnapshot.h"
#include "tests/StepScene.h"

namespace {

constexpr std::size_t tileBytesEach =
    DepositionSnapshot::tileSize * DepositionSnapshot::tileSize * sizeof(vec4);

// Writes one cell by hand and marks it, as every writer of the deposition
// must for the next snapshot to see it.
void paint(WatercolorSimulation& sim, int x, int y, vec4 colour) {
    sim.deposition[static_cast<std::size_t>(y) * sim.width + x] = colour;
    sim.historyChanges.mark(x, y, x + 1, y + 1);
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
            const int x = static_cast<int>(k % 70);
            const int y = static_cast<int>(k / 70);
            t.sim.historyChanges.mark(x, y, x + 1, y + 1);
        }
    };
    // Values a careless copy or comparison would lose.
    t.sim.deposition[0] = {-0.0f, std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::denorm_min(), 1.0f};
    scramble(500);
    const auto first = depositionBits(t.sim);
    t.sim.pushHistory();
    scramble(40);
    paint(t.sim, 69, 44, {t.sim.deposition.back().x, t.sim.deposition.back().y,
                          t.sim.deposition.back().z, -0.0f});  // the last cell of the last tile
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
    EXPECT_EQ(tileBytes(t.sim.history), 4 * 16 * sizeof(vec4));
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

TEST(TiledHistory, OnlyMarkedTilesAreComparedAndAnEditByHandIsSeenWhole) {
    TestSimulation t(96, 64, 1);
    paint(t.sim, 10, 10, {0.1f, 0.1f, 0.1f, 0.1f});
    t.sim.pushHistory();
    // Written without a mark: the snapshot trusts the marks and shares the
    // old tile, so the write is not in it.
    t.sim.deposition[static_cast<std::size_t>(40) * 96 + 70] = {0.2f, 0.2f, 0.2f, 0.2f};
    paint(t.sim, 10, 10, {0.3f, 0.3f, 0.3f, 0.3f});
    t.sim.pushHistory();
    EXPECT_EQ(tileBytes(t.sim.history), 2 * tileBytesEach);
    // Told the deposition was edited by hand, the next snapshot compares
    // every tile and finds the write.
    t.sim.depositionEdited();
    t.sim.pushHistory();
    EXPECT_EQ(tileBytes(t.sim.history), 3 * tileBytesEach);
    const auto edited = depositionBits(t.sim);
    paint(t.sim, 70, 40, {});
    paint(t.sim, 10, 10, {});
    t.sim.undo();
    EXPECT_EQ(depositionBits(t.sim), edited);
}

TEST(TiledHistory, StrokesPaintedByTheStepUndoToTheBit) {
    // Wet particles crossing many tiles of a wide canvas: every snapshot
    // must hold what the step painted, although only marked tiles are
    // compared.
    stepscene::Scene s(200, 120, 40);
    std::vector<std::vector<std::uint32_t>> saved;
    for (int stroke = 0; stroke < 5; ++stroke) {
        for (int i = 0; i < s.sim.particleCount; ++i) {
            s.place(i, static_cast<float>(5 + (i * 37 + stroke * 53) % 190),
                    static_cast<float>(5 + (i * 17 + stroke * 29) % 110), 4.0f);
            s.sim.particleVelocity[i] = {0.3f, -0.2f};
            s.sim.particlePigment[i].w = 0.01f;
        }
        for (int n = 0; n < 20; ++n) s.sim.step(1.0f);
        s.sim.pushHistory();
        saved.push_back(depositionBits(s.sim));
    }
    EXPECT_NE(saved.front(), saved.back());
    EXPECT_GT(tileBytes(s.sim.history), 2 * tileBytesEach);
    for (int n = 0; n < 20; ++n) s.sim.step(1.0f);
    for (std::size_t stroke = 4; stroke >= 1; --stroke) {
        s.sim.undo();
        EXPECT_EQ(depositionBits(s.sim), saved[stroke]) << "stroke " << stroke + 1;
    }
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
