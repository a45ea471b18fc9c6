#pragma once

#include "qx/platform/global_memory.h"
#include "qx/platform/types.h"

// Between the parts of QxPlatform: the input state forgets a window that is destroyed.
void QxInputForgetWindow(HWND window);

// The clipboard marks the blocks it owns, which GlobalFree then refuses; it frees them itself
// through QxGlobalFreeOwned. Both fail (0) for a handle that is not a live block.
int QxGlobalSetOwned(HGLOBAL block, int owned);
int QxGlobalIsOwned(HGLOBAL block);
int QxGlobalFreeOwned(HGLOBAL block);
