#include <gtest/gtest.h>

#include <vector>

#include "qx/platform/input_state.h"
#include "qx/platform/timer.h"
#include "qx/platform/window.h"
#include "qx/tools/tool.h"
#include "scene_builders.h"
#include "view_rig.h"

using namespace QxWin;

namespace {

using Codes = std::vector<unsigned int>;

// A camera that records the navigation the tools ask of it instead of moving.
struct NavigationLog : CQxCamera {
    std::vector<std::pair<float, float>> Rotations;
    std::vector<std::pair<int, int>> Pans;
    std::vector<int> Zooms;
    void Rotate(float yaw, float pitch) override { Rotations.emplace_back(yaw, pitch); }
    void Pan(int dx, int dy) override { Pans.emplace_back(dx, dy); }
    void Zoom(int steps) override { Zooms.push_back(steps); }
};

class ToolManager : public ::testing::Test {
protected:
    CQxScene scene;
    QxUpdateRecorder host{scene};
    CQxToolManager& tools = scene.ToolManager();
    CQxObject* cube = QxAdd(scene.RootModel(), QxNewCube(2.0f), "cube");

    // A view of the scene on its own window, whose timers and paints reach the camera.
    QxOffscreenWindow window{160, 120};
    NavigationLog camera;

    void SetUp() override {
        camera.CreateView(&scene, &window, 0, 0);
        window.SetTimerHandler([this](UINT_PTR id) { camera.OnTimer(static_cast<unsigned int>(id)); });
    }
    void TearDown() override {
        scene.RemoveCamera(&camera);
        camera.DestroyView();
    }
    void Select(CQxObject* object) { scene.SelectObject(CQxSelect(object), QX_SELECT_REPLACE, 0); }
    // A right or middle drag from one point to another, one timer step in between.
    void CameraDrag(unsigned int button, CQxPoint from, CQxPoint to, bool releaseInside = true) {
        window.SetCursorPos(from.x, from.y);
        if (button == MK_RBUTTON) camera.OnRButtonDown(button, from);
        else camera.OnMButtonDown(button, from);
        window.SetCursorPos(to.x, to.y);
        QxWaitTimers(1000); // one drag step
        if (!releaseInside) window.SetCursorPos(-50, 400);
        if (button == MK_RBUTTON) camera.OnRButtonUp(0, to);
        else camera.OnMButtonUp(0, to);
    }
};

} // namespace

TEST_F(ToolManager, ASceneStartsWithTheMoveToolAndTheToolsOfTheThreeViews) {
    EXPECT_EQ(tools.GetCurTool(), QX_TOOL_MOVE);
    EXPECT_EQ(tools.GetCurSelect(), QX_SELECT_OBJECT);
    EXPECT_EQ(tools.GetComponentTypes(), 31u);
    for (QX_TOOL_TYPE id : {QX_TOOL_SELECT, QX_TOOL_SCALE, QX_TOOL_ROTATE, QX_TOOL_MOVE, QX_TOOL_COMPONENT_A,
                            QX_TOOL_COMPONENT_B, QX_TOOL_COMPONENT_C})
        EXPECT_NE(tools.GetTool(id), nullptr) << "tool " << id;
    EXPECT_TRUE(tools.IsSelectTool());
    EXPECT_EQ(tools.GetCoordFlags(), 7u);
    EXPECT_EQ(tools.GetNumericalType(), QX_NUMERICAL_VECTOR);
}

TEST_F(ToolManager, SwitchingToolsClearsTheOldOneAndTellsTheHost) {
    tools.SetCurTool(QX_TOOL_SELECT);
    EXPECT_EQ(tools.GetCurTool(), QX_TOOL_SELECT);
    const Codes heard = host.TakeTypes();
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(heard.front(), QX_UPDATE_NUMERICAL_RESET) << "the move tool was not cleared";
    EXPECT_EQ(Codes(heard.end() - 2, heard.end()), (Codes{QX_UPDATE_TOOL, QX_UPDATE_REDRAW}));
}

TEST_F(ToolManager, SwitchingToTheCurrentOrAMissingToolChangesNothing) {
    tools.SetCurTool(QX_TOOL_MOVE);
    tools.SetCurTool(static_cast<QX_TOOL_TYPE>(99));
    EXPECT_EQ(tools.GetCurTool(), QX_TOOL_MOVE);
    EXPECT_TRUE(host.TakeTypes().empty());
}

TEST_F(ToolManager, AComponentToolSwitchesTheSceneToComponentsAndItStaysThere) {
    Select(cube);
    tools.SetCurTool(QX_TOOL_COMPONENT_A);
    EXPECT_EQ(tools.GetCurSelect(), QX_SELECT_COMPONENT);
    EXPECT_TRUE(scene.IsComponentSelect());
    EXPECT_TRUE(cube->IsComponentMode());
    EXPECT_FALSE(cube->IsSelect()) << "entering component mode keeps an object selected";
    EXPECT_TRUE(tools.IsComponentTypesEnabled());
    EXPECT_EQ(static_cast<CQxSelectTool*>(tools.GetTool(QX_TOOL_SELECT))->GetSelectType(), QX_SELECT_COMPONENT);

    tools.SetCurTool(QX_TOOL_MOVE); // forces nothing
    EXPECT_EQ(tools.GetCurSelect(), QX_SELECT_COMPONENT);
    tools.SetCurSelect(QX_SELECT_OBJECT);
    EXPECT_FALSE(scene.IsComponentSelect());
    EXPECT_FALSE(cube->IsComponentMode()) << "leaving components switches the whole tree back";
}

TEST_F(ToolManager, SelectTypeAndComponentTypesReachEverySelectTool) {
    tools.SetComponentTypes(1);
    tools.SetCurSelect(QX_SELECT_PIVOT);
    for (QX_TOOL_TYPE id : {QX_TOOL_SELECT, QX_TOOL_MOVE, QX_TOOL_COMPONENT_C}) {
        auto* tool = static_cast<CQxSelectTool*>(tools.GetTool(id));
        EXPECT_EQ(tool->GetSelectType(), QX_SELECT_PIVOT) << "tool " << id;
        EXPECT_EQ(tool->GetComponentTypes(), 1u) << "tool " << id;
    }
    // Leaving component mode (never entered here) leaves the object's selection alone.
    Select(cube);
    tools.SetCurSelect(QX_SELECT_OBJECT);
    EXPECT_TRUE(cube->IsSelect());
}

TEST_F(ToolManager, ValueAndCoordTypesOutsideTheToolsFlagsAreRefused) {
    EXPECT_EQ(tools.SetCoordType(QX_COORD_OBJECT), 0) << "the current type again";
    EXPECT_EQ(tools.SetValueType(QX_VALUE_ABSOLUTE), 0) << "the move tool offers relative values only";
    EXPECT_EQ(tools.SetCoordType(QX_COORD_WORLD), 1);
    EXPECT_EQ(tools.GetCoordType(), QX_COORD_WORLD);
    tools.SetCurTool(QX_TOOL_SCALE);
    EXPECT_EQ(tools.SetCoordType(QX_COORD_WORLD), 0) << "the scale tool works in object axes only";
}

TEST_F(ToolManager, QuestionsToAManagerWithoutToolsThrowAndInputIsIgnored) {
    CQxToolManager bare; // never created: no tools
    EXPECT_EQ(bare.GetCurToolObject(), nullptr);
    EXPECT_THROW(bare.IsSelectTool(), QX_ERROR_TYPE);
    EXPECT_THROW(bare.GetNumericalType(), QX_ERROR_TYPE);
    bare.OnLButtonDown(&camera, 0, CQxPoint(1, 1));
    bare.PrepareTool();
    EXPECT_EQ(bare.IsOperating(), 0);
    EXPECT_EQ(bare.OnSetCursor(1), 0);
}

TEST_F(ToolManager, ARightDragOrbitsAndAMiddleDragPansByTheCursorsTravel) {
    CameraDrag(MK_RBUTTON, CQxPoint(50, 50), CQxPoint(60, 40));
    ASSERT_EQ(camera.Rotations.size(), 1u);
    EXPECT_FLOAT_EQ(camera.Rotations[0].first, 10 * -0.005f);
    EXPECT_FLOAT_EQ(camera.Rotations[0].second, -10 * 0.005f);
    CameraDrag(MK_MBUTTON, CQxPoint(50, 50), CQxPoint(47, 58));
    ASSERT_EQ(camera.Pans.size(), 1u);
    EXPECT_EQ(camera.Pans[0], std::make_pair(-3, 8));
    EXPECT_FALSE(tools.IsOperating());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ToolManager, ADragReleasedOutsideTheWindowStillEnds) {
    CameraDrag(MK_RBUTTON, CQxPoint(50, 50), CQxPoint(55, 50), false);
    EXPECT_FALSE(tools.IsOperating());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(tools.GetCurToolObject()->GetTimer(), 0u);
    // No timer is left to move the view once the drag is over.
    window.SetCursorPos(90, 90);
    QxRunTimersFor(30);
    EXPECT_EQ(camera.Rotations.size(), 1u);
}

TEST_F(ToolManager, TheWheelZoomsByWholeNotches) {
    for (short delta : {-119, -240, 120, 360}) camera.OnMouseWheel(0, delta, CQxPoint(5, 5));
    EXPECT_EQ(camera.Zooms, (std::vector<int>{0, -2, 1, 3}));
}

TEST_F(ToolManager, DeleteDeletesTheSelectionOnceWhileTheKeyIsHeld) {
    CQxObject* other = QxAdd(scene.RootModel(), QxNewCube(1.0f), "other");
    Select(cube);
    camera.OnKeyDown(VK_DELETE, 1, 0);
    Select(other);
    camera.OnKeyDown(VK_DELETE, 1, KF_REPEAT);
    EXPECT_EQ(scene.RootModel().GetChildCount(), 1u);
    EXPECT_EQ(scene.RootModel().GetChild(0u), other) << "an auto-repeated Delete deleted again";
    scene.CmdManager().Undo();
    EXPECT_EQ(scene.RootModel().GetChildCount(), 2u);
}

TEST_F(ToolManager, InputWithoutASceneIsIgnored) {
    NavigationLog loose;
    loose.OnLButtonDown(MK_LBUTTON, CQxPoint(1, 1));
    loose.OnMouseWheel(0, 240, CQxPoint(1, 1));
    loose.OnKeyDown(VK_DELETE, 1, 0);
    EXPECT_EQ(loose.OnSetCursor(1), 0);
    EXPECT_TRUE(loose.Zooms.empty());
    EXPECT_EQ(scene.RootModel().GetChildCount(), 1u);
}
