#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "mesh_builders.h"
#include "qx/graphics/bound_box.h"
#include "qx/graphics/mesh.h"
#include "topology_check.h"

using namespace qxtest;

namespace {

// The unit cube without its face on the plane x = 0.
void BuildHalfCube(CQxMesh& mesh) {
    FaceList faces = CubeFaces();
    faces.erase(faces.begin() + 4);
    BuildMesh(mesh, CubePositions(), faces);
}

// Three quads of the box [-1, 1]^3 that meet at the corner (1, 1, 1), facing outward.
void BuildOctant(CQxMesh& mesh) {
    BuildMesh(mesh, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}},
              {{0, 1, 2, 3}, {1, 4, 5, 2}, {3, 2, 5, 6}});
}

} // namespace

TEST(MeshMirror, HalfCubeMirroredWithConnectClosesIntoABox) {
    CQxMesh half;
    BuildHalfCube(half);
    EXPECT_EQ(CountBoundarySides(half), 4u);

    CQxMesh mesh;
    ASSERT_TRUE(mesh.CreateSymmetry(half, QX_AXIS_X, 1, 0));
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    EXPECT_EQ(Counts(mesh), "12 vertices 10 faces 0 open");
    EXPECT_TRUE(NormalsOutward(mesh));
    // The plane vertices are shared: the mirrored bottom face uses vertex 0 of the source half.
    EXPECT_NE(mesh.Faces().GetAt(5)->FindHalfEdge(mesh.Vertices().GetAt(0)), nullptr);
    EXPECT_EQ(mesh.Vertices().GetAt(8)->Position(), CQxVector(-1, 0, 0));

    // Without connect the halves stay apart, each open along the plane.
    ASSERT_TRUE(mesh.CreateSymmetry(half, QX_AXIS_X, 0, 0));
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    EXPECT_EQ(Counts(mesh), "16 vertices 10 faces 8 open");

    // A vertex almost on the plane (relative to the mesh size) is still shared.
    half.Vertices().Front()->Position().x = 1e-6f;
    ASSERT_TRUE(mesh.CreateSymmetry(half, QX_AXIS_X, 1, 0));
    EXPECT_EQ(CountBoundarySides(mesh), 0u);

    // Only single axes are accepted; a refusal leaves the mesh as it was.
    EXPECT_FALSE(mesh.CreateSymmetry(half, static_cast<QX_AXIS_TYPE>(QX_AXIS_X | QX_AXIS_Y), 1, 0));
    EXPECT_FALSE(mesh.CreateSymmetry(half, QX_AXIS_NONE, 1, 0));
    EXPECT_EQ(Counts(mesh), "12 vertices 10 faces 0 open");

    // A mesh may be mirrored into itself.
    CQxMesh self;
    BuildHalfCube(self);
    ASSERT_TRUE(self.CreateSymmetry(self, QX_AXIS_X, 1, 0));
    EXPECT_TRUE(QxTopologyIsSound(self));
    EXPECT_EQ(Counts(self), "12 vertices 10 faces 0 open");
}

TEST(MeshMirror, SymmetryCopiesUVsPerCornerAndFollowsItsSource) {
    CQxMesh half;
    BuildHalfCube(half);
    SetCornerUVs(half);

    CQxMesh mesh;
    ASSERT_TRUE(mesh.CreateSymmetry(half, QX_AXIS_X, 1, 1));
    EXPECT_EQ(CountUVs(mesh), 40u);
    // A mirrored face keeps its first corner and runs backwards; each corner keeps its UV.
    for (unsigned int i = 0; i < 5; ++i) {
        const CQxFace* source = half.Faces().GetAt(i);
        const CQxFace* mirrored = mesh.Faces().GetAt(5 + i);
        for (unsigned int p = 0; p < 4; ++p)
            EXPECT_EQ(mirrored->GetHalfEdgeAt(p)->UV().y, source->GetHalfEdgeAt((4 - p) % 4)->UV().y);
        EXPECT_EQ(mirrored->GetHalfEdge()->UV().x, static_cast<float>(i));
    }
    ASSERT_TRUE(mesh.CreateSymmetry(half, QX_AXIS_X, 1, 0));
    EXPECT_EQ(CountUVs(mesh), 0u);

    // Moving source vertices moves both images; a plane vertex stays shared.
    half.Vertices().GetAt(1)->Position().Set(2, 0, 0);
    half.Vertices().GetAt(0)->Position().Set(0, -1, 0);
    ASSERT_TRUE(mesh.UpdateSymmetry(half, QX_AXIS_X));
    EXPECT_EQ(mesh.Vertices().GetAt(1)->Position(), CQxVector(2, 0, 0));
    EXPECT_EQ(mesh.Vertices().GetAt(0)->Position(), CQxVector(0, -1, 0));
    CQxMesh rebuilt;
    rebuilt.CreateSymmetry(half, QX_AXIS_X, 1, 0);
    EXPECT_TRUE(SameMesh(mesh, rebuilt));

    // The same holds without connect, and for a free vertex no face uses.
    half.Vertices().PushBack(new CQxVertex(CQxVector(0, 5, 0)));
    mesh.CreateSymmetry(half, QX_AXIS_Z, 0, 0);
    half.Vertices().Back()->Position().Set(0, 5, 3);
    ASSERT_TRUE(mesh.UpdateSymmetry(half, QX_AXIS_Z));
    EXPECT_EQ(mesh.Vertices().Back()->Position(), CQxVector(0, 5, -3));

    // A source whose topology changed no longer matches.
    AddFaces(half, {{0, 0, 3}, {1, 0, 3}, {0, 1, 3}}, {{0, 1, 2}});
    const CQxVector before = mesh.Vertices().Front()->Position();
    half.Vertices().Front()->Position().Set(7, 7, 7);
    EXPECT_FALSE(mesh.UpdateSymmetry(half, QX_AXIS_Z));
    EXPECT_EQ(mesh.Vertices().Front()->Position(), before);
    EXPECT_FALSE(mesh.UpdateSymmetry(mesh, QX_AXIS_Z));
}

TEST(MeshMirror, DuplicateMirrorsOnSeveralAxes) {
    CQxMesh mesh;
    BuildOctant(mesh);
    SetCornerUVs(mesh);
    ASSERT_TRUE(mesh.DuplicateMirrors(QX_AXIS_X | QX_AXIS_Y | QX_AXIS_Z, 1, 1));
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    EXPECT_EQ(Counts(mesh), "26 vertices 24 faces 0 open");
    EXPECT_TRUE(NormalsOutward(mesh));
    EXPECT_EQ(CountUVs(mesh), 96u);

    // Apart, every copy keeps its own seven vertices and the seams stay open.
    BuildOctant(mesh);
    ASSERT_TRUE(mesh.DuplicateMirrors(QX_AXIS_X | QX_AXIS_Z, 0, 0));
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    EXPECT_EQ(Counts(mesh), "28 vertices 12 faces 24 open");
    EXPECT_TRUE(NormalsOutward(mesh));

    EXPECT_FALSE(mesh.DuplicateMirrors(0, 1, 0));
    EXPECT_FALSE(mesh.DuplicateMirrors(8, 1, 0));
    EXPECT_EQ(mesh.Faces().GetCount(), 12u);
}

TEST(MeshMirror, CopiesTransformedAndMirrored) {
    CQxMesh cube;
    BuildMesh(cube, CubePositions(), CubeFaces());
    SetCornerUVs(cube);
    cube.Faces().Front()->IsSelect() = 1;

    // A mirroring transform turns the faces so they still face outward.
    CQxMesh mesh;
    CQxMatrix flip;
    flip.SetScale(CQxVector(-1, 1, 1));
    ASSERT_TRUE(mesh.CreateCopy(cube, 0, &flip, 0, 1));
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    EXPECT_EQ(CountBoundarySides(mesh), 0u);
    EXPECT_TRUE(NormalsOutward(mesh));
    EXPECT_EQ(mesh.Vertices().GetAt(1)->Position(), CQxVector(-1, 0, 0));
    EXPECT_EQ(CornerIndices(mesh, *mesh.Faces().Front()), (std::vector<unsigned int>{0, 1, 3, 2}));
    EXPECT_TRUE(mesh.Faces().Front()->IsSelect());
    EXPECT_EQ(CountUVs(mesh), 24u);

    // Mirror axis and mirroring transform cancel out: the copy equals the source.
    ASSERT_TRUE(mesh.CreateCopy(cube, 0, &flip, QX_AXIS_X, 0));
    EXPECT_EQ(CornerIndices(mesh, *mesh.Faces().Front()), CornerIndices(cube, *cube.Faces().Front()));
    EXPECT_EQ(mesh.Vertices().GetAt(1)->Position(), CQxVector(1, 0, 0));
    EXPECT_EQ(CountUVs(mesh), 0u);
    EXPECT_TRUE(NormalsOutward(mesh));

    // Appending a moved copy of itself: two closed cubes side by side.
    CQxMatrix move;
    move.SetTranslate(CQxVector(5, 0, 0));
    ASSERT_TRUE(mesh.CreateCopy(mesh, 1, &move, 0, 1));
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    EXPECT_EQ(Counts(mesh), "16 vertices 12 faces 0 open");
    EXPECT_EQ(mesh.Vertices().Back()->Position(), CQxVector(6, 1, 1));
    ASSERT_TRUE(mesh.CreateCopy(mesh, 0, nullptr, QX_AXIS_Y | QX_AXIS_Z, 0));
    EXPECT_EQ(mesh.Faces().GetCount(), 12u);
    EXPECT_EQ(mesh.Vertices().Back()->Position(), CQxVector(6, -1, -1));
    EXPECT_TRUE(QxTopologyIsSound(mesh));

    // Bad arguments are refused and change nothing.
    CQxMatrix bad;
    bad.m[0][0] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(mesh.CreateCopy(cube, 0, &bad, 0, 0));
    EXPECT_FALSE(mesh.CreateCopy(cube, 0, nullptr, 8, 0));
    EXPECT_EQ(mesh.Faces().GetCount(), 12u);

    // Copying an empty mesh empties the target; appending it changes nothing.
    const CQxMesh empty;
    EXPECT_TRUE(mesh.CreateCopy(empty, 1, nullptr, 0, 0));
    EXPECT_EQ(mesh.Faces().GetCount(), 12u);
    EXPECT_TRUE(mesh.CreateCopy(empty, 0, nullptr, 0, 0));
    EXPECT_TRUE(mesh.IsEmpty());
}
