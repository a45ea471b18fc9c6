#pragma once

#include "qx/export.h"
#include "qx/math/point_rect.h"
#include "qx/math/vector.h"
#include "qx/platform/types.h"
#include "qx/selection/select.h"
#include "qx/tools/tool_manager.h"

class CQxCamera;
class CQxGraphView;
class CQxModel;
class CQxScene;

// Gesture states shared by the tools (a tool's own gestures use other values).
enum : unsigned int {
    QX_TOOL_STATE_IDLE = 0,
    QX_TOOL_STATE_ROTATE_VIEW = 1,
    QX_TOOL_STATE_PAN_VIEW = 2,
    QX_TOOL_STATE_SELECT = 6,
};

// One way of editing in a view. A tool is idle (state 0) or inside one gesture; the base class
// navigates: a right drag orbits the camera, a middle drag pans, the wheel zooms, Enter ends the
// scene's operation and Delete deletes the selection. Derived tools override what they edit.
//
// A gesture that changes the scene applies the change live while the mouse moves and pushes
// one command when the button comes up; PrepareTool re-reads the scene after every change.
class QX_API CQxTool {
public:
    explicit CQxTool(CQxScene* scene) : m_Scene(scene) {}
    CQxTool(const CQxTool&) = delete;
    CQxTool& operator=(const CQxTool&) = delete;

    // --- Virtual interface, in its fixed order ------------------------------------------------
    virtual ~CQxTool();
    // A camera drag step: the timer re-arms itself while the drag lasts.
    virtual void OnTimer(CQxCamera* camera, unsigned int id);
    virtual void OnMouseMove(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point);
    virtual void OnMouseMove(CQxCamera* camera, unsigned int flags, CQxPoint point);
    virtual void OnMouseHover(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point);
    virtual void OnMouseHover(CQxCamera* camera, unsigned int flags, CQxPoint point);
    virtual void OnLButtonDown(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point);
    virtual void OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point);
    virtual void OnLButtonUp(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point);
    virtual void OnLButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point);
    virtual void OnRButtonDown(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point);
    virtual void OnRButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point);
    virtual void OnRButtonUp(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point);
    virtual void OnRButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point);
    virtual void OnMButtonDown(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point);
    virtual void OnMButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point);
    virtual void OnMButtonUp(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point);
    virtual void OnMButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point);
    virtual void OnMouseWheel(CQxModel* model, CQxGraphView* view, unsigned int flags, short delta,
                              CQxPoint point);
    virtual void OnMouseWheel(CQxCamera* camera, unsigned int flags, short delta, CQxPoint point);
    virtual void OnKeyDown(CQxModel* model, CQxGraphView* view, unsigned int key, unsigned int repeat,
                           unsigned int flags);
    virtual void OnKeyDown(CQxCamera* camera, unsigned int key, unsigned int repeat, unsigned int flags);
    virtual int OnSetCursor(unsigned int hitTest);
    virtual void PrepareTool();
    // Ends the scene's operation, withdraws the numeric entry and tells the host.
    virtual void ClearTool();
    virtual void EndOperation();
    virtual int IsOperating() { return m_State != 0; }
    virtual int IsSelectTool() { return 0; }
    // The select type the tool forces (0: none) and the component kinds it adds.
    virtual QX_SELECT_TYPE IsSelectFixed() { return QX_SELECT_NONE; }
    virtual unsigned int GetFixedComponentTypes() { return 0; }
    virtual int IsNumericalEnable() { return m_NumericalEnable; }
    virtual QX_NUMERICAL_TYPE GetNumericalType() { return m_NumericalType; }
    virtual unsigned int GetValueFlags() { return m_ValueFlags; }
    virtual QX_VALUE_TYPE GetValueType() { return m_ValueType; }
    // 0 for a type outside the tool's flags or the current one; otherwise prepares again.
    virtual int SetValueType(QX_VALUE_TYPE type);
    virtual unsigned int GetCoordFlags() { return m_CoordFlags; }
    virtual QX_COORD_TYPE GetCoordType() { return m_CoordType; }
    virtual int SetCoordType(QX_COORD_TYPE type);
    virtual int GetNumericalValue(float& value);
    // The absolute or the relative value, by the value type.
    virtual int GetNumericalValue(CQxVector& value);
    virtual int SetNumericalValue(float value);
    virtual int SetNumericalValue(const CQxVector& value);
    // --- End of the fixed virtual interface ----------------------------------------------------

    CQxScene* GetScene() const { return m_Scene; }
    unsigned int GetState() const { return m_State; }
    const CQxPoint& GetLastPoint() const { return m_LastPoint; }
    // The camera-drag timer while one runs (0 otherwise).
    unsigned int GetTimer() const { return m_Timer; }

protected:
    // Starts and ends the orbit and pan drags of the base class.
    void BeginCameraDrag(CQxCamera* camera, unsigned int state, CQxPoint point);
    void EndCameraDrag(CQxCamera* camera, unsigned int state);
    // Where a click that hits nothing places a point (the face and joint tools): on the plane
    // through the world origin facing the view. 0 when the mouse ray misses that plane or meets
    // it outside the depth range between the near and far planes.
    int GetViewPlanePoint(const CQxCamera& camera, CQxPoint point, CQxVector& out) const;

    CQxScene* m_Scene;
    unsigned int m_State = 0;
    CQxPoint m_LastPoint;
    int m_NumericalEnable = 0;
    QX_NUMERICAL_TYPE m_NumericalType = QX_NUMERICAL_NONE;
    unsigned int m_CoordFlags = 0;
    unsigned int m_ValueFlags = 0;
    QX_VALUE_TYPE m_ValueType = QX_VALUE_RELATIVE;
    QX_COORD_TYPE m_CoordType = QX_COORD_OBJECT;
    CQxVector m_AbsoluteValue;
    CQxVector m_RelativeValue;
    unsigned int m_Timer = 0;

private:
    // The window the camera drag's timer and capture belong to.
    HWND m_DragWindow = nullptr;
};

// Picks objects, pivots or mesh components by a click or a rubber band (tool 1), and is the base
// of the tools that pick before they act: they change only what is done with the pick (OnSelect).
// Shift adds to the selection, Ctrl (without Shift) toggles, Alt picks through to hidden
// components; a click on nothing clears the selection.
class QX_API CQxSelectTool : public CQxTool {
public:
    explicit CQxSelectTool(CQxScene* scene);

    void OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    void OnLButtonUp(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    void OnMouseMove(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    using CQxTool::OnLButtonDown;
    using CQxTool::OnLButtonUp;
    using CQxTool::OnMouseMove;
    void EndOperation() override;
    int IsSelectTool() override { return 1; }

    // --- Added virtual operations ---------------------------------------------------------------
    virtual void SetCurSelect(QX_SELECT_TYPE select) { m_SelectType = select; }
    virtual void SetComponentTypes(unsigned int types) { m_ComponentTypes = types; }
    // Applies a finished pick (the records hit, possibly none) with the gesture's select mode.
    virtual void OnSelect(CQxSelects& selects);

    QX_SELECT_TYPE GetSelectType() const { return m_SelectType; }
    QX_SELECT_MODE GetSelectMode() const { return m_SelectMode; }
    unsigned int GetComponentTypes() const { return m_ComponentTypes; }
    int IsDeep() const { return m_IsDeep; }
    int IsRubberBandShown() const { return m_IsRubberBand; }
    // The view the gesture runs in (null when idle).
    CQxCamera* GetSelectCamera() const { return m_SelectCamera; }
    // The rubber band's rectangle, normalised: from the button-down point (the last point, which
    // a select gesture does not move) to the corner.
    CQxRect GetRubberBand() const;

protected:
    // The pick of a select gesture, shared with the tools that fall back to selecting.
    void BeginSelect(CQxCamera* camera, unsigned int flags, CQxPoint point);
    void DragSelect(CQxCamera* camera, CQxPoint point);
    void EndSelect(CQxCamera* camera, CQxPoint point);

    QX_SELECT_TYPE m_SelectType = QX_SELECT_OBJECT;
    QX_SELECT_MODE m_SelectMode = QX_SELECT_REPLACE;
    int m_IsDeep = 1;
    unsigned int m_ComponentTypes = 31;
    int m_IsRubberBand = 0;
    CQxPoint m_RubberBandCorner;
    // The view the select gesture runs in (its window has the capture and the rubber band).
    CQxCamera* m_SelectCamera = nullptr;

private:
    // Shows the last frame with the rubber band over it, when one is shown.
    void ShowRubberBand(CQxCamera* camera);
    void PickRect(CQxCamera* camera, CQxSelects& selects);
    void PickPoint(CQxCamera* camera, CQxPoint point, CQxSelects& selects);
};

// The select tool fixed to component selection (tools 11 to 13).
class QX_API CQxComponentSelectTool : public CQxSelectTool {
public:
    using CQxSelectTool::CQxSelectTool;
    QX_SELECT_TYPE IsSelectFixed() override { return QX_SELECT_COMPONENT; }
};
