#include <memory>

#include "qx/commands/cmd_manager.h"
#include "qx/commands/joint_cmds.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"
#include "qx/skeleton/joint.h"
#include "qx/tools/joint_tools.h"
#include "qx/views/camera.h"

CQxJointTool::CQxJointTool(CQxScene* scene) : CQxTool(scene) {
    m_ValueType = QX_VALUE_ABSOLUTE;
    m_ValueFlags = QX_VALUE_ABSOLUTE | QX_VALUE_RELATIVE;
    m_CoordType = QX_COORD_WORLD;
    m_NumericalType = QX_NUMERICAL_VECTOR;
}

void CQxJointTool::OnLButtonDown(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    if (!m_Scene || !camera || (m_State != QX_TOOL_STATE_IDLE && m_State != QX_TOOL_STATE_JOINT)) return;
    CQxVector position;
    if (!GetViewPlanePoint(*camera, point, position)) return;
    m_LastPoint = point;
    AddJoint(position);
}

CQxMatrix CQxJointTool::GetFrameToWorld(const CQxObject* parent) const {
    CQxMatrix frame;
    frame.SetIdentity();
    if (!parent || m_CoordType == QX_COORD_WORLD) return frame;
    // A joint's own position lives in its parent's frame; the local frame is the one above that.
    if (m_CoordType == QX_COORD_OBJECT) return parent->GetTransformToRoot(QX_TF_ALL, 0);
    if (const CQxObject* above = parent->GetParent()) return above->GetTransformToRoot(QX_TF_ALL, 0);
    return frame;
}

int CQxJointTool::AddJoint(const CQxVector& position) {
    if (!m_Cmd) {
        m_Scene->EndOperation();
        CQxSelects selects;
        m_Scene->RootModel().GetSelects(selects, 1);
        auto cmd = std::make_unique<CQxJointCmd>(m_Scene);
        if (!cmd->Create(selects.GetSize() == 1 ? selects[0]->Object() : nullptr)) return 0;
        m_Cmd = cmd.release();
        m_State = QX_TOOL_STATE_JOINT;
    }
    const CQxMatrix frame = GetFrameToWorld(m_Cmd->GetNextParent());
    if (!m_Cmd->AddJoint(position, 1)) {
        if (!m_Cmd->GetJointCount()) delete m_Cmd;
        m_Cmd = nullptr;
        m_State = QX_TOOL_STATE_IDLE;
        return 0;
    }
    const CQxVector value = position * frame.GetInverse();
    m_RelativeValue = value - m_AbsoluteValue;
    m_AbsoluteValue = value;
    if (m_Cmd->GetJointCount() == 1) {
        CQxCmdManager& history = m_Scene->CmdManager();
        history.Push(m_Cmd);
        // A history that keeps no command has destroyed it already.
        if (history.GetCurCmd() != m_Cmd) {
            m_Cmd = nullptr;
            m_State = QX_TOOL_STATE_IDLE;
        }
    }
    m_Scene->PrepareTool();
    return 1;
}

int CQxJointTool::SetNumericalValue(const CQxVector& value) {
    if (!m_Scene || !value.IsFinite()) return 0;
    // Typed values are read in the frame the shown value is in: the last joint's parent's.
    const CQxObject* parent = nullptr;
    if (m_Cmd && m_Cmd->GetJointCount()) {
        const CQxObject* last = m_Cmd->GetNextParent();
        parent = last ? last->GetParent() : nullptr;
    } else {
        CQxSelects selects;
        m_Scene->RootModel().GetSelects(selects, 1);
        parent = selects.GetSize() == 1 ? selects[0]->Object() : &m_Scene->RootModel();
    }
    const int relative = m_ValueType == QX_VALUE_RELATIVE && m_Cmd && m_Cmd->GetJointCount();
    const CQxVector inFrame = relative ? m_AbsoluteValue + value : value;
    return AddJoint(inFrame * GetFrameToWorld(parent));
}

void CQxJointTool::PrepareTool() {
    m_NumericalEnable = 1;
    if (m_Cmd && m_Cmd->GetJointCount()) {
        m_CoordFlags = QX_COORD_WORLD | QX_COORD_LOCAL | QX_COORD_OBJECT;
    } else {
        m_CoordFlags = QX_COORD_WORLD;
        m_CoordType = QX_COORD_WORLD;
    }
    if (m_Scene) m_Scene->UpdateGui(QX_UPDATE_NUMERICAL_RESET);
}

void CQxJointTool::EndOperation() {
    // A chain without a joint was never pushed and belongs to the tool.
    if (m_Cmd && !m_Cmd->GetJointCount()) delete m_Cmd;
    m_Cmd = nullptr;
    CQxTool::EndOperation();
}
