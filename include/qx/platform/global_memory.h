#pragma once

#include "qx/export.h"
#include "qx/platform/types.h"

// Movable memory blocks, the currency of the clipboard. A handle is opaque: every call checks
// it against the live blocks, so a stale or foreign handle fails cleanly instead of crashing.
// Blocks are always zero-filled when allocated.
using HGLOBAL = void*;

enum : UINT {
    GMEM_FIXED = 0x0000,
    GMEM_MOVEABLE = 0x0002,
    GMEM_ZEROINIT = 0x0040,
    GHND = 0x0042,
    GPTR = 0x0040,
    // Bits of GlobalFlags' result.
    GMEM_LOCKCOUNT = 0x00FF,
    GMEM_DISCARDED = 0x4000,
    GMEM_INVALID_HANDLE = 0x8000,
};

// The largest block handed out: no clipboard content comes near it.
inline constexpr SIZE_T QX_GLOBAL_MAX_SIZE = SIZE_T{1} << 30;

namespace QxWin {
// A block of 0 bytes exists but cannot be locked. Returns null on failure.
QX_API HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Returns the block's first byte and counts the lock; null for a bad or empty block.
QX_API void* GlobalLock(HGLOBAL block);
// Returns nonzero while other locks remain, 0 once the block is unlocked (or was not locked).
QX_API BOOL GlobalUnlock(HGLOBAL block);
QX_API SIZE_T GlobalSize(HGLOBAL block);
// Lock count in the low byte, GMEM_DISCARDED for an empty block, GMEM_INVALID_HANDLE for a bad one.
QX_API UINT GlobalFlags(HGLOBAL block);
// Returns null once freed, or the handle itself when it cannot be freed: a bad handle, or a
// block that the clipboard owns.
QX_API HGLOBAL GlobalFree(HGLOBAL block);
} // namespace QxWin

// The number of live blocks, for leak checks.
QX_API int QxGetGlobalBlockCount();
