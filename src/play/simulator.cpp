#include "qx/play/simulator.h"

#include "qx/play/sim_manager.h"
#include "qx/scene/scene.h"

CQxSimulator::CQxSimulator(CQxSimManager* simManager) : m_SimManager(simManager) {
    m_SimManager->AddSimulator(this);
}

CQxSimulator::~CQxSimulator() {
    Clear();
    m_SimManager->RemoveSimulator(this);
}

void CQxSimulator::Clear() {
    if (m_Task) {
        CQxScene* scene = m_SimManager->GetScene();
        // Without the scene the task cannot be reached to pop it; finished, it is destroyed
        // by its manager without running again.
        if (scene) scene->TaskManager().PopTask(m_Task);
        else m_Task->Status() = CQxTask::STATUS_FINISHED;
        m_Task = nullptr;
    }
    if (!m_States.empty()) {
        if (CQxSimState* current = GetStateObject(m_CurState)) current->OnExit();
        m_States.clear();
    }
    m_CurState = QX_SIM_STATE_INITIAL;
    m_SimType = QX_SIM_NONE;
}

int CQxSimulator::OnMessage(const CQxMsg& msg) {
    // The state may destroy this simulator while it handles the message: nothing of it is
    // touched afterwards.
    CQxSimState* current = GetStateObject(m_CurState);
    return current ? current->OnMessage(msg) : 0;
}

void CQxSimulator::OnUpdate(const float& time) {
    if (CQxSimState* current = GetStateObject(m_CurState)) current->OnUpdate(time);
}

int CQxSimulator::SetCurState(QX_SIM_STATE_TYPE state) {
    if (!IsStateAvailable(state) || state == m_CurState) return 0;
    if (CQxSimState* current = GetStateObject(m_CurState)) current->OnExit();
    m_CurState = state;
    GetStateObject(state)->OnEnter();
    return 1;
}

QX_SIM_STATE_TYPE CQxSimulator::GetCurState() {
    return m_CurState;
}

int CQxSimulator::IsStateAvailable(QX_SIM_STATE_TYPE state) const {
    return m_States.count(state) ? 1 : 0;
}

void CQxSimulator::AddState(QX_SIM_STATE_TYPE state, CQxSimState* object) {
    m_States[state].reset(object);
}

CQxSimState* CQxSimulator::GetStateObject(QX_SIM_STATE_TYPE state) const {
    auto found = m_States.find(state);
    return found == m_States.end() ? nullptr : found->second.get();
}

int CQxSimulator::SetTask(CQxTask* task) {
    CQxScene* scene = m_SimManager->GetScene();
    // The task manager refuses a task of an unknown type and would leave it to nobody.
    if (!scene || task->GetType() > CQxTask::TYPE_FRAME_LATE) {
        delete task;
        return 0;
    }
    if (m_Task) scene->TaskManager().PopTask(m_Task);
    scene->TaskManager().PushTask(task);
    m_Task = task;
    return 1;
}

void CQxSimUpdateTask::Execute(const float& time) {
    m_Simulator->OnUpdate(time);
    CQxTask::Execute(time);
}
