#include <gtest/gtest.h>

#include <string>

#include "message_recorder.h"
#include "qx/commands/object_cmds.h"
#include "qx/tools/ik_handle_tool.h"
#include "qx/tools/manipulator.h"
#include "qx/tools/transform_tool.h"
#include "tool_view_fixture.h"

namespace {

// An arm of three cubes in the front view, bent 90 degrees at B, and a stray cube:
//
//              C (0, 20)
//              |
//   A ------- B (0, -20)            S (40, -20)
//  (-30, -20)
//
// B hangs below A and C below B.
class IKTools : public ToolViewFixture {
protected:
    IKTools() {
        a = AddCube("A", CQxVector(-30, -20, 0));
        b = AddCube("B", CQxVector(30, 0, 0), a);
        c = AddCube("C", CQxVector(0, 40, 0), b);
        stray = AddCube("S", CQxVector(40, -20, 0));
    }

    CQxPoint At(const CQxObject* object) { return Rig().ToScreen(WorldPivot(*object)); }
    CQxIKHandleTool& HandleTool() {
        return *dynamic_cast<CQxIKHandleTool*>(Scene().ToolManager().GetTool(QX_TOOL_IK_HANDLE));
    }
    CQxMoveTool& MoveTool() {
        return *dynamic_cast<CQxMoveTool*>(Scene().ToolManager().GetTool(QX_TOOL_MOVE));
    }

    // C ends a chain up to A, its handle and C itself selected, for the move tool.
    void GrabChainEnd() {
        ASSERT_EQ(c->SetIKRoot(a), 1);
        c->SelectHandle(1, 0);
        Select(c);
    }

    CQxObject* a = nullptr;
    CQxObject* b = nullptr;
    CQxObject* c = nullptr;
    CQxObject* stray = nullptr;
    QxMessageRecorder messages;
};

} // namespace

// --- The IK handle tool -------------------------------------------------------------------------------

TEST_F(IKTools, HandleToolPicksOfUnrelatedObjectsShowAMessageAndPushNothing) {
    UseTool(QX_TOOL_IK_HANDLE);
    Rig().Click(At(c));
    EXPECT_EQ(HandleTool().GetFirstObject(), c);
    EXPECT_TRUE(c->IsSelect());

    Rig().Click(At(stray));
    ASSERT_EQ(messages.Boxes().size(), 1u);
    EXPECT_EQ(messages.Boxes()[0].Text, "指定されたオブジェクトは親子関係にありません．");
    EXPECT_EQ(History().GetCount(), 0u);
    EXPECT_EQ(c->IKRoot(), nullptr);
    EXPECT_EQ(stray->IKRoot(), nullptr);

    // The first pick stays chosen: another second pick makes the chain.
    EXPECT_EQ(HandleTool().GetFirstObject(), c);
    Rig().Click(At(a));
    EXPECT_EQ(c->IKRoot(), a);
    EXPECT_EQ(History().GetCount(), 1u);
}

TEST_F(IKTools, HandleToolPicksOfAnObjectAndItsAncestorMakeOneChain) {
    UseTool(QX_TOOL_IK_HANDLE);
    Rig().Click(At(c));
    Rig().Click(At(a));
    EXPECT_EQ(c->IKRoot(), a) << "the descendant ends the chain whatever the order";
    EXPECT_EQ(c->IKConstraints().GetSize(), 2u);
    EXPECT_TRUE(c->IKConstraints()[0].IsValid()) << "B is bent 90 degrees";
    EXPECT_TRUE(a->IsSelect()) << "the second pick is selected";
    EXPECT_FALSE(c->IsSelect());
    ASSERT_EQ(History().GetCount(), 1u);
    EXPECT_STREQ(History().GetUndoText(), "元に戻す IKハンドル\tCtrl+Z(&U)");
    EXPECT_TRUE(messages.Boxes().empty());

    const CQxRotateConstraint hinge = c->IKConstraints()[0];
    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(c->IKRoot(), nullptr);
    EXPECT_EQ(c->IKConstraints().GetSize(), 0u);
    ASSERT_TRUE(History().Redo());
    EXPECT_EQ(c->IKRoot(), a);
    ASSERT_EQ(c->IKConstraints().GetSize(), 2u);
    EXPECT_EQ(c->IKConstraints()[0].PlaneDir(), hinge.PlaneDir());
}

TEST_F(IKTools, HandleToolClickOnNothingForgetsTheFirstPick) {
    UseTool(QX_TOOL_IK_HANDLE);
    Rig().Click(At(c));
    Rig().Click(CQxPoint(5, 5));
    EXPECT_EQ(HandleTool().GetFirstObject(), nullptr);
    EXPECT_FALSE(c->IsSelect());
    Rig().Click(At(a));
    EXPECT_EQ(HandleTool().GetFirstObject(), a) << "a first pick again";
    EXPECT_EQ(History().GetCount(), 0u);
    EXPECT_TRUE(messages.Boxes().empty());
}

// --- Dragging an IK goal with the move tool ---------------------------------------------------------

TEST_F(IKTools, MoveToolFindsTheGoalsOfTheHandleSelectedEnd) {
    GrabChainEnd();
    ASSERT_EQ(MoveTool().GetIKGoals().GetSize(), 1u);
    EXPECT_EQ(MoveTool().GetIKGoals()[0], c);
    c->SelectHandle(0, 0);
    Scene().PrepareTool();
    ASSERT_EQ(MoveTool().GetIKGoals().GetSize(), 1u);
    EXPECT_EQ(MoveTool().GetIKGoals()[0], nullptr) << "without the handle C moves as any object";
}

TEST_F(IKTools, MoveToolDragBendsTheChainAsOneUndoableMove) {
    GrabChainEnd();
    const CQxVector start = WorldPivot(*c);
    const CQxVector cTranslate = c->Translate();
    Undoable([&] {
        const CQxPoint from = HandlePoint(0);
        Rig().Press(from);
        Rig().MoveTo(Along(from, CQxVector(1, 0, 0), 15));
        Rig().MoveTo(Along(from, CQxVector(1, 0, 0), 30));
        // The manipulator shows where C is dragged to; the chain bends to bring C there.
        const CQxVector goal = Scene().GetManipulator()->Translate();
        EXPECT_GT((goal - start).GetLength(), 5.0f);
        EXPECT_LT((WorldPivot(*c) - goal).GetLength(), 70.0f * MoveTool().IKTolerance);
        EXPECT_EQ(c->Translate(), cTranslate) << "C is not moved by itself";
        Rig().Release(Along(from, CQxVector(1, 0, 0), 30));
    });
    EXPECT_NE(b->Rotate(), CQxQuat()) << "the joint above C turned";
    EXPECT_EQ(a->Translate(), CQxVector(-30, -20, 0)) << "the chain's root stays in place";
    EXPECT_STREQ(History().GetUndoText(), "元に戻す 移動\tCtrl+Z(&U)");
}

TEST_F(IKTools, MoveToolDragOfAChainEndTakenBackMidwayRestoresThePose) {
    GrabChainEnd();
    const CQxPoint from = HandlePoint(1);
    Unchanged([&] {
        Rig().Press(from);
        Rig().MoveTo(Along(from, CQxVector(0, -1, 0), 20));
        EXPECT_NE(a->Rotate(), CQxQuat());
        Scene().EndOperation();
    });
    Unchanged([&] { Rig().Release(Along(from, CQxVector(0, -1, 0), 20)); });
}

TEST_F(IKTools, MoveToolDragsOtherSelectedObjectsAsBefore) {
    GrabChainEnd();
    Scene().SelectObject(CQxSelect(stray), QX_SELECT_ADD, 0);
    const CQxVector strayStart = stray->Translate();
    const CQxPoint from = HandlePoint(0);
    Rig().Drag(from, Along(from, CQxVector(1, 0, 0), 30));
    EXPECT_GT(stray->Translate().x - strayStart.x, 5.0f) << "an object off the chain moves directly";
    EXPECT_NE(b->Rotate(), CQxQuat()) << "the chain bends for C";
    ASSERT_EQ(History().GetCount(), 1u);
    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(stray->Translate(), strayStart);
    EXPECT_EQ(a->Rotate(), CQxQuat());
    EXPECT_EQ(b->Rotate(), CQxQuat());
}
