#include "qx/tools/tool.h"

#include "qx/graphics/graphics_context.h"
#include "qx/math/plane_line.h"
#include "qx/platform/input_state.h"
#include "qx/platform/timer.h"
#include "qx/platform/window.h"
#include "qx/scene/scene.h"
#include "qx/views/camera.h"

using namespace QxWin;

namespace {

// The camera drag runs on window timer 1, re-armed with period 0 after every step so the view
// redraws as fast as the window paints.
constexpr UINT_PTR kDragTimer = 1;
constexpr float kRotatePerPixel = 0.005f;
constexpr short kWheelStep = 120;

} // namespace

CQxTool::~CQxTool() {
    if (m_DragWindow && m_Timer) KillTimer(m_DragWindow, m_Timer);
}

// --- Camera navigation ----------------------------------------------------------------------------

void CQxTool::BeginCameraDrag(CQxCamera* camera, unsigned int state, CQxPoint point) {
    if (!m_Scene || !camera) return;
    m_Scene->EndToolOperation();
    m_LastPoint = point;
    m_State = state;
    m_DragWindow = camera->GetWindow();
    if (!m_DragWindow) return;
    SetCapture(m_DragWindow);
    m_Timer = static_cast<unsigned int>(SetTimer(m_DragWindow, kDragTimer, 0, nullptr));
}

void CQxTool::EndCameraDrag(CQxCamera* /*camera*/, unsigned int state) {
    if (m_State == state && m_DragWindow) {
        if (m_Timer) KillTimer(m_DragWindow, m_Timer);
        m_Timer = 0;
        ReleaseCapture();
        m_DragWindow = nullptr;
    }
    if (m_Scene) m_Scene->EndToolOperation();
}

int CQxTool::GetViewPlanePoint(const CQxCamera& camera, CQxPoint point, CQxVector& out) const {
    CQxMatrix toScreen, fromScreen;
    QxGetScreenTranform(toScreen, camera.WorldMatrix(), camera.ViewMatrix(), camera.ProjectionMatrix(),
                        camera.ViewPort());
    if (!QxGetInvScreenTranform(fromScreen, camera.WorldMatrix(), camera.ViewMatrix(), camera.ProjectionMatrix(),
                                camera.ViewPort()))
        return 0;
    // The ray through the pixel, from two of its points in front of the far plane.
    const float x = static_cast<float>(point.x), y = static_cast<float>(point.y);
    CQxVector nearPoint, farPoint;
    if (!fromScreen.TransformCoord(nearPoint, CQxVector(x, y, 0.0f)) ||
        !fromScreen.TransformCoord(farPoint, CQxVector(x, y, 0.9f)))
        return 0;
    CQxLine ray;
    CQxPlane plane;
    CQxVector hit;
    if (!ray.SetPoints(nearPoint, farPoint) || !plane.Set(CQxVector(), camera.Aim() - camera.Eye()) ||
        !plane.GetIntersection(hit, ray))
        return 0;
    // The line runs on behind the eye and past the far plane: only the visible part counts.
    CQxVector screen;
    if (!toScreen.TransformCoord(screen, hit) || !(screen.z >= 0.0f && screen.z <= 1.0f)) return 0;
    out = hit;
    return 1;
}

void CQxTool::OnTimer(CQxCamera* camera, unsigned int /*id*/) {
    if (!camera || (m_State != QX_TOOL_STATE_ROTATE_VIEW && m_State != QX_TOOL_STATE_PAN_VIEW)) return;
    HWND window = camera->GetWindow();
    POINT cursor{0, 0};
    if (window && GetCursorPos(&cursor) && ScreenToClient(window, &cursor)) {
        const int dx = cursor.x - m_LastPoint.x;
        const int dy = cursor.y - m_LastPoint.y;
        if (dx || dy) {
            if (m_State == QX_TOOL_STATE_ROTATE_VIEW)
                camera->Rotate(static_cast<float>(dx) * -kRotatePerPixel, static_cast<float>(dy) * kRotatePerPixel);
            else
                camera->Pan(dx, dy);
            m_LastPoint = CQxPoint(cursor.x, cursor.y);
            camera->Invalidate(nullptr, 0);
            if (!m_Scene || !m_Scene->IsPlaying()) UpdateWindow(window);
        }
    }
    if (!m_DragWindow) return;
    if (m_Timer) KillTimer(m_DragWindow, m_Timer);
    m_Timer = static_cast<unsigned int>(SetTimer(m_DragWindow, kDragTimer, 0, nullptr));
}

void CQxTool::OnRButtonDown(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    BeginCameraDrag(camera, QX_TOOL_STATE_ROTATE_VIEW, point);
}

void CQxTool::OnRButtonUp(CQxCamera* camera, unsigned int /*flags*/, CQxPoint /*point*/) {
    EndCameraDrag(camera, QX_TOOL_STATE_ROTATE_VIEW);
}

void CQxTool::OnMButtonDown(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    BeginCameraDrag(camera, QX_TOOL_STATE_PAN_VIEW, point);
}

void CQxTool::OnMButtonUp(CQxCamera* camera, unsigned int /*flags*/, CQxPoint /*point*/) {
    EndCameraDrag(camera, QX_TOOL_STATE_PAN_VIEW);
}

void CQxTool::OnMouseWheel(CQxCamera* camera, unsigned int /*flags*/, short delta, CQxPoint /*point*/) {
    if (!m_Scene || !camera) return;
    m_Scene->EndToolOperation();
    camera->Zoom(delta / kWheelStep);
    camera->Invalidate(nullptr, 0);
}

void CQxTool::OnKeyDown(CQxCamera* /*camera*/, unsigned int key, unsigned int /*repeat*/, unsigned int flags) {
    if (!m_Scene || (flags & KF_REPEAT)) return;
    if (key == VK_RETURN) m_Scene->EndOperation();
    else if (key == VK_DELETE) m_Scene->DeleteSelectObjectsCmd(1);
}

void CQxTool::OnKeyDown(CQxModel* /*model*/, CQxGraphView* /*view*/, unsigned int key, unsigned int /*repeat*/,
                        unsigned int flags) {
    // Deleting keys in the graph view comes with the animation commands.
    if (!m_Scene || (flags & KF_REPEAT)) return;
    if (key == VK_RETURN) m_Scene->EndOperation();
}

// --- Input the base ignores ---------------------------------------------------------------------------

void CQxTool::OnMouseMove(CQxModel*, CQxGraphView*, unsigned int, CQxPoint) {}
void CQxTool::OnMouseMove(CQxCamera*, unsigned int, CQxPoint) {}
void CQxTool::OnMouseHover(CQxModel*, CQxGraphView*, unsigned int, CQxPoint) {}
void CQxTool::OnMouseHover(CQxCamera*, unsigned int, CQxPoint) {}
void CQxTool::OnLButtonDown(CQxModel*, CQxGraphView*, unsigned int, CQxPoint) {}
void CQxTool::OnLButtonDown(CQxCamera*, unsigned int, CQxPoint) {}
void CQxTool::OnLButtonUp(CQxModel*, CQxGraphView*, unsigned int, CQxPoint) {}
void CQxTool::OnLButtonUp(CQxCamera*, unsigned int, CQxPoint) {}
void CQxTool::OnRButtonDown(CQxModel*, CQxGraphView*, unsigned int, CQxPoint) {}
void CQxTool::OnRButtonUp(CQxModel*, CQxGraphView*, unsigned int, CQxPoint) {}
void CQxTool::OnMButtonDown(CQxModel*, CQxGraphView*, unsigned int, CQxPoint) {}
void CQxTool::OnMButtonUp(CQxModel*, CQxGraphView*, unsigned int, CQxPoint) {}
void CQxTool::OnMouseWheel(CQxModel*, CQxGraphView*, unsigned int, short, CQxPoint) {}
int CQxTool::OnSetCursor(unsigned int) { return 0; }
void CQxTool::PrepareTool() {}

// --- Gesture and numeric entry -----------------------------------------------------------------------

void CQxTool::ClearTool() {
    if (m_Scene) m_Scene->EndOperation();
    m_NumericalEnable = 0;
    if (m_Scene) m_Scene->UpdateGui(QX_UPDATE_NUMERICAL_RESET);
}

void CQxTool::EndOperation() {
    // A camera drag whose button-up never came lets go of its timer and capture here.
    if (m_DragWindow) {
        if (m_Timer) KillTimer(m_DragWindow, m_Timer);
        if (GetCapture() == m_DragWindow) ReleaseCapture();
        m_DragWindow = nullptr;
    }
    m_Timer = 0;
    m_State = 0;
}

int CQxTool::SetValueType(QX_VALUE_TYPE type) {
    if (!(m_ValueFlags & type) || type == m_ValueType) return 0;
    m_ValueType = type;
    PrepareTool();
    return 1;
}

int CQxTool::SetCoordType(QX_COORD_TYPE type) {
    if (!(m_CoordFlags & type) || type == m_CoordType) return 0;
    m_CoordType = type;
    PrepareTool();
    return 1;
}

int CQxTool::GetNumericalValue(float& /*value*/) {
    return 0;
}

int CQxTool::GetNumericalValue(CQxVector& value) {
    value = m_ValueType == QX_VALUE_ABSOLUTE ? m_AbsoluteValue : m_RelativeValue;
    return 1;
}

int CQxTool::SetNumericalValue(float /*value*/) {
    return 0;
}

int CQxTool::SetNumericalValue(const CQxVector& /*value*/) {
    return 0;
}
