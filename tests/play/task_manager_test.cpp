#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qx/platform/time.h"
#include "qx/play/task_manager.h"

namespace {

// A task that writes its name and the time it was handed into a shared log; it may finish
// itself after a number of runs.
class LogTask : public CQxTask {
public:
    LogTask(std::vector<std::string>& log, const char* name, unsigned int type, float time = 0.0f,
            float interval = 0.0f, float end = 0.0f)
        : CQxTask(type), m_Log(log), m_Name(name) {
        Time() = time;
        Interval() = interval;
        EndTime() = end;
    }
    ~LogTask() override { m_Log.push_back(m_Name + " gone"); }
    void Execute(const float& time) override {
        char text[64];
        std::snprintf(text, sizeof text, "%s@%g", m_Name.c_str(), time);
        m_Log.emplace_back(text);
        if (++m_Runs == m_FinishAfter) Status() = STATUS_FINISHED;
        CQxTask::Execute(time);
    }
    unsigned int m_FinishAfter = 0;

private:
    std::vector<std::string>& m_Log;
    std::string m_Name;
    unsigned int m_Runs = 0;
};

// A manager on the manual clock: Frame(ms) lets that much time pass, then runs one frame.
class TaskManager : public ::testing::Test {
protected:
    std::vector<std::string> log;
    CQxTaskManager* tasks = nullptr;

    void SetUp() override {
        QxSetManualClock(1);
        tasks = new CQxTaskManager;
        tasks->Run();
    }
    void TearDown() override {
        delete tasks;
        QxSetManualClock(0);
    }
    LogTask* Push(LogTask* task) {
        tasks->PushTask(task);
        return task;
    }
    std::vector<std::string> Frame(unsigned int ms) {
        log.clear();
        QxAdvanceClock(ms);
        tasks->ExecuteFrame();
        return log;
    }
    using Log = std::vector<std::string>;
};

} // namespace

TEST_F(TaskManager, AScheduledTaskRunsAtEachIntervalUntilItsEnd) {
    Push(new LogTask(log, "tick", CQxTask::TYPE_SCHEDULED, 0.0f, 0.5f, 2.0f));
    EXPECT_EQ(Frame(0), (Log{"tick@0"}));
    EXPECT_EQ(Frame(400), Log{});
    EXPECT_EQ(Frame(1100), (Log{"tick@0.5", "tick@1", "tick@1.5"})) << "late runs catch up in order";
    EXPECT_EQ(Frame(500), (Log{"tick@2", "tick gone"}));
    EXPECT_EQ(tasks->GetTaskCount(), 0u);
}

TEST_F(TaskManager, TasksDueTogetherRunInTheOrderPushed) {
    Push(new LogTask(log, "b", CQxTask::TYPE_SCHEDULED, 1.0f, 1.0f));
    Push(new LogTask(log, "a", CQxTask::TYPE_SCHEDULED, 0.5f, 1.0f));
    Push(new LogTask(log, "c", CQxTask::TYPE_SCHEDULED, 1.0f, 1.0f));
    EXPECT_EQ(Frame(1000), (Log{"a@0.5", "b@1", "c@1"}));
}

TEST_F(TaskManager, PerFrameListsRunAfterTheScheduledOnesAndFinishedTasksGoAtOnce) {
    Push(new LogTask(log, "late", CQxTask::TYPE_FRAME_LATE));
    Push(new LogTask(log, "frame", CQxTask::TYPE_FRAME))->m_FinishAfter = 1;
    Push(new LogTask(log, "due", CQxTask::TYPE_SCHEDULED, 0.0f, 10.0f));
    EXPECT_EQ(Frame(20), (Log{"due@0", "frame@0", "frame gone", "late@0"}));
    EXPECT_EQ(Frame(20), (Log{"late@0.02"})) << "per-frame tasks get the frame's start time";
}

TEST_F(TaskManager, AStoppedClockRunsNothingAndResumesWithoutAJump) {
    Push(new LogTask(log, "frame", CQxTask::TYPE_FRAME));
    Frame(100);
    tasks->Stop();
    EXPECT_EQ(Frame(3000), Log{});
    EXPECT_FALSE(tasks->IsRunning());
    tasks->Run();
    EXPECT_EQ(Frame(50), (Log{"frame@0.1"}));
    EXPECT_NEAR(tasks->Clock().FrameTime(), 0.15f, 1e-5f) << "the 3 s stop counted as play time";
}

TEST_F(TaskManager, TasksOfAnUnknownTypeAreNotTaken) {
    LogTask stray(log, "stray", 7);
    tasks->PushTask(&stray);
    EXPECT_EQ(tasks->GetTaskCount(), 0u);
    EXPECT_EQ(tasks->PopTask(&stray), 0);
    EXPECT_EQ(Frame(10), Log{});
}

TEST_F(TaskManager, PoppingAndClearingDestroyTasks) {
    LogTask* a = Push(new LogTask(log, "a", CQxTask::TYPE_FRAME));
    Push(new LogTask(log, "b", CQxTask::TYPE_SCHEDULED, 5.0f));
    EXPECT_EQ(tasks->PopTask(a), 1);
    tasks->Clear();
    EXPECT_EQ(log, (Log{"a gone", "b gone"}));
    EXPECT_EQ(tasks->GetTaskCount(), 0u);
}
