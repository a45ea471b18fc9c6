#pragma once

#include "qx/export.h"

class CQxScene;

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
    QX_SELECT_TREE = 1,      // objects with their subtrees
    QX_SELECT_OBJECT = 2,    // whole objects
    QX_SELECT_PIVOT = 3,     // objects whose pivots are edited
    QX_SELECT_COMPONENT = 4, // vertices, edges or faces
};

// The editing state of one kind of view (3D, UV or graph) and, later, its tools. Until tools
// exist it keeps the owner, the current tool identifier and the select type.
class QX_API CQxToolManager {
public:
    CQxToolManager() = default;
    CQxToolManager(const CQxToolManager&) = delete;
    CQxToolManager& operator=(const CQxToolManager&) = delete;
    virtual ~CQxToolManager();

    // Bind the manager to its scene for the 3D views, the UV view or the graph view; each makes
    // the move tool current and keeps the select type.
    void Create(CQxScene* scene);
    void CreateUV(CQxScene* scene);
    void CreateGraph(CQxScene* scene);
    CQxScene* GetScene() const { return m_Scene; }

    QX_TOOL_TYPE GetCurTool() const { return m_CurTool; }
    QX_SELECT_TYPE GetCurSelect() const { return m_CurSelect; }
    // A new select type ends the scene's operation and, when component selection is entered or
    // left, switches the whole object tree's component mode; then the tools are prepared.
    void SetCurSelect(QX_SELECT_TYPE select);
    unsigned int GetComponentTypes() const { return m_ComponentTypes; }

    // Let the tools re-read the scene, and end any gesture in progress.
    virtual void PrepareTool();
    virtual void EndOperation();

private:
    void Bind(CQxScene* scene);

    CQxScene* m_Scene = nullptr;
    QX_TOOL_TYPE m_CurTool = QX_TOOL_NONE;
    QX_SELECT_TYPE m_CurSelect = QX_SELECT_OBJECT;
    unsigned int m_ComponentTypes = 31;
};
