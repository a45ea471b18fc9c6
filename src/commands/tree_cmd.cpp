#include "qx/commands/tree_cmd.h"

#include "object_cmds_internal.h"

#include <unordered_set>

#include "qx/animation/anim.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"
#include "qx/skeleton/joint.h"

namespace {

// Bytes one object's own content takes: the object and its edited mesh element by element.
std::size_t ObjectBytes(const CQxObject& object) {
    const CQxMesh& mesh = object.Mesh();
    std::size_t bytes = sizeof(CQxObject) + mesh.Vertices().GetCount() * sizeof(CQxVertex) +
                        mesh.Edges().GetCount() * sizeof(CQxEdge) + mesh.Faces().GetCount() * sizeof(CQxFace);
    for (const CQxFace& f : mesh.Faces()) bytes += f.GetHalfEdgeCount() * sizeof(CQxHalfEdge);
    for (const CQxVertex& v : mesh.Vertices())
        if (v.HasBones()) bytes += sizeof(CQxVertexBones);
    return bytes;
}

// The faces at the given list positions (ascending).
std::vector<CQxFace*> FacesAt(CQxMesh& mesh, const std::vector<std::uint32_t>& positions) {
    std::vector<CQxFace*> faces;
    std::size_t next = 0;
    std::uint32_t i = 0;
    for (CQxFace& f : mesh.Faces()) {
        if (next >= positions.size()) break;
        if (positions[next] == i) {
            faces.push_back(&f);
            ++next;
        }
        ++i;
    }
    return faces;
}

std::size_t PathBytes(const CQxIndexPath& path) {
    return sizeof(path) + path.GetCapacity() * sizeof(unsigned int);
}

// A joint draws a bone to each child joint, so it is rebuilt when one comes or goes.
void RecreateJointParent(CQxObject* parent, const CQxObject* child) {
    auto* joint = dynamic_cast<CQxJoint*>(parent);
    if (joint && dynamic_cast<const CQxJoint*>(child)) joint->Recreate();
}

} // namespace

CQxIndexPath QxGetIndexPath(const CQxObject& object) {
    CQxIndexPath path;
    object.GetIndices(path);
    return path;
}

CQxObject* QxFindIndexPath(const CQxObject& root, const CQxIndexPath& path) {
    return root.Find(path);
}

CQxTreeCmd::~CQxTreeCmd() = default;

// --- Face materials ------------------------------------------------------------------------------

void CQxFaceMaterials::Push(CQxMaterialRef ref) {
    if (!m_Runs.empty() && m_Runs.back().second == ref && m_Runs.back().first != 0xFFFFFFFFu)
        ++m_Runs.back().first;
    else
        m_Runs.emplace_back(1u, ref);
}

void CQxSnapshotStore::IndexMaterials() {
    m_MaterialIndex.clear();
    CQxArray<CQxModel*> models;
    GetRoot().GetModels(models, 1);
    for (CQxModel* model : models) {
        const CQxIndexPath path = QxGetIndexPath(*model);
        std::uint32_t slot = 0;
        while (slot < m_Models.size() && m_Models[slot] != path) ++slot;
        if (slot == m_Models.size()) m_Models.push_back(path);
        std::uint32_t i = 0;
        for (const CQxAttribute& attribute : model->Attributes())
            m_MaterialIndex.emplace(&attribute, (CQxMaterialRef(slot) << 32) | i++);
    }
}

CQxMaterialRef CQxSnapshotStore::GetMaterialRef(const CQxAttribute* attribute) const {
    if (!attribute) return QxNoMaterialRef;
    auto found = m_MaterialIndex.find(attribute);
    return found == m_MaterialIndex.end() ? QxNoMaterialRef : found->second;
}

CQxAttribute* CQxSnapshotStore::GetMaterial(CQxMaterialRef ref) const {
    if (ref == QxNoMaterialRef) return nullptr;
    const auto slot = static_cast<std::size_t>(ref >> 32);
    if (slot >= m_Models.size()) return nullptr;
    CQxObject* object = Find(m_Models[slot]);
    auto* model = object && object->GetType() == QX_OBJ_MODEL ? dynamic_cast<CQxModel*>(object) : nullptr;
    return model ? model->GetAttribute(static_cast<unsigned int>(ref & 0xFFFFFFFFu)) : nullptr;
}

void CQxSnapshotStore::TakeMaterials(CQxMesh& mesh, CQxFaceMaterials& out) {
    out.Clear();
    // Neighbouring faces mostly share a material: look each one up once per run.
    const CQxAttribute* last = nullptr;
    CQxMaterialRef ref = QxNoMaterialRef;
    for (CQxFace& f : mesh.Faces()) {
        if (f.Attribute() != last) {
            last = f.Attribute();
            ref = GetMaterialRef(last);
        }
        out.Push(ref);
        f.Attribute() = nullptr;
    }
}

void CQxSnapshotStore::GiveMaterials(CQxMesh& mesh, const CQxFaceMaterials& materials) const {
    auto face = mesh.Faces().begin();
    const auto end = mesh.Faces().end();
    materials.ForEachRun([&](std::uint32_t count, CQxMaterialRef ref) {
        CQxAttribute* attribute = GetMaterial(ref);
        for (; count > 0 && face != end; --count, ++face) face->Attribute() = attribute;
    });
}

// --- Entries -------------------------------------------------------------------------------------

CQxSnapshotStore::CQxSnapshotStore(CQxScene* scene) : m_Scene(scene) {}

CQxSnapshotStore::~CQxSnapshotStore() = default;

CQxModel& CQxSnapshotStore::GetRoot() const {
    return m_Scene->RootModel();
}

CQxObject* CQxSnapshotStore::Find(const CQxIndexPath& path) const {
    return GetRoot().Find(path);
}

CQxObjectSnapshot& CQxSnapshotStore::Entry(const CQxIndexPath& path) {
    if (std::unique_ptr<CQxObjectSnapshot>* found = m_Snapshots.Find(path)) return **found;
    return *m_Snapshots.Set(path, std::make_unique<CQxObjectSnapshot>());
}

void CQxSnapshotStore::AddObject(const CQxObject& object) {
    AddObject(QxGetIndexPath(object));
}

void CQxSnapshotStore::AddObject(const CQxIndexPath& path) {
    if (path.IsEmpty()) return; // the root never leaves
    Entry(path).IsWhole = 1;
}

int CQxSnapshotStore::AddComponents(const CQxSelect& select) {
    CQxObject* object = select.Object();
    if (!object || object->GetType() != QX_OBJ_MESH || object->IsClone() || !GetRoot().Find(object)) return 0;
    auto part = std::make_unique<CQxMeshPart>();
    if (!part->Choose(object->Mesh(), select)) return 0;
    CQxObjectSnapshot& entry = Entry(QxGetIndexPath(*object));
    if (entry.Part) return 0; // one component set per object
    entry.Part = std::move(part);
    return 1;
}

int CQxSnapshotStore::AddFaces(const CQxObject& object, std::vector<std::uint32_t> positions) {
    if (object.GetType() != QX_OBJ_MESH || object.IsClone() || !GetRoot().Find(&object)) return 0;
    auto part = std::make_unique<CQxMeshPart>();
    if (!part->ChooseFaces(object.Mesh(), std::move(positions))) return 0;
    CQxObjectSnapshot& entry = Entry(QxGetIndexPath(object));
    if (entry.Part) return 0;
    entry.Part = std::move(part);
    return 1;
}

// --- Removing and restoring ---------------------------------------------------------------------

void CQxSnapshotStore::Remove(CQxStoreReport& report) {
    IndexMaterials();
    TakeAnimItems();
    std::vector<CQxObject*> changed;
    for (auto* node = m_Snapshots.Last(); node; node = qx_tree_core::Prev(node)) {
        CQxObjectSnapshot& snapshot = *node->Value;
        if (snapshot.Part && !snapshot.Part->IsRemoved()) {
            if (CQxObject* object = Find(node->Key)) {
                snapshot.Part->Remove(object->Mesh(), *this);
                // An object in component mode is selected exactly when some element is.
                snapshot.SelectCleared = 0;
                if (object->IsComponentMode() && object->IsSelect() && !object->Mesh().HasSelect()) {
                    object->IsSelect() = 0;
                    snapshot.SelectCleared = 1;
                    report.SelectChanged = 1;
                }
                changed.push_back(object);
            }
        }
        if (snapshot.IsWhole && !snapshot.Object) RemoveObject(node->Key, snapshot, report);
    }
    // Graphics only for the meshes still in the tree, once each.
    std::unordered_set<CQxObject*> done;
    for (CQxObject* object : changed) {
        if (!done.insert(object).second || !GetRoot().Find(object)) continue;
        object->UpdateBoundBox();
        object->UpdateGraphics();
        if (report.Meshes) report.Meshes->Add(CQxSelect(object));
    }
    m_Removed = 1;
}

void CQxSnapshotStore::RemoveObject(const CQxIndexPath& path, CQxObjectSnapshot& snapshot,
                                    CQxStoreReport& report) {
    CQxObject* object = path.IsEmpty() ? nullptr : Find(path);
    if (!object) return;
    CQxObject* parent = object->GetParent();
    snapshot.Materials.clear();
    for (CQxObject::Iterator it = object->Begin(); !it.IsEnd(); ++it) {
        snapshot.Materials.emplace_back();
        TakeMaterials(it->Mesh(), snapshot.Materials.back());
        it->DeleteGraphics();
    }
    parent->RemoveChild(object);
    object->SetParent(nullptr);
    snapshot.Object.reset(object);
    RecreateJointParent(parent, object);
    if (report.Objects) report.Objects->Add(CQxSelect(object));
}

void CQxSnapshotStore::RestoreObject(const CQxIndexPath& path, CQxObjectSnapshot& snapshot,
                                     CQxStoreReport& report) {
    CQxObject* object = snapshot.Object.get();
    if (!object || !GetRoot().Insert(path, object)) return; // a path that leads nowhere keeps it
    snapshot.Object.release();
    RecreateJointParent(object->GetParent(), object);
    if (report.Objects) report.Objects->Add(CQxSelect(object));
}

void CQxSnapshotStore::Restore(CQxStoreReport& report) {
    // Each restored subtree as it came back: entries at later paths may join it afterwards,
    // and its materials were recorded without them.
    std::vector<std::pair<CQxObjectSnapshot*, std::vector<CQxObject*>>> objects;
    std::vector<std::pair<CQxObjectSnapshot*, CQxObject*>> parts;
    for (auto* node = m_Snapshots.First(); node; node = qx_tree_core::Next(node)) {
        CQxObjectSnapshot& snapshot = *node->Value;
        if (snapshot.IsWhole && snapshot.Object) {
            CQxObject* object = snapshot.Object.get();
            RestoreObject(node->Key, snapshot, report);
            if (!snapshot.Object) {
                std::vector<CQxObject*> subtree;
                for (CQxObject::Iterator it = object->Begin(); !it.IsEnd(); ++it) subtree.push_back(it.Get());
                objects.emplace_back(&snapshot, std::move(subtree));
            }
        }
        if (snapshot.Part && snapshot.Part->IsRemoved()) {
            if (CQxObject* object = Find(node->Key)) {
                snapshot.Part->Restore(object->Mesh());
                if (snapshot.SelectCleared) {
                    object->IsSelect() = 1;
                    report.SelectChanged = 1;
                }
                parts.emplace_back(&snapshot, object);
            }
        }
    }
    // Materials are found by the paths of their models, so only once everything is back.
    for (auto& [snapshot, subtree] : objects) {
        for (std::size_t i = 0; i < subtree.size() && i < snapshot->Materials.size(); ++i)
            GiveMaterials(subtree[i]->Mesh(), snapshot->Materials[i]);
        snapshot->Materials.clear();
    }
    for (auto& [snapshot, object] : parts) snapshot->Part->ApplyMaterials(*this);
    GiveAnimItems();
    std::unordered_set<CQxObject*> done;
    for (auto& [snapshot, subtree] : objects)
        for (CQxObject* object : subtree)
            if (done.insert(object).second) object->UpdateGraphics();
    for (auto& [snapshot, object] : parts) {
        object->UpdateBoundBox();
        object->UpdateGraphics();
        if (report.Meshes) report.Meshes->Add(CQxSelect(object));
    }
    m_Removed = 0;
}

// --- References ----------------------------------------------------------------------------------

void CQxSnapshotStore::RecordReferences(const std::vector<CQxObject*>& leaving) {
    std::unordered_set<const CQxObject*> out;
    for (CQxObject* root : leaving)
        if (root)
            for (CQxObject::Iterator it = root->Begin(); !it.IsEnd(); ++it) out.insert(it.Get());
    if (out.empty()) return;

    RecordMaterialUses(out);
    for (CQxObject::Iterator it = GetRoot().Begin(); !it.IsEnd(); ++it) {
        CQxObject& object = *it;
        if (CQxJoint* rootBone = object.RootBone()) {
            bool hit = out.count(&object) != 0;
            if (!hit) {
                CQxArray<CQxJoint*> bones;
                rootBone->GetBones(bones);
                for (CQxJoint* bone : bones) hit = hit || out.count(bone);
            }
            if (hit) {
                CQxSkinRef ref = qx_object_cmd::RecordSkin(object);
                m_Skins.push_back(std::move(ref));
                object.ClearSkin();
            }
        }
        if (CQxObject* ikRoot = object.IKRoot()) {
            bool hit = out.count(&object) || out.count(ikRoot);
            for (const CQxObject* p = object.GetParent(); p && p != ikRoot && !hit; p = p->GetParent())
                hit = out.count(p) != 0;
            if (hit) {
                m_IKs.push_back({QxGetIndexPath(object), QxGetIndexPath(*ikRoot), object.IKConstraints()});
                object.ClearIKRoot();
            }
        }
    }
}

void CQxSnapshotStore::RecordMaterialUses(const std::unordered_set<const CQxObject*>& leaving) {
    std::unordered_set<const CQxAttribute*> materials;
    for (const CQxObject* object : leaving)
        if (object->GetType() == QX_OBJ_MODEL)
            if (const auto* model = dynamic_cast<const CQxModel*>(object))
                for (const CQxAttribute& attribute : model->Attributes()) materials.insert(&attribute);
    if (materials.empty()) return;
    IndexMaterials();
    for (CQxObject::Iterator it = GetRoot().Begin(); !it.IsEnd(); ++it) {
        if (leaving.count(it.Get())) continue;
        CQxMaterialUseRef use;
        std::uint32_t i = 0;
        for (CQxFace& f : it->Mesh().Faces()) {
            if (f.Attribute() && materials.count(f.Attribute())) {
                use.Faces.push_back(i);
                use.Materials.push_back(GetMaterialRef(f.Attribute()));
                f.Attribute() = nullptr;
            }
            ++i;
        }
        if (use.Faces.empty()) continue;
        use.Object = QxGetIndexPath(*it);
        it->UpdateGraphics();
        m_MaterialUses.push_back(std::move(use));
    }
}

void CQxSnapshotStore::ClearReferences() {
    for (const CQxMaterialUseRef& use : m_MaterialUses) {
        CQxObject* object = Find(use.Object);
        if (!object) continue;
        for (CQxFace* f : FacesAt(object->Mesh(), use.Faces)) f->Attribute() = nullptr;
        object->UpdateGraphics();
    }
    for (const CQxSkinRef& ref : m_Skins)
        if (CQxObject* object = Find(ref.Object)) object->ClearSkin();
    for (const CQxIKRef& ref : m_IKs)
        if (CQxObject* object = Find(ref.Object)) object->ClearIKRoot();
}

void CQxSnapshotStore::RestoreReferences() {
    for (const CQxMaterialUseRef& use : m_MaterialUses) {
        CQxObject* object = Find(use.Object);
        if (!object) continue;
        std::size_t i = 0;
        for (CQxFace* f : FacesAt(object->Mesh(), use.Faces))
            f->Attribute() = GetMaterial(use.Materials[i++]);
        object->UpdateGraphics();
    }
    for (const CQxSkinRef& ref : m_Skins) {
        CQxObject* object = Find(ref.Object);
        auto* rootBone = dynamic_cast<CQxJoint*>(Find(ref.RootBone));
        if (!object || !rootBone) continue;
        qx_object_cmd::RestoreSkin(*object, rootBone, ref);
    }
    for (const CQxIKRef& ref : m_IKs) {
        CQxObject* object = Find(ref.Object);
        CQxObject* root = Find(ref.Root);
        if (!object || !root) continue;
        object->IKRoot() = root;
        object->IKConstraints() = ref.Constraints;
        object->UpdateGraphics();
    }
}

// --- Accounting ----------------------------------------------------------------------------------

std::size_t CQxSnapshotStore::GetBytes() const {
    std::size_t bytes = sizeof(*this);
    for (auto* node = m_Snapshots.First(); node; node = qx_tree_core::Next(node)) {
        const CQxObjectSnapshot& snapshot = *node->Value;
        bytes += sizeof(*node) + sizeof(snapshot) + PathBytes(node->Key);
        if (snapshot.Object)
            for (CQxObject::Iterator it = snapshot.Object->Begin(); !it.IsEnd(); ++it)
                bytes += ObjectBytes(*it);
        for (const CQxFaceMaterials& materials : snapshot.Materials) bytes += materials.GetBytes();
        if (snapshot.Part) bytes += snapshot.Part->GetBytes();
    }
    for (const CQxSkinRef& ref : m_Skins)
        bytes += sizeof(ref) + PathBytes(ref.Object) + PathBytes(ref.RootBone) +
                 ref.BindParams.GetCapacity() * sizeof(CQxTransformParam) +
                 ref.BoneVertices.capacity() * sizeof(std::uint32_t) +
                 ref.Bones.capacity() * sizeof(CQxVertexBones);
    for (const CQxIKRef& ref : m_IKs)
        bytes += sizeof(ref) + PathBytes(ref.Object) + PathBytes(ref.Root) +
                 ref.Constraints.GetCapacity() * sizeof(CQxRotateConstraint);
    for (const CQxMaterialUseRef& use : m_MaterialUses)
        bytes += sizeof(use) + PathBytes(use.Object) + use.Faces.capacity() * sizeof(std::uint32_t) +
                 use.Materials.capacity() * sizeof(CQxMaterialRef);
    for (const CQxIndexPath& path : m_Models) bytes += PathBytes(path);
    return bytes + GetAnimBytes();
}
