#include "qx/tools/tool_manager.h"

#include "qx/scene/model.h"
#include "qx/scene/scene.h"

CQxToolManager::~CQxToolManager() = default;

void CQxToolManager::Bind(CQxScene* scene) {
    m_Scene = scene;
    m_CurTool = QX_TOOL_MOVE;
}

void CQxToolManager::Create(CQxScene* scene) {
    Bind(scene);
}

void CQxToolManager::CreateUV(CQxScene* scene) {
    Bind(scene);
}

void CQxToolManager::CreateGraph(CQxScene* scene) {
    Bind(scene);
}

void CQxToolManager::SetCurSelect(QX_SELECT_TYPE select) {
    if (select == m_CurSelect) return;
    if (m_Scene) {
        m_Scene->EndOperation();
        if (m_CurSelect == QX_SELECT_COMPONENT || select == QX_SELECT_COMPONENT)
            m_Scene->RootModel().SetComponentMode(select == QX_SELECT_COMPONENT, 1);
    }
    m_CurSelect = select;
    if (m_Scene) m_Scene->PrepareTool();
}

void CQxToolManager::PrepareTool() {}

void CQxToolManager::EndOperation() {}
