#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "mesh_test_util.h"
#include "qx/graphics/bound_box.h"
#include "qx/graphics/mesh.h"

using namespace qxtest;

namespace {

CQxAttribute* FakeAttribute(int i) {
    return reinterpret_cast<CQxAttribute*>(static_cast<std::uintptr_t>(0x1000 * i));
}

// For every corner in serial order: the list position of its mate's face and the mate's ring
// position, so that two meshes can be compared without sharing pointers.
std::vector<std::pair<unsigned int, unsigned int>> MateLayout(const CQxMesh& mesh) {
    std::vector<std::pair<unsigned int, unsigned int>> out;
    for (const CQxFace& f : mesh.Faces())
        f.ForEachHalfEdge([&](CQxHalfEdge& h) {
            const CQxHalfEdge* m = h.Mate();
            unsigned int pos = 0;
            while (m && m->GetFace()->GetHalfEdgeAt(pos) != m) ++pos;
            out.emplace_back(m ? mesh.Faces().Find(m->GetFace()) : 0xFFFFFFFF, pos);
        });
    return out;
}

// A 3 x 3 grid of vertices in the XZ plane and four quads facing +Y.
void BuildGrid(CQxMesh& mesh) {
    std::vector<CQxVector> p;
    for (int z = 0; z < 3; ++z)
        for (int x = 0; x < 3; ++x) p.emplace_back(static_cast<float>(x), 0.0f, static_cast<float>(z));
    BuildMesh(mesh, p, {{0, 3, 4, 1}, {1, 4, 5, 2}, {3, 6, 7, 4}, {4, 7, 8, 5}});
}

} // namespace

TEST(MeshCore, ClosedCubeHasFullTopologyAndOutwardNormals) {
    CQxMesh mesh;
    BuildMesh(mesh, CubePositions(), CubeFaces());
    EXPECT_TRUE(mesh.CheckTopology(1));
    EXPECT_EQ(mesh.UpdateHalfEdgeMates(), 12u);
    EXPECT_EQ(CountBoundarySides(mesh), 0u);
    for (const CQxVertex& v : mesh.Vertices()) EXPECT_EQ(v.HalfEdge()->GetVertex(), &v);

    mesh.UpdateNormals();
    EXPECT_TRUE(NormalsOutward(mesh));
    // Smooth corners average their three faces: the normal runs along the diagonal.
    EXPECT_TRUE(
        mesh.Vertices().GetAt(7)->Normal().IsEqual(CQxVector(1, 1, 1) * (1.0f / std::sqrt(3.0f)), 1e-5f));
    // Vertices on flat faces only still get a unit normal.
    for (CQxFace& f : mesh.Faces()) f.SetShade(0);
    mesh.UpdateNormals();
    EXPECT_NEAR(mesh.Vertices().GetAt(0)->Normal().GetLength(), 1.0f, 1e-5f);

    EXPECT_EQ(mesh.GetSeparatedFaceCount(), 12u);
    EXPECT_EQ(mesh.GetSeparatedFaceCount(4), 6u);
    EXPECT_EQ(mesh.GetSeparatedFaceCount(2), 0u);
    EXPECT_EQ(mesh.GetValidFaceHalfEdgeCount(), 24u);

    // An L-shaped face far from the origin: Newell's normal is exact for concave polygons.
    const float o = 1000.0f;
    BuildMesh(
        mesh,
        {{o, o, 5}, {o + 2, o, 5}, {o + 2, o + 1, 5}, {o + 1, o + 1, 5}, {o + 1, o + 2, 5}, {o, o + 2, 5}},
        {{0, 1, 2, 3, 4, 5}});
    mesh.UpdateNormals();
    EXPECT_TRUE(mesh.Faces().Front()->Normal().IsEqual(CQxVector(0, 0, 1), 1e-5f));
    EXPECT_TRUE(mesh.Vertices().GetAt(3)->Normal().IsEqual(CQxVector(0, 0, 1), 1e-5f));
}

TEST(MeshCore, MatesOnOpenNonManifoldAndMiswoundInput) {
    CQxMesh grid;
    BuildGrid(grid);
    EXPECT_EQ(grid.UpdateHalfEdgeMates(), 4u);
    EXPECT_EQ(CountBoundarySides(grid), 8u);
    // Boundary vertices keep a boundary corner, where a walk around them starts.
    for (const CQxVertex& v : grid.Vertices())
        EXPECT_EQ(v.HalfEdge()->Mate() != nullptr, &v == grid.Vertices().GetAt(4));

    // Three triangles on the side 0-1 (non-manifold): none of them gets a mate there.
    CQxMesh fin;
    BuildMesh(fin, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {1, 1, 0}},
              {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}, {1, 5, 2}});
    EXPECT_TRUE(fin.CheckTopology(1));
    EXPECT_EQ(CountBoundarySides(fin), 12u - 2u);
    EXPECT_EQ(fin.Faces().Back()->GetHalfEdgeAt(2)->Mate(), fin.Faces().Front()->GetHalfEdgeAt(1));
    // Turned over, the last face runs the same way as its neighbour and loses the mate.
    fin.Faces().Back()->ReverseHalfEdges();
    EXPECT_EQ(fin.UpdateHalfEdgeMates(), 0u);
    EXPECT_TRUE(fin.CheckTopology());
}

TEST(MeshCore, DegenerateInputIsHandled) {
    CQxMesh empty;
    empty.UpdateNormals();
    CQxBoundBox box;
    EXPECT_TRUE(empty.IsEmpty() && empty.CheckTopology(1) && !empty.GetBoundBox(box));
    EXPECT_EQ(empty.UpdateHalfEdgeMates() + empty.UpdateHalfEdgeSerialIndices(), 0u);

    // A point, a line, a face with a repeated vertex, a good triangle, an empty ring, a dot.
    CQxMesh mesh;
    BuildMesh(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
              {{0}, {0, 1}, {0, 1, 1, 2}, {1, 3, 2}, {}, {0, 0, 0}});
    EXPECT_TRUE(mesh.CheckTopology(1));
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
    EXPECT_TRUE(mesh.CheckTopology());

    // A repeat far apart in a large ring is caught too.
    std::vector<unsigned int> ring(40);
    for (unsigned int i = 0; i < 40; ++i) ring[i] = i;
    BuildMesh(mesh, std::vector<CQxVector>(40), {ring});
    EXPECT_TRUE(mesh.Faces().Front()->IsValid());
    mesh.Faces().Front()->GetHalfEdgeAt(30)->SetVertex(mesh.Vertices().GetAt(3));
    EXPECT_FALSE(mesh.Faces().Front()->IsValid());
}

TEST(MeshCore, RingEditing) {
    CQxMesh mesh;
    BuildMesh(mesh, CubePositions(), CubeFaces());
    CQxFace* f = mesh.Faces().Front();
    CQxHalfEdge* first = f->GetHalfEdge();
    CQxHalfEdge loose;
    EXPECT_FALSE(f->PushHalfEdge(first));
    EXPECT_FALSE(mesh.Faces().Back()->InsertHalfEdgeAfter(first, &loose));

    // Taking a corner out cuts its mate on both sides; it can be put back elsewhere.
    CQxHalfEdge* h = f->GetHalfEdgeAt(1);
    CQxHalfEdge* mate = h->Mate();
    EXPECT_TRUE(f->RemoveHalfEdge(h));
    EXPECT_EQ(mate->Mate(), nullptr);
    EXPECT_EQ(h->GetFace(), nullptr);
    EXPECT_FALSE(f->RemoveHalfEdge(h));
    EXPECT_TRUE(f->InsertHalfEdgeAfter(f->GetHalfEdgeAt(2), h));
    EXPECT_EQ(CornerIndices(mesh, *f), (std::vector<unsigned int>{0, 3, 1, 2}));
    EXPECT_EQ(f->GetHalfEdgeAt(3), first->Prev());
    EXPECT_EQ(f->GetHalfEdgeAt(4), nullptr);
    EXPECT_EQ(f->FindHalfEdge(mesh.Vertices().GetAt(3)), f->GetHalfEdgeAt(1));
    auto* front = new CQxHalfEdge(nullptr, mesh.Vertices().GetAt(4), 0);
    EXPECT_TRUE(f->PushFrontHalfEdge(front));
    EXPECT_EQ(front->GetFace(), f);
    EXPECT_TRUE(f->PopHalfEdge(front));
    EXPECT_EQ(f->GetHalfEdge(), first);

    // Copying a face copies its value only; CopyRing adds the corners with their data.
    first->AllocUV();
    first->UV().Set(0.25f, 0.5f);
    first->Color() = 0xFF102030;
    CQxFace copy(*f);
    EXPECT_EQ(copy.GetHalfEdgeCount(), 0u);
    copy.CopyRing(*f);
    ASSERT_EQ(copy.GetHalfEdgeCount(), 4u);
    EXPECT_EQ(copy.GetHalfEdge()->GetFace(), &copy);
    EXPECT_EQ(copy.GetHalfEdge()->Mate(), nullptr);
    EXPECT_EQ(copy.GetHalfEdge()->Color(), 0xFF102030u);
    EXPECT_FLOAT_EQ(copy.GetUVCenter().y, 0.5f);
}

TEST(MeshCore, CopiesAreIndependentWithTheSameOrder) {
    CQxMesh mesh;
    BuildMesh(mesh, CubePositions(), CubeFaces(), FakeAttribute(1));
    mesh.Faces().Pop(mesh.Faces().GetAt(4));
    mesh.UpdateHalfEdgeMates();
    mesh.Edges().PushBack(new CQxEdge(mesh.Vertices().GetAt(0), mesh.Vertices().GetAt(7), 5));
    mesh.Faces().GetAt(2)->IsSelect() = 1;
    mesh.Vertices().GetAt(5)->AllocBones();
    mesh.Vertices().GetAt(5)->Bones()->Weights[0] = 0.75f;
    SetCornerUVs(mesh);

    auto* copy = new CQxMesh(mesh);
    ASSERT_TRUE(copy->CheckTopology(1));
    EXPECT_EQ(MateLayout(*copy), MateLayout(mesh));
    auto f = mesh.Faces().begin();
    for (CQxFace& g : copy->Faces()) {
        EXPECT_EQ(CornerIndices(*copy, g), CornerIndices(mesh, *f));
        EXPECT_EQ(g.Attribute(), FakeAttribute(1));
        EXPECT_EQ(g.IsSelect(), f->IsSelect());
        EXPECT_EQ(g.GetHalfEdgeAt(2)->UV().y, f->GetHalfEdgeAt(2)->UV().y);
        ++f;
    }
    EXPECT_EQ(copy->Edges().Front()->Vertex(1), copy->Vertices().GetAt(7));

    // Changing either leaves the other alone, and the copy outlives the original.
    copy->Vertices().Front()->Position().Set(9, 9, 9);
    copy->Vertices().GetAt(5)->Bones()->Weights[0] = 0.0f;
    EXPECT_EQ(mesh.Vertices().Front()->Position(), CQxVector(0, 0, 0));
    EXPECT_EQ(mesh.Vertices().GetAt(5)->Bones()->Weights[0], 0.75f);
    mesh.Clear();
    EXPECT_TRUE(mesh.IsEmpty());
    EXPECT_TRUE(copy->CheckTopology(1));
    mesh = *copy;
    delete copy;
    EXPECT_TRUE(mesh.CheckTopology(1));
    EXPECT_EQ(CountBoundarySides(mesh), 4u);
}

TEST(MeshCore, InvertingAndBackFaces) {
    CQxMesh mesh;
    BuildMesh(mesh, CubePositions(), CubeFaces());
    mesh.UpdateNormals();
    const CQxVector before = mesh.Faces().Front()->Normal();
    mesh.InvertFaces({});
    EXPECT_TRUE(mesh.CheckTopology(1));
    EXPECT_EQ(CountBoundarySides(mesh), 0u);
    EXPECT_EQ(CornerIndices(mesh, *mesh.Faces().Front()), (std::vector<unsigned int>{0, 1, 3, 2}));
    mesh.UpdateNormals();
    EXPECT_TRUE(mesh.Faces().Front()->Normal().IsEqual(-before, 1e-6f));
    mesh.InvertFaces({});

    // One face turned against its neighbours loses its mates (listed twice, turned once).
    CQxFace* top = mesh.Faces().GetAt(1);
    mesh.InvertFaces({top, top, nullptr});
    EXPECT_TRUE(mesh.CheckTopology());
    EXPECT_EQ(CountBoundarySides(mesh), 8u);
    mesh.InvertFaces({top});
    EXPECT_EQ(CountBoundarySides(mesh), 0u);

    // Back faces: the added faces are the back sides; their fronts are in neither list.
    CQxMesh plane;
    BuildGrid(plane);
    CQxArray<CQxFace*> out, added;
    plane.GetSingleSideFaces({}, out);
    EXPECT_EQ(out.GetSize(), 4u);
    CQxFace* f0 = plane.Faces().Front();
    EXPECT_TRUE(plane.FaceBackSide({f0, plane.Faces().GetAt(3)}, added));
    ASSERT_EQ(added.GetSize(), 2u);
    EXPECT_TRUE(plane.CheckTopology(1));
    EXPECT_EQ(plane.Faces().GetAt(4), added[0]);
    plane.GetBackSideFaces({}, out);
    EXPECT_EQ(out, added);
    plane.GetSingleSideFaces({}, out);
    EXPECT_EQ(out, (CQxArray<CQxFace*>{plane.Faces().GetAt(1), plane.Faces().GetAt(2)}));
    // A side shared by a face, its back face and a neighbour is non-manifold now.
    EXPECT_EQ(f0->GetHalfEdgeAt(1)->Mate(), nullptr);

    for (CQxFace* f : added) plane.Faces().Pop(f);
    plane.UpdateHalfEdgeMates();
    EXPECT_EQ(CountBoundarySides(plane), 8u);
    CQxMesh other;
    BuildGrid(other);
    EXPECT_FALSE(plane.FaceBackSide({other.Faces().Front()}, added));
    EXPECT_EQ(plane.Faces().GetCount(), 4u);
}

TEST(MeshCore, DeletingElementsAndStaleState) {
    CQxMesh mesh;
    BuildMesh(mesh, CubePositions(), CubeFaces());
    // Until the upkeep runs, the vertices of a removed face still name its corners.
    mesh.Faces().Pop(mesh.Faces().GetAt(1));
    EXPECT_FALSE(mesh.CheckTopology());
    mesh.UpdateHalfEdgeMates();
    EXPECT_TRUE(mesh.CheckTopology());
    EXPECT_EQ(CountBoundarySides(mesh), 4u);

    // Removing vertex 0 with the faces that use it.
    CQxVertex* v = mesh.Vertices().Front();
    for (CQxFace* f : FaceArray(mesh))
        if (f->FindHalfEdge(v)) mesh.Faces().Pop(f);
    mesh.Vertices().Pop(v);
    mesh.UpdateVertexHalfEdges();
    mesh.UpdateHalfEdgeMates();
    mesh.UpdateIndices();
    EXPECT_TRUE(mesh.CheckTopology(1));
    EXPECT_EQ(mesh.Faces().GetCount(), 2u);
    EXPECT_EQ(mesh.Vertices().GetAt(3)->HalfEdge(), nullptr); // (0,0,1) lost all its faces

    // Stale state is reported: a one-way mate, a foreign vertex, stale indices.
    CQxHalfEdge* h = mesh.Faces().Front()->GetHalfEdgeAt(2);
    h->Mate()->Mate() = nullptr;
    EXPECT_FALSE(mesh.CheckTopology());
    mesh.UpdateHalfEdgeMates();
    CQxVertex stranger;
    CQxVertex* own = h->GetVertex();
    h->SetVertex(&stranger);
    EXPECT_FALSE(mesh.CheckTopology());
    h->SetVertex(own);
    mesh.Vertices().PushFront(new CQxVertex());
    EXPECT_TRUE(mesh.CheckTopology());
    EXPECT_FALSE(mesh.CheckTopology(1));
}

TEST(MeshCore, SelectionQueriesAndOrder) {
    CQxMesh mesh;
    BuildMesh(mesh, CubePositions(), CubeFaces());
    mesh.Edges().PushBack(new CQxEdge(mesh.Vertices().GetAt(0), mesh.Vertices().GetAt(7), 0));
    const std::vector<CQxVertex*> v = VertexArray(mesh);
    const std::vector<CQxFace*> f = FaceArray(mesh);
    CQxHalfEdge* side = f[3]->GetHalfEdgeAt(2);
    EXPECT_FALSE(mesh.HasSelect());
    mesh.Select(1, {v[6], v[2], nullptr, v[4]}, {}, {f[5], f[1]}, {side});
    EXPECT_TRUE(mesh.HasVertexSelect() && mesh.HasFaceSelect() && mesh.HasFaceHalfEdgeSelect());
    EXPECT_FALSE(mesh.HasEdgeSelect());

    CQxArray<CQxVertex*> vs{v[0]};
    CQxArray<CQxEdge*> es;
    CQxArray<CQxFace*> fs;
    CQxArray<CQxHalfEdge*> hs;
    EXPECT_TRUE(mesh.GetSelects(vs, es, fs, hs));
    EXPECT_EQ(vs, (CQxArray<CQxVertex*>{v[2], v[4], v[6]}));
    EXPECT_EQ(fs, (CQxArray<CQxFace*>{f[1], f[5]}));
    EXPECT_EQ(hs, (CQxArray<CQxHalfEdge*>{side}));

    // Listed twice, toggled twice.
    mesh.ToggleSelect({v[2], v[3], v[3]}, {mesh.Edges().Front()}, {}, {});
    mesh.GetSelects(vs, es, fs, hs);
    EXPECT_EQ(vs, (CQxArray<CQxVertex*>{v[4], v[6]}));
    EXPECT_EQ(es.GetSize(), 1u);
    mesh.ToggleSelect();
    mesh.GetSelects(vs, es, fs, hs);
    EXPECT_EQ(vs.GetSize() + es.GetSize() + fs.GetSize() + hs.GetSize(), 6u + 0u + 4u + 23u);
    mesh.Select(0);
    EXPECT_FALSE(mesh.GetSelects(vs, es, fs, hs));

    // Texture coordinates are selected only where they exist.
    f[2]->ForEachHalfEdge([](CQxHalfEdge& h) { h.AllocUV(); });
    mesh.SelectUVs(1);
    EXPECT_TRUE(mesh.HasUVSelect());
    EXPECT_FALSE(mesh.HasSelect());
    mesh.ToggleSelectUVs({f[2]->GetHalfEdge(), f[0]->GetHalfEdge()});
    EXPECT_TRUE(mesh.GetUVSelects(hs));
    EXPECT_EQ(
        hs, (CQxArray<CQxHalfEdge*>{f[2]->GetHalfEdgeAt(1), f[2]->GetHalfEdgeAt(2), f[2]->GetHalfEdgeAt(3)}));
    mesh.FreeHalfEdgeUVs();
    EXPECT_FALSE(mesh.GetUVSelects(hs));
    mesh.AllocHalfEdgeUVs();
    mesh.ToggleSelectUVs();
    EXPECT_TRUE(mesh.GetUVSelects(hs));
    EXPECT_EQ(hs.GetSize(), 24u);
}

TEST(MeshCore, IndicesAttributesBoxesAndBones) {
    CQxMesh mesh;
    BuildMesh(mesh, CubePositions(), CubeFaces());
    EXPECT_EQ(mesh.UpdateHalfEdgeSerialIndices(), 24u);
    CQxArray<CQxHalfEdge*> serial;
    mesh.CreateHalfEdgeSerialPointerArray(serial);
    ASSERT_EQ(serial.GetSize(), 24u);
    for (unsigned int i = 0; i < serial.GetSize(); ++i) EXPECT_EQ(serial[i]->Index(), i);
    EXPECT_EQ(serial[5], mesh.Faces().GetAt(1)->GetHalfEdgeAt(1));
    mesh.UpdateIndices();
    EXPECT_EQ(serial[5]->Index(), 1u);

    const std::vector<CQxFace*> f = FaceArray(mesh);
    EXPECT_FALSE(mesh.HasFaceAttribute());
    mesh.SetAttribute(FakeAttribute(2), {f[1], f[4]});
    mesh.SetAttribute(FakeAttribute(3), {f[2]});
    EXPECT_TRUE(mesh.HasFaceAttribute(FakeAttribute(3)));
    EXPECT_FALSE(mesh.HasFaceAttribute(FakeAttribute(4)));
    CQxArray<CQxAttribute*> unique;
    mesh.GetUniqueAttributes(unique);
    EXPECT_EQ(unique, (CQxArray<CQxAttribute*>{nullptr, FakeAttribute(2), FakeAttribute(3)}));
    mesh.SetAttribute(FakeAttribute(4), {});
    mesh.GetUniqueAttributes(unique);
    EXPECT_EQ(unique, (CQxArray<CQxAttribute*>{FakeAttribute(4)}));

    CQxBoundBox box;
    CQxMatrix turn;
    turn.SetRotateZ(1.5707963f);
    EXPECT_TRUE(mesh.GetBoundBox(box, &turn));
    EXPECT_TRUE(box.GetMin().IsEqual(CQxVector(-1, 0, 0), 1e-6f));
    mesh.OffsetVertices(CQxVector(0, -2, 0));
    box.Reset();
    mesh.GetBoundBox(box);
    EXPECT_EQ(box.GetMax(), CQxVector(1, -1, 1));
    const CQxBoundBox turned = box.GetTransformed(turn);
    EXPECT_TRUE(turned.GetMax().IsEqual(CQxVector(2, 1, 1), 1e-5f));
    EXPECT_FLOAT_EQ(turned.GetMaxSize(), 1.0f);
    EXPECT_TRUE(turned.IsInside(CQxVector(1.5f, 0.5f, 0.5f)));
    EXPECT_TRUE(CQxBoundBox().GetTransformed(turn).IsEmpty());

    mesh.AllocVertexBones();
    EXPECT_EQ(mesh.Vertices().Back()->Bones()->Weights[3], 0.0f);
    mesh.FreeVertexBones();
    EXPECT_FALSE(mesh.Vertices().Back()->HasBones());
}

TEST(MeshCore, PoolReusesMemoryOfFreedElements) {
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
