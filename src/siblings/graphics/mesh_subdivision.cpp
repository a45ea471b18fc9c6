// Catmull-Clark subdivision: in place (Subdivide) and as the chain of derived display meshes kept
// beside the mesh (the subdivision meshes).
//
// Every level of the chain keeps its topology as flat index tables (faces -> corners -> vertices
// and edges, edges -> sides, vertices -> corners and edges) and its vertex positions. A child
// level is numbered from its parent without any search: vertex points first (parent vertex v stays
// v), then face points (V + f), then edge points (V + F + e); the child quads are the parent's
// corners (child face c = parent corner c, ring: vertex point, edge point of the side leaving c,
// face point, edge point of the side arriving at c). The finest level keeps no tables of its own:
// everything about it is read off its parent's tables, and its vertices, faces and corners are
// those of the display mesh.
//
// Rules: a side shared by exactly two faces is smooth; a side of one face (boundary) or of three
// or more (non-manifold) is a crease whose edge point is its midpoint. A vertex on two creases
// moves by (6v + a + b) / 8 along them, except the corner of a single face, which stays put, as
// does any vertex on one crease or more than two. Texture coordinates and corner colours are
// face-varying and interpolated linearly within each face (midpoints and face centres of the
// corners' own values), so seams stay apart and boundaries keep their layout.
//
// A drag moves a few cage vertices: UpdateSubdivisionMeshes finds them by comparing positions
// with the copy kept at level 0 and recomputes only what depends on them, level by level, with
// the same arithmetic as a full build, so the result is identical to rebuilding.

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "qx/basis/huge_page_allocator.h"
#include "qx/basis/run_both.h"
#include "qx/graphics/mesh.h"

namespace {

using Index = std::uint32_t;
constexpr Index NoIndex = 0xFFFFFFFF;
// The most face corners a subdivision may produce (about 5 GB of display mesh).
constexpr std::uint64_t MaxCorners = std::uint64_t(1) << 26;
// Where more than 1/DenseShare of a level's faces are to be refined again, the rest of the chain
// is recomputed in full passes: visiting scattered elements costs several times as much per
// element as a pass through all of them in order.
constexpr Index DenseShare = 8;
// The finest level's passes write the display mesh's elements, which costs far more in full: its
// normals are recomputed in full only where more than 1/FinestDenseShare of its faces changed.
constexpr Index FinestDenseShare = 3;

// Large tables go on huge pages where the system offers them: a drag visits pages all over the
// tables, and one address translation per 2 MB instead of per 4 KB keeps those visits cheap.
template <class T>
using Table = std::vector<T, CQxHugePageAllocator<T>>;

enum VertexRule : std::uint8_t { RuleUnused, RuleSmooth, RuleCrease, RuleCorner };

// A set of indices kept as bits and emptied in increasing order, so that the elements it names
// are visited in memory order (a scattered visit costs a cache and page miss per element).
struct IndexBits {
    Table<std::uint64_t> Words;

    void Resize(Index n) { Words.assign((static_cast<std::size_t>(n) + 63) / 64, 0); }
    void Set(Index i) { Words[i >> 6] |= Bit(i); }
    void Clear() { std::fill(Words.begin(), Words.end(), 0); }
    std::size_t Count() const {
        std::size_t n = 0;
        for (std::uint64_t w : Words)
            if (w) n += static_cast<std::size_t>(std::popcount(w)); // most words of a sparse set are empty
        return n;
    }
    // Sets a bit of a set that two threads change at once. The word is read first: most calls
    // find the bit set already and need no locked instruction.
    void SetShared(Index i) {
        std::atomic_ref<std::uint64_t> word(Words[i >> 6]);
        if (!(word.load(std::memory_order_relaxed) & Bit(i))) word.fetch_or(Bit(i), std::memory_order_relaxed);
    }
    static std::uint64_t Bit(Index i) { return std::uint64_t(1) << (i & 63); }
};

// Visits and empties words [from, to) of the set, indices in increasing order.
template <class Visit>
void DrainWords(IndexBits& set, std::size_t from, std::size_t to, Visit& visit) {
    for (std::size_t w = from; w < to; ++w) {
        std::uint64_t bits = set.Words[w];
        if (!bits) continue;
        set.Words[w] = 0;
        const Index base = static_cast<Index>(w * 64);
        do {
            visit(base + static_cast<Index>(std::countr_zero(bits)));
            bits &= bits - 1;
        } while (bits);
    }
}

// Runs range(0, split) here and range(split, end) on a second thread.
template <class Range>
void RunSplit(std::size_t split, std::size_t end, Range& range) {
    QxRunBoth([&] { range(0, split); }, [&] { range(split, end); });
}

// Visits and empties the set, indices in increasing order; a large set, when `shared`, on two
// threads, each taking one half of the bits. The visits may write only what belongs to their
// own index, and change other sets only through SetShared.
template <class Visit>
void Drain(IndexBits& set, bool shared, Visit&& visit) {
    constexpr std::size_t ParallelItems = 4096;
    const std::size_t words = set.Words.size();
    auto range = [&](std::size_t from, std::size_t to) { DrainWords(set, from, to, visit); };
    const std::size_t count = shared ? set.Count() : 0;
    if (count < ParallelItems) {
        range(0, words);
        return;
    }
    std::size_t split = 0, seen = 0;
    while (split < words && 2 * seen < count)
        seen += static_cast<std::size_t>(std::popcount(set.Words[split++]));
    RunSplit(split, words, range);
}

// Topology of one level. Corners are numbered face by face in ring order; the side of corner c
// runs from its vertex to the next corner's.
struct Tables {
    Index VertexCount = 0;
    Index FaceCount = 0;
    Index EdgeCount = 0;
    Index CornerCount = 0;
    int Quads = 0;           // every face has four corners: the two tables below are not needed
    Table<Index> FaceStart;  // FaceCount + 1
    Table<Index> FaceVerts;  // per corner
    Table<Index> FaceEdges;  // per corner: the edge of its side
    Table<Index> CornerFace; // per corner
    Table<Index> EdgeVerts;  // two per edge
    Table<Index> EdgeSideStart;
    Table<Index> EdgeSides; // the corners whose sides lie on the edge
    Table<Index> VertCornerStart;
    Table<Index> VertCorners;
    Table<Index> VertEdgeStart;
    Table<Index> VertEdges;
    Table<std::uint8_t> Rules;
    // Shortcuts for the point rules, which run over many elements at once: the far end of every
    // entry of VertEdges, and the two sides of every edge shared by exactly two faces (NoIndex
    // for creases).
    Table<Index> VertNeighbors;
    Table<Index> EdgePairs;

    Index FaceOf(Index c) const { return Quads ? c >> 2 : CornerFace[c]; }
    Index Begin(Index f) const { return Quads ? 4 * f : FaceStart[f]; }
    Index End(Index f) const { return Quads ? 4 * f + 4 : FaceStart[f + 1]; }
    Index Next(Index c) const {
        if (Quads) return (c & ~3u) | ((c + 1) & 3u);
        const Index f = CornerFace[c];
        return c + 1 == FaceStart[f + 1] ? FaceStart[f] : c + 1;
    }
    Index Prev(Index c) const {
        if (Quads) return (c & ~3u) | ((c - 1) & 3u);
        const Index f = CornerFace[c];
        return c == FaceStart[f] ? FaceStart[f + 1] - 1 : c - 1;
    }
    Index SideCount(Index e) const { return EdgeSideStart[e + 1] - EdgeSideStart[e]; }
    int IsCrease(Index e) const { return SideCount(e) != 2; }
    Index Other(Index e, Index v) const {
        return EdgeVerts[2 * e] == v ? EdgeVerts[2 * e + 1] : EdgeVerts[2 * e];
    }
    // The child edge that is the half of e at its end v.
    Index HalfAt(Index e, Index v) const { return 2 * e + (EdgeVerts[2 * e] == v ? 0 : 1); }
    Index FacePoint(Index f) const { return VertexCount + f; }
    Index EdgePoint(Index e) const { return VertexCount + FaceCount + e; }
    Index ChildVertexCount() const { return VertexCount + FaceCount + EdgeCount; }
};

// The sides on edge e, in order: visit(corner).
template <class Visit>
inline void ForEachSide(const Tables& t, Index e, Visit&& visit) {
    const Index s0 = t.EdgePairs[2 * e];
    if (s0 != NoIndex) {
        visit(s0);
        visit(t.EdgePairs[2 * e + 1]);
        return;
    }
    for (Index i = t.EdgeSideStart[e]; i < t.EdgeSideStart[e + 1]; ++i) visit(t.EdgeSides[i]);
}

struct ChainLevel : Tables {
    Table<CQxVector> Positions;
    // Per corner, below the finest level (its values live in the display mesh's corners).
    Table<CQxVector2D> UVs;
    Table<std::uint32_t> Colors;
    // Bone influences, only while subdividing in place a mesh that has them.
    Table<CQxVertexBones> Bones;

    // Sparse updates: the faces around moved points, and what has to be recomputed because of
    // them (at the finest level: faces and vertices whose normals change).
    IndexBits DirtyFaces;
    IndexBits DirtyEdges;
    IndexBits DirtyVertexPoints;

    // Level 0: the cage as it was read, to notice what changed and to find the source of a
    // child face. List faces that are not valid polygons take no part but are remembered.
    Table<CQxVertex*> CageVertices;
    Table<CQxVertex*> CornerVertices; // the vertex of every corner, to check the rings in order
    std::vector<CQxFace*> ListFaces;
    Table<Index> ListFaceTopo; // topology face, or NoIndex for a face left out
    Table<Index> ListFaceSizes;
    std::vector<CQxAttribute*> ListFaceAttributes;
    std::vector<unsigned char> ListFaceFlags;
    std::vector<CQxVertex*> SkippedCorners; // the vertices of the faces left out, in order
    Table<Index> TopoFaceList;              // list position of each topology face
    Table<std::uint8_t> FaceHasUV;
    Table<unsigned int> CornerFlags;
    Table<Index> DirtyFaceVarying;
    int HasBones = 0;

    // The finest level: the display mesh and quick access to its elements.
    std::unique_ptr<CQxMesh> Mesh;
    Table<CQxVertex*> MeshVertices;
    Table<CQxFace*> MeshFaces;
    Table<CQxVector> FaceNormals;
    Table<std::uint8_t> FaceSmooth;
    int AllSmooth = 1;
};

// --- Tables ---------------------------------------------------------------------------------

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

// The child's tables, numbered from the parent's as described at the top of this file.
void RefineTables(const Tables& p, Tables& q) {
    const Index V = p.VertexCount, F = p.FaceCount, E = p.EdgeCount, C = p.CornerCount;
    q.VertexCount = p.ChildVertexCount();
    q.FaceCount = C;
    q.EdgeCount = 2 * E + C;
    q.CornerCount = 4 * C;

    q.Quads = 1;
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

    // A side on a parent edge continues as the child side at the half it starts or ends on.
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
    ClassifyVertices(q);
}

// --- Point rules ----------------------------------------------------------------------------
// One function per kind of child point, shared by the full pass, the sparse update and the
// in-place subdivision, so that all of them give the same bits.

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

void RefineFaceVaryingInto(const ChainLevel& p, Index f, int withUV, ChainLevel& q) {
    RefineFaceVarying(p, f, withUV, [&](Index c, const CQxVector2D* uvs, const std::uint32_t* colors) {
        for (Index s = 0; s < 4; ++s) {
            if (withUV) q.UVs[4 * c + s] = uvs[s];
            q.Colors[4 * c + s] = colors[s];
        }
    });
}

// Writes into the display mesh's corners (those without UVs keep none).
void RefineFaceVaryingIntoMesh(const ChainLevel& p, Index f, int withUV, const Table<CQxFace*>& faces) {
    RefineFaceVarying(p, f, withUV, [&](Index c, const CQxVector2D* uvs, const std::uint32_t* colors) {
        CQxHalfEdge* h = faces[c]->GetHalfEdge();
        for (Index s = 0; s < 4; ++s, h = h->Next()) {
            if (h->HasUV()) h->UV() = uvs[s];
            h->Color() = colors[s];
        }
    });
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

// --- Reading the cage -------------------------------------------------------------------------

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

// Builds levels 0..levels-1 with tables and every level's positions (the finest has no tables).
// Gives 0 when the result would be too large, 1 otherwise (an empty chain when nothing has faces).
template <class Chain>
int BuildChain(CQxMesh& mesh, unsigned int levels, int withUV, int withBones, Chain& chain) {
    using Level = typename Chain::value_type::element_type;
    chain.clear();
    chain.emplace_back(new Level);
    ReadCage(mesh, *chain[0], withUV, withBones);
    if (chain[0]->FaceCount == 0) {
        chain.clear();
        return 1;
    }
    std::uint64_t corners = chain[0]->CornerCount;
    for (unsigned int i = 0; i < levels; ++i) {
        corners *= 4;
        if (corners > MaxCorners) {
            chain.clear();
            return 0;
        }
    }
    for (unsigned int i = 1; i <= levels; ++i) {
        ChainLevel& p = *chain[i - 1];
        chain.emplace_back(new Level);
        ChainLevel& q = *chain[i];
        RefinePositions(p, q.Positions);
        if (p.HasBones) {
            RefineBones(p, q.Bones);
            q.HasBones = 1;
        }
        if (i == levels) break;
        RefineTables(p, q);
        q.Colors.resize(q.CornerCount);
        if (withUV) q.UVs.resize(q.CornerCount);
        for (Index f = 0; f < p.FaceCount; ++f) RefineFaceVaryingInto(p, f, withUV, q);
    }
    return 1;
}

// --- The finest level -------------------------------------------------------------------------

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

// Every face normal, then every vertex, of the finest mesh, each on both cores.
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

// The finest faces and their corners (not yet in any list): copies of the source faces' attribute
// and flag (and, in place, selection), corners with their vertex, flags and colour, texture
// coordinates allocated on faces that have them. `corners` gets the four corners of each face.
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
        for (Index s = 0; s < 4; ++s) {
            auto* h = new CQxHalfEdge(face, vertices[v[s]], cage.CornerFlags[cageCorner]);
            face->PushHalfEdge(h);
            if (cage.FaceHasUV[cageFace]) h->AllocUV();
            corners[4 * static_cast<std::size_t>(c) + s] = h;
        }
    }
}

inline void Link(CQxHalfEdge* a, CQxHalfEdge* b) {
    a->Mate() = b;
    b->Mate() = a;
}

// Mates of the finest corners: the two sides inside each parent corner, and the halves of every
// parent edge whose two sides run opposite ways.
void LinkFinestMates(const Tables& p, const Table<CQxHalfEdge*>& corners) {
    for (Index c = 0; c < p.CornerCount; ++c)
        Link(corners[4 * std::size_t(c) + 1], corners[4 * std::size_t(p.Next(c)) + 2]);
    for (Index e = 0; e < p.EdgeCount; ++e) {
        if (p.SideCount(e) != 2) continue;
        const Index s0 = p.EdgeSides[p.EdgeSideStart[e]], s1 = p.EdgeSides[p.EdgeSideStart[e] + 1];
        if (p.FaceVerts[s0] == p.FaceVerts[s1]) continue;
        for (Index half = 0; half < 2; ++half) {
            const Index hv = p.EdgeVerts[2 * e + half];
            auto side = [&](Index s) {
                return p.FaceVerts[s] == hv ? 4 * std::size_t(s) : 4 * std::size_t(p.Next(s)) + 3;
            };
            Link(corners[side(s0)], corners[side(s1)]);
        }
    }
}

// Each finest vertex keeps a corner that starts at it, one on a boundary when there is one.
void LinkFinestVertices(const Tables& p, const Table<CQxVertex*>& vertices,
                        const Table<CQxHalfEdge*>& corners) {
    for (Index x = 0; x < p.ChildVertexCount(); ++x) {
        CQxHalfEdge* pick = nullptr;
        ForEachCornerAt(p, x, [&](Index corner) {
            CQxHalfEdge* h = corners[corner];
            if (!pick || (!h->Mate() && pick->Mate())) pick = h;
        });
        vertices[x]->HalfEdge() = pick;
    }
}

} // namespace

struct CQxMesh::SubdivisionLevel : ChainLevel {};

void CQxMesh::SubdivisionLevelDeleter::operator()(SubdivisionLevel* level) const noexcept {
    delete level;
}

// --- Derived subdivision meshes -----------------------------------------------------------------

int CQxMesh::SetSubdivisionLevel(unsigned int level, int withUV) {
    if (level == 0) {
        ClearSubdivisionMeshes();
        m_SubdivisionLevel = 0;
        return 1;
    }
    if (level == m_SubdivisionLevel && !m_Subdivisions.empty()) return UpdateSubdivisionMeshes(withUV);
    const unsigned int old = m_SubdivisionLevel;
    m_SubdivisionLevel = level;
    if (CreateSubdivisionMeshes(withUV)) return 1;
    m_SubdivisionLevel = old;
    return 0;
}

// Builds the chain for the current level; on failure (too large, out of memory) the previous
// chain is kept. No faces, or level 0, gives no chain.
int CQxMesh::CreateSubdivisionMeshes(int withUV) {
    withUV = withUV ? 1 : 0;
    const unsigned int levels = m_SubdivisionLevel;
    if (levels == 0) {
        ClearSubdivisionMeshes();
        return 1;
    }
    std::vector<std::unique_ptr<SubdivisionLevel, SubdivisionLevelDeleter>> chain;
    try {
        if (!BuildChain(*this, levels, withUV, 0, chain)) return 0;
        if (chain.empty()) {
            ClearSubdivisionMeshes();
            m_SubdivisionUV = withUV;
            return 1;
        }
        ChainLevel& cage = *chain.front();
        ChainLevel& p = *chain[levels - 1];
        ChainLevel& fin = *chain.back();

        fin.Mesh = std::make_unique<CQxMesh>();
        CQxMesh& mesh = *fin.Mesh;
        const Index vertexCount = p.ChildVertexCount();
        fin.MeshVertices.resize(vertexCount);
        for (Index x = 0; x < vertexCount; ++x) {
            auto* v = new CQxVertex(fin.Positions[x]);
            mesh.m_Vertices.PushBack(v);
            fin.MeshVertices[x] = v;
        }
        Table<CQxHalfEdge*> corners;
        try {
            CreateFinestFaces(cage, p, levels, 0, fin.MeshVertices, fin.MeshFaces, corners);
        } catch (...) {
            for (CQxFace* f : fin.MeshFaces) delete f;
            throw;
        }
        for (CQxFace* f : fin.MeshFaces) mesh.m_Faces.PushBack(f);
        LinkFinestMates(p, corners);
        LinkFinestVertices(p, fin.MeshVertices, corners);
        corners = Table<CQxHalfEdge*>();

        for (Index f = 0; f < p.FaceCount; ++f) RefineFaceVaryingIntoMesh(p, f, withUV, fin.MeshFaces);

        const unsigned int shift = 2 * (levels - 1);
        fin.FaceSmooth.resize(p.CornerCount);
        for (Index c = 0; c < p.CornerCount; ++c)
            fin.FaceSmooth[c] =
                (cage.ListFaceFlags[cage.TopoFaceList[cage.FaceOf(c >> shift)]] & CQxFace::ShadeBit) != 0;
        fin.AllSmooth = std::find(fin.FaceSmooth.begin(), fin.FaceSmooth.end(), 0) == fin.FaceSmooth.end();
        fin.FaceNormals.resize(p.CornerCount);
        UpdateAllFinest(p, fin, vertexCount);

        // What the sparse update needs is made here, so that a drag allocates nothing.
        for (unsigned int i = 0; i < levels; ++i) {
            ChainLevel& level = *chain[i];
            level.DirtyFaces.Resize(level.FaceCount);
            level.DirtyEdges.Resize(level.EdgeCount);
            level.DirtyVertexPoints.Resize(level.VertexCount);
        }
        cage.DirtyFaceVarying.reserve(cage.FaceCount);
        fin.DirtyFaces.Resize(p.CornerCount);
        fin.DirtyVertexPoints.Resize(vertexCount);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    m_Subdivisions.swap(chain);
    m_SubdivisionUV = withUV;
    return 1;
}

int CQxMesh::UpdateSubdivisionMeshes(int withUV) {
    withUV = withUV ? 1 : 0;
    if (m_SubdivisionLevel == 0) return 0;
    if (m_Subdivisions.size() != m_SubdivisionLevel + 1 || withUV != m_SubdivisionUV)
        return CreateSubdivisionMeshes(withUV);
    ChainLevel& cage = *m_Subdivisions.front();
    ChainLevel& fin = *m_Subdivisions.back();
    const unsigned int levels = m_SubdivisionLevel;
    if (m_Vertices.GetCount() != cage.VertexCount || m_Faces.GetCount() != cage.ListFaces.size())
        return CreateSubdivisionMeshes(withUV);

    // The vertices and the faces are compared with the cage as it was read, a big mesh's on two
    // threads: the vertex side goes on to refine the first level while the faces are compared,
    // and everything it writes is the chain's own, so a cage found changed is simply rebuilt.
    Index moved = 0;
    int dense = 0;
    bool sameVertices = true, sameFaces = true;
    auto refineLevel = [&](unsigned int l, bool shared) {
        ChainLevel& level = *m_Subdivisions[l];
        ChainLevel& next = *m_Subdivisions[l + 1];
        if (!dense && level.DirtyFaces.Count() * DenseShare > level.FaceCount) {
            dense = 1;
            level.DirtyFaces.Clear();
        }
        if (dense)
            RefinePositions(level, next.Positions);
        else
            RefineSparse(level, next.Positions.data(), next.DirtyFaces, shared);
    };
    auto vertexSide = [&] {
        Index i = 0;
        for (CQxVertex& v : m_Vertices) {
            if (&v != cage.CageVertices[i]) {
                sameVertices = false;
                return;
            }
            if (v.Position() != cage.Positions[i]) {
                cage.Positions[i] = v.Position();
                ++moved;
                if (cage.VertCornerStart[i] == cage.VertCornerStart[i + 1]) {
                    // Used by no face: the same point at every level.
                    for (unsigned int l = 1; l <= levels; ++l) m_Subdivisions[l]->Positions[i] = v.Position();
                    fin.MeshVertices[i]->Position() = v.Position();
                } else {
                    for (Index k = cage.VertCornerStart[i]; k < cage.VertCornerStart[i + 1]; ++k)
                        cage.DirtyFaces.Set(cage.FaceOf(cage.VertCorners[k]));
                }
            }
            ++i;
        }
        if (moved) refineLevel(0, false);
    };
    auto faceSide = [&] {
        cage.DirtyFaceVarying.clear();
        Index listIndex = 0, corner = 0, skipped = 0;
        for (CQxFace& f : m_Faces) {
            if (&f != cage.ListFaces[listIndex] || f.GetHalfEdgeCount() != cage.ListFaceSizes[listIndex] ||
                f.Attribute() != cage.ListFaceAttributes[listIndex] || f.Flag() != cage.ListFaceFlags[listIndex]) {
                sameFaces = false;
                return;
            }
            const Index topo = cage.ListFaceTopo[listIndex++];
            int same = 1, changed = 0, hasUV = 0;
            if (topo == NoIndex) {
                f.ForEachHalfEdge(
                    [&](CQxHalfEdge& h) { same &= h.GetVertex() == cage.SkippedCorners[skipped++]; });
            } else {
                f.ForEachHalfEdge([&](CQxHalfEdge& h) {
                    same &= h.GetVertex() == cage.CornerVertices[corner];
                    if (h.Color() != cage.Colors[corner]) {
                        cage.Colors[corner] = h.Color();
                        changed = 1;
                    }
                    if (withUV) {
                        hasUV |= h.HasUV();
                        const CQxVector2D uv = h.HasUV() ? h.UV() : CQxVector2D();
                        if (uv != cage.UVs[corner]) {
                            cage.UVs[corner] = uv;
                            changed = 1;
                        }
                    }
                    ++corner;
                });
                same &= hasUV == cage.FaceHasUV[topo];
                if (changed) cage.DirtyFaceVarying.push_back(topo);
            }
            if (!same) {
                sameFaces = false;
                return;
            }
        }
    };
    constexpr std::size_t ParallelScan = 16384;
    if (cage.ListFaces.size() >= ParallelScan) {
        QxRunBoth(vertexSide, faceSide);
    } else {
        vertexSide();
        faceSide();
    }
    if (!sameVertices || !sameFaces) {
        // The chain is part way through an update: if it cannot be built again, it goes.
        if (CreateSubdivisionMeshes(withUV)) return 1;
        ClearSubdivisionMeshes();
        return 0;
    }

    ChainLevel& p = *m_Subdivisions[levels - 1];
    const Index vertexCount = p.ChildVertexCount();
    for (unsigned int l = 1; moved && l < levels; ++l) refineLevel(l, true);
    if (moved && !dense && fin.DirtyFaces.Count() * FinestDenseShare > p.CornerCount) {
        dense = 1;
        fin.DirtyFaces.Clear();
    }
    if (moved && dense) {
        UpdateAllFinest(p, fin, vertexCount);
    } else if (moved) {
        // The normals of the dirty faces, marking their vertices; then those vertices.
        Drain(fin.DirtyFaces, true, [&](Index c) {
            UpdateFaceNormal(p, fin, c);
            Index v[4];
            FinestFace(p, c, v);
            for (Index x : v) fin.DirtyVertexPoints.SetShared(x);
        });
        Drain(fin.DirtyVertexPoints, true, [&](Index x) { UpdateFinestVertex(p, fin, x); });
    }

    // Changed texture coordinates or colours: the descendants of a cage face are one run of
    // faces at every level.
    for (Index f : cage.DirtyFaceVarying) {
        Index begin = f, end = f + 1;
        for (unsigned int l = 0; l < levels; ++l) {
            const ChainLevel& level = *m_Subdivisions[l];
            for (Index g = begin; g < end; ++g) {
                if (l + 1 == levels)
                    RefineFaceVaryingIntoMesh(level, g, withUV, fin.MeshFaces);
                else
                    RefineFaceVaryingInto(level, g, withUV, *m_Subdivisions[l + 1]);
            }
            begin = level.Begin(begin);
            end = level.Begin(end);
        }
    }
    return 1;
}

void CQxMesh::ClearSubdivisionMeshes() {
    m_Subdivisions.clear();
}

const CQxMesh* CQxMesh::GetSubdivisionMesh() const {
    return m_Subdivisions.empty() ? nullptr : m_Subdivisions.back()->Mesh.get();
}

CQxMesh* CQxMesh::GetSubdivisionMesh() {
    return m_Subdivisions.empty() ? nullptr : m_Subdivisions.back()->Mesh.get();
}

// --- In place -----------------------------------------------------------------------------------

// The cage's vertices stay (as the vertex points, so free edges and references to them hold);
// face and edge points are appended; every valid face is replaced, where it stood in the list,
// by its finest descendants. Faces that are not valid polygons stay as they are.
int CQxMesh::Subdivide(unsigned int levels, int withUV) {
    withUV = withUV ? 1 : 0;
    if (levels == 0) return 1;
    std::vector<std::unique_ptr<SubdivisionLevel, SubdivisionLevelDeleter>> chain;
    Table<CQxVertex*> vertices;
    Table<CQxFace*> faces;
    Index cageVertexCount = 0;
    try {
        if (!BuildChain(*this, levels, withUV, 1, chain)) return 0;
        if (chain.empty()) return 1;
        const ChainLevel& cage = *chain.front();
        const ChainLevel& p = *chain[levels - 1];
        const ChainLevel& fin = *chain.back();
        cageVertexCount = cage.VertexCount;
        vertices = cage.CageVertices;
        vertices.reserve(p.ChildVertexCount());
        try {
            for (Index x = cageVertexCount; x < p.ChildVertexCount(); ++x) {
                vertices.push_back(new CQxVertex(fin.Positions[x]));
                if (fin.HasBones && vertices.back()->AllocBones()) *vertices.back()->Bones() = fin.Bones[x];
            }
            Table<CQxHalfEdge*> corners;
            CreateFinestFaces(cage, p, levels, 1, vertices, faces, corners);
            // Corner selections follow the cage corner each finest face grows from.
            const unsigned int shift = 2 * (levels - 1);
            std::vector<const CQxHalfEdge*> cageCorners;
            cageCorners.reserve(cage.CornerCount);
            for (Index f = 0; f < cage.FaceCount; ++f)
                cage.ListFaces[cage.TopoFaceList[f]]->ForEachHalfEdge(
                    [&](CQxHalfEdge& h) { cageCorners.push_back(&h); });
            for (Index c = 0; c < p.CornerCount; ++c) {
                const CQxHalfEdge* source = cageCorners[c >> shift];
                CQxHalfEdge* h = corners[4 * std::size_t(c)];
                h->IsSelect() = source->IsSelect();
                h->IsUVSelect() = source->IsUVSelect();
            }
        } catch (...) {
            for (CQxFace* f : faces) delete f;
            for (Index x = cageVertexCount; x < vertices.size(); ++x) delete vertices[x];
            throw;
        }
        for (Index f = 0; f < p.FaceCount; ++f) RefineFaceVaryingIntoMesh(p, f, withUV, faces);
    } catch (const std::bad_alloc&) {
        return 0;
    }

    // Commit: nothing below allocates.
    const ChainLevel& cage = *chain.front();
    const ChainLevel& fin = *chain.back();
    for (Index v = 0; v < cageVertexCount; ++v) vertices[v]->Position() = fin.Positions[v];
    for (Index x = cageVertexCount; x < vertices.size(); ++x) m_Vertices.PushBack(vertices[x]);
    for (CQxFace* f : cage.ListFaces) {
        f->ForEachHalfEdge([](CQxHalfEdge& h) { h.Mate() = nullptr; });
        m_Faces.Remove(f);
    }
    const Index perCorner = Index(1) << (2 * (levels - 1));
    for (Index i = 0; i < cage.ListFaces.size(); ++i) {
        const Index topo = cage.ListFaceTopo[i];
        if (topo == NoIndex) {
            m_Faces.PushBack(cage.ListFaces[i]);
            continue;
        }
        for (Index c = cage.FaceStart[topo] * perCorner; c < cage.FaceStart[topo + 1] * perCorner; ++c)
            m_Faces.PushBack(faces[c]);
        delete cage.ListFaces[i];
    }
    QxBumpMeshTopology(); // faces kept as they were are relinked, not allocated
    ClearSubdivisionMeshes();
    UpdateHalfEdgeMates();
    UpdateNormals();
    UpdateIndices();
    return 1;
}
