// Copies and mirror images of meshes: CreateCopy, CreateSymmetry, UpdateSymmetry and
// DuplicateMirrors.
//
// A symmetry mesh is laid out so that UpdateSymmetry can follow its source without any record:
// first copies of the source's vertices, edges and faces in source order, then the mirrored
// copies of the vertices that are not shared (in source order), of the edges and of the faces
// (turned). With connect, a vertex of the source that some face uses and that lies on the
// mirror plane is shared by both halves, so the halves are welded along the plane.

#include <algorithm>
#include <cmath>
#include <vector>

#include "mesh_internal.h"
#include "qx/graphics/bound_box.h"
#include "qx/graphics/mesh.h"

using qx_mesh::NoIndex;

namespace {

// How near the mirror plane a vertex must be to be shared, for a mesh of the given extent.
constexpr float PlaneTolerance = 1e-4f;

int IsSingleAxis(unsigned int axis) {
    return axis == QX_AXIS_X || axis == QX_AXIS_Y || axis == QX_AXIS_Z;
}

float AxisCoordinate(const CQxVector& p, unsigned int axis) {
    return axis == QX_AXIS_X ? p.x : axis == QX_AXIS_Y ? p.y : p.z;
}

float MeshTolerance(const CQxMesh& mesh) {
    CQxBoundBox box;
    mesh.GetBoundBox(box);
    const float size = box.GetMaxSize();
    return std::isfinite(size) && size > 0.0f ? size * PlaneTolerance : PlaneTolerance;
}

// Marks the vertices (of the first `count` of `mesh`) that some face uses.
std::vector<unsigned char> FaceVertices(const std::vector<CQxVertex*>& vertices, const CQxMesh& mesh,
                                        unsigned int faceCount) {
    const qx_mesh::ElementIndexer<CQxVertex> index(vertices);
    std::vector<unsigned char> used(vertices.size(), 0);
    auto f = mesh.Faces().begin();
    for (unsigned int i = 0; i < faceCount && f != mesh.Faces().end(); ++i, ++f) {
        f->ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const unsigned int k = index.Find(h.GetVertex());
            if (k != NoIndex) used[k] = 1;
        });
    }
    return used;
}

// The vertices of `source` to weld: for each source vertex on the plane that a face uses, the
// vertex of `halfOf` at the same position in its list; null for the others.
std::vector<CQxVertex*> PlaneVertices(const CQxMesh& source, unsigned int faceCount, const CQxMesh& halfOf,
                                      unsigned int axis, float tolerance) {
    const std::vector<CQxVertex*> sv = qx_mesh::CollectElements(source.Vertices());
    const std::vector<CQxVertex*> tv =
        qx_mesh::CollectElements(halfOf.Vertices(), static_cast<unsigned int>(sv.size()));
    const std::vector<unsigned char> used = FaceVertices(sv, source, faceCount);
    std::vector<CQxVertex*> shared(sv.size(), nullptr);
    for (std::size_t i = 0; i < sv.size() && i < tv.size(); ++i)
        if (used[i] && std::fabs(AxisCoordinate(sv[i]->Position(), axis)) <= tolerance) shared[i] = tv[i];
    return shared;
}

} // namespace

int CQxMesh::CreateCopy(const CQxMesh& source, int append, const CQxMatrix* transform,
                        unsigned int mirrorAxes, int withUV) {
    if (mirrorAxes & ~static_cast<unsigned int>(QX_AXIS_X | QX_AXIS_Y | QX_AXIS_Z)) return 0;
    if (transform && !transform->IsFinite()) return 0;
    if (&source == this && !append) {
        const CQxMesh copy(source);
        return CreateCopy(copy, 0, transform, mirrorAxes, withUV);
    }
    if (!append) Clear();
    qx_mesh::AppendOptions options;
    options.Transform = transform;
    options.MirrorAxes = mirrorAxes;
    options.WithUV = withUV;
    qx_mesh::AppendElements(*this, source, NoIndex, NoIndex, NoIndex, options);
    UpdateNormals();
    return 1;
}

int CQxMesh::CreateSymmetry(const CQxMesh& source, QX_AXIS_TYPE axis, int connect, int withUV) {
    if (!IsSingleAxis(axis)) return 0;
    if (&source == this) {
        const CQxMesh copy(source);
        return CreateSymmetry(copy, axis, connect, withUV);
    }
    Clear();
    qx_mesh::AppendOptions options;
    options.WithUV = withUV;
    qx_mesh::AppendElements(*this, source, NoIndex, NoIndex, NoIndex, options);

    std::vector<CQxVertex*> shared;
    if (connect)
        shared = PlaneVertices(source, source.Faces().GetCount(), *this, axis, MeshTolerance(source));
    options.MirrorAxes = axis;
    options.SharedVertices = connect ? &shared : nullptr;
    qx_mesh::AppendElements(*this, source, NoIndex, NoIndex, NoIndex, options);
    // Sides along the seam pair up across the halves only now.
    if (connect) UpdateHalfEdgeMates();
    UpdateNormals();
    return 1;
}

// Recovers from the faces which source vertex each vertex of the mirrored half copies, checking
// on the way that this mesh still has the layout CreateSymmetry gives; then moves the vertices.
int CQxMesh::UpdateSymmetry(const CQxMesh& source, QX_AXIS_TYPE axis) {
    if (!IsSingleAxis(axis) || &source == this) return 0;
    const std::vector<CQxVertex*> sv = qx_mesh::CollectElements(source.Vertices());
    const std::vector<CQxVertex*> tv = qx_mesh::CollectElements(m_Vertices);
    const std::vector<CQxFace*> sf = qx_mesh::CollectElements(source.Faces());
    const std::vector<CQxFace*> tf = qx_mesh::CollectElements(m_Faces);
    const std::size_t n = sv.size();
    if (tv.size() < n || tf.size() != 2 * sf.size()) return 0;
    const qx_mesh::ElementIndexer<CQxVertex> sIndex(sv);
    const qx_mesh::ElementIndexer<CQxVertex> tIndex(tv);

    // mirror[s]: the vertex of this mesh that mirrors source vertex s (s itself when shared).
    std::vector<unsigned int> mirror(n, NoIndex);
    std::vector<unsigned int> ring;
    for (std::size_t i = 0; i < sf.size(); ++i) {
        const CQxFace& s = *sf[i];
        const CQxFace& a = *tf[i];
        const CQxFace& b = *tf[sf.size() + i];
        const unsigned int k = s.GetHalfEdgeCount();
        if (a.GetHalfEdgeCount() != k || b.GetHalfEdgeCount() != k) return 0;
        ring.clear();
        s.ForEachHalfEdge([&](const CQxHalfEdge& h) { ring.push_back(sIndex.Find(h.GetVertex())); });
        unsigned int p = 0;
        int ok = 1;
        a.ForEachHalfEdge([&](const CQxHalfEdge& h) { ok &= tIndex.Find(h.GetVertex()) == ring[p++]; });
        // The mirrored ring is turned: its corner p copies the source corner (k - p) % k.
        p = 0;
        b.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            const unsigned int src = ring[(k - p) % k];
            const unsigned int t = tIndex.Find(h.GetVertex());
            ++p;
            if (src == NoIndex || t == NoIndex) {
                ok &= src == t;
                return;
            }
            if (t < n && t != src) ok = 0;
            if (mirror[src] != NoIndex && mirror[src] != t) ok = 0;
            mirror[src] = t;
        });
        if (!ok) return 0;
    }
    // The mirrored copies follow in source order; vertices no face uses always have one.
    std::size_t next = n;
    for (std::size_t s = 0; s < n; ++s) {
        if (mirror[s] == s) continue;
        if (mirror[s] == NoIndex) mirror[s] = static_cast<unsigned int>(next);
        if (mirror[s] != next) return 0;
        ++next;
    }
    if (next != tv.size()) return 0;

    for (std::size_t s = 0; s < n; ++s) {
        tv[s]->Position() = sv[s]->Position();
        if (mirror[s] != s) tv[mirror[s]]->Position() = qx_mesh::MirrorPosition(sv[s]->Position(), axis);
    }
    UpdateNormals();
    return 1;
}

// Mirroring the whole mesh about each flagged axis in turn doubles it each time, which yields
// the images about every combination of the axes.
int CQxMesh::DuplicateMirrors(unsigned int axisFlags, int connect, int withUV) {
    constexpr unsigned int all = QX_AXIS_X | QX_AXIS_Y | QX_AXIS_Z;
    if (!axisFlags || (axisFlags & ~all)) return 0;
    const float tolerance = MeshTolerance(*this);
    for (unsigned int axis : {QX_AXIS_X, QX_AXIS_Y, QX_AXIS_Z}) {
        if (!(axisFlags & axis)) continue;
        const unsigned int faceCount = m_Faces.GetCount();
        std::vector<CQxVertex*> shared;
        if (connect) shared = PlaneVertices(*this, faceCount, *this, axis, tolerance);
        qx_mesh::AppendOptions options;
        options.MirrorAxes = axis;
        options.WithUV = withUV;
        options.SharedVertices = connect ? &shared : nullptr;
        qx_mesh::AppendElements(*this, *this, m_Vertices.GetCount(), m_Edges.GetCount(), faceCount, options);
    }
    UpdateHalfEdgeMates();
    UpdateNormals();
    return 1;
}
