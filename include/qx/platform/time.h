#pragma once

#include "qx/export.h"
#include "qx/platform/types.h"

// Timer resolution requests. The scheduler here needs no change of resolution, so a request is
// only accepted and counted; an end without a matching begin is refused.
inline constexpr UINT TIMERR_NOERROR = 0;
inline constexpr UINT TIMERR_NOCANDO = 97;

namespace QxWin {
// Millisecond clock, performance counter and sleeping. Both clocks are steady: they never jump
// when the wall-clock time is changed. timeGetTime is the low 32 bits of GetTickCount64 and so
// wraps after about 49.7 days, as callers expect.
QX_API ULONGLONG GetTickCount64();
QX_API DWORD timeGetTime();

QX_API UINT timeBeginPeriod(UINT period);
QX_API UINT timeEndPeriod(UINT period);

QX_API BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
QX_API BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

// Sleep(0) only yields the processor.
QX_API void Sleep(DWORD milliseconds);
} // namespace QxWin

// The number of begun and not yet ended resolution requests.
QX_API int QxGetTimePeriodCount();

// A manual clock for tests and headless runs: while it is on, the clocks above stand still
// except when QxAdvanceClock or Sleep moves them, and Sleep returns at once. Turning it on
// freezes the clock at its current reading; turning it off returns to real time.
QX_API void QxSetManualClock(int on);
QX_API int QxIsManualClock();
QX_API void QxAdvanceClock(DWORD milliseconds);
