#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "app/PaletteSwatches.h"


namespace {

// The start layout: a 512 × 512 canvas shown at one window pixel per canvas
// pixel in a 1002 × 512 window.
class MouseInput : public ::testing::Test {
protected:
    MouseInput() : sim(t.useSimulation(512, 512)) { window.displayScale = 1.0f; }

    void press(int x, int y, int button = LeftButton) {
        mouse(t.shell, button, ButtonPressed, x, y);
    }
    void release(int x, int y, int button = LeftButton) {
        mouse(t.shell, button, ButtonReleased, x, y);
    }
    void click(int x, int y) {
        press(x, y);
        release(x, y);
    }
    void selectOperation(int operation) {
        t.shell.state.panel.mouseOperation = operation;
        controlCallback(t.shell, PanelCommand::MouseOperationChanged);
    }

    ScratchDirectory scratch;  // no button pictures to be found
    TestShell t;
    WatercolorSimulation& sim;
    WindowLayout& window = t.shell.state.window;
    EditingState& editing = t.shell.state.editing;
    PanelSettings& panel = t.shell.state.panel;
};

}  // namespace

TEST_F(MouseInput, APressStoresTheWindowPointWithTheOriginAtTheBottomLeft) {
    press(100, 100);
    ASSERT_EQ(editing.pathDraft.size(), 1);
    EXPECT_EQ(editing.pathDraft.points[0].x, 100.0f);
    EXPECT_EQ(editing.pathDraft.points[0].y, 412.0f);
    EXPECT_EQ(editing.pathStarted, 1);
    EXPECT_EQ(editing.pathStartPoint.y, 412.0f);
    EXPECT_EQ(editing.overlayVisible, 1);
    EXPECT_EQ(editing.buttonDown, 1);
}

TEST_F(MouseInput, TheCanvasEndsBeforeItsRightAndTopEdges) {
    press(512, 100);  // x · displayScale = canvasWidth
    EXPECT_TRUE(editing.pathDraft.empty());
    EXPECT_EQ(editing.buttonDown, 0);
    press(100, 0);  // Y · displayScale = canvasHeight
    EXPECT_TRUE(editing.pathDraft.empty());
    press(511, 1);
    EXPECT_EQ(editing.pathDraft.size(), 1);
}

TEST_F(MouseInput, PathLengthFactorOnRelease) {
    // A single click measures 0: the factor is 10.
    click(100, 100);
    EXPECT_EQ(editing.path.size(), 1);
    EXPECT_EQ(panel.pathLength, 10.0f);

    // A second stroke extends the same draft: (100, 412) → (100, 312) → (100, 212).
    press(100, 200);
    motion(t.shell, 100, 300);
    release(100, 300);
    EXPECT_EQ(editing.path.size(), 3);
    EXPECT_EQ(panel.pathLength, 200.0f);

    // More than waterAmount − 2 pixels of path: 400.
    press(10, 10);
    for (int i = 0; i < 3; ++i) {
        motion(t.shell, 500, 10 + 100 * i);
        motion(t.shell, 10, 60 + 100 * i);
    }
    release(10, 260);
    EXPECT_EQ(panel.pathLength, 400.0f);
}

TEST_F(MouseInput, AfterStartTheNextPressBeginsANewPath) {
    click(100, 100);
    click(200, 200);
    controlCallback(t.shell, PanelCommand::Start);
    EXPECT_EQ(editing.restartPath, 1);
    press(300, 300);
    EXPECT_EQ(editing.pathDraft.size(), 1);
    EXPECT_TRUE(editing.path.empty());
    EXPECT_EQ(editing.pathStartPoint.x, 300.0f);
    EXPECT_EQ(editing.restartPath, 0);
}

TEST_F(MouseInput, ReleaseOffTheCanvasClearsTheButtonButCommitsNothing) {
    press(100, 100);
    motion(t.shell, 150, 100);
    release(700, 100);
    EXPECT_EQ(editing.buttonDown, 0);
    EXPECT_EQ(editing.pathDraft.size(), 2);
    EXPECT_TRUE(editing.path.empty());

    // In Brush mode the brush therefore stops emitting at the next frame.
    selectOperation(3);
    press(100, 100);
    updateFrameState(t.shell);
    EXPECT_EQ(panel.emitting, 1);
    release(900, 100);
    updateFrameState(t.shell);
    EXPECT_EQ(panel.emitting, 0);
    EXPECT_EQ(sim.historyTop, -1);  // the release steps did not run
}

TEST_F(MouseInput, BrushFollowsThePointerAndSnapshotsOnRelease) {
    selectOperation(3);
    press(100, 100);
    EXPECT_EQ(editing.brushPoint.x, 100.0f);
    EXPECT_EQ(editing.brushPoint.y, 412.0f);
    motion(t.shell, 120, 130);
    EXPECT_EQ(editing.brushPoint.x, 120.0f);
    EXPECT_EQ(editing.brushPoint.y, 382.0f);
    EXPECT_EQ(editing.brushDragged, 1);
    release(120, 130);
    EXPECT_EQ(sim.historyTop, 0);
    EXPECT_TRUE(editing.pathDraft.empty());
}

TEST_F(MouseInput, AnAreaClickStoresTwoPointsAndRebuildsTheMask) {
    selectOperation(1);
    click(50, 60);
    ASSERT_EQ(editing.area.size(), 2);
    EXPECT_EQ(editing.areaDraft.size(), 2);
    EXPECT_EQ(editing.area.points[0].x, editing.area.points[1].x);
    EXPECT_EQ(editing.area.points[1].y, 452.0f);
    EXPECT_EQ(editing.areaStarted, 1);
    EXPECT_EQ(sim.areaMask[452 * 512 + 50], 1);
}

TEST_F(MouseInput, PerspectiveLinesTwentyApartGiveAGapOfTwenty) {
    selectOperation(2);
    press(100, 300);
    motion(t.shell, 200, 300);
    release(300, 300);
    EXPECT_EQ(editing.secondLinePending, 1);
    EXPECT_EQ(editing.firstLineDone, 1);
    EXPECT_EQ(editing.guideLine1End.x, 300.0f);
    EXPECT_EQ(editing.guideLineVertices[1].x, 200);  // drawn as far as the drag went

    press(100, 280);
    motion(t.shell, 300, 280);
    EXPECT_EQ(editing.guideLineVertices[3].x, 300);
    release(300, 280);
    EXPECT_EQ(editing.guideLineGap, 20.0f);
    EXPECT_EQ(editing.secondLinePending, 0);
    EXPECT_EQ(editing.firstLineDone, 0);

    // The next press starts a new first line and forgets the gap.
    press(10, 10);
    EXPECT_EQ(editing.guideLineGap, 0.0f);
    EXPECT_EQ(editing.guideLine2Start.x, 10.0f);
}

TEST_F(MouseInput, AnUpwardSecondLineMeasuresTheLargerGap) {
    selectOperation(2);
    press(100, 300);  // first line from (100, 212) to (200, 212)
    release(200, 300);
    press(0, 312);  // second line from (0, 200) to (100, 300): slope 1
    release(100, 212);
    // Extended, line 2 passes x = 100 at 300 and x = 200 at 400: 88 and 188.
    EXPECT_EQ(editing.guideLineGap, 188.0f);
}

TEST_F(MouseInput, ASecondLineWithoutHorizontalExtentGivesNoPerspective) {
    selectOperation(2);
    click(100, 300);
    press(200, 100);
    release(200, 200);
    EXPECT_EQ(editing.guideLineGap, 0.0f);
}

TEST_F(MouseInput, TheMiddleButtonSetsGravityAnywhere) {
    press(700, 100, MiddleButton);  // over the tool strip
    release(950, 300, MiddleButton);
    EXPECT_EQ(editing.gravityStart.x, 700.0f);
    EXPECT_EQ(editing.gravityStart.y, 412.0f);
    EXPECT_EQ(editing.gravityEnd.x, 950.0f);
    EXPECT_EQ(editing.gravityEnd.y, 212.0f);
    EXPECT_EQ(editing.buttonDown, 0);
    press(100, 100, RightButton);
    EXPECT_TRUE(editing.pathDraft.empty());
}

TEST_F(MouseInput, SwatchesSetThePaintColourAtTheirExactEdges) {
    const PaletteSwatch& brown = paletteSwatches[5];  // at (80, 337)
    const int left = 1002 - 490 + 80;
    press(left, 512 - 338);  // Y = 338, just above the lower edge
    EXPECT_EQ(panel.paintColor.x, 0.4f);
    EXPECT_EQ(panel.paintColor.y, 65 / 255.0f);
    EXPECT_EQ(panel.paintColor.z, brown.blue);

    press(left + 49, 512 - 412);  // Y = 412, the top edge of swatch 3
    EXPECT_EQ(panel.paintColor.x, 0.552f);

    panel.paintColor.x = 0.9f;
    press(left + 50, 512 - 340);  // one pixel right of the swatch
    press(left, 512 - 337);       // on its lower edge: not inside
    EXPECT_EQ(panel.paintColor.x, 0.9f);
}

TEST_F(MouseInput, TheColourChooserStartsOnThePaintColourAndCancelKeepsIt) {
    giveSize(t.images.colorButton, 30, 30);  // drawn at (552, 60): window y 422..452
    panel.paintColor = {1.0f, 0.5f, 0.0f, panel.paintColor.w};
    testing::internal::CaptureStdout();
    press(560, 440);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(t.windows.dialogsOpened, 1);
    EXPECT_EQ(t.windows.colorStart, (std::array<unsigned char, 3>{255, 128, 0}));
    EXPECT_EQ(panel.paintColor.y, 0.5f);
    EXPECT_GE(t.windows.framesDrawn, 1);  // the pressed button was shown

    t.windows.colorAnswer = std::array<unsigned char, 3>{51, 102, 255};
    testing::internal::CaptureStdout();
    press(560, 440);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(panel.paintColor.x, 51 / 255.0f);
    EXPECT_EQ(panel.paintColor.y, 102 / 255.0f);
    EXPECT_EQ(panel.paintColor.z, 1.0f);

    // The hit test is strict: the button's own edge is outside.
    press(552, 440);
    EXPECT_EQ(t.windows.dialogsOpened, 2);
}

TEST_F(MouseInput, TheEyedropperReadsThePixelUnderThePointer) {
    giveSize(t.images.eyedropperButton, 30, 30);  // drawn at (592, 60)
    window.canvasWidth = window.canvasHeight = 1024;
    window.displayScale = 2.0f;
    t.windows.pixelAnswer = vec3{0.25f, 0.5f, 1.0f};

    testing::internal::CaptureStdout();
    click(600, 440);
    EXPECT_EQ(editing.eyedropperActive, 1);
    press(100, 100);
    release(100, 100);
    click(600, 440);
    const std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(t.windows.pixelReadX, 100);
    EXPECT_EQ(t.windows.pixelReadY, 412);
    EXPECT_NE(out.find("0.25, 0.5, 1\n"), std::string::npos) << out;
    EXPECT_EQ(panel.paintColor.x, 0.25f);
    EXPECT_EQ(panel.paintColor.z, 1.0f);
    // While it was on, the press drew nothing and the release committed nothing.
    EXPECT_TRUE(editing.pathDraft.empty() && editing.path.empty());
    EXPECT_EQ(editing.eyedropperActive, 0);
    EXPECT_EQ(editing.buttonDown, 0);
}

TEST_F(MouseInput, EscapeAndLowerCaseQQuit) {
    keyboard(t.shell, 'Q', 0, 0);
    EXPECT_FALSE(t.windows.quitRequested);
    EXPECT_EQ(t.windows.redisplayRequests, 1);
    keyboard(t.shell, 'q', 0, 0);
    EXPECT_TRUE(t.windows.quitRequested);

    TestShell other;
    keyboard(other.shell, 27, 0, 0);
    EXPECT_TRUE(other.windows.quitRequested);
}
