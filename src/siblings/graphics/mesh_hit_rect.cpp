// Rectangle and circle picks. The vertices are coded inside or outside the rectangle in one
// pass; what is inside decides the edges, sides and faces, read from the mesh's topology cache
// where it has one (groups of faces none of whose vertex runs holds a vertex inside are passed
// over whole), else from the face rings.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "mesh_hit_internal.h"

namespace qx_mesh_hit {

namespace {

// Appends to a reused buffer through a bare pointer, so that a tight loop keeps it in a register:
// Reserve room for a face's worth, then Put each candidate and keep it or not without a branch.
template <class T>
class Sink {
public:
    explicit Sink(std::vector<T>& store)
        : m_Store(store), m_At(store.data()), m_End(store.data() + store.size()) {}
    void Reserve(std::size_t n) {
        if (static_cast<std::size_t>(m_End - m_At) < n) Grow(n);
    }
    void Put(T value, unsigned int keep) {
        *m_At = value;
        m_At += keep;
    }
    void Push(T value) {
        Reserve(1);
        Put(value, 1);
    }
    const T* Data() const { return m_Store.data(); }
    unsigned int Size() const { return static_cast<unsigned int>(m_At - m_Store.data()); }

private:
    [[gnu::noinline]] void Grow(std::size_t n) {
        const std::size_t used = m_At - m_Store.data();
        m_Store.resize(std::max({m_Store.size() * 2, used + n, std::size_t(1024)}));
        m_At = m_Store.data() + used;
        m_End = m_Store.data() + m_Store.size();
    }

    std::vector<T>& m_Store;
    T* m_At;
    T* m_End;
};

void ClearHits(CQxMeshHits& hits) {
    hits.Vertices.Empty();
    hits.Edges.Empty();
    hits.Faces.Empty();
    hits.HalfEdges.Empty();
}

// How many vertices lie inside the rectangle, and how many of them were kept (s.foundVertices).
struct InsideVertices {
    unsigned int count;
    unsigned int kept;
};

// Codes every vertex inside (1) or outside (0) the box into s.codes; with `wantVertices` the
// vertices inside are kept.
template <class Transform>
InsideVertices CodeVerticesInRect(const CQxList<CQxVertex>& list, const Transform& xf, const ScreenBox& box,
                                  int wantVertices, bool lookup, Scratch& s) {
    Sink<CQxVertex*> vertices(s.foundVertices);
    unsigned int insideCount = 0;
    CodeVertices(
        list, xf, box, true, s,
        [&](const CQxVertex& v, unsigned int, const float*) {
            ++insideCount;
            if (wantVertices) vertices.Push(const_cast<CQxVertex*>(&v));
        },
        lookup);
    return {insideCount, vertices.Size()};
}

inline bool IsInside(const Scratch& s, const unsigned char* in, const CQxVertex* v) {
    const unsigned int k = s.Find(v);
    return k != NoVertex && in[k];
}

// The free edges with both ends inside.
void CollectEdges(const CQxMesh& mesh, const Scratch& s, const unsigned char* in, CQxMeshHits& hits) {
    for (const CQxEdge& e : mesh.Edges())
        if (IsInside(s, in, e.Vertex(0)) && IsInside(s, in, e.Vertex(1)))
            hits.Edges.PushBack(const_cast<CQxEdge*>(&e));
}

// How many faces and sides were kept (s.foundFaces, s.foundSides).
struct FoundFaces {
    unsigned int faces = 0;
    unsigned int sides = 0;
};

// Sides with both ends inside and (with `wantFaces`) faces with every corner inside, from the
// topology cache with its sides ready.
FoundFaces CollectCachedSides(Topology& topo, Scratch& s, const unsigned char* in, int wantFaces) {
    Sink<CQxFace*> faces(s.foundFaces);
    Sink<CQxHalfEdge*> sides(s.foundSides);
    const std::uint32_t* first = topo.corners.data();
    topo.ForEach(
        s.runs, 1, [&](std::size_t g) { topo.FillSides(g); },
        [&](std::size_t k, const std::uint32_t* c, auto count) {
            // Most faces of a group near the rectangle still lie wholly outside it.
            unsigned int any = 0, all = 1;
            for (unsigned int i = 0; i < count; ++i) {
                any |= in[c[i]];
                all &= in[c[i]];
            }
            if (!any) return;
            // Side i runs from corner i to corner i + 1.
            const CQxHalfEdge* const* ring = topo.sides.get() + (c - first);
            sides.Reserve(count);
            for (unsigned int i = 0; count > 1 && i < count; ++i)
                sides.Put(const_cast<CQxHalfEdge*>(ring[i]), in[c[i]] & in[c[i + 1 == count ? 0 : i + 1]]);
            faces.Reserve(1);
            faces.Put(const_cast<CQxFace*>(topo.faces[k]), wantFaces & all);
        });
    return {faces.Size(), sides.Size()};
}

// Faces with every corner inside, from the topology cache.
FoundFaces CollectCachedFaces(const Topology& topo, Scratch& s, const unsigned char* in) {
    Sink<CQxFace*> faces(s.foundFaces);
    topo.ForEach(
        s.runs, 1, [](std::size_t) {},
        [&](std::size_t k, const std::uint32_t* c, auto count) {
            unsigned int all = 1;
            for (unsigned int i = 0; i < count; ++i) all &= in[c[i]];
            if (all) faces.Push(const_cast<CQxFace*>(topo.faces[k]));
        });
    return {faces.Size(), 0};
}

// Faces with every corner inside, from the face rings.
FoundFaces CollectListedFaces(const CQxMesh& mesh, Scratch& s, const unsigned char* in) {
    Sink<CQxFace*> faces(s.foundFaces);
    FacePrefetcher prefetch;
    for (const CQxFace& f : mesh.Faces()) {
        prefetch(f);
        const unsigned int count = f.GetHalfEdgeCount();
        const CQxHalfEdge* h = f.GetHalfEdge();
        unsigned int i = 0;
        for (; i < count && h && IsInside(s, in, h->GetVertex()); ++i) h = h->Next();
        if (count && i == count) faces.Push(const_cast<CQxFace*>(&f));
    }
    return {faces.Size(), 0};
}

// Sides with both ends inside and (with `wantFaces`) faces with every corner inside, from the
// face rings.
FoundFaces CollectListedSides(const CQxMesh& mesh, Scratch& s, const unsigned char* in, int wantFaces) {
    Sink<CQxFace*> faces(s.foundFaces);
    Sink<CQxHalfEdge*> sides(s.foundSides);
    FacePrefetcher prefetch;
    for (const CQxFace& f : mesh.Faces()) {
        prefetch(f);
        const unsigned int count = f.GetHalfEdgeCount();
        const CQxHalfEdge* h = f.GetHalfEdge();
        if (!count || !h) continue;
        // Side i runs from corner i to corner i + 1, so each is decided one corner late.
        const bool firstIn = IsInside(s, in, h->GetVertex());
        bool prevIn = firstIn, all = firstIn;
        const CQxHalfEdge* prev = h;
        h = h->Next();
        for (unsigned int i = 1; i < count && h; ++i, h = h->Next()) {
            const bool cur = IsInside(s, in, h->GetVertex());
            if (prevIn && cur) sides.Push(const_cast<CQxHalfEdge*>(prev));
            all = all && cur;
            prevIn = cur;
            prev = h;
        }
        if (count > 1 && prevIn && firstIn) sides.Push(const_cast<CQxHalfEdge*>(prev));
        if (wantFaces && all) faces.Push(const_cast<CQxFace*>(&f));
    }
    return {faces.Size(), sides.Size()};
}

// Copies what was kept to the caller's arrays, each grown once, to its size. Gives 0 with every
// array empty when memory is short, else whether anything was hit.
int ReportRectHits(const Scratch& s, unsigned int vertices, const FoundFaces& found, CQxMeshHits& hits) {
    auto copy = [](auto& to, const auto& from, unsigned int count) {
        return !count || to.Append(from.data(), count);
    };
    if (!copy(hits.Vertices, s.foundVertices, vertices) || !copy(hits.Faces, s.foundFaces, found.faces) ||
        !copy(hits.HalfEdges, s.foundSides, found.sides)) {
        ClearHits(hits);
        return 0;
    }
    return !hits.IsEmpty();
}

template <class Transform>
int RectHit(const CQxMesh& mesh, Topology* topo, unsigned int mask, const CQxRect& rect,
            const CQxViewPort& viewport, const Transform& xf, CQxMeshHits& hits) {
    ClearHits(hits);
    if (mesh.Vertices().IsEmpty() || rect.IsRectEmpty() || viewport.Width == 0 || viewport.Height == 0)
        return 0;
    Scratch& s = g_Scratch;
    const ViewMap map(viewport);
    const float l = static_cast<float>(rect.left), r = static_cast<float>(rect.right);
    const float t = static_cast<float>(rect.top), b = static_cast<float>(rect.bottom);
    const int wantVertices = (mask & QX_HIT_VERTEX) != 0;
    const int wantFaces = (mask & QX_HIT_FACE) != 0;
    const int wantSides = (mask & (QX_HIT_SIDE | QX_HIT_HALFEDGE)) != 0;
    const bool wantEdges = (mask & QX_HIT_EDGE) && !mesh.Edges().IsEmpty();
    bool cached = topo && (wantFaces || wantSides) && topo->Matches(mesh);
    const unsigned int n = mesh.Vertices().GetCount();
    const ScreenBox box(map, l, r, t, b);
    const bool lookup = !cached || wantEdges;
    const InsideVertices inside = CodeVerticesInRect(mesh.Vertices(), xf, box, wantVertices, lookup, s);
    // No vertex inside: no edge, side or face can be.
    if (!inside.count) return 0;
    const unsigned char* in = s.codes.data();
    s.codes[n] = 0;
    if (topo && !cached && (wantFaces || wantSides)) cached = topo->Build(mesh, s);
    if (cached) s.runs.Build(topo->longestSpan);

    if (mask & QX_HIT_EDGE) CollectEdges(mesh, s, in, hits);
    const bool sidesReady = cached && wantSides && topo->PrepareSides();
    // Short of memory for the sides, the rings are walked after all.
    if (!sidesReady && wantSides && !lookup && !s.direct) s.BuildTable(mesh.Vertices());
    FoundFaces found;
    if (sidesReady)
        found = CollectCachedSides(*topo, s, in, wantFaces);
    else if (cached && !wantSides)
        found = CollectCachedFaces(*topo, s, in);
    else if (wantFaces && !wantSides)
        found = CollectListedFaces(mesh, s, in);
    else if (wantSides)
        found = CollectListedSides(mesh, s, in, wantFaces);
    return ReportRectHits(s, inside.kept, found, hits);
}

} // namespace

} // namespace qx_mesh_hit

using qx_mesh_hit::ForEachVertexBlock;
using qx_mesh_hit::g_Scratch;
using qx_mesh_hit::MakeBones;
using qx_mesh_hit::MakeSingle;
using qx_mesh_hit::RectHit;
using qx_mesh_hit::ScreenVertex;
using qx_mesh_hit::SingleTransform;
using qx_mesh_hit::VertexBlock;
using qx_mesh_hit::ViewMap;

int CQxMesh::IsRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport,
                       const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                       CQxMeshHits& hits) const {
    PickCache::Lease cache(*this);
    return RectHit(*this, cache.Get(), mask, rect, viewport, MakeSingle(world, view, projection), hits);
}

int CQxMesh::IsRectHit(unsigned int mask, const CQxRect& rect, const CQxViewPort& viewport,
                       const CQxArray<CQxMatrix>& bones, const CQxMatrix& view, const CQxMatrix& projection,
                       CQxMeshHits& hits) const {
    PickCache::Lease cache(*this);
    return RectHit(*this, cache.Get(), mask, rect, viewport, MakeBones(bones, view, projection), hits);
}

int CQxMesh::IsCircleHit(const CQxPoint& centre, float radius, const CQxViewPort& viewport,
                         const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                         CQxArray<CQxVertex*>& vertices, CQxArray<float>& falloffs) const {
    vertices.Empty();
    falloffs.Empty();
    if (m_Vertices.IsEmpty() || !(radius > 0.0f) || !std::isfinite(radius) || viewport.Width == 0 ||
        viewport.Height == 0)
        return 0;
    const ViewMap map(viewport);
    const float cx = static_cast<float>(centre.x), cy = static_cast<float>(centre.y);
    const SingleTransform xf = MakeSingle(world, view, projection);
    ForEachVertexBlock(
        m_Vertices, xf, g_Scratch,
        [&](unsigned int, unsigned int count, VertexBlock& b) {
            b.Clip(xf.Matrix());
            for (unsigned int j = 0; j < count; ++j) {
                float c[4];
                b.Corner(j, c);
                const ScreenVertex sv = map.Map(c);
                if (!(sv.iw > 0.0f) || !map.InRange(sv.z)) continue;
                const float d = std::hypot(sv.x - cx, sv.y - cy);
                if (!(d <= radius)) continue;
                vertices.PushBack(const_cast<CQxVertex*>(b.v[j]));
                falloffs.PushBack(1.0f - d / radius);
            }
        },
        false);
    return !vertices.IsEmpty();
}
