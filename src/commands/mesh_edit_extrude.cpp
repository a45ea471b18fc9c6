#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "object_cmds_internal.h"
#include "qx/commands/mesh_edit_cmds.h"
#include "qx/selection/select.h"

using namespace qx_object_cmd;

namespace {

bool Moves(float d) {
    return d != 0.0f && !std::isnan(d);
}

// A new vertex copied from v (bone data and all), appended, moved by the offset.
CQxVertex* AppendCopy(CQxMesh& mesh, const CQxVertex& v, const CQxVector& offset) {
    auto* copy = new CQxVertex(v);
    copy->Position() += offset;
    mesh.Vertices().PushBack(copy);
    return copy;
}

// Appends to the face a copy of a corner (colour, UV, flags) standing at another vertex. Corners
// of new faces start unselected: what was picked stays on the caps and outer sides.
CQxHalfEdge* PushCorner(CQxFace& face, const CQxHalfEdge& from, CQxVertex* at) {
    auto* h = new CQxHalfEdge(from);
    h->SetVertex(at);
    h->IsSelect() = 0;
    h->IsUVSelect() = 0;
    face.PushHalfEdge(h);
    return h;
}

// A side face: a copy of the face it grows from (material, shade flag), unselected.
CQxFace* AppendSide(CQxMesh& mesh, const CQxFace& from, const CQxVector& normal) {
    auto* side = new CQxFace(from);
    side->IsSelect() = 0;
    side->Normal() = normal.GetNormalized();
    mesh.Faces().PushBack(side);
    return side;
}

// Extrudes one face: a new vertex per corner, a quad per side, and the face moved onto the new
// vertices as the cap.
void ExtrudeFace(CQxMesh& mesh, CQxFace& face, float d) {
    std::vector<CQxHalfEdge*> ring;
    ring.reserve(face.GetHalfEdgeCount());
    face.ForEachHalfEdge([&](CQxHalfEdge& h) { ring.push_back(&h); });
    // The face's normal as its corners lie now: animating vertices leaves the stored normals
    // behind until the next upkeep, and redo (after undo's upkeep) must go the same way.
    const CQxVector n = face.CalcNormal();
    const CQxVector offset = Moves(d) ? n * d : CQxVector();
    std::vector<CQxVertex*> tops;
    tops.reserve(ring.size());
    for (const CQxHalfEdge* h : ring) tops.push_back(AppendCopy(mesh, *h->GetVertex(), offset));
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const std::size_t j = (i + 1) % ring.size();
        CQxVertex* a = ring[i]->GetVertex();
        CQxVertex* b = ring[j]->GetVertex();
        CQxFace* side = AppendSide(mesh, face, (b->Position() - a->Position()).GetCross(n));
        PushCorner(*side, *ring[i], a);
        PushCorner(*side, *ring[j], b);
        PushCorner(*side, *ring[j], tops[j]);
        PushCorner(*side, *ring[i], tops[i]);
    }
    for (std::size_t i = 0; i < ring.size(); ++i) ring[i]->SetVertex(tops[i]);
}

// Extrudes one boundary side along n; returns the new outer side (from the new a to the new b).
CQxHalfEdge* ExtrudeSide(CQxMesh& mesh, CQxHalfEdge& h, const CQxVector& n, float d) {
    CQxHalfEdge& next = *h.Next();
    CQxVertex* a = h.GetVertex();
    CQxVertex* b = next.GetVertex();
    const CQxVector offset = Moves(d) ? n * d : CQxVector();
    CQxVertex* a2 = AppendCopy(mesh, *a, offset);
    CQxVertex* b2 = AppendCopy(mesh, *b, offset);
    CQxFace* face = AppendSide(mesh, *h.GetFace(), n.GetCross(b->Position() - a->Position()));
    face->IsSelect() = 0;
    PushCorner(*face, next, b);
    PushCorner(*face, h, a);
    CQxHalfEdge* outer = PushCorner(*face, h, a2);
    PushCorner(*face, next, b2);
    // The selection moves from the side to the new outer side, so a second extrusion goes on.
    outer->IsSelect() = h.IsSelect();
    h.IsSelect() = 0;
    return outer;
}

// The upkeep after the mesh's faces changed.
void MeshChanged(CQxObject& object, int boundBox) {
    CQxMesh& mesh = object.Mesh();
    mesh.UpdateHalfEdgeMates();
    mesh.UpdateNormals();
    if (boundBox) object.UpdateBoundBox();
    object.UpdateGraphics();
}

} // namespace

CQxExtrudeCmd::CQxExtrudeCmd(CQxScene* scene) : CQxCmd(scene) {}

CQxExtrudeCmd::~CQxExtrudeCmd() = default;

int CQxExtrudeCmd::Create(const CQxSelects& records, float distance, int update, CQxSelects* working,
                          CQxPtrArray<CQxArray<CQxHalfEdge*>>* sides) {
    if (!m_Scene || !std::isfinite(distance)) return 0;
    m_Distance = distance;
    std::unordered_set<const CQxObject*> seen;
    for (const CQxSelect* record : records.Selects()) {
        CQxObject* object = record->Object();
        if (!IsMeshObject(object) || !m_Scene->RootModel().Find(object) || !seen.insert(object).second)
            continue;
        CQxMesh& mesh = object->Mesh();
        mesh.UpdateIndices();
        Entry entry;
        std::unordered_set<const CQxFace*> extruded;
        for (const CQxFace* f : record->Faces())
            if (f->IsValid() && extruded.insert(f).second) entry.Faces.push_back(f->Index());
        std::sort(entry.Faces.begin(), entry.Faces.end());
        // A side of an extruded face goes with its face.
        std::unordered_set<const CQxHalfEdge*> sides;
        for (const CQxHalfEdge* h : record->HalfEdges())
            if (h->GetFace() && h->GetFace()->IsValid() && !extruded.count(h->GetFace()) &&
                sides.insert(h).second)
                entry.Sides.emplace_back(h->GetFace()->Index(), h->Index());
        if (entry.Faces.empty() && entry.Sides.empty()) continue;
        entry.Path = QxGetIndexPath(*object);
        entry.VertexCount = mesh.Vertices().GetCount();
        entry.FaceCount = mesh.Faces().GetCount();
        entry.Selection.Capture(mesh);
        entry.Mates.Capture(mesh);
        entry.WasSelected = object->IsSelect();
        m_Entries.push_back(std::move(entry));
    }
    if (m_Entries.empty()) return 0;
    for (const Entry& entry : m_Entries) {
        CQxArray<CQxHalfEdge*> outer, origins;
        const int applied = Apply(entry, working ? 0.0f : m_Distance, &outer, &origins);
        if (!working || !applied) continue;
        CQxSelect* record = working->Add(CQxSelect(m_Scene->RootModel().Find(entry.Path)));
        record->Faces() = FacesAt(record->Object()->Mesh(), entry.Faces);
        record->HalfEdges() = outer;
        if (sides) sides->PushBack(new CQxArray<CQxHalfEdge*>(origins));
    }
    if (update) Notify();
    return 1;
}

int CQxExtrudeCmd::Apply(const Entry& entry, float distance, CQxArray<CQxHalfEdge*>* outer,
                         CQxArray<CQxHalfEdge*>* origins) {
    CQxObject* object = m_Scene->RootModel().Find(entry.Path);
    if (!object) return 0;
    CQxMesh& mesh = object->Mesh();
    std::vector<CQxFace*> table;
    table.reserve(entry.FaceCount);
    for (CQxFace& f : mesh.Faces()) {
        if (table.size() == entry.FaceCount) break;
        table.push_back(&f);
    }
    if (table.size() != entry.FaceCount) return 0;
    // Sides are found before any face changes, by the ring positions they were recorded at.
    std::vector<CQxHalfEdge*> sides;
    for (const auto& [face, corner] : entry.Sides)
        if (face < table.size())
            if (CQxHalfEdge* h = table[face]->GetHalfEdgeAt(corner)) sides.push_back(h);
    for (unsigned int position : entry.Faces)
        if (position < table.size()) ExtrudeFace(mesh, *table[position], distance);
    for (CQxHalfEdge* h : sides) {
        CQxHalfEdge* made = ExtrudeSide(mesh, *h, h->GetFace()->CalcNormal(), distance);
        if (outer) outer->PushBack(made);
        if (origins) origins->PushBack(h);
    }
    MeshChanged(*object, Moves(distance));
    return 1;
}

void CQxExtrudeCmd::TakeBack(const Entry& entry) {
    CQxObject* object = m_Scene->RootModel().Find(entry.Path);
    if (!object) return;
    CQxMesh& mesh = object->Mesh();
    std::vector<CQxFace*> faces;
    faces.reserve(mesh.Faces().GetCount());
    for (CQxFace& f : mesh.Faces()) faces.push_back(&f);
    // The i-th side face of an extruded face starts at the vertex its i-th corner came from.
    std::size_t side = entry.FaceCount;
    for (unsigned int position : entry.Faces) {
        if (position >= entry.FaceCount) continue;
        faces[position]->ForEachHalfEdge([&](CQxHalfEdge& h) {
            if (side < faces.size()) h.SetVertex(faces[side++]->GetHalfEdge()->GetVertex());
        });
    }
    TrimMesh(mesh, entry.VertexCount, mesh.Edges().GetCount(), entry.FaceCount);
    entry.Mates.Restore(mesh);
    mesh.UpdateVertexHalfEdges();
    mesh.UpdateNormals();
    entry.Selection.Restore(mesh);
    object->IsSelect() = entry.WasSelected;
    object->UpdateBoundBox();
    object->UpdateGraphics();
}

void CQxExtrudeCmd::Notify() {
    CQxSelects meshes;
    for (const Entry& entry : m_Entries)
        if (CQxObject* object = m_Scene->RootModel().Find(entry.Path)) meshes.Add(CQxSelect(object));
    NotifyMeshes(*m_Scene, meshes);
}

void CQxExtrudeCmd::Redo() {
    for (const Entry& entry : m_Entries) Apply(entry, m_Distance, nullptr, nullptr);
    Notify();
}

void CQxExtrudeCmd::Undo() {
    // Later entries' objects may sit below earlier ones; none changes another's path.
    for (auto entry = m_Entries.rbegin(); entry != m_Entries.rend(); ++entry) TakeBack(*entry);
    Notify();
}
