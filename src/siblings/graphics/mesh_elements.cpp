#include "qx/graphics/mesh_elements.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "mesh_internal.h"

// --- Topology epoch -------------------------------------------------------------------------

namespace {

// Meshes may be built on several threads at once; an atomic increment never loses a step, so
// the value seen after an edit always differs from every value seen before it.
std::atomic<std::uint64_t> g_TopologyEpoch{1};

inline void BumpEpoch() noexcept {
    g_TopologyEpoch.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

void QxBumpMeshTopology() noexcept {
    BumpEpoch();
}

std::uint64_t QxGetMeshTopologyEpoch() noexcept {
    return g_TopologyEpoch.load(std::memory_order_relaxed);
}

// --- Pools ----------------------------------------------------------------------------------

namespace {

#ifndef __SANITIZE_ADDRESS__
// Fixed-size slots carved from blocks, recycled through a free list. Fresh slots are handed out
// in address order, so elements built one after another sit next to each other. Blocks grow
// from 64 KiB to 2 MiB; the large ones are aligned and offered to the kernel as huge pages,
// which spares a big mesh hundreds of thousands of page faults and TLB misses.
class ElementPool {
public:
    explicit ElementPool(std::size_t slotSize)
        : m_SlotSize((std::max(slotSize, sizeof(FreeSlot)) + SlotAlign - 1) / SlotAlign * SlotAlign) {}

    void* Allocate();
    void Release(void* p) noexcept;

private:
    struct FreeSlot {
        FreeSlot* Next;
    };
    static constexpr std::size_t FirstBlockBytes = 64 * 1024;
    static constexpr std::size_t MaxBlockBytes = 2 * 1024 * 1024;
    // Every element holds pointers, so pointer alignment serves all and wastes no slot space.
    static constexpr std::size_t SlotAlign = alignof(FreeSlot);

    void AddBlock();
    void Trim() noexcept;

    std::size_t m_SlotSize;
    FreeSlot* m_Free = nullptr;
    char* m_Bump = nullptr;
    char* m_BumpEnd = nullptr;
    std::size_t m_Live = 0;
    std::size_t m_NextBlockBytes = FirstBlockBytes;
    std::vector<char*> m_Blocks;
};

void ElementPool::AddBlock() {
    const std::size_t bytes = m_NextBlockBytes;
    char* block = nullptr;
    if (bytes == MaxBlockBytes) {
        block = static_cast<char*>(std::aligned_alloc(MaxBlockBytes, bytes));
        if (block) ::madvise(block, bytes, MADV_HUGEPAGE);
    } else {
        block = static_cast<char*>(std::malloc(bytes));
    }
    if (!block) throw std::bad_alloc();
    m_Blocks.push_back(block);
    m_Bump = block;
    m_BumpEnd = block + (bytes / m_SlotSize) * m_SlotSize;
    m_NextBlockBytes = std::min(bytes * 2, MaxBlockBytes);
}

void* ElementPool::Allocate() {
    if (m_Free) {
        FreeSlot* slot = m_Free;
        m_Free = slot->Next;
        ++m_Live;
        return slot;
    }
    if (m_Bump == m_BumpEnd) AddBlock();
    void* p = m_Bump;
    m_Bump += m_SlotSize;
    ++m_Live;
    return p;
}

void ElementPool::Release(void* p) noexcept {
    auto* slot = static_cast<FreeSlot*>(p);
    slot->Next = m_Free;
    m_Free = slot;
    if (--m_Live == 0 && m_Blocks.size() > 1) Trim();
}

// With nothing alive every slot is free: hand all blocks but the first back to the system and
// start bump allocation afresh in it, so a closed large mesh does not pin its memory.
void ElementPool::Trim() noexcept {
    for (std::size_t i = 1; i < m_Blocks.size(); ++i) std::free(m_Blocks[i]);
    m_Blocks.resize(1);
    m_Free = nullptr;
    m_Bump = m_Blocks[0];
    m_BumpEnd = m_Bump + (FirstBlockBytes / m_SlotSize) * m_SlotSize;
    m_NextBlockBytes = FirstBlockBytes * 2;
}

// The pools are never destroyed: elements of meshes with static storage may still be deleted
// while the program exits.
template <class T>
ElementPool& PoolOf() {
    static_assert(alignof(T) <= alignof(void*));
    static ElementPool* pool = new ElementPool(sizeof(T));
    return *pool;
}
#endif

// Allocating and freeing leave the epoch alone: an element reaches a mesh only by being linked
// into a list or a ring, and leaves it only by being unlinked (or by its list being cleared),
// and each of those moves the epoch. So a slot that comes back as another element at the same
// address is never mistaken for the old one, and building a mesh pays one step per element.
template <class T>
void* PooledNew(std::size_t size) {
#ifdef __SANITIZE_ADDRESS__
    // The sanitizer must see each element as its own allocation to catch use after free.
    return ::operator new(size);
#else
    // Slots fit exactly one element; a larger request (a derived class) cannot be served.
    if (size > sizeof(T)) throw std::bad_alloc();
    return PoolOf<T>().Allocate();
#endif
}

template <class T>
void PooledDelete(void* p) noexcept {
    if (!p) return;
#ifdef __SANITIZE_ADDRESS__
    ::operator delete(p);
#else
    PoolOf<T>().Release(p);
#endif
}

} // namespace

void* CQxVertex::operator new(std::size_t size) {
    return PooledNew<CQxVertex>(size);
}
void CQxVertex::operator delete(void* p) noexcept {
    PooledDelete<CQxVertex>(p);
}
void* CQxEdge::operator new(std::size_t size) {
    return PooledNew<CQxEdge>(size);
}
void CQxEdge::operator delete(void* p) noexcept {
    PooledDelete<CQxEdge>(p);
}
void* CQxHalfEdge::operator new(std::size_t size) {
    return PooledNew<CQxHalfEdge>(size);
}
void CQxHalfEdge::operator delete(void* p) noexcept {
    PooledDelete<CQxHalfEdge>(p);
}
void* CQxFace::operator new(std::size_t size) {
    return PooledNew<CQxFace>(size);
}
void CQxFace::operator delete(void* p) noexcept {
    PooledDelete<CQxFace>(p);
}

// --- Vertex ---------------------------------------------------------------------------------

CQxVertex::CQxVertex(const CQxVertex& other)
    : CQxListNode<CQxVertex>(), m_Position(other.m_Position), m_Normal(other.m_Normal),
      m_Select(other.m_Select) {
    if (other.m_Bones) m_Bones = new (std::nothrow) CQxVertexBones(*other.m_Bones);
}

CQxVertex& CQxVertex::operator=(const CQxVertex& other) {
    if (this == &other) return *this;
    m_Position = other.m_Position;
    m_Normal = other.m_Normal;
    m_Select = other.m_Select;
    if (!other.m_Bones) {
        FreeBones();
    } else if (m_Bones || AllocBones()) {
        *m_Bones = *other.m_Bones;
    }
    return *this;
}

CQxVertex::~CQxVertex() {
    FreeBones();
}

int CQxVertex::AllocBones() {
    if (!m_Bones) m_Bones = new (std::nothrow) CQxVertexBones();
    return m_Bones != nullptr;
}

void CQxVertex::FreeBones() {
    delete m_Bones;
    m_Bones = nullptr;
}

// --- Half-edge ------------------------------------------------------------------------------

CQxHalfEdge::CQxHalfEdge(const CQxHalfEdge& other)
    : CQxListNode<CQxHalfEdge>(), m_Flags(other.m_Flags), m_Vertex(other.m_Vertex), m_UV(other.m_UV),
      m_Color(other.m_Color), m_HasUV(other.m_HasUV), m_UVSelect(other.m_UVSelect), m_Select(other.m_Select) {
}

CQxHalfEdge& CQxHalfEdge::operator=(const CQxHalfEdge& other) {
    if (m_Vertex != other.m_Vertex) BumpEpoch();
    m_Vertex = other.m_Vertex;
    m_UV = other.m_UV;
    m_Flags = other.m_Flags;
    m_Color = other.m_Color;
    m_HasUV = other.m_HasUV;
    m_UVSelect = other.m_UVSelect;
    m_Select = other.m_Select;
    return *this;
}

int CQxHalfEdge::AllocUV() {
    if (!m_HasUV) {
        m_UV.SetNull();
        m_HasUV = 1;
    }
    return 1;
}

void CQxHalfEdge::FreeUV() {
    m_HasUV = 0;
    m_UV.SetNull();
    m_UVSelect = 0;
}

// --- Face -----------------------------------------------------------------------------------

namespace {

// Cuts the mate link on both sides.
void Unmate(CQxHalfEdge& h) {
    CQxHalfEdge* m = h.Mate();
    if (m && m->Mate() == &h) m->Mate() = nullptr;
    h.Mate() = nullptr;
}

} // namespace

CQxFace::CQxFace(const CQxFace& other)
    : CQxListNode<CQxFace>(), m_Attribute(other.m_Attribute), m_Normal(other.m_Normal), m_Flag(other.m_Flag),
      m_Select(other.m_Select) {}

CQxFace& CQxFace::operator=(const CQxFace& other) {
    m_Attribute = other.m_Attribute;
    m_Normal = other.m_Normal;
    m_Flag = other.m_Flag;
    m_Select = other.m_Select;
    return *this;
}

CQxFace::~CQxFace() {
    ClearHalfEdges();
}

int CQxFace::PushHalfEdge(CQxHalfEdge* h) {
    return PushHalfEdges(&h, 1);
}

int CQxFace::PushHalfEdges(CQxHalfEdge* const* corners, unsigned int count) {
    if (count && !corners) return 0;
    for (unsigned int i = 0; i < count; ++i) {
        CQxHalfEdge* h = corners[i];
        if (!h || h->Next() || h->Prev()) {
            for (unsigned int k = 0; k < i; ++k) corners[k]->Next() = nullptr;
            return 0;
        }
        // Marks the corner as taken, so a corner given twice is caught.
        h->Next() = h;
    }
    if (!count) return 1;
    BumpEpoch();
    CQxHalfEdge* last = m_First ? m_First->Prev() : nullptr;
    for (unsigned int i = 0; i < count; ++i) {
        CQxHalfEdge* h = corners[i];
        h->m_Face = this;
        h->Index() = m_Count++;
        h->Prev() = last;
        if (last) last->Next() = h;
        if (!m_First) m_First = h;
        last = h;
    }
    last->Next() = m_First;
    m_First->Prev() = last;
    return 1;
}

int CQxFace::PushFrontHalfEdge(CQxHalfEdge* h) {
    if (!PushHalfEdge(h)) return 0;
    m_First = h;
    BumpEpoch();
    return 1;
}

int CQxFace::InsertHalfEdgeAfter(CQxHalfEdge* pos, CQxHalfEdge* h) {
    if (!pos || !h || h == pos || pos->m_Face != this || !pos->Next() || h->Next() || h->Prev()) return 0;
    BumpEpoch();
    CQxHalfEdge* next = pos->Next();
    h->m_Face = this;
    h->Prev() = pos;
    h->Next() = next;
    pos->Next() = h;
    next->Prev() = h;
    ++m_Count;
    return 1;
}

int CQxFace::RemoveHalfEdge(CQxHalfEdge* h) {
    if (!h || h->m_Face != this || !h->Next() || m_Count == 0) return 0;
    BumpEpoch();
    Unmate(*h);
    if (m_Count == 1) {
        m_First = nullptr;
    } else {
        h->Prev()->Next() = h->Next();
        h->Next()->Prev() = h->Prev();
        if (m_First == h) m_First = h->Next();
    }
    h->Next() = nullptr;
    h->Prev() = nullptr;
    h->m_Face = nullptr;
    --m_Count;
    return 1;
}

int CQxFace::PopHalfEdge(CQxHalfEdge* h) {
    if (!RemoveHalfEdge(h)) return 0;
    delete h;
    return 1;
}

void CQxFace::DropRing() noexcept {
    BumpEpoch();
    CQxHalfEdge* h = m_First;
    for (unsigned int i = 0; i < m_Count; ++i) {
        CQxHalfEdge* next = h->Next();
        delete h;
        h = next;
    }
    m_First = nullptr;
    m_Count = 0;
}

void CQxFace::ClearHalfEdges() {
    ForEachHalfEdge([](CQxHalfEdge& h) { Unmate(h); });
    DropRing();
}

// Swapping each corner's links turns the ring around while the first corner stays first. The
// sides now run the other way, so old mates no longer fit.
void CQxFace::ReverseHalfEdges() {
    BumpEpoch();
    CQxHalfEdge* h = m_First;
    for (unsigned int i = 0; i < m_Count; ++i) {
        CQxHalfEdge* next = h->Next();
        Unmate(*h);
        std::swap(h->Next(), h->Prev());
        h = next;
    }
    m_Normal = -m_Normal;
}

void CQxFace::CopyRing(const CQxFace& other) {
    if (&other == this) return;
    BumpEpoch();
    ClearHalfEdges();
    other.ForEachHalfEdge([this](CQxHalfEdge& h) { PushHalfEdge(new CQxHalfEdge(h)); });
}

unsigned int CQxFace::GetHalfEdgePosition(const CQxHalfEdge* h) const {
    const CQxHalfEdge* c = m_First;
    for (unsigned int i = 0; i < m_Count; ++i, c = c->Next())
        if (c == h) return i;
    return 0xFFFFFFFF;
}

CQxHalfEdge* CQxFace::GetHalfEdgeAt(unsigned int i) const {
    if (i >= m_Count) return nullptr;
    CQxHalfEdge* h = m_First;
    if (i <= m_Count / 2) {
        for (; i; --i) h = h->Next();
    } else {
        for (i = m_Count - i; i; --i) h = h->Prev();
    }
    return h;
}

int CQxFace::IsValid() const {
    if (m_Count < 3) return 0;
    constexpr unsigned int SmallRing = 16;
    if (m_Count <= SmallRing) {
        const CQxVertex* seen[SmallRing];
        unsigned int n = 0;
        const CQxHalfEdge* h = m_First;
        for (unsigned int i = 0; i < m_Count; ++i, h = h->Next()) {
            const CQxVertex* v = h->GetVertex();
            if (!v || std::find(seen, seen + n, v) != seen + n) return 0;
            seen[n++] = v;
        }
        return 1;
    }
    std::vector<const CQxVertex*> seen;
    seen.reserve(m_Count);
    const CQxHalfEdge* h = m_First;
    for (unsigned int i = 0; i < m_Count; ++i, h = h->Next()) {
        if (!h->GetVertex()) return 0;
        seen.push_back(h->GetVertex());
    }
    std::sort(seen.begin(), seen.end());
    return std::adjacent_find(seen.begin(), seen.end()) == seen.end();
}

// Newell's method over positions relative to the first corner (less cancellation far from the
// origin); exact for planar polygons and a good average for warped ones.
CQxVector CQxFace::CalcNormal() const {
    const CQxHalfEdge* h = m_First;
    if (!h || !h->GetVertex()) return CQxVector();
    const CQxVector origin = h->GetVertex()->Position();
    CQxVector n;
    for (unsigned int i = 0; i < m_Count; ++i, h = h->Next()) {
        const CQxVertex* a = h->GetVertex();
        const CQxVertex* b = h->Next()->GetVertex();
        if (!a || !b) return CQxVector();
        const CQxVector p = a->Position() - origin;
        const CQxVector q = b->Position() - origin;
        n.x += (p.y - q.y) * (p.z + q.z);
        n.y += (p.z - q.z) * (p.x + q.x);
        n.z += (p.x - q.x) * (p.y + q.y);
    }
    return qx_mesh::UnitOrZero(n);
}

CQxVector CQxFace::GetCenter() const {
    CQxVector sum;
    unsigned int n = 0;
    ForEachHalfEdge([&](const CQxHalfEdge& h) {
        if (h.GetVertex()) {
            sum += h.GetVertex()->Position();
            ++n;
        }
    });
    return n ? sum / static_cast<float>(n) : sum;
}

CQxVector2D CQxFace::GetUVCenter() const {
    CQxVector2D sum;
    unsigned int n = 0;
    ForEachHalfEdge([&](const CQxHalfEdge& h) {
        if (h.HasUV()) {
            sum += h.UV();
            ++n;
        }
    });
    return n ? CQxVector2D(sum.x / static_cast<float>(n), sum.y / static_cast<float>(n)) : sum;
}

CQxHalfEdge* CQxFace::FindHalfEdge(const CQxVertex* vertex) const {
    if (!vertex) return nullptr;
    CQxHalfEdge* h = m_First;
    for (unsigned int i = 0; i < m_Count; ++i, h = h->Next())
        if (h->GetVertex() == vertex) return h;
    return nullptr;
}
