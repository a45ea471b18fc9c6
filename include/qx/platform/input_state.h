#pragma once

#include "qx/export.h"
#include "qx/platform/types.h"

// Virtual-key codes the core uses. Letters and digits are their upper-case ASCII codes.
enum : UINT {
    VK_LBUTTON = 0x01,
    VK_RBUTTON = 0x02,
    VK_CANCEL = 0x03,
    VK_MBUTTON = 0x04,
    VK_XBUTTON1 = 0x05,
    VK_XBUTTON2 = 0x06,
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_NUMPAD0 = 0x60,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F12 = 0x7B,
    VK_LSHIFT = 0xA0,
    VK_RSHIFT = 0xA1,
    VK_LCONTROL = 0xA2,
    VK_RCONTROL = 0xA3,
    VK_LMENU = 0xA4,
    VK_RMENU = 0xA5,
};

// Mouse flags as the mouse messages carry them.
enum : UINT { MK_LBUTTON = 0x01, MK_RBUTTON = 0x02, MK_SHIFT = 0x04, MK_CONTROL = 0x08, MK_MBUTTON = 0x10 };

// Key flags of the key messages (the high word of their second parameter).
enum : UINT { KF_EXTENDED = 0x0100, KF_ALTDOWN = 0x2000, KF_REPEAT = 0x4000, KF_UP = 0x8000 };

// One notch of the mouse wheel.
inline constexpr int WHEEL_DELTA = 120;

// Feeding the state, from the host's input events. Mouse buttons are keys too (VK_LBUTTON ...).
// The left and right modifier keys keep their generic key (VK_SHIFT ...) down while either is
// down; a generic modifier fed alone counts as its left key. Codes above 255 are ignored.
QX_API void QxSetKeyState(UINT vk, int down);
// The mouse position in the client coordinates of a window (screen coordinates for null).
QX_API void QxSetMousePos(HWND window, int x, int y);
QX_API void QxAddMouseWheel(int delta);
// Lets every key and button go up, as when the application loses the keyboard.
QX_API void QxReleaseAllKeys();

// The window the mouse was last reported in; its wheel total since the start.
QX_API HWND QxGetMouseWindow();
QX_API int QxGetMouseWheel();
// The MK_ flags of the buttons and modifiers now down.
QX_API UINT QxGetMouseFlags();

namespace QxWin {
// Queries with the usual meaning: the high bit (a negative result) while the key is down; the
// low bit is, for GetAsyncKeyState, "pressed since the last query" and, for GetKeyState, the
// toggle state that every press flips (Caps Lock). Out-of-range codes give 0.
QX_API SHORT GetAsyncKeyState(int vk);
QX_API SHORT GetKeyState(int vk);
// Fills 256 bytes: 0x80 for a key that is down, plus 0x01 when it is toggled.
QX_API BOOL GetKeyboardState(BYTE* keys);
// The mouse position in screen coordinates.
QX_API BOOL GetCursorPos(POINT* point);
} // namespace QxWin
