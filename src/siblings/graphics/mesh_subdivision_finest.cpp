// The finest level of the chain, whose vertices, faces and corners are those of the display mesh:
// its faces and their links, and its normals (all of them, or those around moved points).

#include <cmath>
#include <cstddef>

#include "mesh_subdivision_internal.h"

namespace qx_subdiv {

namespace {

// The finest level's passes write the display mesh's elements, which costs far more in full: its
// normals are recomputed in full only where more than 1/FinestDenseShare of its faces changed.
constexpr Index FinestDenseShare = 3;

// Visits the finest corners that start at finest vertex x (which is a vertex, face or edge
// point of the parent): visit(corner), the corner's face being corner / 4.
template <class Visit>
void ForEachCornerAt(const Tables& p, Index x, Visit&& visit) {
    if (x < p.VertexCount) {
        for (Index i = p.VertCornerStart[x]; i < p.VertCornerStart[x + 1]; ++i) visit(4 * p.VertCorners[i]);
    } else if (x < p.VertexCount + p.FaceCount) {
        const Index f = x - p.VertexCount;
        for (Index c = p.Begin(f), end = p.End(f); c < end; ++c) visit(4 * c + 2);
    } else {
        ForEachSide(p, x - p.VertexCount - p.FaceCount, [&](Index s) {
            visit(4 * s + 1);
            visit(4 * p.Next(s) + 3);
        });
    }
}

// The four vertices of finest face c.
inline void FinestFace(const Tables& p, Index c, Index out[4]) {
    out[0] = p.FaceVerts[c];
    out[1] = p.EdgePoint(p.FaceEdges[c]);
    out[2] = p.FacePoint(p.FaceOf(c));
    out[3] = p.EdgePoint(p.FaceEdges[p.Prev(c)]);
}

inline CQxVector Normalized(const CQxVector& n) {
    const float len2 = n.GetLengthSq();
    if (!(len2 > 0.0f) || !std::isfinite(len2)) return CQxVector();
    return n * (1.0f / std::sqrt(len2));
}

// Newell's method relative to the first corner, as the mesh computes face normals.
inline CQxVector QuadNormal(const CQxVector* positions, const Index v[4]) {
    const CQxVector origin = positions[v[0]];
    CQxVector n;
    for (int i = 0; i < 4; ++i) {
        const CQxVector a = positions[v[i]] - origin;
        const CQxVector b = positions[v[(i + 1) & 3]] - origin;
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return Normalized(n);
}

void UpdateFaceNormal(const Tables& p, ChainLevel& fin, Index c) {
    Index v[4];
    FinestFace(p, c, v);
    const CQxVector n = QuadNormal(fin.Positions.data(), v);
    fin.FaceNormals[c] = n;
    fin.MeshFaces[c]->Normal() = n;
}

// The vertex's position, and its normal: the average of the smooth faces around, or of all
// faces when none is smooth.
void UpdateFinestVertex(const Tables& p, ChainLevel& fin, Index x) {
    CQxVector smooth, flat;
    if (fin.AllSmooth) {
        ForEachCornerAt(p, x, [&](Index corner) { smooth += fin.FaceNormals[corner / 4]; });
    } else {
        ForEachCornerAt(p, x, [&](Index corner) {
            const Index c = corner / 4;
            (fin.FaceSmooth[c] ? smooth : flat) += fin.FaceNormals[c];
        });
    }
    CQxVector n = Normalized(smooth);
    if (n.GetLengthSq() == 0.0f) n = Normalized(flat);
    CQxVertex* v = fin.MeshVertices[x];
    v->Position() = fin.Positions[x];
    v->Normal() = n;
}

inline void Link(CQxHalfEdge* a, CQxHalfEdge* b) {
    a->Mate() = b;
    b->Mate() = a;
}

} // namespace

void UpdateAllFinest(const Tables& p, ChainLevel& fin, Index vertexCount) {
    auto normals = [&](std::size_t from, std::size_t to) {
        for (std::size_t c = from; c < to; ++c) UpdateFaceNormal(p, fin, static_cast<Index>(c));
    };
    auto points = [&](std::size_t from, std::size_t to) {
        for (std::size_t x = from; x < to; ++x) UpdateFinestVertex(p, fin, static_cast<Index>(x));
    };
    RunSplit(p.CornerCount / 2, p.CornerCount, normals);
    RunSplit(vertexCount / 2, vertexCount, points);
}

void UpdateMovedFinest(const Tables& p, ChainLevel& fin, int dense) {
    if (!dense && fin.DirtyFaces.Count() * FinestDenseShare > p.CornerCount) {
        dense = 1;
        fin.DirtyFaces.Clear();
    }
    if (dense) {
        UpdateAllFinest(p, fin, p.ChildVertexCount());
        return;
    }
    // The normals of the dirty faces, marking their vertices; then those vertices.
    Drain(fin.DirtyFaces, true, [&](Index c) {
        UpdateFaceNormal(p, fin, c);
        Index v[4];
        FinestFace(p, c, v);
        for (Index x : v) fin.DirtyVertexPoints.SetShared(x);
    });
    Drain(fin.DirtyVertexPoints, true, [&](Index x) { UpdateFinestVertex(p, fin, x); });
}

void CreateFinestFaces(const ChainLevel& cage, const ChainLevel& p, unsigned int levels, int inPlace,
                       const Table<CQxVertex*>& vertices, Table<CQxFace*>& faces,
                       Table<CQxHalfEdge*>& corners) {
    const unsigned int shift = 2 * (levels - 1);
    faces.assign(p.CornerCount, nullptr);
    corners.resize(4 * static_cast<std::size_t>(p.CornerCount));
    for (Index c = 0; c < p.CornerCount; ++c) {
        const Index cageCorner = c >> shift;
        const Index cageFace = cage.FaceOf(cageCorner);
        const CQxFace* source = cage.ListFaces[cage.TopoFaceList[cageFace]];
        auto* face = inPlace ? new CQxFace(*source) : new CQxFace(source->Attribute(), source->Flag());
        faces[c] = face;
        Index v[4];
        FinestFace(p, c, v);
        CQxHalfEdge** ring = &corners[4 * static_cast<std::size_t>(c)];
        for (Index s = 0; s < 4; ++s) {
            ring[s] = new CQxHalfEdge(face, vertices[v[s]], cage.CornerFlags[cageCorner]);
            if (cage.FaceHasUV[cageFace]) ring[s]->AllocUV();
        }
        face->PushHalfEdges(ring, 4);
    }
}

void LinkFinestMates(const Tables& p, const Table<CQxHalfEdge*>& corners, unsigned int half) {
    const auto [cornerBegin, cornerEnd] = HalfRange(p.CornerCount, half);
    for (Index c = cornerBegin; c < cornerEnd; ++c)
        Link(corners[4 * std::size_t(c) + 1], corners[4 * std::size_t(p.Next(c)) + 2]);
    const auto [edgeBegin, edgeEnd] = HalfRange(p.EdgeCount, half);
    for (Index e = edgeBegin; e < edgeEnd; ++e) {
        if (p.SideCount(e) != 2) continue;
        const Index s0 = p.EdgeSides[p.EdgeSideStart[e]], s1 = p.EdgeSides[p.EdgeSideStart[e] + 1];
        if (p.FaceVerts[s0] == p.FaceVerts[s1]) continue;
        for (Index side = 0; side < 2; ++side) {
            const Index hv = p.EdgeVerts[2 * e + side];
            auto at = [&](Index s) {
                return p.FaceVerts[s] == hv ? 4 * std::size_t(s) : 4 * std::size_t(p.Next(s)) + 3;
            };
            Link(corners[at(s0)], corners[at(s1)]);
        }
    }
}

void LinkFinestVertices(const Tables& p, const Table<CQxVertex*>& vertices, const Table<CQxHalfEdge*>& corners,
                        unsigned int half) {
    const auto [begin, end] = HalfRange(p.ChildVertexCount(), half);
    for (Index x = begin; x < end; ++x) {
        CQxHalfEdge* pick = nullptr;
        ForEachCornerAt(p, x, [&](Index corner) {
            CQxHalfEdge* h = corners[corner];
            if (!pick || (!h->Mate() && pick->Mate())) pick = h;
        });
        vertices[x]->HalfEdge() = pick;
    }
}

} // namespace qx_subdiv
