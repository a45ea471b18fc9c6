#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "qx/graphics/attribute.h"
#include "qx/graphics/graphics_context.h"
#include "qx/graphics/primitive.h"
#include "qx/graphics/settings.h"
#include "qx/platform/canvas.h"
#include "qx/platform/offscreen_window.h"
#include "qx/scene/model.h"
#include "qx/skeleton/joint.h"
#include "scene_builders.h"

using namespace QxWin;

namespace {

TEST(ObjectGraphics, OneFacePrimitivePerAttributeAndNothingWhenHidden) {
    CQxAttribute red("red"), blue("blue");
    std::unique_ptr<CQxObject> cube(QxNewCube(1.0f, &red));
    CQxArray<CQxFace*> two;
    for (CQxFace& f : cube->Mesh().Faces())
        if (two.GetSize() < 2) two.PushBack(&f);
    cube->Mesh().SetAttribute(&blue, two);
    cube->UpdateGraphics();

    ASSERT_EQ(cube->GetFacePrimitiveCount(), 2u);
    EXPECT_EQ(cube->GetFacePrimitiveAttribute(0), &blue);
    EXPECT_EQ(cube->GetFacePrimitiveAttribute(1), &red);
    EXPECT_EQ(cube->GetFacePrimitive(0)->GetPrimitiveCount(), 4u);
    EXPECT_EQ(cube->GetFacePrimitive(1)->GetPrimitiveCount(), 8u);
    EXPECT_EQ(cube->GetFacePrimitive(2), nullptr);
    EXPECT_EQ(cube->GetPrimitive(CQxObject::PRIM_EDGES)->GetPrimitiveCount(), 12u);
    EXPECT_EQ(cube->GetPrimitive(CQxObject::PRIM_POINTS)->GetPrimitiveCount(), 8u);
    EXPECT_EQ(cube->GetPrimitive(CQxObject::PRIM_BOUND_BOX)->GetPrimitiveCount(), 12u);
    EXPECT_NE(cube->GetPrimitive(CQxObject::PRIM_PIVOT), nullptr);
    EXPECT_EQ(cube->GetPrimitive(CQxObject::PRIM_PICKS), nullptr); // nothing selected
    EXPECT_EQ(cube->GetPrimitive(CQxObject::PRIM_WEIGHTS), nullptr);
    EXPECT_EQ(cube->GetPrimitive(CQxObject::PRIM_COUNT), nullptr);

    cube->SetVisible(0);
    EXPECT_EQ(cube->GetFacePrimitiveCount(), 0u);
    for (unsigned int i = 0; i < CQxObject::PRIM_COUNT; ++i)
        EXPECT_EQ(cube->GetPrimitive(i), nullptr) << "primitive " << i;
    cube->UpdateGeometry(); // nothing to follow while hidden
    EXPECT_EQ(cube->GetFacePrimitiveCount(), 0u);
    cube->SetVisible(1);
    EXPECT_EQ(cube->GetFacePrimitiveCount(), 2u);

    // Objects without a shape of their own build nothing.
    CQxModel model(1);
    model.UpdateGraphics();
    EXPECT_EQ(model.GetFacePrimitiveCount(), 0u);
    EXPECT_EQ(model.GetPrimitive(CQxObject::PRIM_PIVOT), nullptr);
}

TEST(ObjectGraphics, FacesComeFromTheSubdivisionAndMirrorMeshesInUse) {
    std::unique_ptr<CQxObject> cube(QxNewCube(1.0f));
    const unsigned int plain = QxFaceTriangles(*cube);
    EXPECT_EQ(plain, 12u);
    cube->SetSubdivision(1);
    EXPECT_EQ(QxFaceTriangles(*cube), 4 * plain);
    // A mirror that is not connected draws the same primitives twice; a connected one is a mesh.
    cube->SetMirror(QX_AXIS_X, 0);
    EXPECT_EQ(QxFaceTriangles(*cube), 4 * plain);
    EXPECT_TRUE(cube->Mesh(CQxObject::MESH_MIRROR).IsEmpty());
    cube->SetMirror(QX_AXIS_X | QX_AXIS_Y, 1);
    EXPECT_EQ(cube->Mesh(CQxObject::MESH_MIRROR).Faces().GetCount(), 12u);
    EXPECT_EQ(QxFaceTriangles(*cube), 8 * plain);
    cube->SetSubdivision(0);
    EXPECT_EQ(QxFaceTriangles(*cube), 2 * plain);
    cube->SetMirror(0, 0);
    EXPECT_EQ(QxFaceTriangles(*cube), plain);
    EXPECT_TRUE(cube->Mesh(CQxObject::MESH_MIRROR).IsEmpty());
}

TEST(ObjectGraphics, GeometryUpdatesFollowMovedVerticesAndSelection) {
    std::unique_ptr<CQxObject> cube(QxNewCube(2.0f));
    cube->SetMirror(QX_AXIS_X, 1);
    CQxVertex& moved = *cube->Mesh().Vertices().begin();
    moved.Position() += CQxVector(0, 5, 0);
    cube->UpdateGeometry();
    // The mirror follows, and so do the drawn faces.
    const CQxVector target = moved.Position();
    bool mirrored = false;
    for (const CQxVertex& v : cube->Mesh(CQxObject::MESH_MIRROR).Vertices())
        mirrored |= v.Position().IsEqual(CQxVector(-target.x, target.y, target.z), 1e-4f);
    EXPECT_TRUE(mirrored);
    bool drawn = false;
    const CQxPrimitive* faces = cube->GetFacePrimitive(0);
    for (unsigned int i = 0; i < faces->GetVertexCount(); ++i) {
        const float* p = faces->GetVertices()[i].Position;
        drawn |= CQxVector(p[0], p[1], p[2]).IsEqual(target, 1e-4f);
    }
    EXPECT_TRUE(drawn);

    // Selection colours follow the geometry update.
    cube->SetComponentMode(1, 0);
    cube->Select(1, 0);
    const CQxPrimitive* edges = cube->GetPrimitive(CQxObject::PRIM_EDGES);
    ASSERT_NE(edges, nullptr);
    EXPECT_EQ(edges->GetVertices()[edges->GetIndices()[0]].Color,
              static_cast<std::uint32_t>(QxSelectColor()));
    EXPECT_EQ(cube->GetPrimitive(CQxObject::PRIM_PICKS)->GetPrimitiveCount(), 8u);
    ASSERT_NE(cube->GetPrimitive(CQxObject::PRIM_UV_EDGES), nullptr);
}

// What a primitive draws, whatever the layout of its buffers: each point or line as its ends'
// positions and colours, sorted.
using DrawnItem = std::tuple<std::array<float, 6>, std::array<std::uint32_t, 2>>;
std::vector<DrawnItem> Drawn(const CQxPrimitive* p) {
    std::vector<DrawnItem> items;
    if (!p) return items;
    const unsigned int ends = p->GetType() == QX_PRIMITIVE_LINES ? 2 : 1;
    for (unsigned int i = 0; i + ends <= p->GetIndexCount(); i += ends) {
        DrawnItem item{};
        for (unsigned int k = 0; k < ends; ++k) {
            const CQxPrimitiveVertex& v = p->GetVertices()[p->GetIndices()[i + k]];
            std::copy(v.Position, v.Position + 3, std::get<0>(item).begin() + 3 * k);
            std::get<1>(item)[k] = v.Color;
        }
        items.push_back(item);
    }
    std::sort(items.begin(), items.end());
    return items;
}

// Wires, points and picks that follow selection changes and moves in place draw what a build
// from the mesh as it now stands draws.
TEST(ObjectGraphics, InPlaceUpdatesDrawWhatARebuildDraws) {
    std::unique_ptr<CQxObject> grid = QxNewGrid();
    CQxObject& g = *grid;
    // A free edge across the grid, in its own colour.
    auto* wire = new CQxEdge(QxGridVertex(g, 0, 0), QxGridVertex(g, 2, 2), 0);
    g.Mesh().Edges().PushBack(wire);
    g.UpdateGraphics();
    g.SetComponentMode(1, 0);
    auto expectAsRebuilt = [&](const char* step) {
        SCOPED_TRACE(step);
        CQxPrimitive edges, points, picks;
        edges.BuildEdges(g.Mesh());
        points.BuildPoints(g.Mesh());
        const bool picked = picks.BuildPicks(g.Mesh());
        EXPECT_EQ(Drawn(g.GetPrimitive(CQxObject::PRIM_EDGES)), Drawn(&edges));
        EXPECT_EQ(Drawn(g.GetPrimitive(CQxObject::PRIM_POINTS)), Drawn(&points));
        EXPECT_EQ(Drawn(g.GetPrimitive(CQxObject::PRIM_PICKS)), Drawn(&picks));
        EXPECT_EQ(g.GetPrimitive(CQxObject::PRIM_PICKS) != nullptr, picked);
    };
    CQxVertex* centre = QxGridVertex(g, 1, 1);
    CQxFace* corner = QxGridFace(g, 0, 0);
    // The side the two upper faces share, given as the right face's half-edge.
    CQxHalfEdge* shared = QxFindSide(*QxGridFace(g, 1, 1), QxGridVertex(g, 1, 2), centre);
    ASSERT_NE(shared, nullptr);

    g.Select(1, {centre, QxGridVertex(g, 2, 2)}, {}, {}, {});
    expectAsRebuilt("two vertices");
    g.Select(1, {}, {}, {corner}, {});
    expectAsRebuilt("a face and its sides");
    g.Select(1, {}, {}, {}, {shared});
    expectAsRebuilt("a shared side");
    g.Select(1, {}, {wire}, {}, {});
    expectAsRebuilt("a free edge");
    g.ToggleSelect({centre, QxGridVertex(g, 0, 0)}, {}, {corner}, {shared});
    expectAsRebuilt("toggled");
    g.Select(1, {}, {}, {corner}, {});
    centre->Position() += CQxVector(0.0f, 1.0f, 0.0f);
    g.UpdateMovedGeometry();
    expectAsRebuilt("moved");
    g.Select(0, 0);
    expectAsRebuilt("all unselected");
    EXPECT_FALSE(g.Mesh().HasSelect());
    g.Select(1, {centre}, {}, {}, {});
    expectAsRebuilt("picked again");
    // A flag set by hand and followed by an update is unselected with the rest.
    QxGridVertex(g, 2, 0)->IsSelect() = 1;
    g.UpdateGeometry();
    g.Select(0, 0);
    expectAsRebuilt("set by hand, all unselected");
    EXPECT_FALSE(g.Mesh().HasSelect());
}

TEST(ObjectGraphics, UVLinesOfSelectedFacesOnACanvas) {
    std::unique_ptr<CQxObject> cube(QxNewCube(1.0f));
    CQxFace* face = &*cube->Mesh().Faces().begin();
    cube->Select(1, {}, {}, CQxArray<CQxFace*>{face}, {});
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 80, 80);
    HGDIOBJ old = SelectObject(dc, bitmap);

    // The middle of the face's first side, 64 pixels to one unit.
    const CQxHalfEdge* a = face->GetHalfEdge();
    const CQxHalfEdge* b = a->Next();
    const int x = static_cast<int>((a->UV().x + b->UV().x) * 32.0f);
    const int y = static_cast<int>((a->UV().y + b->UV().y) * 32.0f);
    auto colorRef = [](unsigned long argb) {
        return RGB(static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb));
    };
    cube->DrawUV(dc, 64, 64);
    EXPECT_EQ(GetPixel(dc, x, y), colorRef(QxNormalUVColor()));
    cube->SelectUVs(1, CQxArray<CQxHalfEdge*>{const_cast<CQxHalfEdge*>(a), const_cast<CQxHalfEdge*>(b)});
    cube->DrawUV(dc, 64, 64);
    EXPECT_EQ(GetPixel(dc, x, y), colorRef(QxSelectUVColor()));
    EXPECT_EQ(GetPixel(dc, 79, 79), RGB(0, 0, 0));

    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// Red faces drawn through the model pass, mirrored to the other side of the view.
TEST(ObjectGraphics, ModelPassDrawsFacesInTheirMaterialAndMirrors) {
    QxOffscreenWindow window(64, 64);
    if (!window.IsCreated()) GTEST_SKIP() << "no OpenGL context: " << window.GetError();
    CQxGraphicsContext view;
    ASSERT_EQ(view.CreateView(&window, 0, 0), QX_GRAPHICS_OK);
    view.ViewMatrix().SetLookAtR(CQxVector(0, 0, 10), CQxVector(), CQxVector(0, 1, 0));
    view.ProjectionMatrix().SetPerspectiveFovR(0.785398f, 1.0f, 1.0f, 20.0f);

    CQxModel model(1);
    CQxAttribute* red = model.GetAttribute(0);
    red->ColorMaterial().Init(0xFFFF0000, 0.0f, 0.0f, 1.0f, 0.0f, 5.0f); // emissive: no light needed
    CQxObject* cube = QxNewCube(1.5f, red);
    cube->Mesh().OffsetVertices(CQxVector(2, 0, 0)); // off the mirror plane
    cube->UpdateBoundBox();
    cube->UpdateGraphics();
    model.PushChild(cube);
    CQxMatrixStack stack;
    model.UpdateTransform(stack, nullptr);

    auto draw = [&] {
        ASSERT_EQ(view.BeginScene(0xFF000000), QX_GRAPHICS_OK);
        model.TreeDrawModelNormal(1);
        ASSERT_EQ(view.EndScene(), QX_GRAPHICS_OK);
        ASSERT_EQ(view.Present(), QX_GRAPHICS_OK);
    };
    // Pixel columns of x = +2 and x = -2 on the middle row.
    CQxMatrix screen;
    QxGetScreenTranform(screen, CQxMatrix(), view.ViewMatrix(), view.ProjectionMatrix(),
                        CQxViewPort(0, 0, 64, 64));
    const int xr = static_cast<int>(screen.TransformCoord(CQxVector(2, 0, 0)).x);
    const int xl = static_cast<int>(screen.TransformCoord(CQxVector(-2, 0, 0)).x);

    auto isRed = [&](int x) {
        const std::uint32_t p = window.GetPixel(x, 32);
        return ((p >> 16) & 0xFF) > 240 && ((p >> 8) & 0xFF) + (p & 0xFF) < 10;
    };
    draw();
    EXPECT_TRUE(isRed(xr));
    EXPECT_EQ(window.GetPixel(xl, 32), 0xFF000000u);
    cube->SetMirror(QX_AXIS_X, 0);
    draw();
    EXPECT_TRUE(isRed(xl));
    EXPECT_TRUE(isRed(xr));
    cube->SetVisible(0);
    draw();
    EXPECT_EQ(window.GetPixel(xr, 32), 0xFF000000u);
    EXPECT_EQ(window.GetPixel(xl, 32), 0xFF000000u);

    CQxGraphics::Instance().GetDevice().SetBaseStates();
}

} // namespace
