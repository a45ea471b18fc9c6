#include "qx/graphics/light.h"

#include <cmath>

#include "qx/graphics/graphics_device.h"

int CQxColorLight::SetDirection(const CQxVector& direction) {
    const float length = direction.GetLength();
    if (!std::isfinite(length) || !(length > 0.0f)) return 0;
    m_Direction = direction * (1.0f / length);
    return 1;
}

void CQxColorLight::Apply(CQxGraphicsDevice& device) const {
    device.SetLight(m_Direction, m_Color);
    device.EnableLight(m_IsEnabled);
}
