#include "qx/platform/time.h"

#include <chrono>
#include <map>
#include <thread>

using namespace QxWin;

namespace {

struct Clock {
    int Manual = 0;
    std::uint64_t ManualNs = 0;
    std::map<UINT, int> Periods; // outstanding resolution requests by period
};

Clock& State() {
    static Clock clock;
    return clock;
}

std::uint64_t RealNanoseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

std::uint64_t Nanoseconds() {
    const Clock& clock = State();
    return clock.Manual ? clock.ManualNs : RealNanoseconds();
}

} // namespace

ULONGLONG QxWin::GetTickCount64() {
    return Nanoseconds() / 1'000'000;
}

DWORD QxWin::timeGetTime() {
    return static_cast<DWORD>(GetTickCount64());
}

UINT QxWin::timeBeginPeriod(UINT period) {
    if (period == 0) return TIMERR_NOCANDO;
    ++State().Periods[period];
    return TIMERR_NOERROR;
}

UINT QxWin::timeEndPeriod(UINT period) {
    auto& periods = State().Periods;
    const auto found = periods.find(period);
    if (found == periods.end()) return TIMERR_NOCANDO;
    if (--found->second == 0) periods.erase(found);
    return TIMERR_NOERROR;
}

int QxGetTimePeriodCount() {
    int count = 0;
    for (const auto& [period, n] : State().Periods) count += n;
    return count;
}

BOOL QxWin::QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (!count) return 0;
    count->QuadPart = static_cast<std::int64_t>(Nanoseconds());
    return 1;
}

BOOL QxWin::QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency) return 0;
    frequency->QuadPart = 1'000'000'000;
    return 1;
}

void QxWin::Sleep(DWORD milliseconds) {
    if (State().Manual) {
        QxAdvanceClock(milliseconds);
    } else if (milliseconds == 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

void QxSetManualClock(int on) {
    Clock& clock = State();
    // Start on a whole millisecond so that advancing by n ms moves every reading by exactly n.
    if (on && !clock.Manual) clock.ManualNs = RealNanoseconds() / 1'000'000 * 1'000'000;
    clock.Manual = on ? 1 : 0;
}

int QxIsManualClock() {
    return State().Manual;
}

void QxAdvanceClock(DWORD milliseconds) {
    Clock& clock = State();
    if (clock.Manual) clock.ManualNs += std::uint64_t{milliseconds} * 1'000'000;
}
