#include "qx/platform/timer.h"

#include "qx/platform/time.h"
#include "qx/platform/window.h"

#include <algorithm>
#include <utility>
#include <vector>

using namespace QxWin;

namespace {

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    TIMERPROC proc;
    std::uint64_t due;    // on the GetTickCount64 clock
    std::uint64_t serial; // tells timers apart while a pump runs procedures that change the queue
};

struct Queue {
    std::vector<Timer> timers;
    std::uint64_t nextSerial = 1;
    UINT_PTR nextThreadId = 1;
};

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

Timer* Find(Queue& queue, HWND window, UINT_PTR id) {
    const auto found = std::find_if(queue.timers.begin(), queue.timers.end(),
                                    [&](const Timer& t) { return t.window == window && t.id == id; });
    return found == queue.timers.end() ? nullptr : &*found;
}

// Thread timer identifiers stay within 32 bits so that callers may keep them in an unsigned int.
UINT_PTR NewThreadId(Queue& queue) {
    for (;;) {
        const UINT_PTR id = queue.nextThreadId;
        queue.nextThreadId = id >= 0xFFFFFFFF ? 1 : id + 1;
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
        queue.timers.push_back({window, newId, 0, nullptr, 0, queue.nextSerial++});
        timer = &queue.timers.back();
    }
    timer->period = std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    timer->proc = proc;
    timer->due = GetTickCount64() + timer->period;
    if (window) return timer->id ? timer->id : 1;
    return timer->id;
}

BOOL QxWin::KillTimer(HWND window, UINT_PTR id) {
    Queue& queue = TheQueue();
    Timer* timer = Find(queue, window, id);
    if (!timer) return 0;
    queue.timers.erase(queue.timers.begin() + (timer - queue.timers.data()));
    return 1;
}

int QxPumpTimers() {
    Queue& queue = TheQueue();
    const std::uint64_t now = GetTickCount64();
    std::vector<std::pair<std::uint64_t, std::uint64_t>> due; // (due time, serial)
    for (const Timer& timer : queue.timers)
        if (timer.due <= now) due.emplace_back(timer.due, timer.serial);
    std::sort(due.begin(), due.end());

    int ran = 0;
    for (const auto& [when, serial] : due) {
        // An earlier procedure may have killed, re-set or re-created this timer.
        const auto found = std::find_if(queue.timers.begin(), queue.timers.end(),
                                        [serial = serial](const Timer& t) { return t.serial == serial; });
        if (found == queue.timers.end() || found->due > now) continue;
        found->due = now + found->period;
        const Timer fired = *found; // the procedure may change the queue under us
        if (fired.proc)
            fired.proc(fired.window, WM_TIMER, fired.id, static_cast<DWORD>(now));
        else
            fired.window->OnTimer(fired.id);
        ++ran;
    }
    return ran;
}

DWORD QxGetNextTimerDelay() {
    const Queue& queue = TheQueue();
    if (queue.timers.empty()) return INFINITE;
    std::uint64_t next = queue.timers.front().due;
    for (const Timer& timer : queue.timers) next = std::min(next, timer.due);
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
        std::erase_if(TheQueue().timers, [window](const Timer& t) { return t.window == window; }));
}

int QxGetTimerCount() {
    return static_cast<int>(TheQueue().timers.size());
}
