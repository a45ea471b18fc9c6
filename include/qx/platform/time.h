#pragma once

#include "qx/platform/types.h"

// Millisecond clock, performance counter and sleeping. Both clocks are steady: they never jump
// when the wall-clock time is changed. timeGetTime is the low 32 bits of GetTickCount64 and so
// wraps after about 49.7 days, as callers expect.
ULONGLONG GetTickCount64();
DWORD timeGetTime();

// Timer resolution requests. The scheduler here needs no change of resolution, so a request is
// only accepted and counted; an end without a matching begin is refused.
inline constexpr UINT TIMERR_NOERROR = 0;
inline constexpr UINT TIMERR_NOCANDO = 97;
UINT timeBeginPeriod(UINT period);
UINT timeEndPeriod(UINT period);
// The number of begun and not yet ended resolution requests.
int QxGetTimePeriodCount();

BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

// Sleep(0) only yields the processor.
void Sleep(DWORD milliseconds);

// A manual clock for tests and headless runs: while it is on, the clocks above stand still
// except when QxAdvanceClock or Sleep moves them, and Sleep returns at once. Turning it on
// freezes the clock at its current reading; turning it off returns to real time.
void QxSetManualClock(int on);
int QxIsManualClock();
void QxAdvanceClock(DWORD milliseconds);
