#include <cmath>

#include "qx/commands/object_cmds.h"
#include "qx/commands/transform_cmd.h"
#include "qx/scene/scene.h"
#include "qx/tools/transform_tool.h"
#include "qx/views/camera.h"

namespace {

constexpr float kRadiansPerPixel = 0.01f;

CQxVector UnitAxis(int axis) {
    return CQxVector(axis == 0 ? 1.0f : 0.0f, axis == 1 ? 1.0f : 0.0f, axis == 2 ? 1.0f : 0.0f);
}

} // namespace

CQxRotateTool::CQxRotateTool(CQxScene* scene) : CQxTransformTool(scene) {
    m_NumericalType = QX_NUMERICAL_ROTATION;
    m_CoordFlags = QX_COORD_WORLD | QX_COORD_LOCAL | QX_COORD_OBJECT;
    m_ValueFlags = 0;
    m_ValueType = QX_VALUE_RELATIVE;
}

unsigned int CQxRotateTool::GetDragState(int axis) const {
    return axis < 0 ? QX_TOOL_STATE_ROTATE_FREE : QX_TOOL_STATE_ROTATE_X + static_cast<unsigned int>(axis);
}

int CQxRotateTool::GetDragAxis() const {
    return m_State >= QX_TOOL_STATE_ROTATE_X && m_State <= QX_TOOL_STATE_ROTATE_Z
               ? static_cast<int>(m_State - QX_TOOL_STATE_ROTATE_X)
               : -1;
}

unsigned int CQxRotateTool::GetObjectModifyBits() const {
    return QX_MODIFY_ANGLE;
}

CQxTransformCmd* CQxRotateTool::NewCmd() const {
    return new CQxRotateCmd(m_Scene);
}

void CQxRotateTool::ResetValues() {
    m_Rotation.SetIdentity();
    m_RelativeValue.SetNull();
}

void CQxRotateTool::BeginDrag() {
    ResetValues();
}

void CQxRotateTool::RotateBy(const CQxQuat& q, QX_COORD_TYPE coord) {
    const CQxVector& centre = m_ManipulatorPosition;
    if (IsComponentTarget()) {
        if (coord == QX_COORD_WORLD)
            m_Selects.WorldRotateVertices(centre, q);
        else if (coord == QX_COORD_LOCAL)
            m_Selects.LocalRotateVertices(centre, q);
        else
            m_Selects.ObjectRotateVertices(centre, q);
    } else if (IsPivotTarget()) {
        if (coord == QX_COORD_WORLD)
            m_Selects.WorldRotatePivots(centre, q);
        else if (coord == QX_COORD_LOCAL)
            m_Selects.LocalRotatePivots(centre, q);
        else
            m_Selects.ObjectRotatePivots(centre, q);
    } else {
        if (coord == QX_COORD_WORLD)
            m_Selects.WorldRotateObjects(q);
        else if (coord == QX_COORD_LOCAL)
            m_Selects.LocalRotateObjects(q);
        else
            m_Selects.ObjectRotateObjects(q);
    }
}

void CQxRotateTool::Drag(CQxCamera* camera, CQxPoint point) {
    const float dx = static_cast<float>(point.x - m_LastPoint.x);
    const float dy = static_cast<float>(point.y - m_LastPoint.y);
    if (dx == 0.0f && dy == 0.0f) return;
    m_LastPoint = point;

    CQxQuat q;
    const int axis = GetDragAxis();
    if (axis < 0) {
        // Free: left-right turns about the view's up vector, up-down about its horizontal axis.
        CQxVector up = camera->Up().GetNormalized();
        CQxVector across = (camera->Aim() - camera->Eye()).GetCross(up).GetNormalized();
        CQxQuat yaw, pitch;
        yaw.SetRotate(up, dx * kRadiansPerPixel);
        pitch.SetRotate(across, dy * kRadiansPerPixel);
        q = yaw * pitch;
        RotateBy(q, QX_COORD_WORLD);
        m_ManipulatorRotation = m_ManipulatorRotation * q;
        m_Rotation = m_Rotation * q;
    } else {
        const float sign = GetAxisSign(*camera, point);
        q.SetRotate(UnitAxis(axis), std::sqrt(dx * dx + dy * dy) * kRadiansPerPixel * sign);
        RotateBy(q, m_CoordType);
        m_ManipulatorRotation = q * m_ManipulatorRotation;
        m_Rotation = q * m_Rotation;
    }
    PlaceManipulator();
    m_RelativeValue = m_Rotation.GetRotateXYZ();
    m_IsChanged = true;
    NotifyStep(GetModifyBits());
}

int CQxRotateTool::SetNumericalValue(const CQxVector& value) {
    if (!std::isfinite(value.x) || !std::isfinite(value.y) || !std::isfinite(value.z) || !BeginChange())
        return 0;
    CQxQuat q;
    q.SetRotateXYZ(value);
    RotateBy(q, m_CoordType);
    return EndChange();
}
