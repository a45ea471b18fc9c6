#pragma once

#include "qx/export.h"
#include "qx/math/vector.h"

class CQxGraphicsDevice;

// A directional light of one colour: the direction the light travels (world space) and its
// ARGB colour. It lights faces only while enabled.
class QX_API CQxColorLight {
public:
    CQxColorLight() = default;

    void SetColor(unsigned long color) { m_Color = color; }
    unsigned long GetColor() const { return m_Color; }
    CQxVector& Direction() { return m_Direction; }
    const CQxVector& Direction() const { return m_Direction; }
    // 0 (direction unchanged) for a zero or non-finite vector; otherwise stores it normalised.
    int SetDirection(const CQxVector& direction);
    int& IsEnabled() { return m_IsEnabled; }
    const int& IsEnabled() const { return m_IsEnabled; }

    // Hands direction, colour and the enabled state to the device.
    void Apply(CQxGraphicsDevice& device) const;

private:
    unsigned long m_Color = 0xFFFFFFFF;
    CQxVector m_Direction{0.0f, 0.0f, -1.0f};
    int m_IsEnabled = 0;
};
