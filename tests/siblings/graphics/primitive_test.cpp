#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "qx/graphics/attribute.h"
#include "qx/graphics/bound_box.h"
#include "qx/graphics/mesh.h"
#include "qx/graphics/primitive.h"
#include "qx/graphics/settings.h"

namespace {

CQxVector PositionOf(const CQxPrimitiveVertex& v) {
    return CQxVector(v.Position[0], v.Position[1], v.Position[2]);
}

// The triangles, in order, are the fans of the faces of that attribute in mesh order, each
// primitive vertex carrying its corner's position, normal, UV and colour.
void ExpectFansOfCorners(const CQxPrimitive& p, const CQxMesh& mesh, const CQxAttribute* filter) {
    unsigned int t = 0;
    for (const CQxFace& f : mesh.Faces()) {
        if (f.Attribute() != filter || !f.IsValid()) continue;
        const unsigned int n = f.GetHalfEdgeCount();
        for (unsigned int i = 1; i + 1 < n; ++i, ++t) {
            ASSERT_LT(3 * t + 2, p.GetIndexCount());
            const unsigned int corner[3] = {0, i, i + 1};
            for (unsigned int k = 0; k < 3; ++k) {
                SCOPED_TRACE(testing::Message() << "triangle " << t << " corner " << k);
                const unsigned int index = p.GetIndices()[3 * t + k];
                ASSERT_LT(index, p.GetVertexCount());
                const CQxPrimitiveVertex& v = p.GetVertices()[index];
                const CQxHalfEdge* h = f.GetHalfEdgeAt(corner[k]);
                EXPECT_EQ(PositionOf(v), h->GetVertex()->Position());
                const CQxVector normal = f.IsShade() ? h->GetVertex()->Normal() : f.Normal();
                EXPECT_EQ(CQxVector(v.Normal[0], v.Normal[1], v.Normal[2]), normal);
                EXPECT_EQ(CQxVector2D(v.UV[0], v.UV[1]), h->HasUV() ? h->UV() : CQxVector2D());
                EXPECT_EQ(v.Color, h->Color());
            }
        }
    }
    EXPECT_EQ(3 * t, p.GetIndexCount());
}

class PrimitiveBuild : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Mesh.CreateCube(0, 2.0f, 2.0f, 2.0f, 1, 1, 1, &m_Red, 0));
        m_Mesh.UpdateNormals();
    }
    CQxAttribute m_Red{"red"};
    CQxAttribute m_Blue{"blue"};
    CQxMesh m_Mesh;
};

TEST_F(PrimitiveBuild, FacesAreFansPerAttributeWithFlatOrSmoothNormals) {
    CQxPrimitive faces;
    ASSERT_TRUE(faces.BuildFaces(m_Mesh, &m_Red));
    EXPECT_EQ(faces.GetShade(), QX_SHADE_LIT);
    EXPECT_EQ(faces.GetPrimitiveCount(), 12u);
    ExpectFansOfCorners(faces, m_Mesh, &m_Red);

    // Another attribute used by no face builds nothing and leaves the primitive empty.
    EXPECT_FALSE(faces.BuildFaces(m_Mesh, &m_Blue));
    EXPECT_TRUE(faces.IsEmpty());

    // Two faces moved to the other attribute split the cube between two primitives.
    CQxArray<CQxFace*> two{m_Mesh.Faces().Front(), m_Mesh.Faces().Back()};
    m_Mesh.SetAttribute(&m_Blue, two);
    CQxPrimitive red, blue;
    ASSERT_TRUE(red.BuildFaces(m_Mesh, &m_Red));
    ASSERT_TRUE(blue.BuildFaces(m_Mesh, &m_Blue));
    EXPECT_EQ(red.GetPrimitiveCount(), 8u);
    EXPECT_EQ(blue.GetPrimitiveCount(), 4u);

    // Flat faces carry the face normal at every corner; smooth ones the vertex normal.
    m_Mesh.Faces().Front()->SetShade(0);
    ASSERT_TRUE(blue.BuildFaces(m_Mesh, &m_Blue));
    ExpectFansOfCorners(blue, m_Mesh, &m_Blue);
}

TEST(PrimitiveShare, SmoothCornersShareVerticesAndSeamsSplitThem) {
    // A 2x2 plane: 9 vertices, 16 corners. Smooth with matching UVs it needs 9 vertices.
    CQxMesh plane;
    ASSERT_TRUE(plane.CreatePlane(0, 2.0f, 2.0f, 2, 2, nullptr, 0));
    plane.UpdateNormals();
    CQxPrimitive faces;
    ASSERT_TRUE(faces.BuildFaces(plane, nullptr));
    EXPECT_EQ(faces.GetVertexCount(), 9u);
    ExpectFansOfCorners(faces, plane, nullptr);
    // A corner with its own colour or UV (a seam) gets its own vertex; a flat face keeps all its
    // corners apart.
    CQxHalfEdge* h = plane.Faces().Front()->GetHalfEdge();
    h->Color() = 0xFF123456u;
    h->Next()->UV() += CQxVector2D(0.5f, 0.0f);
    plane.Faces().Back()->SetShade(0);
    ASSERT_TRUE(faces.BuildFaces(plane, nullptr));
    std::set<std::tuple<const CQxVertex*, float, float, std::uint32_t>> smooth;
    unsigned int flat = 0;
    for (const CQxFace& f : plane.Faces()) {
        f.ForEachHalfEdge([&](const CQxHalfEdge& c) {
            if (f.IsShade())
                smooth.insert({c.GetVertex(), c.UV().x, c.UV().y, c.Color()});
            else
                ++flat;
        });
    }
    EXPECT_EQ(flat, 4u);
    EXPECT_EQ(faces.GetVertexCount(), smooth.size() + flat);
    ExpectFansOfCorners(faces, plane, nullptr);
    // The edges share the mesh's vertices: 12 sides on 9 vertices.
    CQxPrimitive edges;
    ASSERT_TRUE(edges.BuildEdges(plane));
    EXPECT_EQ(edges.GetPrimitiveCount(), 12u);
    EXPECT_EQ(edges.GetVertexCount(), 9u);
}

TEST_F(PrimitiveBuild, EdgesPointsAndPicksFollowSelection) {
    CQxPrimitive edges;
    ASSERT_TRUE(edges.BuildEdges(m_Mesh));
    EXPECT_EQ(edges.GetPrimitiveCount(), 12u); // each shared side once
    for (unsigned int i = 0; i < edges.GetVertexCount(); ++i)
        EXPECT_EQ(edges.GetVertices()[i].Color, QxNormalColor()) << "vertex " << i;

    // A selected face turns its four sides to the selection colour; a free edge adds a line.
    m_Mesh.Faces().Front()->IsSelect() = 1;
    auto* a = m_Mesh.Vertices().Front();
    auto* b = m_Mesh.Vertices().Back();
    m_Mesh.Edges().PushBack(new CQxEdge(a, b, 0));
    m_Mesh.Edges().Back()->Color() = 0xFF00FF00u;
    ASSERT_TRUE(edges.BuildEdges(m_Mesh));
    EXPECT_EQ(edges.GetPrimitiveCount(), 13u);
    unsigned int selected = 0, green = 0;
    for (unsigned int i = 0; i < edges.GetIndexCount(); i += 2) {
        const CQxPrimitiveVertex& a0 = edges.GetVertices()[edges.GetIndices()[i]];
        const CQxPrimitiveVertex& a1 = edges.GetVertices()[edges.GetIndices()[i + 1]];
        EXPECT_EQ(a0.Color, a1.Color); // a line has one colour
        selected += a0.Color == QxSelectColor();
        green += a0.Color == 0xFF00FF00u;
    }
    EXPECT_EQ(selected, 4u);
    EXPECT_EQ(green, 1u);

    CQxPrimitive points, picks;
    ASSERT_TRUE(points.BuildPoints(m_Mesh));
    EXPECT_EQ(points.GetPrimitiveCount(), 8u);
    EXPECT_FALSE(picks.BuildPicks(m_Mesh)); // nothing selected: no markers
    a->IsSelect() = 1;
    b->IsSelect() = 1;
    ASSERT_TRUE(picks.BuildPicks(m_Mesh));
    ASSERT_EQ(picks.GetPrimitiveCount(), 2u);
    EXPECT_EQ(PositionOf(picks.GetVertices()[0]), a->Position());
    EXPECT_EQ(PositionOf(picks.GetVertices()[1]), b->Position());
    EXPECT_EQ(picks.GetVertices()[1].Color, QxSelectColor());
}

TEST_F(PrimitiveBuild, UpdatePositionsMovesOnlyPositionsAndNormals) {
    CQxPrimitive faces, edges;
    ASSERT_TRUE(faces.BuildFaces(m_Mesh, &m_Red));
    ASSERT_TRUE(edges.BuildEdges(m_Mesh));
    const std::vector<unsigned int> indices(faces.GetIndices(), faces.GetIndices() + faces.GetIndexCount());

    CQxVertex* moved = m_Mesh.Vertices().Front();
    moved->Position() += CQxVector(0.5f, 0.0f, 0.0f);
    m_Mesh.UpdateNormals();
    ASSERT_TRUE(faces.UpdatePositions(m_Mesh));
    ASSERT_TRUE(edges.UpdatePositions(m_Mesh));
    EXPECT_TRUE(faces.IsDirty());
    // Through the same indices, every corner at its new place with its old UV and colour.
    EXPECT_TRUE(std::equal(indices.begin(), indices.end(), faces.GetIndices()));
    ExpectFansOfCorners(faces, m_Mesh, &m_Red);
    unsigned int edgeEnds = 0;
    for (unsigned int i = 0; i < edges.GetIndexCount(); ++i)
        edgeEnds += PositionOf(edges.GetVertices()[edges.GetIndices()[i]]) == moved->Position();
    EXPECT_EQ(edgeEnds, 3u);

    // A changed topology needs a rebuild.
    m_Mesh.Vertices().PushBack(new CQxVertex(CQxVector(9, 9, 9)));
    EXPECT_FALSE(faces.UpdatePositions(m_Mesh));
}

TEST_F(PrimitiveBuild, WeightColorsMarkersAndRawBuffers) {
    CQxArray<unsigned long> colors;
    for (unsigned int i = 0; i < 8; ++i) colors.PushBack(i == 0 ? 0xFFFF0000ul : 0xFF0000FFul);
    CQxPrimitive weights;
    ASSERT_TRUE(weights.SetWeightColors(m_Mesh, colors));
    EXPECT_EQ(weights.GetShade(), QX_SHADE_COLOR);
    EXPECT_EQ(weights.GetPrimitiveCount(), 12u);
    auto countRed = [&] {
        unsigned int n = 0;
        for (unsigned int i = 0; i < weights.GetVertexCount(); ++i)
            n += weights.GetVertices()[i].Color == 0xFFFF0000u;
        return n;
    };
    EXPECT_EQ(countRed(), 3u);
    colors[0] = 0xFF0000FFul;
    colors[1] = 0xFFFF0000ul;
    colors.PopBack(); // the last vertex falls back to the normal colour
    ASSERT_TRUE(weights.SetWeightColors(m_Mesh, colors));
    EXPECT_EQ(countRed(), 3u);
    EXPECT_EQ(weights.GetVertexCount(), 24u);

    CQxPrimitive box, pivot, handle;
    CQxBoundBox bounds;
    EXPECT_FALSE(box.BuildBoundBox(bounds, 0xFFFFFFFF));
    m_Mesh.GetBoundBox(bounds);
    ASSERT_TRUE(box.BuildBoundBox(bounds, 0xFFFFFFFF));
    EXPECT_EQ(box.GetPrimitiveCount(), 12u);
    std::set<std::pair<unsigned int, unsigned int>> lines;
    for (unsigned int i = 0; i < box.GetIndexCount(); i += 2) {
        const CQxVector d = PositionOf(box.GetVertices()[box.GetIndices()[i + 1]]) -
                            PositionOf(box.GetVertices()[box.GetIndices()[i]]);
        EXPECT_FLOAT_EQ(d.GetLength(), 2.0f); // every box edge is a side of the 2-unit cube
        lines.insert({box.GetIndices()[i], box.GetIndices()[i + 1]});
    }
    EXPECT_EQ(lines.size(), 12u);
    ASSERT_TRUE(pivot.BuildPivot(CQxVector(1, 2, 3), 0.5f));
    EXPECT_EQ(pivot.GetPrimitiveCount(), 3u);
    EXPECT_EQ(PositionOf(pivot.GetVertices()[1]), CQxVector(1.5f, 2, 3));
    EXPECT_FALSE(pivot.BuildPivot(CQxVector(), -1.0f));
    ASSERT_TRUE(handle.BuildIKHandle(CQxVector(), CQxVector(0, 1, 0), 0.2f, QxIKColor()));
    EXPECT_EQ(handle.GetPrimitiveCount(), 4u);

    CQxPrimitive raw;
    EXPECT_FALSE(raw.Alloc(QX_PRIMITIVE_TRIANGLES, 3, 4));
    ASSERT_TRUE(raw.Alloc(QX_PRIMITIVE_LINES, 2, 2));
    CQxPrimitiveVertex* v = nullptr;
    unsigned int* idx = nullptr;
    ASSERT_TRUE(raw.Lock(v, idx));
    EXPECT_FALSE(raw.Lock(v, idx));
    EXPECT_FALSE(raw.Draw()); // locked
    idx[1] = 1;
    ASSERT_TRUE(raw.Unlock());
    EXPECT_FALSE(raw.Unlock());
    raw.Free();
    EXPECT_TRUE(raw.IsEmpty());
    EXPECT_FALSE(raw.Lock(v, idx));
}

} // namespace
