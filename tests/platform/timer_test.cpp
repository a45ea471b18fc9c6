#include "qx/platform/time.h"
#include "qx/platform/timer.h"

#include "test_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace QxWin;

namespace {

// What the thread-timer procedures saw, in order.
std::vector<std::string> g_log;

void LogProc(HWND, UINT message, UINT_PTR id, DWORD time) {
    g_log.push_back("thread " + std::to_string(id) + " msg " + std::to_string(message) + " at " +
                    std::to_string(time == timeGetTime()));
}

void KillSelfProc(HWND, UINT, UINT_PTR id, DWORD) {
    g_log.push_back("self");
    KillTimer(nullptr, id);
}

class Timer : public ::testing::Test {
protected:
    void SetUp() override {
        QxSetManualClock(1);
        g_log.clear();
    }
    void TearDown() override {
        EXPECT_EQ(QxGetTimerCount(), 0) << "a test left timers behind";
        QxSetManualClock(0);
    }
    // Moves the manual clock on and runs the timers then due; returns how many ran.
    static int PumpAfter(DWORD milliseconds) {
        QxAdvanceClock(milliseconds);
        return QxPumpTimers();
    }
};

TEST_F(Timer, WindowAndThreadTimersFireAtTheirPeriods) {
    TestWindow window;
    EXPECT_EQ(window.SetTimer(7, 100), 7u);
    EXPECT_EQ(SetTimer(&window, 0, 100, nullptr), 1u); // identifier 0 is a timer of its own
    const UINT_PTR thread = SetTimer(nullptr, 0, 30, LogProc);
    ASSERT_NE(thread, 0u);
    EXPECT_EQ(QxGetTimerCount(), 3);
    EXPECT_EQ(QxGetNextTimerDelay(), 30u);

    EXPECT_EQ(PumpAfter(29), 0);
    EXPECT_EQ(PumpAfter(1), 1);
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0], "thread " + std::to_string(thread) + " msg 275 at 1");

    // Late pumping runs each due timer once, not once per missed period; earliest due first.
    EXPECT_EQ(PumpAfter(170), 3);
    EXPECT_EQ(window.Timers, (std::vector<UINT_PTR>{7, 0}));
    EXPECT_EQ(g_log.size(), 2u);
    EXPECT_EQ(QxGetNextTimerDelay(), 30u); // re-armed from the pump, not from the missed times

    // A period of 0 is the 10 ms minimum.
    EXPECT_EQ(window.SetTimer(7, 0), 7u);
    EXPECT_EQ(PumpAfter(10), 1);
    EXPECT_EQ(window.Timers.back(), 7u);

    EXPECT_EQ(KillTimer(nullptr, thread), 1);
    EXPECT_EQ(KillTimer(nullptr, thread), 0);
    EXPECT_EQ(SetTimer(nullptr, 0, 10, nullptr), 0u); // nobody to tell
    // The window's destructor kills its own timers.
}

TEST_F(Timer, ResettingAndKillingFromCallbacks) {
    auto window = std::make_unique<TestWindow>();
    window->SetTimer(1, 100);
    EXPECT_EQ(window->SetTimer(1, 50), 1u); // replaces, restarting the count
    EXPECT_EQ(QxGetTimerCount(), 1);
    EXPECT_EQ(PumpAfter(50), 1);

    // A thread timer set again under its own identifier keeps it; another gets a new one.
    const UINT_PTR a = SetTimer(nullptr, 0, 40, LogProc);
    EXPECT_EQ(SetTimer(nullptr, a, 20, LogProc), a);
    EXPECT_NE(SetTimer(nullptr, 0, 20, KillSelfProc), a);
    EXPECT_EQ(QxGetTimerCount(), 3);

    // The camera drag: the callback kills its timer and starts it again with period 0.
    int steps = 0;
    window->TimerAction = [&](UINT_PTR id) {
        ++steps;
        window->KillTimer(id);
        window->SetTimer(id, 0);
    };
    EXPECT_EQ(PumpAfter(20), 2); // the two thread timers; the window timer is due at 100
    EXPECT_EQ(g_log.back(), "self");
    EXPECT_EQ(QxGetTimerCount(), 2); // the self-killing one is gone
    EXPECT_EQ(KillTimer(nullptr, a), 1);

    EXPECT_EQ(PumpAfter(30), 1);
    EXPECT_EQ(PumpAfter(10), 1);
    EXPECT_EQ(steps, 2);

    // A callback that kills another due timer keeps it from running in the same pump, and
    // one that destroys a window takes the window's timers with it.
    auto other = std::make_unique<TestWindow>();
    other->SetTimer(3, 10);
    window->TimerAction = [&](UINT_PTR) { other.reset(); };
    EXPECT_EQ(PumpAfter(10), 1);
    EXPECT_EQ(QxGetTimerCount(), 1);
    window.reset();
    EXPECT_EQ(QxGetTimerCount(), 0);
}

TEST_F(Timer, WaitingAndRunningFollowTheClock) {
    EXPECT_EQ(QxWaitTimers(INFINITE), 0); // nothing could ever wake it
    EXPECT_EQ(QxGetNextTimerDelay(), INFINITE);

    TestWindow window;
    window.SetTimer(1, 17);
    const DWORD start = timeGetTime();
    EXPECT_EQ(QxWaitTimers(5), 0);
    EXPECT_EQ(timeGetTime() - start, 5u);
    EXPECT_EQ(QxWaitTimers(INFINITE), 1);
    EXPECT_EQ(timeGetTime() - start, 17u);

    // 17 ms frames for one second: due at 34, 51, ..., 1003 ms after the first.
    EXPECT_EQ(QxRunTimersFor(1000), 58);
    EXPECT_EQ(timeGetTime() - start, 1017u);
}

TEST_F(Timer, ClocksAndResolutionRequests) {
    const DWORD tick = timeGetTime();
    LARGE_INTEGER count0{}, count1{}, frequency{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    ASSERT_TRUE(QueryPerformanceCounter(&count0));
    Sleep(25); // moves the manual clock
    QxAdvanceClock(5);
    ASSERT_TRUE(QueryPerformanceCounter(&count1));
    EXPECT_EQ(timeGetTime() - tick, 30u);
    EXPECT_EQ((count1.QuadPart - count0.QuadPart) * 1000 / frequency.QuadPart, 30);

    // The millisecond counter wraps at 32 bits; differences taken unsigned stay right.
    const DWORD before = timeGetTime();
    QxAdvanceClock(0xFFFFFFF0u);
    QxAdvanceClock(0x20u);
    EXPECT_EQ(static_cast<DWORD>(timeGetTime() - before), 0x10u);
    EXPECT_EQ(GetTickCount64() % 0x100000000u, timeGetTime());

    // Resolution requests are counted and must be ended with the period they began with.
    EXPECT_EQ(timeBeginPeriod(1) + timeBeginPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(QxGetTimePeriodCount(), 2);
    EXPECT_EQ(timeEndPeriod(5), TIMERR_NOCANDO);
    EXPECT_EQ(timeEndPeriod(1) + timeEndPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOCANDO);
    EXPECT_EQ(QxGetTimePeriodCount(), 0);
}

} // namespace
