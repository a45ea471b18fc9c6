// The subdivision meshes after a drag: the mesh is compared with the cage as it was read, and
// only what depends on the moved points is recomputed, level by level, with the same arithmetic
// as a full build. A big mesh's comparisons and passes run on two threads.

#include <cstddef>

#include "mesh_subdivision_internal.h"

namespace qx_subdiv {

namespace {

// Where more than 1/DenseShare of a level's faces are to be refined again, the rest of the chain
// is recomputed in full passes: visiting scattered elements costs several times as much per
// element as a pass through all of them in order.
constexpr Index DenseShare = 8;

// Level l + 1 from level l: from the level's dirty faces, or in a full pass once a level has
// too many of them (`dense`, which then holds for the rest of the chain).
template <class Chain>
void RefineLevel(Chain& chain, unsigned int l, bool shared, int& dense) {
    ChainLevel& level = *chain[l];
    ChainLevel& next = *chain[l + 1];
    if (!dense && level.DirtyFaces.Count() * DenseShare > level.FaceCount) {
        dense = 1;
        level.DirtyFaces.Clear();
    }
    if (dense)
        RefinePositions(level, next.Positions);
    else
        RefineSparse(level, next.Positions.data(), next.DirtyFaces, shared);
}

// Compares the mesh's vertices with the cage's: a moved vertex is copied into the cage and its
// faces marked dirty (a vertex of no face is the same point at every level, set at once).
// False when the list holds other vertices; `moved` counts the moved ones.
template <class Chain>
bool CompareCageVertices(CQxList<CQxVertex>& vertices, Chain& chain, Index& moved) {
    ChainLevel& cage = *chain.front();
    ChainLevel& fin = *chain.back();
    const std::size_t levels = chain.size() - 1;
    Index i = 0;
    for (CQxVertex& v : vertices) {
        if (&v != cage.CageVertices[i]) return false;
        if (v.Position() != cage.Positions[i]) {
            cage.Positions[i] = v.Position();
            ++moved;
            if (cage.VertCornerStart[i] == cage.VertCornerStart[i + 1]) {
                // Used by no face: the same point at every level.
                for (std::size_t l = 1; l <= levels; ++l) chain[l]->Positions[i] = v.Position();
                fin.MeshVertices[i]->Position() = v.Position();
            } else {
                for (Index k = cage.VertCornerStart[i]; k < cage.VertCornerStart[i + 1]; ++k)
                    cage.DirtyFaces.Set(cage.FaceOf(cage.VertCorners[k]));
            }
        }
        ++i;
    }
    return true;
}

// Compares the corners of cage face `topo` with the mesh face's, copying changed colours and
// texture coordinates into the cage (`changed`); `corner` is the face's first cage corner and
// moves past its last. False when the ring holds other vertices or gained or lost UVs.
inline bool CompareCageCorners(CQxFace& f, ChainLevel& cage, Index topo, int withUV, Index& corner,
                               int& changed) {
    int same = 1, hasUV = 0;
    f.ForEachHalfEdge([&](CQxHalfEdge& h) {
        same &= h.GetVertex() == cage.CornerVertices[corner];
        if (h.Color() != cage.Colors[corner]) {
            cage.Colors[corner] = h.Color();
            changed = 1;
        }
        if (withUV) {
            hasUV |= h.HasUV();
            const CQxVector2D uv = h.HasUV() ? h.UV() : CQxVector2D();
            if (uv != cage.UVs[corner]) {
                cage.UVs[corner] = uv;
                changed = 1;
            }
        }
        ++corner;
    });
    same &= hasUV == cage.FaceHasUV[topo];
    return same;
}

// Compares the mesh's faces with the cage's, noting in cage.DirtyFaceVarying the faces whose
// colours or texture coordinates changed. False when the list holds other faces, or a face
// changed its ring, material or flags.
bool CompareCageFaces(CQxList<CQxFace>& faces, ChainLevel& cage, int withUV) {
    cage.DirtyFaceVarying.clear();
    Index listIndex = 0, corner = 0, skipped = 0;
    for (CQxFace& f : faces) {
        if (&f != cage.ListFaces[listIndex] || f.GetHalfEdgeCount() != cage.ListFaceSizes[listIndex] ||
            f.Attribute() != cage.ListFaceAttributes[listIndex] || f.Flag() != cage.ListFaceFlags[listIndex])
            return false;
        const Index topo = cage.ListFaceTopo[listIndex++];
        int same = 1, changed = 0;
        if (topo == NoIndex) {
            f.ForEachHalfEdge(
                [&](CQxHalfEdge& h) { same &= h.GetVertex() == cage.SkippedCorners[skipped++]; });
        } else {
            same = CompareCageCorners(f, cage, topo, withUV, corner, changed);
            if (changed) cage.DirtyFaceVarying.push_back(topo);
        }
        if (!same) return false;
    }
    return true;
}

// Changed texture coordinates or colours: the descendants of a cage face are one run of faces at
// every level.
template <class Chain>
void RefineChangedFaceVarying(Chain& chain, unsigned int levels, int withUV) {
    const ChainLevel& cage = *chain.front();
    const ChainLevel& fin = *chain.back();
    for (Index f : cage.DirtyFaceVarying) {
        Index begin = f, end = f + 1;
        for (unsigned int l = 0; l < levels; ++l) {
            const ChainLevel& level = *chain[l];
            if (l + 1 == levels)
                RefineFaceVaryingIntoMesh(level, begin, end, withUV, fin.MeshFaces);
            else
                RefineFaceVaryingInto(level, begin, end, withUV, *chain[l + 1]);
            begin = level.Begin(begin);
            end = level.Begin(end);
        }
    }
}

} // namespace

} // namespace qx_subdiv

using qx_subdiv::ChainLevel;
using qx_subdiv::Index;

int CQxMesh::UpdateSubdivisionMeshes(int withUV) {
    withUV = withUV ? 1 : 0;
    if (m_SubdivisionLevel == 0) return 0;
    if (m_Subdivisions.size() != m_SubdivisionLevel + 1 || withUV != m_SubdivisionUV)
        return CreateSubdivisionMeshes(withUV);
    ChainLevel& cage = *m_Subdivisions.front();
    ChainLevel& fin = *m_Subdivisions.back();
    const unsigned int levels = m_SubdivisionLevel;
    if (m_Vertices.GetCount() != cage.VertexCount || m_Faces.GetCount() != cage.ListFaces.size())
        return CreateSubdivisionMeshes(withUV);

    // The vertices and the faces are compared with the cage as it was read, a big mesh's on two
    // threads: the vertex side goes on to refine the first level while the faces are compared,
    // and everything it writes is the chain's own, so a cage found changed is simply rebuilt.
    Index moved = 0;
    int dense = 0;
    bool sameVertices = true, sameFaces = true;
    auto vertexSide = [&] {
        sameVertices = qx_subdiv::CompareCageVertices(m_Vertices, m_Subdivisions, moved);
        if (sameVertices && moved) qx_subdiv::RefineLevel(m_Subdivisions, 0, false, dense);
    };
    auto faceSide = [&] { sameFaces = qx_subdiv::CompareCageFaces(m_Faces, cage, withUV); };
    constexpr std::size_t ParallelScan = 16384;
    if (cage.ListFaces.size() >= ParallelScan) {
        QxRunBoth(vertexSide, faceSide);
    } else {
        vertexSide();
        faceSide();
    }
    if (!sameVertices || !sameFaces) {
        // The chain is part way through an update: if it cannot be built again, it goes.
        if (CreateSubdivisionMeshes(withUV)) return 1;
        ClearSubdivisionMeshes();
        return 0;
    }

    ChainLevel& p = *m_Subdivisions[levels - 1];
    for (unsigned int l = 1; moved && l < levels; ++l) qx_subdiv::RefineLevel(m_Subdivisions, l, true, dense);
    if (moved) qx_subdiv::UpdateMovedFinest(p, fin, dense);
    qx_subdiv::RefineChangedFaceVarying(m_Subdivisions, levels, withUV);
    return 1;
}
