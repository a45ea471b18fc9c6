#pragma once

#include "qx/basis/list.h"
#include "qx/export.h"

// One piece of per-frame work of the play runtime. For now only the per-frame kinds run; the
// scheduled kind (type 0) arrives with the play clock.
class QX_API CQxTask : public CQxListNode<CQxTask> {
public:
    enum : unsigned int { TYPE_SCHEDULED = 0, TYPE_FRAME = 1, TYPE_FRAME_LATE = 2 };
    enum : unsigned int { STATUS_ACTIVE = 2, STATUS_FINISHED = 5 };

    explicit CQxTask(unsigned int type = TYPE_FRAME) : m_Type(type) {}
    virtual ~CQxTask() = default;
    // Called once a frame with the frame's time in seconds; a task that is done sets its status
    // to STATUS_FINISHED and the manager destroys it.
    virtual void Execute(const float& /*time*/) {}

    unsigned int GetType() const { return m_Type; }
    unsigned int& Status() { return m_Status; }
    const unsigned int& Status() const { return m_Status; }

private:
    unsigned int m_Type;
    unsigned int m_Status = STATUS_ACTIVE;
};

// The frame work of one scene. The application's frame timer calls ExecuteFrame on every
// scene; frames run only while the manager runs (play mode).
class QX_API CQxTaskManager {
public:
    CQxTaskManager() = default;
    CQxTaskManager(const CQxTaskManager&) = delete;
    CQxTaskManager& operator=(const CQxTaskManager&) = delete;
    virtual ~CQxTaskManager();

    // Start and stop the play time; it does not advance while stopped.
    void Run();
    void Stop();
    int IsRunning() const { return m_IsRunning; }
    // Seconds of play time at the last frame.
    float GetPlayTime() const { return m_PlayTime; }

    // Takes ownership of a per-frame task (types 1 and 2, run in that order); other types are
    // refused and stay the caller's.
    int PushTask(CQxTask* task);
    // Destroys every task.
    void Clear();
    // One frame: while running, every task runs once and finished tasks are destroyed.
    void ExecuteFrame();
    // Frames run since construction.
    unsigned int GetFrameCount() const { return m_FrameCount; }
    unsigned int GetTaskCount() const { return m_FrameTasks.GetCount() + m_LateTasks.GetCount(); }

private:
    void UpdateClock();
    void RunList(CQxList<CQxTask>& list);

    int m_IsRunning = 0;
    unsigned int m_LastTick = 0;
    float m_PlayTime = 0.0f;
    unsigned int m_FrameCount = 0;
    CQxList<CQxTask> m_FrameTasks;
    CQxList<CQxTask> m_LateTasks;
};
