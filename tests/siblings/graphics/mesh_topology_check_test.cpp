#include <gtest/gtest.h>

#include <string>

#include "mesh_test_util.h"
#include "qx/graphics/mesh.h"
#include "topology_check.h"

using namespace qxtest;

// Each test breaks one rule of a sound strip of two quads and expects the report to name that
// rule and the element it was broken on.
//
//   v0 ---- v1 ---- v2
//    |  f0   |  f1   |
//   v3 ---- v4 ---- v5
class TopologyCheck : public ::testing::Test {
protected:
    void SetUp() override {
        BuildMesh(m_Mesh, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 0, 1}, {1, 0, 1}, {2, 0, 1}},
                  {{0, 3, 4, 1}, {1, 4, 5, 2}});
        m_Mesh.UpdateIndices();
        ASSERT_TRUE(QxTopologyIsSound(m_Mesh));
    }
    std::string Report(int indices = 1) const { return m_Mesh.DiagnoseTopology(indices).GetText().GetStr(); }
    CQxFace* Face(unsigned int i) { return m_Mesh.Faces().GetAt(i); }
    CQxVertex* Vertex(unsigned int i) { return m_Mesh.Vertices().GetAt(i); }
    // The corner of f0 along the side it shares with f1 (v4 -> v1), third in its ring.
    CQxHalfEdge* SharedCorner() { return Face(0)->GetHalfEdgeAt(2); }
    CQxVertex* Foreign() {
        CQxVertex* v = new CQxVertex(CQxVector(9, 9, 9));
        m_Other.Vertices().PushBack(v);
        return v;
    }

    CQxMesh m_Mesh;
    CQxMesh m_Other;
};

TEST_F(TopologyCheck, SoundMeshSaysSound) {
    EXPECT_EQ(Report(), "sound");
    EXPECT_EQ(m_Mesh.CheckTopology(1), 1);
}

TEST_F(TopologyCheck, MateThatDoesNotPointBackNamesTheCorner) {
    ASSERT_NE(SharedCorner()->Mate(), nullptr);
    SharedCorner()->Mate()->Mate() = nullptr;
    EXPECT_EQ(Report(), "face 0 corner 2: its mate's mate is not the half-edge itself");
    EXPECT_EQ(m_Mesh.CheckTopology(), 0);
}

TEST_F(TopologyCheck, MateRunningTheSameWayIsReported) {
    CQxHalfEdge* h = SharedCorner();
    CQxHalfEdge* m = h->Mate();
    // Mates swapped onto the wrong sides: still mutual, but the sides run the same way.
    m->Mate() = nullptr;
    h->Mate() = m->Next();
    m->Next()->Mate() = h;
    EXPECT_EQ(Report(), "face 0 corner 2: its mate does not run the opposite way");
}

TEST_F(TopologyCheck, IndexOutOfPlaceCountsOnlyWhenAsked) {
    Vertex(2)->Index() = 7;
    EXPECT_EQ(Report(1), "vertex 2: Index is not its list position");
    EXPECT_EQ(Report(0), "sound");
}

TEST_F(TopologyCheck, CornerOnAVertexOfAnotherMesh) {
    CQxVertex* mine = Face(1)->GetHalfEdgeAt(3)->GetVertex();
    Face(1)->GetHalfEdgeAt(3)->SetVertex(Foreign());
    EXPECT_EQ(Report(), "face 1 corner 3: its vertex is not in this mesh");
    Face(1)->GetHalfEdgeAt(3)->SetVertex(mine);
}

TEST_F(TopologyCheck, EdgeToAVertexOfAnotherMesh) {
    m_Mesh.Edges().PushBack(new CQxEdge(Vertex(0), Foreign(), 0));
    EXPECT_EQ(Report(), "edge 0: second vertex is not in this mesh");
}

TEST_F(TopologyCheck, VertexHalfEdgeStartingElsewhere) {
    Vertex(5)->HalfEdge() = Face(0)->GetHalfEdgeAt(0);
    EXPECT_EQ(Report(), "vertex 5: its half-edge does not start at it");
}
