#include "qx/platform/input_state.h"

#include "platform_internal.h"
#include "qx/platform/window.h"

#include <array>

using namespace QxWin;

namespace {

struct InputState {
    std::array<BYTE, 256> Keys{};    // 0x80 down, 0x01 toggled
    std::array<BYTE, 256> Pressed{}; // 1 when pressed since the last GetAsyncKeyState
    POINT Cursor{0, 0};
    HWND MouseWindow = nullptr;
    int Wheel = 0;
};

InputState& State() {
    static InputState state;
    return state;
}

void SetOneKey(UINT vk, int down) {
    InputState& state = State();
    BYTE& key = state.Keys[vk];
    const bool wasDown = key & 0x80;
    if (down && !wasDown) {
        key = static_cast<BYTE>((key ^ 0x01) | 0x80);
        state.Pressed[vk] = 1;
    } else if (!down) {
        key &= 0x01;
    }
}

bool IsDown(UINT vk) {
    return State().Keys[vk] & 0x80;
}

// The generic modifier of a left or right one, or 0.
UINT GenericOf(UINT vk) {
    switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
        return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
        return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
        return VK_MENU;
    default:
        return 0;
    }
}

// The left key of a generic modifier, or 0.
UINT LeftOf(UINT vk) {
    switch (vk) {
    case VK_SHIFT:
        return VK_LSHIFT;
    case VK_CONTROL:
        return VK_LCONTROL;
    case VK_MENU:
        return VK_LMENU;
    default:
        return 0;
    }
}

} // namespace

void QxSetKeyState(UINT vk, int down) {
    if (vk > 255) return;
    if (const UINT generic = GenericOf(vk)) {
        SetOneKey(vk, down);
        // VK_LSHIFT and VK_RSHIFT are VK_SHIFT's left key and left key + 1, likewise for the others.
        const UINT left = LeftOf(generic);
        SetOneKey(generic, IsDown(left) || IsDown(left + 1));
    } else if (const UINT left = LeftOf(vk)) {
        SetOneKey(vk, down);
        SetOneKey(left, down);
        if (!down) SetOneKey(left + 1, 0);
    } else {
        SetOneKey(vk, down);
    }
}

void QxSetMousePos(HWND window, int x, int y) {
    InputState& state = State();
    POINT point{x, y};
    if (window) ClientToScreen(window, &point);
    state.Cursor = point;
    state.MouseWindow = window;
}

void QxAddMouseWheel(int delta) {
    State().Wheel += delta;
}

void QxReleaseAllKeys() {
    for (UINT vk = 0; vk < 256; ++vk) SetOneKey(vk, 0);
}

HWND QxGetMouseWindow() {
    return State().MouseWindow;
}

int QxGetMouseWheel() {
    return State().Wheel;
}

UINT QxGetMouseFlags() {
    UINT flags = 0;
    if (IsDown(VK_LBUTTON)) flags |= MK_LBUTTON;
    if (IsDown(VK_RBUTTON)) flags |= MK_RBUTTON;
    if (IsDown(VK_SHIFT)) flags |= MK_SHIFT;
    if (IsDown(VK_CONTROL)) flags |= MK_CONTROL;
    if (IsDown(VK_MBUTTON)) flags |= MK_MBUTTON;
    return flags;
}

SHORT QxWin::GetAsyncKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    InputState& state = State();
    const unsigned bits = (IsDown(static_cast<UINT>(vk)) ? 0x8000u : 0u) | state.Pressed[vk];
    state.Pressed[vk] = 0;
    return static_cast<SHORT>(bits);
}

SHORT QxWin::GetKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    const BYTE key = State().Keys[vk];
    return static_cast<SHORT>(((key & 0x80) ? 0x8000u : 0u) | (key & 0x01u));
}

BOOL QxWin::GetKeyboardState(BYTE* keys) {
    if (!keys) return 0;
    const auto& table = State().Keys;
    for (std::size_t i = 0; i < table.size(); ++i) keys[i] = table[i];
    return 1;
}

BOOL QxWin::GetCursorPos(POINT* point) {
    if (!point) return 0;
    *point = State().Cursor;
    return 1;
}

void QxInputForgetWindow(HWND window) {
    if (State().MouseWindow == window) State().MouseWindow = nullptr;
}
