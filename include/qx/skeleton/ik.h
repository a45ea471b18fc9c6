#pragma once

#include "qx/export.h"

// How many sweeps the calling thread's last CQxObject::ExecuteIK ran (0 when it was refused
// before its first sweep); for profiling the solver.
QX_API unsigned int QxGetLastIKSweeps();

// The most sweeps one ExecuteIK runs; a solve that reaches it keeps the pose it got to.
inline constexpr unsigned int QX_IK_MAX_SWEEPS = 64;
