#include "qx/commands/joint_cmds.h"

#include "object_cmds_internal.h"
#include "qx/commands/object_cmds.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"
#include "qx/skeleton/joint.h"

using qx_object_cmd::Notify;

namespace {

// The joint's bone turns toward a new child; Y stays as near world up as the aim allows.
const CQxVector kBoneUp(0.0f, 1.0f, 0.0f);

} // namespace

// --- Joint chain ----------------------------------------------------------------------------------

CQxJointCmd::CQxJointCmd(CQxScene* scene) : CQxCmd(scene) {}

CQxJointCmd::~CQxJointCmd() = default;

CQxObject* CQxJointCmd::FindParent() const {
    return m_Scene ? m_Scene->RootModel().Find(m_ParentPath) : nullptr;
}

CQxObject* CQxJointCmd::GetNextParent() const {
    // Each joint of the chain is its parent's last child, so the chain is found from its top.
    CQxObject* object = FindParent();
    for (std::size_t i = 0; object && i < m_Joints.size(); ++i) object = object->GetLastChild();
    return object;
}

int CQxJointCmd::Create(CQxObject* parent) {
    if (!m_Scene) return 0;
    CQxModel& root = m_Scene->RootModel();
    if (!parent) parent = &root;
    if (parent != &root && !root.Find(parent)) return 0;
    m_ParentPath = QxGetIndexPath(*parent);
    return 1;
}

CQxJoint* CQxJointCmd::AddJoint(const CQxVector& position, int update) {
    CQxObject* parent = GetNextParent();
    if (!parent) return nullptr;
    CQxModel& root = m_Scene->RootModel();
    if (m_Joints.empty()) {
        m_Before = std::make_unique<CQxTreeSelection>();
        m_Before->Capture(root);
    }

    // The parent turns first, so that the new joint is placed in the frame it ends up with.
    auto* parentJoint = dynamic_cast<CQxJoint*>(parent);
    int turned = 0;
    if (parentJoint) {
        const CQxTransformParam before = parentJoint->TFParam();
        CQxQuat rotate;
        if (parentJoint->CalcBoneRotate(rotate, position, kBoneUp) && parentJoint->SetRotate(rotate, 0)) {
            turned = 1;
            if (m_Joints.empty()) {
                m_IsParentTurned = 1;
                m_ParentBefore = before;
                m_ParentAfter = parentJoint->TFParam();
            } else {
                m_Joints.back().Param = parentJoint->TFParam();
            }
        }
    }

    auto* joint = new CQxJoint(1);
    joint->Create(m_Scene->JointRadius(), 10);
    joint->SetName(m_Scene->CalcUniqueObjectName("Joint"));
    joint->Translate() = position * parent->GetTransformFromRoot(QX_TF_ALL, 0);
    parent->PushChild(joint);
    if (parentJoint) parentJoint->Recreate();

    Joint record;
    record.Name = joint->GetName();
    record.Param = joint->TFParam();
    record.Radius = joint->Radius();
    record.Divisions = joint->Divisions();
    m_Joints.push_back(record);

    m_Scene->SelectObject(CQxSelect(joint), QX_SELECT_REPLACE, 0);
    if (update) {
        if (turned) {
            CQxSelects turnedObjects(parent);
            Notify(*m_Scene, QX_UPDATE_TRANSFORM, &turnedObjects, QX_MODIFY_ANGLE);
        }
        CQxSelects objects(joint);
        Notify(*m_Scene, QX_UPDATE_OBJECT_INSERT, &objects);
        Notify(*m_Scene, QX_UPDATE_REDRAW);
    }
    return joint;
}

void CQxJointCmd::Undo() {
    CQxObject* parent = FindParent();
    if (!parent || m_Joints.empty() || !parent->GetLastChild()) return;
    if (m_IsParentTurned) {
        parent->TFParam() = m_ParentBefore;
        CQxSelects turned(parent);
        Notify(*m_Scene, QX_UPDATE_TRANSFORM, &turned, QX_MODIFY_ANGLE);
    }
    // The chain's first joint takes the rest of the chain with it.
    CQxObject* first = parent->GetLastChild();
    m_Undone = std::make_unique<CQxSnapshotStore>(m_Scene);
    m_Undone->AddObject(*first);
    CQxSelects objects;
    CQxStoreReport report{&objects, nullptr};
    m_Undone->Remove(report);
    if (auto* joint = dynamic_cast<CQxJoint*>(parent)) joint->Recreate();
    if (m_Before) m_Before->Restore(m_Scene->RootModel());
    Notify(*m_Scene, QX_UPDATE_OBJECT_REMOVE, &objects);
    Notify(*m_Scene, QX_UPDATE_REDRAW);
}

void CQxJointCmd::Redo() {
    CQxObject* parent = FindParent();
    if (!parent || m_Joints.empty()) return;
    // The joints are built anew; what the undo kept of the old ones goes.
    m_Undone.reset();
    if (m_IsParentTurned) parent->TFParam() = m_ParentAfter;
    CQxArray<CQxJoint*> built;
    CQxObject* above = parent;
    for (const Joint& record : m_Joints) {
        auto* joint = new CQxJoint(1);
        joint->SetName(record.Name.GetStr());
        joint->TFParam() = record.Param;
        above->PushChild(joint);
        joint->Create(record.Radius, record.Divisions);
        built.PushBack(joint);
        above = joint;
    }
    // Bones are built once every joint has its child.
    if (auto* joint = dynamic_cast<CQxJoint*>(parent)) joint->Recreate();
    for (CQxJoint* joint : built) joint->Recreate();
    m_Scene->SelectObject(CQxSelect(built.Back()), QX_SELECT_REPLACE, 0);
    if (m_IsParentTurned) {
        CQxSelects turned(parent);
        Notify(*m_Scene, QX_UPDATE_TRANSFORM, &turned, QX_MODIFY_ANGLE);
    }
    CQxSelects objects(built[0]);
    Notify(*m_Scene, QX_UPDATE_OBJECT_INSERT, &objects);
    Notify(*m_Scene, QX_UPDATE_REDRAW);
}

// --- Weight paint ---------------------------------------------------------------------------------

namespace {

bool SameBones(const CQxVertexBones& a, const CQxVertexBones& b) {
    for (int k = 0; k < 4; ++k)
        if (a.Indices[k] != b.Indices[k] || a.Weights[k] != b.Weights[k]) return false;
    return true;
}

} // namespace

int CQxWeightPaintCmd::Create(CQxObject* object, const std::vector<CQxVertexBones>& before, int update) {
    if (!m_Scene || !object || !m_Scene->RootModel().Find(object)) return 0;
    CQxMesh& mesh = object->Mesh();
    if (before.size() != mesh.Vertices().GetCount()) return 0;
    std::uint32_t i = 0;
    for (const CQxVertex& v : mesh.Vertices()) {
        if (const CQxVertexBones* bones = v.Bones(); bones && !SameBones(*bones, before[i]))
            m_Changes.push_back({i, before[i], *bones});
        ++i;
    }
    if (m_Changes.empty()) return 0;
    m_Path = QxGetIndexPath(*object);
    if (update) {
        CQxSelects objects(object);
        Notify(*m_Scene, QX_UPDATE_WEIGHT, &objects);
        Notify(*m_Scene, QX_UPDATE_REDRAW);
    }
    return 1;
}

void CQxWeightPaintCmd::Exchange(int undo) {
    CQxObject* object = m_Scene ? m_Scene->RootModel().Find(m_Path) : nullptr;
    if (!object) return;
    CQxMesh& mesh = object->Mesh();
    auto change = m_Changes.begin();
    std::uint32_t i = 0;
    for (CQxVertex& v : mesh.Vertices()) {
        if (change == m_Changes.end()) break;
        if (change->Vertex == i) {
            if (CQxVertexBones* bones = v.Bones()) *bones = undo ? change->Old : change->New;
            ++change;
        }
        ++i;
    }
    // The weight colours are drawn from the vertices' bone data.
    object->UpdateGeometry();
    CQxSelects objects(object);
    Notify(*m_Scene, QX_UPDATE_WEIGHT, &objects);
    Notify(*m_Scene, QX_UPDATE_REDRAW);
}
