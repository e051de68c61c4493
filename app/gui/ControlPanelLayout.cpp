#include "app/gui/ControlPanelLayout.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string_view>
#include <vector>

namespace {

// Space between a group's border and what it holds.
constexpr float groupPadding = 3.0f;
// The left column is as narrow as its longest label allows, leaving the
// right one room for "Deposition Resolvability".
constexpr float leftColumnWidth = 160.0f;

const char* kindName(PanelItemKind kind) {
    switch (kind) {
    case PanelItemKind::Group:
        return "group";
    case PanelItemKind::Button:
    case PanelItemKind::SessionSave:
        return "button";
    case PanelItemKind::Radio:
        return "radio";
    case PanelItemKind::Checkbox:
        return "checkbox";
    case PanelItemKind::IntSlider:
    case PanelItemKind::FloatSlider:
        return "slider";
    case PanelItemKind::GroupEnd:
    case PanelItemKind::Column:
        break;
    }
    return "";
}

// The bordered groups that are open, innermost last. A group's border runs
// around everything between its begin and end, across the column's width
// (less the padding of the groups around it).
class GroupFrames {
public:
    // The title sits on the top edge of the border, as on an embossed
    // panel; what the group holds starts below it.
    void begin(const char* title) {
        const ImVec2 start = ImGui::GetCursorScreenPos();
        const float right = open.empty() ? start.x + ImGui::GetContentRegionAvail().x
                                         : innerRight() - groupPadding;
        const float lineHeight = ImGui::GetTextLineHeight();
        ImGui::SetCursorScreenPos(ImVec2(start.x + titleInset, start.y));
        ImGui::TextUnformatted(title);
        const ImVec2 titleMax = ImGui::GetItemRectMax();
        open.push_back(Frame{ImVec2(start.x, start.y + lineHeight / 2), right,
                             start.x + titleInset - 2, titleMax.x + 2});
        ImGui::Indent(groupPadding);
        ImGui::SetCursorScreenPos(ImVec2(start.x + groupPadding, start.y + lineHeight + 2));
    }

    void end() {
        const Frame frame = open.back();
        open.pop_back();
        ImGui::Unindent(groupPadding);
        const float bottom =
            ImGui::GetCursorScreenPos().y - ImGui::GetStyle().ItemSpacing.y + groupPadding;
        ImDrawList* draw = ImGui::GetWindowDrawList();
        // An embossed frame: a light line beside a dark one, open where the
        // title sits.
        const ImU32 colors[2] = {IM_COL32(255, 255, 255, 255), IM_COL32(110, 110, 110, 255)};
        for (int i = 0; i < 2; ++i) {
            const float d = i == 0 ? 1.0f : 0.0f;
            const ImVec2 topLeft(frame.start.x + d, frame.start.y + d);
            const ImVec2 bottomRight(frame.right + d, bottom + d);
            draw->AddLine(ImVec2(frame.titleLeft, topLeft.y), topLeft, colors[i]);
            draw->AddLine(topLeft, ImVec2(topLeft.x, bottomRight.y), colors[i]);
            draw->AddLine(ImVec2(topLeft.x, bottomRight.y), bottomRight, colors[i]);
            draw->AddLine(bottomRight, ImVec2(bottomRight.x, topLeft.y), colors[i]);
            draw->AddLine(ImVec2(bottomRight.x, topLeft.y), ImVec2(frame.titleRight, topLeft.y),
                          colors[i]);
        }
        ImGui::SetCursorScreenPos(ImVec2(frame.start.x, bottom + 2));
        ImGui::Dummy(ImVec2(0.0f, 0.0f));
    }

    // The width from the cursor to the innermost group's inner edge.
    float widthLeft() const {
        return innerRight() - ImGui::GetCursorScreenPos().x;
    }

private:
    struct Frame {
        ImVec2 start;  // top-left corner of the border
        float right;
        // Where the title interrupts the top edge.
        float titleLeft;
        float titleRight;
    };

    // How far the title starts from the border's left edge.
    static constexpr float titleInset = 5.0f;

    float innerRight() const {
        return open.empty() ? ImGui::GetCursorScreenPos().x + ImGui::GetContentRegionAvail().x
                            : open.back().right - groupPadding;
    }

    std::vector<Frame> open;
};

// The sliders fill their groups' width less room for the longest slider
// name, so that all their tracks line up.
void sizeSlider(const GroupFrames& groups) {
    float nameWidth = 0.0f;
    for (const PanelControl& control : panelControls()) {
        if (control.kind == PanelItemKind::IntSlider || control.kind == PanelItemKind::FloatSlider) {
            nameWidth = std::max(nameWidth, ImGui::CalcTextSize(control.label).x);
        }
    }
    nameWidth += ImGui::GetStyle().ItemInnerSpacing.x;
    ImGui::SetNextItemWidth(std::max(40.0f, groups.widthLeft() - nameWidth));
}

// Draws one control; true when the user changed it or pressed it.
bool drawControl(const PanelControl& control, PanelSettings& panel, GroupFrames& groups) {
    switch (control.kind) {
    case PanelItemKind::Button:
    case PanelItemKind::SessionSave:
        return ImGui::Button(control.label, ImVec2(groups.widthLeft(), 0.0f));
    case PanelItemKind::Radio: {
        int& value = panel.*sessionControlOf(control)->integer;
        if (ImGui::RadioButton(control.label, value == control.radioValue)) {
            value = control.radioValue;
            return true;
        }
        return false;
    }
    case PanelItemKind::Checkbox: {
        int& value = panel.*sessionControlOf(control)->integer;
        bool ticked = value != 0;
        if (ImGui::Checkbox(control.label, &ticked)) {
            value = ticked ? 1 : 0;
            return true;
        }
        return false;
    }
    case PanelItemKind::IntSlider: {
        int& value = panel.*sessionControlOf(control)->integer;
        int shown = value;
        sizeSlider(groups);
        if (ImGui::SliderInt(control.label, &shown, static_cast<int>(leftLimit(control)),
                             static_cast<int>(rightLimit(control)), "%d",
                             ImGuiSliderFlags_AlwaysClamp)) {
            value = static_cast<int>(clampToLimits(control, float(shown)));
            return true;
        }
        return false;
    }
    case PanelItemKind::FloatSlider: {
        float& value = panel.*sessionControlOf(control)->real;
        float shown = value;
        sizeSlider(groups);
        // The limits go in the panel's order; ImGui runs a slider whose
        // first limit is the larger one from right to left.
        if (ImGui::SliderFloat(control.label, &shown, leftLimit(control), rightLimit(control), "%.3f",
                               ImGuiSliderFlags_AlwaysClamp)) {
            value = clampToLimits(control, shown);
            return true;
        }
        return false;
    }
    case PanelItemKind::Group:
        groups.begin(control.label);
        return false;
    case PanelItemKind::GroupEnd:
        groups.end();
        return false;
    case PanelItemKind::Column:
        ImGui::NextColumn();
        return false;
    }
    return false;
}

// The rectangle of the item just drawn; for a slider only its track, not
// the name beside it, so that a fraction of its width is a value.
void place(std::vector<ControlPlacement>* placements, const char* kind, const char* label) {
    if (placements == nullptr || kind[0] == '\0') {
        return;
    }
    const ImVec2 min = ImGui::GetItemRectMin();
    ImVec2 max = ImGui::GetItemRectMax();
    if (std::string_view(kind) == "slider") {
        max.x -= ImGui::CalcTextSize(label).x + ImGui::GetStyle().ItemInnerSpacing.x;
    }
    placements->push_back(ControlPlacement{kind, label, min.x, min.y, max.x - min.x, max.y - min.y});
}

void drawRunProgress(const PanelStatus& status, GroupFrames& groups,
                     std::vector<PanelAction>& actions, std::vector<ControlPlacement>* placements) {
    ImGui::Spacing();
    ImGui::TextUnformatted("Instant Result");
    ImGui::ProgressBar(float(status.runPercent) / 100.0f, ImVec2(groups.widthLeft(), 0.0f));
    if (ImGui::Button("Cancel", ImVec2(groups.widthLeft(), 0.0f))) {
        actions.push_back(PanelAction{PanelAction::CancelRun, nullptr});
    }
    place(placements, "button", "Cancel");
}

}  // namespace

void setUpPanelStyle() {
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    ImGui::StyleColorsLight();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowRounding = 0.0f;
    style.FrameRounding = 0.0f;
    style.GrabRounding = 0.0f;
    style.WindowBorderSize = 1.0f;
    style.FrameBorderSize = 1.0f;
    // Compact enough for the longest group title to fit its column.
    style.WindowPadding = ImVec2(3.0f, 4.0f);
    style.FramePadding = ImVec2(4.0f, 2.0f);
    style.ItemSpacing = ImVec2(4.0f, 3.0f);
    // The grey of the painter's tool strip.
    style.Colors[ImGuiCol_WindowBg] = ImVec4(200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 1.0f);
}

std::vector<PanelAction> buildControlPanel(PanelSettings& panel, const PanelStatus& status,
                                           std::vector<ControlPlacement>* placements) {
    std::vector<PanelAction> actions;
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(ImVec2(float(layout::panelWidth), float(layout::panelHeight)));
    ImGui::Begin("Control Panel", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus |
                     ImGuiWindowFlags_NoScrollWithMouse);
    ImGui::Columns(2, "columns", true);
    ImGui::SetColumnWidth(0, leftColumnWidth);
    GroupFrames groups;
    ImGui::BeginDisabled(status.runActive);
    int row = 0;
    for (const PanelControl& control : panelControls()) {
        ImGui::PushID(row++);
        if (drawControl(control, panel, groups)) {
            actions.push_back(PanelAction{PanelAction::ControlChanged, &control});
        }
        if (control.kind != PanelItemKind::GroupEnd && control.kind != PanelItemKind::Column) {
            place(placements, kindName(control.kind), control.label);
        }
        ImGui::PopID();
    }
    ImGui::EndDisabled();
    if (status.runActive) {
        drawRunProgress(status, groups, actions, placements);
    }
    ImGui::Columns(1);
    ImGui::End();
    return actions;
}

OffscreenPanel::OffscreenPanel() : previous(ImGui::GetCurrentContext()) {
    context = ImGui::CreateContext();
    ImGui::SetCurrentContext(context);
    setUpPanelStyle();
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(float(layout::panelWidth), float(layout::panelHeight));
    io.DeltaTime = 1.0f / 60.0f;
    // ImGui needs its font atlas built before a frame; nothing shows it.
    unsigned char* fontPixels = nullptr;
    int fontWidth = 0;
    int fontHeight = 0;
    io.Fonts->GetTexDataAsRGBA32(&fontPixels, &fontWidth, &fontHeight);
}

OffscreenPanel::~OffscreenPanel() {
    ImGui::DestroyContext(context);
    ImGui::SetCurrentContext(previous);
}

std::vector<PanelAction> OffscreenPanel::frame(PanelSettings& panel, const PanelStatus& status,
                                               std::vector<ControlPlacement>* placements) {
    ImGui::SetCurrentContext(context);
    ImGui::NewFrame();
    std::vector<PanelAction> actions = buildControlPanel(panel, status, placements);
    ImGui::Render();
    return actions;
}

void OffscreenPanel::moveMouse(float x, float y, bool leftDown) {
    ImGui::SetCurrentContext(context);
    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = ImVec2(x, y);
    io.MouseDown[0] = leftDown;
}

void printControlList(std::ostream& out) {
    OffscreenPanel offscreen;
    PanelSettings panel;
    PanelStatus status;
    std::vector<ControlPlacement> placements;
    // The second frame is the settled one: ImGui sizes some things from the
    // frame before.
    for (int frame = 0; frame < 2; ++frame) {
        placements.clear();
        offscreen.frame(panel, status, &placements);
    }
    for (const ControlPlacement& placement : placements) {
        out << placement.kind << '\t' << placement.label << '\t' << std::lround(placement.left)
            << '\t' << std::lround(placement.top) << '\t' << std::lround(placement.width) << '\t'
            << std::lround(placement.height) << '\n';
    }
}
