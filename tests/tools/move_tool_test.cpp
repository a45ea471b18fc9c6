#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "qx/animation/anim.h"
#include "qx/commands/object_cmds.h"
#include "qx/math/math_helpers.h"
#include "qx/platform/window.h"
#include "qx/tools/manipulator.h"
#include "qx/tools/transform_tool.h"
#include "tool_view_fixture.h"

namespace {

class MoveTool : public ToolViewFixture {
protected:
    // A key at the current frame made straight in the animation, as a later edit would leave it.
    void Key(CQxObject* object, QX_ANIM_ITEM_TYPE type) {
        CQxObjectAnimItem& item = object->GetModel()->Anim().ObjectItems()[object][type];
        item.Init(type, object);
        ASSERT_NE(nullptr, item.InsertKeyFrame(Scene().CurFrame(), 1));
    }
    void Key(CQxObject* object, CQxVertex* vertex) {
        CQxVertexAnimItem& item =
            object->GetModel()->Anim().VertexItems()[object][vertex][QX_ANIM_ITEM_POINT_Y];
        item.Init(QX_ANIM_ITEM_POINT_Y, object, vertex);
        ASSERT_NE(nullptr, item.InsertKeyFrame(Scene().CurFrame(), 1));
    }

    // Drags a handle (or the centre, axis -1) by a number of pixels along a world direction.
    void DragHandle(int axis, const CQxVector& direction, int pixels) {
        const CQxPoint from = axis < 0 ? CentrePoint() : HandlePoint(axis);
        Rig().Drag(from, Along(from, direction, pixels));
    }
};

// The move tool offering absolute values, as a tool may: numeric entry then takes a position.
class AbsoluteMoveTool : public CQxMoveTool {
public:
    explicit AbsoluteMoveTool(CQxScene* scene) : CQxMoveTool(scene) {
        m_ValueFlags = QX_VALUE_ABSOLUTE | QX_VALUE_RELATIVE;
    }
};

} // namespace

// Each handle drags along its own axis only, one undoable move each, the manipulator following.
TEST_F(MoveTool, EachHandleMovesAlongItsAxisOnly) {
    UseView(View::Perspective);
    CQxObject* cube = Select(AddCube("A", CQxVector()));
    for (int axis = 0; axis < 3; ++axis) {
        const CQxVector start = cube->Translate();
        Undoable([&] {
            DragHandle(axis, ManipulatorAxis(axis), 30);
            EXPECT_TRUE(QxNear(Scene().GetManipulator()->Translate(), cube->Translate())) << "axis " << axis;
        });
        const CQxVector moved = cube->Translate() - start;
        const float along = axis == 0 ? moved.x : axis == 1 ? moved.y : moved.z;
        EXPECT_GT(along, 1.0f) << "axis " << axis;
        EXPECT_NEAR(moved.GetLength(), along, 1e-4f) << "axis " << axis;
    }
    EXPECT_STREQ(History().GetUndoText(), "元に戻す 移動\tCtrl+Z(&U)");
}

// The cube's centre stays under the mouse, at the depth it had. In the flat view one handle
// points at the viewer and shows over the centre: the centre is still what a click there takes.
TEST_F(MoveTool, CentreMovesFreelyInTheViewPlane) {
    for (View view : {View::Perspective, View::Front}) {
        SCOPED_TRACE(view == View::Front ? "front view" : "perspective view");
        UseView(view);
        CQxObject* cube = Select(AddCube("A", CQxVector()));
        const CQxPoint from = CentrePoint();
        const CQxPoint to(from.x + 30, from.y + 20);
        Rig().Drag(from, to);
        const CQxPoint shown = Rig().ToScreen(cube->Translate());
        EXPECT_NEAR(shown.x, to.x, 1);
        EXPECT_NEAR(shown.y, to.y, 1);
        const CQxVector camera = Rig().camera.Aim() - Rig().camera.Eye();
        EXPECT_NEAR(cube->Translate().GetDot(camera.GetNormalized()), 0.0f, 1e-3f)
            << "along the line of sight";
    }
}

TEST_F(MoveTool, DragStepTellsTheHost) {
    Select(AddCube("A", CQxVector()));
    QxUpdateRecorder host(Scene());
    const CQxPoint from = HandlePoint(0);
    Rig().Press(from);
    host.Notices.clear();
    Rig().MoveTo(Along(from, CQxVector(1, 0, 0), 10));
    EXPECT_EQ(host.Types(),
              (std::vector<unsigned int>{QX_UPDATE_NUMERICAL, QX_UPDATE_TRANSFORM, QX_UPDATE_REDRAW}));
    EXPECT_EQ(host.Notices[1].Args[1], static_cast<std::uintptr_t>(QX_MODIFY_TRANSLATE));
    CQxVector offset;
    Scene().ToolManager().GetNumericalValue(offset);
    EXPECT_GT(offset.x, 0.0f);
    Rig().Release(Along(from, CQxVector(1, 0, 0), 10));
}

// Parent P is turned a quarter about Y, so its X axis is world -Z; its child C is turned a
// quarter about Z, so C's own X axis is world Y. Each coordinate type drags along its own X.
TEST_F(MoveTool, CoordTypesDragAlongTheirOwnAxes) {
    UseView(View::Perspective);
    CQxObject* parent = QxAdd(Scene().RootModel(), new CQxGroup(1), "P");
    CQxQuat quarterY, quarterZ;
    quarterY.SetRotate(CQxVector(0, 1, 0), QX_PI_2);
    quarterZ.SetRotate(CQxVector(0, 0, 1), QX_PI_2);
    parent->SetRotate(quarterY, 1);
    CQxObject* child = AddCube("C", CQxVector(), parent);
    child->SetRotate(quarterZ, 1);
    Select(child);

    const QX_COORD_TYPE types[3] = {QX_COORD_WORLD, QX_COORD_LOCAL, QX_COORD_OBJECT};
    const CQxVector expected[3] = {CQxVector(1, 0, 0), CQxVector(1, 0, 0) * quarterY,
                                   CQxVector(1, 0, 0) * quarterZ * quarterY};
    for (int i = 0; i < 3; ++i) {
        Scene().ToolManager().SetCoordType(types[i]);
        ASSERT_TRUE(QxNear(ManipulatorAxis(0), expected[i])) << "coord type " << types[i];
        const CQxVector start = WorldPivot(*child);
        DragHandle(0, ManipulatorAxis(0), 30);
        CQxVector moved = WorldPivot(*child) - start;
        ASSERT_GT(moved.GetLength(), 1.0f) << "coord type " << types[i];
        moved.Normalize();
        EXPECT_TRUE(QxNear(moved, expected[i], 1e-3f)) << "coord type " << types[i];
    }
}

TEST_F(MoveTool, PivotModeMovesThePivotAndLeavesTheShape) {
    CQxObject* cube = AddCube("A", CQxVector());
    UseSelect(QX_SELECT_PIVOT);
    Select(cube);
    const auto shape = QxWorldVertices(*cube);
    Undoable([&] { DragHandle(0, CQxVector(1, 0, 0), 40); });
    EXPECT_GT(WorldPivot(*cube).x, 10.0f);
    EXPECT_TRUE(QxNear(QxWorldVertices(*cube), shape));
}

// The grid, seen from the front, made big enough to pick:
//
//   6---7---8        vertices 4 and 5 are selected and dragged up;
//   | 2 | 3 |        the others stay where they are
//   3--[4]-[5]
//   | 0 | 1 |
//   0---1---2
TEST_F(MoveTool, ComponentModeMovesTheSelectedVertices) {
    CQxObject* grid = QxAdd(Scene().RootModel(), QxNewGrid().release(), "G");
    grid->Scale() = CQxVector(20, 20, 20);
    UseSelect(QX_SELECT_COMPONENT);
    Scene().SelectObject(QxRecord(grid, {QxGridVertex(*grid, 1, 1), QxGridVertex(*grid, 2, 1)}),
                         QX_SELECT_REPLACE, 0);
    const auto start = QxWorldVertices(*grid);
    Undoable([&] { DragHandle(1, CQxVector(0, 1, 0), 30); });
    const auto moved = QxWorldVertices(*grid);
    for (unsigned int i = 0; i < 9; ++i) {
        const bool selected = i == 4 || i == 5;
        if (selected)
            EXPECT_GT(moved[i].y - start[i].y, 5.0f) << "vertex " << i;
        else
            EXPECT_TRUE(QxNear(moved[i], start[i])) << "vertex " << i;
    }
    EXPECT_NEAR(moved[4].y, moved[5].y, 1e-4f);
}

TEST_F(MoveTool, NumericEntryMovesByTheOffset) {
    CQxObject* cube = Select(AddCube("A", CQxVector(1, 2, 3)));
    Undoable([&] { return Scene().ToolManager().SetNumericalValue(CQxVector(5, 0, -1)); });
    EXPECT_TRUE(QxNear(cube->Translate(), CQxVector(6, 2, 2)));
    EXPECT_TRUE(QxNear(Scene().GetManipulator()->Translate(), CQxVector(6, 2, 2)));
}

TEST_F(MoveTool, NumericEntryRefusesWhatIsNotANumberAndAZeroOffset) {
    Select(AddCube("A", CQxVector()));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const CQxVector& offset : {CQxVector(nan, 0, 0), CQxVector(0, inf, 0), CQxVector()}) {
        SCOPED_TRACE(testing::Message() << offset.x << "," << offset.y);
        Unchanged([&] { return Scene().ToolManager().SetNumericalValue(offset); });
    }
}

TEST_F(MoveTool, AbsoluteEntryPutsThePivotThere) {
    CQxObject* cube = Select(AddCube("A", CQxVector(1, 2, 3)));
    AbsoluteMoveTool tool(&Scene());
    ASSERT_TRUE(tool.SetValueType(QX_VALUE_ABSOLUTE));
    CQxVector shown;
    tool.GetNumericalValue(shown);
    EXPECT_TRUE(QxNear(shown, CQxVector(1, 2, 3)));
    Undoable([&] { return tool.SetNumericalValue(CQxVector(-4, 0, 7)); });
    EXPECT_TRUE(QxNear(WorldPivot(*cube), CQxVector(-4, 0, 7)));
}

TEST_F(MoveTool, ClickBesideTheManipulatorSelects) {
    CQxObject* a = AddCube("A", CQxVector(-40, 0, 0));
    CQxObject* b = AddCube("B", CQxVector(40, 0, 0));
    Select(a);
    Rig().Click(Rig().ToScreen(b->Translate()));
    EXPECT_FALSE(a->IsSelect());
    EXPECT_TRUE(b->IsSelect());
    EXPECT_TRUE(QxNear(Scene().GetManipulator()->Translate(), b->Translate()));

    Rig().Click(CQxPoint(5, 5));
    EXPECT_FALSE(b->IsSelect());
    EXPECT_EQ(Scene().GetManipulator(), nullptr);
    EXPECT_EQ(History().GetCount(), 0u);
}

// B hangs below A with an IK handle up to it; the handle's cross at B's pivot is in front of B.
TEST_F(MoveTool, ClickOnAnIKHandleSelectsTheHandle) {
    CQxObject* a = AddCube("A", CQxVector(-30, 0, 0));
    CQxObject* b = AddCube("B", CQxVector(60, 0, 0), a);
    b->IKRoot() = a;
    b->UpdateGraphics();
    Rig().Click(Rig().ToScreen(WorldPivot(*b)));
    EXPECT_TRUE(b->IsHandleSelect());
    EXPECT_FALSE(b->IsSelect());
}

// Snapping keeps the centre on grid points of the plane it moves in: the ground in perspective,
// the view plane in the flat front view, where the grid is seen edge on.
TEST_F(MoveTool, SnappingKeepsTheCentreOnGridPoints) {
    for (View view : {View::Perspective, View::Front}) {
        const bool flat = view == View::Front;
        SCOPED_TRACE(flat ? "front view" : "perspective view");
        UseView(view);
        CQxObject* cube = Select(AddCube("A", CQxVector()));
        Scene().IsGridSnappable() = 1;
        const CQxPoint from = CentrePoint();
        Rig().Press(from);
        for (int step = 1; step <= 6; ++step) {
            Rig().MoveTo(CQxPoint(from.x + step * (flat ? 10 : 7), from.y + step * (flat ? -8 : 3)));
            const CQxVector at = cube->Translate();
            EXPECT_FLOAT_EQ(std::remainder(at.x, 10.0f), 0.0f) << "step " << step;
            EXPECT_FLOAT_EQ(std::remainder(flat ? at.y : at.z, 10.0f), 0.0f) << "step " << step;
            EXPECT_FLOAT_EQ(flat ? at.z : at.y, 0.0f) << "step " << step << ", off the plane";
        }
        Rig().Release(CQxPoint(from.x + 6 * (flat ? 10 : 7), from.y + 6 * (flat ? -8 : 3)));
        EXPECT_GT(cube->Translate().GetLength(), 5.0f) << "the drag moved the cube";
    }
}

TEST_F(MoveTool, ClickOnAHandleChangesNothing) {
    Select(AddCube("A", CQxVector()));
    Unchanged([&] { Rig().Click(HandlePoint(0)); });
}

TEST_F(MoveTool, DragWithoutButtonUpIsTakenBackAtTheNextButtonDown) {
    CQxObject* cube = Select(AddCube("A", CQxVector()));
    Unchanged([&] {
        const CQxPoint from = HandlePoint(0);
        Rig().Press(from);
        Rig().MoveTo(Along(from, CQxVector(1, 0, 0), 30));
        EXPECT_GT(cube->Translate().x, 5.0f);
        // The button-up went to another window; the next press starts afresh.
        Rig().Press(CQxPoint(5, 5));
    });
    Rig().Release(CQxPoint(5, 5));
    EXPECT_EQ(QxWin::GetCapture(), nullptr);
    EXPECT_EQ(History().GetCount(), 0u);
}

TEST_F(MoveTool, EndOperationMidDragTakesItBack) {
    Select(AddCube("A", CQxVector()));
    const CQxPoint from = HandlePoint(0);
    Unchanged([&] {
        Rig().Press(from);
        Rig().MoveTo(Along(from, CQxVector(1, 0, 0), 30));
        Scene().EndOperation();
    });
    EXPECT_TRUE(QxNear(Scene().GetManipulator()->Translate(), CQxVector()));
    EXPECT_EQ(QxWin::GetCapture(), nullptr);
    // The button-up that follows is an ordinary one and pushes nothing.
    Unchanged([&] { Rig().Release(Along(from, CQxVector(1, 0, 0), 30)); });
}

TEST_F(MoveTool, AnimatedObjectsLeaveTheMoveInTheHistory) {
    CQxObject* a = AddCube("A", CQxVector(1, 2, 3));
    CQxObject* b = AddCube("B", CQxVector(-30, 0, 0));
    Select(a);
    Scene().SelectObject(CQxSelect(b), QX_SELECT_ADD, 0);
    ASSERT_TRUE(Scene().ToolManager().SetNumericalValue(CQxVector(5, 0, -1)));
    // A channel other than the moved one still puts the object under the animation.
    Key(a, QX_ANIM_ITEM_SCALE_X);
    Scene().ClearAnimatedUndo();
    ASSERT_EQ(History().GetCount(), 1u);
    ASSERT_TRUE(History().Undo());
    EXPECT_TRUE(QxNear(a->Translate(), CQxVector(6, 2, 2)));
    EXPECT_TRUE(QxNear(b->Translate(), CQxVector(-30, 0, 0)));

    // Undone commands are left alone; once redone and animated too, the move has nothing left.
    Key(b, QX_ANIM_ITEM_TRANSLATE_Z);
    Scene().ClearAnimatedUndo();
    ASSERT_EQ(History().GetCount(), 1u);
    ASSERT_TRUE(History().Redo());
    Scene().ClearAnimatedUndo();
    EXPECT_EQ(History().GetCount(), 0u);
}

TEST_F(MoveTool, AnimatedVerticesLeaveTheDragInTheHistory) {
    CQxObject* grid = QxAdd(Scene().RootModel(), QxNewGrid().release(), "G");
    grid->Scale() = CQxVector(20, 20, 20);
    UseSelect(QX_SELECT_COMPONENT);
    CQxVertex* keyed = QxGridVertex(*grid, 1, 1);
    CQxVertex* free = QxGridVertex(*grid, 2, 1);
    Scene().SelectObject(QxRecord(grid, {keyed, free}), QX_SELECT_REPLACE, 0);
    const CQxVector start = free->Position();
    DragHandle(1, CQxVector(0, 1, 0), 30);
    const CQxVector moved = keyed->Position();
    ASSERT_FALSE(QxNear(free->Position(), start));

    Key(grid, keyed);
    Scene().ClearAnimatedUndo();
    ASSERT_EQ(History().GetCount(), 1u);
    ASSERT_TRUE(History().Undo());
    EXPECT_TRUE(QxNear(free->Position(), start));
    EXPECT_TRUE(QxNear(keyed->Position(), moved));
}
