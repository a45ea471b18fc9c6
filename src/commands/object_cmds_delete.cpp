#include <unordered_set>

#include "object_cmds_internal.h"
#include "qx/commands/object_cmds.h"
#include "qx/selection/select.h"

using namespace qx_object_cmd;

namespace {

// The notifications of objects and components leaving (or coming back).
void NotifyStore(CQxScene& scene, int leaving, CQxSelects& objects, CQxSelects& meshes, int selectChanged) {
    if (!objects.IsEmpty())
        Notify(scene, leaving ? QX_UPDATE_OBJECT_REMOVE : QX_UPDATE_OBJECT_INSERT, &objects);
    if (!meshes.IsEmpty()) Notify(scene, QX_UPDATE_MESH, &meshes, 2);
    if (selectChanged) Notify(scene, QX_UPDATE_SELECT);
    Notify(scene, QX_UPDATE_REDRAW);
}

} // namespace

// --- Delete --------------------------------------------------------------------------------------

int CQxDeleteCmd::Create(const CQxSelects& records, int update) {
    CQxModel& root = m_Store.GetRoot();
    std::vector<CQxObject*> whole;
    for (const CQxSelect* record : records.Selects()) {
        CQxObject* object = record->Object();
        if (object && object != &root && !record->HasComponents() && root.Find(object))
            whole.push_back(object);
    }
    std::vector<CQxObject*> clones;
    const std::unordered_set<const CQxObject*> leaving = CollectLeaving(root, whole, clones);
    for (const CQxSelect* record : records.Selects()) {
        const CQxObject* object = record->Object();
        if (!object || object == &root || !root.Find(object)) continue;
        if (!record->HasComponents())
            m_Store.AddObject(*object);
        else if (!leaving.count(object)) // the whole object goes anyway
            m_Store.AddComponents(*record);
    }
    for (CQxObject* clone : clones) m_Store.AddObject(*clone);
    if (m_Store.IsEmpty()) return 0;

    whole.insert(whole.end(), clones.begin(), clones.end());
    m_Store.RecordReferences(whole);
    CQxSelects objects, meshes;
    CQxStoreReport report{&objects, &meshes};
    m_Store.Remove(report);
    if (update) NotifyStore(*m_Scene, 1, objects, meshes, report.SelectChanged);
    return 1;
}

void CQxDeleteCmd::Undo() {
    CQxSelects objects, meshes;
    CQxStoreReport report{&objects, &meshes};
    m_Store.Restore(report);
    m_Store.RestoreReferences();
    NotifyStore(*m_Scene, 0, objects, meshes, report.SelectChanged);
}

void CQxDeleteCmd::Redo() {
    m_Store.ClearReferences();
    CQxSelects objects, meshes;
    CQxStoreReport report{&objects, &meshes};
    m_Store.Remove(report);
    NotifyStore(*m_Scene, 1, objects, meshes, report.SelectChanged);
}

// --- Merge ---------------------------------------------------------------------------------------

int CQxMergeObjectsCmd::Create(const CQxSelects& meshes, int update) {
    CQxModel& root = m_Store.GetRoot();
    std::vector<CQxObject*> list;
    std::unordered_set<const CQxObject*> seen;
    for (const CQxSelect* record : meshes.Selects()) {
        CQxObject* object = record->Object();
        if (IsMeshObject(object) && object != &root && root.Find(object) && seen.insert(object).second)
            list.push_back(object);
    }
    if (list.size() < 2) return 0;
    CQxObject* target = list.front();
    const std::vector<CQxObject*> sources(list.begin() + 1, list.end());
    std::vector<CQxObject*> clones;
    if (CollectLeaving(root, sources, clones).count(target)) return 0; // it would leave with them

    m_TargetPath = QxGetIndexPath(*target);
    for (const CQxObject* source : sources) m_SourcePaths.push_back(QxGetIndexPath(*source));
    const CQxMesh& mesh = target->Mesh();
    m_OldCounts[0] = mesh.Vertices().GetCount();
    m_OldCounts[1] = mesh.Edges().GetCount();
    m_OldCounts[2] = mesh.Faces().GetCount();
    m_OldHasUV = target->HasUV();
    m_OldMates.Capture(target->Mesh());
    for (const CQxObject* source : sources) m_Store.AddObject(*source);
    for (const CQxObject* clone : clones) m_Store.AddObject(*clone);

    std::vector<CQxObject*> leaving = sources;
    leaving.insert(leaving.end(), clones.begin(), clones.end());
    m_Store.RecordReferences(leaving);
    if (!Append()) {
        m_Store.RestoreReferences();
        return 0;
    }
    CQxSelects objects;
    CQxStoreReport report{&objects, nullptr};
    m_Store.Remove(report);
    if (update) {
        CQxSelects changed(target);
        NotifyStore(*m_Scene, 1, objects, changed, 0);
    }
    return 1;
}

int CQxMergeObjectsCmd::Append() {
    CQxObject* target = m_Store.Find(m_TargetPath);
    if (!target) return 0;
    // Every matrix is checked before the first copy, so a failure changes nothing.
    const CQxMatrix fromRoot = target->GetTransformFromRoot(QX_TF_ALL, 0);
    std::vector<std::pair<CQxObject*, CQxMatrix>> parts;
    for (auto path = m_SourcePaths.rbegin(); path != m_SourcePaths.rend(); ++path) {
        CQxObject* source = m_Store.Find(*path);
        if (!source) return 0;
        const CQxMatrix m = source->GetTransformToRoot(QX_TF_ALL, 0) * fromRoot;
        if (!m.IsFinite()) return 0;
        parts.emplace_back(source, m);
    }
    CQxMesh& mesh = target->Mesh();
    // Faces keep only materials of the target's model, as a mesh moved to another model does:
    // a material of another model would be saved by its position in a list the face is not in.
    std::unordered_set<const CQxAttribute*> own;
    if (const CQxModel* model = target->GetModel())
        for (const CQxAttribute& attribute : model->Attributes()) own.insert(&attribute);
    for (auto& [source, m] : parts) {
        const unsigned int before = mesh.Faces().GetCount();
        mesh.CreateCopy(source->Mesh(), 1, &m, 0, 1);
        if (source->HasUV()) target->HasUV() = 1;
        unsigned int i = 0;
        for (CQxFace& f : mesh.Faces())
            if (i++ >= before && f.Attribute() && !own.count(f.Attribute())) f.Attribute() = nullptr;
    }
    mesh.UpdateHalfEdgeMates();
    mesh.UpdateNormals();
    target->UpdateBoundBox();
    target->UpdateGraphics();
    return 1;
}

void CQxMergeObjectsCmd::Undo() {
    CQxSelects objects;
    CQxStoreReport report{&objects, nullptr};
    m_Store.Restore(report);
    CQxSelects changed;
    if (CQxObject* target = m_Store.Find(m_TargetPath)) {
        CQxMesh& mesh = target->Mesh();
        TrimMesh(mesh, m_OldCounts[0], m_OldCounts[1], m_OldCounts[2]);
        m_OldMates.Restore(mesh);
        mesh.UpdateVertexHalfEdges();
        target->HasUV() = m_OldHasUV;
        target->UpdateBoundBox();
        target->UpdateGraphics();
        changed.Add(CQxSelect(target));
    }
    m_Store.RestoreReferences();
    NotifyStore(*m_Scene, 0, objects, changed, 0);
}

void CQxMergeObjectsCmd::Redo() {
    m_Store.ClearReferences();
    Append();
    // The target is named before anything leaves: a clone going with the sources may stand
    // before it.
    CQxSelects changed;
    if (CQxObject* target = m_Store.Find(m_TargetPath)) changed.Add(CQxSelect(target));
    CQxSelects objects;
    CQxStoreReport report{&objects, nullptr};
    m_Store.Remove(report);
    NotifyStore(*m_Scene, 1, objects, changed, 0);
}
