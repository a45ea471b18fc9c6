#pragma once

#include "qx/export.h"

// CQxVector2D: a 2D point or offset, single precision (texture coordinates, graph positions).
class QX_API CQxVector2D {
public:
    float x = 0.0f;
    float y = 0.0f;

    constexpr CQxVector2D() = default;
    constexpr CQxVector2D(float vx, float vy) : x(vx), y(vy) {}

    void Set(float vx, float vy) {
        x = vx;
        y = vy;
    }
    void SetNull() { Set(0.0f, 0.0f); }
    int IsNull(float eps = 0.0f) const;
    int IsEqual(const CQxVector2D& v, float eps = 0.0f) const;

    float GetLength() const;
    float GetLengthSq() const { return x * x + y * y; }
    // A zero or non-finite vector is left as it is and gives 0.
    int Normalize();
    float GetDot(const CQxVector2D& v) const { return x * v.x + y * v.y; }
    // The z of the 3D cross product: positive when v turns counter-clockwise from this.
    float GetCross(const CQxVector2D& v) const { return x * v.y - y * v.x; }
    // Signed angle from this to v in radians, -pi..pi; 0 when either is zero.
    float GetAngle(const CQxVector2D& v) const;

    CQxVector2D operator-() const { return CQxVector2D(-x, -y); }
    CQxVector2D& operator+=(const CQxVector2D& v) {
        x += v.x;
        y += v.y;
        return *this;
    }
    CQxVector2D& operator-=(const CQxVector2D& v) {
        x -= v.x;
        y -= v.y;
        return *this;
    }
    CQxVector2D& operator*=(float s) {
        x *= s;
        y *= s;
        return *this;
    }
    CQxVector2D& operator/=(float s) {
        x /= s;
        y /= s;
        return *this;
    }
    friend CQxVector2D operator+(CQxVector2D a, const CQxVector2D& b) { return a += b; }
    friend CQxVector2D operator-(CQxVector2D a, const CQxVector2D& b) { return a -= b; }
    friend CQxVector2D operator*(CQxVector2D a, float s) { return a *= s; }
    friend CQxVector2D operator*(float s, CQxVector2D a) { return a *= s; }
    friend CQxVector2D operator/(CQxVector2D a, float s) { return a /= s; }
    friend bool operator==(const CQxVector2D& a, const CQxVector2D& b) { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(const CQxVector2D& a, const CQxVector2D& b) { return !(a == b); }
};
