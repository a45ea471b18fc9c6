#include <cmath>
#include <cstdint>

#include "graph_tool_internal.h"
#include "qx/animation/anim_cmds.h"
#include "qx/commands/cmd_run.h"
#include "qx/math/math_helpers.h"
#include "qx/platform/input_state.h"
#include "qx/platform/window.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/scene/settings.h"
#include "qx/tools/graph_tools.h"
#include "qx/views/graph_view.h"

using namespace QxWin;
using namespace qx_graph_tool;

void CQxGraphMoveTool::Notify(CQxModel* model, unsigned int detail) {
    CQxArray<CQxModel*> models;
    if (model) models.PushBack(model);
    m_Scene->UpdateGui(QX_UPDATE_ANIM_KEY, &models,
                       reinterpret_cast<void*>(static_cast<std::uintptr_t>(detail)));
}

float CQxGraphMoveTool::GetAngle(const CQxGraphView& view, const CQxRect& curve, CQxPoint point) const {
    const float dx = static_cast<float>(point.x - m_KeyPoint.x) * (view.MaxX() - view.MinX()) / curve.Width();
    const float dy =
        -static_cast<float>(point.y - m_KeyPoint.y) * (view.MaxY() - view.MinY()) / curve.Height();
    return std::atan2(dy, dx);
}

void CQxGraphMoveTool::OnLButtonDown(CQxModel* model, CQxGraphView* view, unsigned int flags,
                                     CQxPoint point) {
    if (!m_Scene || !view) return;
    m_Scene->EndOperation();
    CQxRect curve;
    CQxAnimItemSelect hit;
    if (!model || !GetCurveRect(*view, curve) ||
        !model->Anim().IsPointHit(point, curve, view->MinX(), view->MaxX(), view->MinY(), view->MaxY(),
                                  hit)) {
        BeginSelect(view, flags, point);
        return;
    }
    if (!hit.HasSelectSubItems()) {
        UnselectKeys(model->Anim());
        if (hit.HasNodes())
            hit.SelectNodes(1);
        else
            hit.SelectTans(1);
        m_Scene->UpdateGui(QX_UPDATE_GRAPH, model);
    }
    BeginDrag(model, view, hit, point);
}

// Captures what the drag will change: the selected keys when a key was grabbed, the selected
// handles when a handle was.
void CQxGraphMoveTool::BeginDrag(CQxModel* model, CQxGraphView* view, const CQxAnimItemSelect& hit,
                                 CQxPoint point) {
    ClearCapture();
    m_Model = model;
    m_DragStart = point;
    m_LastPoint = point;
    m_IsRubberBand = 0;
    model->Anim().GetSelectSubItems(m_Selects);
    if (hit.HasNodes()) {
        m_Selects.ClearTans();
        m_Selects.GetNodePositions(m_KeyPositions);
        m_Selects.UpdateNodeIndices();
        m_Selects.GetNodeIndices(m_KeyIndices);
        m_State = QX_TOOL_STATE_MOVE_KEYS;
    } else {
        m_Selects.ClearNodes();
        m_Selects.GetTans(m_TanSlopes);
        m_Selects.GetTanTypes(m_TanTypes);
        m_Selects.GetTanAngles(m_TanAngles);
        for (const CQxAnimItemSelect* record : m_Selects.Selects())
            for (const auto* tangents : {&record->PrevTans, &record->NextTans})
                for (CQxSplineNode* n : *tangents)
                    m_TangentKeys.push_back(
                        {n, n->PrevTan, n->NextTan, n->IsSeparated, n->PrevTanType, n->NextTanType});
        CQxRect curve;
        CQxPoint handle;
        GetCurveRect(*view, curve);
        hit.GetSelectTanPoint(handle, m_KeyPoint, QxGraphTangentSize(), curve, view->MinX(), view->MaxX(),
                              view->MinY(), view->MaxY());
        m_CurAngle = GetAngle(*view, curve, handle);
        m_State = QX_TOOL_STATE_TURN_TANGENT;
    }
    m_SelectView = view;
    if (view->GetHwnd()) SetCapture(view->GetHwnd());
    Notify(model, 3);
}

void CQxGraphMoveTool::OnMouseMove(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point) {
    if (m_State == QX_TOOL_STATE_MOVE_KEYS)
        DragKeys(view, point);
    else if (m_State == QX_TOOL_STATE_TURN_TANGENT)
        TurnTangents(view, point);
    else
        CQxGraphSelectTool::OnMouseMove(model, view, flags, point);
}

// Keys go to where they started plus the whole offset so far, so the keys shown at the end are
// exactly the ones the command makes.
void CQxGraphMoveTool::DragKeys(CQxGraphView* view, CQxPoint point) {
    CQxRect curve;
    if (!view || view != m_SelectView || !GetCurveRect(*view, curve)) return;
    const CQxVector2D step(
        static_cast<float>(point.x - m_LastPoint.x) * (view->MaxX() - view->MinX()) / curve.Width(),
        -static_cast<float>(point.y - m_LastPoint.y) * (view->MaxY() - view->MinY()) / curve.Height());
    const CQxVector2D offset(m_Offset.x + step.x, m_Offset.y + step.y);
    if (!std::isfinite(offset.x) || !std::isfinite(offset.y)) return;
    m_Offset = offset;
    Restore();
    m_Selects.MoveNodes(m_Offset, 1);
    m_LastPoint = point;
    m_IsRubberBand = 1;
    Notify(m_Model, 3);
}

void CQxGraphMoveTool::TurnTangents(CQxGraphView* view, CQxPoint point) {
    CQxRect curve;
    if (!view || view != m_SelectView || !GetCurveRect(*view, curve)) return;
    const float angle = GetAngle(*view, curve, point);
    if (!std::isfinite(angle)) return;
    const float delta = QxGetNearDeltaAngle(m_CurAngle, angle);
    m_CurAngle += delta;
    m_AngleDelta += delta;
    m_Selects.SetTanAngles(GetTurnedAngles(), 1);
    m_LastPoint = point;
    m_IsRubberBand = 1;
    Notify(m_Model, 3);
}

void CQxGraphMoveTool::OnLButtonUp(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point) {
    if (m_State != QX_TOOL_STATE_MOVE_KEYS && m_State != QX_TOOL_STATE_TURN_TANGENT) {
        CQxGraphSelectTool::OnLButtonUp(model, view, flags, point);
        return;
    }
    if (view != m_SelectView) return;
    // The command makes the change itself from the captured state; the gesture is over first, so
    // that the command's EndOperation finds nothing to put back.
    const bool keys = m_State == QX_TOOL_STATE_MOVE_KEYS;
    const bool moved =
        m_IsRubberBand && (keys ? (m_Offset.x != 0.0f || m_Offset.y != 0.0f) : m_AngleDelta != 0.0f);
    const CQxPtrArray<CQxArray<float>> angles = GetTurnedAngles();
    PutBack();
    CQxAnimItemSelects selects;
    selects.Selects().Swap(m_Selects.Selects());
    const CQxVector2D offset = m_Offset;
    CQxModel* dragged = m_Model;
    ClearCapture();
    ReleaseView();
    if (moved && dragged) {
        if (keys) {
            m_Scene->MoveKeysCmd(dragged, offset, selects, 1);
        } else {
            QxRunCmd<CQxAnimAttributeCmd>(*m_Scene, [&](CQxAnimAttributeCmd& cmd) {
                return cmd.SetTanAngles(dragged, selects, angles, 1);
            });
        }
    } else {
        Notify(dragged, 3);
    }
    m_Scene->EndOperation();
}

void CQxGraphMoveTool::Restore() {
    if (m_State == QX_TOOL_STATE_MOVE_KEYS) {
        for (unsigned int i = 0; i < m_Selects.GetSize() && i < m_KeyPositions.GetSize(); ++i) {
            const CQxArray<CQxSplineNode*>& nodes = m_Selects[i]->Nodes;
            const CQxArray<CQxVector2D>& positions = *m_KeyPositions[i];
            for (unsigned int j = 0; j < nodes.GetSize() && j < positions.GetSize(); ++j) {
                nodes[j]->X = positions[j].x;
                nodes[j]->Y = positions[j].y;
            }
        }
    } else if (m_State == QX_TOOL_STATE_TURN_TANGENT) {
        for (const TangentKey& k : m_TangentKeys) {
            k.Node->PrevTan = k.PrevTan;
            k.Node->NextTan = k.NextTan;
            k.Node->IsSeparated = k.IsSeparated;
            k.Node->PrevTanType = k.PrevTanType;
            k.Node->NextTanType = k.NextTanType;
        }
    }
}

void CQxGraphMoveTool::PutBack() {
    const bool keys = m_State == QX_TOOL_STATE_MOVE_KEYS;
    Restore();
    for (const CQxAnimItemSelect* record : m_Selects.Selects())
        if (record->Item) record->Item->Spline().UpdateEquations(keys);
}

CQxPtrArray<CQxArray<float>> CQxGraphMoveTool::GetTurnedAngles() const {
    CQxPtrArray<CQxArray<float>> angles(m_TanAngles);
    for (CQxArray<float>* list : angles)
        for (float& a : *list) a += m_AngleDelta;
    return angles;
}

void CQxGraphMoveTool::ClearCapture() {
    m_Selects.Clear();
    m_KeyPositions.Clear();
    m_KeyIndices.Clear();
    m_TanSlopes.Clear();
    m_TanTypes.Clear();
    m_TanAngles.Clear();
    m_TangentKeys.clear();
    m_Offset = CQxVector2D();
    m_AngleDelta = 0.0f;
    m_CurAngle = 0.0f;
    m_Model = nullptr;
}

void CQxGraphMoveTool::EndOperation() {
    if (m_State == QX_TOOL_STATE_MOVE_KEYS || m_State == QX_TOOL_STATE_TURN_TANGENT) {
        PutBack();
        CQxModel* model = m_Model;
        ClearCapture();
        ReleaseView();
        Notify(model, 3);
    }
    CQxGraphSelectTool::EndOperation();
}
