#include <cstdarg>

#include "qx/basis/msg_box.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/object_cmds.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"

namespace {

// How many sizes (doubles) and division counts (unsigned ints) a primitive's builder takes.
void PrimitiveArgCounts(QX_OBJ_TYPE type, unsigned int& sizes, unsigned int& counts) {
    sizes = counts = 0;
    if (type == QX_OBJ_CUBE) {
        sizes = counts = 3;
    } else if (type == QX_OBJ_SPHERE) {
        sizes = 1;
        counts = 2;
    } else if (type > QX_OBJ_SPHERE && type <= QX_OBJ_PLANE) {
        sizes = counts = 2;
    }
}

} // namespace

CQxObject* CQxScene::CreateObjectCmd(CQxObject* object, int clone, QX_OBJ_TYPE type, int update, ...) {
    EndOperation();
    float sizes[3] = {0.0f, 0.0f, 0.0f};
    unsigned int counts[3] = {0, 0, 0};
    if (!clone) {
        unsigned int sizeCount = 0, countCount = 0;
        PrimitiveArgCounts(type, sizeCount, countCount);
        va_list args;
        va_start(args, update);
        for (unsigned int i = 0; i < sizeCount; ++i) sizes[i] = static_cast<float>(va_arg(args, double));
        for (unsigned int i = 0; i < countCount; ++i) counts[i] = va_arg(args, unsigned int);
        va_end(args);
    }
    CQxObject* created = nullptr;
    QxRunCmd<CQxCreateObjectCmd>(*this, [&](CQxCreateObjectCmd& cmd) {
        created = cmd.Create(object, clone, type, update, sizes, counts);
        return created != nullptr;
    });
    return created;
}

int CQxScene::DeleteObjectCmd(CQxObject* object, int update) {
    EndOperation();
    if (!object || object == &m_RootModel || !m_RootModel.Find(object)) return 0;
    const CQxSelects one(object);
    CQxSelects input;
    m_RootModel.GetExtraDeleteObjects(one, input, 1);
    if (input.IsEmpty()) return 0;
    return QxRunCmd<CQxDeleteCmd>(*this, [&](CQxDeleteCmd& cmd) { return cmd.Create(input, update); });
}

int CQxScene::DeleteSelectObjectsCmd(int update) {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    selects.ExtractDelete();
    CQxSelects input;
    m_RootModel.GetExtraDeleteObjects(selects, input, 1);
    if (input.IsEmpty()) return 0;
    return QxRunCmd<CQxDeleteCmd>(*this, [&](CQxDeleteCmd& cmd) { return cmd.Create(input, update); });
}

int CQxScene::DuplicateSelectObjectsCmd(unsigned int count, QX_AXIS_TYPE axis, int update) {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    selects.ExtractUserType();
    if (selects.IsEmpty() || count == 0 || axis == QX_AXIS_NONE) return 0;
    return QxRunCmd<CQxDuplicateCmd>(
        *this, [&](CQxDuplicateCmd& cmd) { return cmd.Create(selects, count, axis, update); });
}

int CQxScene::DuplicateSelectObjectsCmd(unsigned int count, const CQxVector& scale, const CQxVector& angle,
                                        const CQxVector& translate, int update) {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    selects.RemoveNoShapes();
    if (selects.IsEmpty() || count == 0) return 0;
    return QxRunCmd<CQxDuplicateCmd>(*this, [&](CQxDuplicateCmd& cmd) {
        return cmd.Create(selects, count, scale, angle, translate, update);
    });
}

int CQxScene::MoveObjectCmd(CQxObject* object, CQxObject* target, int before, int update) {
    EndOperation();
    return QxRunCmd<CQxMoveObjectCmd>(
        *this, [&](CQxMoveObjectCmd& cmd) { return cmd.Create(object, target, before, update); });
}

int CQxScene::MergeSelectObjectsCmd(int update) {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    selects.ExtractMesh();
    if (selects.GetSize() < 2) return 0;
    return QxRunCmd<CQxMergeObjectsCmd>(*this,
                                        [&](CQxMergeObjectsCmd& cmd) { return cmd.Create(selects, update); });
}

int CQxScene::ModifyObjectCmd(QX_MODIFY_TYPE type, CQxObject* object, void* value, int update) {
    EndOperation();
    return QxRunCmd<CQxObjectAttributeCmd>(
        *this, [&](CQxObjectAttributeCmd& cmd) { return cmd.CreateModify(type, object, value, update); });
}

int CQxScene::SetObjectVisibleCmd(CQxObject* object, int visible, int update) {
    EndOperation();
    return QxRunCmd<CQxObjectAttributeCmd>(
        *this, [&](CQxObjectAttributeCmd& cmd) { return cmd.CreateVisible(object, visible, update); });
}

int CQxScene::SetObjectLockedCmd(CQxObject* object, int locked, int update) {
    EndOperation();
    return QxRunCmd<CQxObjectAttributeCmd>(
        *this, [&](CQxObjectAttributeCmd& cmd) { return cmd.CreateLocked(object, locked, update); });
}

int CQxScene::SetSubdivisionCmd(CQxObject* object, unsigned int level, int update) {
    EndOperation();
    return QxRunCmd<CQxObjectAttributeCmd>(
        *this, [&](CQxObjectAttributeCmd& cmd) { return cmd.CreateSubdivision(object, level, update); }, 0);
}

int CQxScene::SetMirrorCmd(CQxObject* object, unsigned int flags, int connect, int update) {
    EndOperation();
    return QxRunCmd<CQxMirrorCmd>(
        *this, [&](CQxMirrorCmd& cmd) { return cmd.Create(object, flags, connect, update); }, 0);
}

int CQxScene::FreezeCmd(int update) {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    selects.ExtractFreezable();
    if (selects.IsEmpty()) {
        QxMsgBox("ミラー/再分割化されたオブジェクトを選択してください.",
                 "ミラー/再分割オブジェクトのフリーズ", 0, nullptr);
        return 0;
    }
    return QxRunCmd<CQxObjectAttributeCmd>(
        *this, [&](CQxObjectAttributeCmd& cmd) { return cmd.CreateFreeze(selects, update); });
}

int CQxScene::FaceSideSelectsCmd(QX_FACE_OP_TYPE op, int update) {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    selects.ExtractFaces();
    if (selects.IsEmpty()) return 0;
    return QxRunCmd<CQxFaceSideCmd>(*this,
                                    [&](CQxFaceSideCmd& cmd) { return cmd.Create(op, selects, update); });
}

int CQxScene::SetShadeSelectsCmd(int shade, int update) {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    selects.ExtractFaces();
    if (selects.IsEmpty()) return 0;
    return QxRunCmd<CQxShadeCmd>(*this, [&](CQxShadeCmd& cmd) { return cmd.Create(shade, selects, update); });
}

int CQxScene::SetGridCmd(float length, float interval, QX_AXIS_TYPE axis, unsigned long color, int update) {
    EndOperation();
    return QxRunCmd<CQxSceneAttributeCmd>(*this, [&](CQxSceneAttributeCmd& cmd) {
        return cmd.CreateGrid(length, interval, axis, color, update);
    });
}

int CQxScene::SetJointRadiusCmd(float radius, int update) {
    EndOperation();
    return QxRunCmd<CQxSceneAttributeCmd>(
        *this, [&](CQxSceneAttributeCmd& cmd) { return cmd.CreateJointRadius(radius, update); });
}
