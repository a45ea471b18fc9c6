#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "graph_rig.h"
#include "qx/platform/input_state.h"
#include "qx/platform/window.h"
#include "qx/tools/graph_tools.h"
#include "scene_builders.h"
#include "undo_checks.h"

using namespace QxWin;

namespace {

// A cube with a translation curve of three keys and a rotation curve of two, in a 400 x 300
// graph view of frames 0..20 and values 0..10:
//
//   value 8              o (12, 8)
//   value 5    o (4, 5)           (rotation: flat at 2 from frame 6 to 16)
//   value 1                              o (18, 1)
class GraphTools : public ::testing::Test {
protected:
    QxGraphRig rig;
    CQxObject* cube = QxAdd(rig.model, QxNewCube(), "cube");
    CQxObjectAnimItem& move = rig.Key(cube, QX_ANIM_ITEM_TRANSLATE_X, {{4, 5}, {12, 8}, {18, 1}});
    CQxObjectAnimItem& turn = rig.Key(cube, QX_ANIM_ITEM_ROTATE_Y, {{6, 2}, {16, 2}});
    CQxToolManager& tools = rig.scene.GraphToolManager();

    void SetUp() override { rig.Paint(); }

    CQxSplineNode& Node(CQxObjectAnimItem& item, unsigned int i) { return *item.Spline().Nodes()[i]; }
    // A gesture that must push one step that undo and redo take back and forth exactly (the
    // dumps hold every key, tangent and flag), or nothing at all.
    template <class Gesture>
    void Undoable(Gesture&& gesture) {
        qxtest::ExpectUndoable(rig.scene, [&] { return gesture(), true; });
    }
    template <class Gesture>
    void Unchanged(Gesture&& gesture) {
        qxtest::ExpectRefused(rig.scene, [&] { return gesture(), false; });
    }
    std::vector<float> SelectedFrames() {
        std::vector<float> frames;
        for (CQxObjectAnimItem* item : {&move, &turn})
            for (const CQxSplineNode* n : item->Spline().Nodes())
                if (n->IsSelect) frames.push_back(n->X);
        return frames;
    }
    // A point in empty curve area, away from every key and handle.
    CQxPoint Empty() { return rig.At(9, 0.5f); }
};

} // namespace

TEST_F(GraphTools, GraphManagerHoldsTheSelectAndMoveToolsWithMoveCurrent) {
    EXPECT_NE(dynamic_cast<CQxGraphSelectTool*>(tools.GetTool(QX_TOOL_SELECT)), nullptr);
    EXPECT_NE(dynamic_cast<CQxGraphMoveTool*>(tools.GetTool(QX_TOOL_MOVE)), nullptr);
    EXPECT_EQ(tools.GetCurTool(), QX_TOOL_MOVE);
}

// --- Selecting ---------------------------------------------------------------------------------------

TEST_F(GraphTools, ClickOnAKeySelectsItAlone) {
    tools.SetCurTool(QX_TOOL_SELECT);
    Node(move, 0).Select(1);
    rig.Click(rig.At(Node(move, 1)));
    EXPECT_EQ(SelectedFrames(), std::vector<float>{12});
    EXPECT_TRUE(rig.Received(QX_UPDATE_GRAPH));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(GraphTools, ShiftAndCtrlAreRememberedButAPickAlwaysReplacesTheKeys) {
    tools.SetCurTool(QX_TOOL_SELECT);
    auto* select = static_cast<CQxGraphSelectTool*>(tools.GetTool(QX_TOOL_SELECT));
    Node(move, 0).Select(1);
    rig.Press(rig.At(Node(turn, 1)), MK_SHIFT);
    EXPECT_EQ(select->GetSelectMode(), 1);
    rig.Release(rig.At(Node(turn, 1)), MK_SHIFT);
    EXPECT_EQ(SelectedFrames(), std::vector<float>{16});
    rig.Click(rig.At(Node(turn, 1)), MK_CONTROL);
    EXPECT_EQ(SelectedFrames(), std::vector<float>{16}) << "Ctrl does not toggle it off";
}

TEST_F(GraphTools, ClickOnNothingClearsKeysAndHandles) {
    tools.SetCurTool(QX_TOOL_SELECT);
    Node(move, 0).Select(1);
    Node(turn, 0).SelectNextTan(1);
    rig.Click(Empty());
    EXPECT_TRUE(SelectedFrames().empty());
    EXPECT_FALSE(Node(turn, 0).IsNextTanSelect);
}

TEST_F(GraphTools, ClickOnAHandleSelectsTheHandleNotTheKey) {
    tools.SetCurTool(QX_TOOL_SELECT);
    rig.Click(rig.PrevHandle(Node(turn, 1)));
    EXPECT_TRUE(Node(turn, 1).IsPrevTanSelect);
    EXPECT_FALSE(Node(turn, 1).IsSelect);
}

TEST_F(GraphTools, RubberBandSelectsTheKeysOfEveryTrackInsideItButNotTheirHandles) {
    // Around the translation keys at frames 12 and 18 and the rotation key at 16.
    rig.Drag(rig.At(10.5f, 9.5f), rig.At(19.5f, 0.5f));
    EXPECT_EQ(SelectedFrames(), (std::vector<float>{12, 18, 16}));
    EXPECT_FALSE(Node(turn, 1).IsPrevTanSelect) << "a band holding keys selects only keys";
}

// --- Dragging ---------------------------------------------------------------------------------------

TEST_F(GraphTools, DraggingAKeyMovesTheWholeSelectionAsOneUndoableStep) {
    Node(move, 0).Select(1);
    Node(turn, 0).Select(1);
    const CQxPoint from = rig.At(Node(move, 0));
    // 36 pixels right and 52 up: two frames and two values at 18 and 26 pixels each.
    const float pxFrame = rig.Curve().Width() / 20.0f, pxValue = rig.Curve().Height() / 10.0f;
    const CQxPoint to(from.x + static_cast<int>(std::lround(2 * pxFrame)),
                      from.y - static_cast<int>(std::lround(2 * pxValue)));
    Undoable([&] { rig.Drag(from, to); });
    EXPECT_NEAR(Node(move, 0).X, 6.0f, 0.1f);
    EXPECT_NEAR(Node(move, 0).Y, 7.0f, 0.1f);
    EXPECT_NEAR(Node(turn, 0).X, 8.0f, 0.1f);
    EXPECT_NEAR(Node(turn, 0).Y, 4.0f, 0.1f);
    EXPECT_EQ(Node(move, 1).X, 12.0f) << "unselected keys stay";
}

TEST_F(GraphTools, DraggingAKeyPastItsNeighbourReordersTheCurveAndUndoPutsItBack) {
    Node(move, 0).Select(1); // as the press would: selections are not undone
    Undoable([&] { rig.Drag(rig.At(Node(move, 0)), rig.At(14, 5)); });
    EXPECT_NEAR(Node(move, 1).X, 14.0f, 0.1f) << "the key now sits after frame 12";
}

TEST_F(GraphTools, TurningAHandleFixesItsSlopeAsOneUndoableStep) {
    CQxSplineNode& key = Node(turn, 0);
    const CQxPoint handle = rig.NextHandle(key), centre = rig.At(key);
    key.SelectNextTan(1); // as the press would: selections are not undone
    // From flat to 45 degrees on screen: the handle's end swung up by its own length.
    Undoable([&] {
        rig.Drag(handle, CQxPoint(centre.x + (handle.x - centre.x), centre.y - (handle.x - centre.x)));
    });
    EXPECT_EQ(key.NextTanType, QX_TAN_FIXED);
    const float pxFrame = rig.Curve().Width() / 20.0f, pxValue = rig.Curve().Height() / 10.0f;
    EXPECT_NEAR(key.NextTan, pxFrame / pxValue, 0.05f) << "a 45-degree line on screen";
    EXPECT_EQ(key.PrevTan, key.NextTan) << "a joined key turns both sides";
    EXPECT_EQ(move.Spline().GetNodeCount(), 3u);
}

TEST_F(GraphTools, ClickOnAKeyWithoutDraggingLeavesNoUndoStep) {
    const unsigned int history = rig.scene.CmdManager().GetCount();
    rig.Click(rig.At(Node(move, 1)));
    EXPECT_EQ(rig.scene.CmdManager().GetCount(), history);
    EXPECT_EQ(SelectedFrames(), std::vector<float>{12});
}

TEST_F(GraphTools, DragEndedFromOutsidePutsTheKeysBackAndPushesNothing) {
    Node(move, 1).Select(1); // as the press would: selections are not undone
    Unchanged([&] {
        rig.Press(rig.At(Node(move, 1)));
        rig.MoveTo(rig.At(14, 3));
        EXPECT_NE(Node(move, 1).X, 12.0f) << "the key follows the drag live";
        rig.scene.EndOperation();
    });
    EXPECT_EQ(GetCapture(), nullptr);
    Unchanged([&] { rig.Release(rig.At(14, 3)); }); // the late button-up does nothing
}

TEST_F(GraphTools, MoveToolSelectsWithARubberBandOnEmptyArea) {
    rig.Drag(rig.At(3, 4), rig.At(5, 6));
    EXPECT_EQ(SelectedFrames(), (std::vector<float>{4}));
    EXPECT_EQ(Node(move, 0).X, 4.0f) << "nothing moved";
}

// --- Bad input -------------------------------------------------------------------------------------

TEST_F(GraphTools, EventsWithoutAModelChangeNothing) {
    const CQxPoint key = rig.At(Node(move, 1));
    rig.view.OnLButtonDown(nullptr, MK_LBUTTON, key);
    rig.view.OnMouseMove(nullptr, MK_LBUTTON, CQxPoint(key.x + 20, key.y));
    rig.view.OnLButtonUp(nullptr, 0, CQxPoint(key.x + 20, key.y));
    EXPECT_EQ(Node(move, 1).X, 12.0f);
    EXPECT_TRUE(SelectedFrames().empty());
}

TEST_F(GraphTools, ClicksFindNothingBeforeTheViewIsLaidOut) {
    QxGraphRig small(6, 6);
    CQxObject* other = QxAdd(small.model, QxNewCube(), "other");
    small.Key(other, QX_ANIM_ITEM_TRANSLATE_X, {{1, 1}});
    small.Click(CQxPoint(3, 3));
    small.Drag(CQxPoint(0, 0), CQxPoint(5, 5));
    EXPECT_FALSE(
        small.model.Anim().ObjectItems()[other][QX_ANIM_ITEM_TRANSLATE_X].Spline().Nodes()[0]->IsSelect);
}
