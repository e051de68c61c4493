#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/gui/ControlPanelLayout.h"

namespace {

struct Listed {
    std::string kind;
    std::string label;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

std::vector<Listed> listedControls() {
    std::ostringstream out;
    printControlList(out);
    std::istringstream lines(out.str());
    std::vector<Listed> listed;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        Listed item;
        std::getline(fields, item.kind, '\t');
        std::getline(fields, item.label, '\t');
        fields >> item.left >> item.top >> item.width >> item.height;
        listed.push_back(item);
    }
    return listed;
}

bool overlap(const Listed& a, const Listed& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

}  // namespace

TEST(PanelTable, EveryControlIsBoundAsSessionsBindIt) {
    std::set<std::string> variablesShown;
    for (const PanelControl& control : panelControls()) {
        const SessionControl* session = sessionControlOf(control);
        switch (control.kind) {
        case PanelItemKind::Radio:
        case PanelItemKind::Checkbox:
        case PanelItemKind::IntSlider:
            ASSERT_NE(session, nullptr) << control.label;
            EXPECT_NE(session->integer, nullptr) << control.label;
            variablesShown.insert(session->name);
            break;
        case PanelItemKind::FloatSlider:
            ASSERT_NE(session, nullptr) << control.label;
            EXPECT_NE(session->real, nullptr) << control.label;
            variablesShown.insert(session->name);
            break;
        case PanelItemKind::Button:
            // The label is what a recording writes for the button.
            EXPECT_STREQ(control.label, panelButtonLabel(control.button));
            break;
        default:
            EXPECT_EQ(session, nullptr) << control.label;
        }
    }
    // No live variable a session can set is missing from the panel.
    EXPECT_EQ(variablesShown.size(), sessionControls().size());
}

TEST(PanelTable, CallbackIdsAreThePanelsOwn) {
    using enum PanelCommand;
    std::map<std::string, std::optional<PanelCommand>> ids;
    for (const PanelControl& control : panelControls()) {
        ids[control.label] = commandOf(control);
    }
    EXPECT_EQ(ids["Image Open"], ImageOpen);
    EXPECT_EQ(ids["Image Save"], ImageSave);
    EXPECT_EQ(ids["Brush"], MouseOperationChanged);
    EXPECT_EQ(ids["Reset"], Reset);
    EXPECT_EQ(ids["Particles"], std::nullopt);
    EXPECT_EQ(ids["Instant Result"], InstantResultToggled);
    EXPECT_EQ(ids["Gravity"], std::nullopt);
    EXPECT_EQ(ids["Start"], Start);
    EXPECT_EQ(ids["Undo"], Undo);
    EXPECT_EQ(ids["Init"], Init);
    EXPECT_EQ(ids["particles"], WaterAmountChanged);
    EXPECT_EQ(ids["mass"], ParticleSizeChanged);
    EXPECT_EQ(ids["absorption"], AbsorptivityChanged);
    EXPECT_EQ(ids["roughness"], std::nullopt);
}

TEST(PanelTable, ScrollbarsClampToTheirLimitsWhicheverWayTheyRun) {
    const PanelControl* water = nullptr;
    const PanelControl* absorption = nullptr;
    const PanelControl* resolvability = nullptr;
    for (const PanelControl& control : panelControls()) {
        const SessionControl* session = sessionControlOf(control);
        const std::string name = session != nullptr ? session->name : "";
        if (name == "waterAmount") water = &control;
        if (name == "absorptivity") absorption = &control;
        if (name == "depositionResolvability") resolvability = &control;
    }
    ASSERT_TRUE(water && absorption && resolvability);

    EXPECT_EQ(clampToLimits(*water, 5000.0f), 2000.0f);
    EXPECT_EQ(clampToLimits(*water, 0.0f), 1.0f);
    EXPECT_EQ(clampToLimits(*absorption, 0.5f), 0.4f);
    EXPECT_EQ(clampToLimits(*absorption, -1.0f), 0.0f);
    EXPECT_EQ(clampToLimits(*absorption, 0.2f), 0.2f);

    // Resolvability runs from 1.0 at the left down to 0.1.
    EXPECT_EQ(leftLimit(*resolvability), 1.0f);
    EXPECT_EQ(rightLimit(*resolvability), 0.1f);
    EXPECT_EQ(clampToLimits(*resolvability, 1.5f), 1.0f);
    EXPECT_EQ(clampToLimits(*resolvability, 0.05f), 0.1f);
    EXPECT_EQ(clampToLimits(*resolvability, 0.55f), 0.55f);
    EXPECT_EQ(clampToLimits(*resolvability, std::nanf("")), 0.1f);
}

TEST(PanelLayout, EveryLabelIsShownInsideThePanelWithoutOverlaps) {
    const std::vector<Listed> listed = listedControls();
    std::multiset<std::string> labels;
    for (const Listed& item : listed) {
        labels.insert(item.label);
    }
    for (const char* label :
         {"Image Open and Save", "Image Open", "Image Save", "Mouse Operation",
          "Particles Position", "Simulation Area", "Perspective Lines", "Brush", "Reset",
          "Display", "Particles", "Deposition", "Simulation", "Instant Result", "Gravity",
          "Start", "Undo", "Init", "Simulation Settings", "Water Amount", "particles",
          "Particle Size", "mass", "Absorptivity", "absorption", "Surface Roughness",
          "roughness", "Deposition Amount", "Deposition Resolvability", "Session",
          "Session Save"}) {
        EXPECT_EQ(labels.count(label), 1u) << label;
    }
    EXPECT_EQ(labels.count("deposition"), 2u);

    std::vector<Listed> panelItems;
    for (const Listed& item : listed) {
        EXPECT_GE(item.left, 0) << item.label;
        EXPECT_GE(item.top, 0) << item.label;
        EXPECT_LE(item.left + item.width, layout::panelWidth) << item.label;
        EXPECT_LE(item.top + item.height, layout::panelHeight) << item.label;
        for (const Listed& other : panelItems) {
            EXPECT_FALSE(overlap(item, other)) << item.label << " overlaps " << other.label;
        }
        panelItems.push_back(item);
    }
}

TEST(PanelLayout, SimulationSettingsFormTheSecondColumn) {
    const std::set<std::string> rightOnes = {"Simulation Settings", "Water Amount", "particles",
                                             "deposition", "Session Save"};
    const std::set<std::string> leftOnes = {"Image Open", "Particles Position", "Brush",
                                            "Instant Result", "Init"};
    int rightStart = layout::panelWidth;
    int leftEnd = 0;
    for (const Listed& item : listedControls()) {
        if (rightOnes.count(item.label) != 0) {
            rightStart = std::min(rightStart, item.left);
        }
        if (leftOnes.count(item.label) != 0) {
            leftEnd = std::max(leftEnd, item.left + item.width);
        }
    }
    EXPECT_GT(leftEnd, 0);
    EXPECT_LT(leftEnd, rightStart);
}

// The panel worked with the mouse in an ImGui context that draws nowhere.
class PanelClicks : public ::testing::Test {
protected:
    void SetUp() override {
        offscreen.frame(panel, status);
    }

    const ControlPlacement* find(const std::string& label, int nth) {
        placements.clear();
        offscreen.frame(panel, status, &placements);
        for (const ControlPlacement& placement : placements) {
            if (label == placement.label && --nth == 0) {
                return &placement;
            }
        }
        return nullptr;
    }

    // Presses and releases the left button over the control, a frame for
    // each, at the fraction fx of its width; what the frames reported.
    std::vector<PanelAction> click(const std::string& label, int nth = 1, float fx = 0.5f) {
        const ControlPlacement* where = find(label, nth);
        EXPECT_NE(where, nullptr) << label;
        if (where == nullptr) {
            return {};
        }
        const float x = where->left + fx * where->width;
        const float y = where->top + where->height / 2;
        std::vector<PanelAction> actions;
        for (bool down : {false, true, false, false}) {
            offscreen.moveMouse(x, y, down);
            for (const PanelAction& action : offscreen.frame(panel, status)) {
                actions.push_back(action);
            }
        }
        offscreen.moveMouse(-1000.0f, -1000.0f, false);
        offscreen.frame(panel, status);
        return actions;
    }

    OffscreenPanel offscreen;
    PanelSettings panel;
    PanelStatus status;
    std::vector<ControlPlacement> placements;
};

TEST_F(PanelClicks, ACheckboxFlipsItsLiveVariableAndReportsItOnce) {
    ASSERT_EQ(panel.gravityEnabled, 1);
    const auto actions = click("Gravity");
    EXPECT_EQ(panel.gravityEnabled, 0);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, PanelAction::ControlChanged);
    EXPECT_STREQ(actions[0].control->label, "Gravity");
}

TEST_F(PanelClicks, ARadioButtonSelectsItsValue) {
    const auto actions = click("Brush");
    EXPECT_EQ(panel.mouseOperation, 3);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_STREQ(actions[0].control->variable, "mouseOperation");
    click("Simulation Area");
    EXPECT_EQ(panel.mouseOperation, 1);
}

TEST_F(PanelClicks, ScrollbarsReachExactlyTheirLimitsAtTheirEnds) {
    click("particles", 1, 0.999f);
    EXPECT_EQ(panel.waterAmount, 2000);
    click("particles", 1, 0.001f);
    EXPECT_EQ(panel.waterAmount, 1);
    click("absorption", 1, 0.999f);
    EXPECT_EQ(panel.absorptivity, 0.4f);
    // Resolvability: 1.0 at the left end, 0.1 at the right.
    click("deposition", 2, 0.001f);
    EXPECT_EQ(panel.depositionResolvability, 1.0f);
    const auto actions = click("deposition", 2, 0.999f);
    EXPECT_EQ(panel.depositionResolvability, 0.1f);
    ASSERT_FALSE(actions.empty());
    EXPECT_STREQ(actions.back().control->variable, "depositionResolvability");
}

TEST_F(PanelClicks, AButtonActsOnceOnRelease) {
    const auto actions = click("Start");
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].control->button, PanelButton::Start);
}

TEST_F(PanelClicks, DuringAnInstantResultRunOnlyCancelResponds) {
    status.runActive = true;
    status.runPercent = 40;
    EXPECT_TRUE(click("Start").empty());
    EXPECT_TRUE(click("Instant Result").empty());
    EXPECT_EQ(panel.instantResult, 0);
    click("particles", 1, 0.999f);
    EXPECT_EQ(panel.waterAmount, 1000);
    const auto actions = click("Cancel");
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, PanelAction::CancelRun);
}
