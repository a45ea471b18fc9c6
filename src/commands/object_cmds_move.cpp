#include "object_cmds_internal.h"
#include "qx/commands/object_cmds.h"
#include "qx/selection/select.h"
#include "qx/skeleton/joint.h"

using namespace qx_object_cmd;

namespace {

void RecreateJointParent(CQxObject* parent, const CQxObject* child) {
    auto* joint = dynamic_cast<CQxJoint*>(parent);
    if (joint && dynamic_cast<const CQxJoint*>(child)) joint->Recreate();
}

// Gives the object, now under its new parent, the rotation and translation that keep it where
// `world` (its old transform to the root) placed it. Pivot and scale stay; a scale that the
// rotation cannot carry (non-uniform scaling above it) is dropped.
void KeepWorldPlace(CQxObject& object, const CQxMatrix& world) {
    if (object.GetTransformToRoot(QX_TF_ALL, 0) == world) return; // nothing to make up for
    CQxMatrix fromParent;
    if (!object.GetLocalTransformToRoot(QX_TF_ALL, 0).GetInverse(fromParent)) return;
    const CQxMatrix x = world * fromParent; // the transform the object must have now

    // x's linear part is S * R (* C, the inverse scale of a parent joint): take S and C out.
    const CQxVector& scale = object.Scale();
    CQxVector rows[3];
    for (int i = 0; i < 3; ++i) {
        rows[i] = CQxVector(x.m[i][0], x.m[i][1], x.m[i][2]);
        const float s = i == 0 ? scale.x : i == 1 ? scale.y : scale.z;
        if (s != 0.0f) rows[i] /= s;
    }
    const CQxObject* parent = object.GetParent();
    if (object.GetType() == QX_OBJ_JOINT && parent && parent->GetType() == QX_OBJ_JOINT) {
        const CQxVector& ps = parent->Scale();
        for (CQxVector& row : rows) row = CQxVector(row.x * ps.x, row.y * ps.y, row.z * ps.z);
    }
    // The nearest rotation: Gram-Schmidt on the axes' images.
    CQxVector ax = rows[0];
    if (ax.Normalize()) {
        CQxVector ay = rows[1] - ax * ax.GetDot(rows[1]);
        if (ay.Normalize()) {
            const CQxVector az = ax.GetCross(ay);
            CQxMatrix r;
            const CQxVector axes[3] = {ax, ay, az};
            for (int i = 0; i < 3; ++i) {
                r.m[i][0] = axes[i].x;
                r.m[i][1] = axes[i].y;
                r.m[i][2] = axes[i].z;
            }
            CQxQuat q;
            q.SetRotate(r);
            if (!object.SetRotate(q, 0)) object.SetRotate(q, 1);
        }
    }
    object.Translate() = object.Pivot() * x;
}

} // namespace

int CQxMoveObjectCmd::Create(CQxObject* object, CQxObject* target, int before, int update) {
    CQxModel& root = m_Store.GetRoot();
    if (!object || !target || object == &root || !root.Find(object) || !root.Find(target)) return 0;
    if (object->Find(target)) return 0; // into its own subtree
    CQxObject* oldParent = object->GetParent();
    if (!before && target == oldParent) return 0;
    CQxObject* newParent = before ? target->GetParent() : target;
    if (!newParent) return 0;

    const CQxMatrix world = object->GetTransformToRoot(QX_TF_ALL, 0);
    m_OldPath = QxGetIndexPath(*object);
    m_OldParam = object->TFParam();
    CQxModel* oldModel = oldParent->GetModel();
    m_CrossModel = oldModel != newParent->GetModel();
    CQxSelects meshes;
    if (m_CrossModel) {
        m_Store.RecordReferences({object});
        m_Store.IndexMaterials();
        m_Materials.clear();
        for (CQxObject::Iterator it = object->Begin(); !it.IsEnd(); ++it) {
            m_Materials.emplace_back();
            // Meshes of a model inside the subtree keep their materials: the model goes with them.
            if (it->GetModel() != oldModel || it->Mesh().Faces().IsEmpty()) continue;
            m_Store.TakeMaterials(it->Mesh(), m_Materials.back());
            meshes.Add(CQxSelect(it.Get()));
        }
    }

    oldParent->RemoveChild(object);
    RecreateJointParent(oldParent, object);
    if (before)
        newParent->InsertChild(newParent->GetChildIndex(target), object);
    else
        newParent->PushChild(object);
    RecreateJointParent(newParent, object);
    if (m_CrossModel) MoveAnimItems(*object, oldModel, newParent->GetModel());
    KeepWorldPlace(*object, world);
    m_NewParam = object->TFParam();
    m_NewPath = QxGetIndexPath(*object);
    for (const CQxSelect* mesh : meshes.Selects()) mesh->Object()->UpdateGraphics();

    if (update) {
        if (!meshes.IsEmpty()) qx_object_cmd::Notify(*m_Scene, QX_UPDATE_MESH, &meshes, QX_MODIFY_MIRROR);
        Notify(object);
    }
    return 1;
}

CQxObject* CQxMoveObjectCmd::Relocate(const CQxIndexPath& from, const CQxIndexPath& to,
                                      const CQxTransformParam& param) {
    CQxModel& root = m_Store.GetRoot();
    CQxObject* object = from.IsEmpty() ? nullptr : m_Store.Find(from);
    if (!object) return nullptr;
    CQxObject* parent = object->GetParent();
    CQxModel* model = parent->GetModel();
    parent->RemoveChild(object);
    RecreateJointParent(parent, object);
    if (!root.Insert(to, object)) root.Insert(from, object); // a bad path leaves it where it was
    RecreateJointParent(object->GetParent(), object);
    if (m_CrossModel) MoveAnimItems(*object, model, object->GetParent()->GetModel());
    object->TFParam() = param;
    return object;
}

void CQxMoveObjectCmd::Undo() {
    CQxObject* object = Relocate(m_NewPath, m_OldPath, m_OldParam);
    if (!object) return;
    CQxSelects meshes;
    if (m_CrossModel) {
        std::size_t i = 0;
        for (CQxObject::Iterator it = object->Begin(); !it.IsEnd(); ++it, ++i) {
            if (i >= m_Materials.size() || m_Materials[i].IsEmpty()) continue;
            m_Store.GiveMaterials(it->Mesh(), m_Materials[i]);
            it->UpdateGraphics();
            meshes.Add(CQxSelect(it.Get()));
        }
        m_Store.RestoreReferences();
    }
    if (!meshes.IsEmpty()) qx_object_cmd::Notify(*m_Scene, QX_UPDATE_MESH, &meshes, QX_MODIFY_MIRROR);
    Notify(object);
}

void CQxMoveObjectCmd::Redo() {
    CQxSelects meshes;
    if (m_CrossModel) {
        m_Store.ClearReferences();
        CQxObject* object = m_Store.Find(m_OldPath);
        if (!object) return;
        const CQxModel* oldModel = object->GetParent()->GetModel();
        m_Store.IndexMaterials();
        std::size_t i = 0;
        for (CQxObject::Iterator it = object->Begin(); !it.IsEnd(); ++it, ++i) {
            if (i >= m_Materials.size() || it->GetModel() != oldModel || it->Mesh().Faces().IsEmpty())
                continue;
            m_Store.TakeMaterials(it->Mesh(), m_Materials[i]);
            meshes.Add(CQxSelect(it.Get()));
        }
    }
    CQxObject* object = Relocate(m_OldPath, m_NewPath, m_NewParam);
    if (!object) return;
    for (const CQxSelect* mesh : meshes.Selects()) mesh->Object()->UpdateGraphics();
    if (!meshes.IsEmpty()) qx_object_cmd::Notify(*m_Scene, QX_UPDATE_MESH, &meshes, QX_MODIFY_MIRROR);
    Notify(object);
}

void CQxMoveObjectCmd::Notify(CQxObject* object) {
    CQxSelects objects(object);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_OBJECT_REMOVE, &objects);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_OBJECT_INSERT, &objects);
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
}
