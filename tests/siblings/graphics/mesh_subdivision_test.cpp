#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <source_location>
#include <utility>
#include <vector>

#include "mesh_builders.h"
#include "qx/graphics/attribute.h"
#include "qx/graphics/mesh.h"
#include "topology_check.h"

namespace {

using qxtest::BuildMesh;
using qxtest::CountBoundarySides;

bool AllQuads(const CQxMesh& mesh) {
    return qxtest::CountCorners(mesh, 4) == mesh.Faces().GetCount();
}

std::vector<CQxVector> Positions(const CQxMesh& mesh) {
    std::vector<CQxVector> out;
    for (const CQxVertex& v : mesh.Vertices()) out.push_back(v.Position());
    return out;
}

// A repeatable stream of pseudo-random numbers below n.
auto RandomBelow(unsigned int seed) {
    return [random = std::mt19937(seed)](std::size_t n) mutable { return unsigned(random() % n); };
}

// A wavy grid of n x n quads over [0, 1]^2 with texture coordinates following the grid.
void BuildWavyGrid(CQxMesh& mesh, unsigned int n) {
    mesh.Clear();
    qxtest::AddGrid(mesh, n, [n](float i, float j) {
        const float x = i / float(n), z = j / float(n);
        return CQxVector(x, 0.1f * std::sin(6.0f * x) * std::cos(5.0f * z), z);
    });
    for (CQxFace& f : mesh.Faces())
        f.ForEachHalfEdge([](CQxHalfEdge& h) {
            h.AllocUV();
            h.UV().Set(h.GetVertex()->Position().x, h.GetVertex()->Position().z);
        });
}

// The derived meshes of `mesh` hold exactly what a fresh build at `level` gives, bit for bit.
void ExpectSameAsFresh(const CQxMesh& mesh, unsigned int level) {
    ASSERT_NE(mesh.GetSubdivisionMesh(), nullptr);
    CQxMesh fresh(mesh);
    ASSERT_EQ(fresh.SetSubdivisionLevel(level, 1), 1);
    EXPECT_TRUE(qxtest::SameMesh(*mesh.GetSubdivisionMesh(), *fresh.GetSubdivisionMesh()));
}

// Updates the derived meshes in place (the first derived vertex stays where it was) and checks
// them against a fresh build.
void ExpectUpdatedInPlace(CQxMesh& mesh, unsigned int level,
                          const std::source_location& at = std::source_location::current()) {
    const ::testing::ScopedTrace trace(at.file_name(), int(at.line()), "this update");
    const CQxVertex* firstVertex = mesh.GetSubdivisionMesh()->Vertices().Front();
    ASSERT_EQ(mesh.UpdateSubdivisionMeshes(1), 1);
    EXPECT_EQ(mesh.GetSubdivisionMesh()->Vertices().Front(), firstVertex) << "rebuilt instead of updated";
    ExpectSameAsFresh(mesh, level);
}

TEST(MeshSubdivision, CubeCountsClosedAndInsideItsCage) {
    CQxMesh cube;
    BuildMesh(cube, qxtest::CubePositions(), qxtest::CubeFaces());

    for (auto [level, counts] :
         {std::pair{1u, "26 vertices 24 faces 0 open"}, {2u, "98 vertices 96 faces 0 open"}}) {
        ASSERT_EQ(cube.SetSubdivisionLevel(level, 0), 1);
        const CQxMesh* sub = cube.GetSubdivisionMesh();
        ASSERT_NE(sub, nullptr);
        EXPECT_EQ(qxtest::Counts(*sub), counts) << "level " << level;
        EXPECT_TRUE(AllQuads(*sub)) << "level " << level;
        EXPECT_TRUE(QxTopologyIsSound(*sub));
    }
    const CQxMesh* two = cube.GetSubdivisionMesh();

    // Inside the cage, rounder than it, normals pointing out.
    const CQxVector centre(0.5f, 0.5f, 0.5f);
    float nearest = 1e9f, farthest = 0.0f;
    for (const CQxVertex& v : two->Vertices()) {
        for (float c : {v.Position().x, v.Position().y, v.Position().z}) {
            EXPECT_GT(c, 0.0f);
            EXPECT_LT(c, 1.0f);
        }
        const float d = (v.Position() - centre).GetLength();
        nearest = std::min(nearest, d);
        farthest = std::max(farthest, d);
        EXPECT_GT(v.Normal().GetDot(v.Position() - centre), 0.0f);
        EXPECT_NEAR(v.Normal().GetLength(), 1.0f, 1e-5f);
    }
    EXPECT_LT(farthest / nearest, 1.25f); // the cage's own ratio is sqrt(3)
    for (const CQxFace& f : two->Faces())
        EXPECT_GT(f.Normal().GetDot(f.GetCenter() - centre), 0.0f) << "face " << f.Index();

    // Subdividing in place twice gives the same surface as the display chain.
    CQxMesh baked(cube);
    ASSERT_EQ(baked.Subdivide(2, 0), 1);
    EXPECT_TRUE(QxTopologyIsSound(baked));
    EXPECT_EQ(qxtest::Counts(baked), "98 vertices 96 faces 0 open");
    EXPECT_EQ(Positions(baked), Positions(*two)); // normals may differ in the last bit
    EXPECT_EQ(baked.GetSubdivisionMesh(), nullptr);
}

TEST(MeshSubdivision, BoundariesStayCreases) {
    // A 2 x 1 strip with a bent outline: the corners of single faces stay, the middle boundary
    // vertices follow (6v + a + b) / 8, boundary edge points are midpoints.
    const std::vector<CQxVector> p = {{0, 0, 0}, {1, 0, -0.3f}, {2, 0, 0},
                                      {0, 0, 1}, {1, 0, 1.2f},  {2, 0, 1}};
    CQxMesh strip;
    BuildMesh(strip, p, {{0, 3, 4, 1}, {1, 4, 5, 2}});
    ASSERT_EQ(strip.SetSubdivisionLevel(1, 0), 1);
    const CQxMesh* sub = strip.GetSubdivisionMesh();
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(QxTopologyIsSound(*sub));
    const std::vector<CQxVector> q = Positions(*sub);
    ASSERT_EQ(q.size(), 6u + 2u + 7u);
    for (unsigned int corner : {0u, 2u, 3u, 5u}) EXPECT_EQ(q[corner], p[corner]) << "corner " << corner;
    const CQxVector bent = (p[1] * 6.0f + p[0] + p[2]) * 0.125f;
    EXPECT_NEAR(q[1].x, bent.x, 1e-6f);
    EXPECT_NEAR(q[1].z, bent.z, 1e-6f);
    // Six boundary sides became twelve; each boundary edge point is a midpoint of a cage side.
    EXPECT_EQ(CountBoundarySides(*sub), 12u);
    unsigned int midpoints = 0;
    for (unsigned int x = 8; x < q.size(); ++x)
        for (auto [a, b] : {std::pair{0, 1}, {1, 2}, {3, 4}, {4, 5}, {0, 3}, {2, 5}})
            midpoints += (q[x] - (p[a] + p[b]) * 0.5f).GetLength() < 1e-6f;
    EXPECT_EQ(midpoints, 6u);

    // A single quad keeps its corners at every level; everything stays in its plane.
    CQxMesh quad;
    BuildMesh(quad, {{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}}, {{0, 1, 2, 3}});
    ASSERT_EQ(quad.Subdivide(3, 0), 1);
    EXPECT_EQ(qxtest::Counts(quad), "81 vertices 64 faces 32 open");
    EXPECT_TRUE(QxTopologyIsSound(quad));
    const std::vector<CQxVector> r = Positions(quad);
    EXPECT_EQ(r[0], CQxVector(0, 0, 0));
    EXPECT_EQ(r[2], CQxVector(1, 0, 1));
    for (const CQxVector& v : r) EXPECT_EQ(v.y, 0.0f);
}

TEST(MeshSubdivision, MixedAndBrokenInput) {
    // Triangle, quad and pentagon around a shared vertex (vertex 1 is used by none), plus faces
    // that are no polygons.
    const std::vector<CQxVector> p = {{0, 0, 0},  {1, 0, 0},   {1, 0, 1},  {0, 0, 1}, {-1, 0, 1},
                                      {-1, 0, 0}, {-1, 0, -1}, {0, 0, -1}, {1, 0, -1}};
    CQxMesh mesh;
    BuildMesh(mesh, p, {{0, 2, 3}, {0, 3, 4, 5}, {0, 5, 6, 7, 8}, {0, 1}, {3, 4, 3}});
    ASSERT_EQ(mesh.SetSubdivisionLevel(1, 0), 1);
    const CQxMesh* sub = mesh.GetSubdivisionMesh();
    ASSERT_NE(sub, nullptr);
    // 9 vertex points, 3 face points, 10 edge points; 3 + 4 + 5 quads; boundary sides doubled.
    EXPECT_EQ(qxtest::Counts(*sub), "22 vertices 12 faces 16 open");
    EXPECT_TRUE(AllQuads(*sub));
    EXPECT_TRUE(QxTopologyIsSound(*sub));

    // In place, the broken faces stay as they were, at their list positions.
    ASSERT_EQ(mesh.Subdivide(1, 0), 1);
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    EXPECT_EQ(mesh.Faces().GetCount(), 12u + 2u);
    const CQxFace* last = mesh.Faces().Back();
    EXPECT_EQ(qxtest::CornerIndices(mesh, *last), (std::vector<unsigned int>{3, 4, 3}));

    // A closed prism with octagon caps: every side still mated after subdividing.
    std::vector<CQxVector> ring;
    qxtest::FaceList prism(2);
    for (unsigned int i = 0; i < 8; ++i) {
        const float a = 0.785398f * float(i);
        ring.emplace_back(std::cos(a), 0.0f, std::sin(a));
        ring.emplace_back(std::cos(a), 1.0f, std::sin(a));
        prism[0].push_back(2 * i);
        prism[1].insert(prism[1].begin(), 2 * i + 1);
        prism.push_back({2 * i, 2 * i + 1, 2 * ((i + 1) % 8) + 1, 2 * ((i + 1) % 8)});
    }
    CQxMesh closed;
    BuildMesh(closed, ring, prism);
    ASSERT_EQ(CountBoundarySides(closed), 0u);
    ASSERT_EQ(closed.SetSubdivisionLevel(1, 0), 1);
    // 16 vertex points, 10 face points, 24 edge points.
    EXPECT_EQ(qxtest::Counts(*closed.GetSubdivisionMesh()), "50 vertices 48 faces 0 open");
    EXPECT_TRUE(QxTopologyIsSound(*closed.GetSubdivisionMesh()));

    // Three faces on one edge, and two faces wound against each other: no crash, sound result.
    CQxMesh fin;
    BuildMesh(fin, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {1, 1, 1}, {1, 2, 0}},
              {{0, 1, 2}, {0, 1, 3}, {1, 0, 4}, {2, 5, 6}, {2, 5, 4}});
    ASSERT_EQ(fin.SetSubdivisionLevel(2, 1), 1);
    ASSERT_NE(fin.GetSubdivisionMesh(), nullptr);
    EXPECT_TRUE(QxTopologyIsSound(*fin.GetSubdivisionMesh()));
    ASSERT_EQ(fin.Subdivide(2, 1), 1);
    EXPECT_TRUE(QxTopologyIsSound(fin));
    for (const CQxVertex& v : fin.Vertices()) EXPECT_TRUE(v.Position().IsFinite()) << "vertex " << v.Index();
}

TEST(MeshSubdivision, FaceVaryingDataAndFaceSettings) {
    // Two quads side by side; their UVs meet along the shared side only when `seam` is off.
    CQxAttribute red("red"), blue("blue");
    for (int seam = 0; seam < 2; ++seam) {
        CQxMesh mesh;
        BuildMesh(mesh, {{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {2, 0, 1}, {2, 0, 0}},
                  {{0, 1, 2, 3}, {3, 2, 4, 5}});
        CQxFace* a = mesh.Faces().Front();
        CQxFace* b = mesh.Faces().Back();
        a->Attribute() = &red;
        b->Attribute() = &blue;
        b->SetShade(0);
        for (CQxFace* f : {a, b})
            f->ForEachHalfEdge([&](CQxHalfEdge& h) {
                const CQxVector& q = h.GetVertex()->Position();
                h.AllocUV();
                h.UV().Set(q.x + (seam && f == b ? 5.0f : 0.0f), q.z);
            });
        a->GetHalfEdge()->Color() = 0xFF0000FF; // corner at vertex 0
        a->GetHalfEdge()->Next()->Color() = 0xFF000001;

        ASSERT_EQ(mesh.SetSubdivisionLevel(1, 1), 1);
        const CQxMesh* sub = mesh.GetSubdivisionMesh();
        ASSERT_NE(sub, nullptr);
        // The edge point of the shared side (cage vertices 2, 3): its UV in each face.
        const CQxVector mid(1, 0, 0.5f);
        std::vector<CQxVector2D> uvs;
        for (const CQxFace& f : sub->Faces()) {
            EXPECT_EQ(f.Attribute(), f.Index() < 4 ? &red : &blue);
            EXPECT_EQ(f.IsShade() != 0, f.Index() < 4);
            f.ForEachHalfEdge([&](CQxHalfEdge& h) {
                EXPECT_TRUE(h.HasUV());
                if ((h.GetVertex()->Position() - mid).GetLength() < 1e-6f) uvs.push_back(h.UV());
            });
        }
        // Two corners on each side: across a seam each face keeps its own midpoint.
        ASSERT_EQ(uvs.size(), 4u);
        unsigned int shifted = 0;
        for (const CQxVector2D& uv : uvs) {
            const bool inB = uv.x > 2.0f;
            shifted += inB;
            EXPECT_FLOAT_EQ(uv.x, 1.0f + (inB ? 5.0f : 0.0f));
            EXPECT_FLOAT_EQ(uv.y, 0.5f);
        }
        EXPECT_EQ(shifted, seam ? 2u : 0u);
        // Colours: the corner keeps its own, the side's midpoint mixes the two ends.
        const CQxHalfEdge* first = sub->Faces().Front()->GetHalfEdge();
        EXPECT_EQ(first->Color(), 0xFF0000FFu);
        EXPECT_EQ(first->Next()->Color(), 0xFF000080u);
        EXPECT_EQ(first->Next()->UV().x, 0.0f);
        EXPECT_FLOAT_EQ(first->Next()->UV().y, 0.5f);
        EXPECT_FLOAT_EQ(first->Next()->Next()->UV().x, 0.5f); // face centre
    }
}

TEST(MeshSubdivision, GridDragsMatchRebuild) {
    // A small cage, and one big enough that the comparison and every pass of the update run on
    // two threads.
    for (unsigned int n : {24u, 130u}) {
        SCOPED_TRACE(testing::Message() << n << " x " << n << " grid");
        CQxMesh mesh;
        BuildWavyGrid(mesh, n);
        mesh.Vertices().PushBack(new CQxVertex(CQxVector(5, 5, 5))); // used by no face
        ASSERT_EQ(mesh.SetSubdivisionLevel(2, 1), 1);
        const CQxMesh* sub = mesh.GetSubdivisionMesh();
        std::vector<CQxVertex*> vertices = qxtest::VertexArray(mesh);
        std::vector<CQxFace*> faces = qxtest::FaceArray(mesh);
        auto next = RandomBelow(777);
        auto moveSome = [&] {
            for (std::size_t i = 0; i < vertices.size() / 100; ++i)
                vertices[next(vertices.size())]->Position() +=
                    CQxVector(0.001f * float(next(9)), 0.01f, -0.002f * float(next(5)));
        };

        // A few vertices (the sparse path), among them a boundary corner and the unused vertex.
        for (unsigned int i = 0; i < vertices.size(); i += 97)
            vertices[i]->Position() += CQxVector(0.01f, 0.2f, -0.03f);
        vertices[n]->Position() += CQxVector(0.01f, 0.2f, -0.03f);
        vertices.back()->Position() += CQxVector(0.01f, 0.2f, -0.03f);
        ExpectUpdatedInPlace(mesh, 2);
        EXPECT_EQ(mesh.GetSubdivisionMesh(), sub);

        // Every vertex (the full pass), then 1% at random with the texture coordinates of 40
        // faces, one corner's and a colour.
        mesh.OffsetVertices(CQxVector(1, 2, 3));
        ExpectUpdatedInPlace(mesh, 2);
        moveSome();
        for (int i = 0; i < 40; ++i)
            faces[next(faces.size())]->ForEachHalfEdge(
                [](CQxHalfEdge& h) { h.UV() += CQxVector2D(0.03125f, 0.0f); });
        faces[100]->GetHalfEdge()->UV() += CQxVector2D(0.25f, 0.0f); // one corner off its neighbours
        faces[100]->GetHalfEdge()->Next()->Color() = 0x80402010;
        ExpectUpdatedInPlace(mesh, 2);

        // Moves with a changed face flag: the face side asks for a rebuild after the vertex side
        // refined.
        moveSome();
        faces[faces.size() - 3]->SetShade(0);
        ASSERT_EQ(mesh.UpdateSubdivisionMeshes(1), 1);
        ExpectSameAsFresh(mesh, 2);
        EXPECT_TRUE(QxTopologyIsSound(*mesh.GetSubdivisionMesh()));

        // A changed topology is noticed and rebuilt.
        mesh.Faces().PopBack();
        mesh.UpdateHalfEdgeMates();
        ASSERT_EQ(mesh.UpdateSubdivisionMeshes(1), 1);
        EXPECT_EQ(mesh.GetSubdivisionMesh()->Faces().GetCount(), (n * n - 1) * 16);
        EXPECT_TRUE(QxTopologyIsSound(*mesh.GetSubdivisionMesh()));
    }
}

TEST(MeshSubdivision, ScatteredDragsMatchRebuild) {
    // Round primitives (UV seams, triangle fans at the poles and caps, so a mixed cage), a fin of
    // three faces on one edge (a crease inside the mesh), a flat face and an unused vertex.
    CQxMesh mesh;
    ASSERT_EQ(mesh.CreateCylinder(0, 2.0f, 3.0f, 24, 5, nullptr, 0), 1);
    ASSERT_EQ(mesh.CreateSphere(1, 1.5f, 20, 12, nullptr, 0), 1);
    qxtest::AddFaces(mesh, {{4, 0, 0}, {5, 0, 0}, {4, 1, 0}, {4, -1, 0}, {4, 0, 1}, {6, 1, 1}},
                     {{0, 1, 2}, {0, 1, 3}, {1, 0, 4}, {2, 5, 4}});
    mesh.Faces().GetAt(30)->SetShade(0);
    mesh.Vertices().PushBack(new CQxVertex(CQxVector(9, 9, 9)));
    mesh.UpdateIndices();
    ASSERT_EQ(mesh.SetSubdivisionLevel(3, 1), 1);
    const CQxMesh* sub = mesh.GetSubdivisionMesh();
    ASSERT_NE(sub, nullptr);

    std::vector<CQxVertex*> vertices = qxtest::VertexArray(mesh);
    std::vector<CQxFace*> faces = qxtest::FaceArray(mesh);
    auto next = RandomBelow(12345);
    auto moveSome = [&](unsigned int count) {
        for (unsigned int i = 0; i < count; ++i) {
            CQxVertex* v = vertices[next(vertices.size())];
            v->Position() += CQxVector(0.01f * float(next(7)), -0.02f, 0.005f * float(next(5)));
        }
    };

    // Rounds of a few scattered moves, some with a face's texture coordinates (a new seam) and a
    // colour changed; then a run of neighbours with the unused vertex; then half the cage.
    for (int round = 0; round < 4; ++round) {
        moveSome(6);
        if (round & 1) {
            CQxFace* f = faces[next(faces.size())];
            f->GetHalfEdge()->Color() = 0xFF000000u | next(0xFFFFFF);
            f->ForEachHalfEdge([&](CQxHalfEdge& h) {
                if (h.HasUV()) h.UV() += CQxVector2D(0.125f, -0.0625f);
            });
        }
        ExpectUpdatedInPlace(mesh, 3);
        EXPECT_EQ(mesh.GetSubdivisionMesh(), sub);
    }
    for (unsigned int i = 0; i < 12; ++i) vertices[100 + i]->Position().y += 0.05f;
    vertices.back()->Position().x += 1.0f;
    ExpectUpdatedInPlace(mesh, 3);
    moveSome(static_cast<unsigned int>(vertices.size()) / 2);
    ExpectUpdatedInPlace(mesh, 3);

    // A level-1 chain reads the mixed cage's tables directly.
    ASSERT_EQ(mesh.SetSubdivisionLevel(1, 1), 1);
    moveSome(5);
    ExpectUpdatedInPlace(mesh, 1);
}

TEST(MeshSubdivision, LevelsClearingAndEmptyMeshes) {
    CQxMesh cube;
    BuildMesh(cube, qxtest::CubePositions(), qxtest::CubeFaces());
    const CQxMesh before(cube);

    EXPECT_EQ(cube.Subdivide(0, 1), 1);
    EXPECT_TRUE(qxtest::SameMesh(cube, before));

    ASSERT_EQ(cube.SetSubdivisionLevel(2, 0), 1);
    EXPECT_EQ(cube.SetSubdivisionLevel(0, 0), 1);
    EXPECT_EQ(cube.GetSubdivisionMesh(), nullptr);
    EXPECT_EQ(cube.UpdateSubdivisionMeshes(0), 0);

    // Sizes that cannot be built are refused and change nothing.
    ASSERT_EQ(cube.SetSubdivisionLevel(1, 0), 1);
    const CQxMesh* kept = cube.GetSubdivisionMesh();
    EXPECT_EQ(cube.SetSubdivisionLevel(40, 0), 0);
    EXPECT_EQ(cube.GetSubdivisionLevel(), 1u);
    EXPECT_EQ(cube.GetSubdivisionMesh(), kept);
    EXPECT_EQ(cube.Subdivide(40, 0), 0);
    EXPECT_TRUE(qxtest::SameMesh(cube, before));
    cube.Clear();
    EXPECT_EQ(cube.GetSubdivisionMesh(), nullptr);

    CQxMesh empty;
    EXPECT_EQ(empty.SetSubdivisionLevel(2, 1), 1);
    EXPECT_EQ(empty.GetSubdivisionMesh(), nullptr);
    EXPECT_EQ(empty.UpdateSubdivisionMeshes(1), 1);
    EXPECT_EQ(empty.Subdivide(3, 1), 1);
    EXPECT_TRUE(empty.IsEmpty());
    // Faces added later show up at the next update.
    BuildMesh(empty, qxtest::CubePositions(), qxtest::CubeFaces());
    EXPECT_EQ(empty.UpdateSubdivisionMeshes(1), 1);
    ASSERT_NE(empty.GetSubdivisionMesh(), nullptr);
    EXPECT_EQ(empty.GetSubdivisionMesh()->Faces().GetCount(), 96u);
}

TEST(MeshSubdivision, InPlaceKeepsVerticesAndBlendsBones) {
    CQxMesh mesh;
    BuildMesh(mesh, {{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}}, {{0, 1, 2, 3}});
    CQxVertex* corner = mesh.Vertices().Front();
    mesh.Edges().PushBack(new CQxEdge(corner, mesh.Vertices().Back(), 0));
    mesh.Faces().Front()->IsSelect() = 1;
    unsigned char bone = 0;
    for (CQxVertex& v : mesh.Vertices()) {
        v.AllocBones();
        v.Bones()->Indices[0] = bone++;
        v.Bones()->Weights[0] = 1.0f;
    }
    ASSERT_EQ(mesh.Subdivide(1, 0), 1);
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    EXPECT_EQ(mesh.Vertices().Front(), corner);
    EXPECT_EQ(mesh.Edges().Front()->Vertex(0), corner);
    EXPECT_EQ(mesh.Vertices().GetCount(), 9u);
    for (const CQxFace& f : mesh.Faces()) EXPECT_EQ(f.IsSelect(), 1) << "face " << f.Index();
    // The face point takes all four bones evenly; weights still sum to one everywhere.
    const CQxVertexBones* centre = mesh.Vertices().GetAt(4)->Bones();
    ASSERT_NE(centre, nullptr);
    for (float w : centre->Weights) EXPECT_FLOAT_EQ(w, 0.25f);
    for (const CQxVertex& v : mesh.Vertices()) {
        ASSERT_TRUE(v.HasBones());
        const float* w = v.Bones()->Weights;
        EXPECT_FLOAT_EQ(w[0] + w[1] + w[2] + w[3], 1.0f);
    }
}

} // namespace
