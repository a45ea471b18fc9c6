#include <unordered_set>

#include "object_cmds_internal.h"
#include "qx/commands/object_cmds.h"
#include "qx/selection/select.h"

using namespace qx_object_cmd;

namespace {

// The mesh objects of the records, once each, with the faces each record stands for (all
// faces of the mesh for a whole-object record); records without faces are left out.
std::vector<std::pair<CQxObject*, CQxArray<CQxFace*>>> FaceRecords(const CQxModel& root,
                                                                   const CQxSelects& records) {
    std::vector<std::pair<CQxObject*, CQxArray<CQxFace*>>> out;
    std::unordered_set<const CQxObject*> seen;
    for (const CQxSelect* record : records.Selects()) {
        CQxObject* object = record->Object();
        if (!IsMeshObject(object) || !root.Find(object) || !seen.insert(object).second) continue;
        CQxArray<CQxFace*> faces;
        if (record->HasComponents()) {
            faces = record->Faces();
        } else {
            for (CQxFace& f : object->Mesh().Faces()) faces.PushBack(&f);
        }
        if (!faces.IsEmpty()) out.emplace_back(object, std::move(faces));
    }
    return out;
}

} // namespace

// --- Face side -----------------------------------------------------------------------------------

struct CQxFaceSideCmd::Entry {
    CQxIndexPath Path;
    std::vector<std::uint32_t> Faces; // the faces turned, given back faces, or removed
    unsigned int FaceCount = 0;       // faces before back faces were added
    CQxMeshMates Mates;               // the links before the change
};

CQxFaceSideCmd::CQxFaceSideCmd(CQxScene* scene) : CQxCmd(scene), m_Store(scene) {}

CQxFaceSideCmd::~CQxFaceSideCmd() = default;

int CQxFaceSideCmd::Create(QX_FACE_OP_TYPE op, const CQxSelects& records, int update) {
    if (op > QX_FACE_OP_REMOVE_BACK) return 0;
    m_Op = op;
    for (auto& [object, faces] : FaceRecords(m_Scene->RootModel(), records)) {
        CQxMesh& mesh = object->Mesh();
        auto entry = std::make_unique<Entry>();
        entry->Path = QxGetIndexPath(*object);
        entry->FaceCount = mesh.Faces().GetCount();
        CQxArray<CQxFace*> chosen;
        if (op == QX_FACE_OP_INVERT)
            chosen = faces;
        else if (op == QX_FACE_OP_ADD_BACK)
            mesh.GetSingleSideFaces(faces, chosen);
        else
            mesh.GetBackSideFaces(faces, chosen);
        entry->Faces = PositionsOf(mesh, chosen);
        if (entry->Faces.empty()) continue;
        if (op == QX_FACE_OP_REMOVE_BACK && !m_Store.AddFaces(*object, entry->Faces)) continue;
        entry->Mates.Capture(mesh);
        m_Entries.push_back(std::move(entry));
    }
    if (m_Entries.empty()) return 0;
    CQxSelects meshes;
    Apply(0);
    if (update) {
        for (const auto& entry : m_Entries)
            if (CQxObject* object = m_Scene->RootModel().Find(entry->Path)) meshes.Add(CQxSelect(object));
        NotifyMeshes(*m_Scene, meshes);
    }
    return 1;
}

void CQxFaceSideCmd::Apply(int undo) {
    if (m_Op == QX_FACE_OP_REMOVE_BACK) {
        CQxStoreReport report;
        if (undo)
            m_Store.Restore(report);
        else
            m_Store.Remove(report);
    }
    for (const auto& entry : m_Entries) {
        CQxObject* object = m_Scene->RootModel().Find(entry->Path);
        if (!object) continue;
        CQxMesh& mesh = object->Mesh();
        // An empty list would mean every face to the mesh.
        const CQxArray<CQxFace*> faces = FacesAt(mesh, entry->Faces);
        if (m_Op == QX_FACE_OP_INVERT) {
            if (!faces.IsEmpty()) mesh.InvertFaces(faces);
        } else if (m_Op == QX_FACE_OP_ADD_BACK) {
            if (undo) {
                TrimMesh(mesh, mesh.Vertices().GetCount(), mesh.Edges().GetCount(), entry->FaceCount);
            } else if (!faces.IsEmpty()) {
                CQxArray<CQxFace*> added;
                mesh.FaceBackSide(faces, added);
            }
        }
        if (undo) {
            // Relinking from scratch could pair sides that were not paired before.
            entry->Mates.Restore(mesh);
            mesh.UpdateVertexHalfEdges();
        } else {
            mesh.UpdateVertexHalfEdges();
            mesh.UpdateHalfEdgeMates();
        }
        mesh.UpdateNormals();
        object->UpdateGraphics();
    }
}

void CQxFaceSideCmd::Redo() {
    Apply(0);
    CQxSelects meshes;
    for (const auto& entry : m_Entries)
        if (CQxObject* object = m_Scene->RootModel().Find(entry->Path)) meshes.Add(CQxSelect(object));
    NotifyMeshes(*m_Scene, meshes);
}

void CQxFaceSideCmd::Undo() {
    Apply(1);
    CQxSelects meshes;
    for (const auto& entry : m_Entries)
        if (CQxObject* object = m_Scene->RootModel().Find(entry->Path)) meshes.Add(CQxSelect(object));
    NotifyMeshes(*m_Scene, meshes);
}

// --- Shade ---------------------------------------------------------------------------------------

int CQxShadeCmd::Create(int shade, const CQxSelects& records, int update) {
    shade = shade ? 1 : 0;
    CQxSelects meshes;
    for (auto& [object, faces] : FaceRecords(m_Scene->RootModel(), records)) {
        CQxMesh& mesh = object->Mesh();
        const std::unordered_set<const CQxFace*> wanted(faces.begin(), faces.end());
        Entry entry;
        std::uint32_t i = 0;
        for (CQxFace& f : mesh.Faces()) {
            if (wanted.count(&f) && f.IsShade() != shade) {
                f.SetShade(shade);
                entry.Faces.push_back(i);
            }
            ++i;
        }
        if (entry.Faces.empty()) continue;
        entry.Path = QxGetIndexPath(*object);
        m_Entries.push_back(std::move(entry));
        mesh.UpdateNormals();
        object->UpdateGeometry();
        meshes.Add(CQxSelect(object));
    }
    if (m_Entries.empty()) return 0;
    if (update) NotifyMeshes(*m_Scene, meshes);
    return 1;
}

void CQxShadeCmd::Flip(CQxSelects* meshes) {
    for (const Entry& entry : m_Entries) {
        CQxObject* object = m_Scene->RootModel().Find(entry.Path);
        if (!object) continue;
        CQxMesh& mesh = object->Mesh();
        for (CQxFace* f : FacesAt(mesh, entry.Faces)) f->SetShade(!f->IsShade());
        mesh.UpdateNormals();
        object->UpdateGeometry();
        if (meshes) meshes->Add(CQxSelect(object));
    }
}

void CQxShadeCmd::Exchange(int) {
    CQxSelects meshes;
    Flip(&meshes);
    NotifyMeshes(*m_Scene, meshes);
}
