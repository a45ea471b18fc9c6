#pragma once

#include "qx/export.h"
#include "qx/platform/types.h"

// Window timers and thread timers. A window timer is named by its window and identifier; on
// expiry it calls its procedure or, without one, the window's OnTimer. A thread timer has no
// window, calls its procedure, and gets an identifier chosen here. Setting a timer that exists
// replaces its period and procedure and restarts it. Timers run only when the host pumps them
// (QxPumpTimers or the waiting helpers below), on the host's thread.
using TIMERPROC = void (*)(HWND window, UINT message, UINT_PTR id, DWORD time);

inline constexpr UINT WM_TIMER = 0x0113;
// Periods are clamped to this range, so a period of 0 means "as soon as possible, 10 ms on".
inline constexpr UINT USER_TIMER_MINIMUM = 0x0000000A;
inline constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

namespace QxWin {
// Returns the identifier (for a window timer: the one given, or 1 when that was 0), 0 on failure.
// A thread timer reuses the given identifier only when a thread timer of that identifier exists.
QX_API UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc);
QX_API BOOL KillTimer(HWND window, UINT_PTR id);
} // namespace QxWin

// Runs every timer that is due now once, earliest first, and returns how many ran. A timer is
// re-armed before its procedure runs, so the procedure may kill or re-set any timer, its own too.
QX_API int QxPumpTimers();
// Milliseconds until the next timer is due (0 when one is due), INFINITE when none is set.
QX_API DWORD QxGetNextTimerDelay();
// Sleeps until the next timer is due or the timeout passes, then pumps; returns the timers run.
// Returns 0 at once when no timer is set and the timeout is INFINITE.
QX_API int QxWaitTimers(DWORD timeout);
// Pumps and sleeps until the given time has passed on the clock; returns the timers run.
QX_API int QxRunTimersFor(DWORD duration);

// Kills every timer of a window; a window does this when it is destroyed.
QX_API int QxKillWindowTimers(HWND window);
QX_API int QxGetTimerCount();
