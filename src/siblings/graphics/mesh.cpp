// The core of CQxMesh: construction, the upkeep passes (vertex half-edges, mates, normals,
// indices), the topology check, selection, the face queries and the small helpers. Copying is in
// mesh_copy.cpp.

#include "qx/graphics/mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "mesh_internal.h"
#include "qx/graphics/bound_box.h"

using qx_mesh::NoIndex;

// --- Construction ---------------------------------------------------------------------------

CQxMesh::CQxMesh() = default;

CQxMesh::CQxMesh(const CQxMesh& other) : CQxMesh() {
    qx_mesh::AppendElements(*this, other, NoIndex, NoIndex, NoIndex, qx_mesh::AppendOptions{});
}

CQxMesh& CQxMesh::operator=(const CQxMesh& other) {
    if (this == &other) return *this;
    Clear();
    qx_mesh::AppendElements(*this, other, NoIndex, NoIndex, NoIndex, qx_mesh::AppendOptions{});
    return *this;
}

CQxMesh::~CQxMesh() {
    Clear();
}

void CQxMesh::Clear() {
    ClearSubdivisionMeshes();
    // Faces first: their rings point at the vertices. Mates link sides of this mesh's own
    // faces, which all go, so the corners are dropped without visiting their mates (on a big
    // mesh those visits, scattered in memory, were most of the time taken).
    for (CQxFace& f : m_Faces) f.DropRing();
    m_Faces.Clear();
    m_Edges.Clear();
    m_Vertices.Clear();
    m_PickCache.reset();
}

int CQxMesh::IsEmpty() const {
    return m_Vertices.IsEmpty() && m_Edges.IsEmpty() && m_Faces.IsEmpty();
}

// --- Upkeep ---------------------------------------------------------------------------------

namespace {

// The vertices by list position, each numbered with it, so a corner's vertex can be checked for
// belonging to the mesh with one comparison.
class VertexTable {
public:
    VertexTable(CQxList<CQxVertex>& vertices, int clearHalfEdges) : m_Vertices(vertices.GetCount()) {
        unsigned int i = 0;
        for (CQxVertex& v : vertices) {
            v.Index() = i;
            if (clearHalfEdges) v.HalfEdge() = nullptr;
            m_Vertices[i++] = &v;
        }
    }

    std::size_t Size() const { return m_Vertices.Size(); }
    CQxVertex* operator[](std::size_t i) const { return m_Vertices[i]; }
    unsigned int Find(const CQxVertex* v) const {
        if (!v) return NoIndex;
        const unsigned int i = v->Index();
        return i < m_Vertices.Size() && m_Vertices[i] == v ? i : NoIndex;
    }

    // A vertex keeps a corner that starts at it, preferring one on a boundary, from which a walk
    // around the vertex reaches every face of its fan.
    void Offer(CQxHalfEdge* h) const {
        CQxVertex* v = h->GetVertex();
        if (Find(v) == NoIndex) return;
        CQxHalfEdge* cur = v->HalfEdge();
        if (!cur || (!h->Mate() && cur->Mate())) v->HalfEdge() = h;
    }

private:
    qx_mesh::ScratchArray<CQxVertex*> m_Vertices;
};

// What UpdateHalfEdgeMates sorts: a side keyed by its lower vertex number, or SkipSide for one
// that cannot be an edge (a corner outside the mesh, or both ends the same).
constexpr std::uint32_t SkipSide = 0xFFFFFFFF;

// A bucket entry: the higher vertex with the direction bit, and the serial number of the side.
struct SideEntry {
    std::uint32_t High;
    std::uint32_t Serial;
};

// No mates at all (too many corners to number); the vertices still get their corners.
void ClearMates(CQxList<CQxFace>& faces, const VertexTable& vertices) {
    for (CQxFace& f : faces) f.ForEachHalfEdge([](CQxHalfEdge& h) { h.Mate() = nullptr; });
    for (CQxFace& f : faces) f.ForEachHalfEdge([&](CQxHalfEdge& h) { vertices.Offer(&h); });
}

// Numbers every corner in list order (corners), clears its mate and keys its side (keys); start[lo + 1]
// counts the sides keyed by lower vertex lo.
void KeySides(CQxList<CQxFace>& faces, const VertexTable& vertices,
              qx_mesh::ScratchArray<CQxHalfEdge*>& corners, qx_mesh::ScratchArray<std::uint64_t>& keys,
              qx_mesh::ScratchArray<std::uint32_t>& start) {
    std::size_t s = 0;
    for (CQxFace& f : faces) {
        CQxHalfEdge* h = f.GetHalfEdge();
        const unsigned int n = f.GetHalfEdgeCount();
        if (!n) continue;
        const std::uint32_t first = vertices.Find(h->GetVertex());
        std::uint32_t a = first;
        for (unsigned int i = 0; i < n; ++i, ++s) {
            CQxHalfEdge* next = h->Next();
            const std::uint32_t b = i + 1 < n ? vertices.Find(next->GetVertex()) : first;
            h->Mate() = nullptr;
            corners[s] = h;
            if (a == NoIndex || b == NoIndex || a == b) {
                keys[s] = SkipSide;
            } else {
                const std::uint32_t lo = std::min(a, b);
                keys[s] = lo | std::uint64_t(std::max(a, b) | (a > b ? 0x80000000u : 0u)) << 32;
                ++start[lo + 1];
            }
            a = b;
            h = next;
        }
    }
}

// A counting sort of the keyed sides into one bucket per lower vertex (start holds the buckets'
// starts).
void BucketSides(const qx_mesh::ScratchArray<std::uint64_t>& keys,
                 const qx_mesh::ScratchArray<std::uint32_t>& start, std::size_t vertexCount,
                 qx_mesh::ScratchArray<SideEntry>& entries) {
    qx_mesh::ScratchArray<std::uint32_t> fill(vertexCount);
    std::copy(start.Data(), start.Data() + vertexCount, fill.Data());
    for (std::size_t i = 0; i < keys.Size(); ++i) {
        const std::uint64_t key = keys[i];
        const std::uint32_t lo = static_cast<std::uint32_t>(key);
        if (lo == SkipSide) continue;
        entries[fill[lo]++] = SideEntry{static_cast<std::uint32_t>(key >> 32), static_cast<std::uint32_t>(i)};
    }
}

// Sorts each bucket by higher vertex; two sides to the same vertex running opposite ways in
// different faces become mates. Returns the number of pairs.
unsigned int PairSides(qx_mesh::ScratchArray<SideEntry>& entries,
                       const qx_mesh::ScratchArray<std::uint32_t>& start, std::size_t vertexCount,
                       const qx_mesh::ScratchArray<CQxHalfEdge*>& corners) {
    auto byHigh = [](const SideEntry& x, const SideEntry& y) {
        return (x.High & 0x7FFFFFFF) < (y.High & 0x7FFFFFFF);
    };
    unsigned int pairs = 0;
    for (std::size_t v = 0; v < vertexCount; ++v) {
        SideEntry* b = entries.Data() + start[v];
        SideEntry* e = entries.Data() + start[v + 1];
        const std::size_t k = static_cast<std::size_t>(e - b);
        if (k < 2) continue;
        if (k <= 16) {
            for (SideEntry* i = b + 1; i < e; ++i)
                for (SideEntry* j = i; j > b && byHigh(*j, *(j - 1)); --j) std::swap(*j, *(j - 1));
        } else {
            std::sort(b, e, byHigh);
        }
        for (SideEntry* i = b; i < e;) {
            SideEntry* j = i + 1;
            while (j < e && !byHigh(*i, *j)) ++j;
            if (j - i == 2 && ((i->High ^ (i + 1)->High) & 0x80000000u)) {
                CQxHalfEdge* x = corners[i->Serial];
                CQxHalfEdge* y = corners[(i + 1)->Serial];
                if (x->GetFace() != y->GetFace()) {
                    x->Mate() = y;
                    y->Mate() = x;
                    ++pairs;
                }
            }
            i = j;
        }
    }
    return pairs;
}

} // namespace

void CQxMesh::UpdateVertexHalfEdges() {
    const VertexTable vertices(m_Vertices, 1);
    for (CQxFace& f : m_Faces) f.ForEachHalfEdge([&](CQxHalfEdge& h) { vertices.Offer(&h); });
}

// Every side is keyed by its lower and higher vertex number. A counting sort on the lower number
// gathers the sides of each vertex into one bucket, where sides with the same higher number are
// the same edge: exactly two of them, running opposite ways in different faces, become mates.
// One side alone is a boundary; three or more (a non-manifold edge) or two running the same way
// (faces wound against each other) get no mate. Vertex half-edges are refreshed on the way.
unsigned int CQxMesh::UpdateHalfEdgeMates() {
    const VertexTable vertices(m_Vertices, 1);
    const std::size_t vertexCount = vertices.Size();

    std::size_t total = 0;
    for (const CQxFace& f : m_Faces) total += f.GetHalfEdgeCount();
    // Serial numbers and the direction bit share 32 bits.
    if (total == 0 || total >= (std::size_t(1) << 31) || vertexCount >= (std::size_t(1) << 31)) {
        ClearMates(m_Faces, vertices);
        return 0;
    }

    qx_mesh::ScratchArray<CQxHalfEdge*> corners(total);
    // Per corner: the lower vertex number, and the higher one with the direction in its top bit.
    auto keys = std::make_unique<qx_mesh::ScratchArray<std::uint64_t>>(total);
    qx_mesh::ScratchArray<std::uint32_t> start(vertexCount + 1);
    std::fill(start.Data(), start.Data() + vertexCount + 1, 0u);
    KeySides(m_Faces, vertices, corners, *keys, start);
    for (std::size_t v = 0; v < vertexCount; ++v) start[v + 1] += start[v];

    qx_mesh::ScratchArray<SideEntry> entries(start[vertexCount]);
    BucketSides(*keys, start, vertexCount, entries);
    keys.reset();
    const unsigned int pairs = PairSides(entries, start, vertexCount, corners);

    for (std::size_t i = 0; i < total; ++i) vertices.Offer(corners[i]);
    return pairs;
}

void CQxMesh::UpdateNormals() {
    const VertexTable vertices(m_Vertices, 0);
    for (std::size_t i = 0; i < vertices.Size(); ++i) vertices[i]->Normal().SetNull();

    int hasFlat = 0;
    for (CQxFace& f : m_Faces) {
        f.Normal() = f.CalcNormal();
        if (!f.IsShade()) {
            hasFlat = 1;
            continue;
        }
        const CQxVector n = f.Normal();
        f.ForEachHalfEdge([&](CQxHalfEdge& h) {
            if (vertices.Find(h.GetVertex()) != NoIndex) h.GetVertex()->Normal() += n;
        });
    }

    // A vertex that touches only flat faces still gets a normal: the average of those faces.
    std::vector<CQxVector> flat;
    if (hasFlat) {
        flat.resize(vertices.Size());
        for (CQxFace& f : m_Faces) {
            if (f.IsShade()) continue;
            const CQxVector n = f.Normal();
            f.ForEachHalfEdge([&](CQxHalfEdge& h) {
                const unsigned int i = vertices.Find(h.GetVertex());
                if (i != NoIndex) flat[i] += n;
            });
        }
    }
    for (std::size_t i = 0; i < vertices.Size(); ++i) {
        CQxVector& n = vertices[i]->Normal();
        n = qx_mesh::UnitOrZero(n);
        if (hasFlat && n.GetLengthSq() == 0.0f) n = qx_mesh::UnitOrZero(flat[i]);
    }
}

void CQxMesh::UpdateIndices() {
    m_Vertices.UpdateIndices();
    m_Edges.UpdateIndices();
    m_Faces.UpdateIndices();
    for (CQxFace& f : m_Faces) {
        unsigned int i = 0;
        f.ForEachHalfEdge([&](CQxHalfEdge& h) { h.Index() = i++; });
    }
}

unsigned int CQxMesh::UpdateHalfEdgeSerialIndices() {
    unsigned int i = 0;
    for (CQxFace& f : m_Faces) f.ForEachHalfEdge([&](CQxHalfEdge& h) { h.Index() = i++; });
    return i;
}

void CQxMesh::CreateHalfEdgeSerialPointerArray(CQxArray<CQxHalfEdge*>& out) const {
    unsigned int n = 0;
    for (const CQxFace& f : m_Faces) n += f.GetHalfEdgeCount();
    out.Resize(n, 0);
    CQxHalfEdge** p = out.GetData();
    for (const CQxFace& f : m_Faces) f.ForEachHalfEdge([&](CQxHalfEdge& h) { *p++ = &h; });
}

// --- Selection ------------------------------------------------------------------------------

namespace {

unsigned char Flag(int on) {
    return on ? 1 : 0;
}

template <class F>
void ForEachCorner(const CQxList<CQxFace>& faces, F&& f) {
    for (const CQxFace& face : faces) face.ForEachHalfEdge(f);
}

} // namespace

void CQxMesh::Select(int on) {
    const unsigned char s = Flag(on);
    for (CQxVertex& v : m_Vertices) v.IsSelect() = s;
    for (CQxEdge& e : m_Edges) e.IsSelect() = s;
    for (CQxFace& f : m_Faces) {
        f.IsSelect() = s;
        f.ForEachHalfEdge([s](CQxHalfEdge& h) { h.IsSelect() = s; });
    }
}

void CQxMesh::ToggleSelect() {
    for (CQxVertex& v : m_Vertices) v.IsSelect() = Flag(!v.IsSelect());
    for (CQxEdge& e : m_Edges) e.IsSelect() = Flag(!e.IsSelect());
    for (CQxFace& f : m_Faces) {
        f.IsSelect() = Flag(!f.IsSelect());
        f.ForEachHalfEdge([](CQxHalfEdge& h) { h.IsSelect() = Flag(!h.IsSelect()); });
    }
}

void CQxMesh::Select(int on, const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                     const CQxArray<CQxFace*>& faces, const CQxArray<CQxHalfEdge*>& halfEdges) {
    const unsigned char s = Flag(on);
    for (CQxVertex* v : vertices)
        if (v) v->IsSelect() = s;
    for (CQxEdge* e : edges)
        if (e) e->IsSelect() = s;
    for (CQxFace* f : faces)
        if (f) f->IsSelect() = s;
    for (CQxHalfEdge* h : halfEdges)
        if (h) h->IsSelect() = s;
}

// An element listed twice is toggled twice, as two clicks on it would.
void CQxMesh::ToggleSelect(const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                           const CQxArray<CQxFace*>& faces, const CQxArray<CQxHalfEdge*>& halfEdges) {
    for (CQxVertex* v : vertices)
        if (v) v->IsSelect() = Flag(!v->IsSelect());
    for (CQxEdge* e : edges)
        if (e) e->IsSelect() = Flag(!e->IsSelect());
    for (CQxFace* f : faces)
        if (f) f->IsSelect() = Flag(!f->IsSelect());
    for (CQxHalfEdge* h : halfEdges)
        if (h) h->IsSelect() = Flag(!h->IsSelect());
}

void CQxMesh::SelectUVs(int on) {
    const unsigned char s = Flag(on);
    ForEachCorner(m_Faces, [s](CQxHalfEdge& h) {
        if (h.HasUV()) h.IsUVSelect() = s;
    });
}

void CQxMesh::ToggleSelectUVs() {
    ForEachCorner(m_Faces, [](CQxHalfEdge& h) {
        if (h.HasUV()) h.IsUVSelect() = Flag(!h.IsUVSelect());
    });
}

void CQxMesh::SelectUVs(int on, const CQxArray<CQxHalfEdge*>& halfEdges) {
    const unsigned char s = Flag(on);
    for (CQxHalfEdge* h : halfEdges)
        if (h && h->HasUV()) h->IsUVSelect() = s;
}

void CQxMesh::ToggleSelectUVs(const CQxArray<CQxHalfEdge*>& halfEdges) {
    for (CQxHalfEdge* h : halfEdges)
        if (h && h->HasUV()) h->IsUVSelect() = Flag(!h->IsUVSelect());
}

int CQxMesh::HasSelect() const {
    return HasVertexSelect() || HasEdgeSelect() || HasFaceSelect() || HasFaceHalfEdgeSelect();
}

int CQxMesh::HasVertexSelect() const {
    return std::any_of(m_Vertices.begin(), m_Vertices.end(), [](const CQxVertex& v) { return v.IsSelect(); });
}

int CQxMesh::HasEdgeSelect() const {
    return std::any_of(m_Edges.begin(), m_Edges.end(), [](const CQxEdge& e) { return e.IsSelect(); });
}

int CQxMesh::HasFaceSelect() const {
    return std::any_of(m_Faces.begin(), m_Faces.end(), [](const CQxFace& f) { return f.IsSelect(); });
}

int CQxMesh::HasFaceHalfEdgeSelect() const {
    int any = 0;
    ForEachCorner(m_Faces, [&](const CQxHalfEdge& h) { any |= h.IsSelect(); });
    return any;
}

int CQxMesh::HasUVSelect() const {
    int any = 0;
    ForEachCorner(m_Faces, [&](const CQxHalfEdge& h) { any |= h.HasUV() && h.IsUVSelect(); });
    return any;
}

int CQxMesh::GetSelects(CQxArray<CQxVertex*>& vertices, CQxArray<CQxEdge*>& edges, CQxArray<CQxFace*>& faces,
                        CQxArray<CQxHalfEdge*>& halfEdges) const {
    vertices.Empty();
    edges.Empty();
    faces.Empty();
    halfEdges.Empty();
    for (const CQxVertex& v : m_Vertices)
        if (v.IsSelect()) vertices.PushBack(const_cast<CQxVertex*>(&v));
    for (const CQxEdge& e : m_Edges)
        if (e.IsSelect()) edges.PushBack(const_cast<CQxEdge*>(&e));
    for (const CQxFace& f : m_Faces)
        if (f.IsSelect()) faces.PushBack(const_cast<CQxFace*>(&f));
    ForEachCorner(m_Faces, [&](CQxHalfEdge& h) {
        if (h.IsSelect()) halfEdges.PushBack(&h);
    });
    return !vertices.IsEmpty() || !edges.IsEmpty() || !faces.IsEmpty() || !halfEdges.IsEmpty();
}

int CQxMesh::GetUVSelects(CQxArray<CQxHalfEdge*>& halfEdges) const {
    halfEdges.Empty();
    ForEachCorner(m_Faces, [&](CQxHalfEdge& h) {
        if (h.HasUV() && h.IsUVSelect()) halfEdges.PushBack(&h);
    });
    return !halfEdges.IsEmpty();
}

// --- Faces ----------------------------------------------------------------------------------

namespace {

// The faces of the mesh named in `faces` (every face when it is empty), each once, in the order
// given; pointers that are not faces of the mesh are dropped.
std::vector<CQxFace*> ResolveFaces(const CQxList<CQxFace>& list, const CQxArray<CQxFace*>& faces) {
    std::vector<CQxFace*> all = qx_mesh::CollectElements(list);
    if (faces.IsEmpty()) return all;
    const qx_mesh::ElementIndexer<CQxFace> index(all);
    std::vector<unsigned char> seen(all.size(), 0);
    std::vector<CQxFace*> out;
    for (CQxFace* f : faces) {
        const unsigned int i = index.Find(f);
        if (i == NoIndex || seen[i]) continue;
        seen[i] = 1;
        out.push_back(f);
    }
    return out;
}

// A face's corners as a cyclic sequence read from its smallest vertex address, forwards or
// backwards, so that rings equal up to rotation compare equal.
std::vector<const CQxVertex*> CyclicKey(const CQxFace& f, int backwards) {
    std::vector<const CQxVertex*> ring;
    ring.reserve(f.GetHalfEdgeCount());
    f.ForEachHalfEdge([&](const CQxHalfEdge& h) { ring.push_back(h.GetVertex()); });
    if (backwards) std::reverse(ring.begin(), ring.end());
    if (!ring.empty()) std::rotate(ring.begin(), std::min_element(ring.begin(), ring.end()), ring.end());
    return ring;
}

struct KeyHash {
    std::size_t operator()(const std::vector<const CQxVertex*>& key) const {
        std::size_t h = key.size();
        for (const CQxVertex* v : key)
            h = (h ^ reinterpret_cast<std::uintptr_t>(v)) * 0x9E3779B97F4A7C15ull + (h >> 29);
        return h;
    }
};

// For each of the asked faces: 1 when a face with the same corners in the opposite order comes
// earlier in the face list, 2 when one exists only later, 0 when there is none or the face is
// not valid.
std::vector<unsigned char> FindTwins(const CQxList<CQxFace>& list, const std::vector<CQxFace*>& asked) {
    // Only valid faces take part: with distinct corners a ring never reads the same backwards,
    // so a face is never its own twin.
    std::unordered_map<std::vector<const CQxVertex*>, unsigned int, KeyHash> firstAt;
    std::unordered_map<const CQxFace*, unsigned int> position;
    unsigned int i = 0;
    for (const CQxFace& f : list) {
        if (f.IsValid()) {
            firstAt.emplace(CyclicKey(f, 0), i);
            position.emplace(&f, i);
        }
        ++i;
    }
    std::vector<unsigned char> out(asked.size(), 0);
    for (std::size_t k = 0; k < asked.size(); ++k) {
        auto here = position.find(asked[k]);
        if (here == position.end()) continue;
        auto it = firstAt.find(CyclicKey(*asked[k], 1));
        if (it != firstAt.end()) out[k] = it->second < here->second ? 1 : 2;
    }
    return out;
}

} // namespace

void CQxMesh::InvertFaces(const CQxArray<CQxFace*>& faces) {
    const std::vector<CQxFace*> list = ResolveFaces(m_Faces, faces);
    if (list.empty()) return;
    for (CQxFace* f : list) f->ReverseHalfEdges();
    UpdateHalfEdgeMates();
}

int CQxMesh::FaceBackSide(const CQxArray<CQxFace*>& faces, CQxArray<CQxFace*>& added) {
    added.Empty();
    const std::vector<CQxFace*> list = ResolveFaces(m_Faces, faces);
    for (CQxFace* f : list) {
        if (!f->HasHalfEdges()) continue;
        auto* back = new CQxFace(*f);
        back->CopyRing(*f);
        back->ReverseHalfEdges();
        m_Faces.PushBack(back);
        added.PushBack(back);
    }
    if (added.IsEmpty()) return 0;
    UpdateHalfEdgeMates();
    return 1;
}

void CQxMesh::GetBackSideFaces(const CQxArray<CQxFace*>& faces, CQxArray<CQxFace*>& out) const {
    out.Empty();
    const std::vector<CQxFace*> list = ResolveFaces(m_Faces, faces);
    const std::vector<unsigned char> twins = FindTwins(m_Faces, list);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (twins[i] == 1) out.PushBack(list[i]);
}

void CQxMesh::GetSingleSideFaces(const CQxArray<CQxFace*>& faces, CQxArray<CQxFace*>& out) const {
    out.Empty();
    const std::vector<CQxFace*> list = ResolveFaces(m_Faces, faces);
    const std::vector<unsigned char> twins = FindTwins(m_Faces, list);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (twins[i] == 0 && list[i]->IsValid()) out.PushBack(list[i]);
}

unsigned int CQxMesh::GetSeparatedFaceCount(unsigned int corners) const {
    if (corners < 3) return 0;
    unsigned int count = 0;
    for (const CQxFace& f : m_Faces)
        if (f.IsValid()) count += (f.GetHalfEdgeCount() - 2 + corners - 3) / (corners - 2);
    return count;
}

unsigned int CQxMesh::GetValidFaceHalfEdgeCount() const {
    unsigned int count = 0;
    for (const CQxFace& f : m_Faces)
        if (f.IsValid()) count += f.GetHalfEdgeCount();
    return count;
}

int CQxMesh::HasFaceAttribute(const CQxAttribute* attribute) const {
    for (const CQxFace& f : m_Faces)
        if (attribute ? f.Attribute() == attribute : f.Attribute() != nullptr) return 1;
    return 0;
}

int CQxMesh::HasFaceFlat() const {
    return std::any_of(m_Faces.begin(), m_Faces.end(), [](const CQxFace& f) { return !f.IsShade(); });
}

void CQxMesh::GetUniqueAttributes(CQxArray<CQxAttribute*>& out) const {
    out.Empty();
    const CQxAttribute* last = nullptr;
    int any = 0;
    for (const CQxFace& f : m_Faces) {
        CQxAttribute* a = f.Attribute();
        if (any && a == last) continue;
        if (!out.Has(a)) out.PushBack(a);
        last = a;
        any = 1;
    }
}

void CQxMesh::SetAttribute(CQxAttribute* attribute, const CQxArray<CQxFace*>& faces) {
    for (CQxFace* f : ResolveFaces(m_Faces, faces)) f->Attribute() = attribute;
}

// --- Other ----------------------------------------------------------------------------------

void CQxMesh::OffsetVertices(const CQxVector& offset) {
    for (CQxVertex& v : m_Vertices) v.Position() += offset;
}

int CQxMesh::GetBoundBox(CQxBoundBox& box, const CQxMatrix* transform) const {
    if (m_Vertices.IsEmpty()) return 0;
    for (const CQxVertex& v : m_Vertices)
        box.Add(transform ? transform->Transform(v.Position()) : v.Position());
    return 1;
}

void CQxMesh::AllocHalfEdgeUVs() {
    ForEachCorner(m_Faces, [](CQxHalfEdge& h) { h.AllocUV(); });
}

void CQxMesh::FreeHalfEdgeUVs() {
    ForEachCorner(m_Faces, [](CQxHalfEdge& h) { h.FreeUV(); });
}

void CQxMesh::AllocVertexBones() {
    for (CQxVertex& v : m_Vertices) v.AllocBones();
}

void CQxMesh::FreeVertexBones() {
    for (CQxVertex& v : m_Vertices) v.FreeBones();
}
