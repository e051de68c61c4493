#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/SimulationKind.h"

TEST(SimulationKind, OneKindNamedCppPort) {
    const std::vector<SimulationKind>& kinds = simulationKinds();
    ASSERT_EQ(kinds.size(), 1u);
    EXPECT_EQ(currentKind, 0);
    EXPECT_EQ(kinds[0].name, "C++ Port");
    ASSERT_TRUE(kinds[0].openSettings);
    ASSERT_TRUE(kinds[0].onExit);
    kinds[0].openSettings();
    kinds[0].onExit();
}

TEST(SimulationKind, FactoryMakesAFreshSimulationOnTheGivenShell) {
    ShellState shell;
    seedRandom(11);
    std::unique_ptr<AbstractFluidSim2D> made = simulationKinds()[currentKind].create(shell);
    auto* sim = dynamic_cast<FluidSimCppPort*>(made.get());
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(&sim->shell, &shell);
    EXPECT_EQ(sim->particleCount, 2000);
    EXPECT_EQ(sim->historyTop, -1);
    EXPECT_TRUE(sim->particlePosition.empty());
    EXPECT_EQ(randomState().state, 11u);
    EXPECT_FALSE(sim->settingsVisible);

    // Each call makes its own object.
    EXPECT_NE(simulationKinds()[currentKind].create(shell).get(), made.get());
}

TEST(SimulationKind, SettingsWindowShowsAndHides) {
    ShellState shell;
    FluidSimCppPort sim(shell);
    sim.showSettings();
    EXPECT_TRUE(sim.settingsVisible);
    sim.hideSettings();
    EXPECT_FALSE(sim.settingsVisible);
    sim.hideSettings();
    EXPECT_FALSE(sim.settingsVisible);
}

TEST(SimulationKind, DestroyingThroughTheInterfaceReleasesEverything) {
    ShellState shell;
    shell.window.canvasWidth = 16;
    shell.window.canvasHeight = 8;
    shell.initSeed = [] { return 0u; };
    std::unique_ptr<AbstractFluidSim2D> sim = simulationKinds()[currentKind].create(shell);
    sim->particleCount = 10;
    sim->init();
    sim->pushHistory();
    sim->pushHistory();
    sim.reset();
    EXPECT_EQ(sim, nullptr);

    // An object that never allocated anything is destroyed just as well.
    simulationKinds()[currentKind].create(shell).reset();
}
