#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "mesh_builders.h"
#include "qx/graphics/bound_box.h"
#include "qx/graphics/mesh.h"
#include "topology_check.h"

using namespace qxtest;

namespace {

CQxAttribute* FakeAttribute(int i) {
    return reinterpret_cast<CQxAttribute*>(static_cast<std::uintptr_t>(0x1000 * i));
}

// The unit cube of CubePositions and CubeFaces; a 2 x 2 grid in the XZ plane where a test needs one:
//   6---7---8    z
//   | 2 | 3 |    ^
//   3---4---5    |
//   | 0 | 1 |    +--> x    (quads facing +Y)
//   0---1---2
class MeshCore : public ::testing::Test {
protected:
    void SetUp() override { BuildMesh(m_Cube, CubePositions(), CubeFaces()); }
    static void BuildGrid(CQxMesh& mesh) {
        mesh.Clear();
        AddGrid(mesh, 2, [](float x, float z) { return CQxVector(x, 0, z); });
    }

    CQxMesh m_Cube;
};

TEST_F(MeshCore, ClosedCubeIsFullyMated) {
    EXPECT_TRUE(QxTopologyIsSound(m_Cube));       // every vertex's half-edge starts at it, too
    EXPECT_EQ(m_Cube.UpdateHalfEdgeMates(), 12u); // all 24 sides
    EXPECT_EQ(m_Cube.GetSeparatedFaceCount(), 12u);
    EXPECT_EQ(m_Cube.GetSeparatedFaceCount(4), 6u);
    EXPECT_EQ(m_Cube.GetSeparatedFaceCount(2), 0u);
    EXPECT_EQ(m_Cube.GetValidFaceHalfEdgeCount(), 24u);
}

TEST_F(MeshCore, NormalsPointOutwardAndSmoothCornersAverageTheirFaces) {
    m_Cube.UpdateNormals();
    EXPECT_TRUE(NormalsOutward(m_Cube));
    const CQxVector diagonal = CQxVector(1, 1, 1) * (1.0f / std::sqrt(3.0f));
    EXPECT_TRUE(m_Cube.Vertices().GetAt(7)->Normal().IsEqual(diagonal, 1e-5f));
    // Vertices on flat faces only still get a unit normal.
    for (CQxFace& f : m_Cube.Faces()) f.SetShade(0);
    m_Cube.UpdateNormals();
    EXPECT_NEAR(m_Cube.Vertices().GetAt(0)->Normal().GetLength(), 1.0f, 1e-5f);

    // An L-shaped face far from the origin: Newell's normal is exact for concave polygons.
    const float o = 1000.0f;
    CQxMesh mesh;
    BuildMesh(
        mesh,
        {{o, o, 5}, {o + 2, o, 5}, {o + 2, o + 1, 5}, {o + 1, o + 1, 5}, {o + 1, o + 2, 5}, {o, o + 2, 5}},
        {{0, 1, 2, 3, 4, 5}});
    mesh.UpdateNormals();
    EXPECT_TRUE(mesh.Faces().Front()->Normal().IsEqual(CQxVector(0, 0, 1), 1e-5f));
    EXPECT_TRUE(mesh.Vertices().GetAt(3)->Normal().IsEqual(CQxVector(0, 0, 1), 1e-5f));
}

TEST_F(MeshCore, OpenGridKeepsBoundaryCornersOnItsVertices) {
    CQxMesh grid;
    BuildGrid(grid);
    EXPECT_EQ(grid.UpdateHalfEdgeMates(), 4u);
    EXPECT_EQ(CountBoundarySides(grid), 8u);
    // Boundary vertices keep a boundary corner, where a walk around them starts.
    for (const CQxVertex& v : grid.Vertices())
        EXPECT_EQ(v.HalfEdge()->Mate() != nullptr, v.Index() == 4) << "vertex " << v.Index();
}

TEST_F(MeshCore, NonManifoldAndMiswoundSidesGetNoMate) {
    // Three triangles on the side 0-1 (non-manifold): none of them gets a mate there.
    CQxMesh fin;
    BuildMesh(fin, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {1, 1, 0}},
              {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}, {1, 5, 2}});
    EXPECT_TRUE(QxTopologyIsSound(fin));
    EXPECT_EQ(CountBoundarySides(fin), 12u - 2u);
    EXPECT_EQ(fin.Faces().Back()->GetHalfEdgeAt(2)->Mate(), fin.Faces().Front()->GetHalfEdgeAt(1));
    // Turned over, the last face runs the same way as its neighbour and loses the mate.
    fin.Faces().Back()->ReverseHalfEdges();
    EXPECT_EQ(fin.UpdateHalfEdgeMates(), 0u);
    EXPECT_TRUE(QxTopologyIsSound(fin, 0));
}

TEST_F(MeshCore, EmptyMeshHasNothingToUpdate) {
    CQxMesh empty;
    empty.UpdateNormals();
    CQxBoundBox box;
    EXPECT_TRUE(empty.IsEmpty() && empty.CheckTopology(1) && !empty.GetBoundBox(box));
    EXPECT_EQ(empty.UpdateHalfEdgeMates() + empty.UpdateHalfEdgeSerialIndices(), 0u);
}

TEST_F(MeshCore, DegenerateFacesAreInvalidButHandled) {
    // A point, a line, a face with a repeated vertex, a good triangle, an empty ring, a dot.
    CQxMesh mesh;
    BuildMesh(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
              {{0}, {0, 1}, {0, 1, 1, 2}, {1, 3, 2}, {}, {0, 0, 0}});
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    mesh.UpdateNormals();
    std::vector<int> valid;
    for (const CQxFace& f : mesh.Faces()) valid.push_back(f.IsValid());
    EXPECT_EQ(valid, (std::vector<int>{0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(mesh.GetValidFaceHalfEdgeCount(), 3u);
    EXPECT_EQ(mesh.GetSeparatedFaceCount(), 1u);
    EXPECT_EQ(mesh.Faces().GetAt(5)->Normal(), CQxVector());
    // The face with a repeated vertex still mates along its real sides.
    EXPECT_NE(mesh.Faces().GetAt(2)->GetHalfEdgeAt(2)->Mate(), nullptr);

    // A corner without a vertex makes the face invalid and the mesh fail the check, no more.
    CQxFace* f = mesh.Faces().GetAt(3);
    f->PushHalfEdge(new CQxHalfEdge(f, nullptr, 0));
    mesh.UpdateHalfEdgeMates();
    mesh.UpdateNormals();
    EXPECT_FALSE(f->IsValid());
    EXPECT_FALSE(mesh.CheckTopology());
    f->PopHalfEdge(f->GetHalfEdgeAt(3));
    mesh.UpdateHalfEdgeMates();
    EXPECT_TRUE(QxTopologyIsSound(mesh, 0));
}

TEST_F(MeshCore, RepeatFarApartInALargeRingIsInvalid) {
    std::vector<unsigned int> ring(40);
    for (unsigned int i = 0; i < 40; ++i) ring[i] = i;
    CQxMesh mesh;
    BuildMesh(mesh, std::vector<CQxVector>(40), {ring});
    EXPECT_TRUE(mesh.Faces().Front()->IsValid());
    mesh.Faces().Front()->GetHalfEdgeAt(30)->SetVertex(mesh.Vertices().GetAt(3));
    EXPECT_FALSE(mesh.Faces().Front()->IsValid());
}

TEST_F(MeshCore, RingEditing) {
    CQxFace* f = m_Cube.Faces().Front();
    CQxHalfEdge* first = f->GetHalfEdge();
    CQxHalfEdge loose;
    EXPECT_FALSE(f->PushHalfEdge(first));
    EXPECT_FALSE(m_Cube.Faces().Back()->InsertHalfEdgeAfter(first, &loose));

    // Taking a corner out cuts its mate on both sides; it can be put back elsewhere.
    CQxHalfEdge* h = f->GetHalfEdgeAt(1);
    CQxHalfEdge* mate = h->Mate();
    EXPECT_TRUE(f->RemoveHalfEdge(h));
    EXPECT_EQ(mate->Mate(), nullptr);
    EXPECT_EQ(h->GetFace(), nullptr);
    EXPECT_FALSE(f->RemoveHalfEdge(h));
    EXPECT_TRUE(f->InsertHalfEdgeAfter(f->GetHalfEdgeAt(2), h));
    EXPECT_EQ(CornerIndices(m_Cube, *f), (std::vector<unsigned int>{0, 3, 1, 2}));
    EXPECT_EQ(f->GetHalfEdgeAt(3), first->Prev());
    EXPECT_EQ(f->GetHalfEdgeAt(4), nullptr);
    EXPECT_EQ(f->FindHalfEdge(m_Cube.Vertices().GetAt(3)), f->GetHalfEdgeAt(1));
    auto* front = new CQxHalfEdge(nullptr, m_Cube.Vertices().GetAt(4), 0);
    EXPECT_TRUE(f->PushFrontHalfEdge(front));
    EXPECT_EQ(front->GetFace(), f);
    EXPECT_TRUE(f->PopHalfEdge(front));
    EXPECT_EQ(f->GetHalfEdge(), first);
}

TEST_F(MeshCore, CornersPushedAtOnceJoinTheRingInOrder) {
    // Face 0 of the cube holds four corners; two more go on its end in one step.
    CQxFace* f = m_Cube.Faces().Front();
    CQxHalfEdge* corners[2] = {new CQxHalfEdge(nullptr, m_Cube.Vertices().GetAt(4), 0),
                               new CQxHalfEdge(nullptr, m_Cube.Vertices().GetAt(5), 0)};
    const std::uint64_t epoch = QxGetMeshTopologyEpoch();
    ASSERT_TRUE(f->PushHalfEdges(corners, 2));
    EXPECT_NE(QxGetMeshTopologyEpoch(), epoch) << "a ring edit must move the topology epoch";
    EXPECT_EQ(CornerIndices(m_Cube, *f), (std::vector<unsigned int>{0, 2, 3, 1, 4, 5}));
    for (unsigned int i = 0; i < 6; ++i) {
        const CQxHalfEdge* h = f->GetHalfEdgeAt(i);
        EXPECT_EQ(h->GetFace(), f) << "corner " << i;
        EXPECT_EQ(h->Index(), i) << "corner " << i;
        EXPECT_EQ(h->Next()->Prev(), h) << "corner " << i;
    }
    EXPECT_EQ(f->GetHalfEdge()->Prev(), corners[1]);

    // Into an empty face: the first corner given becomes the ring's first.
    CQxFace empty;
    CQxHalfEdge* ring[3] = {new CQxHalfEdge(), new CQxHalfEdge(), new CQxHalfEdge()};
    ASSERT_TRUE(empty.PushHalfEdges(ring, 3));
    EXPECT_EQ(empty.GetHalfEdge(), ring[0]);
    EXPECT_EQ(empty.GetHalfEdgeCount(), 3u);
    EXPECT_EQ(ring[2]->Next(), ring[0]);
}

TEST_F(MeshCore, ARefusedPushOfCornersLeavesThemAllLoose) {
    CQxFace face;
    CQxHalfEdge* loose = new CQxHalfEdge();
    CQxHalfEdge* taken = m_Cube.Faces().Front()->GetHalfEdge();
    const struct {
        const char* why;
        std::vector<CQxHalfEdge*> corners;
    } refusals[] = {{"a null corner", {loose, nullptr}},
                    {"a corner of another ring", {loose, taken}},
                    {"a corner given twice", {loose, loose}}};
    for (const auto& r : refusals) {
        EXPECT_FALSE(face.PushHalfEdges(r.corners.data(), static_cast<unsigned int>(r.corners.size())))
            << r.why;
        EXPECT_EQ(face.GetHalfEdgeCount(), 0u) << r.why;
        EXPECT_EQ(loose->Next(), nullptr) << r.why << " left the loose corner marked";
    }
    EXPECT_TRUE(face.PushHalfEdge(loose)) << "the loose corner must still be usable";
}

TEST_F(MeshCore, FaceCopyTakesTheValueAndCopyRingTheCorners) {
    CQxFace* f = m_Cube.Faces().Front();
    f->GetHalfEdge()->AllocUV();
    f->GetHalfEdge()->UV().Set(0.25f, 0.5f);
    f->GetHalfEdge()->Color() = 0xFF102030;
    CQxFace copy(*f);
    EXPECT_EQ(copy.GetHalfEdgeCount(), 0u);
    copy.CopyRing(*f);
    ASSERT_EQ(copy.GetHalfEdgeCount(), 4u);
    EXPECT_EQ(copy.GetHalfEdge()->GetFace(), &copy);
    EXPECT_EQ(copy.GetHalfEdge()->Mate(), nullptr);
    EXPECT_EQ(copy.GetHalfEdge()->Color(), 0xFF102030u);
    EXPECT_FLOAT_EQ(copy.GetUVCenter().y, 0.5f);
}

TEST_F(MeshCore, CopiesAreIndependentWithTheSameOrder) {
    CQxMesh mesh;
    BuildMesh(mesh, CubePositions(), CubeFaces(), FakeAttribute(1));
    mesh.Faces().Pop(mesh.Faces().GetAt(4));
    mesh.UpdateHalfEdgeMates();
    mesh.Edges().PushBack(new CQxEdge(mesh.Vertices().GetAt(0), mesh.Vertices().GetAt(7), 5));
    mesh.Faces().GetAt(2)->IsSelect() = 1;
    mesh.Vertices().GetAt(5)->AllocBones();
    mesh.Vertices().GetAt(5)->Bones()->Weights[0] = 0.75f;
    SetCornerUVs(mesh);

    // Its own elements (a link into the original would have no list position in the copy).
    auto* copy = new CQxMesh(mesh);
    ASSERT_TRUE(QxTopologyIsSound(*copy));
    EXPECT_TRUE(SameMesh(*copy, mesh));

    // Changing either leaves the other alone, and the copy outlives the original.
    copy->Vertices().Front()->Position().Set(9, 9, 9);
    copy->Vertices().GetAt(5)->Bones()->Weights[0] = 0.0f;
    EXPECT_EQ(mesh.Vertices().Front()->Position(), CQxVector(0, 0, 0));
    EXPECT_EQ(mesh.Vertices().GetAt(5)->Bones()->Weights[0], 0.75f);
    mesh.Clear();
    EXPECT_TRUE(QxTopologyIsSound(*copy));
    mesh = *copy;
    delete copy;
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    EXPECT_EQ(CountBoundarySides(mesh), 4u);
}

TEST_F(MeshCore, InvertingTurnsFacesAndKeepsMatesOnlyWhenAllTurn) {
    m_Cube.UpdateNormals();
    const CQxVector before = m_Cube.Faces().Front()->Normal();
    m_Cube.InvertFaces({});
    EXPECT_TRUE(QxTopologyIsSound(m_Cube));
    EXPECT_EQ(CountBoundarySides(m_Cube), 0u);
    EXPECT_EQ(CornerIndices(m_Cube, *m_Cube.Faces().Front()), (std::vector<unsigned int>{0, 1, 3, 2}));
    m_Cube.UpdateNormals();
    EXPECT_TRUE(m_Cube.Faces().Front()->Normal().IsEqual(-before, 1e-6f));
    m_Cube.InvertFaces({});

    // One face turned against its neighbours loses its mates (listed twice, turned once).
    CQxFace* top = m_Cube.Faces().GetAt(1);
    m_Cube.InvertFaces({top, top, nullptr});
    EXPECT_TRUE(QxTopologyIsSound(m_Cube, 0));
    EXPECT_EQ(CountBoundarySides(m_Cube), 8u);
    m_Cube.InvertFaces({top});
    EXPECT_EQ(CountBoundarySides(m_Cube), 0u);
}

TEST_F(MeshCore, BackFacesAreAddedBehindTheirFronts) {
    CQxMesh plane;
    BuildGrid(plane);
    CQxArray<CQxFace*> out, added;
    plane.GetSingleSideFaces({}, out);
    EXPECT_EQ(out.GetSize(), 4u);
    CQxFace* f0 = plane.Faces().Front();
    EXPECT_TRUE(plane.FaceBackSide({f0, plane.Faces().GetAt(3)}, added));
    ASSERT_EQ(added.GetSize(), 2u);
    EXPECT_TRUE(QxTopologyIsSound(plane));
    EXPECT_EQ(plane.Faces().GetAt(4), added[0]);
    // The added faces are the back sides; their fronts are in neither list.
    plane.GetBackSideFaces({}, out);
    EXPECT_EQ(out, added);
    plane.GetSingleSideFaces({}, out);
    EXPECT_EQ(out, (CQxArray<CQxFace*>{plane.Faces().GetAt(1), plane.Faces().GetAt(2)}));
    // A side shared by a face, its back face and a neighbour is non-manifold now.
    EXPECT_EQ(f0->GetHalfEdgeAt(1)->Mate(), nullptr);

    for (CQxFace* f : added) plane.Faces().Pop(f);
    plane.UpdateHalfEdgeMates();
    EXPECT_EQ(CountBoundarySides(plane), 8u);
    // A face of another mesh is refused.
    CQxMesh other;
    BuildGrid(other);
    EXPECT_FALSE(plane.FaceBackSide({other.Faces().Front()}, added));
    EXPECT_EQ(plane.Faces().GetCount(), 4u);
}

TEST_F(MeshCore, DeletingElementsNeedsTheUpkeep) {
    // Until the upkeep runs, the vertices of a removed face still name its corners.
    m_Cube.Faces().Pop(m_Cube.Faces().GetAt(1));
    EXPECT_FALSE(m_Cube.CheckTopology());
    m_Cube.UpdateHalfEdgeMates();
    EXPECT_TRUE(QxTopologyIsSound(m_Cube, 0));
    EXPECT_EQ(CountBoundarySides(m_Cube), 4u);

    // Removing vertex 0 with the faces that use it.
    CQxVertex* v = m_Cube.Vertices().Front();
    for (CQxFace* f : FaceArray(m_Cube))
        if (f->FindHalfEdge(v)) m_Cube.Faces().Pop(f);
    m_Cube.Vertices().Pop(v);
    m_Cube.UpdateVertexHalfEdges();
    m_Cube.UpdateHalfEdgeMates();
    m_Cube.UpdateIndices();
    EXPECT_TRUE(QxTopologyIsSound(m_Cube));
    EXPECT_EQ(m_Cube.Faces().GetCount(), 2u);
    EXPECT_EQ(m_Cube.Vertices().GetAt(3)->HalfEdge(), nullptr); // (0,0,1) lost all its faces
}

TEST_F(MeshCore, SelectionQueriesListInMeshOrder) {
    m_Cube.Edges().PushBack(new CQxEdge(m_Cube.Vertices().GetAt(0), m_Cube.Vertices().GetAt(7), 0));
    const std::vector<CQxVertex*> v = VertexArray(m_Cube);
    const std::vector<CQxFace*> f = FaceArray(m_Cube);
    CQxHalfEdge* side = f[3]->GetHalfEdgeAt(2);
    EXPECT_FALSE(m_Cube.HasSelect());
    m_Cube.Select(1, {v[6], v[2], nullptr, v[4]}, {}, {f[5], f[1]}, {side});
    EXPECT_TRUE(m_Cube.HasVertexSelect() && m_Cube.HasFaceSelect() && m_Cube.HasFaceHalfEdgeSelect());
    EXPECT_FALSE(m_Cube.HasEdgeSelect());

    CQxArray<CQxVertex*> vs{v[0]};
    CQxArray<CQxEdge*> es;
    CQxArray<CQxFace*> fs;
    CQxArray<CQxHalfEdge*> hs;
    EXPECT_TRUE(m_Cube.GetSelects(vs, es, fs, hs));
    EXPECT_EQ(vs, (CQxArray<CQxVertex*>{v[2], v[4], v[6]}));
    EXPECT_EQ(fs, (CQxArray<CQxFace*>{f[1], f[5]}));
    EXPECT_EQ(hs, (CQxArray<CQxHalfEdge*>{side}));

    // Listed twice, toggled twice.
    m_Cube.ToggleSelect({v[2], v[3], v[3]}, {m_Cube.Edges().Front()}, {}, {});
    m_Cube.GetSelects(vs, es, fs, hs);
    EXPECT_EQ(vs, (CQxArray<CQxVertex*>{v[4], v[6]}));
    EXPECT_EQ(es.GetSize(), 1u);
    m_Cube.ToggleSelect();
    m_Cube.GetSelects(vs, es, fs, hs);
    EXPECT_EQ(vs.GetSize() + es.GetSize() + fs.GetSize() + hs.GetSize(), 6u + 0u + 4u + 23u);
    m_Cube.Select(0);
    EXPECT_FALSE(m_Cube.GetSelects(vs, es, fs, hs));
}

TEST_F(MeshCore, TextureCoordinatesAreSelectedOnlyWhereTheyExist) {
    CQxFace* f = m_Cube.Faces().GetAt(2);
    f->ForEachHalfEdge([](CQxHalfEdge& h) { h.AllocUV(); });
    m_Cube.SelectUVs(1);
    EXPECT_TRUE(m_Cube.HasUVSelect());
    EXPECT_FALSE(m_Cube.HasSelect());
    m_Cube.ToggleSelectUVs({f->GetHalfEdge(), m_Cube.Faces().Front()->GetHalfEdge()});
    CQxArray<CQxHalfEdge*> hs;
    EXPECT_TRUE(m_Cube.GetUVSelects(hs));
    EXPECT_EQ(hs, (CQxArray<CQxHalfEdge*>{f->GetHalfEdgeAt(1), f->GetHalfEdgeAt(2), f->GetHalfEdgeAt(3)}));
    m_Cube.FreeHalfEdgeUVs();
    EXPECT_FALSE(m_Cube.GetUVSelects(hs));
    m_Cube.AllocHalfEdgeUVs();
    m_Cube.ToggleSelectUVs();
    EXPECT_TRUE(m_Cube.GetUVSelects(hs));
    EXPECT_EQ(hs.GetSize(), 24u);
}

TEST_F(MeshCore, SerialIndicesNumberCornersInFaceOrder) {
    EXPECT_EQ(m_Cube.UpdateHalfEdgeSerialIndices(), 24u);
    CQxArray<CQxHalfEdge*> serial;
    m_Cube.CreateHalfEdgeSerialPointerArray(serial);
    ASSERT_EQ(serial.GetSize(), 24u);
    for (unsigned int i = 0; i < serial.GetSize(); ++i) EXPECT_EQ(serial[i]->Index(), i) << "corner " << i;
    EXPECT_EQ(serial[5], m_Cube.Faces().GetAt(1)->GetHalfEdgeAt(1));
    m_Cube.UpdateIndices();
    EXPECT_EQ(serial[5]->Index(), 1u);
}

TEST_F(MeshCore, AttributesAreSetPerFaceAndListedOnce) {
    const std::vector<CQxFace*> f = FaceArray(m_Cube);
    EXPECT_FALSE(m_Cube.HasFaceAttribute());
    m_Cube.SetAttribute(FakeAttribute(2), {f[1], f[4]});
    m_Cube.SetAttribute(FakeAttribute(3), {f[2]});
    EXPECT_TRUE(m_Cube.HasFaceAttribute(FakeAttribute(3)));
    EXPECT_FALSE(m_Cube.HasFaceAttribute(FakeAttribute(4)));
    CQxArray<CQxAttribute*> unique;
    m_Cube.GetUniqueAttributes(unique);
    EXPECT_EQ(unique, (CQxArray<CQxAttribute*>{nullptr, FakeAttribute(2), FakeAttribute(3)}));
    m_Cube.SetAttribute(FakeAttribute(4), {});
    m_Cube.GetUniqueAttributes(unique);
    EXPECT_EQ(unique, (CQxArray<CQxAttribute*>{FakeAttribute(4)}));
}

TEST_F(MeshCore, BoundBoxesFollowTransformsAndOffsets) {
    CQxBoundBox box;
    CQxMatrix turn;
    turn.SetRotateZ(1.5707963f);
    EXPECT_TRUE(m_Cube.GetBoundBox(box, &turn));
    EXPECT_TRUE(box.GetMin().IsEqual(CQxVector(-1, 0, 0), 1e-6f));
    m_Cube.OffsetVertices(CQxVector(0, -2, 0));
    box.Reset();
    m_Cube.GetBoundBox(box);
    EXPECT_EQ(box.GetMax(), CQxVector(1, -1, 1));
    const CQxBoundBox turned = box.GetTransformed(turn);
    EXPECT_TRUE(turned.GetMax().IsEqual(CQxVector(2, 1, 1), 1e-5f));
    EXPECT_FLOAT_EQ(turned.GetMaxSize(), 1.0f);
    EXPECT_TRUE(turned.IsInside(CQxVector(1.5f, 0.5f, 0.5f)));
    EXPECT_TRUE(CQxBoundBox().GetTransformed(turn).IsEmpty());

    m_Cube.AllocVertexBones();
    EXPECT_EQ(m_Cube.Vertices().Back()->Bones()->Weights[3], 0.0f);
    m_Cube.FreeVertexBones();
    EXPECT_FALSE(m_Cube.Vertices().Back()->HasBones());
}

TEST_F(MeshCore, PoolReusesMemoryOfFreedElements) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "sanitizer builds allocate each element on its own";
#else
    constexpr std::size_t count = 1000000;
    // Kept alive throughout, so the pool never drops to empty and hands its blocks back.
    auto* anchor = new CQxVertex();
    std::vector<CQxVertex*> first(count);
    for (auto& v : first) v = new CQxVertex();
    std::vector<CQxVertex*> seen(first);
    std::sort(seen.begin(), seen.end());
    for (auto* v : first) delete v;
    std::size_t reused = 0;
    for (auto& v : first) {
        v = new CQxVertex();
        reused += std::binary_search(seen.begin(), seen.end(), v);
    }
    EXPECT_EQ(reused, count);
    for (auto* v : first) delete v;
    delete anchor;
#endif
}

} // namespace
