#include "qx/scene/app.h"

#include <gtest/gtest.h>

#include <vector>

#include "message_recorder.h"
#include "qx/platform/message.h"
#include "qx/platform/time.h"
#include "qx/platform/timer.h"
#include "qx/platform/window.h"
#include "qx/scene/scene.h"

using namespace QxWin;

namespace {

// A frame's work that takes a set number of milliseconds on the manual clock.
class BusyTask : public CQxTask {
public:
    explicit BusyTask(const unsigned int* cost) : CQxTask(TYPE_FRAME), m_Cost(cost) {}
    void Execute(const float&) override { QxAdvanceClock(*m_Cost); }

private:
    const unsigned int* m_Cost;
};

// A host window that routes its timer messages to the application.
class FrameWindow : public QxWindow {
public:
    int GetClientWidth() const override { return 64; }
    int GetClientHeight() const override { return 64; }
    void Invalidate() override {}
    void Update() override {}
    int MakeCurrent() override { return 0; }
    int Present() override { return 0; }
    void OnTimer(UINT_PTR id) override {
        ids.push_back(id);
        CQxApp::Instance().OnTimer();
    }

    std::vector<UINT_PTR> ids;
};

class AppTimer : public ::testing::Test {
protected:
    void SetUp() override {
        QxSetManualClock(1);
        m_Timers = QxGetTimerCount();
        m_Periods = QxGetTimePeriodCount();
    }
    void TearDown() override {
        CQxApp::Instance().KillTimer();
        EXPECT_EQ(QxGetTimerCount(), m_Timers);
        EXPECT_EQ(QxGetTimePeriodCount(), m_Periods);
        QxSetManualClock(0);
    }

    int m_Timers = 0;
    int m_Periods = 0;
};

TEST_F(AppTimer, FramesRearmWithWhatIsLeftOfThePeriod) {
    CQxApp& app = CQxApp::Instance();
    EXPECT_EQ(app.KillTimer(), 0);

    CQxScene playing, idle;
    unsigned int cost = 5;
    playing.TaskManager().PushTask(new BusyTask(&cost));
    playing.TaskManager().Run();

    ASSERT_NE(app.SetTimer(nullptr, 0), 0u);
    EXPECT_EQ(app.TimerElapse(), 17u);
    EXPECT_EQ(QxGetTimePeriodCount(), m_Periods + 1);
    EXPECT_EQ(QxGetNextTimerDelay(), 17u);

    QxAdvanceClock(16);
    EXPECT_EQ(QxPumpTimers(), 0);
    QxAdvanceClock(1);
    EXPECT_EQ(QxPumpTimers(), 1);
    EXPECT_EQ(playing.TaskManager().GetFrameCount(), 1u);
    EXPECT_EQ(idle.TaskManager().GetFrameCount(), 0u); // stopped: no frame runs
    EXPECT_EQ(app.FrameElapse(), 5u);
    EXPECT_EQ(app.TimerElapse(), 12u);
    EXPECT_EQ(QxGetNextTimerDelay(), 12u);

    // A frame longer than the period re-arms at once.
    cost = 20;
    QxAdvanceClock(12);
    EXPECT_EQ(QxPumpTimers(), 1);
    EXPECT_EQ(app.FrameElapse(), 20u);
    EXPECT_EQ(app.TimerElapse(), 0u);
    EXPECT_EQ(playing.TaskManager().GetFrameCount(), 2u);

    // Setting the timer again replaces the running one.
    ASSERT_NE(app.SetTimer(nullptr, 0), 0u);
    EXPECT_EQ(QxGetTimerCount(), m_Timers + 1);
    EXPECT_EQ(QxGetTimePeriodCount(), m_Periods + 1);

    EXPECT_NE(app.KillTimer(), 0);
    EXPECT_EQ(app.KillTimer(), 0);
    EXPECT_EQ(app.TimerElapse(), 0u);
    EXPECT_EQ(app.FrameElapse(), 0u);
    QxAdvanceClock(100);
    EXPECT_EQ(QxPumpTimers(), 0);
    EXPECT_EQ(playing.TaskManager().GetFrameCount(), 2u);
}

TEST_F(AppTimer, WindowTimerKeepsItsWindowAndIdentifier) {
    CQxApp& app = CQxApp::Instance();
    CQxScene scene;
    unsigned int cost = 3;
    scene.TaskManager().PushTask(new BusyTask(&cost));
    scene.TaskManager().Run();
    FrameWindow window;

    EXPECT_EQ(app.SetTimer(&window, 9), 9u);
    QxAdvanceClock(17);
    EXPECT_EQ(QxPumpTimers(), 1);
    QxAdvanceClock(14);
    EXPECT_EQ(QxPumpTimers(), 1);
    EXPECT_EQ(window.ids, (std::vector<UINT_PTR>{9, 9}));
    EXPECT_EQ(app.TimerElapse(), 14u);
    EXPECT_EQ(scene.TaskManager().GetFrameCount(), 2u);

    EXPECT_EQ(app.KillTimer(), 1);
    QxAdvanceClock(100);
    EXPECT_EQ(QxPumpTimers(), 0);
}

TEST(AppRecovery, LostDeviceGivesUpAfterThirtyPassesAndRecoversWhenBack) {
    QxMessageRecorder messages;
    QxSetManualClock(1);
    CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
    CQxApp& app = CQxApp::Instance();
    CQxScene scene;

    device.SetLost(1);
    DWORD start = timeGetTime();
    EXPECT_EQ(app.OnGraphicsLost(), QX_GRAPHICS_FAILED);
    EXPECT_EQ(timeGetTime() - start, 3000u); // thirty waits of 100 ms
    ASSERT_EQ(messages.Boxes().size(), 1u);
    EXPECT_EQ(messages.Boxes()[0].Text, "回復に失敗しました。");
    EXPECT_EQ(messages.Boxes()[0].Caption, "デバイスの回復");

    // Back but not reset: one pass resets it and the graphics are rebuilt.
    device.SetLost(0);
    messages.Clear();
    const unsigned int generation = device.GetGeneration();
    start = timeGetTime();
    EXPECT_EQ(app.OnGraphicsLost(), QX_GRAPHICS_OK);
    EXPECT_EQ(timeGetTime() - start, 100u);
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_EQ(device.GetState(), QX_GRAPHICS_OK);
    EXPECT_GT(device.GetGeneration(), generation);

    QxSetManualClock(0);
}

} // namespace
