#pragma once

#include <vector>

#include "qx/export.h"
#include "qx/math/point_rect.h"
#include "qx/math/vector2d.h"
#include "qx/selection/uv_select.h"
#include "qx/tools/tool.h"

// Gesture state of the UV move tool while texture coordinates are dragged.
enum : unsigned int { QX_TOOL_STATE_MOVE_UVS = 7 };

// Picks texture coordinates in the UV view (UV tool 1), by a click or a rubber band, among the
// coordinates of the selected faces. A plain pick replaces the UV selection, Shift adds to it
// and Ctrl toggles; a pick that finds nothing clears it.
class QX_API CQxUVSelectTool : public CQxTool {
public:
    using CQxTool::CQxTool;

    void OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    void OnLButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    void OnMouseMove(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    using CQxTool::OnLButtonDown;
    using CQxTool::OnLButtonUp;
    using CQxTool::OnMouseMove;
    void EndOperation() override;

    QX_SELECT_MODE GetSelectMode() const { return m_SelectMode; }
    int IsRubberBandShown() const { return m_IsRubberBand && m_State == QX_TOOL_STATE_SELECT; }
    // From the button-down point to the far corner, normalised.
    CQxRect GetRubberBand() const;
    // The view the gesture runs in (null when idle).
    CQxCamera* GetSelectView() const { return m_SelectView; }

protected:
    void BeginSelect(CQxCamera* view, unsigned int flags, CQxPoint point);
    void DragSelect(CQxCamera* view, CQxPoint point);
    void EndSelect(CQxCamera* view, CQxPoint point);
    // Takes the capture and the gesture's view; lets them go.
    void Capture(CQxCamera* view);
    void Release();

    int m_IsRubberBand = 0;
    QX_SELECT_MODE m_SelectMode = QX_SELECT_REPLACE;
    CQxPoint m_RubberBandCorner;
    CQxCamera* m_SelectView = nullptr;

private:
    // Shows the last frame with the rubber band over it, when one is shown.
    void ShowRubberBand(CQxCamera* view);
};

// Drags texture coordinates in the UV view (UV tool 4). A button-down on a coordinate selects it
// when it is not selected yet (alone, or added with Shift or Ctrl) and drags the whole UV
// selection; the view's width is one unit of u and its height one of v. Each drag that moved
// something is one undoable command at button-up; elsewhere the tool selects as tool 1 does.
class QX_API CQxUVMoveTool : public CQxUVSelectTool {
public:
    using CQxUVSelectTool::CQxUVSelectTool;

    void OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    void OnLButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    void OnMouseMove(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    using CQxUVSelectTool::OnLButtonDown;
    using CQxUVSelectTool::OnLButtonUp;
    using CQxUVSelectTool::OnMouseMove;
    // A drag ended from outside puts the coordinates back and pushes nothing.
    void EndOperation() override;

    const CQxUVSelects& GetDraggedUVs() const { return m_Selects; }

protected:
    CQxUVSelects m_Selects;
    // Per record of m_Selects, its coordinates before the drag.
    std::vector<std::vector<CQxVector2D>> m_OldUVs;

private:
    // Puts the coordinates from before the drag back; false when none had moved.
    bool PutBack();
    void ClearDrag();
};

// The component select tool fixed to faces (3D tool 10): the faces a click or rubber band
// selects get texture coordinates where the view shows their corners, the view's width one
// unit of u and its height one of v. One undoable command for each pick that changed any.
class QX_API CQxUVMapTool : public CQxComponentSelectTool {
public:
    using CQxComponentSelectTool::CQxComponentSelectTool;

    void OnLButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    using CQxComponentSelectTool::OnLButtonUp;
    unsigned int GetFixedComponentTypes() override { return 16; }
};
