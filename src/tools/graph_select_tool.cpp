#include "graph_tool_internal.h"
#include "qx/platform/input_state.h"
#include "qx/platform/window.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/tools/graph_tools.h"
#include "qx/views/graph_view.h"

using namespace QxWin;

namespace qx_graph_tool {

void UnselectKeys(CQxAnim& anim) {
    anim.ForEachItem([](CQxAnimItem& item) {
        for (CQxSplineNode* node : item.Spline().Nodes()) {
            node->Select(0);
            node->SelectPrevTan(0);
            node->SelectNextTan(0);
        }
    });
}

void ApplyPick(CQxAnim& anim, const CQxAnimItemSelects& hits) {
    UnselectKeys(anim);
    if (hits.HasNodes())
        hits.SelectNodes(1);
    else
        hits.SelectTans(1);
}

int ModeFromFlags(unsigned int flags) {
    if (flags & MK_SHIFT) return kAdd;
    if (flags & MK_CONTROL) return kToggle;
    return kReplace;
}

bool GetCurveRect(const CQxGraphView& view, CQxRect& curve) {
    CQxRect viewRect;
    return view.GetRects(viewRect, curve) && !curve.IsRectEmpty();
}

void Repaint(CQxGraphView* view) {
    if (!view) return;
    view->Invalidate(nullptr, 0);
    if (view->GetHwnd()) UpdateWindow(view->GetHwnd());
}

} // namespace qx_graph_tool

using namespace qx_graph_tool;

CQxRect CQxGraphSelectTool::GetRubberBand() const {
    CQxRect rect(m_LastPoint, m_RubberBandCorner);
    rect.NormalizeRect();
    return rect;
}

void CQxGraphSelectTool::OnLButtonDown(CQxModel* /*model*/, CQxGraphView* view, unsigned int flags,
                                       CQxPoint point) {
    if (!m_Scene || !view) return;
    // A gesture whose button-up never came (the capture was lost) ends here, cleanly.
    m_Scene->EndOperation();
    BeginSelect(view, flags, point);
}

void CQxGraphSelectTool::OnMouseMove(CQxModel* /*model*/, CQxGraphView* view, unsigned int /*flags*/,
                                     CQxPoint point) {
    DragSelect(view, point);
}

void CQxGraphSelectTool::OnLButtonUp(CQxModel* model, CQxGraphView* view, unsigned int /*flags*/,
                                     CQxPoint /*point*/) {
    EndSelect(model, view);
}

void CQxGraphSelectTool::BeginSelect(CQxGraphView* view, unsigned int flags, CQxPoint point) {
    m_LastPoint = point;
    m_RubberBandCorner = point;
    m_IsRubberBand = 0;
    m_SelectMode = ModeFromFlags(flags);
    m_SelectView = view;
    m_State = QX_TOOL_STATE_SELECT;
    if (view->GetHwnd()) SetCapture(view->GetHwnd());
}

// The band is drawn by the view over its curves, so showing it is repainting the view.
void CQxGraphSelectTool::DragSelect(CQxGraphView* view, CQxPoint point) {
    if (m_State != QX_TOOL_STATE_SELECT || !view || view != m_SelectView) return;
    m_RubberBandCorner = point;
    m_IsRubberBand = 1;
    Repaint(view);
}

void CQxGraphSelectTool::EndSelect(CQxModel* model, CQxGraphView* view) {
    if (m_State != QX_TOOL_STATE_SELECT || !view || view != m_SelectView) return;
    const bool band = m_IsRubberBand != 0;
    const CQxRect pick = GetRubberBand();
    ReleaseView();
    CQxRect curve;
    if (!model || !GetCurveRect(*view, curve)) return;
    CQxAnim& anim = model->Anim();
    CQxAnimItemSelects hits;
    const float minX = view->MinX(), maxX = view->MaxX(), minY = view->MinY(), maxY = view->MaxY();
    if (!band) {
        anim.IsPointHit(m_LastPoint, curve, minX, maxX, minY, maxY, hits);
    } else {
        CQxRect common;
        if (common.IntersectRect(pick, curve)) anim.IsRectHit(pick, curve, minX, maxX, minY, maxY, hits);
    }
    ApplyPick(anim, hits);
    m_Scene->UpdateGui(QX_UPDATE_GRAPH, model);
}

void CQxGraphSelectTool::ReleaseView() {
    CQxGraphView* view = m_SelectView;
    if (view && view->GetHwnd() && GetCapture() == view->GetHwnd()) ReleaseCapture();
    const bool shown = IsRubberBandShown() != 0;
    m_IsRubberBand = 0;
    m_SelectView = nullptr;
    m_State = QX_TOOL_STATE_IDLE;
    if (shown) Repaint(view);
}

void CQxGraphSelectTool::EndOperation() {
    if (m_State == QX_TOOL_STATE_SELECT) ReleaseView();
    m_IsRubberBand = 0;
    m_SelectView = nullptr;
    CQxTool::EndOperation();
}
