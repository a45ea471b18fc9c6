// Catmull-Clark subdivision of a mesh: the chain of derived display meshes kept beside it (the
// subdivision meshes) built in full, and the mesh subdivided in place. How levels are numbered
// and the rules are in mesh_subdivision_internal.h; the update after a drag is in
// mesh_subdivision_update.cpp.

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "mesh_subdivision_internal.h"

using qx_subdiv::BuildChain;
using qx_subdiv::ChainLevel;
using qx_subdiv::CreateFinestFaces;
using qx_subdiv::Index;
using qx_subdiv::LinkFinestMates;
using qx_subdiv::LinkFinestVertices;
using qx_subdiv::NoIndex;
using qx_subdiv::RefineFaceVaryingIntoMesh;
using qx_subdiv::Table;
using qx_subdiv::UpdateAllFinest;

void CQxMesh::SubdivisionLevelDeleter::operator()(SubdivisionLevel* level) const noexcept {
    delete level;
}

// --- Derived subdivision meshes -----------------------------------------------------------------

int CQxMesh::SetSubdivisionLevel(unsigned int level, int withUV) {
    if (level == 0) {
        ClearSubdivisionMeshes();
        m_SubdivisionLevel = 0;
        return 1;
    }
    if (level == m_SubdivisionLevel && !m_Subdivisions.empty()) return UpdateSubdivisionMeshes(withUV);
    const unsigned int old = m_SubdivisionLevel;
    m_SubdivisionLevel = level;
    if (CreateSubdivisionMeshes(withUV)) return 1;
    m_SubdivisionLevel = old;
    return 0;
}

namespace {

// Makes the finest level's mesh from the tables of the level above it: its vertices, its faces
// and their corners, linked as mates and to their vertices, with texture coordinates, colours,
// normals and positions.
void BuildFinestMesh(const ChainLevel& cage, const ChainLevel& p, ChainLevel& fin, unsigned int levels,
                     int withUV) {
    fin.Mesh = std::make_unique<CQxMesh>();
    CQxMesh& mesh = *fin.Mesh;
    const Index vertexCount = p.ChildVertexCount();
    fin.MeshVertices.resize(vertexCount);
    Table<CQxHalfEdge*> corners;
    // The big tables are fresh memory, which the system clears page by page as it is first
    // written: the second core takes that on while this one makes the vertices.
    QxRunBoth(
        [&] {
            for (Index x = 0; x < vertexCount; ++x) {
                auto* v = new CQxVertex(fin.Positions[x]);
                mesh.Vertices().PushBack(v);
                fin.MeshVertices[x] = v;
            }
        },
        [&] {
            corners.resize(4 * static_cast<std::size_t>(p.CornerCount));
            fin.MeshFaces.resize(p.CornerCount);
            fin.FaceSmooth.resize(p.CornerCount);
            fin.FaceNormals.resize(p.CornerCount);
        });
    try {
        CreateFinestFaces(cage, p, levels, 0, fin.MeshVertices, fin.MeshFaces, corners);
    } catch (...) {
        for (CQxFace* f : fin.MeshFaces) delete f;
        throw;
    }
    for (CQxFace* f : fin.MeshFaces) mesh.Faces().PushBack(f);
    // Each half of every step writes what no other part of the same step touches (the
    // corners' mates; the corners' texture coordinates and colours; the vertices' corners,
    // which read the mates once all are linked), so each step runs on both cores.
    const unsigned int shift = 2 * (levels - 1);
    const auto linkAndRefine = [&](unsigned int half) {
        LinkFinestMates(p, corners, half);
        const auto [begin, end] = qx_subdiv::HalfRange(p.FaceCount, half);
        RefineFaceVaryingIntoMesh(p, begin, end, withUV, fin.MeshFaces);
    };
    QxRunBoth([&] { linkAndRefine(0); }, [&] { linkAndRefine(1); });
    QxRunBoth([&] { LinkFinestVertices(p, fin.MeshVertices, corners, 0); },
              [&] {
                  LinkFinestVertices(p, fin.MeshVertices, corners, 1);
                  for (Index c = 0; c < p.CornerCount; ++c)
                      fin.FaceSmooth[c] =
                          (cage.ListFaceFlags[cage.TopoFaceList[cage.FaceOf(c >> shift)]] & CQxFace::ShadeBit) != 0;
              });
    corners = Table<CQxHalfEdge*>();
    fin.AllSmooth = std::find(fin.FaceSmooth.begin(), fin.FaceSmooth.end(), 0) == fin.FaceSmooth.end();
    UpdateAllFinest(p, fin, vertexCount);
}

// What the sparse update after a drag needs is made with the chain, so that a drag allocates
// nothing.
template <class Chain>
void PrepareSparseUpdate(Chain& chain, unsigned int levels) {
    for (unsigned int i = 0; i < levels; ++i) {
        ChainLevel& level = *chain[i];
        level.DirtyFaces.Resize(level.FaceCount);
        level.DirtyEdges.Resize(level.EdgeCount);
        level.DirtyVertexPoints.Resize(level.VertexCount);
    }
    chain.front()->DirtyFaceVarying.reserve(chain.front()->FaceCount);
    ChainLevel& fin = *chain.back();
    fin.DirtyFaces.Resize(chain[levels - 1]->CornerCount);
    fin.DirtyVertexPoints.Resize(chain[levels - 1]->ChildVertexCount());
}

} // namespace

// Builds the chain for the current level; on failure (too large, out of memory) the previous
// chain is kept. No faces, or level 0, gives no chain.
int CQxMesh::CreateSubdivisionMeshes(int withUV) {
    withUV = withUV ? 1 : 0;
    const unsigned int levels = m_SubdivisionLevel;
    if (levels == 0) {
        ClearSubdivisionMeshes();
        return 1;
    }
    std::vector<std::unique_ptr<SubdivisionLevel, SubdivisionLevelDeleter>> chain;
    try {
        if (!BuildChain(*this, levels, withUV, 0, chain)) return 0;
        if (chain.empty()) {
            ClearSubdivisionMeshes();
            m_SubdivisionUV = withUV;
            return 1;
        }
        BuildFinestMesh(*chain.front(), *chain[levels - 1], *chain.back(), levels, withUV);
        PrepareSparseUpdate(chain, levels);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    m_Subdivisions.swap(chain);
    m_SubdivisionUV = withUV;
    return 1;
}

void CQxMesh::ClearSubdivisionMeshes() {
    m_Subdivisions.clear();
}

const CQxMesh* CQxMesh::GetSubdivisionMesh() const {
    return m_Subdivisions.empty() ? nullptr : m_Subdivisions.back()->Mesh.get();
}

CQxMesh* CQxMesh::GetSubdivisionMesh() {
    return m_Subdivisions.empty() ? nullptr : m_Subdivisions.back()->Mesh.get();
}

// --- In place -----------------------------------------------------------------------------------

// The cage's vertices stay (as the vertex points, so free edges and references to them hold);
// face and edge points are appended; every valid face is replaced, where it stood in the list,
// by its finest descendants. Faces that are not valid polygons stay as they are.
int CQxMesh::Subdivide(unsigned int levels, int withUV) {
    withUV = withUV ? 1 : 0;
    if (levels == 0) return 1;
    std::vector<std::unique_ptr<SubdivisionLevel, SubdivisionLevelDeleter>> chain;
    Table<CQxVertex*> vertices;
    Table<CQxFace*> faces;
    Index cageVertexCount = 0;
    try {
        if (!BuildChain(*this, levels, withUV, 1, chain)) return 0;
        if (chain.empty()) return 1;
        const ChainLevel& cage = *chain.front();
        const ChainLevel& p = *chain[levels - 1];
        const ChainLevel& fin = *chain.back();
        cageVertexCount = cage.VertexCount;
        vertices = cage.CageVertices;
        vertices.reserve(p.ChildVertexCount());
        try {
            for (Index x = cageVertexCount; x < p.ChildVertexCount(); ++x) {
                vertices.push_back(new CQxVertex(fin.Positions[x]));
                if (fin.HasBones && vertices.back()->AllocBones()) *vertices.back()->Bones() = fin.Bones[x];
            }
            Table<CQxHalfEdge*> corners;
            CreateFinestFaces(cage, p, levels, 1, vertices, faces, corners);
            // Corner selections follow the cage corner each finest face grows from.
            const unsigned int shift = 2 * (levels - 1);
            std::vector<const CQxHalfEdge*> cageCorners;
            cageCorners.reserve(cage.CornerCount);
            for (Index f = 0; f < cage.FaceCount; ++f)
                cage.ListFaces[cage.TopoFaceList[f]]->ForEachHalfEdge(
                    [&](CQxHalfEdge& h) { cageCorners.push_back(&h); });
            for (Index c = 0; c < p.CornerCount; ++c) {
                const CQxHalfEdge* source = cageCorners[c >> shift];
                CQxHalfEdge* h = corners[4 * std::size_t(c)];
                h->IsSelect() = source->IsSelect();
                h->IsUVSelect() = source->IsUVSelect();
            }
        } catch (...) {
            for (CQxFace* f : faces) delete f;
            for (Index x = cageVertexCount; x < vertices.size(); ++x) delete vertices[x];
            throw;
        }
        RefineFaceVaryingIntoMesh(p, 0, p.FaceCount, withUV, faces);
    } catch (const std::bad_alloc&) {
        return 0;
    }

    // Commit: nothing below allocates.
    const ChainLevel& cage = *chain.front();
    const ChainLevel& fin = *chain.back();
    for (Index v = 0; v < cageVertexCount; ++v) vertices[v]->Position() = fin.Positions[v];
    for (Index x = cageVertexCount; x < vertices.size(); ++x) m_Vertices.PushBack(vertices[x]);
    for (CQxFace* f : cage.ListFaces) {
        f->ForEachHalfEdge([](CQxHalfEdge& h) { h.Mate() = nullptr; });
        m_Faces.Remove(f);
    }
    const Index perCorner = Index(1) << (2 * (levels - 1));
    for (Index i = 0; i < cage.ListFaces.size(); ++i) {
        const Index topo = cage.ListFaceTopo[i];
        if (topo == NoIndex) {
            m_Faces.PushBack(cage.ListFaces[i]);
            continue;
        }
        for (Index c = cage.FaceStart[topo] * perCorner; c < cage.FaceStart[topo + 1] * perCorner; ++c)
            m_Faces.PushBack(faces[c]);
        delete cage.ListFaces[i];
    }
    ClearSubdivisionMeshes();
    UpdateHalfEdgeMates();
    UpdateNormals();
    UpdateIndices();
    return 1;
}
