#include <gtest/gtest.h>

#include <vector>

#include "qx/platform/input_state.h"
#include "qx/platform/window.h"
#include "qx/tools/tool.h"
#include "scene_builders.h"
#include "view_rig.h"

using namespace QxWin;

namespace {

using Flags = std::vector<int>;

// Two cubes of size 2 side by side at x = -3 and x = 3, seen by the select tool from the
// front; the empty corner of the view is a click on nothing.
class SelectTool : public ::testing::Test {
protected:
    QxViewRig rig;
    CQxObject* left = Cube("left", -3.0f);
    CQxObject* right = Cube("right", 3.0f);
    CQxPoint nothing{5, 5};

    void SetUp() override {
        rig.camera.SetViewSize(10.0f);
        rig.camera.Eye() = CQxVector(0.0f, 0.0f, 20.0f);
        rig.scene.ToolManager().SetCurTool(QX_TOOL_SELECT);
    }
    CQxObject* Cube(const char* name, float x) {
        CQxObject* cube = QxAdd(rig.scene.RootModel(), QxNewCube(2.0f), name);
        cube->Translate() = CQxVector(x, 0.0f, 0.0f);
        return cube;
    }
    CQxPoint At(const CQxObject* cube) { return rig.ToScreen(cube->Translate()); }
    Flags Selected() const { return {left->IsSelect(), right->IsSelect()}; }
    CQxSelectTool& Tool() { return *static_cast<CQxSelectTool*>(rig.scene.ToolManager().GetCurToolObject()); }
};

} // namespace

TEST_F(SelectTool, AClickReplacesTheSelection) {
    rig.Click(At(left));
    EXPECT_EQ(Selected(), (Flags{1, 0}));
    rig.Click(At(right));
    EXPECT_EQ(Selected(), (Flags{0, 1}));
    EXPECT_FALSE(Tool().IsOperating());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(SelectTool, ShiftAddsAndCtrlToggles) {
    rig.Click(At(left));
    rig.Click(At(right), MK_SHIFT);
    EXPECT_EQ(Selected(), (Flags{1, 1}));
    rig.Click(At(left), MK_CONTROL);
    EXPECT_EQ(Selected(), (Flags{0, 1}));
    rig.Click(At(left), MK_SHIFT | MK_CONTROL); // Shift wins
    rig.Click(At(left), MK_SHIFT | MK_CONTROL);
    EXPECT_EQ(Selected(), (Flags{1, 1}));
}

TEST_F(SelectTool, AClickOnNothingClearsTheSelectionWhateverTheKeys) {
    rig.Click(At(left));
    rig.Click(nothing, MK_SHIFT);
    EXPECT_EQ(Selected(), (Flags{0, 0}));
}

TEST_F(SelectTool, ARubberBandSelectsWhatItEncloses) {
    const CQxPoint a = At(left), b = At(right);
    rig.Drag(CQxPoint(a.x - 40, a.y - 40), CQxPoint(b.x + 40, b.y + 40));
    EXPECT_EQ(Selected(), (Flags{1, 1}));
    // Dragged right to left and up: the same rectangle, around the right cube only.
    rig.Drag(CQxPoint(b.x + 40, b.y + 40), CQxPoint(b.x - 40, b.y - 40));
    EXPECT_EQ(Selected(), (Flags{0, 1}));
}

TEST_F(SelectTool, TheRubberBandIsOnScreenOnlyWhileDragging) {
    const CQxPoint from = At(left);
    rig.Press(from);
    rig.MoveTo(CQxPoint(from.x + 30, from.y + 20));
    rig.MoveTo(CQxPoint(from.x + 20, from.y + 10));
    EXPECT_TRUE(Tool().IsRubberBandShown());
    const CQxRect band = Tool().GetRubberBand();
    EXPECT_EQ(band.right - band.left, 20);
    EXPECT_EQ(band.bottom - band.top, 10);
    if (rig.CanRender()) {
        // The band inverts the frame under every other pixel of its outline (x + y even).
        const CQxPoint dot(band.left + ((band.left + band.top) & 1), band.top);
        ASSERT_EQ(rig.Paint(), QX_GRAPHICS_OK);
        const std::uint32_t onBand = rig.Pixel(dot);
        rig.Release(CQxPoint(from.x + 20, from.y + 10));
        ASSERT_EQ(rig.Paint(), QX_GRAPHICS_OK);
        EXPECT_EQ(onBand ^ 0x00FFFFFFu, rig.Pixel(dot)) << "the band did not invert the frame under it";
    }
    EXPECT_FALSE(Tool().IsRubberBandShown());
}

TEST_F(SelectTool, InComponentModeClicksAndBandsPickElements) {
    rig.scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
    rig.scene.ToolManager().SetComponentTypes(1); // vertices
    // The left cube's front face: its four corners lie within 1 unit of its centre.
    const CQxPoint c = At(left);
    const CQxPoint corner = rig.ToScreen(CQxVector(-2.0f, 1.0f, 1.0f));
    const int reach = std::abs(corner.x - c.x) + 4;
    const auto picked = [this] {
        unsigned int count = 0;
        for (const CQxVertex& v : left->Mesh().Vertices()) count += v.IsSelect() ? 1 : 0;
        return count;
    };
    rig.Drag(CQxPoint(c.x - reach, c.y - reach), CQxPoint(c.x + reach, c.y + reach));
    EXPECT_EQ(picked(), 4u) << "a band picks the visible corners only";
    for (const CQxVertex& v : right->Mesh().Vertices()) EXPECT_FALSE(v.IsSelect());
    rig.Click(nothing);
    EXPECT_EQ(picked(), 0u);
}

TEST_F(SelectTool, ANewPressEndsAGestureWhoseReleaseNeverCame) {
    rig.Press(At(left));
    rig.MoveTo(CQxPoint(At(left).x + 15, At(left).y + 15)); // the release is lost
    rig.Click(At(right));
    EXPECT_EQ(Selected(), (Flags{0, 1})) << "the second press was not a plain click";
    EXPECT_FALSE(Tool().IsRubberBandShown());
    EXPECT_EQ(GetCapture(), nullptr);
}
