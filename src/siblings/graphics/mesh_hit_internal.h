#pragma once

// What the hit-test sources share: the vertices on their way to clip space, their outcodes
// against a screen box, the per-thread scratch buffers and the mesh's topology cache (the faces
// as flat vertex numbers, grouped so that whole groups can be passed over).

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "qx/graphics/mesh.h"
#include "qx/graphics/viewport.h"

namespace qx_mesh_hit {

constexpr unsigned int NoVertex = 0xFFFFFFFF;

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

// Skinned positions: the blend of the position under each influencing bone matrix
// (QxGetSkinInfluences), then view x projection; with no bones at all positions are taken as
// they are.
struct BoneTransform {
    const CQxMatrix* bones;
    unsigned int count;
    CQxMatrix viewProj;

    const CQxMatrix& Matrix() const { return viewProj; }
    CQxVector Place(const CQxVertex& v) const { return QxSkinPosition(v, bones, count); }
    void Clip(const CQxVertex& v, float c[4]) const {
        const CQxVector q = Place(v);
        const CQxMatrix& m = viewProj;
        for (int k = 0; k < 4; ++k) c[k] = q.x * m.m[0][k] + q.y * m.m[1][k] + q.z * m.m[2][k] + m.m[3][k];
    }
};

inline BoneTransform MakeBones(const CQxArray<CQxMatrix>& bones, const CQxMatrix& view,
                               const CQxMatrix& projection) {
    return {bones.GetData(), bones.GetSize(), view * projection};
}

inline SingleTransform MakeSingle(const CQxMatrix& world, const CQxMatrix& view,
                                  const CQxMatrix& projection) {
    return {world * view * projection};
}

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
    void Build(std::uint32_t longest);
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
    void BuildTable(const CQxList<CQxVertex>& vertices);
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

// One per thread (see Scratch).
extern thread_local Scratch g_Scratch;

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

// Takes a block of `count` vertices to clip space (the same sums, in the same order, as the
// transforms' Clip) and codes them against the box: `out` gets a byte per vertex, its code or,
// with `flags`, 1 inside and 0 outside. Returns in its low byte the AND of the codes (with
// `flags`: 0 when some vertex is inside, else 0xFF), and 0x100 when some vertex is inside.
// Compiled for more than one processor (mesh_hit_transform.cpp).
unsigned int CodeBlock(VertexBlock& b, const CQxMatrix& m, const ScreenBox& box, int flags,
                       unsigned int count, unsigned char* out);

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
    std::size_t sidesRoom = 0;             // entries `sides` holds
    std::vector<unsigned char> sidesReady; // per group

    // Whether the cache still describes the mesh.
    bool Matches(const CQxMesh& mesh) const;
    unsigned int Count(std::size_t f) const { return uniform ? uniform : offsets[f + 1] - offsets[f]; }
    std::size_t First(std::size_t f) const { return uniform ? f * uniform : offsets[f]; }
    const std::uint32_t* Corners(std::size_t f) const { return corners.data() + First(f); }
    std::size_t Groups() const { return (faces.size() + FaceGroup - 1) >> FaceGroupShift; }

    // Needs the scratch's vertex lookup ready (a vertex pass with lookup). On failure (no memory,
    // or more corners than 32-bit positions hold) the cache stays unbuilt and the caller walks the
    // mesh itself.
    bool Build(const CQxMesh& mesh, const Scratch& s);

    // Room for the sides of a built cache; false when memory is short.
    bool PrepareSides() {
        if (!sides) {
            sidesRoom = std::max<std::size_t>(corners.size(), 1);
            sides.reset(new (std::nothrow) const CQxHalfEdge*[sidesRoom]);
            if (!sides) sidesRoom = 0;
        }
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

} // namespace qx_mesh_hit

// The cache each mesh keeps for its hit tests (mesh_hit_cache.cpp).
struct CQxMesh::PickCache : qx_mesh_hit::Topology {
    bool busy = false;

    // The mesh's cache for one test, created on first use; null when memory is short or another
    // thread is testing the same mesh (that test then walks the mesh itself).
    class Lease {
    public:
        explicit Lease(const CQxMesh& mesh) noexcept;
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        qx_mesh_hit::Topology* Get() const { return m_Cache; }

    private:
        PickCache* m_Cache = nullptr;
    };
};
