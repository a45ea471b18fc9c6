#include "object_cmds_internal.h"

#include "qx/selection/select.h"

namespace qx_object_cmd {

void Notify(CQxScene& scene, QX_UPDATE_TYPE type, CQxSelects* selects, std::uintptr_t detail) {
    scene.UpdateGui(type, selects, reinterpret_cast<void*>(detail));
}

void NotifyMeshes(CQxScene& scene, CQxSelects& meshes) {
    Notify(scene, QX_UPDATE_MESH, &meshes, 2);
    Notify(scene, QX_UPDATE_REDRAW);
}

void NotifyScene(CQxScene& scene, unsigned int bits) {
    scene.UpdateGui(QX_UPDATE_SCENE, reinterpret_cast<void*>(static_cast<std::uintptr_t>(bits)));
}

int IsMeshObject(const CQxObject* object) {
    return object && object->GetType() == QX_OBJ_MESH && !object->IsClone();
}

std::unordered_set<const CQxObject*> CollectLeaving(const CQxObject& root,
                                                    const std::vector<CQxObject*>& leaving,
                                                    std::vector<CQxObject*>& extra) {
    std::unordered_set<const CQxObject*> out;
    auto take = [&out](const CQxObject& top) {
        for (CQxObject::Iterator it = top.Begin(); !it.IsEnd(); ++it) out.insert(it.Get());
    };
    for (const CQxObject* object : leaving)
        if (object) take(*object);
    // A clone cannot outlive the object it shows.
    for (bool grew = true; grew;) {
        grew = false;
        for (CQxObject::Iterator it = root.Begin(); !it.IsEnd(); ++it) {
            if (out.count(it.Get()) || !it->IsClone() || !out.count(it->GetOriginal())) continue;
            take(*it);
            extra.push_back(it.Get());
            grew = true;
        }
    }
    return out;
}

CQxArray<CQxFace*> FacesAt(CQxMesh& mesh, const std::vector<std::uint32_t>& positions) {
    CQxArray<CQxFace*> faces;
    std::size_t next = 0;
    std::uint32_t i = 0;
    for (CQxFace& f : mesh.Faces()) {
        if (next >= positions.size()) break;
        if (positions[next] == i) {
            faces.PushBack(&f);
            ++next;
        }
        ++i;
    }
    return faces;
}

std::vector<std::uint32_t> PositionsOf(CQxMesh& mesh, const CQxArray<CQxFace*>& faces) {
    const std::unordered_set<const CQxFace*> wanted(faces.begin(), faces.end());
    std::vector<std::uint32_t> positions;
    std::uint32_t i = 0;
    for (const CQxFace& f : mesh.Faces()) {
        if (wanted.count(&f)) positions.push_back(i);
        ++i;
    }
    return positions;
}

void RemoveAdded(CQxScene& scene, CQxSnapshotStore& store, const CQxTreeSelection* before) {
    CQxSelects objects;
    CQxStoreReport report{&objects, nullptr};
    store.Remove(report);
    if (before) before->Restore(store.GetRoot());
    Notify(scene, QX_UPDATE_OBJECT_REMOVE, &objects);
    Notify(scene, QX_UPDATE_REDRAW);
}

void TrimMesh(CQxMesh& mesh, unsigned int vertices, unsigned int edges, unsigned int faces) {
    while (mesh.Faces().GetCount() > faces) mesh.Faces().PopBack();
    while (mesh.Edges().GetCount() > edges) mesh.Edges().PopBack();
    while (mesh.Vertices().GetCount() > vertices) mesh.Vertices().PopBack();
    mesh.ClearSubdivisionMeshes();
}

} // namespace qx_object_cmd
