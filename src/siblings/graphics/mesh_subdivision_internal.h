#pragma once

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
//
// This header holds what the subdivision sources share: the level tables, the sets of dirty
// elements with their passes on two threads, and the steps of building a chain.

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "qx/basis/huge_page_allocator.h"
#include "qx/basis/run_both.h"
#include "qx/graphics/mesh.h"

namespace qx_subdiv {

using Index = std::uint32_t;
constexpr Index NoIndex = 0xFFFFFFFF;
// The most face corners a subdivision may produce (about 5 GB of display mesh).
constexpr std::uint64_t MaxCorners = std::uint64_t(1) << 26;

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
        if (!(word.load(std::memory_order_relaxed) & Bit(i)))
            word.fetch_or(Bit(i), std::memory_order_relaxed);
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

// The first or the second half (0 or 1) of 0..count.
inline std::pair<Index, Index> HalfRange(Index count, unsigned int half) {
    return half == 0 ? std::pair<Index, Index>(0, count / 2) : std::pair<Index, Index>(count / 2, count);
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

// --- Steps of the chain -------------------------------------------------------------------------

// Level 0 from the mesh (mesh_subdivision_tables.cpp): the vertices, the valid faces (three
// corners or more, each a distinct vertex of this mesh) and their corner data; other faces are
// remembered but left out.
void ReadCage(CQxMesh& mesh, ChainLevel& t, int withUV, int withBones);
// The child's tables, numbered from the parent's as described at the top of this file.
void RefineTables(const Tables& p, Tables& q);

// Child points (mesh_subdivision_refine.cpp): all of them, or those that depend on the parent's
// dirty faces, marking in `childFaces` the child faces that have a recomputed point; on two
// threads when `shared`.
void RefinePositions(const ChainLevel& p, Table<CQxVector>& out);
void RefineSparse(ChainLevel& p, CQxVector* child, IndexBits& childFaces, bool shared);
// Bone influences of the child points (in-place subdivision of skinned meshes).
void RefineBones(const ChainLevel& p, Table<CQxVertexBones>& out);
// Texture coordinates and colours of the children of parent faces begin..end-1: into the child
// level's corners, or into the display mesh's (whose corners without UVs keep none).
void RefineFaceVaryingInto(const ChainLevel& p, Index begin, Index end, int withUV, ChainLevel& q);
void RefineFaceVaryingIntoMesh(const ChainLevel& p, Index begin, Index end, int withUV,
                               const Table<CQxFace*>& faces);

// The finest level (mesh_subdivision_finest.cpp). `p` is its parent, which holds its tables.
// Every face normal, then every vertex, of the finest mesh, each on both cores.
void UpdateAllFinest(const Tables& p, ChainLevel& fin, Index vertexCount);
// After a drag: the normals of the finest faces marked dirty, then their vertices; all of them
// when `dense` or when many faces are dirty.
void UpdateMovedFinest(const Tables& p, ChainLevel& fin, int dense);
// The finest faces and their corners (not yet in any list): copies of the source faces' attribute
// and flag (and, in place, selection), corners with their vertex, flags and colour, texture
// coordinates allocated on faces that have them. `corners` gets the four corners of each face.
void CreateFinestFaces(const ChainLevel& cage, const ChainLevel& p, unsigned int levels, int inPlace,
                       const Table<CQxVertex*>& vertices, Table<CQxFace*>& faces,
                       Table<CQxHalfEdge*>& corners);
// Mates of the finest corners: the two sides inside each parent corner, and the halves of every
// parent edge whose two sides run opposite ways. Half 0 or 1 of the work: every corner is
// linked by exactly one step, so the two halves may run at once.
void LinkFinestMates(const Tables& p, const Table<CQxHalfEdge*>& corners, unsigned int half);
// Each finest vertex keeps a corner that starts at it, one on a boundary when there is one (so
// the mates come first). Half 0 or 1 of the vertices, which may run at once.
void LinkFinestVertices(const Tables& p, const Table<CQxVertex*>& vertices, const Table<CQxHalfEdge*>& corners,
                        unsigned int half);

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
        RefineFaceVaryingInto(p, 0, p.FaceCount, withUV, q);
    }
    return 1;
}

} // namespace qx_subdiv

struct CQxMesh::SubdivisionLevel : qx_subdiv::ChainLevel {};
