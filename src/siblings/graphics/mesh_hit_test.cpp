// Hit tests on screen data. Each call takes the vertices to clip space once, a block of them at a
// time (positions gathered into short arrays, then transformed several lanes at once), keeping one
// outcode byte per vertex against the pick rectangle and, per run of 32 vertices, the bits all of
// them share. Faces are walked in list order from the mesh's topology cache (flat vertex numbers),
// 64 at a time: the cache knows which runs of vertices each group of faces uses, so a group whose
// vertices all lie beyond one side of the rectangle is passed over without reading its corners.
// Of the rest, all but the few faces near the rectangle are dismissed by their corners' codes
// before any division; only the faces that pass touch the elements.

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "qx/graphics/mesh.h"
#include "qx/graphics/settings.h"
#include "qx/graphics/viewport.h"

namespace {

constexpr unsigned int NoVertex = 0xFFFFFFFF;
// Depths closer than this count as the same surface (float error of the projection).
constexpr float DepthTolerance = 1e-5f;
// Screen distances closer than this (pixels) count as equal, e.g. the two mates of one side.
constexpr float DistanceTolerance = 1e-3f;

// A projected vertex: pixels, depth in the viewport's range and 1/w of its clip position. iw is 0
// for a vertex in front of the near plane (or behind the eye): its projection is unusable and
// elements touching it are clipped first.
struct ScreenVertex {
    float x, y, z, iw;
};

// From clip space (after the divide) to the viewport, and the depth range that can be hit.
struct ViewMap {
    float cx, cy, hw, hh, z0, dz, zlo, zhi;

    explicit ViewMap(const CQxViewPort& vp) {
        hw = 0.5f * static_cast<float>(vp.Width);
        hh = 0.5f * static_cast<float>(vp.Height);
        cx = static_cast<float>(vp.X) + hw;
        cy = static_cast<float>(vp.Y) + hh;
        z0 = vp.MinZ;
        dz = vp.MaxZ - vp.MinZ;
        zlo = std::min(vp.MinZ, vp.MaxZ);
        zhi = std::max(vp.MinZ, vp.MaxZ);
    }
    bool InRange(float z) const { return z >= zlo && z <= zhi; }
    // Usable clip positions lie on the far side of the near plane (z >= 0, which also puts them
    // in front of the eye for a perspective projection).
    ScreenVertex Map(const float c[4]) const {
        if (!(c[3] > 0.0f && c[2] >= 0.0f)) return {0.0f, 0.0f, 0.0f, 0.0f};
        const float iw = 1.0f / c[3];
        return {cx + c[0] * iw * hw, cy - c[1] * iw * hh, z0 + c[2] * iw * dz, iw};
    }
};

// Mesh positions to clip space with one matrix (world x view x projection).
struct SingleTransform {
    CQxMatrix m;
    const CQxMatrix& Matrix() const { return m; }
    const CQxVector& Place(const CQxVertex& v) const { return v.Position(); }
    void Clip(const CQxVertex& v, float c[4]) const {
        const CQxVector& p = v.Position();
        for (int k = 0; k < 4; ++k) c[k] = p.x * m.m[0][k] + p.y * m.m[1][k] + p.z * m.m[2][k] + m.m[3][k];
    }
};

// Skinned positions: the weighted sum of the position under each influencing bone matrix, then
// view x projection. A vertex without bone data follows bone 0 (the root); with no bones at
// all positions are taken as they are. Slots naming a bone past the array are ignored.
struct BoneTransform {
    const CQxMatrix* bones;
    unsigned int count;
    CQxMatrix viewProj;

    const CQxMatrix& Matrix() const { return viewProj; }
    CQxVector Place(const CQxVertex& v) const {
        const CQxVector& p = v.Position();
        if (!count) return p;
        const CQxVertexBones* b = v.Bones();
        if (!b) return bones[0].Transform(p);
        CQxVector q;
        for (int k = 0; k < 4; ++k) {
            const float w = b->Weights[k];
            if (w != 0.0f && b->Indices[k] < count) q += bones[b->Indices[k]].Transform(p) * w;
        }
        return q;
    }
    void Clip(const CQxVertex& v, float c[4]) const {
        const CQxVector q = Place(v);
        const CQxMatrix& m = viewProj;
        for (int k = 0; k < 4; ++k) c[k] = q.x * m.m[0][k] + q.y * m.m[1][k] + q.z * m.m[2][k] + m.m[3][k];
    }
};

// A polygon corner ready for testing: screen data, its mesh position, and the side that leaves
// it (null for a stretch added by clipping at the near plane).
struct Corner {
    float x, y, z, iw;
    CQxVector pos;
    const CQxHalfEdge* side;
};

// A corner in clip space, before clipping at the near plane.
struct ClipCorner {
    float c[4];
    CQxVector pos;
    const CQxHalfEdge* side;
};

// A vertex, free edge or face side within the pick size of the point.
struct NearHit {
    float dist;
    float z;
    float x, y; // screen point of the element nearest the pick point
    const CQxVertex* vertex;
    const CQxEdge* edge;
    const CQxHalfEdge* side;
    int inside; // the point lies on the side's own face
    CQxVector pos;
};

// Four lanes of floats; plain scalar code where there is no SIMD.
typedef float Float4 __attribute__((vector_size(16)));

inline Float4 Load4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store4(float* p, Float4 v) {
    std::memcpy(p, &v, sizeof v);
}

// Vertices are projected VertexRun at a time; the per-vertex codes are summarised per run too.
constexpr unsigned int VertexRunShift = 5;
constexpr unsigned int VertexRun = 1u << VertexRunShift;

// One run of vertices on its way to clip space: positions (placed by the transform), then their
// clip coordinates. Lanes past the last vertex hold zeros.
struct VertexBlock {
    alignas(16) float x[VertexRun] = {};
    alignas(16) float y[VertexRun] = {};
    alignas(16) float z[VertexRun] = {};
    alignas(16) float c[4][VertexRun] = {};
    const CQxVertex* v[VertexRun] = {};

    // The same sums, in the same order, as the transforms' Clip: one matrix column at a time, so
    // each of its entries is spread over the lanes once.
    void Clip(const CQxMatrix& m) {
        for (int k = 0; k < 4; ++k) {
            const float a = m.m[0][k], b = m.m[1][k], d = m.m[2][k], e = m.m[3][k];
            for (unsigned int g = 0; g < VertexRun; g += 4)
                Store4(c[k] + g, Load4(x + g) * a + Load4(y + g) * b + Load4(z + g) * d + e);
        }
    }
    void Corner(unsigned int j, float out[4]) const {
        for (int k = 0; k < 4; ++k) out[k] = c[k][j];
    }
};

// One byte per run of VertexRun vertices (the AND of what its vertices hold), and the AND over
// any span of runs in two lookups: level L holds the AND over 2^L runs from each start.
class RunTable {
public:
    // Level 0, one entry per run plus one for the slot past the last vertex.
    unsigned char* Prepare(unsigned int vertexCount) {
        m_Count = (vertexCount >> VertexRunShift) + 1;
        if (m_Base.size() < m_Count) m_Base.resize(m_Count);
        return m_Base.data();
    }
    // Readies the spans up to `longest` runs. When memory is short every span answers 0 (nothing
    // is passed over).
    void Build(std::uint32_t longest) {
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
    // The AND over runs lo..hi (hi below the count, its length within what Build readied).
    unsigned char Query(std::uint32_t lo, std::uint32_t hi) const {
        if (!m_Ready) return 0;
        const unsigned int level = std::bit_width(hi - lo + 1) - 1;
        const unsigned char* t = Level(level);
        return t[lo] & t[hi + 1 - (std::uint32_t(1) << level)];
    }

private:
    const unsigned char* Level(unsigned int level) const {
        return level ? m_Upper.data() + std::size_t(level - 1) * m_Count : m_Base.data();
    }
    std::vector<unsigned char> m_Base;
    std::vector<unsigned char> m_Upper;
    unsigned int m_Count = 0;
    bool m_Ready = false;
};

// Buffers reused from call to call: the library is driven from one thread, so each thread
// keeps its own and a pick allocates nothing once they have grown.
struct Scratch {
    std::vector<unsigned char> codes;
    RunTable runs;
    std::vector<Corner> poly;
    std::vector<Corner> clipped;
    std::vector<ClipCorner> clipIn;
    std::vector<const CQxHalfEdge*> sides;
    std::vector<const CQxVertex*> corners;
    std::vector<NearHit> points;
    std::vector<NearHit> lines;
    // What a rectangle test found, copied to the caller's arrays in one go at the end.
    std::vector<CQxVertex*> foundVertices;
    std::vector<CQxFace*> foundFaces;
    std::vector<CQxHalfEdge*> foundSides;
    // Vertex to list position: by the Index fields when they match the positions, else through
    // an open-addressing table of pointers.
    int direct = 1;
    unsigned int count = 0;
    std::vector<const CQxVertex*> keys;
    std::vector<unsigned int> values;
    unsigned int shift = 0;

    static std::size_t Hash(const CQxVertex* v, unsigned int shift) {
        return static_cast<std::size_t>((reinterpret_cast<std::uintptr_t>(v) >> 3) * 0x9E3779B97F4A7C15ull >>
                                        shift);
    }
    void BuildTable(const CQxList<CQxVertex>& vertices) {
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
    unsigned int Find(const CQxVertex* v) const {
        if (!v) return NoVertex;
        if (direct) {
            const unsigned int i = v->Index();
            return i < count ? i : NoVertex;
        }
        const std::size_t mask = keys.size() - 1;
        for (std::size_t slot = Hash(v, shift);; slot = (slot + 1) & mask) {
            if (keys[slot] == v) return values[slot];
            if (!keys[slot]) return NoVertex;
        }
    }
};

thread_local Scratch g_Scratch;

// Elements built one after another sit next to each other in their pools, so the elements a
// little further down a list are most likely found just past the current ones. A list walk
// chases pointers and cannot ask for them early by itself; prefetching a wrong guess costs
// nothing. `mark` is the next line not asked for yet, so each guessed line is asked for once,
// and a jump away from the stream starts it afresh. Inlined early: a call that only prefetches
// would be dropped as free of side effects.
[[gnu::always_inline]] inline void PrefetchStream(std::uintptr_t& mark, std::uintptr_t from,
                                                  std::uintptr_t bytes) {
    constexpr std::uintptr_t line = 64;
    const std::uintptr_t start = from & ~(line - 1);
    const std::uintptr_t end = from + std::min<std::uintptr_t>(bytes, 8 * line);
    if (mark < start || mark > end + 64 * line) mark = start;
    for (; mark < end; mark += line) __builtin_prefetch(reinterpret_cast<const void*>(mark));
}

template <class T>
std::uintptr_t Ahead(const T* p, std::uintptr_t elements) {
    return reinterpret_cast<std::uintptr_t>(p) + elements * sizeof(T);
}

// The faces about 16 steps ahead and their corners.
class FacePrefetcher {
public:
    [[gnu::always_inline]] void operator()(const CQxFace& f) {
        PrefetchStream(m_Faces, Ahead(&f, 16), sizeof(CQxFace));
        PrefetchStream(m_Rings, Ahead(f.GetHalfEdge(), 16 * f.GetHalfEdgeCount()),
                       f.GetHalfEdgeCount() * sizeof(CQxHalfEdge));
    }

private:
    std::uintptr_t m_Faces = 0;
    std::uintptr_t m_Rings = 0;
};

// Gathers the vertices' placed positions VertexRun at a time and hands each run to the visitor in
// list order: visit(first list position, count, block), which takes it on to clip space; then
// readies the vertex lookup.
template <class Transform, class Visit>
void ForEachVertexBlock(const CQxList<CQxVertex>& vertices, const Transform& xf, Scratch& s, Visit&& visit,
                        bool lookup) {
    s.count = vertices.GetCount();
    VertexBlock b;
    unsigned int first = 0, k = 0;
    int direct = 1;
    // Not prefetched: the vertices of a list walked in pool order are a stream the processor
    // follows well by itself, and guessing ahead measured no faster.
    for (const CQxVertex& v : vertices) {
        const CQxVector& p = xf.Place(v);
        b.x[k] = p.x;
        b.y[k] = p.y;
        b.z[k] = p.z;
        b.v[k] = &v;
        direct &= v.Index() == first + k;
        if (++k == VertexRun) {
            visit(first, k, b);
            first += k;
            k = 0;
        }
    }
    if (k) {
        for (unsigned int j = k; j < VertexRun; ++j) b.x[j] = b.y[j] = b.z[j] = 0.0f;
        visit(first, k, b);
    }
    s.direct = direct;
    if (!direct && lookup) s.BuildTable(vertices);
}

// Outcodes of a clip position against a screen rectangle [x0, x1) x [y0, y1) and the depth
// range. Each bit is a half-space in clip space, tested without the divide by w, so a polygon
// whose corners all share a bit cannot reach the rectangle, whatever the signs of their w.
enum : unsigned char { OutLeft = 1, OutRight = 2, OutTop = 4, OutBottom = 8, OutNear = 16, OutFar = 32 };

struct ScreenBox {
    float hw, hh, lx, rx, ty, by;

    ScreenBox(const ViewMap& map, float x0, float x1, float y0, float y1)
        : hw(map.hw), hh(map.hh), lx(map.cx - x0), rx(map.cx - x1), ty(map.cy - y0), by(map.cy - y1) {}
};

// Compiled twice on x86-64, the wider form chosen at load time where the processor has it. Not
// under ThreadSanitizer, whose runtime is not up yet when load-time choices run.
#if defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define QX_VECTOR_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define QX_VECTOR_CLONES
#endif

// The low bytes of VertexRun small values (below 128), as bytes; `count` of them are written.
inline void PackBytes(const std::int32_t* value, unsigned char* out, unsigned int count) {
#if defined(__SSE2__)
    __m128i q[8];
    for (int k = 0; k < 8; ++k) q[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(value) + k);
    const __m128i lo = _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3]));
    const __m128i hi = _mm_packus_epi16(_mm_packs_epi32(q[4], q[5]), _mm_packs_epi32(q[6], q[7]));
    if (count == VertexRun) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), hi);
        return;
    }
    alignas(16) unsigned char bytes[VertexRun];
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes), lo);
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes + 16), hi);
    std::memcpy(out, bytes, count);
#else
    for (unsigned int j = 0; j < count; ++j) out[j] = static_cast<unsigned char>(value[j]);
#endif
}

// Takes a block of `count` vertices to clip space (the same sums, in the same order, as the
// transforms' Clip) and codes them against the box: `out` gets a byte per vertex, its code or,
// with `flags`, 1 inside and 0 outside. Returns in its low byte the AND of the codes (with
// `flags`: 0 when some vertex is inside, else 0xFF), and 0x100 when some vertex is inside.
QX_VECTOR_CLONES unsigned int CodeBlock(VertexBlock& b, const CQxMatrix& m, const ScreenBox& box, int flags,
                                        unsigned int count, unsigned char* out) {
    typedef float Float8 __attribute__((vector_size(32)));
    typedef std::int32_t Int8 __attribute__((vector_size(32)));
    const Int8 lane = {0, 1, 2, 3, 4, 5, 6, 7};
    Int8 shared = ~Int8{}, some = Int8{};
    alignas(32) std::int32_t value[VertexRun];
    for (unsigned int g = 0; g < VertexRun; g += 8) {
        Float8 px, py, pz;
        std::memcpy(&px, b.x + g, sizeof px);
        std::memcpy(&py, b.y + g, sizeof py);
        std::memcpy(&pz, b.z + g, sizeof pz);
        const Float8 c0 = px * m.m[0][0] + py * m.m[1][0] + pz * m.m[2][0] + m.m[3][0];
        const Float8 c1 = px * m.m[0][1] + py * m.m[1][1] + pz * m.m[2][1] + m.m[3][1];
        const Float8 z = px * m.m[0][2] + py * m.m[1][2] + pz * m.m[2][2] + m.m[3][2];
        const Float8 w = px * m.m[0][3] + py * m.m[1][3] + pz * m.m[2][3] + m.m[3][3];
        std::memcpy(b.c[0] + g, &c0, sizeof c0);
        std::memcpy(b.c[1] + g, &c1, sizeof c1);
        std::memcpy(b.c[2] + g, &z, sizeof z);
        std::memcpy(b.c[3] + g, &w, sizeof w);
        const Float8 x = box.hw * c0, y = box.hh * c1;
        Int8 code = (x + box.lx * w < 0.0f) & std::int32_t(OutLeft);
        code |= (x + box.rx * w >= 0.0f) & std::int32_t(OutRight);
        code |= (box.ty * w - y < 0.0f) & std::int32_t(OutTop);
        code |= (box.by * w - y >= 0.0f) & std::int32_t(OutBottom);
        // Before the near plane, or no usable w (only odd projections have z >= 0 with w <= 0).
        code |= ~((z >= 0.0f) & (w > 0.0f)) & std::int32_t(OutNear);
        code |= (z > w) & std::int32_t(OutFar);
        const Int8 valid = lane + static_cast<std::int32_t>(g) < static_cast<std::int32_t>(count);
        const Int8 in = (code == 0) & valid;
        some |= in;
        shared &= flags ? ~in : code | ~valid;
        const Int8 v = flags ? in & 1 : code;
        std::memcpy(value + g, &v, sizeof v);
    }
    PackBytes(value, out, count);
    unsigned int all = 0xFF, any = 0;
    for (int j = 0; j < 8; ++j) {
        all &= static_cast<unsigned int>(shared[j]);
        any |= static_cast<unsigned int>(some[j]);
    }
    return (all & 0xFF) | (any ? 0x100u : 0u);
}

// Codes every vertex against the box into s.codes, and each run of vertices into s.runs (the
// bits all its vertices share); inside(vertex, list position, clip position) is called for each
// vertex inside the box, in list order. With `flags` the codes kept are 1 for inside and 0 for
// outside instead, and a run's byte is 0 when some vertex of it is inside, else 0xFF. The slot
// past the last vertex is left to the caller.
template <class Transform, class Inside>
void CodeVertices(const CQxList<CQxVertex>& vertices, const Transform& xf, const ScreenBox& box, bool flags,
                  Scratch& s, Inside&& inside, bool lookup) {
    const unsigned int n = vertices.GetCount();
    if (s.codes.size() < std::size_t(n) + 1) s.codes.resize(std::size_t(n) + 1);
    unsigned char* codes = s.codes.data();
    unsigned char* runs = s.runs.Prepare(n);
    const CQxMatrix& m = xf.Matrix();
    // The run holding only the slot past the last vertex.
    runs[n >> VertexRunShift] = 0xFF;
    ForEachVertexBlock(
        vertices, xf, s,
        [&](unsigned int first, unsigned int count, VertexBlock& b) {
            unsigned char* out = codes + first;
            const unsigned int coded = CodeBlock(b, m, box, flags, count, out);
            runs[first >> VertexRunShift] = static_cast<unsigned char>(coded);
            // Most runs lie wholly outside the box.
            if (!(coded & 0x100)) return;
            for (unsigned int j = 0; j < count; ++j) {
                if (flags ? !out[j] : out[j]) continue;
                float c[4];
                b.Corner(j, c);
                inside(*b.v[j], first + j, c);
            }
        },
        lookup);
}

// The screen corners of a face none of whose corners lies before the near plane; 0 when a
// corner has no usable projection.
template <class Transform>
int ProjectCorners(const CQxFace& f, const Transform& xf, const ViewMap& map, std::vector<Corner>& out) {
    out.resize(f.GetHalfEdgeCount());
    const CQxHalfEdge* h = f.GetHalfEdge();
    for (Corner& corner : out) {
        float c[4];
        xf.Clip(*h->GetVertex(), c);
        const ScreenVertex sv = map.Map(c);
        if (!(sv.iw > 0.0f)) return 0;
        corner = {sv.x, sv.y, sv.z, sv.iw, h->GetVertex()->Position(), h};
        h = h->Next();
    }
    return 1;
}

// Keeps the part of a polygon on the far side of the near plane (clip z >= 0) and maps it to the
// screen. Mesh positions are interpolated with the clip coordinates, which is exact for one
// matrix and follows the surface's parameters for a skinned one.
template <class Transform>
unsigned int ClipPolygon(const CQxHalfEdge* const* sides, const CQxVertex* const* corners, unsigned int n,
                         int closed, const Transform& xf, const ViewMap& map, Scratch& s) {
    std::vector<ClipCorner>& in = s.clipIn;
    in.resize(n);
    for (unsigned int i = 0; i < n; ++i) {
        xf.Clip(*corners[i], in[i].c);
        in[i].pos = corners[i]->Position();
        in[i].side = sides[i];
    }
    s.clipped.clear();
    auto emit = [&](const float c[4], const CQxVector& pos, const CQxHalfEdge* side) {
        const ScreenVertex sv = map.Map(c);
        s.clipped.push_back({sv.x, sv.y, sv.z, sv.iw, pos, side});
    };
    const unsigned int edges = closed ? n : n - 1;
    for (unsigned int i = 0; i < n; ++i) {
        const ClipCorner& a = in[i];
        const bool aIn = a.c[2] >= 0.0f;
        if (aIn) emit(a.c, a.pos, a.side);
        if (i >= edges) break;
        const ClipCorner& b = in[(i + 1) % n];
        const bool bIn = b.c[2] >= 0.0f;
        if (aIn == bIn) continue;
        const float t = a.c[2] / (a.c[2] - b.c[2]);
        float c[4];
        for (int k = 0; k < 4; ++k) c[k] = a.c[k] + t * (b.c[k] - a.c[k]);
        c[2] = 0.0f;
        // Entering the kept side continues the original side; leaving it runs along the plane.
        emit(c, a.pos + (b.pos - a.pos) * t, bIn ? a.side : nullptr);
    }
    for (const Corner& c : s.clipped)
        if (!(c.iw > 0.0f)) return 0;
    return static_cast<unsigned int>(s.clipped.size());
}

// --- Topology cache ---------------------------------------------------------------------------

// Corners whose vertex is not in the mesh point at an extra slot past the vertices. Its outcode
// has every bit, so it takes nothing from the codes the other corners share, and a bit no real
// code has marks the face as one to skip; in a rectangle it is never inside.
constexpr unsigned char MissingCode = 0xFF;
constexpr unsigned int MissingBit = 0x80;

// Faces are grouped FaceGroup at a time for passing over them whole.
constexpr unsigned int FaceGroupShift = 6;
constexpr unsigned int FaceGroup = 1u << FaceGroupShift;

// A span of vertex runs (numbers lo..hi of runs of VertexRun vertices).
struct RunSpan {
    std::uint32_t lo, hi;
};

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

// The faces in list order, and each face's corners as vertex list positions in ring order.
// Valid while the topology epoch and the element counts are those it was built at: then every
// face pointer is alive, in this mesh, and its ring runs over exactly these vertices.
struct Topology {
    std::uint64_t epoch = 0;
    unsigned int vertexCount = 0;
    unsigned int faceCount = 0;
    bool built = false;
    // Corners per face when all faces have the same number (offsets is then empty), else 0.
    unsigned int uniform = 0;
    std::vector<const CQxFace*> faces;
    std::vector<std::uint32_t> corners;
    std::vector<std::uint32_t> offsets; // faceCount + 1 entries into corners
    // The vertex runs each group of faces uses: group g's spans are spans[groupSpans[g]] up to
    // spans[groupSpans[g + 1]].
    std::vector<RunSpan> spans;
    std::vector<std::uint32_t> groupSpans;
    std::uint32_t longestSpan = 1;
    // The corners themselves, parallel to `corners`, filled a group of faces at a time by the
    // rectangle tests that want sides, so that they need not walk the rings of every face inside.
    std::unique_ptr<const CQxHalfEdge*[]> sides;
    std::vector<unsigned char> sidesReady; // per group

    bool Matches(const CQxMesh& mesh) const {
        return built && epoch == QxGetMeshTopologyEpoch() && vertexCount == mesh.Vertices().GetCount() &&
               faceCount == mesh.Faces().GetCount();
    }
    unsigned int Count(std::size_t f) const { return uniform ? uniform : offsets[f + 1] - offsets[f]; }
    std::size_t First(std::size_t f) const { return uniform ? f * uniform : offsets[f]; }
    const std::uint32_t* Corners(std::size_t f) const { return corners.data() + First(f); }
    std::size_t Groups() const { return (faces.size() + FaceGroup - 1) >> FaceGroupShift; }

    // Needs the scratch's vertex lookup ready (a vertex pass with lookup). On failure (no memory,
    // or more corners than 32-bit positions hold) the cache stays unbuilt and the caller walks the
    // mesh itself.
    bool Build(const CQxMesh& mesh, const Scratch& s) {
        built = false;
        const std::uint64_t now = QxGetMeshTopologyEpoch();
        const unsigned int missing = mesh.Vertices().GetCount();
        unsigned int same = mesh.Faces().IsEmpty() ? 0 : mesh.Faces().Front()->GetHalfEdgeCount();
        sides.reset();
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
                const CQxHalfEdge* h = f.GetHalfEdge();
                for (unsigned int i = 0; i < count; ++i, h = h->Next()) {
                    const unsigned int k = s.Find(h->GetVertex());
                    const std::uint32_t corner = k == NoVertex ? missing : k;
                    corners.push_back(corner);
                    group.Add(corner >> VertexRunShift);
                }
                offsets.push_back(static_cast<std::uint32_t>(corners.size()));
            }
            group.Flush(spans, longestSpan);
            groupSpans.push_back(static_cast<std::uint32_t>(spans.size()));
            sidesReady.assign(Groups(), 0);
        } catch (const std::bad_alloc&) {
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

    // Room for the sides of a built cache; false when memory is short.
    bool PrepareSides() {
        if (!sides)
            sides.reset(new (std::nothrow) const CQxHalfEdge*[std::max<std::size_t>(corners.size(), 1)]);
        return sides != nullptr;
    }
    // Fills the sides of one group of faces (PrepareSides first).
    void FillSides(std::size_t g) {
        if (sidesReady[g]) return;
        const std::size_t end = std::min(faces.size(), (g + 1) << FaceGroupShift);
        for (std::size_t f = g << FaceGroupShift; f < end; ++f) {
            const CQxHalfEdge** out = sides.get() + First(f);
            const CQxHalfEdge* h = faces[f]->GetHalfEdge();
            for (unsigned int i = Count(f); i; --i, h = h->Next()) *out++ = h;
        }
        sidesReady[g] = 1;
    }

    // Visits every face with at least `least` corners, but for the groups whose vertex runs all
    // share a bit in `table` (no face of theirs can reach the box): group(g) for each group
    // visited, before its faces, then face(face number, corners, count). Common ring sizes get their own
    // loops, with the count a constant (std::integral_constant), so the compiler unrolls the corner reads.
    template <class Group, class Face>
    void ForEach(const RunTable& table, unsigned int least, Group&& group, Face&& face) const {
        const std::size_t groups = Groups();
        auto skip = [&](std::size_t g) {
            unsigned int shared = 0xFF;
            for (std::uint32_t k = groupSpans[g]; k < groupSpans[g + 1] && shared; ++k)
                shared &= table.Query(spans[k].lo, spans[k].hi);
            return shared != 0;
        };
        auto fixed = [&]<unsigned int K>() {
            for (std::size_t g = 0; g < groups; ++g) {
                if (skip(g)) continue;
                group(g);
                const std::size_t end = std::min(faces.size(), (g + 1) << FaceGroupShift);
                const std::uint32_t* c = corners.data() + (g << FaceGroupShift) * K;
                for (std::size_t f = g << FaceGroupShift; f < end; ++f, c += K)
                    face(f, c, std::integral_constant<unsigned int, K>());
            }
        };
        if (uniform == 3) return fixed.template operator()<3>();
        if (uniform == 4) return fixed.template operator()<4>();
        for (std::size_t g = 0; g < groups; ++g) {
            if (skip(g)) continue;
            group(g);
            const std::size_t end = std::min(faces.size(), (g + 1) << FaceGroupShift);
            for (std::size_t f = g << FaceGroupShift; f < end; ++f) {
                const unsigned int count = Count(f);
                if (count >= least) face(f, Corners(f), count);
            }
        }
    }
};

// --- Point picking ----------------------------------------------------------------------------

struct PointPick {
    float px, py, r, r2, best;
    unsigned int mask;
    ViewMap map;
    int wantSides;
    // The front-most face under the point within the depth range: it hides what lies behind it.
    const CQxFace* face = nullptr;
    float faceZ = FLT_MAX;
    float gx = 0.0f, gy = 0.0f; // depth change per pixel across that face
    CQxVector facePos;

    PointPick(unsigned int m, const CQxPoint& p, float b, const CQxViewPort& vp)
        : px(static_cast<float>(p.x)), py(static_cast<float>(p.y)), best(b), mask(m), map(vp) {
        const float size = QxPickSize();
        r = size > 0.0f && std::isfinite(size) ? size : 0.0f;
        r2 = r * r;
        wantSides = (mask & (QX_HIT_SIDE | QX_HIT_HALFEDGE)) != 0;
    }
    int Candidate(float z) const { return map.InRange(z) && z < best; }
};

// The segment a-b against the point; a hit within the pick size is added to `out`.
void TestSegment(const Corner& a, const Corner& b, float area, PointPick& pk, const CQxEdge* edge,
                 const CQxHalfEdge* side, std::vector<NearHit>& out) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float len2 = dx * dx + dy * dy;
    const float ux = pk.px - a.x, uy = pk.py - a.y;
    float t = len2 > 0.0f ? (ux * dx + uy * dy) / len2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const float qx = a.x + t * dx, qy = a.y + t * dy;
    const float ex = pk.px - qx, ey = pk.py - qy;
    const float d2 = ex * ex + ey * ey;
    if (!(d2 <= pk.r2)) return;
    const float z = a.z + t * (b.z - a.z);
    if (!pk.Candidate(z)) return;
    // Screen-space t to the surface's own parameter (perspective-correct).
    const float wa = (1.0f - t) * a.iw, wb = t * b.iw;
    const float s = wa + wb > 0.0f ? wb / (wa + wb) : t;
    const float cross = dx * uy - dy * ux;
    const int inside = area != 0.0f && cross != 0.0f && ((cross > 0.0f) == (area > 0.0f));
    out.push_back({std::sqrt(d2), z, qx, qy, nullptr, edge, side, inside, a.pos + (b.pos - a.pos) * s});
}

// A polygon (screen corners) against the point: its sides as lines, its inside as a face.
void TestPolygon(const Corner* c, unsigned int n, const CQxFace* face, PointPick& pk, Scratch& s) {
    float area = 0.0f;
    for (unsigned int i = 0; i < n; ++i) {
        const Corner& a = c[i];
        const Corner& b = c[i + 1 == n ? 0 : i + 1];
        area += a.x * b.y - b.x * a.y;
    }
    if (pk.wantSides) {
        for (unsigned int i = 0; i < n; ++i)
            if (c[i].side)
                TestSegment(c[i], c[i + 1 == n ? 0 : i + 1], area, pk, nullptr, c[i].side, s.lines);
    }
    if (n < 3 || area == 0.0f) return;
    // Fan triangles cover the polygon with signs: their sum is the winding number at the point,
    // which also holds for concave polygons. Depth comes from a triangle turning the polygon's way.
    int winding = 0;
    float best[3] = {0.0f, 0.0f, 0.0f};
    unsigned int bestK = 0;
    const Corner& a = c[0];
    for (unsigned int k = 1; k + 1 < n; ++k) {
        const Corner& b = c[k];
        const Corner& d = c[k + 1];
        const float t = (b.x - a.x) * (d.y - a.y) - (d.x - a.x) * (b.y - a.y);
        if (t == 0.0f) continue;
        const float wa = ((b.x - pk.px) * (d.y - pk.py) - (d.x - pk.px) * (b.y - pk.py)) / t;
        const float wb = ((d.x - pk.px) * (a.y - pk.py) - (a.x - pk.px) * (d.y - pk.py)) / t;
        const float wd = 1.0f - wa - wb;
        if (!(wa >= 0.0f && wb >= 0.0f && wd >= 0.0f)) continue;
        winding += t > 0.0f ? 1 : -1;
        if (!bestK && (t > 0.0f) == (area > 0.0f)) {
            bestK = k;
            best[0] = wa, best[1] = wb, best[2] = wd;
        }
    }
    if (winding == 0 || !bestK) return;
    const Corner& b = c[bestK];
    const Corner& d = c[bestK + 1];
    const float z = best[0] * a.z + best[1] * b.z + best[2] * d.z;
    if (!pk.map.InRange(z) || !(z < pk.faceZ)) return;
    const float qa = best[0] * a.iw, qb = best[1] * b.iw, qd = best[2] * d.iw;
    const float q = qa + qb + qd;
    if (!(q > 0.0f)) return;
    const float t = (b.x - a.x) * (d.y - a.y) - (d.x - a.x) * (b.y - a.y);
    pk.face = face;
    pk.faceZ = z;
    pk.gx = ((b.z - a.z) * (d.y - a.y) - (d.z - a.z) * (b.y - a.y)) / t;
    pk.gy = ((d.z - a.z) * (b.x - a.x) - (b.z - a.z) * (d.x - a.x)) / t;
    pk.facePos = (a.pos * qa + b.pos * qb + d.pos * qd) / q;
}

// A face or free edge with corners in front of the near plane: clipped, then tested.
template <class Transform>
void TestClipped(const CQxFace* face, const CQxEdge* edge, const CQxHalfEdge* const* sides,
                 const CQxVertex* const* corners, unsigned int n, const Transform& xf, PointPick& pk,
                 Scratch& s) {
    const unsigned int m = ClipPolygon(sides, corners, n, face != nullptr, xf, pk.map, s);
    if (face) {
        if (m >= 2) TestPolygon(s.clipped.data(), m, face, pk, s);
    } else if (m == 2) {
        TestSegment(s.clipped[0], s.clipped[1], 0.0f, pk, edge, nullptr, s.lines);
    }
}

bool IsCornerOf(const CQxFace* face, const CQxVertex* v) {
    return face && v && face->FindHalfEdge(v) != nullptr;
}

// Whether the front face hides an element at depth z seen at (x, y): the face's depth there is
// extrapolated from its plane, with room for the plane's slope over the pick size.
bool IsHidden(const PointPick& pk, const NearHit& h) {
    if (!pk.face) return false;
    if (h.vertex) {
        if (IsCornerOf(pk.face, h.vertex)) return false;
    } else {
        const CQxVertex* a = h.edge ? h.edge->Vertex(0) : h.side->GetVertex();
        const CQxVertex* b = h.edge ? h.edge->Vertex(1) : h.side->GetEndVertex();
        if (IsCornerOf(pk.face, a) && IsCornerOf(pk.face, b)) return false;
    }
    const float surface = pk.faceZ + pk.gx * (h.x - pk.px) + pk.gy * (h.y - pk.py);
    const float slack = DepthTolerance + std::hypot(pk.gx, pk.gy) * pk.r;
    return h.z > surface + slack;
}

// Nearest on screen wins; equal distances go to the side seen from the face under the point
// (when asked), then to the front-most, then to the first in mesh order.
const NearHit* Choose(const std::vector<NearHit>& hits, const PointPick& pk, int preferInside) {
    const NearHit* best = nullptr;
    for (const NearHit& h : hits) {
        if (IsHidden(pk, h)) continue;
        if (!best || h.dist < best->dist - DistanceTolerance) {
            best = &h;
            continue;
        }
        if (h.dist > best->dist + DistanceTolerance) continue;
        if (preferInside && h.inside != best->inside) {
            if (h.inside) best = &h;
        } else if (h.z < best->z) {
            best = &h;
        }
    }
    return best;
}

// `topo` is the mesh's topology cache, or null when another test on this mesh holds it.
template <class Transform>
int PointHit(const CQxMesh& mesh, Topology* topo, unsigned int mask, const CQxPoint& point, float& best,
             const CQxViewPort& viewport, const Transform& xf, CQxMeshHit& hit) {
    if (mesh.Vertices().IsEmpty() || viewport.Width == 0 || viewport.Height == 0) return 0;
    if (!(mask & (QX_HIT_VERTEX | QX_HIT_EDGE | QX_HIT_HALFEDGE | QX_HIT_SIDE | QX_HIT_FACE))) return 0;
    Scratch& s = g_Scratch;
    PointPick pk(mask, point, best, viewport);
    s.points.clear();
    s.lines.clear();

    const int wantVertices = (mask & QX_HIT_VERTEX) != 0;
    const bool wantEdges = (mask & QX_HIT_EDGE) && !mesh.Edges().IsEmpty();
    bool cached = topo && topo->Matches(mesh);
    const unsigned int n = mesh.Vertices().GetCount();
    // One pixel of margin keeps the divide-free tests on the safe side of rounding.
    const ScreenBox box(pk.map, pk.px - pk.r - 1.0f, pk.px + pk.r + 1.0f, pk.py - pk.r - 1.0f,
                        pk.py + pk.r + 1.0f);
    CodeVertices(
        mesh.Vertices(), xf, box, false, s,
        [&](const CQxVertex& v, unsigned int, const float* c) {
            if (!wantVertices) return;
            const ScreenVertex sv = pk.map.Map(c);
            const float dx = sv.x - pk.px, dy = sv.y - pk.py;
            const float d2 = dx * dx + dy * dy;
            if (sv.iw > 0.0f && d2 <= pk.r2 && pk.Candidate(sv.z))
                s.points.push_back({std::sqrt(d2), sv.z, sv.x, sv.y, &v, nullptr, nullptr, 0, v.Position()});
        },
        !cached || wantEdges);
    unsigned char* codes = s.codes.data();
    codes[n] = MissingCode;
    if (topo && !cached) cached = topo->Build(mesh, s);
    if (cached) s.runs.Build(topo->longestSpan);

    // A face whose corners are not all beyond one side of the pick box: tested in full.
    auto testFace = [&](const CQxFace& f, unsigned int count, unsigned int any) {
        if (any & OutNear) {
            s.sides.clear();
            s.corners.clear();
            f.ForEachHalfEdge([&](CQxHalfEdge& e) {
                s.sides.push_back(&e);
                s.corners.push_back(e.GetVertex());
            });
            TestClipped(&f, nullptr, s.sides.data(), s.corners.data(), count, xf, pk, s);
        } else if (ProjectCorners(f, xf, pk.map, s.poly)) {
            TestPolygon(s.poly.data(), count, &f, pk, s);
        }
    };
    // Faces are walked even when only vertices or lines are asked for: they hide what is
    // behind them. Most are ruled out by their corners' outcodes alone.
    if (cached) {
        topo->ForEach(
            s.runs, 2, [](std::size_t) {},
            [&](std::size_t k, const std::uint32_t* c, auto count) {
                unsigned int all = 0xFF, any = 0;
                for (unsigned int i = 0; i < count; ++i) {
                    all &= codes[c[i]];
                    any |= codes[c[i]];
                }
                if (!all && !(any & MissingBit)) testFace(*topo->faces[k], count, any);
            });
    } else {
        FacePrefetcher prefetch;
        for (const CQxFace& f : mesh.Faces()) {
            prefetch(f);
            const unsigned int count = f.GetHalfEdgeCount();
            const CQxHalfEdge* h = f.GetHalfEdge();
            unsigned int all = 0xFF, any = 0, i = 0;
            for (; i < count && h; ++i, h = h->Next()) {
                const unsigned int k = s.Find(h->GetVertex());
                if (k == NoVertex) break;
                all &= codes[k];
                any |= codes[k];
            }
            if (i == count && count >= 2 && !all) testFace(f, count, any);
        }
    }

    if (mask & QX_HIT_EDGE) {
        for (const CQxEdge& e : mesh.Edges()) {
            const unsigned int ia = s.Find(e.Vertex(0)), ib = s.Find(e.Vertex(1));
            if (ia == NoVertex || ib == NoVertex || (codes[ia] & codes[ib])) continue;
            const CQxHalfEdge* none[2] = {nullptr, nullptr};
            const CQxVertex* ends[2] = {e.Vertex(0), e.Vertex(1)};
            if ((codes[ia] | codes[ib]) & OutNear) {
                TestClipped(nullptr, &e, none, ends, 2, xf, pk, s);
                continue;
            }
            float ca[4], cb[4];
            xf.Clip(*ends[0], ca);
            xf.Clip(*ends[1], cb);
            const ScreenVertex a = pk.map.Map(ca), b = pk.map.Map(cb);
            if (a.iw > 0.0f && b.iw > 0.0f)
                TestSegment({a.x, a.y, a.z, a.iw, ends[0]->Position(), nullptr},
                            {b.x, b.y, b.z, b.iw, ends[1]->Position(), nullptr}, 0.0f, pk, &e, nullptr,
                            s.lines);
        }
    }

    // Vertices before lines before faces: a point or line drawn on a face is what the user aims at.
    const NearHit* chosen = Choose(s.points, pk, 0);
    if (!chosen) chosen = Choose(s.lines, pk, (mask & QX_HIT_HALFEDGE) != 0);
    float depth;
    CQxMeshHit result;
    if (chosen) {
        result.Vertex = const_cast<CQxVertex*>(chosen->vertex);
        result.Edge = const_cast<CQxEdge*>(chosen->edge);
        result.HalfEdge = const_cast<CQxHalfEdge*>(chosen->side);
        result.Position = chosen->pos;
        depth = chosen->z;
    } else if ((mask & QX_HIT_FACE) && pk.face && pk.faceZ < best) {
        result.Face = const_cast<CQxFace*>(pk.face);
        result.Position = pk.facePos;
        depth = pk.faceZ;
    } else {
        return 0;
    }
    hit = result;
    // The front surface bounds what later tests may still report.
    best = pk.face && pk.faceZ < depth ? pk.faceZ : depth;
    return 1;
}

// --- Rectangles and circles --------------------------------------------------------------------

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

template <class Transform>
int RectHit(const CQxMesh& mesh, Topology* topo, unsigned int mask, const CQxRect& rect,
            const CQxViewPort& viewport, const Transform& xf, CQxMeshHits& hits) {
    hits.Vertices.Empty();
    hits.Edges.Empty();
    hits.Faces.Empty();
    hits.HalfEdges.Empty();
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
    Sink<CQxVertex*> vertices(s.foundVertices);
    Sink<CQxFace*> faces(s.foundFaces);
    Sink<CQxHalfEdge*> sides(s.foundSides);
    unsigned int insideCount = 0;
    const ScreenBox box(map, l, r, t, b);
    const bool lookup = !cached || wantEdges;
    CodeVertices(
        mesh.Vertices(), xf, box, true, s,
        [&](const CQxVertex& v, unsigned int, const float*) {
            ++insideCount;
            if (wantVertices) vertices.Push(const_cast<CQxVertex*>(&v));
        },
        lookup);
    // No vertex inside: no edge, side or face can be.
    if (!insideCount) return 0;
    const unsigned char* in = s.codes.data();
    s.codes[n] = 0;
    if (topo && !cached && (wantFaces || wantSides)) cached = topo->Build(mesh, s);
    if (cached) s.runs.Build(topo->longestSpan);
    auto isIn = [&](const CQxVertex* v) {
        const unsigned int k = s.Find(v);
        return k != NoVertex && in[k];
    };

    if (mask & QX_HIT_EDGE) {
        for (const CQxEdge& e : mesh.Edges())
            if (isIn(e.Vertex(0)) && isIn(e.Vertex(1))) hits.Edges.PushBack(const_cast<CQxEdge*>(&e));
    }
    const bool sidesReady = cached && wantSides && topo->PrepareSides();
    // Short of memory for the sides, the rings are walked after all.
    if (!sidesReady && wantSides && !lookup && !s.direct) s.BuildTable(mesh.Vertices());
    if (sidesReady) {
        const std::uint32_t* first = topo->corners.data();
        topo->ForEach(
            s.runs, 1, [&](std::size_t g) { topo->FillSides(g); },
            [&](std::size_t k, const std::uint32_t* c, auto count) {
                // Most faces of a group near the rectangle still lie wholly outside it.
                unsigned int any = 0, all = 1;
                for (unsigned int i = 0; i < count; ++i) {
                    any |= in[c[i]];
                    all &= in[c[i]];
                }
                if (!any) return;
                // Side i runs from corner i to corner i + 1.
                const CQxHalfEdge* const* ring = topo->sides.get() + (c - first);
                sides.Reserve(count);
                for (unsigned int i = 0; count > 1 && i < count; ++i)
                    sides.Put(const_cast<CQxHalfEdge*>(ring[i]),
                              in[c[i]] & in[c[i + 1 == count ? 0 : i + 1]]);
                faces.Reserve(1);
                faces.Put(const_cast<CQxFace*>(topo->faces[k]), wantFaces & all);
            });
    } else if (cached && !wantSides) {
        topo->ForEach(
            s.runs, 1, [](std::size_t) {},
            [&](std::size_t k, const std::uint32_t* c, auto count) {
                unsigned int all = 1;
                for (unsigned int i = 0; i < count; ++i) all &= in[c[i]];
                if (all) faces.Push(const_cast<CQxFace*>(topo->faces[k]));
            });
    } else if (wantFaces && !wantSides) {
        FacePrefetcher prefetch;
        for (const CQxFace& f : mesh.Faces()) {
            prefetch(f);
            const unsigned int count = f.GetHalfEdgeCount();
            const CQxHalfEdge* h = f.GetHalfEdge();
            unsigned int i = 0;
            for (; i < count && h && isIn(h->GetVertex()); ++i) h = h->Next();
            if (count && i == count) faces.Push(const_cast<CQxFace*>(&f));
        }
    } else if (wantSides) {
        FacePrefetcher prefetch;
        for (const CQxFace& f : mesh.Faces()) {
            prefetch(f);
            const unsigned int count = f.GetHalfEdgeCount();
            const CQxHalfEdge* h = f.GetHalfEdge();
            if (!count || !h) continue;
            // Side i runs from corner i to corner i + 1, so each is decided one corner late.
            const bool firstIn = isIn(h->GetVertex());
            bool prevIn = firstIn, all = firstIn;
            const CQxHalfEdge* prev = h;
            h = h->Next();
            for (unsigned int i = 1; i < count && h; ++i, h = h->Next()) {
                const bool cur = isIn(h->GetVertex());
                if (prevIn && cur) sides.Push(const_cast<CQxHalfEdge*>(prev));
                all = all && cur;
                prevIn = cur;
                prev = h;
            }
            if (count > 1 && prevIn && firstIn) sides.Push(const_cast<CQxHalfEdge*>(prev));
            if (wantFaces && all) faces.Push(const_cast<CQxFace*>(&f));
        }
    }
    // Each array grows once, to its size.
    auto copy = [](auto& to, const auto& from) {
        return !from.Size() || to.Append(from.Data(), from.Size());
    };
    if (!copy(hits.Vertices, vertices) || !copy(hits.Faces, faces) || !copy(hits.HalfEdges, sides)) {
        hits.Vertices.Empty();
        hits.Edges.Empty();
        hits.Faces.Empty();
        hits.HalfEdges.Empty();
        return 0;
    }
    return !hits.IsEmpty();
}

BoneTransform MakeBones(const CQxArray<CQxMatrix>& bones, const CQxMatrix& view,
                        const CQxMatrix& projection) {
    return {bones.GetData(), bones.GetSize(), view * projection};
}

SingleTransform MakeSingle(const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection) {
    return {world * view * projection};
}

template <class Transform>
void ScreenPositions(const CQxMesh& mesh, CQxArray<CQxVector>& out, const CQxViewPort& viewport,
                     const Transform& xf) {
    const ViewMap map(viewport);
    if (!out.Resize(mesh.Vertices().GetCount(), 0)) {
        out.Clear();
        return;
    }
    CQxVector* dst = out.GetData();
    ForEachVertexBlock(
        mesh.Vertices(), xf, g_Scratch,
        [&](unsigned int first, unsigned int count, VertexBlock& b) {
            b.Clip(xf.Matrix());
            alignas(16) float sx[VertexRun], sy[VertexRun], sz[VertexRun];
            for (unsigned int g = 0; g < VertexRun; g += 4) {
                const Float4 w = Load4(b.c[3] + g);
                const Float4 iw = 1.0f / w;
                Store4(sx + g, map.cx + Load4(b.c[0] + g) * iw * map.hw);
                Store4(sy + g, map.cy - Load4(b.c[1] + g) * iw * map.hh);
                Store4(sz + g, map.z0 + Load4(b.c[2] + g) * iw * map.dz);
            }
            // Points between the eye and the near plane still have a projection; only
            // those on or behind the eye plane have none.
            for (unsigned int j = 0; j < count; ++j)
                dst[first + j] = b.c[3][j] > 0.0f ? CQxVector(sx[j], sy[j], sz[j])
                                                  : CQxVector(-FLT_MAX, -FLT_MAX, -FLT_MAX);
        },
        false);
}

// The corners with texture coordinates of the selected faces (what the UV view shows), in mesh
// order.
template <class Visit>
void ForEachShownUV(const CQxList<CQxFace>& faces, Visit&& visit) {
    for (const CQxFace& f : faces) {
        if (!f.IsSelect()) continue;
        CQxHalfEdge* h = f.GetHalfEdge();
        for (unsigned int i = 0; i < f.GetHalfEdgeCount() && h; ++i, h = h->Next())
            if (h->HasUV()) visit(*h);
    }
}

} // namespace

// --- CQxMesh ---------------------------------------------------------------------------------------

namespace {
// Guards the creation of caches and who holds one; a test holds its mesh's cache for its whole run.
std::mutex g_PickCacheMutex;
} // namespace

struct CQxMesh::PickCache : Topology {
    bool busy = false;

    // The mesh's cache for one test, created on first use; null when memory is short or another
    // thread is testing the same mesh (that test then walks the mesh itself).
    class Lease {
    public:
        explicit Lease(const CQxMesh& mesh) noexcept {
            std::lock_guard<std::mutex> lock(g_PickCacheMutex);
            if (!mesh.m_PickCache) mesh.m_PickCache.reset(new (std::nothrow) PickCache);
            PickCache* cache = mesh.m_PickCache.get();
            if (cache && !cache->busy) {
                cache->busy = true;
                m_Cache = cache;
            }
        }
        ~Lease() {
            if (!m_Cache) return;
            std::lock_guard<std::mutex> lock(g_PickCacheMutex);
            m_Cache->busy = false;
        }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Topology* Get() const { return m_Cache; }

    private:
        PickCache* m_Cache = nullptr;
    };
};

void CQxMesh::PickCacheDeleter::operator()(PickCache* cache) const noexcept {
    delete cache;
}

void CQxMesh::GetScreenVertexPositions(CQxArray<CQxVector>& out, const CQxViewPort& viewport,
                                       const CQxMatrix& world, const CQxMatrix& view,
                                       const CQxMatrix& projection) const {
    ScreenPositions(*this, out, viewport, MakeSingle(world, view, projection));
}

void CQxMesh::GetScreenVertexPositions(CQxArray<CQxVector>& out, const CQxViewPort& viewport,
                                       const CQxArray<CQxMatrix>& bones, const CQxMatrix& view,
                                       const CQxMatrix& projection) const {
    ScreenPositions(*this, out, viewport, MakeBones(bones, view, projection));
}

int CQxMesh::IsPointHit(unsigned int mask, const CQxPoint& point, float& best, const CQxViewPort& viewport,
                        const CQxMatrix& world, const CQxMatrix& view, const CQxMatrix& projection,
                        CQxMeshHit& hit) const {
    PickCache::Lease cache(*this);
    return PointHit(*this, cache.Get(), mask, point, best, viewport, MakeSingle(world, view, projection),
                    hit);
}

int CQxMesh::IsPointHit(unsigned int mask, const CQxPoint& point, float& best, const CQxViewPort& viewport,
                        const CQxArray<CQxMatrix>& bones, const CQxMatrix& view, const CQxMatrix& projection,
                        CQxMeshHit& hit) const {
    PickCache::Lease cache(*this);
    return PointHit(*this, cache.Get(), mask, point, best, viewport, MakeBones(bones, view, projection), hit);
}

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

int CQxMesh::IsUVPointHit(const CQxPoint& point, unsigned int width, unsigned int height, float& best,
                          CQxHalfEdge*& hit) const {
    if (width == 0 || height == 0) return 0;
    const float size = QxPickSize();
    const float r = size > 0.0f && std::isfinite(size) ? size : 0.0f;
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const float px = static_cast<float>(point.x), py = static_cast<float>(point.y);
    CQxHalfEdge* found = nullptr;
    float nearest = best;
    ForEachShownUV(m_Faces, [&](CQxHalfEdge& e) {
        const float d = std::hypot(e.UV().x * w - px, e.UV().y * h - py);
        if (d <= r && d < nearest) {
            nearest = d;
            found = &e;
        }
    });
    if (!found) return 0;
    hit = found;
    best = nearest;
    return 1;
}

int CQxMesh::IsUVRectHit(const CQxRect& rect, unsigned int width, unsigned int height,
                         CQxArray<CQxHalfEdge*>& hits) const {
    hits.Empty();
    if (width == 0 || height == 0 || rect.IsRectEmpty()) return 0;
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const float l = static_cast<float>(rect.left), r = static_cast<float>(rect.right);
    const float t = static_cast<float>(rect.top), b = static_cast<float>(rect.bottom);
    ForEachShownUV(m_Faces, [&](CQxHalfEdge& e) {
        const float x = e.UV().x * w, y = e.UV().y * h;
        if (x >= l && x < r && y >= t && y < b) hits.PushBack(&e);
    });
    return !hits.IsEmpty();
}
