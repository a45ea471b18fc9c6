#include "qx/commands/cmd_manager.h"
#include "qx/commands/mesh_edit_cmds.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/tools/modelling_tools.h"
#include "qx/views/camera.h"

namespace {

// Vertices, edges, faces and the rest: anything that has a place to click on.
constexpr unsigned int kCornerHitMask = 31;

} // namespace

CQxCreateFaceTool::CQxCreateFaceTool(CQxScene* scene) : CQxTool(scene) {
    m_ValueType = QX_VALUE_ABSOLUTE;
    m_ValueFlags = QX_VALUE_ABSOLUTE | QX_VALUE_RELATIVE;
    m_CoordType = QX_COORD_WORLD;
    m_NumericalType = QX_NUMERICAL_VECTOR;
}

CQxCreateFaceTool::~CQxCreateFaceTool() {
    // A face still pending was never pushed.
    if (m_Cmd && m_Cmd->GetPointCount() < 3) delete m_Cmd;
}

bool CQxCreateFaceTool::BeginFace() {
    if (m_Cmd) return true;
    m_Scene->EndOperation();
    CQxSelects selects;
    m_Scene->RootModel().GetSelects(selects, 1);
    auto cmd = std::make_unique<CQxCreateFaceCmd>(m_Scene);
    if (!cmd->Create(selects.GetSize() == 1 ? selects[0]->Object() : &m_Scene->RootModel())) return false;
    m_Cmd = cmd.release();
    m_State = QX_TOOL_STATE_CREATE_FACE;
    return true;
}

void CQxCreateFaceTool::OnLButtonDown(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    if (!m_Scene || !camera || (m_State != QX_TOOL_STATE_IDLE && m_State != QX_TOOL_STATE_CREATE_FACE))
        return;
    if (!BeginFace()) return;
    m_LastPoint = point;
    m_View = camera->Aim() - camera->Eye();
    CQxVector position;
    CQxSelect hit;
    int added = 0;
    if (m_Scene->IsObjectTreePointHit(kCornerHitMask, 0, point, *camera, position, hit)) {
        if (hit.Object() && hit.Object() == m_Cmd->GetObject() && hit.HasVertices())
            added = m_Cmd->AddVertex(hit.Vertices()[0], m_View, 1);
        else
            added = m_Cmd->AddPoint(position, m_View, 1);
    } else if (GetViewPlanePoint(*camera, point, position)) {
        added = m_Cmd->AddPoint(position, m_View, 1);
    }
    if (added) CornerAdded();
}

CQxMatrix CQxCreateFaceTool::GetFrameToWorld() const {
    CQxMatrix frame;
    frame.SetIdentity();
    const CQxObject* target = m_Cmd ? m_Cmd->GetObject() : nullptr;
    if (!target || m_CoordType == QX_COORD_WORLD) return frame;
    if (m_CoordType == QX_COORD_OBJECT) return target->GetTransformToRoot(QX_TF_ALL, 0);
    if (const CQxObject* parent = target->GetParent()) return parent->GetTransformToRoot(QX_TF_ALL, 0);
    return frame;
}

void CQxCreateFaceTool::CornerAdded() {
    CQxVector last;
    if (m_Cmd->GetLastPoint(last)) {
        const CQxVector value = GetFrameToWorld().GetInverse().Transform(last);
        m_RelativeValue = value - m_AbsoluteValue;
        m_AbsoluteValue = value;
    }
    const unsigned int count = m_Cmd->GetPointCount();
    if (count == 3) {
        CQxCmdManager& history = m_Scene->CmdManager();
        history.Push(m_Cmd);
        // A history that keeps no command has destroyed it already.
        if (history.GetCurCmd() != m_Cmd) {
            m_Cmd = nullptr;
            m_State = QX_TOOL_STATE_IDLE;
        }
    }
    if (count > 3) {
        m_Scene->EndOperation();
        return;
    }
    m_Scene->PrepareTool();
}

int CQxCreateFaceTool::SetNumericalValue(const CQxVector& value) {
    if (!m_Scene || !value.IsFinite() || !BeginFace()) return 0;
    CQxVector last;
    const int relative = m_ValueType == QX_VALUE_RELATIVE && m_Cmd->GetLastPoint(last);
    const CQxVector inFrame = relative ? m_AbsoluteValue + value : value;
    if (!m_Cmd->AddPoint(GetFrameToWorld().Transform(inFrame), m_View, 1)) return 0;
    CornerAdded();
    return 1;
}

void CQxCreateFaceTool::PrepareTool() {
    m_NumericalEnable = 1;
    CQxVector last;
    if (m_Cmd && m_Cmd->GetLastPoint(last)) {
        m_CoordFlags = QX_COORD_WORLD | QX_COORD_LOCAL | QX_COORD_OBJECT;
    } else {
        m_CoordFlags = QX_COORD_WORLD;
        m_CoordType = QX_COORD_WORLD;
    }
    if (m_Scene) m_Scene->UpdateGui(QX_UPDATE_NUMERICAL_RESET);
}

void CQxCreateFaceTool::EndOperation() {
    // A face of fewer than three corners was never pushed: it leaves nothing behind.
    if (m_Cmd && m_Cmd->GetPointCount() < 3) {
        m_Cmd->Undo();
        delete m_Cmd;
    }
    m_Cmd = nullptr;
    CQxTool::EndOperation();
    if (m_Scene) m_Scene->PrepareTool();
}
