// Binding meshes to skeletons, unbinding them, and the bind pose, as undoable commands.

#include <utility>

#include "object_cmds_internal.h"
#include "qx/basis/msg_box.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/object_cmds.h"
#include "qx/selection/select.h"
#include "qx/skeleton/joint.h"
#include "qx/tools/tool_manager.h"

namespace qx_object_cmd {

CQxSkinRef RecordSkin(const CQxObject& object) {
    CQxSkinRef ref;
    ref.Object = QxGetIndexPath(object);
    if (const CQxJoint* rootBone = object.RootBone()) ref.RootBone = QxGetIndexPath(*rootBone);
    ref.BindParams = object.BindParams();
    ref.Offset = object.OffsetTransform();
    ref.OffsetLH = object.OffsetTransformLH();
    ref.CurBone = object.CurBone();
    ref.Mode = object.Mode();
    std::uint32_t i = 0;
    for (const CQxVertex& v : object.Mesh().Vertices()) {
        if (const CQxVertexBones* bones = v.Bones()) {
            ref.BoneVertices.push_back(i);
            ref.Bones.push_back(*bones);
        }
        ++i;
    }
    return ref;
}

void RestoreSkin(CQxObject& object, CQxJoint* rootBone, const CQxSkinRef& skin) {
    if (rootBone) {
        object.RootBone() = rootBone;
        object.BindParams() = skin.BindParams;
        object.OffsetTransform() = skin.Offset;
        object.OffsetTransformLH() = skin.OffsetLH;
        object.CurBone() = skin.CurBone;
        object.UpdateBoneTransforms();
    } else {
        object.ClearSkin();
    }
    // Vertices keep bone data without a binding too (copies of bound meshes do).
    std::uint32_t i = 0;
    std::size_t next = 0;
    for (CQxVertex& v : object.Mesh().Vertices()) {
        if (next < skin.BoneVertices.size() && skin.BoneVertices[next] == i) {
            if (v.AllocBones()) *v.Bones() = skin.Bones[next];
            ++next;
        } else {
            v.FreeBones();
        }
        ++i;
    }
    if (rootBone && skin.Mode == QX_OBJ_MODE_WEIGHT && object.Mode() != QX_OBJ_MODE_WEIGHT)
        object.SetMode(QX_OBJ_MODE_WEIGHT, 0);
    else
        object.UpdateGraphics();
}

} // namespace qx_object_cmd

using namespace qx_object_cmd;

namespace {

bool SameParam(const CQxTransformParam& a, const CQxTransformParam& b) {
    return a.Pivot() == b.Pivot() && a.Scale() == b.Scale() && a.Angle() == b.Angle() &&
           a.Rotate() == b.Rotate() && a.Translate() == b.Translate();
}

void NotifyWeights(CQxScene& scene) {
    qx_object_cmd::Notify(scene, QX_UPDATE_WEIGHT);
    qx_object_cmd::Notify(scene, QX_UPDATE_REDRAW);
}

void NotifyBones(CQxScene& scene, CQxSelects& bones) {
    qx_object_cmd::Notify(scene, QX_UPDATE_TRANSFORM, &bones,
                          QX_MODIFY_SCALE | QX_MODIFY_ANGLE | QX_MODIFY_TRANSLATE | QX_MODIFY_PIVOT);
    qx_object_cmd::Notify(scene, QX_UPDATE_REDRAW);
}

} // namespace

// --- Object-attribute command: skins -------------------------------------------------------------

int CQxObjectAttributeCmd::CreateSkin(CQxObject* mesh, CQxJoint* joint, int multi, int update) {
    CQxModel& root = m_Scene->RootModel();
    // Only plain mesh objects are bound: joints, primitives and clones draw other geometry.
    if (!IsMeshObject(mesh) || !joint || !root.Find(mesh) || !root.Find(joint)) return 0;
    CQxSkinRef before = RecordSkin(*mesh);
    if (!mesh->SetSkin(joint, multi)) return 0;
    m_Skins.push_back(std::move(before));
    m_Kind = QX_OBJECT_ATTRIBUTE_SKIN;
    if (update) NotifyWeights(*m_Scene);
    return 1;
}

int CQxObjectAttributeCmd::CreateClearSkin(const CQxSelects& objects, int update) {
    CQxModel& root = m_Scene->RootModel();
    for (const CQxSelect* record : objects.Selects()) {
        CQxObject* object = record->Object();
        if (!object || !object->IsSkinned() || !root.Find(object)) continue;
        m_Skins.push_back(RecordSkin(*object));
        object->ClearSkin();
    }
    if (m_Skins.empty()) return 0;
    m_Kind = QX_OBJECT_ATTRIBUTE_SKIN;
    if (update) NotifyWeights(*m_Scene);
    return 1;
}

int CQxObjectAttributeCmd::CreateBindPose(const CQxSelects& objects, int update) {
    CQxModel& root = m_Scene->RootModel();
    CQxSelects moved;
    unsigned int bound = 0;
    for (const CQxSelect* record : objects.Selects()) {
        CQxObject* object = record->Object();
        if (!object || !object->IsSkinned() || !root.Find(object)) continue;
        ++bound;
        CQxArray<CQxJoint*> bones;
        object->RootBone()->GetBones(bones);
        // Bones of several skins, or a skeleton changed since binding, keep what they have.
        for (unsigned int i = 0; i < bones.GetSize() && i < object->BindParams().GetSize(); ++i) {
            CQxTransformParam& param = bones[i]->TFParam();
            if (SameParam(param, object->BindParams()[i])) continue;
            m_BonePoses.push_back({QxGetIndexPath(*bones[i]), param});
            param = object->BindParams()[i];
            bones[i]->UpdateBoneVertices();
            moved.Add(CQxSelect(bones[i]));
        }
    }
    if (!bound) return 0;
    // Skeletons already in their bind pose still make the step the user asked for.
    m_Kind = QX_OBJECT_ATTRIBUTE_BIND_POSE;
    if (update) NotifyBones(*m_Scene, moved);
    return 1;
}

void CQxObjectAttributeCmd::ExchangeSkins() {
    CQxModel& root = m_Scene->RootModel();
    for (CQxSkinRef& skin : m_Skins) {
        CQxObject* object = root.Find(skin.Object);
        if (!object) continue;
        CQxSkinRef current = RecordSkin(*object);
        CQxJoint* rootBone = skin.RootBone.IsEmpty() ? nullptr : dynamic_cast<CQxJoint*>(root.Find(skin.RootBone));
        RestoreSkin(*object, rootBone, skin);
        skin = std::move(current);
    }
    NotifyWeights(*m_Scene);
}

void CQxObjectAttributeCmd::ExchangeBindPose() {
    CQxModel& root = m_Scene->RootModel();
    CQxSelects bones;
    for (BonePose& pose : m_BonePoses) {
        auto* bone = dynamic_cast<CQxJoint*>(root.Find(pose.Path));
        if (!bone) continue;
        std::swap(bone->TFParam(), pose.Param);
        bone->UpdateBoneVertices();
        bones.Add(CQxSelect(bone));
    }
    NotifyBones(*m_Scene, bones);
}

// --- Scene commands ------------------------------------------------------------------------------

namespace {

// The selected objects with a skin, or the message that there are none.
bool SkinnedSelection(CQxScene& scene, const char* caption, CQxSelects& out) {
    scene.RootModel().GetSelects(out, 1);
    out.ExtractSkinned();
    if (!out.IsEmpty()) return true;
    QxMsgBox("スキニングされたオブジェクトを選択してください.", caption, 0, nullptr);
    return false;
}

} // namespace

int CQxScene::SetSkinCmd(int multi, int update) {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    CQxObject* mesh = nullptr;
    CQxJoint* joint = nullptr;
    if (!selects.GetMeshJoint(mesh, joint)) {
        QxMsgBox("同一モデルの汎用メッシュとジョイントを選択してください.", "スキニング", 0, nullptr);
        return 0;
    }
    const int done = QxRunCmd<CQxObjectAttributeCmd>(
        *this, [&](CQxObjectAttributeCmd& cmd) { return cmd.CreateSkin(mesh, joint, multi, update); });
    if (done) {
        // The weights are painted next.
        SelectObject(CQxSelect(mesh), QX_SELECT_REPLACE, update);
        m_ToolManager.SetCurTool(QX_TOOL_WEIGHT_PAINT);
    }
    PrepareTool();
    return done;
}

int CQxScene::ClearSkinCmd(int update) {
    EndOperation();
    CQxSelects selects;
    if (!SkinnedSelection(*this, "スキン解除", selects)) return 0;
    const int done = QxRunCmd<CQxObjectAttributeCmd>(
        *this, [&](CQxObjectAttributeCmd& cmd) { return cmd.CreateClearSkin(selects, update); });
    PrepareTool();
    return done;
}

int CQxScene::SetBindPoseCmd(int update) {
    EndOperation();
    CQxSelects selects;
    if (!SkinnedSelection(*this, "バインドポーズ", selects)) return 0;
    const int done = QxRunCmd<CQxObjectAttributeCmd>(
        *this, [&](CQxObjectAttributeCmd& cmd) { return cmd.CreateBindPose(selects, update); });
    PrepareTool();
    return done;
}
