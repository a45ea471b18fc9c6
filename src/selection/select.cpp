#include "qx/selection/select.h"

#include "qx/scene/object.h"
#include "select_internal.h"

using qx_select::CollectInOrder;
using qx_select::ForEachFaceVertex;
using qx_select::Marks;

// --- Storage ------------------------------------------------------------------------------------

void CQxSelect::ClearComponents() {
    m_Vertices.Clear();
    m_Edges.Clear();
    m_Faces.Clear();
    m_HalfEdges.Clear();
}

void CQxSelect::EmptyComponents() {
    m_Vertices.Empty();
    m_Edges.Empty();
    m_Faces.Empty();
    m_HalfEdges.Empty();
}

void CQxSelect::Clear() {
    m_Object = nullptr;
    m_IsHandle = 0;
    ClearComponents();
}

// --- Writing back into the scene ----------------------------------------------------------------

void CQxSelect::SelectObject(int on, int deep) const {
    if (!m_Object) return;
    if (m_IsHandle)
        m_Object->SelectHandle(on, deep);
    else
        m_Object->Select(on, deep);
}

void CQxSelect::ToggleSelectObject(int deep) const {
    if (!m_Object) return;
    if (m_IsHandle)
        m_Object->ToggleSelectHandle(deep);
    else
        m_Object->ToggleSelect(deep);
}

void CQxSelect::SelectComponents(int on) const {
    if (!m_Object || m_Object->GetType() != QX_OBJ_MESH) return;
    if (HasComponents())
        m_Object->Select(on, m_Vertices, m_Edges, m_Faces, m_HalfEdges);
    else
        m_Object->Select(on, 0);
}

void CQxSelect::ToggleSelectComponents() const {
    if (!m_Object || m_Object->GetType() != QX_OBJ_MESH) return;
    if (HasComponents())
        m_Object->ToggleSelect(m_Vertices, m_Edges, m_Faces, m_HalfEdges);
    else
        m_Object->ToggleSelect(0);
}

int CQxSelect::Load(CQxObject* object, const CQxArray<unsigned int>& indices) {
    if (!object) return 0;
    Clear();
    m_Object = object;
    // One walk of the list, then direct lookups: the list itself only walks.
    CQxArray<CQxVertex*> byPosition;
    byPosition.Reserve(object->Mesh().Vertices().GetCount());
    for (CQxVertex& v : object->Mesh().Vertices()) byPosition.PushBack(&v);
    m_Vertices.Reserve(indices.GetSize());
    for (unsigned int i : indices)
        if (i < byPosition.GetSize()) m_Vertices.PushBack(byPosition[i]);
    return 1;
}

// --- Component vertices ---------------------------------------------------------------------------

int CQxSelect::GetComponentVertices(CQxArray<CQxVertex*>& out) const {
    if (!HasComponents()) return 0;
    Marks<CQxVertex> touched(m_Vertices);
    for (const CQxEdge* e : m_Edges) {
        touched.Add(e->Vertex(0));
        touched.Add(e->Vertex(1));
    }
    for (const CQxFace* f : m_Faces) ForEachFaceVertex(*f, [&](const CQxVertex* v) { touched.Add(v); });
    for (const CQxHalfEdge* h : m_HalfEdges) {
        touched.Add(h->GetVertex());
        touched.Add(h->GetEndVertex());
    }
    const CQxMesh* mesh = m_Object ? &m_Object->Mesh() : nullptr;
    if (!mesh) {
        out.Empty();
        return 1;
    }
    CollectInOrder(mesh->Vertices(), touched, out);
    return 1;
}

void CQxSelect::ExtractVertices() {
    CQxArray<CQxVertex*> vertices;
    if (GetComponentVertices(vertices)) m_Vertices = vertices;
    m_Edges.Clear();
    m_Faces.Clear();
    m_HalfEdges.Clear();
}

void CQxSelect::ExtractComponentVertices() {
    CQxArray<CQxVertex*> vertices;
    if (GetComponentVertices(vertices)) m_Vertices = vertices;
}

void CQxSelect::ExtractFaces() {
    m_Vertices.Clear();
    m_Edges.Clear();
    m_HalfEdges.Clear();
}

// --- Preparing edits ------------------------------------------------------------------------------

void CQxSelect::ExtractExtrude() {
    m_Vertices.Clear();
    m_Edges.Clear();
    Marks<CQxFace> extruded;
    for (const CQxFace* f : m_Faces)
        if (f->IsValid()) extruded.Add(f);
    // Sides of extruded faces go with their face; the rest are boundary sides of their own.
    CQxArray<CQxHalfEdge*> sides;
    for (CQxHalfEdge* h : m_HalfEdges)
        if (!extruded.Has(h->GetFace())) sides.PushBack(h);
    m_HalfEdges = sides;
}

namespace {

// Does the vertex set hold every vertex of the mesh?
bool HoldsEveryVertex(const CQxMesh& mesh, const Marks<CQxVertex>& marks) {
    if (marks.Size() < mesh.Vertices().GetCount()) return false;
    for (const CQxVertex& v : mesh.Vertices())
        if (!marks.Has(&v)) return false;
    return true;
}

// Unmarks every vertex still used by an edge or face that survives.
void KeepOnlyUnusedVertices(const CQxMesh& mesh, const Marks<CQxEdge>& edges, const Marks<CQxFace>& faces,
                            Marks<CQxVertex>& vertices) {
    for (const CQxEdge& e : mesh.Edges()) {
        if (edges.Has(&e)) continue;
        vertices.Erase(e.Vertex(0));
        vertices.Erase(e.Vertex(1));
    }
    for (const CQxFace& f : mesh.Faces()) {
        if (!f.HasHalfEdges() || faces.Has(&f)) continue;
        ForEachFaceVertex(f, [&](const CQxVertex* v) { vertices.Erase(v); });
    }
}

} // namespace

namespace {

// The common end of delete and cut: vertices still used by an edge or face that stays are kept;
// the record becomes what goes, in mesh order, or the whole object when every vertex goes.
void StoreRemoval(CQxSelect& select, const CQxMesh& mesh, const Marks<CQxEdge>& edges,
                  const Marks<CQxFace>& faces, Marks<CQxVertex>& gone) {
    KeepOnlyUnusedVertices(mesh, edges, faces, gone);
    if (HoldsEveryVertex(mesh, gone)) {
        select.ClearComponents();
        return;
    }
    CollectInOrder(mesh.Vertices(), gone, select.Vertices());
    CollectInOrder(mesh.Edges(), edges, select.Edges());
    CollectInOrder(mesh.Faces(), faces, select.Faces());
    select.HalfEdges().Clear();
}

} // namespace

int CQxSelect::ExtractDelete() {
    if (!HasComponents() || !m_Object) return 1;
    const CQxMesh& mesh = m_Object->Mesh();

    const Marks<CQxVertex> selected(m_Vertices);
    Marks<CQxEdge> edges(m_Edges);
    Marks<CQxFace> faces(m_Faces);
    for (const CQxHalfEdge* h : m_HalfEdges) {
        faces.Add(h->GetFace());
        if (h->Mate()) faces.Add(h->Mate()->GetFace());
    }

    Marks<CQxVertex> gone(m_Vertices);
    for (const CQxEdge& e : mesh.Edges()) {
        if (!edges.Has(&e)) {
            if (!selected.Has(e.Vertex(0)) && !selected.Has(e.Vertex(1))) continue;
            edges.Add(&e);
        }
        gone.Add(e.Vertex(0));
        gone.Add(e.Vertex(1));
    }
    for (const CQxFace& f : mesh.Faces()) {
        if (!f.HasHalfEdges()) continue;
        if (!faces.Has(&f)) {
            bool touches = false;
            ForEachFaceVertex(f, [&](const CQxVertex* v) { touches = touches || selected.Has(v); });
            if (!touches) continue;
            faces.Add(&f);
        }
        ForEachFaceVertex(f, [&](const CQxVertex* v) { gone.Add(v); });
    }
    StoreRemoval(*this, mesh, edges, faces, gone);
    return 1;
}

int CQxSelect::ExtractCut() {
    if (!HasComponents()) return 1;
    if ((!HasEdges() && !HasFaces()) || !m_Object) {
        ClearComponents();
        return 0;
    }
    const CQxMesh& mesh = m_Object->Mesh();
    const Marks<CQxEdge> edges(m_Edges);
    const Marks<CQxFace> faces(m_Faces);
    Marks<CQxVertex> gone;
    for (const CQxEdge* e : m_Edges) {
        gone.Add(e->Vertex(0));
        gone.Add(e->Vertex(1));
    }
    for (const CQxFace* f : m_Faces) ForEachFaceVertex(*f, [&](const CQxVertex* v) { gone.Add(v); });
    StoreRemoval(*this, mesh, edges, faces, gone);
    return 1;
}

int CQxSelect::ExtractCopy() {
    if (!HasComponents()) return 1;
    if ((!HasEdges() && !HasFaces()) || !m_Object) {
        ClearComponents();
        return 0;
    }
    Marks<CQxVertex> taken;
    for (const CQxEdge* e : m_Edges) {
        taken.Add(e->Vertex(0));
        taken.Add(e->Vertex(1));
    }
    for (const CQxFace* f : m_Faces) ForEachFaceVertex(*f, [&](const CQxVertex* v) { taken.Add(v); });
    CollectInOrder(m_Object->Mesh().Vertices(), taken, m_Vertices);
    return 1;
}

// --- Geometry -------------------------------------------------------------------------------------

int CQxSelect::GetBoundBox(CQxBoundBox& box) const {
    if (!m_Object) return 0;
    CQxMatrixStack stack;
    m_Object->GetTransformToRoot(stack, QX_TF_ALL, 0);
    const CQxMatrix* toRoot = stack.IsEmpty() ? nullptr : &stack.Top();
    auto add = [&](const CQxVertex& v) { box.Add(toRoot ? toRoot->Transform(v.Position()) : v.Position()); };

    if (!HasComponents()) {
        const CQxMesh& mesh = m_Object->Mesh();
        for (const CQxVertex& v : mesh.Vertices()) add(v);
        return mesh.Vertices().IsEmpty() ? 0 : 1;
    }
    CQxArray<CQxVertex*> vertices;
    GetComponentVertices(vertices);
    for (const CQxVertex* v : vertices) add(*v);
    return vertices.IsEmpty() ? 0 : 1;
}

void CQxSelect::UpdateGeometryEx(int normals, int boundBox) {
    if (!m_Object) return;
    if (normals) m_Object->Mesh().UpdateNormals();
    if (boundBox) m_Object->UpdateBoundBox();
    m_Object->UpdateGeometry();
}
