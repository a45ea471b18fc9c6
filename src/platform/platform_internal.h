#pragma once

#include "qx/platform/global_memory.h"
#include "qx/platform/types.h"

#include <cstdint>

// Between the parts of QxPlatform: the input state forgets a window that is destroyed.
void QxInputForgetWindow(HWND window);
// The 2D canvas drops a window's canvas when the window is destroyed; a window that presents
// lays its canvas over its frame (opaque 0xAARRGGBB pixels, top row first) and clears it.
void QxCanvasForgetWindow(HWND window);
int QxCompositeWindowCanvas(HWND window, std::uint32_t* frame, int width, int height);

// The clipboard marks the blocks it owns, which GlobalFree then refuses; it frees them itself
// through QxGlobalFreeOwned. Both fail (0) for a handle that is not a live block.
int QxGlobalSetOwned(HGLOBAL block, int owned);
int QxGlobalIsOwned(HGLOBAL block);
int QxGlobalFreeOwned(HGLOBAL block);
