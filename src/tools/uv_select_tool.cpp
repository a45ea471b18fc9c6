// The UV view's select and move tools.
#include <cfloat>

#include "qx/commands/cmd_run.h"
#include "qx/commands/uv_cmds.h"
#include "qx/platform/canvas.h"
#include "qx/platform/input_state.h"
#include "qx/platform/window.h"
#include "qx/scene/scene.h"
#include "qx/tools/uv_tools.h"
#include "qx/views/camera.h"

using namespace QxWin;

namespace {

QX_SELECT_MODE ModeFromFlags(unsigned int flags) {
    if (flags & MK_SHIFT) return QX_SELECT_ADD;
    if (flags & MK_CONTROL) return QX_SELECT_TOGGLE;
    return QX_SELECT_REPLACE;
}

// The nearest shown texture coordinate within the pick size of the point, as the only record.
bool PickUV(CQxScene& scene, const CQxCamera& view, CQxPoint point, CQxUVSelects& hits) {
    float best = FLT_MAX;
    return scene.RootModel().IsUVHit(point, best, view.ViewPort(), hits) && !hits.IsEmpty();
}

} // namespace

// --- Select -------------------------------------------------------------------------------------

CQxRect CQxUVSelectTool::GetRubberBand() const {
    CQxRect rect(m_LastPoint, m_RubberBandCorner);
    rect.NormalizeRect();
    return rect;
}

void CQxUVSelectTool::OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    BeginSelect(camera, flags, point);
}

void CQxUVSelectTool::OnMouseMove(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    DragSelect(camera, point);
}

void CQxUVSelectTool::OnLButtonUp(CQxCamera* camera, unsigned int /*flags*/, CQxPoint point) {
    EndSelect(camera, point);
}

void CQxUVSelectTool::Capture(CQxCamera* view) {
    m_SelectView = view;
    if (view->GetWindow()) SetCapture(view->GetWindow());
}

void CQxUVSelectTool::Release() {
    if (m_SelectView && m_SelectView->GetWindow() && GetCapture() == m_SelectView->GetWindow())
        ReleaseCapture();
}

void CQxUVSelectTool::BeginSelect(CQxCamera* view, unsigned int flags, CQxPoint point) {
    if (!m_Scene || !view) return;
    // A gesture whose button-up never came ends here.
    m_Scene->EndOperation();
    m_LastPoint = point;
    m_RubberBandCorner = point;
    m_SelectMode = ModeFromFlags(flags);
    m_State = QX_TOOL_STATE_SELECT;
    Capture(view);
}

// As in the 3D views: the band is drawn whole over the last frame and shown at once; the UV
// view's own paint draws it too while the gesture lasts.
void CQxUVSelectTool::ShowRubberBand(CQxCamera* view) {
    if (m_IsRubberBand) {
        if (HDC dc = view->GetDC()) {
            const CQxRect band = GetRubberBand();
            const RECT rect{band.left, band.top, band.right, band.bottom};
            DrawFocusRect(dc, &rect);
            view->ReleaseDC(dc);
        }
    }
    if (view->GetWindow()) view->Present();
}

void CQxUVSelectTool::DragSelect(CQxCamera* view, CQxPoint point) {
    if (m_State != QX_TOOL_STATE_SELECT || !view || view != m_SelectView) return;
    m_RubberBandCorner = point;
    m_IsRubberBand = 1;
    ShowRubberBand(view);
}

void CQxUVSelectTool::EndSelect(CQxCamera* view, CQxPoint point) {
    if (m_State != QX_TOOL_STATE_SELECT || !view || view != m_SelectView || !m_Scene) return;
    Release();
    CQxUVSelects hits;
    bool found = false;
    if (m_IsRubberBand) {
        m_IsRubberBand = 0;
        ShowRubberBand(view);
        found = m_Scene->RootModel().IsUVHit(GetRubberBand(), view->ViewPort(), hits) && !hits.IsEmpty();
    } else {
        found = PickUV(*m_Scene, *view, point, hits);
    }
    if (found)
        m_Scene->SelectUVs(hits, m_SelectMode, 1);
    else
        m_Scene->UnselectUVs(1);
    m_Scene->PrepareTool();
    m_Scene->EndOperation();
}

void CQxUVSelectTool::EndOperation() {
    if (m_State == QX_TOOL_STATE_SELECT && m_SelectView) {
        // A band left on screen by a gesture that did not finish is taken away.
        if (m_IsRubberBand) {
            m_IsRubberBand = 0;
            ShowRubberBand(m_SelectView);
        }
        Release();
    }
    m_SelectView = nullptr;
    m_IsRubberBand = 0;
    m_SelectMode = QX_SELECT_REPLACE;
    CQxTool::EndOperation();
}

// --- Move ---------------------------------------------------------------------------------------

void CQxUVMoveTool::OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    if (!m_Scene || !camera) return;
    if (m_State != QX_TOOL_STATE_IDLE) m_Scene->EndOperation();
    CQxUVSelects hits;
    if (!PickUV(*m_Scene, *camera, point, hits)) {
        BeginSelect(camera, flags, point);
        return;
    }
    m_Scene->EndOperation();
    if (!hits.HasUVSelect())
        m_Scene->SelectUVs(hits, flags & (MK_SHIFT | MK_CONTROL) ? QX_SELECT_ADD : QX_SELECT_REPLACE, 1);
    m_Scene->RootModel().GetUVSelects(m_Selects, 1);
    for (const CQxUVSelect* record : m_Selects.Selects()) {
        std::vector<CQxVector2D>& uvs = m_OldUVs.emplace_back();
        for (const CQxHalfEdge* h : record->HalfEdges()) uvs.push_back(h->UV());
    }
    m_LastPoint = point;
    m_State = QX_TOOL_STATE_MOVE_UVS;
    Capture(camera);
}

void CQxUVMoveTool::OnMouseMove(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    if (m_State != QX_TOOL_STATE_MOVE_UVS) {
        CQxUVSelectTool::OnMouseMove(camera, flags, point);
        return;
    }
    if (camera != m_SelectView) return;
    const CQxViewPort& viewport = camera->ViewPort();
    if (viewport.Width == 0 || viewport.Height == 0) return;
    // Measured from the button-down point, from the coordinates as they were then.
    const CQxVector2D offset(static_cast<float>(point.x - m_LastPoint.x) / static_cast<float>(viewport.Width),
                             static_cast<float>(point.y - m_LastPoint.y) /
                                 static_cast<float>(viewport.Height));
    PutBack();
    m_Selects.MoveUVs(offset);
    m_Scene->UpdateGui(QX_UPDATE_UV);
}

void CQxUVMoveTool::OnLButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point) {
    if (m_State != QX_TOOL_STATE_MOVE_UVS) {
        CQxUVSelectTool::OnLButtonUp(camera, flags, point);
        return;
    }
    if (camera != m_SelectView) return;
    Release();
    // What the drag made, then the coordinates as they were: the command makes the change again.
    std::vector<std::vector<CQxVector2D>> moved;
    for (const CQxUVSelect* record : m_Selects.Selects()) {
        std::vector<CQxVector2D>& uvs = moved.emplace_back();
        for (const CQxHalfEdge* h : record->HalfEdges()) uvs.push_back(h->UV());
    }
    const bool changed = PutBack();
    const CQxUVSelects selects = m_Selects;
    ClearDrag();
    m_State = QX_TOOL_STATE_IDLE;
    if (changed) {
        QxRunCmd<CQxUVCmd>(*m_Scene, [&](CQxUVCmd& cmd) {
            for (unsigned int r = 0; r < selects.GetSize(); ++r) {
                CQxUVSelect& record = *selects[r];
                for (unsigned int i = 0; i < record.HalfEdges().GetSize(); ++i) {
                    CQxHalfEdge* h = record.HalfEdges()[i];
                    if (h->UV() == moved[r][i]) continue;
                    cmd.Record(*record.Object(), *h);
                    h->UV() = moved[r][i];
                }
                record.Object()->UpdateGeometry();
            }
            return !cmd.IsEmpty();
        });
        m_Scene->UpdateGui(QX_UPDATE_UV);
        m_Scene->UpdateGui(QX_UPDATE_REDRAW);
    }
    m_Scene->EndOperation();
}

bool CQxUVMoveTool::PutBack() {
    bool changed = false;
    for (unsigned int r = 0; r < m_Selects.GetSize() && r < m_OldUVs.size(); ++r) {
        CQxUVSelect& record = *m_Selects[r];
        const std::vector<CQxVector2D>& uvs = m_OldUVs[r];
        for (unsigned int i = 0; i < record.HalfEdges().GetSize() && i < uvs.size(); ++i) {
            CQxHalfEdge* h = record.HalfEdges()[i];
            if (h->UV() == uvs[i]) continue;
            h->UV() = uvs[i];
            changed = true;
        }
    }
    return changed;
}

void CQxUVMoveTool::ClearDrag() {
    m_Selects.Clear();
    m_OldUVs.clear();
}

void CQxUVMoveTool::EndOperation() {
    if (m_State == QX_TOOL_STATE_MOVE_UVS) {
        Release();
        if (PutBack()) {
            for (const CQxUVSelect* record : m_Selects.Selects()) record->Object()->UpdateGeometry();
            if (m_Scene) m_Scene->UpdateGui(QX_UPDATE_UV);
        }
        ClearDrag();
    }
    CQxUVSelectTool::EndOperation();
}
