#pragma once

#include <cstdint>
#include <vector>

#include "qx/export.h"
#include "qx/platform/types.h"
#include "qx/platform/window.h"

// A module is a named set of built-in resources. The library is the module "QxDurerive"; its
// resources are the two weight-paint brush cursors, 101 (small) and 102 (large).
struct QxModule;
using HMODULE = const QxModule*;
using HINSTANCE = HMODULE;

// Image types and load flags of LoadImageA.
inline constexpr UINT IMAGE_BITMAP = 0;
inline constexpr UINT IMAGE_ICON = 1;
inline constexpr UINT IMAGE_CURSOR = 2;
inline constexpr UINT LR_DEFAULTCOLOR = 0x0000;
inline constexpr UINT LR_MONOCHROME = 0x0001;

// A resource named by number travels where a name would (numbers below 0x10000).
inline const char* MAKEINTRESOURCEA(unsigned int id) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(id & 0xFFFF));
}

namespace QxWin {
// The module of that name; null (the host program) gives a module without resources, any name
// that is no module gives null.
QX_API HMODULE GetModuleHandleA(const char* name);
// A built-in image of a module. A cursor resource gives its HCURSOR as the handle. Size 0 x 0
// takes the image's own size; another size fails, as do names, types and modules that hold no
// such image. Null on failure.
QX_API HANDLE LoadImageA(HINSTANCE instance, const char* name, UINT type, int cx, int cy, UINT flags);
} // namespace QxWin

// The picture of one of the library's cursors for the host to draw: Width x Height pixels row by
// row, 1 where the shape is drawn, 0 where it is clear, and the hot spot. 0 for the standard
// shapes, whose pictures are the host's own.
struct QxCursorImage {
    int Width = 0;
    int Height = 0;
    POINT HotSpot{0, 0};
    std::vector<std::uint8_t> Mask;
};
QX_API int QxGetCursorImage(HCURSOR cursor, QxCursorImage& out);
