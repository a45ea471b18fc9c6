#include <algorithm>
#include <cmath>

#include "qx/commands/object_cmds.h"
#include "qx/commands/transform_cmd.h"
#include "qx/math/math_helpers.h"
#include "qx/scene/scene.h"
#include "qx/tools/transform_tool.h"
#include "qx/views/camera.h"

namespace {

bool IsFinite(const CQxVector& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The grid's plane as the normal's axis (0 X, 1 Y, 2 Z) and the two in-plane axes.
struct GridAxes {
    int Normal, U, V;
};

GridAxes GetGridAxes(QX_AXIS_TYPE axis) {
    if (axis == QX_AXIS_X) return {0, 1, 2};
    if (axis == QX_AXIS_Z) return {2, 0, 1};
    return {1, 0, 2};
}

float& At(CQxVector& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

} // namespace

CQxMoveTool::CQxMoveTool(CQxScene* scene) : CQxTransformTool(scene) {
    m_NumericalType = QX_NUMERICAL_VECTOR;
    m_CoordFlags = QX_COORD_WORLD | QX_COORD_LOCAL | QX_COORD_OBJECT;
    m_ValueFlags = 0;
    m_ValueType = QX_VALUE_RELATIVE;
}

unsigned int CQxMoveTool::GetDragState(int axis) const {
    return axis < 0 ? QX_TOOL_STATE_MOVE_FREE : QX_TOOL_STATE_MOVE_X + static_cast<unsigned int>(axis);
}

int CQxMoveTool::GetDragAxis() const {
    return m_State >= QX_TOOL_STATE_MOVE_X && m_State <= QX_TOOL_STATE_MOVE_Z
               ? static_cast<int>(m_State - QX_TOOL_STATE_MOVE_X)
               : -1;
}

unsigned int CQxMoveTool::GetObjectModifyBits() const {
    return QX_MODIFY_TRANSLATE;
}

CQxTransformCmd* CQxMoveTool::NewCmd() const {
    return new CQxMoveCmd(m_Scene);
}

void CQxMoveTool::ResetValues() {
    m_RelativeValue.SetNull();
    m_AbsoluteValue = GetAbsolutePosition();
}

CQxVector CQxMoveTool::GetAbsolutePosition() const {
    if (m_Selects.IsEmpty() || !m_Selects[0]->Object()) return CQxVector();
    const CQxSelect& first = *m_Selects[0];
    const CQxMatrix toRoot = first.Object()->GetTransformToRoot(QX_TF_ALL, 0);
    const CQxVector local = IsComponentTarget() && first.HasVertices() ? first.Vertices()[0]->Position()
                                                                       : first.Object()->Pivot();
    return toRoot.Transform(local) * GetFrameRotation().GetInverse();
}

void CQxMoveTool::MoveBy(const CQxVector& d, QX_COORD_TYPE coord) {
    CQxSelects& selects = m_IsIKDrag && IsDragging() ? m_DirectSelects : m_Selects;
    if (IsComponentTarget()) {
        if (coord == QX_COORD_WORLD)
            selects.WorldMoveVertices(d);
        else if (coord == QX_COORD_LOCAL)
            selects.LocalMoveVertices(d);
        else
            selects.ObjectMoveVertices(d);
    } else if (IsPivotTarget()) {
        if (coord == QX_COORD_WORLD)
            selects.WorldMovePivots(d);
        else if (coord == QX_COORD_LOCAL)
            selects.LocalMovePivots(d);
        else
            selects.ObjectMovePivots(d);
    } else {
        if (coord == QX_COORD_WORLD)
            selects.WorldMoveObjects(d);
        else if (coord == QX_COORD_LOCAL)
            selects.LocalMoveObjects(d);
        else
            selects.ObjectMoveObjects(d);
    }
}

bool CQxMoveTool::GetTarget(const CQxCamera& camera, CQxPoint point, CQxVector& out) const {
    const int axis = GetDragAxis();
    const bool snap = m_Scene->IsGridSnappable() != 0;
    const CQxGrid& grid = m_Scene->Grid();
    const GridAxes g = GetGridAxes(grid.Axis());
    CQxVector normal;
    At(normal, g.Normal) = 1.0f;
    CQxLine ray;
    // A view that sees the grid plane edge on (a flat view along one of its axes) cannot slide
    // over it: the drag stays in the view plane, snapped point by point below.
    const bool overGrid = snap && axis < 0 && GetMouseRay(camera, point, ray) &&
                          std::fabs(ray.Dir().GetNormalized().GetDot(normal)) > 1e-3f;
    if (overGrid) {
        // A free drag slides the selection over the grid plane, from grid point to grid point.
        CQxPlane plane;
        CQxVector p;
        if (!plane.Set(CQxVector(), normal) || !plane.GetIntersection(p, ray)) return false;
        if (!QxPlaneGridSnap(grid.Length(), grid.Interval(), At(p, g.U), At(p, g.V))) return false;
        At(p, g.Normal) = 0.0f;
        out = p;
        return true;
    }
    CQxVector p;
    if (!GetDragPoint(camera, point, p)) return false;
    CQxVector d = p - m_HitPosition;
    if (axis >= 0) {
        // Only the dragged axis's share of the offset, in the manipulator's frame.
        const CQxVector inFrame = d * m_ManipulatorRotation.GetInverse();
        CQxVector kept;
        At(kept, axis) = axis == 0 ? inFrame.x : axis == 1 ? inFrame.y : inFrame.z;
        d = kept * m_ManipulatorRotation;
    }
    out = m_StartPosition + d;
    if (snap) QxGridSnap(grid.Interval(), out.x, out.y, out.z);
    return true;
}

void CQxMoveTool::Drag(CQxCamera* camera, CQxPoint point) {
    m_LastPoint = point;
    CQxVector target;
    if (!GetTarget(*camera, point, target)) return;
    const CQxVector step = target - m_ManipulatorPosition;
    if (step.IsNull()) return;
    if (!m_IsChanged) m_RelativeValue.SetNull();

    // Free drags are in the view, so they move in world space whatever the coordinate type.
    const QX_COORD_TYPE coord = GetDragAxis() < 0 ? QX_COORD_WORLD : m_CoordType;
    const CQxVector d = coord == QX_COORD_WORLD ? step : step * m_ManipulatorRotation.GetInverse();
    MoveBy(d, coord);
    m_RelativeValue += d;
    m_ManipulatorPosition = target;
    if (m_IsIKDrag) SolveIKGoals();
    PlaceManipulator();
    m_IsChanged = true;
    if (m_ValueFlags & QX_VALUE_ABSOLUTE) m_AbsoluteValue = GetAbsolutePosition();
    NotifyStep(GetModifyBits() | (m_IsIKDrag ? QX_MODIFY_ANGLE : 0u));
}

// --- IK goals -------------------------------------------------------------------------------------

void CQxMoveTool::PrepareTool() {
    CQxTransformTool::PrepareTool();
    m_IKGoals.Empty();
    if (IsComponentTarget() || IsPivotTarget() || m_Selects.IsEmpty()) return;
    m_Selects.GetSelectIKGoals(m_IKGoals);
    // The root of a chain has nothing above it to turn: it moves as any object does.
    for (unsigned int i = 0; i < m_IKGoals.GetSize(); ++i)
        if (m_IKGoals[i] && m_IKGoals[i]->IKRoot() == m_Selects[i]->Object()) m_IKGoals[i] = nullptr;
}

void CQxMoveTool::ClearTool() {
    m_IKGoals.Clear();
    m_DirectSelects.Clear();
    m_IsIKDrag = false;
    CQxTransformTool::ClearTool();
}

bool CQxMoveTool::HasIKGoals() const {
    if (IsComponentTarget() || IsPivotTarget() || m_IKGoals.GetSize() != m_Selects.GetSize()) return false;
    return std::any_of(m_IKGoals.begin(), m_IKGoals.end(), [](const CQxObject* goal) { return goal; });
}

void CQxMoveTool::GetSnapshotExtras(CQxSelects& extras) const {
    if (!HasIKGoals()) return;
    // Every chain joint above a dragged object may turn.
    for (unsigned int i = 0; i < m_IKGoals.GetSize(); ++i) {
        const CQxObject* end = m_IKGoals[i];
        const CQxObject* dragged = m_Selects[i]->Object();
        if (!end || !dragged || !dragged->FindAncestor(end->IKRoot())) continue;
        for (CQxObject* joint = dragged->GetParent();; joint = joint->GetParent()) {
            extras.Merge(CQxSelect(joint));
            if (joint == end->IKRoot()) break;
        }
    }
}

void CQxMoveTool::BeginDrag() {
    m_DirectSelects.Clear();
    m_IKStarts.Empty();
    m_IsIKDrag = HasIKGoals();
    if (!m_IsIKDrag) return;
    for (unsigned int i = 0; i < m_Selects.GetSize(); ++i) {
        const CQxObject* object = m_Selects[i]->Object();
        m_IKStarts.PushBack(object
                                ? object->GetLocalTransformToRoot(QX_TF_ALL, 0).Transform(object->Translate())
                                : CQxVector());
        if (!m_IKGoals[i]) m_DirectSelects.Add(*m_Selects[i]);
    }
}

void CQxMoveTool::SolveIKGoals() {
    const CQxVector offset = m_ManipulatorPosition - m_StartPosition;
    for (unsigned int i = 0; i < m_IKGoals.GetSize(); ++i) {
        CQxObject* end = m_IKGoals[i];
        CQxObject* dragged = m_Selects[i]->Object();
        if (!end || !dragged) continue;
        dragged->ExecuteIK(end, m_IKStarts[i] + offset, IKTolerance);
        // The end's handle line runs to the chain's root, which now sits elsewhere from it.
        end->UpdateMovedGeometry();
    }
}

int CQxMoveTool::SetNumericalValue(const CQxVector& value) {
    if (!IsFinite(value) || !BeginChange()) return 0;
    const CQxVector d = m_ValueType == QX_VALUE_ABSOLUTE ? value - GetAbsolutePosition() : value;
    MoveBy(d, m_CoordType);
    return EndChange();
}

void CQxMoveTool::OnSelect(CQxSelects& selects) {
    if (m_Scene && selects.HasHandleOnly()) {
        m_Scene->SelectObjectHandles(selects, m_SelectMode, 1);
        return;
    }
    CQxSelectTool::OnSelect(selects);
}
