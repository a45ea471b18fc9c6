#pragma once

#include "qx/export.h"

// CQxVector: a point or a direction in 3D space, single precision. Points are row vectors and
// are transformed as p' = p * M (matrix.h) or p' = p * q (quat.h).
class QX_API CQxVector {
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr CQxVector() = default;
    constexpr CQxVector(float vx, float vy, float vz) : x(vx), y(vy), z(vz) {}

    void Set(float vx, float vy, float vz) {
        x = vx;
        y = vy;
        z = vz;
    }
    void SetNull() { Set(0.0f, 0.0f, 0.0f); }
    void SetOne() { Set(1.0f, 1.0f, 1.0f); }
    void SetUnitX() { Set(1.0f, 0.0f, 0.0f); }
    void SetUnitY() { Set(0.0f, 1.0f, 0.0f); }
    void SetUnitZ() { Set(0.0f, 0.0f, 1.0f); }

    // Exact by default; a positive eps accepts each component within eps.
    int IsNull(float eps = 0.0f) const;
    int IsOne(float eps = 0.0f) const;
    int IsEqual(const CQxVector& v, float eps = 0.0f) const;
    int IsFinite() const;

    float GetLength() const;
    float GetLengthSq() const { return x * x + y * y + z * z; }
    float GetDistance(const CQxVector& v) const;
    // Scales to unit length; a zero or non-finite vector is left as it is and gives 0.
    int Normalize();
    CQxVector GetNormalized() const;

    float GetDot(const CQxVector& v) const { return x * v.x + y * v.y + z * v.z; }
    // Right-handed: X cross Y is Z.
    CQxVector GetCross(const CQxVector& v) const {
        return CQxVector(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
    }
    // Unsigned angle between the two directions in radians, 0..pi; 0 when either is zero.
    float GetAngle(const CQxVector& v) const;

    static float GetDot(const CQxVector& a, const CQxVector& b) { return a.GetDot(b); }
    static CQxVector GetCross(const CQxVector& a, const CQxVector& b) { return a.GetCross(b); }
    static float GetAngle(const CQxVector& a, const CQxVector& b) { return a.GetAngle(b); }

    CQxVector operator-() const { return CQxVector(-x, -y, -z); }
    CQxVector& operator+=(const CQxVector& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    CQxVector& operator-=(const CQxVector& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    CQxVector& operator*=(float s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    CQxVector& operator/=(float s) {
        x /= s;
        y /= s;
        z /= s;
        return *this;
    }
    friend CQxVector operator+(CQxVector a, const CQxVector& b) { return a += b; }
    friend CQxVector operator-(CQxVector a, const CQxVector& b) { return a -= b; }
    friend CQxVector operator*(CQxVector a, float s) { return a *= s; }
    friend CQxVector operator*(float s, CQxVector a) { return a *= s; }
    friend CQxVector operator/(CQxVector a, float s) { return a /= s; }
    friend bool operator==(const CQxVector& a, const CQxVector& b) {
        return a.x == b.x && a.y == b.y && a.z == b.z;
    }
    friend bool operator!=(const CQxVector& a, const CQxVector& b) { return !(a == b); }
};
