#include "qx/platform/timer.h"

#include "qx/platform/time.h"
#include "qx/platform/window.h"

#include <algorithm>
#include <utility>
#include <vector>

using namespace QxWin;

namespace {

struct Timer {
    HWND Window;
    UINT_PTR Id;
    UINT Period;
    TIMERPROC Proc;
    std::uint64_t Due;    // on the GetTickCount64 clock
    std::uint64_t Serial; // tells timers apart while a pump runs procedures that change the queue
};

struct Queue {
    std::vector<Timer> Timers;
    std::uint64_t NextSerial = 1;
    UINT_PTR NextThreadId = 1;
};

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

Timer* Find(Queue& queue, HWND window, UINT_PTR id) {
    const auto found = std::find_if(queue.Timers.begin(), queue.Timers.end(),
                                    [&](const Timer& t) { return t.Window == window && t.Id == id; });
    return found == queue.Timers.end() ? nullptr : &*found;
}

// Thread timer identifiers stay within 32 bits so that callers may keep them in an unsigned int.
UINT_PTR NewThreadId(Queue& queue) {
    for (;;) {
        const UINT_PTR id = queue.NextThreadId;
        queue.NextThreadId = id >= 0xFFFFFFFF ? 1 : id + 1;
        if (!Find(queue, nullptr, id)) return id;
    }
}

} // namespace

UINT_PTR QxWin::SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    // Without a window and a procedure nobody could ever be told of the timer.
    if (!window && !proc) return 0;
    Queue& queue = TheQueue();
    Timer* timer = Find(queue, window, id);
    if (!timer) {
        const UINT_PTR newId = window ? id : NewThreadId(queue);
        queue.Timers.push_back({window, newId, 0, nullptr, 0, queue.NextSerial++});
        timer = &queue.Timers.back();
    }
    timer->Period = std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    timer->Proc = proc;
    timer->Due = GetTickCount64() + timer->Period;
    if (window) return timer->Id ? timer->Id : 1;
    return timer->Id;
}

BOOL QxWin::KillTimer(HWND window, UINT_PTR id) {
    Queue& queue = TheQueue();
    Timer* timer = Find(queue, window, id);
    if (!timer) return 0;
    queue.Timers.erase(queue.Timers.begin() + (timer - queue.Timers.data()));
    return 1;
}

int QxPumpTimers() {
    Queue& queue = TheQueue();
    const std::uint64_t now = GetTickCount64();
    std::vector<std::pair<std::uint64_t, std::uint64_t>> due; // (due time, serial)
    for (const Timer& timer : queue.Timers)
        if (timer.Due <= now) due.emplace_back(timer.Due, timer.Serial);
    std::sort(due.begin(), due.end());

    int ran = 0;
    for (const auto& [when, serial] : due) {
        // An earlier procedure may have killed, re-set or re-created this timer.
        const auto found = std::find_if(queue.Timers.begin(), queue.Timers.end(),
                                        [serial = serial](const Timer& t) { return t.Serial == serial; });
        if (found == queue.Timers.end() || found->Due > now) continue;
        found->Due = now + found->Period;
        const Timer fired = *found; // the procedure may change the queue under us
        if (fired.Proc)
            fired.Proc(fired.Window, WM_TIMER, fired.Id, static_cast<DWORD>(now));
        else
            fired.Window->OnTimer(fired.Id);
        ++ran;
    }
    return ran;
}

DWORD QxGetNextTimerDelay() {
    const Queue& queue = TheQueue();
    if (queue.Timers.empty()) return INFINITE;
    std::uint64_t next = queue.Timers.front().Due;
    for (const Timer& timer : queue.Timers) next = std::min(next, timer.Due);
    const std::uint64_t now = GetTickCount64();
    if (next <= now) return 0;
    return static_cast<DWORD>(std::min<std::uint64_t>(next - now, INFINITE - 1));
}

int QxWaitTimers(DWORD timeout) {
    const DWORD delay = QxGetNextTimerDelay();
    if (delay == INFINITE && timeout == INFINITE) return 0;
    const DWORD wait = std::min(delay, timeout);
    if (wait) Sleep(wait);
    return QxPumpTimers();
}

int QxRunTimersFor(DWORD duration) {
    const std::uint64_t end = GetTickCount64() + duration;
    int ran = 0;
    for (;;) {
        ran += QxPumpTimers();
        const std::uint64_t now = GetTickCount64();
        if (now >= end) break;
        Sleep(static_cast<DWORD>(std::min<std::uint64_t>(QxGetNextTimerDelay(), end - now)));
    }
    return ran;
}

int QxKillWindowTimers(HWND window) {
    if (!window) return 0;
    return static_cast<int>(
        std::erase_if(TheQueue().Timers, [window](const Timer& t) { return t.Window == window; }));
}

int QxGetTimerCount() {
    return static_cast<int>(TheQueue().Timers.size());
}
