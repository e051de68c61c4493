#include <gtest/gtest.h>

#include <cstring>

#include "ShellTestSupport.h"
#include "app/DerivedParameters.h"
#include "app/ShellPictures.h"
#include "sim/WatercolorSimulation.h"

namespace {

using enum PanelCommand;
constexpr PanelCommand Absorptivity = AbsorptivityChanged, ParticleSize = ParticleSizeChanged,
                       WaterAmount = WaterAmountChanged, DepositionAmount = DepositionAmountChanged,
                       MouseOperation = MouseOperationChanged, InstantResult = InstantResultToggled;

class Commands : public ::testing::Test {
protected:
    Commands() : sim(t.useSimulation()) {}

    TestShell t;
    WatercolorSimulation& sim;
    PanelSettings& panel = t.shell.state.panel;
    EditingState& editing = t.shell.state.editing;
};

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool allParked(const WatercolorSimulation& sim) {
    for (const vec2& p : sim.particlePosition) {
        if (p.x != float(sim.width + 100) || p.y != float(sim.height + 100)) return false;
    }
    return true;
}

}  // namespace

TEST(PanelStartValues, DerivedFromTheStartSettings) {
    const PanelSettings panel;
    // 5 / 1150 without a path-length factor, about 0.004348; nothing soaks in
    // at absorptivity 0.
    EXPECT_NEAR(panel.paintColor.w, 5.0 / 1150.0, 1e-9);
    EXPECT_EQ(panel.capacityFill + panel.rateFill + panel.dryingAmount, 0.0f);
    EXPECT_EQ(panel.resolvabilityComplement, 0.45f);
}

TEST(DerivedParameters, FootprintCountsCellsInsideTheDiscPlusTwicePerCell) {
    EXPECT_EQ(footprintCountOf(0), 0.0f);
    EXPECT_EQ(footprintCountOf(1), 11.0f);  // 2 · 4 + 3
    EXPECT_EQ(footprintCountOf(2), 43.0f);  // 2 · 16 + 11
}

TEST_F(Commands, StartWithoutAPathSuppliesNoPigmentAndSeedsTheParticles) {
    controlCallback(t.shell, Start);
    EXPECT_EQ(panel.paintColor.w, 0.0f);
    EXPECT_EQ(editing.restartPath, 1);
    // A snapshot first; without a path the particles stay parked.
    EXPECT_EQ(sim.historyTop, 0);
    EXPECT_TRUE(allParked(sim));
    EXPECT_EQ(t.windows.redisplayRequests, 1);
}

TEST_F(Commands, DepositionRateFollowsPathLengthSizeWaterAndAmount) {
    panel.pathLength = 200.0f;
    panel.depositionAmount = 10.0f;
    controlCallback(t.shell, DepositionAmount);
    // 1 · (200 / 400) · (1 / 1150) · 10, rounded in that order.
    EXPECT_TRUE(sameBits(panel.paintColor.w, 1.0f * 0.5f * float(1.0 / 1150) * 10.0f));
    EXPECT_NEAR(panel.paintColor.w, 5.0 / 1150.0, 1e-8);
}

TEST_F(Commands, BrushSetsItsModesAndAQuarterOfTheRate) {
    panel.mouseOperation = 3;
    controlCallback(t.shell, MouseOperation);
    EXPECT_EQ(editing.spawnMode, 2);
    EXPECT_EQ(editing.pathMode + editing.areaMode + editing.perspectiveMode, 0);
    EXPECT_EQ(panel.pathLength, 100.0f);
    EXPECT_TRUE(sameBits(panel.paintColor.w, float(1.0 / 1) * 0.25f * float(1.0 / 1150) * 5.0f));

    // The area operation leaves the brush as the spawn mode; only
    // "Particles Position" returns to the path.
    panel.mouseOperation = 1;
    controlCallback(t.shell, MouseOperation);
    EXPECT_EQ(editing.areaMode, 1);
    EXPECT_EQ(editing.spawnMode, 2);
    panel.mouseOperation = 2;
    controlCallback(t.shell, MouseOperation);
    EXPECT_EQ(editing.perspectiveMode, 1);
    EXPECT_EQ(editing.areaMode, 0);
    panel.mouseOperation = 0;
    controlCallback(t.shell, MouseOperation);
    EXPECT_EQ(editing.spawnMode, 1);
    EXPECT_EQ(editing.pathMode, 1);
}

TEST_F(Commands, ParticleSizeOneGivesFootprintElevenAndFactorFourteen) {
    panel.absorptivity = 0.2f;
    panel.particleSizeIndex = 1;
    controlCallback(t.shell, ParticleSize);
    EXPECT_EQ(panel.footprintCount, 11.0f);
    EXPECT_EQ(sim.particleMass, sim.sizeMassTable[1]);
    EXPECT_EQ(panel.sizeCacheIndex, 1);
    EXPECT_EQ(panel.sizeCacheMass, sim.sizeMassTable[1]);
    const float water = 1150.0f;
    EXPECT_TRUE(sameBits(panel.capacityFill, float(0.05 / 1000) * 14.0f * water * 0.2f));
    EXPECT_TRUE(sameBits(panel.rateFill, float(0.005 / 1000) * 14.0f * water * 0.2f));
    EXPECT_TRUE(sameBits(panel.dryingAmount, (0.005f / 1000) * 14.0f * water * 0.2f));
    // 1/6 · (0 / 400) · ...: no path yet, no pigment.
    EXPECT_EQ(panel.paintColor.w, 0.0f);
    EXPECT_EQ(sim.absorptionCapacity[0], panel.capacityFill);

    // Back to size 0: the cache holds size 1, so the table is asked again.
    panel.particleSizeIndex = 0;
    controlCallback(t.shell, ParticleSize);
    EXPECT_EQ(sim.particleMass, 0.5f);
    EXPECT_EQ(panel.footprintCount, 0.0f);
}

TEST_F(Commands, AbsorptivityUsesFootprintPlusOne) {
    panel.absorptivity = 0.2f;
    controlCallback(t.shell, Absorptivity);
    // 0.05 / 1000 · 6 · 1150 · 0.2 with F = 5 and N = 1000, about 0.069.
    EXPECT_TRUE(sameBits(panel.capacityFill, float(0.05 / 1000) * 6.0f * 1150.0f * 0.2f));
    EXPECT_NEAR(panel.capacityFill, 0.069, 1e-8);
    EXPECT_NEAR(panel.rateFill, 0.0069, 1e-9);
    EXPECT_NEAR(panel.dryingAmount, 0.0069, 1e-9);
    EXPECT_EQ(sim.absorptionRate[5], panel.rateFill);
}

TEST_F(Commands, WaterAmountChangesOnlyTheWaterFactorNotTheCoefficients) {
    panel.absorptivity = 0.2f;
    panel.pathLength = 400.0f;
    panel.waterAmount = 500;
    controlCallback(t.shell, WaterAmount);
    EXPECT_EQ(panel.capacityCoefficient, float(0.05 / 1000));
    EXPECT_EQ(panel.rateCoefficient, float(0.005 / 1000));
    EXPECT_EQ(panel.dryingCoefficient, 0.005f / 1000);
    EXPECT_EQ(sim.particleCount, 500);
    // k = F + 3 = 8 for capacity and rate, k′ = F + 1 = 6 for drying.
    EXPECT_TRUE(sameBits(panel.capacityFill, float(0.05 / 1000) * 8.0f * 650.0f * 0.2f));
    EXPECT_TRUE(sameBits(panel.dryingAmount, (0.005f / 1000) * 6.0f * 650.0f * 0.2f));
    EXPECT_TRUE(sameBits(panel.paintColor.w, 1.0f * 1.0f * float(1.0 / 650) * 5.0f));
    EXPECT_EQ(sim.particlePosition.size(), 500u);
    EXPECT_TRUE(allParked(sim));
    EXPECT_EQ(sim.absorptionCapacity[0], panel.capacityFill);
}

TEST_F(Commands, InitInitialisesTwiceOnlyOnTheFirstRun) {
    panel.waterAmount = 321;
    sim.deposition[3].w = 0.5f;
    controlCallback(t.shell, Init);
    EXPECT_EQ(sim.deposition[3].w, 0.0f);
    EXPECT_EQ(sim.particleCount, 321);
    EXPECT_EQ(sim.particleWater.size(), 321u);
    EXPECT_TRUE(allParked(sim));
    EXPECT_EQ(sim.particleMass, 0.5f);
    EXPECT_EQ(panel.firstInit, 0);
    // The first Init clears before its snapshot, so the snapshot is blank.
    ASSERT_EQ(sim.historyTop, 0);
    controlCallback(t.shell, Undo);
    EXPECT_EQ(sim.deposition[3].w, 0.0f);

    // Later ones snapshot what they clear.
    sim.deposition[3].w = 0.5f;
    sim.depositionEdited();
    controlCallback(t.shell, Init);
    EXPECT_EQ(sim.deposition[3].w, 0.0f);
    controlCallback(t.shell, Undo);
    EXPECT_EQ(sim.deposition[3].w, 0.5f);
}

TEST_F(Commands, SmallSettingsCommands) {
    panel.instantResult = 1;
    controlCallback(t.shell, InstantResult);
    EXPECT_EQ(panel.continuousRun, 0);
    panel.instantResult = 0;
    controlCallback(t.shell, InstantResult);
    EXPECT_EQ(panel.continuousRun, 1);

    // Every call asks for a redraw.
    const int before = t.windows.redisplayRequests;
    controlCallback(t.shell, InstantResult);
    EXPECT_EQ(t.windows.redisplayRequests, before + 1);
}

TEST_F(Commands, ResetClearsOnlyWhatTheActiveOperationsDraw) {
    appendPoint(editing.path, {1, 2});
    appendPoint(editing.pathDraft, {1, 2});
    appendPoint(editing.area, {3, 4});
    editing.guideLine1Start = {5, 6};
    editing.guideLineGap = 20.0f;
    editing.secondLinePending = 1;
    editing.pathStarted = editing.areaStarted = 1;

    // Start-up modes: only the path is emptied.
    controlCallback(t.shell, Reset);
    EXPECT_TRUE(editing.path.empty() && editing.pathDraft.empty());
    EXPECT_EQ(editing.area.size(), 1);
    EXPECT_EQ(editing.guideLineGap, 20.0f);
    EXPECT_EQ(editing.pathStarted + editing.areaStarted, 0);

    editing.pathMode = 0;
    editing.areaMode = 1;
    editing.perspectiveMode = 1;
    appendPoint(editing.area, {10, 4});
    t.shell.state.window.displayScale = 1.0f;
    sim.updateAreaMask();
    ASSERT_EQ(sim.areaMask[4 * 16 + 5], 1);
    controlCallback(t.shell, Reset);
    EXPECT_TRUE(editing.area.empty());
    EXPECT_EQ(editing.guideLine1Start.x, 0.0f);
    EXPECT_EQ(editing.guideLineGap, 0.0f);
    EXPECT_EQ(editing.secondLinePending, 1);  // the line progress is kept
    EXPECT_EQ(sim.areaMask[4 * 16 + 5], 0);
}

TEST_F(Commands, CancelledImageOpenChangesNothing) {
    ScratchDirectory scratch;
    testing::internal::CaptureStdout();
    controlCallback(t.shell, ImageOpen);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(t.shell.state.window.canvasWidth, 16);
    EXPECT_EQ(sim.width, 16);
    EXPECT_EQ(t.windows.requestedWidth, 0);
}

TEST_F(Commands, ImageOpenAsksForTheFixedWindowAndCentresTheBrushOnTheCanvas) {
    ScratchDirectory scratch;
    const std::string file = scratch.path("small.png");
    ASSERT_TRUE(writePicture(file, 300, 200, vec4{0.5f, 0.5f, 0.5f, 1.0f}));
    appendPoint(editing.path, {7, 7});
    appendPoint(editing.area, {8, 8});
    appendPoint(editing.areaDraft, {8, 8});
    editing.guideLine2End = {9, 9};
    editing.gravityStart = editing.gravityEnd = {4, 4};
    t.windows.fileAnswer = file;

    testing::internal::CaptureStdout();
    controlCallback(t.shell, ImageOpen);
    testing::internal::GetCapturedStdout();

    EXPECT_EQ(t.windows.requestedWidth, 862);
    EXPECT_EQ(t.windows.requestedHeight, 512);
    // The window itself changes only when the reshape is reported.
    EXPECT_EQ(t.shell.state.window.windowWidth, 1002);
    EXPECT_EQ(t.shell.state.window.canvasWidth, 300);
    EXPECT_EQ(t.shell.state.window.canvasHeight, 200);
    EXPECT_EQ(editing.brushPoint.x, 150.0f);
    EXPECT_EQ(editing.brushPoint.y, 100.0f);
    EXPECT_TRUE(editing.area.empty() && editing.areaDraft.empty());
    EXPECT_EQ(editing.path.size(), 1);
    EXPECT_EQ(editing.guideLine2End.x, 0.0f);
    EXPECT_EQ(editing.gravityStart.y, 1.0f);
    EXPECT_EQ(editing.gravityEnd.y, 0.0f);
    EXPECT_EQ(t.images.surface.width, 300);
    EXPECT_EQ(t.images.surface.height, 200);
    EXPECT_TRUE(t.shell.images.canvasUploaded);
    EXPECT_EQ(sim.width, 300);
    EXPECT_EQ(sim.historyTop, -1);
    EXPECT_EQ(sim.surfaceGradient.size(), 300u * 200u);
    EXPECT_TRUE(allParked(sim));
    EXPECT_EQ(sim.particleCount, 1000);
}

TEST_F(Commands, ImageSaveComposesTheDepositionOverTheCanvas) {
    ScratchDirectory scratch;
    const vec4 canvas[2] = {{0.2f, 0.4f, 0.6f, 0.5f}, {1.0f, 1.0f, 1.0f, 1.0f}};
    t.images.canvas.setPixels(2, 1, canvas);
    t.useSimulation(2, 1);
    // Pixel 0: half-covered red; pixel 1: no deposit.
    t.shell.simulation->deposition[0] = vec4{1.0f, 0.0f, 0.0f, 0.5f};
    editing.overlayVisible = editing.perspectiveMode = editing.areaMode = 1;
    t.windows.fileAnswer = scratch.path("result.png");

    controlCallback(t.shell, ImageSave);

    EXPECT_EQ(t.windows.framesDrawn, 2);
    EXPECT_EQ(editing.overlayVisible + editing.perspectiveMode + editing.areaMode, 0);
    ImageRect<vec4> saved;
    ASSERT_TRUE(ImageIO::load(t.windows.fileAnswer, saved));
    ASSERT_EQ(saved.width, 2);
    // (1 − 0.5)·(0.2, 0.4, 0.6) + 0.5·(1, 0, 0) = (0.6, 0.2, 0.3); alpha 0.5 + 0.5·0.5.
    const vec4 p = saved.pixels[0];
    const float byte = 1.0f / 255.0f;
    EXPECT_NEAR(p.x, 0.6f, byte);
    EXPECT_NEAR(p.y, 0.2f, byte);
    EXPECT_NEAR(p.z, 0.3f, byte);
    EXPECT_NEAR(p.w, 0.75f, byte);
    EXPECT_NEAR(saved.pixels[1].x, 1.0f, byte);
    // The canvas picture itself is left as it was.
    EXPECT_EQ(t.images.canvas.pixel(0).x, 0.2f);
    EXPECT_EQ(t.images.canvas.pixel(0).w, 0.5f);

    vec4 composed[2];
    composeResultRow(t.shell, 0, composed);
    EXPECT_EQ(composed[0].x, 0.5f * 0.2f + 0.5f * 1.0f);
    EXPECT_EQ(composed[0].w, 0.5f + 0.5f * (1.0f - 0.5f));
}

TEST(UndoCommand, OnAnEmptyHistoryOnlyParksTheParticles) {
    TestShell t;
    t.shell.state.panel.waterAmount = 3;
    WatercolorSimulation& sim = t.useSimulation(8, 6);
    sim.deposition[5] = vec4{0.1f, 0.2f, 0.3f, 0.4f};
    sim.particlePosition.assign(3, vec2{1.0f, 2.0f});

    controlCallback(t.shell, Undo);

    EXPECT_EQ(sim.historyTop, -1);
    EXPECT_EQ(sim.deposition[5].w, 0.4f);
    for (const vec2& p : sim.particlePosition) {
        EXPECT_EQ(p.x, 108.0f);
        EXPECT_EQ(p.y, 106.0f);
    }
}
