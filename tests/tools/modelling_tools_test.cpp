#include <gtest/gtest.h>

#include <string>

#include "qx/commands/cmd_run.h"
#include "qx/commands/mesh_edit_cmds.h"
#include "qx/scene/model.h"
#include "qx/tools/modelling_tools.h"
#include "qx/tools/transform_tool.h"
#include "tool_view_fixture.h"

namespace {

class ModellingTools : public ToolViewFixture {
protected:
    void ClickAt(float x, float y, float z = 0) { Rig().Click(Rig().ToScreen(CQxVector(x, y, z))); }
    CQxTool* Tool() { return Scene().ToolManager().GetTool(Scene().ToolManager().GetCurTool()); }
    // The cube's face whose normal points along the direction.
    static CQxFace* FaceToward(CQxObject& cube, const CQxVector& direction) {
        for (CQxFace& f : cube.Mesh().Faces())
            if (f.Normal().GetDot(direction) > 0.99f) return &f;
        return nullptr;
    }
    static constexpr float kPixel = 0.5f; // a click lands within a pixel of the point it was aimed at
};

// --- Face creation --------------------------------------------------------------------------------

class CreateFaceTool : public ModellingTools {
protected:
    CreateFaceTool() { UseTool(QX_TOOL_CREATE_FACE); }
    CQxCreateFaceTool& FaceTool() { return *static_cast<CQxCreateFaceTool*>(Tool()); }
};

TEST_F(CreateFaceTool, ThreeClicksInEmptySpaceMakeOneTriangleFacingTheCamera) {
    Undoable([&] {
        ClickAt(-20, 0);
        ClickAt(20, 0);
        EXPECT_FALSE(History().IsUndoable()) << "two corners push nothing";
        ClickAt(0, 20);
        Scene().EndOperation();
    });
    CQxObject* made = Scene().RootModel().GetLastChild();
    ASSERT_NE(made, nullptr);
    ASSERT_EQ(made->Mesh().Faces().GetCount(), 1u);
    const CQxFace& face = *made->Mesh().Faces().Front();
    EXPECT_EQ(face.GetHalfEdgeCount(), 3u);
    EXPECT_GT(face.Normal().z, 0.99f) << "the face looks at the camera (down -Z)";
    EXPECT_TRUE(QxNear(made->Mesh().Vertices().Back()->Position(), CQxVector(0, 20, 0), kPixel))
        << "corners lie on the plane through the origin facing the view";
}

TEST_F(CreateFaceTool, AFourthClickMakesAQuadAndEndsTheFace) {
    ClickAt(-20, -20);
    ClickAt(20, -20);
    ClickAt(20, 20);
    ClickAt(-20, 20);
    CQxObject* made = Scene().RootModel().GetLastChild();
    ASSERT_EQ(made->Mesh().Faces().GetCount(), 1u);
    EXPECT_EQ(made->Mesh().Faces().Front()->GetHalfEdgeCount(), 4u);
    EXPECT_EQ(FaceTool().GetPendingCmd(), nullptr);
    EXPECT_EQ(Tool()->GetState(), QX_TOOL_STATE_IDLE);
    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(Scene().RootModel().GetChildCount(), 0u) << "one undo takes the quad and its object";
}

TEST_F(CreateFaceTool, ClickingAVertexOfTheSelectedMeshUsesIt) {
    CQxObject* cube = AddCube("Cube", CQxVector());
    Select(cube);
    const unsigned int vertices = cube->Mesh().Vertices().GetCount();
    ClickAt(10, 10, 10); // the cube's front upper right corner
    EXPECT_EQ(cube->Mesh().Vertices().GetCount(), vertices) << "no new vertex for the corner";
    ClickAt(40, 10);
    ClickAt(40, 40);
    ASSERT_EQ(cube->Mesh().Faces().GetCount(), 7u) << "the face goes into the selected mesh";
    EXPECT_NE(cube->Mesh().Faces().Back()->FindHalfEdge(
                  cube->Mesh().Vertices().GetAt(cube->Mesh().Vertices().GetCount() - 3)),
              nullptr);
}

TEST_F(CreateFaceTool, EndingWithTwoCornersLeavesNothing) {
    Unchanged([&] {
        ClickAt(-20, 0);
        ClickAt(20, 0);
        Scene().EndOperation();
    });
}

TEST_F(CreateFaceTool, TypedPointsAreCornersAsClicksWouldBe) {
    ClickAt(-20, 0);
    Tool()->SetValueType(QX_VALUE_RELATIVE);
    ASSERT_TRUE(Tool()->SetNumericalValue(CQxVector(40, 0, 0))) << "relative to the last corner";
    ASSERT_TRUE(Tool()->SetNumericalValue(CQxVector(-20, 20, 0)));
    CQxObject* made = Scene().RootModel().GetLastChild();
    ASSERT_EQ(made->Mesh().Faces().GetCount(), 1u);
    EXPECT_TRUE(QxNear(made->Mesh().Vertices().Back()->Position(), CQxVector(0, 20, 0), kPixel));
    EXPECT_FALSE(Tool()->SetNumericalValue(CQxVector(NAN, 0, 0)));
}

// --- Material and shade ---------------------------------------------------------------------------

TEST_F(ModellingTools, MaterialToolGivesTheClickedFaceTheCurrentMaterialOnce) {
    CQxObject* cube = AddCube("Cube", CQxVector());
    CQxAttribute* red = Scene().RootModel().CreateAttribute("Red");
    Scene().RootModel().CurAttribute() = red;
    UseTool(QX_TOOL_MATERIAL);
    ClickAt(0, 0, 10);
    EXPECT_EQ(FaceToward(*cube, CQxVector(0, 0, 1))->Attribute(), red) << "the front face";
    EXPECT_EQ(FaceToward(*cube, CQxVector(0, 0, -1))->Attribute(), nullptr) << "the back face";
    const unsigned int count = History().GetCount();
    ClickAt(0, 0, 10);
    EXPECT_EQ(History().GetCount(), count) << "a face that has the material already pushes nothing";
    ClickAt(60, 60);
    EXPECT_EQ(History().GetCount(), count) << "a click on nothing pushes nothing";
}

TEST_F(ModellingTools, ShadeToolsShadeTheClickedFaceOnlyWhenItChanges) {
    CQxObject* cube = AddCube("Cube", CQxVector());
    CQxFace* front = FaceToward(*cube, CQxVector(0, 0, 1));
    UseTool(QX_TOOL_SHADE_OFF);
    ClickAt(0, 0, 10);
    EXPECT_FALSE(front->IsShade());
    const unsigned int count = History().GetCount();
    ClickAt(0, 0, 10);
    EXPECT_EQ(History().GetCount(), count);
    UseTool(QX_TOOL_SHADE_ON);
    ClickAt(0, 0, 10);
    EXPECT_TRUE(front->IsShade());
}

// --- Extrusion ------------------------------------------------------------------------------------

class ExtrudeTool : public ModellingTools {
protected:
    ExtrudeTool() {
        m_Cube = AddCube("Cube", CQxVector());
        UseSelect(QX_SELECT_COMPONENT);
        m_Top = FaceToward(*m_Cube, CQxVector(0, 1, 0));
        Scene().SelectObject(QxRecord(m_Cube, {}, {m_Top}), QX_SELECT_REPLACE, 0);
        UseTool(QX_TOOL_EXTRUDE);
    }
    CQxObject* m_Cube = nullptr;
    CQxFace* m_Top = nullptr;
};

TEST_F(ExtrudeTool, TheAxisStandsOnTheFirstFaceAlongItsNormal) {
    EXPECT_TRUE(QxNear(ManipulatorAxis(1), CQxVector(0, 1, 0)));
    EXPECT_TRUE(QxNear(Scene().GetManipulator()->Translate(), CQxVector(0, 10, 0)));
}

TEST_F(ExtrudeTool, DraggingTheAxisPullsTheFaceOutAsOneCommand) {
    const CQxPoint from = HandlePoint(0);
    Undoable([&] { Rig().Drag(from, Along(from, CQxVector(0, 1, 0), 30)); });
    EXPECT_EQ(m_Cube->Mesh().Faces().GetCount(), 10u) << "four walls";
    EXPECT_GT(m_Top->GetCenter().y, 20.0f) << "the cap follows the mouse up";
}

TEST_F(ExtrudeTool, ADragEndedFromOutsideIsTakenBack) {
    const CQxPoint from = HandlePoint(0);
    Unchanged([&] {
        Rig().Press(from);
        Rig().MoveTo(Along(from, CQxVector(0, 1, 0), 20));
        Scene().EndOperation();
    });
}

TEST_F(ExtrudeTool, ATypedDistanceExtrudesAsTheCommandDoes) {
    ASSERT_TRUE(Tool()->SetNumericalValue(5.0f));
    const std::string typed = Dump();
    ASSERT_TRUE(History().Undo());
    CQxSelects records(QxRecord(m_Cube, {}, {m_Top}));
    ASSERT_TRUE(
        QxRunCmd<CQxExtrudeCmd>(Scene(), [&](CQxExtrudeCmd& cmd) { return cmd.Create(records, 5.0f, 1); }));
    QX_EXPECT_SAME_DUMP(typed, Dump());
    EXPECT_FALSE(Tool()->SetNumericalValue(NAN));
}

} // namespace
