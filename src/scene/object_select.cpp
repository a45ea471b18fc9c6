#include <algorithm>
#include <atomic>

#include "object_internal.h"
#include "qx/scene/object.h"
#include "qx/selection/select.h"
#include "qx/selection/uv_select.h"

// --- Whole objects ------------------------------------------------------------------------------

void CQxObject::Select(int on, int deep) {
    on = on ? 1 : 0;
    if (HasShape() && m_IsComponentMode) SelectAllComponents(static_cast<unsigned char>(on));
    IsSelect() = static_cast<unsigned char>(on);
    if (deep)
        for (CQxObject* child : GetChildren()) child->Select(on, deep);
}

void CQxObject::ToggleSelect(int deep) {
    if (HasShape() && m_IsComponentMode) {
        CQxMesh& mesh = m_Meshes[MESH_MAIN];
        mesh.ToggleSelect();
        IsSelect() = mesh.HasSelect() ? 1 : 0;
        UpdateGeometry();
    } else {
        IsSelect() = IsSelect() ? 0 : 1;
    }
    if (deep)
        for (CQxObject* child : GetChildren()) child->ToggleSelect(deep);
}

void CQxObject::SelectHandle(int on, int deep) {
    const unsigned char value = on ? 1 : 0;
    if (IsHandleSelect() != value) {
        IsHandleSelect() = value;
        UpdateGeometry();
    }
    if (deep)
        for (CQxObject* child : GetChildren()) child->SelectHandle(on, deep);
}

void CQxObject::ToggleSelectHandle(int deep) {
    IsHandleSelect() = IsHandleSelect() ? 0 : 1;
    UpdateGeometry();
    if (deep)
        for (CQxObject* child : GetChildren()) child->ToggleSelectHandle(deep);
}

// --- Components ---------------------------------------------------------------------------------

namespace {

template <class T>
bool AnyListed(const CQxArray<T*>& elements) {
    return std::any_of(elements.begin(), elements.end(), [](const T* e) { return e != nullptr; });
}

// Sets the flag where it differs, and lists the element.
template <class T>
void SetFlag(T& element, unsigned char on, CQxArray<T*>& changed) {
    if (element.IsSelect() == on) return;
    element.IsSelect() = on;
    changed.PushBack(&element);
}

std::atomic<std::uint64_t> g_SelectionGeneration{0};

} // namespace

std::uint64_t qx_object::SelectionGeneration() {
    return g_SelectionGeneration.load(std::memory_order_relaxed);
}

void qx_object::ForgetKnownSelections() {
    g_SelectionGeneration.fetch_add(1, std::memory_order_relaxed);
}

bool CQxObject::IsSelectionKnown() const {
    const KnownSelection& known = m_KnownSelection;
    return known.Valid && known.Topology == QxGetMeshTopologyEpoch() &&
           known.Generation == qx_object::SelectionGeneration();
}

void CQxObject::KnowNoSelection() {
    KnownSelection& known = m_KnownSelection;
    known.Valid = true;
    known.Topology = QxGetMeshTopologyEpoch();
    known.Generation = qx_object::SelectionGeneration();
    known.Vertices.clear();
    known.Edges.clear();
    known.Faces.clear();
    known.HalfEdges.clear();
}

void CQxObject::KnowSelected(const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                             const CQxArray<CQxFace*>& faces, const CQxArray<CQxHalfEdge*>& halfEdges) {
    if (!IsSelectionKnown()) return;
    KnownSelection& known = m_KnownSelection;
    auto add = [](auto& to, const auto& from) {
        for (auto* e : from)
            if (e) to.push_back(e);
    };
    add(known.Vertices, vertices);
    add(known.Edges, edges);
    add(known.Faces, faces);
    add(known.HalfEdges, halfEdges);
    // A record as long as the mesh saves nothing over walking it.
    const CQxMesh& mesh = m_Meshes[MESH_MAIN];
    if (known.Vertices.size() + known.Edges.size() + known.Faces.size() + known.HalfEdges.size() >
        mesh.Vertices().GetCount() + mesh.Edges().GetCount() + mesh.Faces().GetCount())
        ForgetSelection();
}

void CQxObject::SelectAllComponents(unsigned char on) {
    CQxArray<CQxVertex*> vertices;
    CQxArray<CQxEdge*> edges;
    CQxArray<CQxFace*> faces;
    CQxArray<CQxHalfEdge*> halfEdges;
    CQxMesh& mesh = m_Meshes[MESH_MAIN];
    if (!on && IsSelectionKnown()) {
        const KnownSelection& known = m_KnownSelection;
        for (CQxVertex* v : known.Vertices) SetFlag(*v, on, vertices);
        for (CQxEdge* e : known.Edges) SetFlag(*e, on, edges);
        for (CQxFace* f : known.Faces) SetFlag(*f, on, faces);
        for (CQxHalfEdge* h : known.HalfEdges) SetFlag(*h, on, halfEdges);
    } else {
        for (CQxVertex& v : mesh.Vertices()) SetFlag(v, on, vertices);
        for (CQxEdge& e : mesh.Edges()) SetFlag(e, on, edges);
        for (CQxFace& f : mesh.Faces()) {
            SetFlag(f, on, faces);
            f.ForEachHalfEdge([&](CQxHalfEdge& h) { SetFlag(h, on, halfEdges); });
        }
    }
    if (on)
        ForgetSelection();
    else
        KnowNoSelection();
    UpdateSelectionGeometry(vertices, edges, faces, halfEdges);
}

void CQxObject::Select(int on, const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                       const CQxArray<CQxFace*>& faces, const CQxArray<CQxHalfEdge*>& halfEdges) {
    CQxMesh& mesh = m_Meshes[MESH_MAIN];
    mesh.Select(on, vertices, edges, faces, halfEdges);
    // Something listed and now selected spares the walk for one.
    const bool listed = AnyListed(vertices) || AnyListed(edges) || AnyListed(faces) || AnyListed(halfEdges);
    IsSelect() = (on && listed) || mesh.HasSelect() ? 1 : 0;
    if (on) KnowSelected(vertices, edges, faces, halfEdges);
    UpdateSelectionGeometry(vertices, edges, faces, halfEdges);
}

void CQxObject::ToggleSelect(const CQxArray<CQxVertex*>& vertices, const CQxArray<CQxEdge*>& edges,
                             const CQxArray<CQxFace*>& faces, const CQxArray<CQxHalfEdge*>& halfEdges) {
    CQxMesh& mesh = m_Meshes[MESH_MAIN];
    mesh.ToggleSelect(vertices, edges, faces, halfEdges);
    IsSelect() = mesh.HasSelect() ? 1 : 0;
    KnowSelected(vertices, edges, faces, halfEdges);
    UpdateSelectionGeometry(vertices, edges, faces, halfEdges);
}

void CQxObject::SelectUVs(int on, const CQxArray<CQxHalfEdge*>& halfEdges) {
    m_Meshes[MESH_MAIN].SelectUVs(on, halfEdges);
    UpdateGeometry();
}

void CQxObject::SelectUVs(int on, int deep) {
    m_Meshes[MESH_MAIN].SelectUVs(on);
    UpdateGeometry();
    if (deep)
        for (CQxObject* child : GetChildren()) child->SelectUVs(on, deep);
}

void CQxObject::ToggleSelectUVs(const CQxArray<CQxHalfEdge*>& halfEdges) {
    m_Meshes[MESH_MAIN].ToggleSelectUVs(halfEdges);
    UpdateGeometry();
}

void CQxObject::MoveUVs(const CQxArray<CQxHalfEdge*>& halfEdges, const CQxVector2D& offset) {
    for (CQxHalfEdge* h : halfEdges)
        if (h && h->HasUV()) h->UV() += offset;
    UpdateGeometry();
}

// --- Queries ------------------------------------------------------------------------------------

namespace {

// Walks this object, or its whole subtree when deep, until the test holds for one.
template <class Test>
int AnyInTree(const CQxObject& root, int deep, Test&& test) {
    if (!deep) return test(root) ? 1 : 0;
    for (CQxObject::Iterator it = root.Begin(); !it.IsEnd(); ++it)
        if (test(*it)) return 1;
    return 0;
}

// Components count only on a selected object that has a shape of its own.
bool IsComponentOwner(const CQxObject& o) {
    return o.IsSelect() && o.HasShape() && !o.IsClone();
}

} // namespace

int CQxObject::HasEdgeFaceSelect(int deep) const {
    return AnyInTree(*this, deep, [](const CQxObject& o) {
        const CQxMesh& mesh = o.Mesh();
        return IsComponentOwner(o) && (mesh.HasEdgeSelect() || mesh.HasFaceSelect() || !mesh.HasSelect());
    });
}

int CQxObject::HasVertexFaceHalfEdgeSelect(int deep) const {
    return AnyInTree(*this, deep, [](const CQxObject& o) {
        const CQxMesh& mesh = o.Mesh();
        return IsComponentOwner(o) &&
               (mesh.HasVertexSelect() || mesh.HasFaceHalfEdgeSelect() || !mesh.HasSelect());
    });
}

int CQxObject::HasFaceSelect(int deep) const {
    return AnyInTree(*this, deep,
                     [](const CQxObject& o) { return IsComponentOwner(o) && o.Mesh().HasFaceSelect(); });
}

int CQxObject::GetSelect(CQxSelect& select) const {
    if (!IsSelect()) return 0;
    select.Clear();
    select.Object() = const_cast<CQxObject*>(this);
    m_Meshes[MESH_MAIN].GetSelects(select.Vertices(), select.Edges(), select.Faces(), select.HalfEdges());
    return 1;
}

int CQxObject::GetSelects(CQxSelects& selects, int deep) const {
    const unsigned int before = selects.GetSize();
    for (Iterator it = Begin(); !it.IsEnd(); ++it) {
        CQxSelect select;
        if (it->GetSelect(select)) selects.Add(select);
        if (!deep) break;
    }
    return selects.GetSize() > before;
}

int CQxObject::GetHandleSelect(CQxSelect& select) const {
    if (!IsHandleSelect()) return 0;
    select.Clear();
    select.Object() = const_cast<CQxObject*>(this);
    select.IsHandle() = 1;
    return 1;
}

int CQxObject::GetHandleSelects(CQxSelects& selects, int deep) const {
    const unsigned int before = selects.GetSize();
    for (Iterator it = Begin(); !it.IsEnd(); ++it) {
        CQxSelect select;
        if (it->GetHandleSelect(select)) selects.Add(select);
        if (!deep) break;
    }
    return selects.GetSize() > before;
}

int CQxObject::GetUVSelects(CQxUVSelects& selects, int deep) const {
    const unsigned int before = selects.GetSize();
    for (Iterator it = Begin(); !it.IsEnd(); ++it) {
        auto* select = new CQxUVSelect(it.Get());
        if (it->Mesh().GetUVSelects(select->HalfEdges()))
            selects.Push(select);
        else
            delete select;
        if (!deep) break;
    }
    return selects.GetSize() > before;
}
