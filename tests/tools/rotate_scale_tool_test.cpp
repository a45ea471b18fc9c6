#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "qx/math/math_helpers.h"
#include "qx/tools/manipulator.h"
#include "qx/tools/transform_tool.h"
#include "tool_view_fixture.h"

namespace {

class RotateTool : public ToolViewFixture {
protected:
    void SetUp() override {
        UseView(View::Perspective);
        UseTool(QX_TOOL_ROTATE);
    }
};

class ScaleTool : public ToolViewFixture {
protected:
    void SetUp() override { UseTool(QX_TOOL_SCALE); }
    // In a new view the scene is new too, with the move tool current again.
    void InView(View view) {
        UseView(view);
        UseTool(QX_TOOL_SCALE);
    }
};

// The angle of a rotation about the axis it turns about.
float AngleOf(const CQxQuat& q) {
    return 2.0f * std::acos(std::fmin(1.0f, std::fabs(q.w)));
}

} // namespace

// Dragging the ring along its axis turns by a hundredth of a radian per pixel, the way the drag
// goes along the axis giving the sense.
TEST_F(RotateTool, YRingTurnsAboutYByTheMouseTravel) {
    CQxObject* cube = Select(AddCube("A", CQxVector()));
    const CQxPoint from = HandlePoint(1);
    Undoable([&] { Rig().Drag(from, CQxPoint(from.x, from.y - 40), 0, 4); });
    const CQxQuat& r = cube->Rotate();
    EXPECT_NEAR(r.x, 0.0f, 1e-5f);
    EXPECT_NEAR(r.z, 0.0f, 1e-5f);
    EXPECT_GT(r.y * r.w, 0.0f);
    EXPECT_NEAR(AngleOf(r), 40 * 0.01f, 1e-4f);
    EXPECT_TRUE(QxNear(cube->Translate(), CQxVector()));
    EXPECT_STREQ(History().GetUndoText(), "元に戻す 回転\tCtrl+Z(&U)");
}

TEST_F(RotateTool, NumericEntryTakesThreeAngles) {
    CQxObject* cube = Select(AddCube("A", CQxVector()));
    Undoable([&] { return Scene().ToolManager().SetNumericalValue(CQxVector(0, QX_PI_2, 0)); });
    CQxQuat expected;
    expected.SetRotateXYZ(0, QX_PI_2, 0);
    EXPECT_TRUE(cube->Rotate().IsSameRotate(expected, 1e-5f));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Unchanged([&] { return Scene().ToolManager().SetNumericalValue(CQxVector(0, nan, 0)); });
}

TEST_F(ScaleTool, CentreScalesAllAxesByTheMouseTravel) {
    InView(View::Perspective); // the Z handle hides the centre in the front view
    CQxObject* cube = Select(AddCube("A", CQxVector()));
    const CQxPoint from = CentrePoint();
    Undoable([&] { Rig().Drag(from, CQxPoint(from.x + 30, from.y - 20)); });
    EXPECT_TRUE(QxNear(cube->Scale(), CQxVector(1.5f, 1.5f, 1.5f)));
    CQxVector shown;
    Scene().ToolManager().GetNumericalValue(shown);
    EXPECT_TRUE(QxNear(shown, CQxVector(1, 1, 1))) << "the tool is prepared again after the drag";
    EXPECT_STREQ(History().GetUndoText(), "元に戻す スケーリング\tCtrl+Z(&U)");
}

TEST_F(ScaleTool, AxisScalesPastZeroIntoAMirrorImage) {
    CQxObject* cube = Select(AddCube("A", CQxVector()));
    const CQxPoint from = HandlePoint(0);
    Undoable([&] { Rig().Drag(from, CQxPoint(from.x - 150, from.y), 0, 10); });
    EXPECT_TRUE(QxNear(cube->Scale(), CQxVector(-0.5f, 1, 1)));
}

// The grid seen from the front: its vertices 3, 4 and 5 scaled along X from the middle one
//
//   6---7---8
//   |   |   |
//  [3]-[4]-[5]    3 and 5 go twice as far from 4
//   |   |   |
//   0---1---2
TEST_F(ScaleTool, ComponentModeScalesAboutTheManipulator) {
    CQxObject* grid = QxAdd(Scene().RootModel(), QxNewGrid().release(), "G");
    grid->Scale() = CQxVector(20, 20, 20);
    UseSelect(QX_SELECT_COMPONENT);
    Scene().SelectObject(
        QxRecord(grid, {QxGridVertex(*grid, 0, 1), QxGridVertex(*grid, 1, 1), QxGridVertex(*grid, 2, 1)}),
        QX_SELECT_REPLACE, 0);
    const auto start = QxWorldVertices(*grid);
    ASSERT_TRUE(Scene().ToolManager().SetNumericalValue(CQxVector(2, 1, 1)));

    const auto scaled = QxWorldVertices(*grid);
    EXPECT_TRUE(QxNear(scaled[3], CQxVector(-40, 0, 0)));
    EXPECT_TRUE(QxNear(scaled[4], start[4]));
    EXPECT_TRUE(QxNear(scaled[5], CQxVector(40, 0, 0)));
    EXPECT_TRUE(QxNear(scaled[0], start[0]));
}
