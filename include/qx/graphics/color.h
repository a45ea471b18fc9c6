#pragma once

#include "qx/export.h"

#include <cstdint>

// CQxColor: a colour as four floats, red, green, blue and alpha in that stored order, each
// nominally 0..1 (materials may go beyond). Colours elsewhere travel as 32-bit ARGB values
// (alpha in the top byte) held in `unsigned long`; only the low 32 bits are ever read.
// Converting to bytes clamps to 0..1 and rounds to the nearest of 0..255.
class QX_API CQxColor {
public:
    float r = 1.0f;
    float g = 1.0f;
    float b = 1.0f;
    float a = 1.0f;

    constexpr CQxColor() = default;
    constexpr CQxColor(float red, float green, float blue, float alpha = 1.0f)
        : r(red), g(green), b(blue), a(alpha) {}
    explicit CQxColor(unsigned long argb) { SetArgb(argb); }

    void Set(float red, float green, float blue, float alpha = 1.0f) {
        r = red;
        g = green;
        b = blue;
        a = alpha;
    }
    // Component i in stored order (0 red, 1 green, 2 blue, 3 alpha); i is taken modulo 4.
    float& operator[](unsigned int i) { return this->*Members[i & 3]; }
    float operator[](unsigned int i) const { return this->*Members[i & 3]; }

    // The whole colour as 32-bit ARGB.
    unsigned long GetArgb() const;
    void SetArgb(unsigned long argb);
    // Red, green and blue as 0x00RRGGBB; SetRgb keeps alpha and ignores the top byte.
    unsigned long GetRgb() const;
    void SetRgb(unsigned long rgb);

    // Components as bytes.
    unsigned char GetRedByte() const { return ToByte(r); }
    unsigned char GetGreenByte() const { return ToByte(g); }
    unsigned char GetBlueByte() const { return ToByte(b); }
    unsigned char GetAlphaByte() const { return ToByte(a); }
    void SetBytes(unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha);

    // Every component times s, alpha too when withAlpha is set.
    CQxColor GetScaled(float s, int withAlpha = 0) const;
    // Every component clamped to 0..1.
    CQxColor GetClamped() const;
    int IsEqual(const CQxColor& other, float eps = 0.0f) const;
    friend bool operator==(const CQxColor& x, const CQxColor& y) {
        return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
    }
    friend bool operator!=(const CQxColor& x, const CQxColor& y) { return !(x == y); }

    // Helpers on packed ARGB values.
    static constexpr unsigned int GetAlpha(unsigned long argb) { return (argb >> 24) & 0xFF; }
    static constexpr unsigned int GetRed(unsigned long argb) { return (argb >> 16) & 0xFF; }
    static constexpr unsigned int GetGreen(unsigned long argb) { return (argb >> 8) & 0xFF; }
    static constexpr unsigned int GetBlue(unsigned long argb) { return argb & 0xFF; }
    static constexpr unsigned long MakeArgb(unsigned int alpha, unsigned int red, unsigned int green,
                                            unsigned int blue) {
        return (static_cast<unsigned long>(alpha & 0xFF) << 24) | ((red & 0xFF) << 16) |
               ((green & 0xFF) << 8) | (blue & 0xFF);
    }
    static unsigned char ToByte(float v);
    static constexpr float ToFloat(unsigned int byte) { return static_cast<float>(byte & 0xFF) / 255.0f; }

private:
    static constexpr float CQxColor::*Members[4] = {&CQxColor::r, &CQxColor::g, &CQxColor::b, &CQxColor::a};
};
