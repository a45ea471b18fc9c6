#include "qx/play/task_manager.h"

#include "qx/platform/time.h"

using namespace QxWin;

// --- Tasks ----------------------------------------------------------------------------------------

void CQxTask::Execute(const float& time) {
    if (m_Type == TYPE_SCHEDULED) {
        m_PrevTime = m_Time;
        m_Time += m_Interval;
        if (m_EndTime != 0.0f && m_Time > m_EndTime) m_Status = STATUS_FINISHED;
    } else if (m_EndTime != 0.0f && !(time < m_EndTime)) {
        m_Status = STATUS_FINISHED;
    }
}

// --- Clock ----------------------------------------------------------------------------------------

void CQxTaskClock::Reset() {
    m_Elapsed = m_FrameStart = m_PrevFrameTime = m_FrameTime = m_StopTime = m_PausedTotal = 0.0f;
    m_IsRunning = 0;
    m_LastTick = timeGetTime();
}

void CQxTaskClock::Update() {
    const unsigned int now = timeGetTime();
    // Unsigned difference: the millisecond counter may wrap between two updates.
    m_Elapsed += static_cast<float>(now - m_LastTick) * 0.001f;
    m_LastTick = now;
}

void CQxTaskClock::Start() {
    if (m_IsRunning) return;
    Update();
    m_PausedTotal += m_Elapsed - m_StopTime;
    m_IsRunning = 1;
}

void CQxTaskClock::Stop() {
    if (!m_IsRunning) return;
    Update();
    m_StopTime = m_Elapsed;
    m_IsRunning = 0;
}

void CQxTaskClock::BeginFrame() {
    Update();
    m_PrevFrameTime = m_FrameStart = m_FrameTime;
    m_FrameTime = GetPlayTime();
}

void CQxTaskClock::EndFrame() {
    Update();
    m_FrameStart = m_FrameTime;
}

// --- Manager ----------------------------------------------------------------------------------------

CQxTaskManager::~CQxTaskManager() {
    Clear();
}

CQxList<CQxTask>* CQxTaskManager::ListOf(unsigned int type) {
    switch (type) {
    case CQxTask::TYPE_SCHEDULED: return &m_Scheduled;
    case CQxTask::TYPE_FRAME: return &m_FrameTasks;
    case CQxTask::TYPE_FRAME_LATE: return &m_LateTasks;
    default: return nullptr;
    }
}

void CQxTaskManager::PushTask(CQxTask* task) {
    if (!task) return;
    CQxList<CQxTask>* list = ListOf(task->GetType());
    if (!list) return;
    if (list != &m_Scheduled) {
        list->PushBack(task);
        return;
    }
    // Sorted by due time; at one time a lower status first, otherwise in the order pushed.
    for (CQxTask& queued : *list) {
        if (task->Time() < queued.Time() || (task->Time() == queued.Time() && task->Status() < queued.Status())) {
            const unsigned int count = list->GetCount();
            list->InsertBefore(&queued, task);
            task->Index() = count;
            return;
        }
    }
    list->PushBack(task);
}

int CQxTaskManager::PopTask(CQxTask* task) {
    CQxList<CQxTask>* list = task ? ListOf(task->GetType()) : nullptr;
    return list ? list->Pop(task) : 0;
}

void CQxTaskManager::Clear() {
    m_Scheduled.Clear();
    m_FrameTasks.Clear();
    m_LateTasks.Clear();
}

void CQxTaskManager::RunScheduled() {
    // Each run moves a task's time on (or finishes it), so the loop reaches a task not yet due.
    float& start = m_Clock.FrameStart();
    while (CQxTask* task = m_Scheduled.Front()) {
        if (task->Status() == CQxTask::STATUS_FINISHED) {
            m_Scheduled.Pop(task);
            continue;
        }
        if (task->Time() > m_Clock.FrameTime()) break;
        if (task->Time() < start) task->Time() = start;
        else start = task->Time();
        task->Execute(start);
        m_Scheduled.Remove(task);
        if (task->Status() == CQxTask::STATUS_FINISHED) delete task;
        else PushTask(task);
    }
}

void CQxTaskManager::RunFrameList(CQxList<CQxTask>& list) {
    CQxTask* task = list.Front();
    while (task && task != list.GetHead()) {
        CQxTask* next = task->Next();
        if (task->Status() != CQxTask::STATUS_FINISHED) task->Execute(m_Clock.FrameStart());
        if (task->Status() == CQxTask::STATUS_FINISHED) list.Pop(task);
        task = next;
    }
}

void CQxTaskManager::ExecuteFrame() {
    if (!m_Clock.IsRunning()) return;
    m_Clock.BeginFrame();
    ++m_FrameCount;
    RunScheduled();
    RunFrameList(m_FrameTasks);
    RunFrameList(m_LateTasks);
    m_Clock.EndFrame();
}
