#include <cmath>

#include "qx/commands/object_cmds.h"
#include "qx/commands/transform_cmd.h"
#include "qx/scene/scene.h"
#include "qx/tools/transform_tool.h"
#include "qx/views/camera.h"

namespace {

constexpr float kFactorPerPixel = 0.01f;

float& At(CQxVector& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

} // namespace

CQxScaleTool::CQxScaleTool(CQxScene* scene) : CQxTransformTool(scene) {
    m_NumericalType = QX_NUMERICAL_VECTOR;
    m_CoordFlags = QX_COORD_OBJECT;
    m_ValueFlags = 0;
    m_ValueType = QX_VALUE_RELATIVE;
    m_RelativeValue.SetOne();
}

unsigned int CQxScaleTool::GetDragState(int axis) const {
    return axis < 0 ? QX_TOOL_STATE_SCALE_UNIFORM : QX_TOOL_STATE_SCALE_X + static_cast<unsigned int>(axis);
}

int CQxScaleTool::GetDragAxis() const {
    return m_State >= QX_TOOL_STATE_SCALE_X && m_State <= QX_TOOL_STATE_SCALE_Z
               ? static_cast<int>(m_State - QX_TOOL_STATE_SCALE_X)
               : -1;
}

unsigned int CQxScaleTool::GetObjectModifyBits() const {
    return QX_MODIFY_SCALE;
}

CQxTransformCmd* CQxScaleTool::NewCmd() const {
    return new CQxScaleCmd(m_Scene);
}

void CQxScaleTool::ResetValues() {
    m_Scale.SetOne();
    m_RelativeValue.SetOne();
}

void CQxScaleTool::BeginDrag() {
    ResetValues();
}

void CQxScaleTool::ScaleBy(const CQxVector& s) {
    if (IsComponentTarget()) {
        m_Selects.ObjectScaleVertices(m_ManipulatorPosition, s);
    } else if (IsPivotTarget()) {
        m_Selects.ObjectScalePivots(m_ManipulatorPosition, s);
    } else {
        for (CQxSelect* select : m_Selects.Selects()) {
            CQxVector& scale = select->Object()->Scale();
            scale.Set(scale.x * s.x, scale.y * s.y, scale.z * s.z);
        }
    }
}

void CQxScaleTool::Drag(CQxCamera* camera, CQxPoint point) {
    const float dx = static_cast<float>(point.x - m_LastPoint.x);
    const float dy = static_cast<float>(point.y - m_LastPoint.y);
    if (dx == 0.0f && dy == 0.0f) return;
    m_LastPoint = point;

    const int axis = GetDragAxis();
    if (axis < 0) {
        const float delta = (dx - dy) * kFactorPerPixel;
        m_Scale += CQxVector(delta, delta, delta);
    } else {
        // Not clamped: dragging back past the centre gives a negative factor, a mirror image.
        At(m_Scale, axis) += std::sqrt(dx * dx + dy * dy) * kFactorPerPixel * GetAxisSign(*camera, point);
    }
    // From the snapshot every step, so the steps do not compound.
    m_Snapshot->Restore(0);
    ScaleBy(m_Scale);
    m_RelativeValue = m_Scale;
    m_IsChanged = true;
    NotifyStep(GetModifyBits());
}

int CQxScaleTool::SetNumericalValue(const CQxVector& value) {
    if (!std::isfinite(value.x) || !std::isfinite(value.y) || !std::isfinite(value.z) || !BeginChange())
        return 0;
    ScaleBy(value);
    return EndChange();
}
