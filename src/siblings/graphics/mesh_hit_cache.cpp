// What the hit tests keep from call to call: each thread's scratch buffers, the run table that
// answers which bits a span of vertex runs shares, and each mesh's topology cache with the lease
// that gives one test at a time the use of it.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "mesh_hit_internal.h"

namespace qx_mesh_hit {

thread_local Scratch g_Scratch;

void Scratch::BuildTable(const CQxList<CQxVertex>& vertices) {
    unsigned int bits = 4;
    while ((std::size_t(1) << bits) < std::size_t(count) * 2) ++bits;
    shift = 64 - bits;
    const std::size_t size = std::size_t(1) << bits;
    const std::size_t mask = size - 1;
    keys.assign(size, nullptr);
    values.resize(size);
    unsigned int i = 0;
    for (const CQxVertex& v : vertices) {
        std::size_t slot = Hash(&v, shift);
        while (keys[slot]) slot = (slot + 1) & mask;
        keys[slot] = &v;
        values[slot] = i++;
    }
}

void RunTable::Build(std::uint32_t longest) {
    const unsigned int levels = std::bit_width(std::max<std::uint32_t>(longest, 1));
    m_Ready = false;
    try {
        if (m_Upper.size() < std::size_t(levels - 1) * m_Count)
            m_Upper.resize(std::size_t(levels - 1) * m_Count);
    } catch (const std::bad_alloc&) {
        return;
    }
    for (unsigned int level = 1; level < levels; ++level) {
        const unsigned char* below = Level(level - 1);
        unsigned char* out = m_Upper.data() + std::size_t(level - 1) * m_Count;
        const std::size_t half = std::size_t(1) << (level - 1);
        const std::size_t n = m_Count >= 2 * half ? m_Count - 2 * half + 1 : 0;
        std::size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t a, b;
            std::memcpy(&a, below + i, 8);
            std::memcpy(&b, below + i + half, 8);
            a &= b;
            std::memcpy(out + i, &a, 8);
        }
        for (; i < n; ++i) out[i] = below[i] & below[i + half];
    }
    m_Ready = true;
}

namespace {

// The vertex runs one group of faces uses, as a few spans covering them (and maybe more). A
// grid's group takes a stretch of two rows: two spans.
class RunSpans {
public:
    void Add(std::uint32_t run) {
        if (m_Count && Extend(m_Spans[m_Last], run)) return;
        for (unsigned int k = 0; k < m_Count; ++k)
            if (Extend(m_Spans[k], run)) {
                m_Last = k;
                return;
            }
        m_Spans[m_Count] = {run, run};
        m_Last = m_Count++;
        if (m_Count > MaxSpans) MergeClosest();
    }
    // Appends the spans, in order and joined where they touch, and starts afresh; `longest`
    // grows to the longest span.
    void Flush(std::vector<RunSpan>& out, std::uint32_t& longest) {
        Sort();
        for (unsigned int k = 0; k < m_Count; ++k) {
            if (!out.empty() && k && m_Spans[k].lo <= out.back().hi + 1) {
                out.back().hi = std::max(out.back().hi, m_Spans[k].hi);
            } else {
                out.push_back(m_Spans[k]);
            }
            longest = std::max(longest, out.back().hi - out.back().lo + 1);
        }
        m_Count = m_Last = 0;
    }

private:
    static constexpr unsigned int MaxSpans = 4;

    static bool Extend(RunSpan& span, std::uint32_t run) {
        if (run + 1 < span.lo || run > span.hi + 1) return false;
        span.lo = std::min(span.lo, run);
        span.hi = std::max(span.hi, run);
        return true;
    }
    void Sort() {
        for (unsigned int k = 1; k < m_Count; ++k)
            for (unsigned int j = k; j && m_Spans[j].lo < m_Spans[j - 1].lo; --j)
                std::swap(m_Spans[j], m_Spans[j - 1]);
    }
    // One span too many: the two nearest become one.
    void MergeClosest() {
        Sort();
        unsigned int best = 0;
        std::int64_t bestGap = INT64_MAX;
        for (unsigned int k = 0; k + 1 < m_Count; ++k) {
            const std::int64_t gap = std::int64_t(m_Spans[k + 1].lo) - m_Spans[k].hi;
            if (gap < bestGap) bestGap = gap, best = k;
        }
        m_Spans[best].hi = std::max(m_Spans[best].hi, m_Spans[best + 1].hi);
        for (unsigned int k = best + 1; k + 1 < m_Count; ++k) m_Spans[k] = m_Spans[k + 1];
        --m_Count;
        m_Last = best;
    }

    RunSpan m_Spans[MaxSpans + 1] = {};
    unsigned int m_Count = 0;
    unsigned int m_Last = 0;
};

} // namespace

bool Topology::Matches(const CQxMesh& mesh) const {
    return built && epoch == QxGetMeshTopologyEpoch() && vertexCount == mesh.Vertices().GetCount() &&
           faceCount == mesh.Faces().GetCount();
}

bool Topology::Build(const CQxMesh& mesh, const Scratch& s) {
    built = false;
    const std::uint64_t now = QxGetMeshTopologyEpoch();
    const unsigned int missing = mesh.Vertices().GetCount();
    unsigned int same = mesh.Faces().IsEmpty() ? 0 : mesh.Faces().Front()->GetHalfEdgeCount();
    // A mesh whose sides were wanted before (a rectangle pick of sides) has them filled while
    // the rings are walked anyway, in the room it already has, so the next such pick after an
    // edit finds them; a mesh never picked so keeps no room for them.
    bool fillSides = sides != nullptr;
    try {
        // A much smaller mesh than last time gives the memory back.
        const std::size_t n = mesh.Faces().GetCount();
        if (faces.capacity() > 2 * n + 1024) {
            std::vector<const CQxFace*>().swap(faces);
            std::vector<std::uint32_t>().swap(corners);
            std::vector<std::uint32_t>().swap(offsets);
            std::vector<RunSpan>().swap(spans);
            std::vector<std::uint32_t>().swap(groupSpans);
        }
        faces.clear();
        corners.clear();
        offsets.clear();
        spans.clear();
        groupSpans.clear();
        faces.reserve(n);
        offsets.reserve(n + 1);
        offsets.push_back(0);
        groupSpans.reserve(((n + FaceGroup - 1) >> FaceGroupShift) + 1);
        longestSpan = 1;
        RunSpans group;
        FacePrefetcher prefetch;
        for (const CQxFace& f : mesh.Faces()) {
            prefetch(f);
            if (!(faces.size() & (FaceGroup - 1))) {
                group.Flush(spans, longestSpan);
                groupSpans.push_back(static_cast<std::uint32_t>(spans.size()));
            }
            const unsigned int count = f.GetHalfEdgeCount();
            if (count != same) same = 0;
            if (corners.size() + count >= 0xFFFFFFFFu) return false;
            faces.push_back(&f);
            fillSides = fillSides && corners.size() + count <= sidesRoom;
            const CQxHalfEdge* h = f.GetHalfEdge();
            for (unsigned int i = 0; i < count; ++i, h = h->Next()) {
                const unsigned int k = s.Find(h->GetVertex());
                const std::uint32_t corner = k == NoVertex ? missing : k;
                if (fillSides) sides[corners.size()] = h;
                corners.push_back(corner);
                group.Add(corner >> VertexRunShift);
            }
            offsets.push_back(static_cast<std::uint32_t>(corners.size()));
        }
        group.Flush(spans, longestSpan);
        groupSpans.push_back(static_cast<std::uint32_t>(spans.size()));
        if (!fillSides) {
            sides.reset();
            sidesRoom = 0;
        }
        sidesReady.assign(Groups(), fillSides ? 1 : 0);
    } catch (const std::bad_alloc&) {
        sides.reset();
        sidesRoom = 0;
        return false;
    }
    uniform = same;
    if (uniform) offsets.clear();
    epoch = now;
    vertexCount = missing;
    faceCount = static_cast<unsigned int>(faces.size());
    built = true;
    return true;
}

} // namespace qx_mesh_hit

namespace {
// Guards the creation of caches and who holds one; a test holds its mesh's cache for its whole run.
std::mutex g_PickCacheMutex;
} // namespace

CQxMesh::PickCache::Lease::Lease(const CQxMesh& mesh) noexcept {
    std::lock_guard<std::mutex> lock(g_PickCacheMutex);
    if (!mesh.m_PickCache) mesh.m_PickCache.reset(new (std::nothrow) PickCache);
    PickCache* cache = mesh.m_PickCache.get();
    if (cache && !cache->busy) {
        cache->busy = true;
        m_Cache = cache;
    }
}

CQxMesh::PickCache::Lease::~Lease() {
    if (!m_Cache) return;
    std::lock_guard<std::mutex> lock(g_PickCacheMutex);
    m_Cache->busy = false;
}

void CQxMesh::PickCacheDeleter::operator()(PickCache* cache) const noexcept {
    delete cache;
}

void CQxMesh::PreparePicks() const {
    PickCache::Lease lease(*this);
    qx_mesh_hit::Topology* topology = lease.Get();
    if (!topology || topology->Matches(*this)) return;
    // The vertex lookup the build reads, as a test's vertex pass would leave it.
    qx_mesh_hit::Scratch& s = qx_mesh_hit::g_Scratch;
    s.count = Vertices().GetCount();
    unsigned int i = 0;
    bool direct = true;
    for (const CQxVertex& v : Vertices()) direct = direct && v.Index() == i++;
    s.direct = direct ? 1 : 0;
    if (!direct) s.BuildTable(Vertices());
    topology->Build(*this, s);
}
