// The child points of a level (in full, or only those that depend on moved points), their
// texture coordinates and colours, and their bone influences. One function per kind of child
// point is shared by all of them, so that every way to a level gives the same bits.

#include <cstdint>
#include <vector>

#include "mesh_subdivision_internal.h"

namespace qx_subdiv {

namespace {

// --- Point rules ----------------------------------------------------------------------------

inline CQxVector FacePointOf(const ChainLevel& p, Index f) {
    const Index b = p.Begin(f), e = p.End(f);
    CQxVector sum = p.Positions[p.FaceVerts[b]];
    for (Index c = b + 1; c < e; ++c) sum += p.Positions[p.FaceVerts[c]];
    return sum * (1.0f / static_cast<float>(e - b));
}

inline CQxVector EdgePointOf(const ChainLevel& p, const CQxVector* child, Index e) {
    const CQxVector& a = p.Positions[p.EdgeVerts[2 * e]];
    const CQxVector& b = p.Positions[p.EdgeVerts[2 * e + 1]];
    const Index s0 = p.EdgePairs[2 * e];
    if (s0 == NoIndex) return (a + b) * 0.5f;
    const CQxVector& f0 = child[p.FacePoint(p.FaceOf(s0))];
    const CQxVector& f1 = child[p.FacePoint(p.FaceOf(p.EdgePairs[2 * e + 1]))];
    return (a + b + f0 + f1) * 0.25f;
}

// Needs the child's face points. Smooth: ((n-2)/n) v + (1/n^2) sum of neighbours + (1/(n m)) sum
// of the m face points around, with n the edges at v.
inline CQxVector VertexPointOf(const ChainLevel& p, const CQxVector* child, Index v) {
    const CQxVector& x = p.Positions[v];
    switch (p.Rules[v]) {
    case RuleSmooth: {
        const Index eb = p.VertEdgeStart[v], ee = p.VertEdgeStart[v + 1];
        const Index cb = p.VertCornerStart[v], ce = p.VertCornerStart[v + 1];
        CQxVector edges, faces;
        for (Index i = eb; i < ee; ++i) edges += p.Positions[p.VertNeighbors[i]];
        for (Index i = cb; i < ce; ++i) faces += child[p.FacePoint(p.FaceOf(p.VertCorners[i]))];
        const float n = static_cast<float>(ee - eb);
        const float m = static_cast<float>(ce - cb);
        return x * ((n - 2.0f) / n) + edges * (1.0f / (n * n)) + faces * (1.0f / (n * m));
    }
    case RuleCrease: {
        CQxVector ends;
        for (Index i = p.VertEdgeStart[v]; i < p.VertEdgeStart[v + 1]; ++i) {
            const Index e = p.VertEdges[i];
            if (p.IsCrease(e)) ends += p.Positions[p.Other(e, v)];
        }
        return (x * 6.0f + ends) * 0.125f;
    }
    default:
        return x;
    }
}

// --- Face-varying data ------------------------------------------------------------------------

inline std::uint32_t MixColor(std::uint32_t a, std::uint32_t b) {
    // Per 8-bit channel, rounded up: (a + b + 1) / 2 without carries between channels.
    return (a | b) - (((a ^ b) >> 1) & 0x7F7F7F7Fu);
}

// Each child face of parent face f gets its four corners' values: the parent corner's own, the
// midpoints of the two sides at it and the face centre. emit(childFace, uvs[4], colors[4]).
template <class Emit>
void RefineFaceVarying(const ChainLevel& p, Index f, int withUV, Emit&& emit) {
    const Index b = p.Begin(f), e = p.End(f);
    const Index k = e - b;
    CQxVector2D centreUV;
    std::uint32_t channels[4] = {0, 0, 0, 0};
    for (Index c = b; c < e; ++c) {
        if (withUV) centreUV += p.UVs[c];
        const std::uint32_t col = p.Colors[c];
        for (int ch = 0; ch < 4; ++ch) channels[ch] += (col >> (8 * ch)) & 0xFF;
    }
    centreUV *= 1.0f / static_cast<float>(k);
    std::uint32_t centreColor = 0;
    for (int ch = 0; ch < 4; ++ch) centreColor |= ((channels[ch] + k / 2) / k) << (8 * ch);

    CQxVector2D uvs[4];
    std::uint32_t colors[4];
    for (Index c = b; c < e; ++c) {
        const Index next = c + 1 == e ? b : c + 1;
        const Index prev = c == b ? e - 1 : c - 1;
        if (withUV) {
            uvs[0] = p.UVs[c];
            uvs[1] = (p.UVs[c] + p.UVs[next]) * 0.5f;
            uvs[2] = centreUV;
            uvs[3] = (p.UVs[prev] + p.UVs[c]) * 0.5f;
        }
        colors[0] = p.Colors[c];
        colors[1] = MixColor(p.Colors[c], p.Colors[next]);
        colors[2] = centreColor;
        colors[3] = MixColor(p.Colors[prev], p.Colors[c]);
        emit(c, uvs, colors);
    }
}

// --- Bones (in-place subdivision of skinned meshes) -------------------------------------------

// The influences of several vertices mixed with equal shares; the four strongest are kept and
// scaled back to the total weight.
CQxVertexBones MixBones(const CQxVertexBones* const* sources, Index count) {
    unsigned char indices[16];
    float weights[16];
    Index n = 0;
    float total = 0.0f;
    const float share = 1.0f / static_cast<float>(count);
    for (Index s = 0; s < count; ++s) {
        for (int i = 0; i < 4; ++i) {
            const float w = sources[s]->Weights[i] * share;
            if (!(w > 0.0f)) continue;
            total += w;
            Index k = 0;
            while (k < n && indices[k] != sources[s]->Indices[i]) ++k;
            if (k == n) {
                if (n == 16) continue;
                indices[n] = sources[s]->Indices[i];
                weights[n++] = 0.0f;
            }
            weights[k] += w;
        }
    }
    CQxVertexBones out;
    float kept = 0.0f;
    for (int i = 0; i < 4 && n; ++i) {
        Index best = 0;
        for (Index k = 1; k < n; ++k)
            if (weights[k] > weights[best]) best = k;
        out.Indices[i] = indices[best];
        out.Weights[i] = weights[best];
        kept += weights[best];
        indices[best] = indices[n - 1];
        weights[best] = weights[n - 1];
        --n;
    }
    if (kept > 0.0f)
        for (float& w : out.Weights) w *= total / kept;
    return out;
}

} // namespace

void RefinePositions(const ChainLevel& p, Table<CQxVector>& out) {
    out.resize(p.ChildVertexCount());
    CQxVector* child = out.data();
    for (Index f = 0; f < p.FaceCount; ++f) child[p.FacePoint(f)] = FacePointOf(p, f);
    for (Index e = 0; e < p.EdgeCount; ++e) child[p.EdgePoint(e)] = EdgePointOf(p, child, e);
    for (Index v = 0; v < p.VertexCount; ++v) child[v] = VertexPointOf(p, child, v);
}

// Recomputes the child points of the parent's dirty faces, and of the edges and vertices of
// those faces, each kind in one pass in index order so that the tables are walked forwards, and
// marks in `childFaces` the child faces that have a recomputed point (the child's faces are the
// parent's corners). The corners at the recomputed vertex points are all of them: every corner
// of a dirty face, and every side of a recomputed edge, starts at a vertex of that face. Each
// pass may run on two threads (`shared`): the edge and vertex rules read only face points, which
// the first pass has finished.
void RefineSparse(ChainLevel& p, CQxVector* child, IndexBits& childFaces, bool shared) {
    Drain(p.DirtyFaces, shared, [&](Index f) {
        child[p.FacePoint(f)] = FacePointOf(p, f);
        for (Index c = p.Begin(f), end = p.End(f); c < end; ++c) {
            p.DirtyEdges.SetShared(p.FaceEdges[c]);
            p.DirtyVertexPoints.SetShared(p.FaceVerts[c]);
        }
    });
    Drain(p.DirtyEdges, shared, [&](Index e) { child[p.EdgePoint(e)] = EdgePointOf(p, child, e); });
    Drain(p.DirtyVertexPoints, shared, [&](Index v) {
        child[v] = VertexPointOf(p, child, v);
        for (Index i = p.VertCornerStart[v]; i < p.VertCornerStart[v + 1]; ++i)
            childFaces.SetShared(p.VertCorners[i]);
    });
}

void RefineFaceVaryingInto(const ChainLevel& p, Index begin, Index end, int withUV, ChainLevel& q) {
    for (Index f = begin; f < end; ++f)
        RefineFaceVarying(p, f, withUV, [&](Index c, const CQxVector2D* uvs, const std::uint32_t* colors) {
            for (Index s = 0; s < 4; ++s) {
                if (withUV) q.UVs[4 * c + s] = uvs[s];
                q.Colors[4 * c + s] = colors[s];
            }
        });
}

void RefineFaceVaryingIntoMesh(const ChainLevel& p, Index begin, Index end, int withUV,
                               const Table<CQxFace*>& faces) {
    for (Index f = begin; f < end; ++f)
        RefineFaceVarying(p, f, withUV, [&](Index c, const CQxVector2D* uvs, const std::uint32_t* colors) {
            CQxHalfEdge* h = faces[c]->GetHalfEdge();
            for (Index s = 0; s < 4; ++s, h = h->Next()) {
                if (h->HasUV()) h->UV() = uvs[s];
                h->Color() = colors[s];
            }
        });
}

// Bones blend linearly: a face point takes its face's corners, an edge point its two ends.
void RefineBones(const ChainLevel& p, Table<CQxVertexBones>& out) {
    out.resize(p.ChildVertexCount());
    std::vector<const CQxVertexBones*> sources;
    for (Index v = 0; v < p.VertexCount; ++v) out[v] = p.Bones[v];
    for (Index f = 0; f < p.FaceCount; ++f) {
        sources.clear();
        for (Index c = p.Begin(f), end = p.End(f); c < end; ++c) sources.push_back(&p.Bones[p.FaceVerts[c]]);
        out[p.FacePoint(f)] = MixBones(sources.data(), static_cast<Index>(sources.size()));
    }
    for (Index e = 0; e < p.EdgeCount; ++e) {
        const CQxVertexBones* ends[2] = {&p.Bones[p.EdgeVerts[2 * e]], &p.Bones[p.EdgeVerts[2 * e + 1]]};
        out[p.EdgePoint(e)] = MixBones(ends, 2);
    }
}

} // namespace qx_subdiv
