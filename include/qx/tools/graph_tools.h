#pragma once

#include <vector>

#include "qx/animation/anim_select.h"
#include "qx/basis/array.h"
#include "qx/basis/ptr_array.h"
#include "qx/export.h"
#include "qx/math/point_rect.h"
#include "qx/math/vector2d.h"
#include "qx/tools/tool.h"

class CQxAnim;

// Gesture states of the graph tools besides the select gesture (state 6).
enum : unsigned int {
    QX_TOOL_STATE_MOVE_KEYS = 7,
    QX_TOOL_STATE_TURN_TANGENT = 21,
};

// Picks keys and tangent handles in the graph view (graph tool 1), by a click or a rubber band,
// in the view's curve rectangle. A plain pick replaces the key selection, Shift adds to it and
// Ctrl toggles; a pick holding keys selects the keys, otherwise the handles it found. A click on
// nothing clears the selection.
class QX_API CQxGraphSelectTool : public CQxTool {
public:
    explicit CQxGraphSelectTool(CQxScene* scene) : CQxTool(scene) {}

    void OnMouseMove(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point) override;
    void OnLButtonDown(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point) override;
    void OnLButtonUp(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point) override;
    using CQxTool::OnLButtonDown;
    using CQxTool::OnLButtonUp;
    using CQxTool::OnMouseMove;
    void EndOperation() override;

    // While a select gesture shows its rubber band: the band, normalised, from the button-down
    // point to the far corner, and the view it is drawn in (null when idle).
    int IsRubberBandShown() const { return m_IsRubberBand && m_State == QX_TOOL_STATE_SELECT; }
    CQxRect GetRubberBand() const;
    CQxGraphView* GetSelectView() const { return m_SelectView; }
    int GetSelectMode() const { return m_SelectMode; }

protected:
    void BeginSelect(CQxGraphView* view, unsigned int flags, CQxPoint point);
    void DragSelect(CQxGraphView* view, CQxPoint point);
    void EndSelect(CQxModel* model, CQxGraphView* view);
    // Lets go of the mouse and repaints the view once the gesture is over.
    void ReleaseView();

    // Set while the band is drawn; the move tool uses it as "the drag moved something".
    int m_IsRubberBand = 0;
    int m_SelectMode = 0;
    CQxPoint m_RubberBandCorner;
    CQxGraphView* m_SelectView = nullptr;
};

// Drags keys or turns tangent handles in the graph view (graph tool 4). A button-down on a key
// or handle selects it when it is not selected yet and drags the whole selection: keys move by
// frames and value with the mouse, handles turn about their keys. Each drag that changed
// something is one undoable command at button-up; elsewhere the tool selects as tool 1 does.
class QX_API CQxGraphMoveTool : public CQxGraphSelectTool {
public:
    using CQxGraphSelectTool::CQxGraphSelectTool;

    void OnMouseMove(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point) override;
    void OnLButtonDown(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point) override;
    void OnLButtonUp(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point) override;
    using CQxGraphSelectTool::OnLButtonDown;
    using CQxGraphSelectTool::OnLButtonUp;
    using CQxGraphSelectTool::OnMouseMove;
    // A drag ended from outside puts the keys and slopes back as they were and pushes nothing.
    void EndOperation() override;

private:
    // Everything a turned tangent's key held, since turning one side of a joined key turns both.
    struct TangentKey {
        CQxSplineNode* Node;
        float PrevTan, NextTan;
        unsigned char IsSeparated, PrevTanType, NextTanType;
    };

    void BeginDrag(CQxModel* model, CQxGraphView* view, const CQxAnimItemSelect& hit, CQxPoint point);
    void DragKeys(CQxGraphView* view, CQxPoint point);
    void TurnTangents(CQxGraphView* view, CQxPoint point);
    // The angle, in frame/value units, of the line from the grabbed key's pixel to a point.
    float GetAngle(const CQxGraphView& view, const CQxRect& curve, CQxPoint point) const;
    // Puts back the captured keys or tangents (the set is kept).
    void Restore();
    // Restore, with the curves' equations brought up to date.
    void PutBack();
    // The captured tangent angles turned by the gesture's angle so far.
    CQxPtrArray<CQxArray<float>> GetTurnedAngles() const;
    void ClearCapture();
    void Notify(CQxModel* model, unsigned int detail);

    CQxPoint m_DragStart;
    CQxAnimItemSelects m_Selects;
    CQxPtrArray<CQxArray<CQxVector2D>> m_KeyPositions;
    CQxPtrArray<CQxArray<unsigned int>> m_KeyIndices;
    CQxPtrArray<CQxArray<float>> m_TanSlopes;
    CQxPtrArray<CQxArray<unsigned char>> m_TanTypes;
    CQxPtrArray<CQxArray<float>> m_TanAngles;
    CQxPoint m_KeyPoint;
    float m_CurAngle = 0.0f;
    // The drag so far (frames and value; or the turn in radians) and whom it is for.
    CQxVector2D m_Offset;
    float m_AngleDelta = 0.0f;
    std::vector<TangentKey> m_TangentKeys;
    CQxModel* m_Model = nullptr;
};
