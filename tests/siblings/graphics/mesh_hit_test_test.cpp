#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <random>
#include <unordered_map>

#include "mesh_builders.h"
#include "qx/graphics/viewport.h"
#include "topology_check.h"

namespace {

using qxtest::AddFaces;

// A 640 x 480 view through a 60 degree perspective camera (near 1, far 100).
struct Camera {
    CQxViewPort Viewport{0, 0, 640, 480};
    CQxMatrix World, View, Projection;

    explicit Camera(const CQxVector& eye = CQxVector(0, 0, 10), const CQxVector& at = CQxVector()) {
        View.SetLookAtR(eye, at, CQxVector(0, 1, 0));
        Projection.SetPerspectiveFovR(3.14159265f / 3.0f, 640.0f / 480.0f, 1.0f, 100.0f);
    }
    CQxVector Screen(const CQxVector& p) const {
        return (World * View * Projection * Viewport.GetScreenMatrix()).TransformCoord(p);
    }
    CQxPoint Pixel(const CQxVector& p) const {
        const CQxVector s = Screen(p);
        return CQxPoint(static_cast<int>(std::lround(s.x)), static_cast<int>(std::lround(s.y)));
    }
    int Pick(const CQxMesh& mesh, unsigned int mask, const CQxPoint& point, CQxMeshHit& hit,
             float& best) const {
        return mesh.IsPointHit(mask, point, best, Viewport, World, View, Projection, hit);
    }
    // A pick from scratch (best at its largest).
    int Pick(const CQxMesh& mesh, unsigned int mask, const CQxPoint& point, CQxMeshHit& hit) const {
        float best = FLT_MAX;
        hit = CQxMeshHit();
        return Pick(mesh, mask, point, hit, best);
    }
    int Rect(const CQxMesh& mesh, unsigned int mask, const CQxRect& r, CQxMeshHits& hits) const {
        return mesh.IsRectHit(mask, r, Viewport, World, View, Projection, hits);
    }
    int Circle(const CQxMesh& mesh, const CQxPoint& centre, float radius, CQxArray<CQxVertex*>& found,
               CQxArray<float>& falloffs) const {
        return mesh.IsCircleHit(centre, radius, Viewport, World, View, Projection, found, falloffs);
    }
    CQxArray<CQxVector> ScreenPositions(const CQxMesh& mesh) const {
        CQxArray<CQxVector> screen;
        mesh.GetScreenVertexPositions(screen, Viewport, World, View, Projection);
        return screen;
    }
    CQxRect Around(const CQxVector& a, const CQxVector& b) const {
        CQxRect r(Pixel(a), Pixel(b));
        r.NormalizeRect();
        return r;
    }
};

std::vector<CQxVector> Square(float half, float z, float cx = 0.0f) {
    return {{cx - half, -half, z}, {cx + half, -half, z}, {cx + half, half, z}, {cx - half, half, z}};
}

// n x n unit quads in the plane z = 0 centred on the origin, facing +Z; vertex (i, j) is number
// i + (n + 1) j.
std::vector<CQxVertex*> AddGrid(CQxMesh& mesh, unsigned int n) {
    const float half = 0.5f * float(n);
    qxtest::AddGrid(
        mesh, n, [half](float i, float j) { return CQxVector(i - half, j - half, 0.0f); }, true);
    return qxtest::VertexArray(mesh);
}

::testing::AssertionResult Near(const CQxVector& a, const CQxVector& b, float eps = 1e-3f) {
    if (a.IsEqual(b, eps)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") is not near ("
                                         << b.x << ", " << b.y << ", " << b.z << ")";
}

// A fresh mesh, the default camera and the records every kind of pick fills.
class MeshHit : public ::testing::Test {
protected:
    Camera cam;
    CQxMesh mesh;
    CQxMeshHit hit;
    CQxMeshHits hits;
    CQxArray<CQxVertex*> found;
    CQxArray<float> falloffs;
};

TEST_F(MeshHit, PointPickTakesTheFrontFaceAndLowersBest) {
    // The larger back quad comes first, so list order cannot decide.
    CQxFace* back = AddFaces(mesh, Square(2.0f, -1.0f), {{0, 1, 2, 3}});
    CQxFace* front = AddFaces(mesh, Square(1.0f, 1.0f), {{0, 1, 2, 3}});
    const CQxPoint centre(320, 240);
    float best = FLT_MAX;
    ASSERT_TRUE(cam.Pick(mesh, QX_HIT_FACE, centre, hit, best));
    EXPECT_EQ(hit.Face, front);
    EXPECT_TRUE(Near(hit.Position, CQxVector(0, 0, 1)));
    EXPECT_TRUE(best > 0.0f && best < 1.0f);
    const float frontDepth = best;
    // Nothing farther than the lowered best; a miss leaves hit and best alone.
    CQxMeshHit again;
    EXPECT_FALSE(cam.Pick(mesh, QX_HIT_FACE, centre, again, best));
    EXPECT_EQ(again.Face, nullptr);
    EXPECT_EQ(best, frontDepth);

    // Where only the back quad is, it is hit, farther away; not past a nearer best.
    const CQxPoint outer = cam.Pixel(CQxVector(1.5f, 1.5f, -1.0f));
    best = FLT_MAX;
    ASSERT_TRUE(cam.Pick(mesh, QX_HIT_FACE, outer, hit, best));
    EXPECT_EQ(hit.Face, back);
    EXPECT_TRUE(Near(hit.Position, CQxVector(1.5f, 1.5f, -1.0f), 0.05f));
    EXPECT_GT(best, frontDepth);
    best = frontDepth;
    EXPECT_FALSE(cam.Pick(mesh, QX_HIT_FACE, outer, hit, best));

    EXPECT_FALSE(cam.Pick(mesh, QX_HIT_FACE, CQxPoint(5, 5), hit));
    EXPECT_FALSE(cam.Pick(mesh, 0, centre, hit));
    // Seen from behind, the back quad is in front and is hit although it faces away.
    ASSERT_TRUE(Camera(CQxVector(0, 0, -10)).Pick(mesh, QX_HIT_FACE, centre, hit));
    EXPECT_EQ(hit.Face, back);
}

TEST_F(MeshHit, MaskKindsPriorityAndHiding) {
    CQxFace* front = AddFaces(mesh, Square(1.0f, 1.0f), {{0, 1, 2, 3}});
    AddFaces(mesh, Square(0.5f, -1.0f), {{0, 1, 2, 3}}); // behind the front quad
    CQxVertex* corner = front->GetHalfEdgeAt(2)->GetVertex();
    ASSERT_TRUE(Near(corner->Position(), CQxVector(1, 1, 1)));

    // Two pixels inside the corner: near the vertex and two sides, and inside the face.
    CQxPoint p = cam.Pixel(corner->Position());
    p.x -= 2;
    p.y += 2;
    ASSERT_TRUE(cam.Pick(mesh, QX_HIT_VERTEX | QX_HIT_SIDE | QX_HIT_FACE, p, hit));
    EXPECT_EQ(hit.Vertex, corner);
    EXPECT_EQ(hit.Face, nullptr);
    EXPECT_EQ(hit.Position, corner->Position());
    ASSERT_TRUE(cam.Pick(mesh, QX_HIT_SIDE | QX_HIT_FACE, p, hit));
    ASSERT_NE(hit.HalfEdge, nullptr);
    EXPECT_EQ(hit.HalfEdge->GetFace(), front);
    ASSERT_TRUE(cam.Pick(mesh, QX_HIT_FACE, p, hit));
    EXPECT_EQ(hit.Face, front);
    EXPECT_FALSE(cam.Pick(mesh, QX_HIT_EDGE, p, hit)); // no free edges

    // The small quad's corner is hidden by the front quad, whatever the mask asks for.
    const CQxPoint hidden = cam.Pixel(CQxVector(0.5f, 0.5f, -1.0f));
    EXPECT_FALSE(cam.Pick(mesh, QX_HIT_VERTEX, hidden, hit));
    CQxMesh alone;
    AddFaces(alone, Square(0.5f, -1.0f), {{0, 1, 2, 3}});
    ASSERT_TRUE(cam.Pick(alone, QX_HIT_VERTEX, hidden, hit));
    EXPECT_TRUE(Near(hit.Vertex->Position(), CQxVector(0.5f, 0.5f, -1.0f)));

    // A square cut along its diagonal: the half-edge is the side seen from the face under the
    // point; as an outline either half-edge of the side will do.
    CQxMesh cut;
    CQxFace* t1 = AddFaces(cut, Square(1.0f, 0.0f), {{0, 1, 2}, {0, 2, 3}});
    auto onDiagonal = [](const CQxHalfEdge* h) {
        return h && Near(h->GetVertex()->Position() + h->GetEndVertex()->Position(), CQxVector());
    };
    const CQxPoint right = cam.Pixel(CQxVector(0.05f, -0.05f, 0)),
                   left = cam.Pixel(CQxVector(-0.05f, 0.05f, 0));
    ASSERT_TRUE(cam.Pick(cut, QX_HIT_HALFEDGE | QX_HIT_FACE, right, hit));
    EXPECT_TRUE(onDiagonal(hit.HalfEdge));
    EXPECT_EQ(hit.HalfEdge->GetFace(), t1);
    EXPECT_NEAR(hit.Position.x, -hit.Position.y, 1e-3f);
    ASSERT_TRUE(cam.Pick(cut, QX_HIT_HALFEDGE, left, hit));
    EXPECT_EQ(hit.HalfEdge->GetFace(), t1->Next());
    ASSERT_TRUE(cam.Pick(cut, QX_HIT_SIDE, left, hit));
    EXPECT_TRUE(onDiagonal(hit.HalfEdge));
    EXPECT_FALSE(cam.Pick(cut, QX_HIT_HALFEDGE | QX_HIT_SIDE, cam.Pixel(CQxVector(0.5f, -0.3f, 0)), hit));
}

// What a rectangle holds is checked against the screen positions on a large mesh below; here
// its borders, empty rectangles and the old hits it clears.
TEST_F(MeshHit, RectangleBordersAndEmptyRectangles) {
    AddGrid(mesh, 3);
    ASSERT_TRUE(cam.Rect(mesh, 31, cam.Around(CQxVector(-0.9f, -0.9f, 0), CQxVector(0.9f, 0.9f, 0)), hits));
    ASSERT_EQ(hits.Faces.GetSize(), 1u);
    EXPECT_FALSE(cam.Rect(mesh, 31, CQxRect(300, 200, 300, 280), hits)); // empty
    EXPECT_FALSE(cam.Rect(mesh, 31, CQxRect(0, 0, 40, 40), hits));
    EXPECT_TRUE(hits.IsEmpty());

    // The origin lands exactly on pixel (320, 240): inside on the left and top edges of a
    // rectangle, outside on the right and bottom ones.
    CQxMesh dot;
    dot.Vertices().PushBack(new CQxVertex(CQxVector()));
    EXPECT_TRUE(cam.Rect(dot, QX_HIT_VERTEX, CQxRect(320, 240, 340, 260), hits));
    EXPECT_FALSE(cam.Rect(dot, QX_HIT_VERTEX, CQxRect(300, 220, 320, 260), hits)) << "on the right edge";
    EXPECT_FALSE(cam.Rect(dot, QX_HIT_VERTEX, CQxRect(300, 220, 340, 240), hits)) << "on the bottom edge";
}

TEST_F(MeshHit, NothingBehindTheEyeOrBeyondTheFarPlane) {
    AddGrid(mesh, 3);
    const CQxRect all(0, 0, 640, 480);
    // Looking away from the grid, whose mirror image would fill the view; and from too far.
    for (const Camera& cam :
         {Camera(CQxVector(0, 0, 10), CQxVector(0, 0, 20)), Camera(CQxVector(0, 0, 150))}) {
        for (int y = 0; y < 480; y += 40)
            for (int x = 0; x < 640; x += 40)
                EXPECT_FALSE(cam.Pick(mesh, 31, CQxPoint(x, y), hit)) << x << "," << y;
        EXPECT_FALSE(cam.Rect(mesh, 31, all, hits));
    }
    Camera away(CQxVector(0, 0, 10), CQxVector(0, 0, 20));
    EXPECT_FALSE(away.Circle(mesh, CQxPoint(320, 240), 400.0f, found, falloffs));
    const CQxArray<CQxVector> screen = away.ScreenPositions(mesh);
    ASSERT_EQ(screen.GetSize(), 16u);
    EXPECT_EQ(screen[0].z, -FLT_MAX);

    // A floor and a free line running from in front of the eye to behind it are clipped at the
    // near plane and hit where they are seen.
    CQxMesh floor;
    AddFaces(floor, {{-50, -1, 50}, {50, -1, 50}, {50, -1, -50}, {-50, -1, -50}}, {{0, 1, 2, 3}});
    auto* a = new CQxVertex(CQxVector(0.5f, -1, 50));
    auto* b = new CQxVertex(CQxVector(0.5f, -1, -50));
    floor.Vertices().PushBack(a);
    floor.Vertices().PushBack(b);
    floor.Edges().PushBack(new CQxEdge(a, b, 0));
    ASSERT_TRUE(cam.Pick(floor, QX_HIT_FACE, CQxPoint(320, 400), hit));
    EXPECT_EQ(hit.Face, floor.Faces().Front());
    EXPECT_TRUE(Near(cam.Screen(hit.Position), CQxVector(320, 400, cam.Screen(hit.Position).z), 0.5f));
    EXPECT_NEAR(hit.Position.y, -1.0f, 1e-3f);
    ASSERT_TRUE(cam.Pick(floor, QX_HIT_EDGE, cam.Pixel(CQxVector(0.5f, -1, 5)), hit));
    EXPECT_EQ(hit.Edge, floor.Edges().Front());
    EXPECT_NEAR(hit.Position.z, 5.0f, 0.2f);
    // A rectangle needs every corner in view.
    EXPECT_FALSE(cam.Rect(floor, QX_HIT_FACE, all, hits));
}

TEST_F(MeshHit, BoneMatricesDeformWhatIsHit) {
    CQxFace* quad = AddFaces(mesh, Square(0.5f, 0.0f), {{0, 1, 2, 3}});
    for (CQxVertex& v : mesh.Vertices()) {
        ASSERT_TRUE(v.AllocBones());
        v.Bones()->Indices[0] = 1;
        v.Bones()->Weights[0] = 1.0f;
    }
    CQxArray<CQxMatrix> bones{CQxMatrix(), CQxMatrix()};
    bones[1].SetTranslate(CQxVector(3, 0, 0));

    float best = FLT_MAX;
    ASSERT_TRUE(mesh.IsPointHit(QX_HIT_FACE, cam.Pixel(CQxVector(3, 0, 0)), best, cam.Viewport, bones,
                                cam.View, cam.Projection, hit));
    EXPECT_EQ(hit.Face, quad);
    EXPECT_TRUE(Near(hit.Position, CQxVector(), 0.02f)); // in the mesh's own space
    best = FLT_MAX;
    EXPECT_FALSE(mesh.IsPointHit(QX_HIT_FACE, CQxPoint(320, 240), best, cam.Viewport, bones, cam.View,
                                 cam.Projection, hit));
    EXPECT_TRUE(cam.Pick(mesh, QX_HIT_FACE, CQxPoint(320, 240), hit)); // the rest shape
    const CQxRect around = cam.Around(CQxVector(2.2f, 0.8f, 0), CQxVector(3.8f, -0.8f, 0));
    ASSERT_TRUE(mesh.IsRectHit(QX_HIT_FACE, around, cam.Viewport, bones, cam.View, cam.Projection, hits));
    EXPECT_EQ(hits.Faces.GetSize(), 1u);

    // Blended influences, a slot naming a missing bone, and a vertex without bone data (bone 0).
    CQxVertexBones* blend = mesh.Vertices().Front()->Bones();
    *blend = CQxVertexBones{{1, 0, 9, 0}, {0.5f, 0.5f, 1.0f, 0.0f}};
    mesh.Vertices().GetAt(1)->FreeBones();
    bones[0].SetTranslate(CQxVector(0, 2, 0));
    CQxArray<CQxVector> screen;
    mesh.GetScreenVertexPositions(screen, cam.Viewport, bones, cam.View, cam.Projection);
    const CQxVector offsets[4] = {{1.5f, 1, 0}, {0, 2, 0}, {3, 0, 0}, {3, 0, 0}};
    ASSERT_EQ(screen.GetSize(), 4u);
    for (unsigned int i = 0; i < 4; ++i)
        EXPECT_TRUE(Near(screen[i], cam.Screen(mesh.Vertices().GetAt(i)->Position() + offsets[i]), 1e-2f))
            << i;
    // With no bones at all the mesh stays as it is.
    mesh.GetScreenVertexPositions(screen, cam.Viewport, CQxArray<CQxMatrix>(), cam.View, cam.Projection);
    EXPECT_TRUE(Near(screen[3], cam.Screen(mesh.Vertices().Back()->Position()), 1e-2f));
}

TEST_F(MeshHit, CircleFalloffFollowsScreenDistance) {
    const std::vector<CQxVertex*> v = AddGrid(mesh, 3);
    const CQxArray<CQxVector> screen = cam.ScreenPositions(mesh);
    const CQxPoint centre = cam.Pixel(v[5]->Position());
    // Neighbours are about 41.6 pixels apart: a 30 pixel brush holds one vertex, 45 pixels the
    // four nearest neighbours too, but not the diagonal ones.
    for (float radius : {30.0f, 45.0f}) {
        ASSERT_TRUE(cam.Circle(mesh, centre, radius, found, falloffs));
        const std::vector<unsigned int> expected =
            radius < 40.0f ? std::vector<unsigned int>{5} : std::vector<unsigned int>{1, 4, 5, 6, 9};
        ASSERT_EQ(found.GetSize(), expected.size());
        for (unsigned int k = 0; k < expected.size(); ++k) {
            const unsigned int i = expected[k];
            EXPECT_EQ(found[k], v[i]);
            EXPECT_NEAR(falloffs[k],
                        1.0f - std::hypot(screen[i].x - centre.x, screen[i].y - centre.y) / radius, 1e-4f);
        }
    }
    EXPECT_FALSE(cam.Circle(mesh, centre, 0.0f, found, falloffs));
    EXPECT_TRUE(found.IsEmpty() && falloffs.IsEmpty());
}

TEST_F(MeshHit, UVPointAndRectangleOnSelectedFaces) {
    CQxFace* shown = AddFaces(mesh, Square(1.0f, 0.0f), {{0, 1, 2, 3}});
    CQxFace* other = AddFaces(mesh, Square(1.0f, 0.0f, 3.0f), {{0, 1, 2, 3}});
    const CQxVector2D uv[4] = {{0, 0}, {0.5f, 0}, {0.5f, 0.5f}, {0, 0.5f}};
    int k = 0;
    shown->ForEachHalfEdge([&](CQxHalfEdge& h) { h.AllocUV(), h.UV() = uv[k++]; });
    other->ForEachHalfEdge([&](CQxHalfEdge& h) { h.AllocUV(), h.UV() = CQxVector2D(0.25f, 0.25f); });
    shown->IsSelect() = 1;

    // A 200 x 100 view: (0.5, 0.5) is pixel (100, 50).
    CQxHalfEdge* hit = nullptr;
    float best = FLT_MAX;
    ASSERT_TRUE(mesh.IsUVPointHit(CQxPoint(101, 50), 200, 100, best, hit));
    EXPECT_EQ(hit, shown->GetHalfEdgeAt(2));
    EXPECT_NEAR(best, 1.0f, 1e-5f);
    EXPECT_FALSE(mesh.IsUVPointHit(CQxPoint(101, 50), 200, 100, best, hit));
    best = FLT_MAX;
    EXPECT_FALSE(mesh.IsUVPointHit(CQxPoint(50, 25), 200, 100, best, hit)); // unselected face
    EXPECT_FALSE(mesh.IsUVPointHit(CQxPoint(106, 50), 200, 100, best, hit));
    EXPECT_FALSE(mesh.IsUVPointHit(CQxPoint(0, 0), 0, 100, best, hit));

    CQxArray<CQxHalfEdge*> hits;
    ASSERT_TRUE(mesh.IsUVRectHit(CQxRect(0, 0, 101, 51), 200, 100, hits));
    EXPECT_EQ(hits, (CQxArray<CQxHalfEdge*>{shown->GetHalfEdgeAt(0), shown->GetHalfEdgeAt(1),
                                            shown->GetHalfEdgeAt(2), shown->GetHalfEdgeAt(3)}));
    ASSERT_TRUE(mesh.IsUVRectHit(CQxRect(0, 0, 100, 50), 200, 100, hits)); // right and bottom are outside
    EXPECT_EQ(hits, CQxArray<CQxHalfEdge*>{shown->GetHalfEdge()});
    EXPECT_FALSE(mesh.IsUVRectHit(CQxRect(40, 20, 60, 30), 200, 100, hits));
}

TEST_F(MeshHit, EmptyMeshHitsNothing) {
    CQxMesh empty;
    EXPECT_FALSE(cam.Pick(empty, 31, CQxPoint(320, 240), hit));
    EXPECT_FALSE(cam.Rect(empty, 31, CQxRect(0, 0, 640, 480), hits));
    EXPECT_FALSE(cam.Circle(empty, CQxPoint(320, 240), 50.0f, found, falloffs));
    CQxArray<CQxVector> screen{CQxVector()};
    empty.GetScreenVertexPositions(screen, cam.Viewport, cam.World, cam.View, cam.Projection);
    EXPECT_TRUE(screen.IsEmpty()); // the old contents are dropped
}

// Each pick below follows one that built the topology cache; a stale cache would report freed or
// moved elements (and the sanitizer build would catch reading them).
TEST_F(MeshHit, TopologyCacheFollowsEveryEdit) {
    const std::vector<CQxVertex*> v = AddGrid(mesh, 2); // quads 0 1 / 2 3, vertex (i, j) is i + 3j
    auto faceAt = [&](const CQxMesh& m, float x, float y) {
        CQxMeshHit hit;
        return cam.Pick(m, QX_HIT_FACE, cam.Pixel(CQxVector(x, y, 0)), hit) ? hit.Face : nullptr;
    };
    // Sides lying wholly in a box about the segment a-b.
    auto sidesAlong = [&](const CQxVector& a, const CQxVector& b) {
        CQxRect r = cam.Around(a, b);
        r.InflateRect(6, 6);
        CQxMeshHits hits;
        cam.Rect(mesh, QX_HIT_HALFEDGE | QX_HIT_FACE, r, hits);
        return hits.HalfEdges;
    };
    const CQxRect all(0, 0, 640, 480);
    CQxFace* q0 = mesh.Faces().GetAt(0);
    ASSERT_EQ(faceAt(mesh, -0.5f, -0.5f), q0);
    ASSERT_TRUE(cam.Rect(mesh, QX_HIT_FACE | QX_HIT_SIDE, all, hits));
    EXPECT_EQ(hits.Faces.GetSize(), 4u);
    EXPECT_EQ(hits.HalfEdges.GetSize(), 16u);

    // A deleted face is gone at once, from point and rectangle alike.
    mesh.Faces().Pop(q0);
    EXPECT_EQ(faceAt(mesh, -0.5f, -0.5f), nullptr);
    ASSERT_TRUE(cam.Rect(mesh, QX_HIT_FACE | QX_HIT_SIDE, all, hits));
    EXPECT_EQ(hits.Faces.GetSize(), 3u);
    EXPECT_EQ(hits.HalfEdges.GetSize(), 12u);

    // A triangle in its place (rings of mixed sizes now).
    auto* tri = new CQxFace(nullptr, CQxFace::ShadeBit);
    for (int k : {0, 1, 3}) tri->PushHalfEdge(new CQxHalfEdge(tri, v[k], 0));
    mesh.Faces().PushBack(tri);
    EXPECT_EQ(faceAt(mesh, -0.7f, -0.7f), tri);
    EXPECT_EQ(faceAt(mesh, -0.2f, -0.2f), nullptr); // the other half of the old quad
    ASSERT_TRUE(cam.Rect(mesh, QX_HIT_FACE, all, hits));
    EXPECT_EQ(hits.Faces[3], tri);

    // Turning it over makes the corner at v1 the side running to v0.
    CQxArray<CQxHalfEdge*> bottom = sidesAlong(v[0]->Position(), v[1]->Position());
    ASSERT_EQ(bottom.GetSize(), 1u);
    EXPECT_TRUE(bottom[0]->GetVertex() == v[0] && bottom[0]->GetEndVertex() == v[1]);
    tri->ReverseHalfEdges();
    bottom = sidesAlong(v[0]->Position(), v[1]->Position());
    ASSERT_EQ(bottom.GetSize(), 1u);
    EXPECT_TRUE(bottom[0]->GetVertex() == v[1] && bottom[0]->GetEndVertex() == v[0]);

    // Re-pointing a corner at another vertex of the mesh (nothing allocated or freed).
    tri->FindHalfEdge(v[3])->SetVertex(v[4]);
    EXPECT_EQ(faceAt(mesh, -0.8f, -0.3f), nullptr);
    EXPECT_EQ(faceAt(mesh, -0.2f, -0.6f), tri);
    const CQxArray<CQxHalfEdge*> right = sidesAlong(v[1]->Position(), v[4]->Position());
    EXPECT_TRUE(std::any_of(right.begin(), right.end(), [&](CQxHalfEdge* h) {
        return h->GetFace() == tri && h->GetVertex() == v[4] && h->GetEndVertex() == v[1];
    }));

    // Moving a vertex needs no rebuild: it and its faces are picked where they now are.
    CQxFace* q3 = mesh.Faces().GetAt(2);
    v[8]->Position() = CQxVector(3.0f, 3.0f, 0.0f);
    ASSERT_TRUE(cam.Pick(mesh, QX_HIT_VERTEX, cam.Pixel(v[8]->Position()), hit));
    EXPECT_EQ(hit.Vertex, v[8]);
    EXPECT_EQ(faceAt(mesh, 1.5f, 1.8f), q3);

    // Reordering without allocating: the list itself tells the cache.
    mesh.Faces().Remove(q3);
    mesh.Faces().InsertBefore(mesh.Faces().Front(), q3);
    ASSERT_TRUE(cam.Rect(mesh, QX_HIT_FACE, all, hits));
    EXPECT_EQ(hits.Faces[0], q3);

    // A copy has its own elements and builds its own cache.
    mesh.UpdateHalfEdgeMates();
    EXPECT_TRUE(QxTopologyIsSound(mesh, 0));
    const CQxMesh copy(mesh);
    CQxFace* copied = faceAt(copy, 1.5f, 1.8f);
    EXPECT_TRUE(copied && copied != q3 && copy.Faces().Has(copied));
}

// What a rectangle holds, worked out from the screen positions the mesh reports: vertices inside
// in list order, free edges and face sides with both ends inside, faces with every corner inside.
CQxMeshHits ExpectedRect(CQxMesh& mesh, const Camera& cam, const CQxRect& r, unsigned int mask) {
    const CQxArray<CQxVector> screen = cam.ScreenPositions(mesh);
    std::unordered_map<const CQxVertex*, bool> inside;
    unsigned int i = 0;
    for (const CQxVertex& v : mesh.Vertices()) {
        const CQxVector& p = screen[i++];
        // Nothing may sit on the border, where rounding could go either way.
        EXPECT_TRUE(std::fabs(p.x - r.left) > 1e-2f && std::fabs(p.x - r.right) > 1e-2f &&
                    std::fabs(p.y - r.top) > 1e-2f && std::fabs(p.y - r.bottom) > 1e-2f);
        inside[&v] =
            p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom && p.z >= 0.0f && p.z <= 1.0f;
    }
    auto in = [&](const CQxVertex* v) { return inside.at(v); };
    CQxMeshHits hits;
    for (CQxVertex& v : mesh.Vertices())
        if ((mask & QX_HIT_VERTEX) && in(&v)) hits.Vertices.PushBack(&v);
    for (CQxEdge& e : mesh.Edges())
        if ((mask & QX_HIT_EDGE) && in(e.Vertex(0)) && in(e.Vertex(1))) hits.Edges.PushBack(&e);
    for (CQxFace& f : mesh.Faces()) {
        bool all = true;
        f.ForEachHalfEdge([&](CQxHalfEdge& h) {
            all = all && in(h.GetVertex());
            if ((mask & (QX_HIT_SIDE | QX_HIT_HALFEDGE)) && in(h.GetVertex()) && in(h.GetEndVertex()))
                hits.HalfEdges.PushBack(&h);
        });
        if ((mask & QX_HIT_FACE) && all) hits.Faces.PushBack(&f);
    }
    return hits;
}

// A wide grid of a few thousand elements (rows of several vertex runs, many groups of faces):
// narrow quads with every seventh cut in two, and a few free edges. Rectangles and points must
// find exactly what the screen positions say, with the faces listed by rows or by columns and
// the vertex list in grid order or shuffled.
// The sides a rectangle pick keeps are refilled by the next rebuild in the room they have; a
// mesh that outgrew that room gets them afresh, never a stale or a missing corner.
TEST_F(MeshHit, SidesFollowAMeshThatOutgrowsTheirRoom) {
    const std::vector<CQxVertex*> v = AddGrid(mesh, 1); // one quad over vertices 0 1 2 3
    const CQxRect all(0, 0, 640, 480);
    ASSERT_TRUE(cam.Rect(mesh, QX_HIT_SIDE, all, hits));
    ASSERT_EQ(hits.HalfEdges.GetSize(), 4u);
    auto* tri = new CQxFace(nullptr, CQxFace::ShadeBit);
    for (int k : {0, 1, 3}) tri->PushHalfEdge(new CQxHalfEdge(tri, v[k], 0));
    mesh.Faces().PushBack(tri);
    ASSERT_TRUE(cam.Rect(mesh, QX_HIT_SIDE, all, hits));
    ASSERT_EQ(hits.HalfEdges.GetSize(), 7u);
    for (CQxHalfEdge* h : hits.HalfEdges)
        EXPECT_TRUE(mesh.Faces().Has(h->GetFace())) << "a side of a face of the mesh";
    EXPECT_EQ(std::count_if(hits.HalfEdges.begin(), hits.HalfEdges.end(),
                            [&](CQxHalfEdge* h) { return h->GetFace() == tri; }),
              3);
}

TEST_F(MeshHit, LargeMeshPicksMatchScreenPositions) {
    const unsigned int nx = 160, ny = 24;
    std::vector<CQxVector> p;
    for (unsigned int j = 0; j <= ny; ++j)
        for (unsigned int i = 0; i <= nx; ++i) p.emplace_back(0.0875f * i - 7.01f, 0.42f * j - 5.03f, 0.0f);
    auto build = [&](CQxMesh& mesh, bool byColumns) {
        qxtest::FaceList faces;
        for (unsigned int k = 0; k < nx * ny; ++k) {
            const unsigned int i = byColumns ? k / ny : k % nx, j = byColumns ? k % ny : k / nx;
            const unsigned int a = i + (nx + 1) * j;
            if (k % 7 == 3) {
                faces.push_back({a, a + 1, a + nx + 2});
                faces.push_back({a, a + nx + 2, a + nx + 1});
            } else {
                faces.push_back({a, a + 1, a + nx + 2, a + nx + 1});
            }
        }
        AddFaces(mesh, p, faces);
        const std::vector<CQxVertex*> v = qxtest::VertexArray(mesh);
        for (unsigned int k = 0; k + 170 < v.size(); k += 97)
            mesh.Edges().PushBack(new CQxEdge(v[k], v[k + 170], 0));
        return v;
    };
    // The middle, the left end, one row of vertices, everything, the right half, the last corner.
    const CQxRect rects[] = {{300, 220, 340, 260}, {0, 100, 210, 300},  {150, 238, 500, 246},
                             {0, 0, 640, 480},     {330, 50, 620, 470}, {590, 20, 640, 75}};
    auto check = [&](CQxMesh& mesh, const std::vector<CQxVertex*>& v) {
        for (const CQxRect& r : rects)
            for (unsigned int mask : {31u, unsigned(QX_HIT_FACE), unsigned(QX_HIT_SIDE | QX_HIT_VERTEX)}) {
                SCOPED_TRACE(testing::Message()
                             << "rectangle at " << r.left << "," << r.top << ", mask " << mask);
                CQxMeshHits hits;
                cam.Rect(mesh, mask, r, hits);
                const CQxMeshHits expected = ExpectedRect(mesh, cam, r, mask);
                EXPECT_FALSE(expected.Vertices.IsEmpty() && expected.HalfEdges.IsEmpty() &&
                             mask != QX_HIT_FACE);
                EXPECT_TRUE(hits.Vertices == expected.Vertices);
                EXPECT_TRUE(hits.Edges == expected.Edges);
                EXPECT_TRUE(hits.Faces == expected.Faces);
                EXPECT_TRUE(hits.HalfEdges == expected.HalfEdges);
            }
        CQxMeshHit hit;
        unsigned int k = 0;
        for (CQxFace& f : mesh.Faces()) {
            if (k++ % 13) continue;
            const CQxPoint at = cam.Pixel(f.GetCenter());
            ASSERT_TRUE(cam.Pick(mesh, QX_HIT_FACE, at, hit)) << at.x << "," << at.y;
            EXPECT_EQ(hit.Face, &f) << at.x << "," << at.y;
        }
        for (unsigned int i = 0; i < v.size(); i += 17) {
            ASSERT_TRUE(cam.Pick(mesh, QX_HIT_VERTEX, cam.Pixel(v[i]->Position()), hit));
            EXPECT_EQ(hit.Vertex, v[i]);
        }
    };
    {
        SCOPED_TRACE("faces by columns");
        CQxMesh mesh;
        check(mesh, build(mesh, true));
    }
    const std::vector<CQxVertex*> v = build(mesh, false);
    {
        SCOPED_TRACE("faces by rows");
        check(mesh, v);
    }
    // The vertex list shuffled (its Index fields left stale), then renumbered and a vertex moved
    // (neither needs a rebuild).
    std::vector<CQxVertex*> shuffled = v;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    for (CQxVertex* x : shuffled) {
        mesh.Vertices().Remove(x);
        mesh.Vertices().PushBack(x);
    }
    {
        SCOPED_TRACE("shuffled");
        check(mesh, v);
    }
    mesh.UpdateIndices();
    v[1000]->Position() += CQxVector(0.02f, 0.07f, 0.0f);
    SCOPED_TRACE("moved");
    check(mesh, v);
}

} // namespace
