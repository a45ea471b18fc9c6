#include <algorithm>

#include "qx/commands/tree_cmd.h"
#include "qx/selection/select.h"

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;
constexpr std::uint64_t kNoMate = ~std::uint64_t(0);

// The elements of a list by position; each element's Index becomes its position.
template <class T>
std::vector<T*> Table(CQxList<T>& list) {
    std::vector<T*> table;
    table.reserve(list.GetCount());
    for (T& e : list) {
        e.Index() = static_cast<unsigned int>(table.size());
        table.push_back(&e);
    }
    return table;
}

// Whether p is the element at its own Index of the table (and so one of this list's).
template <class T>
bool IsMember(const std::vector<T*>& table, const T* p) {
    return p && p->Index() < table.size() && table[p->Index()] == p;
}

// Links the elements back so that each ends at its recorded position (ascending). Elements in
// between keep their order.
template <class T>
void InsertAt(CQxList<T>& list, const std::vector<std::uint32_t>& positions,
              const std::vector<T*>& elements) {
    T* const head = list.end().Get();
    T* cur = list.begin().Get();
    std::uint32_t at = 0;
    for (std::size_t i = 0; i < elements.size() && i < positions.size(); ++i) {
        while (at < positions[i] && cur != head) {
            cur = cur->Next();
            ++at;
        }
        list.InsertBefore(cur, elements[i]);
        at = positions[i] + 1;
    }
}

// Calls f(h) for every corner of the mesh in serial order.
template <class Mesh, class F>
void ForEachCorner(Mesh& mesh, F&& f) {
    for (auto& face : mesh.Faces()) face.ForEachHalfEdge(f);
}

} // namespace

// --- Mates ---------------------------------------------------------------------------------------

void CQxMeshMates::Capture(CQxMesh& mesh) {
    // Serial numbers go into the corners' Index fields, so a mate's number is read off it.
    const unsigned int count = mesh.UpdateHalfEdgeSerialIndices();
    m_Mates.assign(count, kNone);
    std::uint32_t i = 0;
    ForEachCorner(mesh, [&](const CQxHalfEdge& h) {
        if (h.Mate() && h.Mate()->Index() < count) m_Mates[i] = h.Mate()->Index();
        ++i;
    });
}

int CQxMeshMates::Restore(CQxMesh& mesh) const {
    CQxArray<CQxHalfEdge*> corners;
    mesh.CreateHalfEdgeSerialPointerArray(corners);
    if (corners.GetSize() != m_Mates.size()) return 0;
    for (std::uint32_t i = 0; i < corners.GetSize(); ++i)
        corners[i]->Mate() = m_Mates[i] == kNone ? nullptr : corners[m_Mates[i]];
    return 1;
}

// --- Selection -----------------------------------------------------------------------------------

void CQxMeshSelection::Capture(const CQxMesh& mesh) {
    auto collect = [](const auto& list, std::vector<std::uint32_t>& out) {
        out.clear();
        std::uint32_t i = 0;
        for (const auto& e : list) {
            if (e.IsSelect()) out.push_back(i);
            ++i;
        }
    };
    collect(mesh.Vertices(), m_Vertices);
    collect(mesh.Edges(), m_Edges);
    collect(mesh.Faces(), m_Faces);
    m_HalfEdges.clear();
    std::uint32_t i = 0;
    ForEachCorner(mesh, [&](const CQxHalfEdge& h) {
        if (h.IsSelect()) m_HalfEdges.push_back(i);
        ++i;
    });
}

int CQxMeshSelection::Restore(CQxMesh& mesh) const {
    int changed = 0;
    auto apply = [&changed](auto& element, std::uint32_t i, const std::vector<std::uint32_t>& selected,
                            std::size_t& next) {
        const unsigned char on = next < selected.size() && selected[next] == i ? 1 : 0;
        if (on) ++next;
        if (element.IsSelect() != on) {
            element.IsSelect() = on;
            changed = 1;
        }
    };
    auto walk = [&](auto& list, const std::vector<std::uint32_t>& selected) {
        std::size_t next = 0;
        std::uint32_t i = 0;
        for (auto& e : list) apply(e, i++, selected, next);
    };
    walk(mesh.Vertices(), m_Vertices);
    walk(mesh.Edges(), m_Edges);
    walk(mesh.Faces(), m_Faces);
    std::size_t next = 0;
    std::uint32_t i = 0;
    ForEachCorner(mesh, [&](CQxHalfEdge& h) { apply(h, i++, m_HalfEdges, next); });
    return changed;
}

std::size_t CQxMeshSelection::GetBytes() const {
    return (m_Vertices.capacity() + m_Edges.capacity() + m_Faces.capacity() + m_HalfEdges.capacity()) *
           sizeof(std::uint32_t);
}

void CQxTreeSelection::Capture(const CQxObject& root) {
    m_Flags.clear();
    m_Meshes.clear();
    std::uint32_t i = 0;
    for (CQxObject::Iterator it = root.Begin(); !it.IsEnd(); ++it, ++i) {
        m_Flags.push_back(
            static_cast<unsigned char>((it->IsSelect() ? 1 : 0) | (it->IsHandleSelect() ? 2 : 0)));
        CQxMeshSelection states;
        states.Capture(it->Mesh());
        if (!states.IsEmpty()) m_Meshes.emplace_back(i, std::move(states));
    }
}

int CQxTreeSelection::Restore(CQxObject& root) const {
    int changed = 0;
    std::uint32_t i = 0;
    std::size_t next = 0;
    for (CQxObject::Iterator it = root.Begin(); !it.IsEnd() && i < m_Flags.size(); ++it, ++i) {
        const unsigned char select = m_Flags[i] & 1;
        const unsigned char handle = (m_Flags[i] >> 1) & 1;
        int meshChanged = 0;
        if (it->IsSelect() != select) {
            it->IsSelect() = select;
            changed = 1;
        }
        if (it->IsHandleSelect() != handle) {
            it->IsHandleSelect() = handle;
            meshChanged = 1;
        }
        if (next < m_Meshes.size() && m_Meshes[next].first == i) {
            meshChanged |= m_Meshes[next].second.Restore(it->Mesh());
            ++next;
        } else if (it->Mesh().HasSelect()) {
            it->Mesh().Select(0);
            meshChanged = 1;
        }
        if (meshChanged) {
            it->UpdateGeometry();
            changed = 1;
        }
    }
    return changed;
}

std::size_t CQxTreeSelection::GetBytes() const {
    std::size_t bytes = m_Flags.capacity() + m_Meshes.capacity() * sizeof(m_Meshes[0]);
    for (const auto& mesh : m_Meshes) bytes += mesh.second.GetBytes();
    return bytes;
}

// --- Mesh part -----------------------------------------------------------------------------------

CQxMeshPart::~CQxMeshPart() {
    FreeKept();
}

void CQxMeshPart::FreeKept() {
    if (!m_Removed) return;
    // Faces first: their corners name the vertices (deleting a face reads no vertex).
    for (CQxFace* f : m_Faces) delete f;
    for (CQxEdge* e : m_Edges) delete e;
    for (CQxVertex* v : m_Vertices) delete v;
    m_Faces.clear();
    m_Edges.clear();
    m_Vertices.clear();
    m_Removed = 0;
}

int CQxMeshPart::Choose(CQxMesh& mesh, const CQxSelect& select) {
    const std::vector<CQxVertex*> vertices = Table(mesh.Vertices());
    const std::vector<CQxEdge*> edges = Table(mesh.Edges());
    const std::vector<CQxFace*> faces = Table(mesh.Faces());
    std::vector<unsigned char> inV(vertices.size()), inE(edges.size()), inF(faces.size());
    for (const CQxFace* f : select.Faces())
        if (IsMember(faces, f)) inF[f->Index()] = 1;
    for (const CQxHalfEdge* h : select.HalfEdges())
        if (h && IsMember(faces, static_cast<const CQxFace*>(h->GetFace()))) inF[h->GetFace()->Index()] = 1;
    for (const CQxEdge* e : select.Edges())
        if (IsMember(edges, e)) inE[e->Index()] = 1;
    for (const CQxVertex* v : select.Vertices())
        if (IsMember(vertices, v)) inV[v->Index()] = 1;

    // A vertex stays while an edge or face that stays uses it.
    std::vector<unsigned char> used(vertices.size());
    auto use = [&](const CQxVertex* v) {
        if (IsMember(vertices, v)) used[v->Index()] = 1;
    };
    for (std::size_t i = 0; i < edges.size(); ++i)
        if (!inE[i]) use(edges[i]->Vertex(0)), use(edges[i]->Vertex(1));
    for (std::size_t i = 0; i < faces.size(); ++i)
        if (!inF[i]) faces[i]->ForEachHalfEdge([&](const CQxHalfEdge& h) { use(h.GetVertex()); });

    m_VertexPos.clear();
    m_EdgePos.clear();
    m_FacePos.clear();
    for (std::uint32_t i = 0; i < vertices.size(); ++i)
        if (inV[i] && !used[i]) m_VertexPos.push_back(i);
    for (std::uint32_t i = 0; i < edges.size(); ++i)
        if (inE[i]) m_EdgePos.push_back(i);
    for (std::uint32_t i = 0; i < faces.size(); ++i)
        if (inF[i]) m_FacePos.push_back(i);
    return !m_VertexPos.empty() || !m_EdgePos.empty() || !m_FacePos.empty();
}

int CQxMeshPart::ChooseFaces(const CQxMesh& mesh, std::vector<std::uint32_t> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    while (!positions.empty() && positions.back() >= mesh.Faces().GetCount()) positions.pop_back();
    m_VertexPos.clear();
    m_EdgePos.clear();
    m_FacePos = std::move(positions);
    return !m_FacePos.empty();
}

void CQxMeshPart::Remove(CQxMesh& mesh, CQxSnapshotStore& store) {
    if (m_Removed) return;
    const std::vector<CQxVertex*> vertices = Table(mesh.Vertices());
    const std::vector<CQxEdge*> edges = Table(mesh.Edges());
    const std::vector<CQxFace*> faces = Table(mesh.Faces());
    auto vertexPos = [&](const CQxVertex* v) { return IsMember(vertices, v) ? v->Index() : kNone; };

    m_Faces.clear();
    m_RingVertices.clear();
    m_RingMates.clear();
    m_Materials.Clear();
    for (std::uint32_t p : m_FacePos) {
        if (p >= faces.size()) continue;
        CQxFace* f = faces[p];
        m_Faces.push_back(f);
        m_Materials.Push(store.GetMaterialRef(f->Attribute()));
        f->Attribute() = nullptr;
        f->ForEachHalfEdge([&](CQxHalfEdge& h) {
            m_RingVertices.push_back(vertexPos(h.GetVertex()));
            const CQxHalfEdge* mate = h.Mate();
            m_RingMates.push_back(mate ? (std::uint64_t(mate->GetFace()->Index()) << 32) |
                                             mate->GetFace()->GetHalfEdgePosition(mate)
                                       : kNoMate);
        });
    }
    // Mates are cut only once every link is recorded: two removed faces may be mates.
    for (CQxFace* f : m_Faces) {
        f->ForEachHalfEdge([](CQxHalfEdge& h) {
            if (h.Mate()) h.Mate()->Mate() = nullptr;
            h.Mate() = nullptr;
        });
        mesh.Faces().Remove(f);
    }
    m_Edges.clear();
    m_EdgeVertices.clear();
    for (std::uint32_t p : m_EdgePos) {
        if (p >= edges.size()) continue;
        CQxEdge* e = edges[p];
        m_Edges.push_back(e);
        m_EdgeVertices.push_back(vertexPos(e->Vertex(0)));
        m_EdgeVertices.push_back(vertexPos(e->Vertex(1)));
        mesh.Edges().Remove(e);
    }
    m_Vertices.clear();
    for (std::uint32_t p : m_VertexPos) {
        if (p >= vertices.size()) continue;
        CQxVertex* v = vertices[p];
        m_Vertices.push_back(v);
        v->HalfEdge() = nullptr;
        mesh.Vertices().Remove(v);
    }
    m_Removed = 1;
    mesh.ClearSubdivisionMeshes();
    mesh.UpdateVertexHalfEdges();
    mesh.UpdateIndices();
}

void CQxMeshPart::Restore(CQxMesh& mesh) {
    if (!m_Removed) return;
    InsertAt(mesh.Vertices(), m_VertexPos, m_Vertices);
    const std::vector<CQxVertex*> vertices = Table(mesh.Vertices());
    auto vertexAt = [&](std::uint32_t p) { return p < vertices.size() ? vertices[p] : nullptr; };

    for (std::size_t i = 0; i < m_Edges.size(); ++i) {
        m_Edges[i]->Vertex(0) = vertexAt(m_EdgeVertices[2 * i]);
        m_Edges[i]->Vertex(1) = vertexAt(m_EdgeVertices[2 * i + 1]);
    }
    InsertAt(mesh.Edges(), m_EdgePos, m_Edges);

    std::size_t k = 0;
    for (CQxFace* f : m_Faces)
        f->ForEachHalfEdge([&](CQxHalfEdge& h) { h.SetVertex(vertexAt(m_RingVertices[k++])); });
    InsertAt(mesh.Faces(), m_FacePos, m_Faces);
    const std::vector<CQxFace*> faces = Table(mesh.Faces());
    k = 0;
    for (CQxFace* f : m_Faces) {
        f->ForEachHalfEdge([&](CQxHalfEdge& h) {
            const std::uint64_t mate = m_RingMates[k++];
            if (mate == kNoMate || (mate >> 32) >= faces.size()) return;
            CQxHalfEdge* other =
                faces[mate >> 32]->GetHalfEdgeAt(static_cast<unsigned int>(mate & 0xFFFFFFFFu));
            if (!other) return;
            h.Mate() = other;
            other->Mate() = &h;
        });
    }
    m_Removed = 0;
    // Back in the mesh, the part needs only the positions until it is removed again.
    std::vector<CQxVertex*>().swap(m_Vertices);
    std::vector<CQxEdge*>().swap(m_Edges);
    std::vector<std::uint32_t>().swap(m_EdgeVertices);
    std::vector<std::uint32_t>().swap(m_RingVertices);
    std::vector<std::uint64_t>().swap(m_RingMates);
    mesh.ClearSubdivisionMeshes();
    mesh.UpdateVertexHalfEdges();
    mesh.UpdateIndices();
}

void CQxMeshPart::ApplyMaterials(const CQxSnapshotStore& store) {
    if (m_Removed) return;
    std::size_t i = 0;
    m_Materials.ForEachRun([&](std::uint32_t count, CQxMaterialRef ref) {
        CQxAttribute* attribute = store.GetMaterial(ref);
        for (; count > 0 && i < m_Faces.size(); --count) m_Faces[i++]->Attribute() = attribute;
    });
    std::vector<CQxFace*>().swap(m_Faces);
    m_Materials = CQxFaceMaterials();
}

std::size_t CQxMeshPart::GetBytes() const {
    std::size_t bytes = sizeof(*this) +
                        (m_VertexPos.capacity() + m_EdgePos.capacity() + m_FacePos.capacity() +
                         m_EdgeVertices.capacity() + m_RingVertices.capacity()) *
                            sizeof(std::uint32_t) +
                        m_RingMates.capacity() * sizeof(std::uint64_t) + m_Materials.GetBytes() +
                        (m_Vertices.capacity() + m_Edges.capacity() + m_Faces.capacity()) * sizeof(void*);
    if (m_Removed) {
        bytes += m_Vertices.size() * sizeof(CQxVertex) + m_Edges.size() * sizeof(CQxEdge) +
                 m_Faces.size() * sizeof(CQxFace) + m_RingVertices.size() * sizeof(CQxHalfEdge);
        for (const CQxVertex* v : m_Vertices)
            if (v->HasBones()) bytes += sizeof(CQxVertexBones);
    }
    return bytes;
}
