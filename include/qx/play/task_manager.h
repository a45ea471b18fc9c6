#pragma once

#include "qx/basis/list.h"
#include "qx/export.h"

// One piece of play-time work. A scheduled task (type 0) runs when the play clock reaches its
// time and is then due again an interval later; a per-frame task (types 1 and 2, run in that
// order) runs at every frame. A task that sets its status to finished is destroyed by the
// manager; a non-zero end time finishes it on its own.
class QX_API CQxTask : public CQxListNode<CQxTask> {
public:
    enum : unsigned int { TYPE_SCHEDULED = 0, TYPE_FRAME = 1, TYPE_FRAME_LATE = 2 };
    enum : unsigned int { STATUS_ACTIVE = 2, STATUS_FINISHED = 5 };

    explicit CQxTask(unsigned int type = TYPE_FRAME) : m_Type(type) {}
    virtual ~CQxTask() = default;
    // Given the play time (seconds) handed to tasks in this frame. The base finishes a per-frame
    // task at its end time, and reschedules a scheduled one by its interval (finishing it once
    // that passes the end time); derived tasks do their work, then call it.
    virtual void Execute(const float& time);

    unsigned int GetType() const { return m_Type; }
    unsigned int& Status() { return m_Status; }
    const unsigned int& Status() const { return m_Status; }
    float& Time() { return m_Time; }
    const float& Time() const { return m_Time; }
    const float& PrevTime() const { return m_PrevTime; }
    float& Interval() { return m_Interval; }
    const float& Interval() const { return m_Interval; }
    float& EndTime() { return m_EndTime; }
    const float& EndTime() const { return m_EndTime; }

private:
    unsigned int m_Type;
    unsigned int m_Status = STATUS_ACTIVE;
    float m_Time = 0.0f;
    float m_PrevTime = 0.0f;
    float m_Interval = 0.0f;
    float m_EndTime = 0.0f;
};

// The pausable play clock: wall time from the millisecond clock, minus the time spent stopped.
class QX_API CQxTaskClock {
public:
    CQxTaskClock() { Reset(); }
    virtual ~CQxTaskClock() = default;

    // Stopped, every time 0, counting from now.
    void Reset();
    // Adds the wall time since the last update (the millisecond counter may wrap).
    void Update();
    void Start();
    void Stop();
    // Opens a frame (the play time of the previous frame becomes where the frame's tasks start)
    // and closes it.
    void BeginFrame();
    void EndFrame();

    int IsRunning() const { return m_IsRunning; }
    float GetPlayTime() const { return m_Elapsed - m_PausedTotal; }
    float& FrameStart() { return m_FrameStart; }
    const float& FrameStart() const { return m_FrameStart; }
    const float& PrevFrameTime() const { return m_PrevFrameTime; }
    const float& FrameTime() const { return m_FrameTime; }

private:
    float m_Elapsed = 0.0f;
    int m_IsRunning = 0;
    float m_FrameStart = 0.0f;
    float m_PrevFrameTime = 0.0f;
    float m_FrameTime = 0.0f;
    float m_StopTime = 0.0f;
    float m_PausedTotal = 0.0f;
    unsigned int m_LastTick = 0;
};

// The play work of one scene: its clock and three task lists (scheduled tasks sorted by due
// time, then the two per-frame lists). The application's frame timer calls ExecuteFrame on
// every scene; nothing runs while the clock is stopped, and play time does not advance then.
class QX_API CQxTaskManager {
public:
    CQxTaskManager() = default;
    CQxTaskManager(const CQxTaskManager&) = delete;
    CQxTaskManager& operator=(const CQxTaskManager&) = delete;
    virtual ~CQxTaskManager();

    void Run() { m_Clock.Start(); }
    void Stop() { m_Clock.Stop(); }
    int IsRunning() const { return m_Clock.IsRunning(); }
    const CQxTaskClock& Clock() const { return m_Clock; }

    // Takes ownership and files the task by its type; a task of another type is not taken.
    void PushTask(CQxTask* task);
    // Unlinks and destroys a task of this manager; 0 for a task of another type.
    int PopTask(CQxTask* task);
    // One frame: due scheduled tasks in time order, then the per-frame lists.
    void ExecuteFrame();
    // Destroys every task.
    void Clear();

    // Frames run since construction.
    unsigned int GetFrameCount() const { return m_FrameCount; }
    unsigned int GetTaskCount() const {
        return m_Scheduled.GetCount() + m_FrameTasks.GetCount() + m_LateTasks.GetCount();
    }

private:
    CQxList<CQxTask>* ListOf(unsigned int type);
    void RunScheduled();
    void RunFrameList(CQxList<CQxTask>& list);

    CQxTaskClock m_Clock;
    CQxList<CQxTask> m_Scheduled;
    CQxList<CQxTask> m_FrameTasks;
    CQxList<CQxTask> m_LateTasks;
    unsigned int m_FrameCount = 0;
};
