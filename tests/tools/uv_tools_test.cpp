#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "qx/commands/cmd_manager.h"
#include "qx/commands/uv_cmds.h"
#include "qx/platform/input_state.h"
#include "qx/platform/window.h"
#include "scene_builders.h"
#include "undo_checks.h"
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
    CQxHalfEdge* Corner(unsigned int fi, unsigned int fj, unsigned int vi, unsigned int vj) {
        return QxUVGridCorner(*grid, fi, fj, vi, vj);
    }
    // Where vertex (i, j) shows.
    static CQxPoint At(int i, int j) { return CQxPoint(100 + 100 * i, 225 - 75 * j); }
    void Select(std::initializer_list<CQxHalfEdge*> corners) {
        grid->SelectUVs(1, CQxArray<CQxHalfEdge*>(corners));
    }
    // The corners whose UV is selected, as "face:vertex" list positions.
    std::string Selected() {
        grid->Mesh().UpdateIndices();
        std::string out;
        for (const CQxFace& face : grid->Mesh().Faces())
            face.ForEachHalfEdge([&](const CQxHalfEdge& h) {
                if (h.IsUVSelect())
                    out += std::to_string(face.Index()) + ":" + std::to_string(h.GetVertex()->Index()) + " ";
            });
        return out;
    }

    QxUVRig rig;
    CQxObject* grid = QxAddUVGrid(rig.scene);
};

TEST_F(UVTools, AClickSelectsTheNearestUVAlone) {
    rig.UseTool(QX_TOOL_SELECT);
    Select({Corner(1, 1, 2, 2)});
    rig.Click(At(0, 0) + CQxPoint(2, -1));
    EXPECT_EQ(Selected(), "0:0 ");
}

TEST_F(UVTools, ARubberBandSelectsEveryUVInsideIt) {
    rig.UseTool(QX_TOOL_SELECT);
    rig.Drag(CQxPoint(60, 200), CQxPoint(250, 260)); // vertex 0 and vertex 1 with its two corners
    EXPECT_EQ(Selected(), "0:0 0:1 1:1 ");
}

TEST_F(UVTools, AClickOnEmptySpaceClearsTheSelectionEvenWithShift) {
    rig.UseTool(QX_TOOL_SELECT);
    Select({Corner(0, 0, 0, 0), Corner(1, 1, 2, 2)});
    rig.Click(CQxPoint(20, 20), MK_SHIFT);
    EXPECT_EQ(Selected(), "");
}

TEST_F(UVTools, DraggingHalfTheViewsWidthMovesUByHalf) {
    Select({Corner(0, 0, 0, 0)});
    rig.Drag(At(0, 0), At(0, 0) + CQxPoint(200, 0));
    EXPECT_EQ(Corner(0, 0, 0, 0)->UV(), CQxVector2D(0.75f, 0.75f));
}

TEST_F(UVTools, AButtonDownOnAnUnselectedUVSelectsOnlyItAndDragsIt) {
    Select({Corner(1, 1, 2, 2)});
    rig.Drag(At(0, 0), At(0, 0) + CQxPoint(40, -30));
    EXPECT_EQ(Selected(), "0:0 ");
    EXPECT_TRUE(Near(Corner(0, 0, 0, 0)->UV(), {0.35f, 0.65f}));
    EXPECT_EQ(Corner(1, 1, 2, 2)->UV(), CQxVector2D(0.75f, 0.25f)) << "the corner selected before";
}

TEST_F(UVTools, AButtonDownOnASelectedUVDragsTheWholeSelection) {
    Select({Corner(0, 0, 0, 0), Corner(1, 0, 1, 1)});
    rig.Drag(At(0, 0), At(0, 0) + CQxPoint(40, -30));
    EXPECT_TRUE(Near(Corner(0, 0, 0, 0)->UV(), {0.35f, 0.65f}));
    EXPECT_TRUE(Near(Corner(1, 0, 1, 1)->UV(), {0.6f, 0.4f}));
    EXPECT_EQ(Corner(0, 0, 1, 1)->UV(), CQxVector2D(0.5f, 0.5f)) << "an unselected corner at the same vertex";
}

TEST_F(UVTools, EachDragIsOneMoveCommandThatUndoAndRedoExchange) {
    Select({Corner(0, 0, 0, 0), Corner(1, 1, 2, 2)});
    qxtest::ExpectUndoable(rig.scene, [&] {
        rig.Drag(At(2, 2), CQxPoint(10, 10), 0, 6);
        return true;
    });
    EXPECT_EQ(rig.scene.CmdManager().GetCount(), 1u);
    EXPECT_EQ(rig.scene.CmdManager().GetCurCmd()->GetType(), QX_CMD_MOVE_UV);
}

TEST_F(UVTools, AClickOrADragEndedFromOutsidePushesNothingAndMovesNothing) {
    Select({Corner(0, 0, 0, 0)});
    qxtest::ExpectRefused(rig.scene, [&] {
        rig.Click(At(0, 0));
        rig.Press(At(0, 0));
        rig.MoveTo(At(1, 1));
        rig.scene.EndOperation();
        rig.Release(At(1, 1));
        return false;
    });
    EXPECT_EQ(GetCapture(), nullptr);
}

// --- Bad input ------------------------------------------------------------------------------------

TEST_F(UVTools, AViewWithoutAreaPicksAndMovesNothing) {
    Select({Corner(0, 0, 0, 0)});
    rig.window.SetClientSize(0, 0);
    rig.view.RecreateView(0, 0);
    rig.Drag(CQxPoint(0, 0), CQxPoint(50, 50));
    EXPECT_EQ(Corner(0, 0, 0, 0)->UV(), CQxVector2D(0.25f, 0.75f));
    EXPECT_FALSE(rig.scene.CmdManager().IsUndoable());
}

TEST_F(UVTools, FacesWithoutUVsOfferNothingToPickOrDrag) {
    grid->Mesh().FreeHalfEdgeUVs();
    qxtest::ExpectRefused(rig.scene, [&] {
        rig.Drag(At(0, 0), At(1, 1));
        rig.Click(At(1, 1));
        return false;
    });
}

// --- Mapping from a 3D view -----------------------------------------------------------------------

// The grid seen from above in a 400 x 300 view, its middle vertex at the origin in the centre.
class UVMapTool : public ::testing::Test {
protected:
    UVMapTool() {
        view.camera.SetProjectionType(QX_PROJ_ORTHOGRAPHIC);
        view.camera.SetViewSize(3.0f);
        view.camera.SetAxisView(QX_AXIS_Y);
        view.camera.UpdateMatrices(400, 300);
        view.scene.CmdManager().SetMaxSize(100);
        view.scene.ToolManager().SetCurTool(QX_TOOL_UV_MAP);
    }

    QxViewRig view{400, 300};
    CQxObject* grid = QxAddUVGrid(view.scene);
};

TEST_F(UVMapTool, PickedFacesTakeTheirCornersPlacesInTheView) {
    view.Drag(CQxPoint(5, 5), CQxPoint(395, 295));
    for (const CQxFace& face : grid->Mesh().Faces())
        face.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const CQxVector screen = QxScreenCoord(view.camera, h.GetVertex()->Position());
            EXPECT_TRUE(Near(h.UV(), {screen.x / 400.0f, screen.y / 300.0f}))
                << "vertex " << h.GetVertex()->Index();
        });
    const CQxHalfEdge* middle = QxUVGridCorner(*grid, 1, 1, 1, 1);
    EXPECT_EQ(view.ToScreen(middle->GetVertex()->Position()), CQxPoint(200, 150));
    EXPECT_TRUE(Near(middle->UV(), {0.5f, 0.5f}));
}

TEST_F(UVMapTool, MappingFacesWithoutUVsIsOneCommandThatUndoTakesBackWhole) {
    grid->Mesh().FreeHalfEdgeUVs();
    grid->HasUV() = 0;
    // The faces picked first, so that only the mapping lies between the two dumps.
    view.scene.ToolManager().SetCurTool(QX_TOOL_COMPONENT_A);
    view.Drag(CQxPoint(5, 5), CQxPoint(395, 295));
    view.scene.ToolManager().SetCurTool(QX_TOOL_UV_MAP);
    qxtest::ExpectUndoable(view.scene, [&] {
        view.Drag(CQxPoint(5, 5), CQxPoint(395, 295));
        return true;
    });
    EXPECT_EQ(view.scene.CmdManager().GetCurCmd()->GetType(), QX_CMD_UV_MAP);
    EXPECT_TRUE(grid->HasUV()) << "the mesh now carries texture coordinates";
}

TEST_F(UVMapTool, AViewWithoutAreaMapsNothing) {
    view.camera.ViewPort().Width = 0;
    CQxArray<CQxFace*> all;
    for (CQxFace& face : grid->Mesh().Faces()) all.PushBack(&face);
    CQxUVMapCmd cmd(&view.scene);
    EXPECT_FALSE(cmd.CreateMap(CQxSelects(QxRecord(grid, {}, all)), view.camera, 1));
}

} // namespace
