#include "qx/commands/cmd_manager.h"

#include "qx/scene/settings.h"

CQxCmdManager::CQxCmdManager() : m_MaxSize(QxUndoSize()) {}

CQxCmdManager::~CQxCmdManager() = default;

void CQxCmdManager::Create(CQxScene* scene) {
    m_Scene = scene;
}

void CQxCmdManager::SetMaxSize(unsigned int n) {
    m_MaxSize = n;
}

void CQxCmdManager::ClearAnimatedUndo(const CQxAnim& /*anim*/) {}
