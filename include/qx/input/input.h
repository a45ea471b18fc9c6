#pragma once

#include "qx/export.h"

#include <cstdint>

// The mouse as the input library reports it: position in screen pixels, the wheel's running
// total (120 a notch), and buttons 0 to 4 (left, right, middle, two side buttons) with 0x80
// while down. 20 bytes, the size the core reserves for it.
struct QX_MOUSE_STATE {
    std::int32_t lX;
    std::int32_t lY;
    std::int32_t lZ;
    std::uint8_t rgbButtons[8];
};
static_assert(sizeof(QX_MOUSE_STATE) == 20);

// The keyboard: one byte per virtual-key code, 0x80 while the key is down.
struct QX_KEY_STATE {
    std::uint8_t Keys[256];

    std::uint8_t& operator[](unsigned int vk) { return Keys[vk & 0xFF]; }
    std::uint8_t operator[](unsigned int vk) const { return Keys[vk & 0xFF]; }
};
static_assert(sizeof(QX_KEY_STATE) == 256);

// The input devices. The host feeds the key and mouse state (QxPlatform's input state); while
// the devices are acquired, this reports it, and while they are not, it reports nothing down.
class QX_API CQxInput {
public:
    static CQxInput& Instance();

    CQxInput(const CQxInput&) = delete;
    CQxInput& operator=(const CQxInput&) = delete;

    // Both return 1 when the state changed, 0 when the devices already were (or were not) held.
    int Acquire();
    int Unacquire();
    int IsAcquired() const { return m_acquired; }

    // Fill the record and return 1; without the devices, fill it with zeros and return 0.
    int GetKeyState(QX_KEY_STATE& state) const;
    int GetMouseState(QX_MOUSE_STATE& state) const;
    int IsKeyDown(unsigned int vk) const;

private:
    CQxInput() = default;

    int m_acquired = 0;
};
