// Vertices to clip space a block at a time: positions gathered into short arrays, then
// transformed several lanes at once, with one outcode byte per vertex against a screen box and,
// per block, the bits all of them share; and the screen positions of all vertices.

#include <cfloat>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "mesh_hit_internal.h"

namespace qx_mesh_hit {

namespace {

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

} // namespace

// Compiled twice on x86-64, the wider form chosen at load time where the processor has it. Not
// under ThreadSanitizer, whose runtime is not up yet when load-time choices run.
#if defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define QX_VECTOR_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define QX_VECTOR_CLONES
#endif

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

namespace {

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

} // namespace

} // namespace qx_mesh_hit

using qx_mesh_hit::MakeBones;
using qx_mesh_hit::MakeSingle;
using qx_mesh_hit::ScreenPositions;

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
