#include "qx/input/input.h"

#include "qx/platform/input_state.h"

#include <cstring>

using namespace QxWin;

CQxInput& CQxInput::Instance() {
    static CQxInput input;
    return input;
}

int CQxInput::Acquire() {
    if (m_acquired) return 0;
    m_acquired = 1;
    return 1;
}

int CQxInput::Unacquire() {
    if (!m_acquired) return 0;
    m_acquired = 0;
    return 1;
}

int CQxInput::GetKeyState(QX_KEY_STATE& state) const {
    std::memset(&state, 0, sizeof state);
    if (!m_acquired) return 0;
    GetKeyboardState(state.Keys);
    // The toggle bit is the platform's own; a device reports only what is held.
    for (auto& key : state.Keys) key &= 0x80;
    return 1;
}

int CQxInput::GetMouseState(QX_MOUSE_STATE& state) const {
    std::memset(&state, 0, sizeof state);
    if (!m_acquired) return 0;
    POINT cursor{};
    GetCursorPos(&cursor);
    state.lX = cursor.x;
    state.lY = cursor.y;
    state.lZ = QxGetMouseWheel();
    const UINT buttons[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1, VK_XBUTTON2};
    for (int i = 0; i < 5; ++i)
        if (QxWin::GetKeyState(static_cast<int>(buttons[i])) < 0) state.rgbButtons[i] = 0x80;
    return 1;
}

int CQxInput::IsKeyDown(unsigned int vk) const {
    return m_acquired && vk < 256 && QxWin::GetKeyState(static_cast<int>(vk)) < 0;
}
