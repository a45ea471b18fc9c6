#include "qx/platform/canvas.h"
#include "qx/platform/input_state.h"
#include "qx/platform/window.h"
#include "qx/scene/scene.h"
#include "qx/tools/tool.h"
#include "qx/views/camera.h"

using namespace QxWin;

namespace {

// What an object-mode pick tests: free edges, side outlines and faces.
constexpr unsigned int kObjectHitMask = 26;

QX_SELECT_MODE ModeFromFlags(unsigned int flags) {
    if (flags & MK_SHIFT) return QX_SELECT_ADD;
    if (flags & MK_CONTROL) return QX_SELECT_TOGGLE;
    return QX_SELECT_REPLACE;
}

} // namespace

CQxSelectTool::CQxSelectTool(CQxScene* scene) : CQxTool(scene) {
    m_NumericalType = QX_NUMERICAL_VECTOR;
}

CQxRect CQxSelectTool::GetRubberBand() const {
    CQxRect rect(m_LastPoint, m_RubberBandCorner);
    rect.NormalizeRect();
    return rect;
}

void CQxSelectTool::OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    BeginSelect(camera, flags, point);
}

void CQxSelectTool::OnMouseMove(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    DragSelect(camera, point);
}

void CQxSelectTool::OnLButtonUp(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    EndSelect(camera, point);
}

void CQxSelectTool::BeginSelect(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    if (!m_Scene || !camera) return;
    // A gesture whose button-up never came (the capture was lost) ends here, cleanly.
    m_Scene->EndOperation();
    m_LastPoint = point;
    m_RubberBandCorner = point;
    m_State = QX_TOOL_STATE_SELECT;
    m_SelectMode = ModeFromFlags(flags);
    m_IsDeep = GetKeyState(VK_MENU) < 0 ? 1 : 0;
    m_SelectCamera = camera;
    if (camera->GetWindow()) SetCapture(camera->GetWindow());
}

// The window's canvas lasts one frame, so the band is drawn whole over the last frame and shown
// at once, without drawing the scene again; taking it away shows the frame without it. A
// repaint during the drag draws the band too (the scene's drawing asks the tool for it).
void CQxSelectTool::ShowRubberBand(CQxCamera* camera) {
    if (m_IsRubberBand) {
        HDC dc = camera->GetDC();
        if (dc) {
            const CQxRect band = GetRubberBand();
            const RECT rect{band.left, band.top, band.right, band.bottom};
            DrawFocusRect(dc, &rect);
            camera->ReleaseDC(dc);
        }
    }
    if (camera->GetWindow()) camera->Present();
}

void CQxSelectTool::DragSelect(CQxCamera* camera, CQxPoint point) {
    if (m_State != QX_TOOL_STATE_SELECT || !camera) return;
    m_RubberBandCorner = point;
    m_IsRubberBand = 1;
    ShowRubberBand(camera);
}

void CQxSelectTool::PickRect(CQxCamera* camera, CQxSelects& selects) {
    const int components = m_SelectType == QX_SELECT_COMPONENT;
    const unsigned int mask = components ? m_ComponentTypes : kObjectHitMask;
    m_Scene->IsObjectTreeRectHit(mask, m_IsDeep, !components, GetRubberBand(), *camera, selects);
    if (components) selects.RemoveJoints();
}

void CQxSelectTool::PickPoint(CQxCamera* camera, CQxPoint point, CQxSelects& selects) {
    const int components = m_SelectType == QX_SELECT_COMPONENT;
    const unsigned int mask = components ? m_ComponentTypes : kObjectHitMask;
    CQxVector position;
    CQxSelect hit;
    int found = m_Scene->IsFrontJointTreePointHit(mask, point, *camera, position, hit) ||
                m_Scene->IsFrontHandleTreePointHit(mask, point, *camera, position, hit);
    if (!found) {
        found = m_Scene->IsObjectTreePointHit(mask, !components, point, *camera, position, hit);
        if (found && components && hit.Object() && hit.Object()->GetType() == QX_OBJ_JOINT) found = 0;
    }
    if (found) selects.Add(hit);
}

void CQxSelectTool::EndSelect(CQxCamera* camera, CQxPoint point) {
    if (m_State != QX_TOOL_STATE_SELECT || !camera || !m_Scene) return;
    if (camera->GetWindow() && GetCapture() == camera->GetWindow()) ReleaseCapture();
    CQxSelects selects;
    if (m_IsRubberBand) {
        m_IsRubberBand = 0;
        ShowRubberBand(camera);
        PickRect(camera, selects);
    } else {
        PickPoint(camera, point, selects);
    }
    OnSelect(selects);
    m_Scene->EndOperation();
}

void CQxSelectTool::OnSelect(CQxSelects& selects) {
    if (!m_Scene) return;
    selects.RemoveHandle();
    if (!selects.IsEmpty()) {
        m_Scene->SelectObjects(selects, m_SelectMode, 1);
    } else {
        m_Scene->UnselectObejcts(1);
        m_Scene->UnselectObjectHandles(1);
    }
}

void CQxSelectTool::EndOperation() {
    // A rubber band left on screen by a gesture that did not finish is taken away.
    if (m_State == QX_TOOL_STATE_SELECT) {
        if (m_IsRubberBand && m_SelectCamera) {
            m_IsRubberBand = 0;
            ShowRubberBand(m_SelectCamera);
        }
        if (m_SelectCamera && m_SelectCamera->GetWindow() && GetCapture() == m_SelectCamera->GetWindow())
            ReleaseCapture();
    }
    m_SelectCamera = nullptr;
    m_SelectMode = QX_SELECT_REPLACE;
    m_IsRubberBand = 0;
    CQxTool::EndOperation();
}
