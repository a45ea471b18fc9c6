#pragma once

#include "qx/export.h"
#include "qx/math/matrix.h"
#include "qx/math/vector.h"

// CQxQuat: a rotation as a quaternion (x, y, z, w), w the scalar part. Rotations follow the
// right-hand rule. Products compose like row-vector matrices: q1 * q2 rotates by q1 first and
// then by q2, and its matrix is M(q1) * M(q2). Operations that rotate a vector take the
// quaternion as a unit one.
//
// Euler angles (a, b, c) are turns about X, then Y, then Z, each about the fixed parent axes:
// SetRotateXYZ gives qx(a) * qy(b) * qz(c), the matrix Rx(a) * Ry(b) * Rz(c).
class QX_API CQxQuat {
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;

    // The identity.
    constexpr CQxQuat() = default;
    constexpr CQxQuat(float qx, float qy, float qz, float qw) : x(qx), y(qy), z(qz), w(qw) {}

    void Set(float qx, float qy, float qz, float qw) {
        x = qx;
        y = qy;
        z = qz;
        w = qw;
    }
    void SetIdentity() { Set(0.0f, 0.0f, 0.0f, 1.0f); }
    // All four parts zero: not a rotation; marks "no value".
    void SetNull() { Set(0.0f, 0.0f, 0.0f, 0.0f); }
    // (0, 0, 0, +-1) within eps: both signs leave every vector where it is.
    int IsIdentity(float eps = 0.0f) const;
    int IsNull(float eps = 0.0f) const;
    int IsEqual(const CQxQuat& q, float eps = 0.0f) const;
    // Whether q turns every vector as this one does (q and -q are the same rotation).
    int IsSameRotate(const CQxQuat& q, float eps) const;

    float GetLength() const;
    float GetDot(const CQxQuat& q) const { return x * q.x + y * q.y + z * q.z + w * q.w; }
    // A zero or non-finite quaternion is left as it is and gives 0.
    int Normalize();
    CQxQuat GetConjugate() const { return CQxQuat(-x, -y, -z, w); }
    // The conjugate divided by the squared length; the null quaternion for a null one.
    CQxQuat GetInverse() const;

    // A zero axis gives the identity and 0; the axis need not be of unit length.
    int SetRotate(const CQxVector& axis, float angle);
    // From the rotation part of a matrix (a pure rotation; scaling is not removed).
    void SetRotate(const CQxMatrix& mat);
    // Turns the rotation further about an axis of the outer frame: this = this * rotation.
    // A zero axis changes nothing and gives 0.
    int Rotate(const CQxVector& axis, float angle);

    void SetRotateXYZ(const CQxVector& angles);
    void SetRotateXYZ(float ax, float ay, float az) { SetRotateXYZ(CQxVector(ax, ay, az)); }
    // Euler angles of the rotation: b in [-pi/2, pi/2], a and c in (-pi, pi]; at b = +-pi/2,
    // where only a - c (or a + c) is defined, c is 0. Gives 0 and leaves out alone for a null or
    // non-finite quaternion.
    int GetRotateXYZ(CQxVector& out) const;
    // The Euler triple of this rotation nearest to the reference (each angle may be any real,
    // so a curve keyed through these angles never jumps by 2 pi). At b = +-pi/2 the free angle
    // is split as near the reference as possible.
    int GetRotateXYZ(CQxVector& out, const CQxVector& reference) const;
    // The Euler angles, or zero when there are none.
    CQxVector GetRotateXYZ() const;

    CQxMatrix GetRotateMatrix() const;
    void GetRotateMatrix(CQxMatrix& out) const;
    // The vector turned by the rotation, the same as v * GetRotateMatrix().
    CQxVector Transform(const CQxVector& v) const;

    CQxQuat& operator*=(const CQxQuat& q);
    friend QX_API CQxQuat operator*(const CQxQuat& a, const CQxQuat& b);
    friend bool operator==(const CQxQuat& a, const CQxQuat& b) {
        return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
    }
    friend bool operator!=(const CQxQuat& a, const CQxQuat& b) { return !(a == b); }
};

inline CQxVector operator*(const CQxVector& v, const CQxQuat& q) {
    return q.Transform(v);
}
inline CQxVector& operator*=(CQxVector& v, const CQxQuat& q) {
    return v = q.Transform(v);
}
