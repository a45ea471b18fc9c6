#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "qx/commands/cmd_manager.h"
#include "qx/commands/uv_cmds.h"
#include "qx/platform/input_state.h"
#include "qx/platform/window.h"
#include "qx/tools/uv_tools.h"
#include "scene_builders.h"
#include "scene_dump.h"
#include "uv_rig.h"
#include "view_rig.h"

using namespace QxWin;

namespace {

::testing::AssertionResult Near(const CQxVector2D& actual, const CQxVector2D& expected) {
    if (std::fabs(actual.x - expected.x) <= 1e-6f && std::fabs(actual.y - expected.y) <= 1e-6f)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "UV (" << actual.x << ", " << actual.y << "), expected ("
                                         << expected.x << ", " << expected.y << ")";
}

// The UV grid (uv_rig.h) in a 400 x 300 UV view; the move tool is current, as in a new scene.
class UVTools : public ::testing::Test {
protected:
    UVTools() : grid(QxAddUVGrid(rig.scene)) {}

    // The corner of face (fi, fj) at vertex (vi, vj), and where the vertex (i, j) shows.
    CQxHalfEdge* Corner(unsigned int fi, unsigned int fj, unsigned int vi, unsigned int vj) {
        return QxUVGridCorner(*grid, fi, fj, vi, vj);
    }
    static CQxPoint At(int i, int j) { return CQxPoint(100 + 100 * i, 225 - 75 * j); }
    void Select(std::initializer_list<CQxHalfEdge*> corners) {
        grid->SelectUVs(0, 1);
        grid->SelectUVs(1, CQxArray<CQxHalfEdge*>(corners));
    }
    // Every corner whose UV is selected, as "face:vertex" positions.
    std::string Selected() {
        grid->Mesh().UpdateIndices();
        std::string out;
        unsigned int f = 0;
        for (const CQxFace& face : grid->Mesh().Faces()) {
            face.ForEachHalfEdge([&](const CQxHalfEdge& h) {
                if (h.IsUVSelect())
                    out += std::to_string(f) + ":" + std::to_string(h.GetVertex()->Index()) + " ";
            });
            ++f;
        }
        return out;
    }
    std::string Dump() const { return QxDumpScene(rig.scene); }
    CQxCmdManager& History() { return rig.scene.CmdManager(); }
    void ExpectUndoRedo(const std::string& before, const std::string& after) {
        ASSERT_TRUE(History().Undo());
        QX_EXPECT_SAME_DUMP(before, Dump()) << "undo";
        ASSERT_TRUE(History().Redo());
        QX_EXPECT_SAME_DUMP(after, Dump()) << "redo";
    }

    QxUVRig rig;
    CQxObject* grid;
};

// --- Selecting ------------------------------------------------------------------------------------

TEST_F(UVTools, AClickSelectsTheNearestUVAloneAndShiftAddsAndCtrlToggles) {
    rig.UseTool(QX_TOOL_SELECT);
    rig.Click(At(0, 0) + CQxPoint(2, -1));
    EXPECT_EQ(Selected(), "0:0 ");
    rig.Click(At(2, 2));
    EXPECT_EQ(Selected(), "3:8 ") << "a plain click replaces";
    rig.Click(At(0, 0), MK_SHIFT);
    EXPECT_EQ(Selected(), "0:0 3:8 ") << "Shift adds";
    rig.Click(At(2, 2), MK_CONTROL);
    EXPECT_EQ(Selected(), "0:0 ") << "Ctrl toggles";
    EXPECT_FALSE(History().IsUndoable()) << "selecting is no command";
}

TEST_F(UVTools, ARubberBandSelectsEveryUVInsideIt) {
    rig.UseTool(QX_TOOL_SELECT);
    // Around the bottom row's left two vertices: one corner at vertex 0, two at vertex 1.
    rig.Drag(CQxPoint(60, 200), CQxPoint(250, 260));
    EXPECT_EQ(Selected(), "0:0 0:1 1:1 ");
}

TEST_F(UVTools, AClickOnEmptySpaceClearsTheSelectionEvenWithShift) {
    rig.UseTool(QX_TOOL_SELECT);
    Select({Corner(0, 0, 0, 0), Corner(1, 1, 2, 2)});
    rig.Click(CQxPoint(20, 20), MK_SHIFT);
    EXPECT_EQ(Selected(), "");
}

TEST_F(UVTools, OnlyTheSelectedFacesUVsArePicked) {
    rig.UseTool(QX_TOOL_SELECT);
    grid->Select(0, {}, {}, CQxArray<CQxFace*>{QxGridFace(*grid, 0, 0)}, {});
    rig.Click(At(0, 0));
    EXPECT_EQ(Selected(), "") << "face 0 is not shown in the UV view";
}

// --- Moving ---------------------------------------------------------------------------------------

TEST_F(UVTools, DraggingHalfTheViewsWidthMovesUByHalf) {
    Select({Corner(0, 0, 0, 0)});
    rig.Drag(At(0, 0), At(0, 0) + CQxPoint(200, 0));
    EXPECT_EQ(Corner(0, 0, 0, 0)->UV(), CQxVector2D(0.75f, 0.75f));
    rig.Drag(At(2, 2), At(2, 2) + CQxPoint(0, 150));
    EXPECT_EQ(Corner(1, 1, 2, 2)->UV(), CQxVector2D(0.75f, 0.75f)) << "half the height moves v by half";
}

TEST_F(UVTools, AButtonDownOnAnUnselectedUVSelectsOnlyItAndDragsIt) {
    Select({Corner(1, 1, 2, 2)});
    rig.Drag(At(0, 0), At(0, 0) + CQxPoint(40, -30));
    EXPECT_EQ(Selected(), "0:0 ");
    EXPECT_TRUE(Near(Corner(0, 0, 0, 0)->UV(), {0.35f, 0.65f}));
    EXPECT_EQ(Corner(1, 1, 2, 2)->UV(), CQxVector2D(0.75f, 0.25f)) << "the corner selected before";
}

TEST_F(UVTools, AButtonDownOnASelectedUVDragsTheWholeSelection) {
    Select({Corner(0, 0, 0, 0), Corner(1, 1, 2, 2), Corner(1, 0, 1, 1)});
    rig.Drag(At(0, 0), At(0, 0) + CQxPoint(40, -30));
    EXPECT_TRUE(Near(Corner(0, 0, 0, 0)->UV(), {0.35f, 0.65f}));
    EXPECT_TRUE(Near(Corner(1, 1, 2, 2)->UV(), {0.85f, 0.15f}));
    EXPECT_TRUE(Near(Corner(1, 0, 1, 1)->UV(), {0.6f, 0.4f}));
    EXPECT_EQ(Corner(0, 0, 1, 1)->UV(), CQxVector2D(0.5f, 0.5f)) << "an unselected corner at the same vertex";
}

TEST_F(UVTools, EachDragIsOneMoveCommandThatUndoAndRedoExchange) {
    Select({Corner(0, 0, 0, 0), Corner(1, 1, 2, 2)});
    const std::string before = Dump();
    rig.Drag(At(2, 2), CQxPoint(10, 10), 0, 6);
    const std::string after = Dump();
    ASSERT_EQ(History().GetCount(), 1u);
    EXPECT_EQ(History().GetCurCmd()->GetType(), QX_CMD_MOVE_UV);
    ExpectUndoRedo(before, after);
}

TEST_F(UVTools, AClickOrADragEndedFromOutsideMovesNothingAndPushesNothing) {
    Select({Corner(0, 0, 0, 0)});
    const std::string before = Dump();
    rig.Click(At(0, 0));
    rig.Press(At(0, 0));
    rig.MoveTo(At(1, 1));
    EXPECT_NE(Dump(), before) << "the drag shows live";
    rig.scene.EndOperation();
    EXPECT_EQ(GetCapture(), nullptr);
    rig.Release(At(1, 1));
    QX_EXPECT_SAME_DUMP(before, Dump());
    EXPECT_FALSE(History().IsUndoable());
}

TEST_F(UVTools, AViewWithoutAreaPicksAndMovesNothing) {
    Select({Corner(0, 0, 0, 0)});
    rig.window.SetClientSize(0, 0);
    rig.view.RecreateView(0, 0);
    rig.Drag(CQxPoint(0, 0), CQxPoint(50, 50));
    EXPECT_EQ(Selected(), "") << "nothing is found, so the pick clears";
    EXPECT_EQ(Corner(0, 0, 0, 0)->UV(), CQxVector2D(0.25f, 0.75f));
    EXPECT_FALSE(History().IsUndoable());
}

TEST_F(UVTools, FacesWithoutUVsOfferNothingToPickOrDrag) {
    grid->Mesh().FreeHalfEdgeUVs();
    grid->UpdateGeometry();
    const std::string before = Dump();
    rig.Drag(At(0, 0), At(1, 1));
    rig.UseTool(QX_TOOL_SELECT);
    rig.Click(At(1, 1));
    QX_EXPECT_SAME_DUMP(before, Dump());
    EXPECT_FALSE(History().IsUndoable());
}

TEST_F(UVTools, AUVViewWithoutASceneIgnoresInput) {
    CQxUVView lone;
    lone.OnLButtonDown(MK_LBUTTON, At(0, 0));
    lone.OnMouseMove(MK_LBUTTON, At(1, 1));
    lone.OnLButtonUp(0, At(1, 1));
    EXPECT_EQ(lone.OnPaint(nullptr), QX_GRAPHICS_OK);
    EXPECT_EQ(Corner(0, 0, 0, 0)->UV(), CQxVector2D(0.25f, 0.75f));
}

// --- Mapping from a 3D view -------------------------------------------------------------------------

// The grid seen from above in a 400 x 300 view, 6 units across its height, so its middle
// vertex at the origin shows at the view's centre.
class UVMapTool : public ::testing::Test {
protected:
    UVMapTool() : view(400, 300), grid(QxAddUVGrid(view.scene)) {
        view.scene.CmdManager().SetMaxSize(100);
        view.camera.SetProjectionType(QX_PROJ_ORTHOGRAPHIC);
        view.camera.SetViewSize(3.0f);
        view.camera.SetAxisView(QX_AXIS_Y);
        view.camera.UpdateMatrices(400, 300);
        view.scene.ToolManager().SetCurTool(QX_TOOL_UV_MAP);
    }
    std::string Dump() const { return QxDumpScene(view.scene); }

    QxViewRig view;
    CQxObject* grid;
};

TEST_F(UVMapTool, IsAFaceSelectToolOfTheThreeDViews) {
    CQxToolManager& tools = view.scene.ToolManager();
    EXPECT_EQ(tools.GetCurTool(), QX_TOOL_UV_MAP);
    EXPECT_EQ(tools.GetCurSelect(), QX_SELECT_COMPONENT);
    EXPECT_TRUE(tools.GetComponentTypes() & 16u) << "faces are picked";
}

TEST_F(UVMapTool, PickedFacesTakeTheirCornersPlacesInTheView) {
    view.Drag(CQxPoint(5, 5), CQxPoint(395, 295));
    ASSERT_TRUE(view.scene.CmdManager().IsUndoable());
    EXPECT_EQ(view.scene.CmdManager().GetCurCmd()->GetType(), QX_CMD_UV_MAP);
    for (const CQxFace& face : grid->Mesh().Faces())
        face.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const CQxVector screen = QxScreenCoord(view.camera, h.GetVertex()->Position());
            EXPECT_NEAR(h.UV().x, screen.x / 400.0f, 1e-5f) << "vertex " << h.GetVertex()->Index();
            EXPECT_NEAR(h.UV().y, screen.y / 300.0f, 1e-5f) << "vertex " << h.GetVertex()->Index();
        });
    const CQxHalfEdge* middle = QxUVGridCorner(*grid, 1, 1, 1, 1);
    EXPECT_EQ(view.ToScreen(middle->GetVertex()->Position()), CQxPoint(200, 150));
    EXPECT_NEAR(middle->UV().x, 0.5f, 1e-6f);
    EXPECT_NEAR(middle->UV().y, 0.5f, 1e-6f);
}

TEST_F(UVMapTool, OnlyThePickedFacesAreMapped) {
    const CQxVector2D kept = QxUVGridCorner(*grid, 1, 1, 2, 2)->UV();
    view.Click(view.ToScreen(CQxVector(-0.5f, 0.0f, 0.5f))); // inside face 0
    EXPECT_NE(QxUVGridCorner(*grid, 0, 0, 0, 0)->UV(), CQxVector2D(0.25f, 0.75f));
    EXPECT_EQ(QxUVGridCorner(*grid, 1, 1, 2, 2)->UV(), kept);
}

TEST_F(UVMapTool, MappingFacesWithoutUVsIsUndoneToNoUVsAtAll) {
    grid->Mesh().FreeHalfEdgeUVs();
    grid->HasUV() = 0;
    grid->UpdateGeometry();
    // The faces picked first, so that only the mapping lies between the two dumps.
    view.scene.ToolManager().SetCurTool(QX_TOOL_COMPONENT_A);
    view.Drag(CQxPoint(5, 5), CQxPoint(395, 295));
    view.scene.ToolManager().SetCurTool(QX_TOOL_UV_MAP);
    const std::string before = Dump();
    view.Drag(CQxPoint(5, 5), CQxPoint(395, 295));
    const std::string after = Dump();
    EXPECT_TRUE(grid->HasUV()) << "the mesh now carries texture coordinates";
    ASSERT_TRUE(view.scene.CmdManager().Undo());
    QX_EXPECT_SAME_DUMP(before, Dump()) << "undo";
    ASSERT_TRUE(view.scene.CmdManager().Redo());
    QX_EXPECT_SAME_DUMP(after, Dump()) << "redo";
}

TEST_F(UVMapTool, AClickOnNothingPushesNothing) {
    view.Click(CQxPoint(5, 5));
    EXPECT_FALSE(view.scene.CmdManager().IsUndoable());
}

TEST_F(UVMapTool, AViewWithoutAreaMapsNothing) {
    view.camera.ViewPort().Width = 0;
    CQxArray<CQxFace*> all;
    for (CQxFace& face : grid->Mesh().Faces()) all.PushBack(&face);
    const CQxSelects faces(QxRecord(grid, {}, all));
    CQxUVMapCmd cmd(&view.scene);
    EXPECT_FALSE(cmd.CreateMap(faces, view.camera, 1));
    EXPECT_TRUE(cmd.IsEmpty());
}

} // namespace
