#include <cmath>
#include <utility>

#include "qx/commands/cmd_manager.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/mesh_edit_cmds.h"
#include "qx/commands/object_cmds.h"
#include "qx/scene/scene.h"
#include "qx/tools/transform_tool.h"
#include "qx/views/camera.h"

namespace {

const CQxVector kUp(0.0f, 1.0f, 0.0f);

// The rotation turning +Y onto the unit normal.
CQxQuat TurnUpOnto(const CQxVector& normal) {
    const float angle = std::acos(std::fmax(-1.0f, std::fmin(1.0f, kUp.GetDot(normal))));
    CQxQuat q;
    CQxVector axis = kUp.GetCross(normal);
    if (axis.GetLength() < 1e-6f) axis = kUp; // parallel: about +Y by the angle
    if (!q.SetRotate(axis, angle)) q = CQxQuat();
    return q;
}

} // namespace

CQxExtrudeTool::CQxExtrudeTool(CQxScene* scene) : CQxTransformTool(scene) {
    m_NumericalType = QX_NUMERICAL_VECTOR;
    m_ValueFlags = QX_VALUE_ABSOLUTE;
    m_ValueType = QX_VALUE_ABSOLUTE;
    m_CoordFlags = QX_COORD_OBJECT;
    m_CoordType = QX_COORD_OBJECT;
}

CQxExtrudeTool::~CQxExtrudeTool() = default;

unsigned int CQxExtrudeTool::GetObjectModifyBits() const {
    return QX_MODIFY_TRANSLATE;
}

void CQxExtrudeTool::ReduceSelects() {
    m_Selects.ExtractExtrude();
    m_Selects.RemoveNoComponent();
}

void CQxExtrudeTool::PlaceOnSelects() {
    const CQxSelect& first = *m_Selects[0];
    const CQxMatrix toRoot = first.Object()->GetTransformToRoot(QX_TF_ALL, 0);
    CQxVector centre;
    if (first.HasFaces()) {
        centre = first.Faces()[0]->GetCenter();
        m_ObjectNormal = first.Faces()[0]->Normal();
    } else {
        const CQxHalfEdge* h = first.HalfEdges()[0];
        centre = (h->GetVertex()->Position() + h->GetEndVertex()->Position()) * 0.5f;
        m_ObjectNormal = h->GetFace()->Normal();
    }
    m_WorldNormal = toRoot.TransformNormal(m_ObjectNormal).GetNormalized();
    m_ManipulatorPosition = toRoot.Transform(centre);
    m_ManipulatorRotation = TurnUpOnto(m_WorldNormal);
}

void CQxExtrudeTool::ResetValues() {
    m_Distance = 0.0f;
}

float CQxExtrudeTool::ToObjectDistance(float offset) const {
    // A scaled object's normal is longer or shorter in the world than in its own space.
    if (m_Selects.IsEmpty()) return offset;
    const CQxMatrix toRoot = m_Selects[0]->Object()->GetTransformToRoot(QX_TF_ALL, 0);
    const float length = toRoot.TransformNormal(m_ObjectNormal).GetLength();
    return length > 1e-12f ? offset / length : offset;
}

void CQxExtrudeTool::Drag(CQxCamera* camera, CQxPoint point) {
    const CQxVector axis = kUp * m_ManipulatorRotation;
    // The plane holding the axis that faces the viewer the most.
    const CQxVector view = camera->Aim() - camera->Eye();
    const CQxVector facing = view - axis * view.GetDot(axis);
    CQxLine ray;
    CQxPlane plane;
    CQxVector p;
    if (!GetMouseRay(*camera, point, ray) || !plane.Set(m_HitPosition, facing) ||
        !plane.GetIntersection(p, ray))
        return;
    const float offset = (p - m_HitPosition).GetDot(axis);
    if (!std::isfinite(offset)) return;
    if (!m_Extrusion) {
        m_Extrusion = std::make_unique<CQxExtrudeCmd>(m_Scene);
        m_Extruded.Clear();
        m_Sides.Clear();
        if (!m_Extrusion->Create(m_Selects, 0.0f, 1, &m_Extruded, &m_Sides)) {
            m_Extrusion.reset();
            return;
        }
        m_IsChanged = true;
    }
    // The geometry follows the mouse even when the axis stands against the normal.
    const float distance = ToObjectDistance(axis.GetDot(m_WorldNormal) < 0.0f ? -offset : offset);
    m_Extruded.ExtrudeVertices(distance - m_Distance, m_Sides);
    m_Distance = distance;
    m_ManipulatorPosition = m_StartPosition + axis * offset;
    PlaceManipulator();
    NotifyStep(GetModifyBits());
}

bool CQxExtrudeTool::TakeSnapshot() {
    m_Extrusion.reset();
    m_IsChanged = false;
    m_Distance = 0.0f;
    return !m_Selects.IsEmpty();
}

int CQxExtrudeTool::PushSnapshot() {
    std::unique_ptr<CQxExtrudeCmd> cmd = std::move(m_Extrusion);
    const bool changed = std::exchange(m_IsChanged, false);
    m_Extruded.Clear();
    m_Sides.Clear();
    if (!cmd || !changed) return 0;
    // Built again as redo builds it, so the pushed state is exactly what undo and redo give.
    cmd->Undo();
    cmd->SetDistance(m_Distance);
    cmd->Redo();
    m_Scene->CmdManager().Push(cmd.release());
    return 1;
}

void CQxExtrudeTool::CancelDrag() {
    EndManipulatorDrag();
    if (m_Extrusion) m_Extrusion->Undo();
    m_Extrusion.reset();
    m_Extruded.Clear();
    m_Sides.Clear();
    m_IsChanged = false;
    m_Distance = 0.0f;
    m_ManipulatorPosition = m_StartPosition;
    PlaceManipulator();
}

int CQxExtrudeTool::GetNumericalValue(float& value) {
    value = m_Distance;
    return 1;
}

int CQxExtrudeTool::SetNumericalValue(float value) {
    if (!m_Scene || !std::isfinite(value)) return 0;
    m_Scene->EndOperation();
    CQxSelects records;
    m_Scene->RootModel().GetSelects(records, 1);
    records.ExtractExtrude();
    records.RemoveNoComponent();
    if (records.IsEmpty()) return 0;
    return QxRunCmd<CQxExtrudeCmd>(*m_Scene,
                                   [&](CQxExtrudeCmd& cmd) { return cmd.Create(records, value, 1); });
}
