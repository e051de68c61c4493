#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim/WatercolorSimulation.h"

namespace {

struct SizeTable : ::testing::Test {
    ShellState shell;
    WatercolorSimulation sim{shell};
    void SetUp() override { buildSizeMassTable(sim); }
};

// The plain definition the lookup must agree with.
int firstClassHolding(const WatercolorSimulation& simulation, float w) {
    for (int d = 0; d < simulation.sizeMassTableLength; ++d) {
        if (w <= simulation.sizeMassTable[d]) {
            return d;
        }
    }
    return simulation.sizeMassTableLength;
}

}  // namespace

TEST_F(SizeTable, EntriesAreTheLastMassBelowEachClassBoundary) {
    ASSERT_EQ(sim.sizeMassTable.size(), 12u);
    EXPECT_EQ(sim.sizeMassTable[0], 0.5f);
    for (int d = 1; d < 12; ++d) {
        EXPECT_GT(sim.sizeMassTable[d], sim.sizeMassTable[d - 1]) << "class " << d;
    }
    // Class d ends where the diameter 2·(3m / 12.56)^(1/3) reaches d + 1,
    // at m = 12.56 / 3 · ((d + 1) / 2)^3: 0.523 for class 0, 4.187 for
    // class 1, 696.56 for class 10. Each entry is the last step of 0.1 below
    // that boundary (the steps drift a little from exact tenths).
    for (int d = 0; d < 12; ++d) {
        const double boundary = 12.56 / 3 * std::pow((d + 1) / 2.0, 3);
        EXPECT_LT(sim.sizeMassTable[d], boundary) << "class " << d;
        EXPECT_GT(sim.sizeMassTable[d] + 0.1, boundary) << "class " << d;
    }
    EXPECT_NEAR(sim.sizeMassTable[1], 4.1, 1e-4);
    EXPECT_NEAR(sim.sizeMassTable[2], 14.1, 1e-4);
}

TEST_F(SizeTable, ParticleSizeSelectsItsEntry) {
    EXPECT_EQ(selectParticleSize(sim, 0), 0.5f);
    EXPECT_EQ(sim.particleMass, 0.5f);
    EXPECT_EQ(selectParticleSize(sim, 10), sim.sizeMassTable[10]);
    EXPECT_EQ(sim.particleMass, sim.sizeMassTable[10]);
    EXPECT_NEAR(sim.particleMass, 696.5, 0.1);
}

TEST_F(SizeTable, ParticleSizeOutsideThePanelRangeStaysInTheTable) {
    EXPECT_EQ(selectParticleSize(sim, -3), sim.sizeMassTable[0]);
    EXPECT_EQ(selectParticleSize(sim, 40), sim.sizeMassTable[11]);
}

TEST_F(SizeTable, SizeClassOfWater) {
    EXPECT_EQ(sizeClassOf(sim, 0.0f), 0);
    EXPECT_EQ(sizeClassOf(sim, 0.5f), 0);
    EXPECT_EQ(sizeClassOf(sim, 0.51f), 1);
    EXPECT_EQ(sizeClassOf(sim, sim.sizeMassTable[11]), 11);
    EXPECT_EQ(sizeClassOf(sim, std::nextafter(sim.sizeMassTable[11], 2000.0f)), 12);
    EXPECT_EQ(sizeClassOf(sim, 5000.0f), 12);
    for (int d = 1; d < 12; ++d) {
        EXPECT_EQ(sizeClassOf(sim, sim.sizeMassTable[d]), d);
        EXPECT_EQ(sizeClassOf(sim, std::nextafter(sim.sizeMassTable[d - 1], 2000.0f)), d);
    }
}

TEST_F(SizeTable, SizeClassLookupAgreesWithAPlainScan) {
    const float specials[] = {-1.0f,
                              -0.0f,
                              0.05f,
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::denorm_min()};
    for (float w : specials) {
        EXPECT_EQ(sizeClassOf(sim, w), firstClassHolding(sim, w)) << w;
    }
    // Every 0.01 up to beyond the last class, and each float around the
    // entries themselves.
    for (int i = 0; i < 100000; ++i) {
        const float w = static_cast<float>(i) * 0.01f;
        ASSERT_EQ(sizeClassOf(sim, w), firstClassHolding(sim, w)) << w;
    }
    for (float entry : sim.sizeMassTable) {
        for (float w : {std::nextafter(entry, 0.0f), entry, std::nextafter(entry, 2000.0f)}) {
            EXPECT_EQ(sizeClassOf(sim, w), firstClassHolding(sim, w)) << w;
        }
    }
}

TEST_F(SizeTable, RebuildingGivesTheSameTable) {
    const std::vector<float> first = sim.sizeMassTable;
    sim.sizeMassTable.assign(3, 7.0f);
    buildSizeMassTable(sim);
    EXPECT_EQ(sim.sizeMassTable, first);
}
