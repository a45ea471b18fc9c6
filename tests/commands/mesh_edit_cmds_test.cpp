#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "qx/commands/cmd_manager.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/mesh_edit_cmds.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"
#include "scene_builders.h"
#include "scene_dump.h"
#include "topology_check.h"
#include "undo_checks.h"

namespace {

// The grid every test edits, in the root model, facing +Y:
//
//   j=2  6---7---8
//        | 2 | 3 |
//   j=1  3---4---5
//        | 0 | 1 |
//   j=0  0---1---2
class MeshEditCmds : public ::testing::Test {
protected:
    MeshEditCmds() {
        m_Scene.CmdManager().SetMaxSize(100);
        m_Grid = QxAdd(m_Scene.RootModel(), QxNewGrid().release(), "Grid");
        m_Grid->HasUV() = 1;
        m_Grid->UpdateGraphics();
    }

    CQxMesh& Mesh() { return m_Grid->Mesh(); }
    CQxFace* Face(unsigned int i, unsigned int j) { return QxGridFace(*m_Grid, i, j); }
    CQxVertex* Vertex(unsigned int i, unsigned int j) { return QxGridVertex(*m_Grid, i, j); }
    std::string Dump() const { return QxDumpScene(m_Scene); }
    ::testing::AssertionResult Sound() { return QxTopologyIsSound(Mesh()); }

    int Extrude(const CQxSelect& record, float distance) {
        const CQxSelects records(record);
        return QxRunCmd<CQxExtrudeCmd>(m_Scene,
                                       [&](CQxExtrudeCmd& cmd) { return cmd.Create(records, distance, 1); });
    }
    CQxSelect Faces(std::initializer_list<CQxFace*> faces) {
        CQxSelect record(m_Grid);
        for (CQxFace* f : faces) record.Faces().PushBack(f);
        return record;
    }
    CQxSelect Side(CQxFace* face, CQxVertex* a, CQxVertex* b) {
        CQxSelect record(m_Grid);
        record.HalfEdges().PushBack(QxFindSide(*face, a, b));
        return record;
    }
    // Runs a command that must undo and redo exactly (the meshes sound at every step).
    template <class Run>
    void Undoable(Run&& run) {
        qxtest::ExpectUndoable(m_Scene, run);
    }

    CQxScene m_Scene;
    CQxObject* m_Grid = nullptr;
};

// --- Extrusion ------------------------------------------------------------------------------------

TEST_F(MeshEditCmds, ExtrudingAQuadRaisesItsCapAndWallsItWithFourSides) {
    CQxFace* face = Face(0, 0);
    const CQxVector normal = face->Normal();
    Undoable([&] { return Extrude(Faces({face}), 2.0f); });

    EXPECT_EQ(Mesh().Vertices().GetCount(), 13u) << "one new vertex per corner";
    EXPECT_EQ(Mesh().Faces().GetCount(), 8u) << "one side per corner";
    EXPECT_TRUE(Sound());
    // The cap is the face itself, on the new vertices one normal * 2 above the old ones.
    unsigned int k = 9;
    face->ForEachHalfEdge([&](CQxHalfEdge& h) {
        EXPECT_EQ(h.GetVertex(), Mesh().Vertices().GetAt(k)) << "cap corner on new vertex " << k;
        ++k;
    });
    const CQxVertex* lifted = Mesh().Vertices().GetAt(9);
    EXPECT_TRUE(QxNear(lifted->Position(), CQxVector(-1, 0, 1) + normal * 2.0f)) << "new vertex 9";
    // Each side keeps the material, the UVs of the corners it grows from, and stands upright.
    for (unsigned int s = 4; s < 8; ++s) {
        const CQxFace* side = Mesh().Faces().GetAt(s);
        EXPECT_EQ(side->GetHalfEdgeCount(), 4u) << "side " << s;
        EXPECT_EQ(side->Attribute(), face->Attribute()) << "side " << s;
        EXPECT_NEAR(side->Normal().GetDot(normal), 0.0f, 1e-5f) << "side " << s;
        EXPECT_TRUE(side->GetHalfEdge()->HasUV()) << "side " << s;
    }
}

TEST_F(MeshEditCmds, AnExtrusionGoesAlongTheFaceAsItLiesNotItsStoredNormal) {
    // Turned a quarter about X, as animated vertex keys move vertices: the positions change and
    // the stored normals (+Y) stay until the next upkeep. The faces now face +Z.
    for (CQxVertex& v : Mesh().Vertices()) v.Position() = CQxVector(v.Position().x, -v.Position().z, v.Position().y);
    // Redo runs after undo's upkeep, so it must go the same way as the first extrusion.
    Undoable([&] { return Extrude(Faces({Face(0, 0)}), 1.0f); });
    const CQxVertex* lifted = Mesh().Vertices().GetAt(9);
    EXPECT_TRUE(QxNear(lifted->Position(), CQxVector(-1, -1, 1))) << "new vertex 9 lies one unit along +Z";
}

TEST_F(MeshEditCmds, ExtrudingByZeroAddsVerticesInPlace) {
    ASSERT_TRUE(Extrude(Faces({Face(1, 1)}), 0.0f));
    EXPECT_EQ(Mesh().Vertices().GetCount(), 13u);
    EXPECT_EQ(Mesh().Faces().GetCount(), 8u);
    for (unsigned int i = 9; i < 13; ++i) {
        const CQxVector p = Mesh().Vertices().GetAt(i)->Position();
        EXPECT_NEAR(p.y, 0.0f, 1e-6f) << "vertex " << i << " stays on the grid";
    }
}

TEST_F(MeshEditCmds, AdjacentFacesExtrudeEachOnItsOwn) {
    ASSERT_TRUE(Extrude(Faces({Face(0, 0), Face(1, 0)}), 1.0f));
    EXPECT_EQ(Mesh().Vertices().GetCount(), 17u) << "the shared side's vertices are copied twice";
    EXPECT_EQ(Mesh().Faces().GetCount(), 12u) << "the shared side gets a wall from each face";
    EXPECT_TRUE(Sound());
}

TEST_F(MeshEditCmds, ExtrudingABoundarySideAddsTwoVerticesAndOneQuad) {
    Undoable([&] { return Extrude(Side(Face(0, 0), Vertex(0, 0), Vertex(1, 0)), 1.0f); }); // on the edge
    EXPECT_EQ(Mesh().Vertices().GetCount(), 11u);
    EXPECT_EQ(Mesh().Faces().GetCount(), 5u);
    const CQxFace* wall = Mesh().Faces().GetAt(4);
    EXPECT_EQ(wall->GetHalfEdgeCount(), 4u);
    EXPECT_EQ(QxFindSide(*Face(0, 0), Vertex(0, 0), Vertex(1, 0))->Mate()->GetFace(), wall)
        << "the wall stands on the side";
}

TEST_F(MeshEditCmds, UndoPutsEveryFaceBackOnItsVerticesAndTheSelectionBack) {
    Mesh().Select(1, {}, {}, {Face(0, 0), Face(1, 1)}, {});
    Undoable([&] { return Extrude(Faces({Face(0, 0), Face(1, 1)}), -0.5f); });
    EXPECT_EQ(Mesh().Faces().GetAt(4)->IsSelect(), 0) << "new sides start unselected";
    EXPECT_EQ(Face(0, 0)->IsSelect(), 1) << "the cap stays selected";
}

TEST_F(MeshEditCmds, ADragMovesCapsAlongTheirNormalsAndOuterSidesAlongTheirFaces) {
    CQxSelect record = Faces({Face(0, 0)});
    record.HalfEdges().PushBack(QxFindSide(*Face(1, 1), Vertex(2, 1), Vertex(2, 2)));
    CQxExtrudeCmd cmd(&m_Scene);
    CQxSelects working;
    CQxPtrArray<CQxArray<CQxHalfEdge*>> sides;
    ASSERT_TRUE(cmd.Create(CQxSelects(record), 0.0f, 0, &working, &sides));
    ASSERT_EQ(working.GetSize(), 1u);
    ASSERT_EQ(working[0]->HalfEdges().GetSize(), 1u) << "the new outer side";
    const CQxHalfEdge* outer = working[0]->HalfEdges()[0];
    const CQxVector normal = Face(0, 0)->Normal();
    const CQxVector a = outer->GetVertex()->Position(), b = outer->GetEndVertex()->Position();

    working.ExtrudeVertices(0.25f, sides);
    working.ExtrudeVertices(0.25f, sides);
    EXPECT_TRUE(
        QxNear(Face(0, 0)->GetHalfEdge()->GetVertex()->Position(), CQxVector(-1, 0, 1) + normal * 0.5f));
    EXPECT_TRUE(QxNear(outer->GetVertex()->Position(), a + Face(1, 1)->Normal() * 0.5f));
    EXPECT_TRUE(QxNear(outer->GetEndVertex()->Position(), b + Face(1, 1)->Normal() * 0.5f));
    EXPECT_TRUE(QxNear(Vertex(2, 1)->Position(), CQxVector(1, 0, 0))) << "the old side stays";
}

TEST_F(MeshEditCmds, ExtrusionOfNothingIsRefused) {
    auto refused = [&](const CQxSelect& record, float distance) {
        qxtest::ExpectRefused(m_Scene, [&] { return Extrude(record, distance); });
    };
    refused(CQxSelect(m_Grid), 1.0f); // a whole-object record
    refused(CQxSelect(), 1.0f);       // no object
    refused(Faces({Face(0, 0)}), std::numeric_limits<float>::quiet_NaN());
    refused(Faces({Face(0, 0)}), INFINITY);
}

// --- Face creation --------------------------------------------------------------------------------

class CreateFaceCmd : public MeshEditCmds {
protected:
    // Looking down onto the grid: new faces look up, at the viewer.
    const CQxVector m_Down{0, -1, 0};
};

TEST_F(CreateFaceCmd, ThreePointsMakeATriangleThatFacesTheViewer) {
    Undoable([&] {
        auto cmd = std::make_unique<CQxCreateFaceCmd>(&m_Scene);
        EXPECT_TRUE(cmd->Create(m_Grid));
        // In this order the corners would face down: the ring is turned so the face looks up.
        EXPECT_TRUE(cmd->AddPoint(CQxVector(0, 1, 0), m_Down, 1));
        EXPECT_TRUE(cmd->AddPoint(CQxVector(1, 1, 0), m_Down, 1));
        EXPECT_EQ(Mesh().Faces().GetCount(), 4u) << "two corners make no face yet";
        EXPECT_TRUE(cmd->AddPoint(CQxVector(0, 1, 1), m_Down, 1));
        EXPECT_TRUE(cmd->IsReversed());
        CQxVector last;
        EXPECT_TRUE(cmd->GetLastPoint(last) && QxNear(last, CQxVector(0, 1, 1)))
            << "the rubber band starts at the last corner";
        return QxCommitCmd(m_Scene, std::move(cmd), 1, 0);
    });
    ASSERT_EQ(Mesh().Faces().GetCount(), 5u);
    EXPECT_GT(Mesh().Faces().Back()->Normal().y, 0.99f) << "the face looks at the viewer";
}

TEST_F(CreateFaceCmd, AVertexOfTheTargetIsUsedOnceAndCopiedWhenClickedAgain) {
    CQxCreateFaceCmd cmd(&m_Scene);
    ASSERT_TRUE(cmd.Create(m_Grid));
    ASSERT_TRUE(cmd.AddVertex(Vertex(0, 0), m_Down, 0));
    EXPECT_EQ(Mesh().Vertices().GetCount(), 9u) << "the existing vertex is the corner";
    EXPECT_TRUE(Vertex(0, 0)->IsSelect()) << "a corner's vertex is selected";
    ASSERT_TRUE(cmd.AddVertex(Vertex(0, 0), m_Down, 0));
    EXPECT_EQ(Mesh().Vertices().GetCount(), 10u) << "a second use makes a vertex at its place";
    EXPECT_TRUE(QxNear(Mesh().Vertices().Back()->Position(), Vertex(0, 0)->Position()));
}

TEST_F(CreateFaceCmd, AFaceWithoutAMeshTargetGetsAnObjectOfItsOwnUndoneWithIt) {
    Undoable([&] {
        auto cmd = std::make_unique<CQxCreateFaceCmd>(&m_Scene);
        EXPECT_TRUE(cmd->Create(&m_Scene.RootModel()));
        for (const CQxVector& p :
             {CQxVector(0, 0, 5), CQxVector(1, 0, 5), CQxVector(1, 1, 5), CQxVector(0, 1, 5)})
            EXPECT_TRUE(cmd->AddPoint(p, CQxVector(0, 0, -1), 1));
        return QxCommitCmd(m_Scene, std::move(cmd), 1, 0);
    });
    CQxObject* made = m_Scene.RootModel().FindName("Mesh1");
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsSelect()) << "the new object is the selection";
    ASSERT_EQ(made->Mesh().Faces().GetCount(), 1u);
    EXPECT_EQ(made->Mesh().Faces().Front()->GetHalfEdgeCount(), 4u);
}

TEST_F(CreateFaceCmd, AnUnfinishedFaceUndoneLeavesNothing) {
    const std::string before = Dump();
    CQxCreateFaceCmd cmd(&m_Scene);
    ASSERT_TRUE(cmd.Create(m_Grid));
    ASSERT_TRUE(cmd.AddPoint(CQxVector(3, 0, 0), m_Down, 1));
    ASSERT_TRUE(cmd.AddVertex(Vertex(2, 2), m_Down, 1));
    cmd.Undo();
    QX_EXPECT_SAME_DUMP(before, Dump());
}

TEST_F(CreateFaceCmd, PointsThatAreNotFiniteAreRefused) {
    CQxCreateFaceCmd cmd(&m_Scene);
    ASSERT_TRUE(cmd.Create(m_Grid));
    EXPECT_FALSE(cmd.AddPoint(CQxVector(NAN, 0, 0), m_Down, 1));
    EXPECT_EQ(cmd.GetPointCount(), 0u);
}

TEST_F(CreateFaceCmd, VerticesOfAnotherMeshAreRefused) {
    auto other = QxNewGrid();
    CQxCreateFaceCmd cmd(&m_Scene);
    ASSERT_TRUE(cmd.Create(m_Grid));
    EXPECT_FALSE(cmd.AddVertex(other->Mesh().Vertices().Front(), m_Down, 1));
    EXPECT_FALSE(cmd.AddVertex(nullptr, m_Down, 1));
    EXPECT_EQ(Mesh().Vertices().GetCount(), 9u);
}

} // namespace

// --- Component removal ----------------------------------------------------------------------------

namespace {

class ComponentRemoval : public MeshEditCmds {
protected:
    ComponentRemoval() {
        m_Scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
        m_Other = QxAdd(m_Scene.RootModel(), QxNewGrid().release(), "Other");
        m_Other->Translate() = CQxVector(5, 0, 0);
    }
    // Selects the records' components and deletes them; the counts left are checked by the
    // caller, the exact undo and redo (every mesh sound) here.
    void Remove(std::initializer_list<CQxSelect> records) {
        for (const CQxSelect& record : records) record.SelectComponents(1);
        Undoable([&] { return m_Scene.DeleteSelectObjectsCmd(1); });
    }
    CQxObject* m_Other = nullptr;
};

TEST_F(ComponentRemoval, EveryFaceOfAMeshTakesTheObject) {
    Remove({Faces({Face(0, 0), Face(1, 0), Face(0, 1), Face(1, 1)})});
    EXPECT_EQ(m_Scene.RootModel().GetChildCount(), 1u) << "only Other is left";
}

TEST_F(ComponentRemoval, AVertexTakesItsFacesAndTheVerticesOnlyTheyUsed) {
    Remove({QxRecord(m_Grid, {Vertex(1, 0)})});
    EXPECT_EQ(Mesh().Faces().GetCount(), 2u) << "faces 0 and 1 share the vertex";
    EXPECT_EQ(Mesh().Vertices().GetCount(), 6u) << "the bottom row goes with them";
}

TEST_F(ComponentRemoval, ABoundarySideTakesItsFace) {
    Remove({Side(Face(0, 0), Vertex(0, 0), Vertex(1, 0))});
    EXPECT_EQ(Mesh().Faces().GetCount(), 3u);
}

TEST_F(ComponentRemoval, AMirroredMeshLosesTheFaceOnBothSides) {
    ASSERT_TRUE(m_Scene.SetMirrorCmd(m_Grid, 1, 1, 0)); // about X, connected
    Remove({Faces({Face(1, 1)})});
    EXPECT_EQ(Mesh().Faces().GetCount(), 3u);
    EXPECT_EQ(QxFaceTriangles(*m_Grid), 12u) << "three quads and their mirror images are drawn";
}

TEST_F(ComponentRemoval, ASelectionOverSeveralObjectsIsOneCommand) {
    Remove({Faces({Face(0, 0)}), QxRecord(m_Other, {QxGridVertex(*m_Other, 2, 2)})});
    EXPECT_EQ(Mesh().Faces().GetCount(), 3u);
    EXPECT_EQ(m_Other->Mesh().Faces().GetCount(), 3u);
    EXPECT_EQ(m_Scene.CmdManager().GetCount(), 1u);
}

} // namespace
