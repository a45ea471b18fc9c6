#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "mesh_builders.h"
#include "qx/graphics/attribute.h"
#include "qx/graphics/bound_box.h"
#include "qx/graphics/mesh.h"
#include "topology_check.h"

namespace {

using qxtest::CountCorners;

void ExpectExtent(const CQxMesh& mesh, const CQxVector& size) {
    CQxBoundBox box;
    ASSERT_TRUE(mesh.GetBoundBox(box));
    const CQxVector extent = box.GetMax() - box.GetMin();
    EXPECT_TRUE(extent.IsEqual(size, 1e-5f * size.GetLength()))
        << "extent " << extent.x << " x " << extent.y << " x " << extent.z;
}

// A solid primitive: valid topology, a closed surface of the given Euler characteristic (so
// neighbouring faces share their vertices), outward unit normals (seen from the point that
// `centreOf` gives for a face centre), smooth faces, every corner with a UV in 0..1, and no face
// mirrored or collapsed in UV space (v runs downward, so every face winds the same way there).
void ExpectSolid(const CQxMesh& mesh, int euler, const std::function<CQxVector(const CQxVector&)>& centreOf) {
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    EXPECT_EQ(qxtest::CountBoundarySides(mesh), 0u);
    EXPECT_EQ(int(mesh.Vertices().GetCount()) - int(CountCorners(mesh) / 2) + int(mesh.Faces().GetCount()),
              euler);
    unsigned int bad = 0;
    for (const CQxFace& f : mesh.Faces()) {
        const CQxVector c = f.GetCenter();
        bad +=
            !(f.Normal().GetDot(c - centreOf(c)) > 0.0f) || std::fabs(f.Normal().GetLength() - 1.0f) > 1e-4f;
        bad += !f.IsShade();
        float area = 0.0f;
        f.ForEachHalfEdge([&](CQxHalfEdge& h) {
            const CQxVector2D &a = h.UV(), &b = h.Next()->UV();
            bad +=
                !h.HasUV() || a.x < 0.0f || a.x > 1.0f || a.y < 0.0f || a.y > 1.0f || h.Color() != 0xFFFFFFFF;
            area += a.x * b.y - b.x * a.y;
        });
        bad += !(area < 0.0f);
    }
    EXPECT_EQ(bad, 0u);
}

CQxVector Origin(const CQxVector&) {
    return CQxVector();
}

// What a caller can see of a mesh: its elements and links in order, positions and selections.
using Snapshot = std::pair<std::vector<const void*>, std::vector<float>>;

Snapshot Take(const CQxMesh& mesh) {
    Snapshot s;
    for (const CQxVertex& v : mesh.Vertices()) {
        s.first.push_back(&v);
        s.second.insert(s.second.end(),
                        {v.Position().x, v.Position().y, v.Position().z, float(v.IsSelect())});
    }
    for (const CQxEdge& e : mesh.Edges()) s.first.push_back(&e);
    for (const CQxFace& f : mesh.Faces()) {
        s.first.push_back(&f);
        s.second.push_back(f.IsSelect());
        f.ForEachHalfEdge([&](CQxHalfEdge& h) { s.first.insert(s.first.end(), {&h, h.Mate()}); });
    }
    return s;
}

} // namespace

TEST(MeshPrimitives, SolidsHaveTheirCountsAndCloseOutward) {
    struct Case {
        std::function<int(CQxMesh&)> Build;
        unsigned int Vertices, Triangles, Quads;
        CQxVector Size;
    };
    const Case cases[] = {
        {[](CQxMesh& m) { return m.CreateCube(0, 2, 3, 4, 1, 1, 1, nullptr, 0); }, 8, 0, 6, {2, 3, 4}},
        // Lattice points on the surface: all of them minus the inner ones.
        {[](CQxMesh& m) { return m.CreateCube(0, 1, 1, 1, 2, 3, 4, nullptr, 0); }, 60 - 6, 0, 52, {1, 1, 1}},
        {[](CQxMesh& m) { return m.CreateSphere(0, 3, 8, 4, nullptr, 0); }, 2 + 24, 16, 16, {3, 3, 3}},
        {[](CQxMesh& m) { return m.CreateSphere(0, 1, 3, 2, nullptr, 0); }, 5, 6, 0, {}},
        {[](CQxMesh& m) { return m.CreateCylinder(0, 2, 5, 8, 3, nullptr, 0); }, 32 + 2, 16, 24, {2, 5, 2}},
        {[](CQxMesh& m) { return m.CreateCone(0, 2, 3, 8, 2, nullptr, 0); }, 1 + 16 + 1, 16, 8, {2, 3, 2}},
        {[](CQxMesh& m) { return m.CreateCone(0, 1, 1, 3, 1, nullptr, 0); }, 5, 6, 0, {}},
    };
    CQxMesh mesh;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        ASSERT_TRUE(c.Build(mesh));
        EXPECT_EQ(mesh.Vertices().GetCount(), c.Vertices);
        EXPECT_EQ(CountCorners(mesh, 3), c.Triangles);
        EXPECT_EQ(CountCorners(mesh, 4), c.Quads);
        EXPECT_EQ(mesh.Faces().GetCount(), c.Triangles + c.Quads);
        ExpectSolid(mesh, 2, Origin);
        if (!c.Size.IsNull()) ExpectExtent(mesh, c.Size);
    }

    ASSERT_TRUE(mesh.CreateTorus(0, 10, 2, 8, 8, nullptr, 0));
    EXPECT_EQ(mesh.Vertices().GetCount(), 64u);
    EXPECT_EQ(CountCorners(mesh, 4), 64u);
    // Outward for a torus means away from the tube's centre line (radius 4 here).
    ExpectSolid(mesh, 0, [](const CQxVector& p) { return CQxVector(p.x, 0, p.z).GetNormalized() * 4.0f; });
    ExpectExtent(mesh, CQxVector(10, 2, 10));
}

TEST(MeshPrimitives, PlaneGridAxesJointAndBone) {
    CQxMesh mesh;
    ASSERT_TRUE(mesh.CreatePlane(0, 4, 6, 3, 2, nullptr, 0));
    EXPECT_EQ(qxtest::Counts(mesh), "12 vertices 6 faces 10 open"); // open along the border only
    EXPECT_EQ(CountCorners(mesh, 4), 6u);
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    ExpectExtent(mesh, CQxVector(4, 0, 6));
    for (const CQxFace& f : mesh.Faces())
        EXPECT_TRUE(f.Normal().IsEqual(CQxVector(0, 1, 0), 1e-6f)) << "face " << f.Index();

    ASSERT_TRUE(mesh.CreateGrid(100, 10, QX_AXIS_Z, 0xFF555555));
    EXPECT_EQ(mesh.Edges().GetCount(), 42u);
    ExpectExtent(mesh, CQxVector(200, 200, 0)); // normal to Z, -length..length
    EXPECT_EQ(mesh.Edges().Back()->Color(), 0xFF555555u);

    ASSERT_TRUE(mesh.CreateAxes(1, 5, QX_AXIS_X | QX_AXIS_Z, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF));
    ASSERT_EQ(mesh.Edges().GetCount(), 44u); // after the grid
    const CQxEdge* x = mesh.Edges().GetAt(42);
    const CQxEdge* z = mesh.Edges().GetAt(43);
    EXPECT_EQ(x->Color(), 0xFFFF0000u);
    EXPECT_TRUE(x->Vertex(1)->Position().IsEqual(CQxVector(5, 0, 0)));
    EXPECT_EQ(z->Color(), 0xFF0000FFu);
    EXPECT_TRUE(z->Vertex(1)->Position().IsEqual(CQxVector(0, 0, 5)));
    EXPECT_EQ(x->Vertex(0), z->Vertex(0));

    ASSERT_TRUE(mesh.CreateJoint(2, 10, 0xFF00FFFF));
    EXPECT_EQ(mesh.Edges().GetCount(), 0u); // replaced
    EXPECT_EQ(mesh.Faces().GetCount(), 50u);
    const float s72 = std::sin(0.4f * 3.14159265f); // 10 around, 5 along: no ring on the X axis
    ExpectExtent(mesh, CQxVector(4 * s72 * s72, 4, 4 * s72));
    unsigned int coloured = 0;
    for (const CQxFace& f : mesh.Faces())
        f.ForEachHalfEdge([&](CQxHalfEdge& h) { coloured += h.Color() == 0xFF00FFFFu && !h.HasUV(); });
    EXPECT_EQ(coloured, CountCorners(mesh));

    CQxVertex* v = mesh.CreateBone(0xFF00FFFF);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(mesh.Vertices().Find(v), 42u);
    EXPECT_EQ(qxtest::Counts(mesh), "47 vertices 56 faces 0 open");
    for (unsigned int i = 0; i < 5; ++i, v = v->Next())
        EXPECT_TRUE(v->Position().IsEqual(CQxMesh::GetBoneTemplateVertex(i))) << "vertex " << i;
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    for (CQxFace* f = mesh.Faces().GetAt(50); f != mesh.Faces().GetHead(); f = f->Next()) {
        const CQxVector c = f->GetCenter(); // faces look away from the bone's axis
        EXPECT_GT(f->Normal().GetDot(CQxVector(0, c.y, c.z)), 0.0f);
    }
}

TEST(MeshPrimitives, AppendKeepsTheOldElementsAndSelectMarksOnlyTheNew) {
    CQxMesh mesh;
    ASSERT_TRUE(mesh.CreateCube(0, 1, 1, 1, 1, 1, 1, nullptr, 1));
    const CQxVertex* firstOld = mesh.Vertices().Front();
    CQxAttribute material("Material1");
    ASSERT_TRUE(mesh.CreateSphere(1, 1, 6, 3, &material, 1));
    EXPECT_EQ(qxtest::Counts(mesh), "22 vertices 24 faces 0 open"); // 8 + 14, 6 + 18
    EXPECT_EQ(mesh.Vertices().Front(), firstOld);
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    unsigned int i = 0, wrong = 0;
    for (const CQxVertex& v : mesh.Vertices()) wrong += v.IsSelect() != (i++ >= 8);
    i = 0;
    for (const CQxFace& f : mesh.Faces()) {
        const bool isNew = i++ >= 6;
        wrong += f.IsSelect() != isNew || f.Attribute() != (isNew ? &material : nullptr);
        f.ForEachHalfEdge([&](CQxHalfEdge& h) { wrong += h.IsSelect() != isNew; });
    }
    EXPECT_EQ(wrong, 0u);

    // Without select, the selection stays as it was and the new elements are not selected.
    ASSERT_TRUE(mesh.CreatePlane(1, 1, 1, 1, 1, nullptr, 0));
    unsigned int selected = 0;
    for (const CQxVertex& v : mesh.Vertices()) selected += v.IsSelect();
    EXPECT_EQ(selected, 14u);
    EXPECT_EQ(mesh.Vertices().GetCount(), 26u);
}

TEST(MeshPrimitives, RefusalsLeaveTheMeshAsItWas) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const unsigned int big = CQxMesh::MaxDivisions + 1;
    CQxMesh mesh;
    ASSERT_TRUE(mesh.CreateTorus(0, 4, 1, 6, 4, nullptr, 1));
    ASSERT_TRUE(mesh.CreateAxes(1, 1, 7, 1, 2, 3));
    const Snapshot before = Take(mesh);

    for (int a : {0, 1}) {
        for (float bad : {0.0f, -1.0f, nan, std::numeric_limits<float>::infinity()}) {
            EXPECT_FALSE(mesh.CreateCube(a, bad, 1, 1, 1, 1, 1, nullptr, 1));
            EXPECT_FALSE(mesh.CreateSphere(a, bad, 8, 4, nullptr, 1));
            EXPECT_FALSE(mesh.CreateCylinder(a, 1, bad, 8, 1, nullptr, 1));
            EXPECT_FALSE(mesh.CreateCone(a, bad, 1, 8, 1, nullptr, 1));
            EXPECT_FALSE(mesh.CreateTorus(a, 4, bad, 8, 8, nullptr, 1));
            EXPECT_FALSE(mesh.CreatePlane(a, 1, bad, 1, 1, nullptr, 1));
            EXPECT_FALSE(mesh.CreateAxes(a, bad, 7, 1, 2, 3));
        }
        EXPECT_FALSE(mesh.CreateCube(a, 1, 1, 1, 1, 0, 1, nullptr, 1));
        EXPECT_FALSE(mesh.CreateCube(a, 1, 1, 1, big, 1, 1, nullptr, 1));
        EXPECT_FALSE(mesh.CreateCube(a, 1, 1, 1, 4096, 4096, 4096, nullptr, 1)); // too many faces
        EXPECT_FALSE(mesh.CreateSphere(a, 1, 2, 4, nullptr, 1));
        EXPECT_FALSE(mesh.CreateSphere(a, 1, 8, 1, nullptr, 1));
        EXPECT_FALSE(mesh.CreateCylinder(a, 1, 1, 2, 1, nullptr, 1));
        EXPECT_FALSE(mesh.CreateCone(a, 1, 1, big, 1, nullptr, 1));
        EXPECT_FALSE(mesh.CreateCone(a, 1, 1, 8, 0, nullptr, 1));
        EXPECT_FALSE(mesh.CreateAxes(a, 1, 8, 1, 2, 3));           // no axis bit
        EXPECT_FALSE(mesh.CreateTorus(a, 4, 4, 8, 8, nullptr, 1)); // the tube must fit inside
        EXPECT_FALSE(mesh.CreateTorus(a, 4, 1, 8, 2, nullptr, 1));
        EXPECT_FALSE(mesh.CreatePlane(a, 1, 1, 0, 1, nullptr, 1));
        EXPECT_FALSE(mesh.CreatePlane(a, 1, 1, 4096, 4096, nullptr, 1));
    }
    EXPECT_FALSE(mesh.CreateGrid(0, 10, QX_AXIS_Y, 0));
    EXPECT_FALSE(mesh.CreateGrid(100, nan, QX_AXIS_Y, 0));
    EXPECT_FALSE(mesh.CreateGrid(100, 10, static_cast<QX_AXIS_TYPE>(QX_AXIS_X | QX_AXIS_Y), 0));
    EXPECT_FALSE(mesh.CreateGrid(1e6f, 1, QX_AXIS_Y, 0)); // a million lines
    EXPECT_FALSE(mesh.CreateJoint(-2, 10, 0));
    EXPECT_FALSE(mesh.CreateJoint(2, 2, 0));
    EXPECT_TRUE(Take(mesh) == before);
    EXPECT_TRUE(QxTopologyIsSound(mesh));
}
