#include <unordered_map>

#include "object_cmds_internal.h"
#include "qx/commands/object_cmds.h"
#include "qx/selection/select.h"
#include "qx/skeleton/joint.h"

using namespace qx_object_cmd;

namespace {

// A joint draws a bone to each child joint: a new child joint rebuilds it.
void RecreateJointParent(CQxObject* parent, const CQxObject* child) {
    auto* joint = dynamic_cast<CQxJoint*>(parent);
    if (joint && dynamic_cast<const CQxJoint*>(child)) joint->Recreate();
}

CQxVector MulEach(const CQxVector& a, const CQxVector& b) {
    return CQxVector(a.x * b.x, a.y * b.y, a.z * b.z);
}

} // namespace

// --- Create object -------------------------------------------------------------------------------

CQxCreateObjectCmd::~CQxCreateObjectCmd() = default;

int CQxCreateObjectCmd::BuildPrimitive(CQxMesh& mesh, CQxAttribute* material, int append) const {
    const float* s = m_Sizes;
    const unsigned int* c = m_Counts;
    switch (m_Type) {
    case QX_OBJ_CUBE:
        return mesh.CreateCube(append, s[0], s[1], s[2], c[0], c[1], c[2], material, append);
    case QX_OBJ_SPHERE:
        return mesh.CreateSphere(append, s[0], c[0], c[1], material, append);
    case QX_OBJ_CYLINDER:
        return mesh.CreateCylinder(append, s[0], s[1], c[0], c[1], material, append);
    case QX_OBJ_CONE:
        return mesh.CreateCone(append, s[0], s[1], c[0], c[1], material, append);
    case QX_OBJ_TORUS:
        return mesh.CreateTorus(append, s[0], s[1], c[0], c[1], material, append);
    case QX_OBJ_PLANE:
        return mesh.CreatePlane(append, s[0], s[1], c[0], c[1], material, append);
    default:
        return 0;
    }
}

CQxObject* CQxCreateObjectCmd::Create(CQxObject* object, int clone, QX_OBJ_TYPE type, int update,
                                      const float sizes[3], const unsigned int counts[3]) {
    CQxModel& root = m_Store.GetRoot();
    m_Before = std::make_unique<CQxTreeSelection>();
    m_Before->Capture(root);
    std::unique_ptr<CQxObject> created;
    CQxObject* parent = nullptr;
    const char* name = nullptr;
    if (clone) {
        if (!object || !object->GetParent() || !root.Find(object)) return nullptr;
        parent = object->GetParent();
        created = std::make_unique<CQxClone>(object);
        name = m_Scene->CalcUniqueCloneName(object->GetName());
    } else {
        parent = object ? object : &root;
        if (!root.Find(parent)) return nullptr;
        m_Type = type;
        if (type == QX_OBJ_MODEL) {
            created = std::make_unique<CQxModel>(1);
            name = m_Scene->CalcUniqueObjectName("Model");
        } else if (type == QX_OBJ_GROUP) {
            created = std::make_unique<CQxGroup>(1);
            name = m_Scene->CalcUniqueObjectName("Group");
        } else if (type >= QX_OBJ_CUBE && type <= QX_OBJ_PLANE) {
            for (int i = 0; i < 3; ++i) {
                m_Sizes[i] = sizes ? sizes[i] : 0.0f;
                m_Counts[i] = counts ? counts[i] : 0;
            }
            CQxModel* model = parent->GetModel();
            if (!model) model = &root;
            CQxAttribute* material = model->CurAttribute();
            m_MaterialIndex = material ? model->FindAttribute(material) : 0xFFFFFFFF;
            if (IsMeshObject(parent)) {
                // Into the existing mesh: its elements stay, the new ones come selected.
                CQxMesh& mesh = parent->Mesh();
                m_OldCounts[0] = mesh.Vertices().GetCount();
                m_OldCounts[1] = mesh.Edges().GetCount();
                m_OldCounts[2] = mesh.Faces().GetCount();
                if (!BuildPrimitive(mesh, material, 1)) return nullptr;
                // In component mode the object is selected with its elements.
                if (parent->IsComponentMode()) parent->IsSelect() = 1;
                m_Append = 1;
                m_ParentPath = QxGetIndexPath(*parent);
                parent->UpdateBoundBox();
                parent->UpdateGraphics();
                if (update) {
                    CQxSelects changed(parent);
                    Notify(*m_Scene, QX_UPDATE_MESH, &changed, 2);
                    Notify(*m_Scene, QX_UPDATE_REDRAW);
                }
                return parent;
            }
            created = std::make_unique<CQxObject>(1);
            if (!BuildPrimitive(created->Mesh(), material, 0)) return nullptr;
            created->HasUV() = 1; // every primitive corner has a texture coordinate
            created->UpdateBoundBox();
            created->UpdateGraphics();
            name = m_Scene->CalcUniqueObjectName("Mesh");
        } else {
            return nullptr;
        }
    }
    created->SetName(name);
    CQxObject* result = created.get();
    parent->PushChild(created.release());
    m_Scene->SelectObject(CQxSelect(result), QX_SELECT_REPLACE, 0);
    m_After = std::make_unique<CQxTreeSelection>();
    m_After->Capture(root);
    m_Store.AddObject(*result);
    if (update) {
        CQxSelects objects(result);
        Notify(*m_Scene, QX_UPDATE_OBJECT_INSERT, &objects);
        Notify(*m_Scene, QX_UPDATE_REDRAW);
    }
    return result;
}

namespace {

// The object's mesh took or lost a primitive: its box, its graphics and the views follow.
void MeshChanged(CQxScene& scene, CQxObject& object) {
    object.UpdateBoundBox();
    object.UpdateGraphics();
    CQxSelects changed(&object);
    Notify(scene, QX_UPDATE_MESH, &changed, 2);
}

} // namespace

void CQxCreateObjectCmd::Undo() {
    CQxModel& root = m_Store.GetRoot();
    if (m_Append) {
        CQxObject* parent = m_Store.Find(m_ParentPath);
        if (!parent) return;
        TrimMesh(parent->Mesh(), m_OldCounts[0], m_OldCounts[1], m_OldCounts[2]);
        m_Before->Restore(root);
        MeshChanged(*m_Scene, *parent);
        Notify(*m_Scene, QX_UPDATE_REDRAW);
    } else {
        RemoveAdded(*m_Scene, m_Store, m_Before.get());
    }
}

void CQxCreateObjectCmd::Redo() {
    CQxModel& root = m_Store.GetRoot();
    if (m_Append) {
        CQxObject* parent = m_Store.Find(m_ParentPath);
        if (!parent) return;
        CQxModel* model = parent->GetModel();
        if (!model) model = &root;
        BuildPrimitive(parent->Mesh(), model->GetAttribute(m_MaterialIndex), 1);
        if (parent->IsComponentMode()) parent->IsSelect() = 1;
        MeshChanged(*m_Scene, *parent);
    } else {
        CQxSelects objects;
        CQxStoreReport report{&objects, nullptr};
        m_Store.Restore(report);
        m_After->Restore(root);
        Notify(*m_Scene, QX_UPDATE_OBJECT_INSERT, &objects);
    }
    Notify(*m_Scene, QX_UPDATE_REDRAW);
}

// --- Duplicate -----------------------------------------------------------------------------------

template <class Make>
int CQxDuplicateCmd::MakeCopies(const CQxSelects& records, unsigned int count, int update, Make&& make) {
    CQxModel& root = m_Store.GetRoot();
    if (count == 0) return 0;
    std::unordered_map<const CQxObject*, std::vector<CQxObject*>> copies;
    std::vector<CQxObject*> all;
    for (const CQxSelect* record : records.Selects()) {
        const CQxObject* source = record->Object();
        if (!source || source == &root || !root.Find(source) || copies.count(source)) continue;
        // Copies of a child go under the copies of its parent when that was copied too.
        auto found = copies.find(source->GetParent());
        const std::vector<CQxObject*>* parentCopies = found == copies.end() ? nullptr : &found->second;
        std::vector<CQxObject*>& mine = copies[source];
        for (unsigned int k = 1; k <= count; ++k) {
            CQxObject* copy = make(*source, k, parentCopies == nullptr);
            copy->SetName(m_Scene->CalcUniqueDuplicateName(source->GetName()));
            CQxObject* parent = parentCopies ? (*parentCopies)[k - 1] : source->GetParent();
            parent->PushChild(copy);
            RecreateJointParent(parent, copy);
            mine.push_back(copy);
            all.push_back(copy);
        }
    }
    if (all.empty()) return 0;
    for (const CQxObject* copy : all) m_Store.AddObject(*copy);
    if (update) {
        CQxSelects objects;
        for (const CQxObject* copy : all) objects.Add(CQxSelect(copy));
        Notify(*m_Scene, QX_UPDATE_OBJECT_INSERT, &objects);
        Notify(*m_Scene, QX_UPDATE_REDRAW);
    }
    return 1;
}

int CQxDuplicateCmd::Create(const CQxSelects& records, unsigned int count, QX_AXIS_TYPE axis, int update) {
    if (axis == QX_AXIS_NONE) return 0;
    return MakeCopies(records, count, update,
                      [axis](const CQxObject& source, unsigned int, int) -> CQxObject* {
                          const int user = source.IsUser();
                          if (const auto* joint = dynamic_cast<const CQxJoint*>(&source)) {
                              auto* copy = new CQxJoint(user);
                              copy->Duplicate(*joint, axis);
                              return copy;
                          }
                          if (source.GetType() == QX_OBJ_MODEL && dynamic_cast<const CQxModel*>(&source)) {
                              auto* copy = new CQxModel(user);
                              static_cast<CQxObject*>(copy)->Duplicate(source, axis);
                              return copy;
                          }
                          if (const auto* group = dynamic_cast<const CQxGroup*>(&source)) {
                              auto* copy = new CQxGroup(user);
                              copy->Duplicate(*group, axis);
                              return copy;
                          }
                          auto* copy = new CQxObject(user);
                          copy->Duplicate(source, axis);
                          return copy;
                      });
}

int CQxDuplicateCmd::Create(const CQxSelects& records, unsigned int count, const CQxVector& scale,
                            const CQxVector& angle, const CQxVector& translate, int update) {
    return MakeCopies(records, count, update, [&](const CQxObject& source, unsigned int k, int top) {
        CQxObject* copy = CQxObject::NewCopy(source);
        if (!top) return copy;
        // Copy k is stepped k times, accumulated one step at a time.
        CQxVector s(1.0f, 1.0f, 1.0f), a, t;
        for (unsigned int i = 0; i < k; ++i) {
            s = MulEach(s, scale);
            a += angle;
            t += translate;
        }
        copy->Scale() = MulEach(copy->Scale(), s);
        if (a.x != 0.0f || a.y != 0.0f || a.z != 0.0f) copy->AddAngle(a);
        copy->Translate() += t;
        return copy;
    });
}

void CQxDuplicateCmd::Undo() {
    RemoveAdded(*m_Scene, m_Store, nullptr);
}

void CQxDuplicateCmd::Redo() {
    CQxSelects objects;
    CQxStoreReport report{&objects, nullptr};
    m_Store.Restore(report);
    Notify(*m_Scene, QX_UPDATE_OBJECT_INSERT, &objects);
    Notify(*m_Scene, QX_UPDATE_REDRAW);
}
