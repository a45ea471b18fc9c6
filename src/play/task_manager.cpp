#include "qx/play/task_manager.h"

#include "qx/platform/time.h"

using namespace QxWin;

CQxTaskManager::~CQxTaskManager() {
    Clear();
}

void CQxTaskManager::UpdateClock() {
    const unsigned int now = timeGetTime();
    // Unsigned difference: the millisecond counter may wrap between two frames.
    m_PlayTime += static_cast<float>(now - m_LastTick) * 0.001f;
    m_LastTick = now;
}

void CQxTaskManager::Run() {
    if (m_IsRunning) return;
    m_LastTick = timeGetTime();
    m_IsRunning = 1;
}

void CQxTaskManager::Stop() {
    if (!m_IsRunning) return;
    UpdateClock();
    m_IsRunning = 0;
}

int CQxTaskManager::PushTask(CQxTask* task) {
    if (!task) return 0;
    switch (task->GetType()) {
    case CQxTask::TYPE_FRAME:
        return m_FrameTasks.PushBack(task);
    case CQxTask::TYPE_FRAME_LATE:
        return m_LateTasks.PushBack(task);
    default:
        return 0;
    }
}

void CQxTaskManager::Clear() {
    m_FrameTasks.Clear();
    m_LateTasks.Clear();
}

void CQxTaskManager::RunList(CQxList<CQxTask>& list) {
    CQxTask* task = list.Front();
    while (task && task != list.GetHead()) {
        CQxTask* next = task->Next();
        if (task->Status() != CQxTask::STATUS_FINISHED) task->Execute(m_PlayTime);
        if (task->Status() == CQxTask::STATUS_FINISHED) list.Pop(task);
        task = next;
    }
}

void CQxTaskManager::ExecuteFrame() {
    if (!m_IsRunning) return;
    UpdateClock();
    ++m_FrameCount;
    RunList(m_FrameTasks);
    RunList(m_LateTasks);
}
