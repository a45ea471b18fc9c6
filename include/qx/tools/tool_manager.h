#pragma once

#include <map>

#include "qx/export.h"
#include "qx/math/point_rect.h"
#include "qx/math/vector.h"

class CQxCamera;
class CQxGraphView;
class CQxModel;
class CQxScene;
class CQxTool;

// Identifiers of the tools a manager holds.
enum QX_TOOL_TYPE : unsigned int {
    QX_TOOL_NONE = 0,
    QX_TOOL_SELECT = 1,
    QX_TOOL_SCALE = 2,
    QX_TOOL_ROTATE = 3,
    QX_TOOL_MOVE = 4,
    QX_TOOL_EXTRUDE = 5,
    QX_TOOL_CREATE_FACE = 6,
    QX_TOOL_MATERIAL = 7,
    QX_TOOL_SHADE_ON = 8,
    QX_TOOL_SHADE_OFF = 9,
    QX_TOOL_UV_MAP = 10,
    QX_TOOL_COMPONENT_A = 11,
    QX_TOOL_COMPONENT_B = 12,
    QX_TOOL_COMPONENT_C = 13,
    QX_TOOL_PLAY = 14,
    QX_TOOL_JOINT = 15,
    QX_TOOL_WEIGHT_PAINT = 16,
    QX_TOOL_IK_HANDLE = 17,
};

// What a click in a 3D view picks.
enum QX_SELECT_TYPE : unsigned int {
    QX_SELECT_NONE = 0,      // a tool that does not force a select type
    QX_SELECT_TREE = 1,      // objects with their subtrees
    QX_SELECT_OBJECT = 2,    // whole objects
    QX_SELECT_PIVOT = 3,     // objects whose pivots are edited
    QX_SELECT_COMPONENT = 4, // vertices, edges or faces
};

// The frame a transform tool works in (bit values, so a tool can accept several).
enum QX_COORD_TYPE : unsigned int {
    QX_COORD_WORLD = 1,
    QX_COORD_LOCAL = 2,  // the parent's axes
    QX_COORD_OBJECT = 4, // the selected object's own axes
};

// Which numeric value a tool shows (bit values).
enum QX_VALUE_TYPE : unsigned int {
    QX_VALUE_ABSOLUTE = 1,
    QX_VALUE_RELATIVE = 2, // the change made by the gesture
};

// The shape of a tool's numeric entry.
enum QX_NUMERICAL_TYPE : unsigned int {
    QX_NUMERICAL_NONE = 0,
    QX_NUMERICAL_VECTOR = 3,   // a position, offset or scale factors
    QX_NUMERICAL_ROTATION = 4, // three angles
};

// Thrown by a manager asked a question about its current tool when it holds none under the
// current identifier (the only exception the library throws).
enum QX_ERROR_TYPE : unsigned int {
    QX_ERROR_NONE = 0,
    QX_ERROR_NO_TOOL = 1,
};

// The editing state of one kind of view (3D, UV or graph): the tools, which of them is current,
// what clicks select and the numeric entry of the current tool. Every input operation is handed
// to the current tool with the view it came from; a view calls exactly one per window event.
//
// Operations that return nothing do nothing while no tool is current; those that answer a
// question about the current tool throw QX_ERROR_NO_TOOL then.
class QX_API CQxToolManager {
public:
    CQxToolManager() = default;
    CQxToolManager(const CQxToolManager&) = delete;
    CQxToolManager& operator=(const CQxToolManager&) = delete;

    // Clear, bind to the scene, make the move tool current and register the tools of the 3D
    // views, the UV view or the graph view. Select tools take the manager's current select and
    // component types, which are kept.
    void Create(CQxScene* scene);
    void CreateUV(CQxScene* scene);
    void CreateGraph(CQxScene* scene);
    // Deletes every tool.
    void Clear();
    CQxScene* GetScene() const { return m_Scene; }

    // Switching tools clears the old one and applies the new one's fixed select type and
    // component kinds; an identifier without a tool, or the current one, changes nothing.
    void SetCurTool(QX_TOOL_TYPE tool);
    QX_TOOL_TYPE GetCurTool() const { return m_CurTool; }
    // A new select type ends the scene's operation and, when component selection is entered or
    // left, switches the whole object tree's component mode and clears the selection; then the
    // tools are prepared.
    void SetCurSelect(QX_SELECT_TYPE select);
    QX_SELECT_TYPE GetCurSelect() const { return m_CurSelect; }
    // Which component kinds the select tools pick (hit-mask bits).
    void SetComponentTypes(unsigned int types);
    unsigned int GetComponentTypes() const { return m_ComponentTypes; }
    // A select tool is current and components are picked.
    int IsComponentTypesEnabled() const;
    // The tool registered under the identifier, or null.
    CQxTool* GetTool(QX_TOOL_TYPE tool) const;
    // The current tool, or null.
    CQxTool* GetCurToolObject() const { return GetTool(m_CurTool); }

    // --- Virtual interface, in its fixed order ------------------------------------------------
    virtual ~CQxToolManager();
    virtual void OnTimer(CQxCamera* camera, unsigned int id);
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
    virtual void OnMouseMove(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point);
    virtual void OnMouseMove(CQxCamera* camera, unsigned int flags, CQxPoint point);
    virtual void OnMouseHover(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point);
    virtual void OnMouseHover(CQxCamera* camera, unsigned int flags, CQxPoint point);
    virtual void OnKeyDown(CQxModel* model, CQxGraphView* view, unsigned int key, unsigned int repeat,
                           unsigned int flags);
    virtual void OnKeyDown(CQxCamera* camera, unsigned int key, unsigned int repeat, unsigned int flags);
    // Nonzero when the tool set the cursor.
    virtual int OnSetCursor(unsigned int hitTest);
    virtual void PrepareTool();
    virtual void EndOperation();
    virtual void ClearTool();
    virtual int IsOperating();
    virtual int IsSelectTool();
    virtual QX_SELECT_TYPE IsSelectFixed();
    virtual int IsNumericalEnable();
    virtual QX_NUMERICAL_TYPE GetNumericalType();
    virtual unsigned int GetValueFlags();
    virtual QX_VALUE_TYPE GetValueType();
    virtual int SetValueType(QX_VALUE_TYPE type);
    virtual unsigned int GetCoordFlags();
    virtual QX_COORD_TYPE GetCoordType();
    virtual int SetCoordType(QX_COORD_TYPE type);
    virtual int GetNumericalValue(float& value);
    virtual int GetNumericalValue(CQxVector& value);
    virtual int SetNumericalValue(float value);
    virtual int SetNumericalValue(const CQxVector& value);
    // --- End of the fixed virtual interface ----------------------------------------------------

private:
    void Bind(CQxScene* scene);
    void Register(QX_TOOL_TYPE id, CQxTool* tool);
    // The current tool; throws QX_ERROR_NO_TOOL when there is none.
    CQxTool& Current() const;
    // Calls f on every select tool in ascending identifier order.
    template <class F>
    void ForEachSelectTool(F f);
    void ApplyFixedSelect(QX_SELECT_TYPE select, unsigned int kinds);
    void SwitchComponentMode(QX_SELECT_TYPE select);

    CQxScene* m_Scene = nullptr;
    QX_TOOL_TYPE m_CurTool = QX_TOOL_NONE;
    QX_SELECT_TYPE m_CurSelect = QX_SELECT_OBJECT;
    unsigned int m_ComponentTypes = 31;
    std::map<unsigned int, CQxTool*> m_Tools;
};
