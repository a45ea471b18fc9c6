#include "qx/tools/ik_handle_tool.h"

#include <memory>

#include "qx/commands/cmd_run.h"
#include "qx/commands/ik_cmd.h"
#include "qx/scene/scene.h"

CQxIKHandleTool::CQxIKHandleTool(CQxScene* scene) : CQxSelectTool(scene) {}

void CQxIKHandleTool::PrepareTool() {
    m_First = nullptr;
    CQxSelectTool::PrepareTool();
}

void CQxIKHandleTool::ClearSelection() {
    m_Scene->UnselectObejcts(1);
    m_Scene->UnselectObjectHandles(1);
}

void CQxIKHandleTool::OnSelect(CQxSelects& selects) {
    if (!m_Scene) return;
    // A click on an IK handle picks the object the handle belongs to.
    CQxObject* picked = selects.GetSize() == 1 ? selects[0]->Object() : nullptr;
    if (!picked) {
        m_First = nullptr;
        ClearSelection();
        return;
    }
    if (!m_First) {
        // Selecting prepares the tool again, which forgets the first pick: remember it after.
        m_Scene->SelectObject(CQxSelect(picked), QX_SELECT_REPLACE, 1);
        m_First = picked;
        return;
    }
    // A refused pair keeps the first pick, so that another second pick may follow.
    auto cmd = std::make_unique<CQxIKHandleCmd>(m_Scene);
    if (!cmd->Create(m_First, picked, 1)) return;
    m_First = nullptr;
    QxCommitCmd(*m_Scene, std::move(cmd), 1, 0);
    m_Scene->SelectObject(CQxSelect(picked), QX_SELECT_REPLACE, 1);
}
