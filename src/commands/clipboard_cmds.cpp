#include "qx/commands/clipboard_cmds.h"
#include "object_cmds_internal.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/object_cmds.h"
#include "qx/scene/model.h"
#include "qx/selection/select.h"

using namespace qx_object_cmd;
using namespace QxWin;

namespace {

// The materials pasted faces name by position: a position in the list gives that material, -1
// none, and a position the list does not reach the material that was current when pasting.
class PasteMaterials {
public:
    PasteMaterials(CQxModel* model, unsigned int current) {
        if (!model) return;
        for (CQxAttribute& a : model->Attributes()) m_List.push_back(&a);
        m_Current = current < m_List.size() ? m_List[current] : nullptr;
    }
    CQxAttribute* At(std::int32_t position) const {
        if (position < 0) return nullptr;
        return static_cast<std::size_t>(position) < m_List.size() ? m_List[position] : m_Current;
    }

private:
    std::vector<CQxAttribute*> m_List;
    CQxAttribute* m_Current = nullptr;
};

CQxModel* ModelOf(const CQxObject& object, CQxModel& root) {
    CQxModel* model = object.GetModel();
    return model ? model : &root;
}

// The block of what the selection holds for copying (the records are filtered on a copy).
HGLOBAL CopyBlock(CQxSelects selects) {
    selects.ExtractCopy();
    CQxClipRecords records;
    QxGatherClipRecords(selects, records);
    return QxWriteClipBlock(records);
}

} // namespace

CQxPasteCmd::~CQxPasteCmd() = default;

void CQxPasteCmd::Build(CQxMesh& mesh, CQxModel* model) const {
    const PasteMaterials materials(model, m_CurAttribute);
    std::vector<CQxVertex*> made;
    made.reserve(m_Records.Vertices.size());
    for (const CQxClipVertex& v : m_Records.Vertices) {
        made.push_back(new CQxVertex(v.Position));
        mesh.Vertices().PushBack(made.back());
    }
    for (const CQxClipEdge& e : m_Records.Edges)
        mesh.Edges().PushBack(new CQxEdge(made[e.Vertices[0]], made[e.Vertices[1]], e.Flags));
    for (const CQxClipFace& f : m_Records.Faces) {
        auto* face = new CQxFace(materials.At(f.Attribute), static_cast<unsigned char>(f.Flag));
        for (const CQxClipCorner& c : f.Corners)
            face->PushHalfEdge(new CQxHalfEdge(nullptr, made[c.Vertex], c.Flags));
        mesh.Faces().PushBack(face);
    }
    mesh.ClearSubdivisionMeshes();
    mesh.UpdateHalfEdgeMates();
    mesh.UpdateNormals();
}

// Exactly the pasted elements are selected: the new object, or the new elements of the mesh.
void CQxPasteCmd::SelectPasted(CQxObject& object) const {
    CQxSelect pasted(&object);
    if (m_IntoMesh) {
        CQxMesh& mesh = object.Mesh();
        auto collect = [](auto& list, unsigned int from, auto& out) {
            unsigned int i = 0;
            for (auto& e : list)
                if (i++ >= from) out.PushBack(&e);
        };
        collect(mesh.Vertices(), m_OldCounts[0], pasted.Vertices());
        collect(mesh.Edges(), m_OldCounts[1], pasted.Edges());
        collect(mesh.Faces(), m_OldCounts[2], pasted.Faces());
    }
    m_Scene->SelectObject(pasted, QX_SELECT_REPLACE, 0);
}

int CQxPasteCmd::Create(HGLOBAL block, CQxObject* parent, int update) {
    if (!QxReadClipBlock(block, m_Records)) return 0;
    CQxModel& root = m_Store.GetRoot();
    if (!parent) parent = &root;
    if (!root.Find(parent)) return 0;
    m_ParentPath = QxGetIndexPath(*parent);
    CQxModel* model = ModelOf(*parent, root);
    m_CurAttribute = model->FindAttribute(model->CurAttribute());
    m_Before = std::make_unique<CQxTreeSelection>();
    m_Before->Capture(root);
    if (IsMeshObject(parent)) {
        m_IntoMesh = 1;
        Append(update);
        return 1;
    }
    m_Name = m_Scene->CalcUniqueObjectName("Mesh");
    auto object = std::make_unique<CQxObject>(1);
    object->SetName(m_Name);
    Build(object->Mesh(), model);
    object->UpdateBoundBox();
    object->UpdateGraphics();
    CQxObject* made = object.get();
    parent->PushChild(object.release());
    m_Store.AddObject(*made);
    SelectPasted(*made);
    if (update) {
        CQxSelects objects(made);
        Notify(*m_Scene, QX_UPDATE_OBJECT_INSERT, &objects);
        Notify(*m_Scene, QX_UPDATE_REDRAW);
    }
    return 1;
}

void CQxPasteCmd::Redo() {
    if (m_IntoMesh) {
        Append(1);
        return;
    }
    CQxSelects objects;
    CQxStoreReport report{&objects, nullptr};
    m_Store.Restore(report);
    if (!objects.IsEmpty()) SelectPasted(*objects.Selects()[0]->Object());
    Notify(*m_Scene, QX_UPDATE_OBJECT_INSERT, &objects);
    Notify(*m_Scene, QX_UPDATE_REDRAW);
}

void CQxPasteCmd::Append(int update) {
    CQxModel& root = m_Store.GetRoot();
    CQxObject* target = m_Store.Find(m_ParentPath);
    if (!target) return;
    CQxMesh& mesh = target->Mesh();
    m_OldCounts[0] = mesh.Vertices().GetCount();
    m_OldCounts[1] = mesh.Edges().GetCount();
    m_OldCounts[2] = mesh.Faces().GetCount();
    m_Mates.Capture(mesh);
    Build(mesh, ModelOf(*target, root));
    target->UpdateBoundBox();
    target->UpdateGraphics();
    SelectPasted(*target);
    if (!update) return;
    CQxSelects changed(target);
    NotifyMeshes(*m_Scene, changed);
}

void CQxPasteCmd::Undo() {
    CQxModel& root = m_Store.GetRoot();
    if (!m_IntoMesh) return RemoveAdded(*m_Scene, m_Store, m_Before.get());
    CQxObject* target = m_Store.Find(m_ParentPath);
    if (!target) return;
    CQxMesh& mesh = target->Mesh();
    TrimMesh(mesh, m_OldCounts[0], m_OldCounts[1], m_OldCounts[2]);
    m_Mates.Restore(mesh);
    mesh.UpdateNormals();
    m_Before->Restore(root);
    target->UpdateBoundBox();
    target->UpdateGraphics();
    CQxSelects changed(target);
    NotifyMeshes(*m_Scene, changed);
}

// --- The scene's clipboard operations -------------------------------------------------------------

void* CQxScene::CopySelectObjects() {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    return CopyBlock(selects);
}

// The block carries what a copy of the same selection would: the cut faces and edges with
// every vertex they use, also those that stay behind for faces that are not cut.
void* CQxScene::CutSelectObjectsCmd(int update) {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    HGLOBAL block = CopyBlock(selects);
    if (!block) return nullptr;
    selects.ExtractCut();
    CQxSelects records;
    m_RootModel.GetExtraDeleteObjects(selects, records, 1);
    const int done = !records.IsEmpty() && QxRunCmd<CQxDeleteCmd>(*this, [&](CQxDeleteCmd& cmd) {
        return cmd.Create(records, update);
    });
    if (!done) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

int CQxScene::PasteCmd(void* block, CQxObject* parent, int update) {
    EndOperation();
    return QxRunCmd<CQxPasteCmd>(*this, [&](CQxPasteCmd& cmd) { return cmd.Create(block, parent, update); });
}
