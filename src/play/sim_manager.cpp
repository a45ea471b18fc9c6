#include "qx/play/sim_manager.h"

#include <algorithm>

#include "qx/play/scene_simulator.h"

CQxSimManager::~CQxSimManager() {
    Clear();
}

int CQxSimManager::Create(QX_SIM_TYPE type, CQxScene* scene, CQxMsgHandler* handler) {
    Clear();
    m_Scene = scene;
    m_MsgHandler = handler;
    auto* root = new CQxSceneSimulator(this);
    if (!root->Create(type, scene)) {
        delete root;
        return 0;
    }
    m_RootSimulator = root;
    return 1;
}

int CQxSimManager::SendMessageA(const CQxMsg& msg) {
    if (m_MsgHandler && m_MsgHandler->OnMessage(msg)) return 1;
    return m_RootSimulator ? m_RootSimulator->OnMessage(msg) : 0;
}

void CQxSimManager::AddSimulator(CQxSimulator* simulator) {
    simulator->m_SimID = m_NextID++;
    m_Simulators.push_back(simulator);
}

void CQxSimManager::RemoveSimulator(CQxSimulator* simulator) {
    auto found = Find(simulator->GetSimID());
    if (found != m_Simulators.end() && *found == simulator) m_Simulators.erase(found);
}

CQxSimulator* CQxSimManager::GetSimulator(unsigned int id) const {
    auto found = Find(id);
    return found == m_Simulators.end() ? nullptr : *found;
}

std::vector<CQxSimulator*>::const_iterator CQxSimManager::Find(unsigned int id) const {
    // Ascending identifiers: stop at the first one not smaller.
    auto found = std::find_if(m_Simulators.begin(), m_Simulators.end(),
                              [id](const CQxSimulator* s) { return s->GetSimID() >= id; });
    return found != m_Simulators.end() && (*found)->GetSimID() == id ? found : m_Simulators.end();
}

void CQxSimManager::Clear() {
    delete m_RootSimulator;
    m_RootSimulator = nullptr;
    m_Reserved.clear();
    m_NextID = 0;
    m_Scene = nullptr;
    m_MsgHandler = nullptr;
}
