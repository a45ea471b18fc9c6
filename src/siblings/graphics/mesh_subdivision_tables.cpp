// The topology tables of the subdivision chain: level 0 read from the mesh (its edges found by
// sorting the sides at each vertex), and every finer level numbered from its parent's without
// any search.

#include <algorithm>
#include <utility>
#include <vector>

#include "mesh_subdivision_internal.h"

namespace qx_subdiv {

namespace {

// Counting sort of (key, value) pairs into a compressed table: start[k]..start[k+1] hold the
// values of key k, in the order they were offered.
template <class Emit>
void BuildAdjacency(Index keyCount, Table<Index>& start, Table<Index>& values, Emit&& emit) {
    start.assign(keyCount + 1, 0);
    emit([&](Index key, Index) { ++start[key + 1]; });
    for (Index k = 0; k < keyCount; ++k) start[k + 1] += start[k];
    values.resize(start[keyCount]);
    std::vector<Index> fill(start.begin(), start.end() - 1);
    emit([&](Index key, Index value) { values[fill[key]++] = value; });
}

void BuildVertexCorners(Tables& t) {
    BuildAdjacency(t.VertexCount, t.VertCornerStart, t.VertCorners, [&](auto&& add) {
        for (Index c = 0; c < t.CornerCount; ++c) add(t.FaceVerts[c], c);
    });
}

void BuildVertexEdges(Tables& t) {
    BuildAdjacency(t.VertexCount, t.VertEdgeStart, t.VertEdges, [&](auto&& add) {
        for (Index e = 0; e < t.EdgeCount; ++e) {
            add(t.EdgeVerts[2 * e], e);
            add(t.EdgeVerts[2 * e + 1], e);
        }
    });
}

void ClassifyVertices(Tables& t) {
    t.VertNeighbors.resize(t.VertEdges.size());
    for (Index v = 0; v < t.VertexCount; ++v)
        for (Index i = t.VertEdgeStart[v]; i < t.VertEdgeStart[v + 1]; ++i)
            t.VertNeighbors[i] = t.Other(t.VertEdges[i], v);
    t.EdgePairs.resize(2 * static_cast<std::size_t>(t.EdgeCount));
    for (Index e = 0; e < t.EdgeCount; ++e) {
        const int pair = t.SideCount(e) == 2;
        t.EdgePairs[2 * e] = pair ? t.EdgeSides[t.EdgeSideStart[e]] : NoIndex;
        t.EdgePairs[2 * e + 1] = pair ? t.EdgeSides[t.EdgeSideStart[e] + 1] : NoIndex;
    }
    t.Rules.resize(t.VertexCount);
    for (Index v = 0; v < t.VertexCount; ++v) {
        const Index faces = t.VertCornerStart[v + 1] - t.VertCornerStart[v];
        Index creases = 0;
        for (Index i = t.VertEdgeStart[v]; i < t.VertEdgeStart[v + 1]; ++i)
            creases += t.IsCrease(t.VertEdges[i]);
        if (faces == 0) {
            t.Rules[v] = RuleUnused;
        } else if (creases == 0) {
            t.Rules[v] = RuleSmooth;
        } else if (creases == 2 && faces >= 2) {
            t.Rules[v] = RuleCrease;
        } else {
            t.Rules[v] = RuleCorner;
        }
    }
}

// Edges of the cage: every side is met from its lower vertex, where sides to the same higher
// vertex are gathered into one edge.
void BuildCageEdges(Tables& t) {
    t.FaceEdges.assign(t.CornerCount, 0);
    t.EdgeVerts.clear();
    t.EdgeSideStart.assign(1, 0);
    t.EdgeSides.clear();
    t.EdgeVerts.reserve(2 * t.CornerCount);
    t.EdgeSides.reserve(t.CornerCount);
    std::vector<std::pair<Index, Index>> around; // (higher vertex, side)
    for (Index v = 0; v < t.VertexCount; ++v) {
        around.clear();
        for (Index i = t.VertCornerStart[v]; i < t.VertCornerStart[v + 1]; ++i) {
            const Index c = t.VertCorners[i];
            const Index next = t.FaceVerts[t.Next(c)];
            if (next > v) around.emplace_back(next, c);
            const Index prev = t.Prev(c);
            if (t.FaceVerts[prev] > v) around.emplace_back(t.FaceVerts[prev], prev);
        }
        std::sort(around.begin(), around.end());
        for (std::size_t i = 0; i < around.size();) {
            const Index e = static_cast<Index>(t.EdgeSideStart.size() - 1);
            t.EdgeVerts.push_back(v);
            t.EdgeVerts.push_back(around[i].first);
            std::size_t j = i;
            for (; j < around.size() && around[j].first == around[i].first; ++j) {
                t.EdgeSides.push_back(around[j].second);
                t.FaceEdges[around[j].second] = e;
            }
            t.EdgeSideStart.push_back(static_cast<Index>(t.EdgeSides.size()));
            i = j;
        }
    }
    t.EdgeCount = static_cast<Index>(t.EdgeSideStart.size() - 1);
}

// The child faces are the parent's corners: each gets its ring of vertices (vertex point, edge
// point of the side leaving the corner, face point, edge point of the side arriving) and the
// edges of its sides (halves of the parent's edges, and the edges from edge points to face
// points, numbered 2E + parent corner).
void RefineFaces(const Tables& p, Tables& q) {
    const Index E = p.EdgeCount, C = p.CornerCount;
    q.FaceVerts.resize(q.CornerCount);
    q.FaceEdges.resize(q.CornerCount);
    for (Index c = 0; c < C; ++c) {
        const Index v = p.FaceVerts[c];
        const Index prev = p.Prev(c);
        const Index e = p.FaceEdges[c];
        const Index ePrev = p.FaceEdges[prev];
        Index* fv = &q.FaceVerts[4 * c];
        fv[0] = v;
        fv[1] = p.EdgePoint(e);
        fv[2] = p.FacePoint(p.FaceOf(c));
        fv[3] = p.EdgePoint(ePrev);
        Index* fe = &q.FaceEdges[4 * c];
        fe[0] = p.HalfAt(e, v);
        fe[1] = 2 * E + c;
        fe[2] = 2 * E + prev;
        fe[3] = p.HalfAt(ePrev, v);
    }
}

// The ends of the child edges: parent edge e splits into 2e (from its first end) and 2e + 1
// (from its second), both ending at its edge point.
void RefineEdgeEnds(const Tables& p, Tables& q) {
    const Index E = p.EdgeCount, C = p.CornerCount;
    q.EdgeVerts.resize(2 * q.EdgeCount);
    for (Index e = 0; e < E; ++e) {
        q.EdgeVerts[4 * e] = p.EdgeVerts[2 * e];
        q.EdgeVerts[4 * e + 1] = p.EdgePoint(e);
        q.EdgeVerts[4 * e + 2] = p.EdgeVerts[2 * e + 1];
        q.EdgeVerts[4 * e + 3] = p.EdgePoint(e);
    }
    for (Index c = 0; c < C; ++c) {
        q.EdgeVerts[2 * (2 * E + c)] = p.EdgePoint(p.FaceEdges[c]);
        q.EdgeVerts[2 * (2 * E + c) + 1] = p.FacePoint(p.FaceOf(c));
    }
}

// A side on a parent edge continues as the child side at the half it starts or ends on.
void RefineEdgeSides(const Tables& p, Tables& q) {
    const Index E = p.EdgeCount, C = p.CornerCount;
    q.EdgeSideStart.resize(q.EdgeCount + 1);
    q.EdgeSides.resize(q.CornerCount);
    Index n = 0;
    for (Index e = 0; e < E; ++e) {
        for (Index half = 0; half < 2; ++half) {
            const Index hv = p.EdgeVerts[2 * e + half];
            q.EdgeSideStart[2 * e + half] = n;
            for (Index i = p.EdgeSideStart[e]; i < p.EdgeSideStart[e + 1]; ++i) {
                const Index s = p.EdgeSides[i];
                q.EdgeSides[n++] = p.FaceVerts[s] == hv ? 4 * s : 4 * p.Next(s) + 3;
            }
        }
    }
    for (Index c = 0; c < C; ++c) {
        q.EdgeSideStart[2 * E + c] = n;
        q.EdgeSides[n++] = 4 * c + 1;
        q.EdgeSides[n++] = 4 * p.Next(c) + 2;
    }
    q.EdgeSideStart[q.EdgeCount] = n;
}

// The corners and edges around every child vertex: vertex points first, then face points, then
// edge points.
void RefineVertexStars(const Tables& p, Tables& q) {
    const Index V = p.VertexCount, F = p.FaceCount, E = p.EdgeCount;
    q.VertCornerStart.resize(q.VertexCount + 1);
    q.VertCorners.resize(q.CornerCount);
    q.VertEdgeStart.resize(q.VertexCount + 1);
    q.VertEdges.resize(2 * q.EdgeCount);
    Index nc = 0, ne = 0;
    for (Index v = 0; v < V; ++v) {
        q.VertCornerStart[v] = nc;
        for (Index i = p.VertCornerStart[v]; i < p.VertCornerStart[v + 1]; ++i)
            q.VertCorners[nc++] = 4 * p.VertCorners[i];
        q.VertEdgeStart[v] = ne;
        for (Index i = p.VertEdgeStart[v]; i < p.VertEdgeStart[v + 1]; ++i)
            q.VertEdges[ne++] = p.HalfAt(p.VertEdges[i], v);
    }
    for (Index f = 0; f < F; ++f) {
        q.VertCornerStart[V + f] = nc;
        for (Index c = p.Begin(f), end = p.End(f); c < end; ++c) q.VertCorners[nc++] = 4 * c + 2;
        q.VertEdgeStart[V + f] = ne;
        for (Index c = p.Begin(f), end = p.End(f); c < end; ++c) q.VertEdges[ne++] = 2 * E + c;
    }
    for (Index e = 0; e < E; ++e) {
        q.VertCornerStart[V + F + e] = nc;
        q.VertEdgeStart[V + F + e] = ne;
        q.VertEdges[ne++] = 2 * e;
        q.VertEdges[ne++] = 2 * e + 1;
        for (Index i = p.EdgeSideStart[e]; i < p.EdgeSideStart[e + 1]; ++i) {
            const Index s = p.EdgeSides[i];
            q.VertCorners[nc++] = 4 * s + 1;
            q.VertCorners[nc++] = 4 * p.Next(s) + 3;
            q.VertEdges[ne++] = 2 * E + s;
        }
    }
    q.VertCornerStart[q.VertexCount] = nc;
    q.VertEdgeStart[q.VertexCount] = ne;
}

} // namespace

// Reads the vertices, the valid faces (three corners or more, each a distinct vertex of this
// mesh) and their corner data into level 0; other faces are remembered but left out.
void ReadCage(CQxMesh& mesh, ChainLevel& t, int withUV, int withBones) {
    mesh.Vertices().UpdateIndices();
    t.VertexCount = mesh.Vertices().GetCount();
    t.CageVertices.reserve(t.VertexCount);
    t.Positions.reserve(t.VertexCount);
    t.HasBones = 0;
    for (CQxVertex& v : mesh.Vertices()) {
        t.CageVertices.push_back(&v);
        t.Positions.push_back(v.Position());
        if (withBones && v.HasBones()) t.HasBones = 1;
    }
    if (t.HasBones) {
        t.Bones.resize(t.VertexCount);
        for (Index v = 0; v < t.VertexCount; ++v)
            if (t.CageVertices[v]->HasBones()) t.Bones[v] = *t.CageVertices[v]->Bones();
    }

    const Index listFaces = mesh.Faces().GetCount();
    t.ListFaces.reserve(listFaces);
    t.ListFaceTopo.reserve(listFaces);
    t.ListFaceSizes.reserve(listFaces);
    t.ListFaceAttributes.reserve(listFaces);
    t.ListFaceFlags.reserve(listFaces);
    t.FaceStart.assign(1, 0);
    std::vector<Index> seen(t.VertexCount, NoIndex);
    Index listIndex = 0;
    for (CQxFace& f : mesh.Faces()) {
        const Index k = f.GetHalfEdgeCount();
        int valid = k >= 3;
        const Index first = static_cast<Index>(t.FaceVerts.size());
        int hasUV = 0;
        f.ForEachHalfEdge([&](CQxHalfEdge& h) {
            const CQxVertex* v = h.GetVertex();
            const Index i = v ? v->Index() : NoIndex;
            if (i >= t.VertexCount || t.CageVertices[i] != v || seen[i] == listIndex) {
                valid = 0;
                return;
            }
            seen[i] = listIndex;
            t.FaceVerts.push_back(i);
            t.CornerVertices.push_back(h.GetVertex());
            t.CornerFlags.push_back(h.Flags());
            t.Colors.push_back(h.Color());
            if (withUV) t.UVs.push_back(h.HasUV() ? h.UV() : CQxVector2D());
            hasUV |= h.HasUV();
        });
        t.ListFaces.push_back(&f);
        t.ListFaceSizes.push_back(k);
        t.ListFaceAttributes.push_back(f.Attribute());
        t.ListFaceFlags.push_back(f.Flag());
        if (valid) {
            t.ListFaceTopo.push_back(static_cast<Index>(t.FaceStart.size() - 1));
            t.TopoFaceList.push_back(listIndex);
            t.FaceStart.push_back(static_cast<Index>(t.FaceVerts.size()));
            t.FaceHasUV.push_back(withUV && hasUV);
        } else {
            t.FaceVerts.resize(first);
            t.CornerVertices.resize(first);
            t.CornerFlags.resize(first);
            t.Colors.resize(first);
            if (withUV) t.UVs.resize(first);
            t.ListFaceTopo.push_back(NoIndex);
            f.ForEachHalfEdge([&](CQxHalfEdge& h) { t.SkippedCorners.push_back(h.GetVertex()); });
        }
        ++listIndex;
    }
    t.FaceCount = static_cast<Index>(t.FaceStart.size() - 1);
    t.CornerCount = static_cast<Index>(t.FaceVerts.size());
    t.CornerFace.resize(t.CornerCount);
    for (Index f = 0; f < t.FaceCount; ++f)
        for (Index c = t.FaceStart[f]; c < t.FaceStart[f + 1]; ++c) t.CornerFace[c] = f;
    t.Quads = 1;
    for (Index f = 0; f < t.FaceCount; ++f) t.Quads &= t.FaceStart[f + 1] - t.FaceStart[f] == 4;
    BuildVertexCorners(t);
    BuildCageEdges(t);
    BuildVertexEdges(t);
    ClassifyVertices(t);
}

void RefineTables(const Tables& p, Tables& q) {
    const Index E = p.EdgeCount, C = p.CornerCount;
    q.VertexCount = p.ChildVertexCount();
    q.FaceCount = C;
    q.EdgeCount = 2 * E + C;
    q.CornerCount = 4 * C;
    q.Quads = 1;
    RefineFaces(p, q);
    RefineEdgeEnds(p, q);
    RefineEdgeSides(p, q);
    RefineVertexStars(p, q);
    ClassifyVertices(q);
}

} // namespace qx_subdiv
