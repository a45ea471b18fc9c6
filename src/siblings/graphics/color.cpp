#include "qx/graphics/color.h"

#include <algorithm>
#include <cmath>

unsigned char CQxColor::ToByte(float v) {
    if (!(v > 0.0f)) return 0; // also NaN
    if (v >= 1.0f) return 255;
    return static_cast<unsigned char>(std::lround(v * 255.0f));
}

unsigned long CQxColor::GetArgb() const {
    return MakeArgb(GetAlphaByte(), GetRedByte(), GetGreenByte(), GetBlueByte());
}

void CQxColor::SetArgb(unsigned long argb) {
    a = ToFloat(GetAlpha(argb));
    SetRgb(argb);
}

unsigned long CQxColor::GetRgb() const {
    return MakeArgb(0, GetRedByte(), GetGreenByte(), GetBlueByte());
}

void CQxColor::SetRgb(unsigned long rgb) {
    r = ToFloat(GetRed(rgb));
    g = ToFloat(GetGreen(rgb));
    b = ToFloat(GetBlue(rgb));
}

void CQxColor::SetBytes(unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha) {
    Set(ToFloat(red), ToFloat(green), ToFloat(blue), ToFloat(alpha));
}

CQxColor CQxColor::GetScaled(float s, int withAlpha) const {
    return CQxColor(r * s, g * s, b * s, withAlpha ? a * s : a);
}

CQxColor CQxColor::GetClamped() const {
    auto clamp = [](float v) { return v > 0.0f ? std::min(v, 1.0f) : 0.0f; };
    return CQxColor(clamp(r), clamp(g), clamp(b), clamp(a));
}

int CQxColor::IsEqual(const CQxColor& other, float eps) const {
    for (unsigned int i = 0; i < 4; ++i)
        if (!(std::fabs((*this)[i] - other[i]) <= eps)) return 0;
    return 1;
}
