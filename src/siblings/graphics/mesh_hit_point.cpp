// Point picks. Each call takes the vertices to clip space once, keeping one outcode byte per
// vertex against a box around the point. Faces are walked in list order from the mesh's topology
// cache, 64 at a time: a group whose vertices all lie beyond one side of the box is passed over
// without reading its corners, and of the rest all but the few faces near the point are
// dismissed by their corners' codes before any division; only the faces that pass touch the
// elements.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "mesh_hit_internal.h"
#include "qx/graphics/settings.h"

namespace qx_mesh_hit {

namespace {

// Depths closer than this count as the same surface (float error of the projection).
constexpr float DepthTolerance = 1e-5f;
// Screen distances closer than this (pixels) count as equal, e.g. the two mates of one side.
constexpr float DistanceTolerance = 1e-3f;

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

// Codes every vertex against a box around the point; with `wantVertices` those within the pick
// size become candidates. Returns the codes, the slot past the last vertex marked missing.
template <class Transform>
const unsigned char* CodeVerticesNearPoint(const CQxMesh& mesh, const Transform& xf, PointPick& pk,
                                           int wantVertices, bool lookup, Scratch& s) {
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
        lookup);
    unsigned char* codes = s.codes.data();
    codes[n] = MissingCode;
    return codes;
}

// A face whose corners are not all beyond one side of the pick box: tested in full.
template <class Transform>
void TestFace(const CQxFace& f, unsigned int count, unsigned int any, const Transform& xf, PointPick& pk,
              Scratch& s) {
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
}

// The faces of the topology cache, whole groups passed over by their vertex runs.
template <class Transform>
void TestCachedFaces(const Topology& topo, const unsigned char* codes, const Transform& xf, PointPick& pk,
                     Scratch& s) {
    topo.ForEach(
        s.runs, 2, [](std::size_t) {},
        [&](std::size_t k, const std::uint32_t* c, auto count) {
            unsigned int all = 0xFF, any = 0;
            for (unsigned int i = 0; i < count; ++i) {
                all &= codes[c[i]];
                any |= codes[c[i]];
            }
            if (!all && !(any & MissingBit)) TestFace(*topo.faces[k], count, any, xf, pk, s);
        });
}

// The faces of the mesh's list, their corners looked up one by one (no cache to be had).
template <class Transform>
void TestListedFaces(const CQxMesh& mesh, const unsigned char* codes, const Transform& xf, PointPick& pk,
                     Scratch& s) {
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
        if (i == count && count >= 2 && !all) TestFace(f, count, any, xf, pk, s);
    }
}

// The free edges whose ends are not both beyond one side of the pick box, as lines.
template <class Transform>
void TestFreeEdges(const CQxMesh& mesh, const unsigned char* codes, const Transform& xf, PointPick& pk,
                   Scratch& s) {
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
                        {b.x, b.y, b.z, b.iw, ends[1]->Position(), nullptr}, 0.0f, pk, &e, nullptr, s.lines);
    }
}

// Vertices before lines before faces: a point or line drawn on a face is what the user aims at.
// Gives 0 when nothing nearer than `best` was found.
int ReportPointHit(unsigned int mask, const PointPick& pk, const Scratch& s, float& best, CQxMeshHit& hit) {
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
    const unsigned char* codes = CodeVerticesNearPoint(mesh, xf, pk, wantVertices, !cached || wantEdges, s);
    if (topo && !cached) cached = topo->Build(mesh, s);
    if (cached) s.runs.Build(topo->longestSpan);

    // Faces are walked even when only vertices or lines are asked for: they hide what is
    // behind them. Most are ruled out by their corners' outcodes alone.
    if (cached)
        TestCachedFaces(*topo, codes, xf, pk, s);
    else
        TestListedFaces(mesh, codes, xf, pk, s);
    if (mask & QX_HIT_EDGE) TestFreeEdges(mesh, codes, xf, pk, s);
    return ReportPointHit(mask, pk, s, best, hit);
}

} // namespace

} // namespace qx_mesh_hit

using qx_mesh_hit::MakeBones;
using qx_mesh_hit::MakeSingle;
using qx_mesh_hit::PointHit;

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
