#include "qx/commands/ik_cmd.h"

#include <cstdint>
#include <utility>

#include "qx/basis/msg_box.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/object_cmds.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"

CQxIKHandleCmd::CQxIKHandleCmd(CQxScene* scene) : CQxCmd(scene) {}

CQxIKHandleCmd::~CQxIKHandleCmd() = default;

CQxIKHandleCmd::Entry CQxIKHandleCmd::Record(const CQxObject& object) {
    Entry entry;
    entry.Object = QxGetIndexPath(object);
    if (const CQxObject* root = object.IKRoot()) {
        entry.Root = QxGetIndexPath(*root);
        entry.HasRoot = true;
    }
    entry.Constraints = object.IKConstraints();
    return entry;
}

void CQxIKHandleCmd::Notify(CQxSelects& objects) const {
    m_Scene->UpdateGui(QX_UPDATE_TRANSFORM, &objects,
                       reinterpret_cast<void*>(static_cast<std::uintptr_t>(QX_MODIFY_IK)));
    m_Scene->UpdateGui(QX_UPDATE_REDRAW);
}

int CQxIKHandleCmd::Create(CQxObject* a, CQxObject* b, int update) {
    if (!a || !b) {
        QxMsgBox("指定されたオブジェクトが不正です．", "", 0, nullptr);
        return 0;
    }
    if (a == b) {
        QxMsgBox("指定されたオブジェクトが同一です．", "", 0, nullptr);
        return 0;
    }
    CQxObject* end = nullptr;
    CQxObject* root = nullptr;
    if (b->FindAncestor(a)) {
        end = b;
        root = a;
    } else if (a->FindAncestor(b)) {
        end = a;
        root = b;
    } else {
        QxMsgBox("指定されたオブジェクトは親子関係にありません．", "", 0, nullptr);
        return 0;
    }
    if (end->IKRoot() == root) return 0;
    Entry before = Record(*end);
    if (!end->SetIKRoot(root)) return 0;
    m_Entries.clear();
    m_Entries.push_back(std::move(before));
    if (update) {
        CQxSelects changed(end);
        Notify(changed);
    }
    return 1;
}

int CQxIKHandleCmd::CreateClear(const CQxSelects& objects, int update) {
    m_Entries.clear();
    CQxSelects cleared;
    for (const CQxSelect* select : objects.Selects()) {
        CQxObject* object = select->Object();
        if (!object || !object->IKRoot() || cleared.Find(object)) continue;
        m_Entries.push_back(Record(*object));
        object->ClearIKRoot();
        cleared.Push(new CQxSelect(object));
    }
    if (m_Entries.empty()) return 0;
    if (update) Notify(cleared);
    return 1;
}

void CQxIKHandleCmd::Exchange(int /*undo*/) {
    CQxModel& tree = m_Scene->RootModel();
    CQxSelects changed;
    for (Entry& entry : m_Entries) {
        CQxObject* object = QxFindIndexPath(tree, entry.Object);
        if (!object) continue;
        Entry now = Record(*object);
        object->IKRoot() = entry.HasRoot ? QxFindIndexPath(tree, entry.Root) : nullptr;
        object->IKConstraints() = std::move(entry.Constraints);
        object->UpdateGeometry();
        entry = std::move(now);
        changed.Push(new CQxSelect(object));
    }
    Notify(changed);
}

int CQxScene::ClearIKCmd(int update) {
    EndOperation();
    CQxSelects selects;
    m_RootModel.GetSelects(selects, 1);
    selects.ExtractIKed();
    if (selects.IsEmpty()) {
        QxMsgBox("IKを持つオブジェクトを選択してください.", "IK解除", 0, nullptr);
        return 0;
    }
    const int cleared = QxRunCmd<CQxIKHandleCmd>(
        *this, [&](CQxIKHandleCmd& cmd) { return cmd.CreateClear(selects, update); });
    if (!cleared) PrepareTool();
    return cleared;
}
