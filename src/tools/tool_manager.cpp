#include "qx/tools/tool_manager.h"

#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/tools/graph_tools.h"
#include "qx/tools/ik_handle_tool.h"
#include "qx/tools/joint_tools.h"
#include "qx/tools/modelling_tools.h"
#include "qx/tools/play_tool.h"
#include "qx/tools/tool.h"
#include "qx/tools/transform_tool.h"
#include "qx/tools/uv_tools.h"

CQxToolManager::~CQxToolManager() {
    Clear();
}

void CQxToolManager::Bind(CQxScene* scene) {
    Clear();
    m_Scene = scene;
    m_CurTool = QX_TOOL_MOVE;
}

void CQxToolManager::Register(QX_TOOL_TYPE id, CQxTool* tool) {
    auto [it, inserted] = m_Tools.emplace(id, tool);
    if (!inserted) {
        delete it->second;
        it->second = tool;
    }
    if (auto* select = dynamic_cast<CQxSelectTool*>(tool)) {
        select->SetCurSelect(m_CurSelect);
        select->SetComponentTypes(m_ComponentTypes);
    }
}

void CQxToolManager::Create(CQxScene* scene) {
    Bind(scene);
    for (QX_TOOL_TYPE id : {QX_TOOL_PLAY, QX_TOOL_SELECT, QX_TOOL_SCALE, QX_TOOL_ROTATE, QX_TOOL_MOVE,
                            QX_TOOL_EXTRUDE, QX_TOOL_UV_MAP, QX_TOOL_COMPONENT_A, QX_TOOL_COMPONENT_B,
                            QX_TOOL_COMPONENT_C, QX_TOOL_WEIGHT_PAINT, QX_TOOL_IK_HANDLE, QX_TOOL_CREATE_FACE,
                            QX_TOOL_JOINT, QX_TOOL_MATERIAL, QX_TOOL_SHADE_ON, QX_TOOL_SHADE_OFF}) {
        CQxTool* tool = nullptr;
        switch (id) {
        case QX_TOOL_SELECT: tool = new CQxSelectTool(scene); break;
        case QX_TOOL_SCALE: tool = new CQxScaleTool(scene); break;
        case QX_TOOL_ROTATE: tool = new CQxRotateTool(scene); break;
        case QX_TOOL_MOVE: tool = new CQxMoveTool(scene); break;
        case QX_TOOL_EXTRUDE: tool = new CQxExtrudeTool(scene); break;
        case QX_TOOL_UV_MAP: tool = new CQxUVMapTool(scene); break;
        case QX_TOOL_IK_HANDLE: tool = new CQxIKHandleTool(scene); break;
        case QX_TOOL_COMPONENT_A:
        case QX_TOOL_COMPONENT_B:
        case QX_TOOL_COMPONENT_C: tool = new CQxComponentSelectTool(scene); break;
        case QX_TOOL_JOINT: tool = new CQxJointTool(scene); break;
        case QX_TOOL_WEIGHT_PAINT: tool = new CQxWeightPaintTool(scene); break;
        case QX_TOOL_CREATE_FACE: tool = new CQxCreateFaceTool(scene); break;
        case QX_TOOL_MATERIAL: tool = new CQxMaterialTool(scene); break;
        case QX_TOOL_SHADE_ON: tool = new CQxShadeTool(scene, 1); break;
        case QX_TOOL_SHADE_OFF: tool = new CQxShadeTool(scene, 0); break;
        case QX_TOOL_PLAY: tool = new CQxPlayTool(scene); break;
        default: break;
        }
        Register(id, tool);
    }
}

void CQxToolManager::CreateUV(CQxScene* scene) {
    Bind(scene);
    Register(QX_TOOL_SELECT, new CQxUVSelectTool(scene));
    Register(QX_TOOL_MOVE, new CQxUVMoveTool(scene));
}

void CQxToolManager::CreateGraph(CQxScene* scene) {
    Bind(scene);
    Register(QX_TOOL_SELECT, new CQxGraphSelectTool(scene));
    Register(QX_TOOL_MOVE, new CQxGraphMoveTool(scene));
}

void CQxToolManager::Clear() {
    for (auto& [id, tool] : m_Tools) delete tool;
    m_Tools.clear();
}

CQxTool* CQxToolManager::GetTool(QX_TOOL_TYPE tool) const {
    const auto it = m_Tools.find(tool);
    return it == m_Tools.end() ? nullptr : it->second;
}

CQxTool& CQxToolManager::Current() const {
    CQxTool* tool = GetCurToolObject();
    if (!tool) throw QX_ERROR_NO_TOOL;
    return *tool;
}

template <class F>
void CQxToolManager::ForEachSelectTool(F f) {
    for (auto& [id, tool] : m_Tools)
        if (tool && tool->IsSelectTool()) f(static_cast<CQxSelectTool&>(*tool));
}

int CQxToolManager::IsComponentTypesEnabled() const {
    CQxTool* tool = GetCurToolObject();
    return tool && tool->IsSelectTool() && m_CurSelect == QX_SELECT_COMPONENT;
}

void CQxToolManager::SwitchComponentMode(QX_SELECT_TYPE select) {
    if (!m_Scene) return;
    if (m_CurSelect == QX_SELECT_COMPONENT || select == QX_SELECT_COMPONENT)
        m_Scene->RootModel().SetComponentMode(select == QX_SELECT_COMPONENT, 1);
    m_Scene->UnselectObejcts(1);
}

void CQxToolManager::ApplyFixedSelect(QX_SELECT_TYPE select, unsigned int kinds) {
    if (select == QX_SELECT_NONE) return;
    if (select != m_CurSelect) {
        SwitchComponentMode(select);
        m_CurSelect = select;
        ForEachSelectTool([select](CQxSelectTool& tool) { tool.SetCurSelect(select); });
    }
    if (m_CurSelect == QX_SELECT_COMPONENT && kinds) {
        m_ComponentTypes |= kinds;
        const unsigned int types = m_ComponentTypes;
        ForEachSelectTool([types](CQxSelectTool& tool) { tool.SetComponentTypes(types); });
    }
}

void CQxToolManager::SetCurTool(QX_TOOL_TYPE id) {
    CQxTool* next = GetTool(id);
    if (id == m_CurTool || !next) return;
    if (CQxTool* current = GetCurToolObject()) current->ClearTool();
    ApplyFixedSelect(next->IsSelectFixed(), next->GetFixedComponentTypes());
    m_CurTool = id;
    if (!m_Scene) return;
    m_Scene->PrepareTool();
    m_Scene->UpdateGui(QX_UPDATE_TOOL);
    m_Scene->UpdateGui(QX_UPDATE_REDRAW);
}

void CQxToolManager::SetCurSelect(QX_SELECT_TYPE select) {
    if (select == m_CurSelect) return;
    if (m_Scene) {
        m_Scene->EndOperation();
        if (m_CurSelect == QX_SELECT_COMPONENT || select == QX_SELECT_COMPONENT) SwitchComponentMode(select);
    }
    m_CurSelect = select;
    ForEachSelectTool([select](CQxSelectTool& tool) { tool.SetCurSelect(select); });
    if (m_Scene) m_Scene->PrepareTool();
}

void CQxToolManager::SetComponentTypes(unsigned int types) {
    if (types == m_ComponentTypes) return;
    if (m_Scene) m_Scene->EndOperation();
    m_ComponentTypes = types;
    ForEachSelectTool([types](CQxSelectTool& tool) { tool.SetComponentTypes(types); });
    if (m_Scene) m_Scene->PrepareTool();
}

// --- Forwarding ---------------------------------------------------------------------------------
// Input goes to the current tool, if any; questions about it need one.

#define QX_FORWARD_INPUT(Name)                                                                           \
    void CQxToolManager::Name(CQxModel* model, CQxGraphView* view, unsigned int flags, CQxPoint point) {   \
        if (CQxTool* tool = GetCurToolObject()) tool->Name(model, view, flags, point);                     \
    }                                                                                                    \
    void CQxToolManager::Name(CQxCamera* camera, unsigned int flags, CQxPoint point) {                      \
        if (CQxTool* tool = GetCurToolObject()) tool->Name(camera, flags, point);                          \
    }
QX_FORWARD_INPUT(OnLButtonDown)
QX_FORWARD_INPUT(OnLButtonUp)
QX_FORWARD_INPUT(OnRButtonDown)
QX_FORWARD_INPUT(OnRButtonUp)
QX_FORWARD_INPUT(OnMButtonDown)
QX_FORWARD_INPUT(OnMButtonUp)
QX_FORWARD_INPUT(OnMouseMove)
QX_FORWARD_INPUT(OnMouseHover)
#undef QX_FORWARD_INPUT

void CQxToolManager::OnTimer(CQxCamera* camera, unsigned int id) {
    if (CQxTool* tool = GetCurToolObject()) tool->OnTimer(camera, id);
}

void CQxToolManager::OnMouseWheel(CQxModel* model, CQxGraphView* view, unsigned int flags, short delta,
                                  CQxPoint point) {
    if (CQxTool* tool = GetCurToolObject()) tool->OnMouseWheel(model, view, flags, delta, point);
}

void CQxToolManager::OnMouseWheel(CQxCamera* camera, unsigned int flags, short delta, CQxPoint point) {
    if (CQxTool* tool = GetCurToolObject()) tool->OnMouseWheel(camera, flags, delta, point);
}

void CQxToolManager::OnKeyDown(CQxModel* model, CQxGraphView* view, unsigned int key, unsigned int repeat,
                               unsigned int flags) {
    if (CQxTool* tool = GetCurToolObject()) tool->OnKeyDown(model, view, key, repeat, flags);
}

void CQxToolManager::OnKeyDown(CQxCamera* camera, unsigned int key, unsigned int repeat, unsigned int flags) {
    if (CQxTool* tool = GetCurToolObject()) tool->OnKeyDown(camera, key, repeat, flags);
}

int CQxToolManager::OnSetCursor(unsigned int hitTest) {
    CQxTool* tool = GetCurToolObject();
    return tool ? tool->OnSetCursor(hitTest) : 0;
}

void CQxToolManager::PrepareTool() {
    if (CQxTool* tool = GetCurToolObject()) tool->PrepareTool();
}

void CQxToolManager::EndOperation() {
    if (CQxTool* tool = GetCurToolObject()) tool->EndOperation();
}

void CQxToolManager::ClearTool() {
    if (CQxTool* tool = GetCurToolObject()) tool->ClearTool();
}

int CQxToolManager::IsOperating() {
    CQxTool* tool = GetCurToolObject();
    return tool ? tool->IsOperating() : 0;
}

int CQxToolManager::IsSelectTool() { return Current().IsSelectTool(); }
QX_SELECT_TYPE CQxToolManager::IsSelectFixed() { return Current().IsSelectFixed(); }
int CQxToolManager::IsNumericalEnable() { return Current().IsNumericalEnable(); }
QX_NUMERICAL_TYPE CQxToolManager::GetNumericalType() { return Current().GetNumericalType(); }
unsigned int CQxToolManager::GetValueFlags() { return Current().GetValueFlags(); }
QX_VALUE_TYPE CQxToolManager::GetValueType() { return Current().GetValueType(); }
int CQxToolManager::SetValueType(QX_VALUE_TYPE type) { return Current().SetValueType(type); }
unsigned int CQxToolManager::GetCoordFlags() { return Current().GetCoordFlags(); }
QX_COORD_TYPE CQxToolManager::GetCoordType() { return Current().GetCoordType(); }
int CQxToolManager::SetCoordType(QX_COORD_TYPE type) { return Current().SetCoordType(type); }
int CQxToolManager::GetNumericalValue(float& value) { return Current().GetNumericalValue(value); }
int CQxToolManager::GetNumericalValue(CQxVector& value) { return Current().GetNumericalValue(value); }
int CQxToolManager::SetNumericalValue(float value) { return Current().SetNumericalValue(value); }
int CQxToolManager::SetNumericalValue(const CQxVector& value) { return Current().SetNumericalValue(value); }
