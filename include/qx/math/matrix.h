#pragma once

#include "qx/export.h"
#include "qx/math/vector.h"

class CQxQuat;

// CQxMatrix: a 4x4 single-precision matrix for row vectors, p' = p * M. Rows 0 to 2 are the
// images of the X, Y and Z axes and row 3 holds the translation. A product A * B applies A
// first, and every in-place operation (Rotate, Scale, Translate, *=) appends its factor on the
// right, so it acts after what the matrix already does. Rotations follow the right-hand rule.
class QX_API CQxMatrix {
public:
    float m[4][4];

    // The identity.
    CQxMatrix() { SetIdentity(); }
    CQxMatrix(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
              float m31, float m32, float m33, float m34, float m41, float m42, float m43, float m44);

    void SetIdentity();
    int IsIdentity(float eps = 0.0f) const;
    int IsEqual(const CQxMatrix& other, float eps = 0.0f) const;
    int IsFinite() const;

    void SetTranslate(const CQxVector& t);
    void SetScale(const CQxVector& s);
    void SetScale(float s) { SetScale(CQxVector(s, s, s)); }
    // The translation and scaling matrices as values.
    static CQxMatrix Translation(const CQxVector& t) {
        CQxMatrix m;
        m.SetTranslate(t);
        return m;
    }
    static CQxMatrix Scaling(const CQxVector& s) {
        CQxMatrix m;
        m.SetScale(s);
        return m;
    }
    // A zero axis gives the identity and 0; the axis need not be of unit length.
    int SetRotate(const CQxVector& axis, float angle);
    void SetRotate(const CQxQuat& q);
    void SetRotateX(float angle);
    void SetRotateY(float angle);
    void SetRotateZ(float angle);

    // Append a factor on the right. Rotate with a zero axis changes nothing and gives 0.
    void Translate(const CQxVector& t);
    void Scale(const CQxVector& s);
    void Scale(float s) { Scale(CQxVector(s, s, s)); }
    int Rotate(const CQxVector& axis, float angle);
    void Rotate(const CQxQuat& q);
    void RotateX(float angle);
    void RotateY(float angle);
    void RotateZ(float angle);

    // Translation by -pivot, then scale, rotation and translation: a point p goes to
    // ((p - pivot) * S * R) + translate, so the pivot lands on the translation.
    void SetPSRT(const CQxVector& pivot, const CQxVector& scale, const CQxQuat& rotate,
                 const CQxVector& translate);

    // Right-handed view matrix: the eye at the origin looking down -Z with the up vector on +Y.
    // Returns 0 and leaves the matrix as it was when eye equals at or up is parallel to the view.
    int SetLookAtR(const CQxVector& eye, const CQxVector& at, const CQxVector& up);
    // Right-handed perspective projection, fovy in radians; view-space z = -zn maps to depth 0
    // and z = -zf to depth 1 after the divide by w. Needs 0 < fovy < pi, aspect > 0 and
    // 0 < zn < zf, else returns 0 and leaves the matrix as it was.
    int SetPerspectiveFovR(float fovy, float aspect, float zn, float zf);
    // Right-handed orthographic projection of a w x h view, depth 0 at z = -zn and 1 at z = -zf.
    // Needs w, h non-zero and zn != zf, else returns 0 and leaves the matrix as it was.
    int SetOrthoR(float w, float h, float zn, float zf);

    // Inversion: a singular, nearly singular or non-finite matrix gives 0 and is left as it was.
    int Invert();
    int GetInverse(CQxMatrix& out) const;
    // The inverse, or the identity when there is none.
    CQxMatrix GetInverse() const;
    void Transpose();
    CQxMatrix GetTranspose() const;
    float GetDeterminant() const;

    // A point with w = 1, affine: the fourth column is ignored (the same as p * M).
    CQxVector Transform(const CQxVector& p) const;
    // A point with w = 1, divided by the resulting w. When that w is 0 (a point on the eye plane
    // of a projection) there is no image: the int form gives 0 and leaves out alone, the other
    // returns the undivided x, y, z.
    CQxVector TransformCoord(const CQxVector& p) const;
    int TransformCoord(CQxVector& out, const CQxVector& p) const;
    // A direction: the upper 3x3 only, no translation. For surface normals under non-uniform
    // scaling pass the inverse transpose.
    CQxVector TransformNormal(const CQxVector& d) const;

    CQxMatrix& operator*=(const CQxMatrix& b);
    friend QX_API CQxMatrix operator*(const CQxMatrix& a, const CQxMatrix& b);
    friend QX_API bool operator==(const CQxMatrix& a, const CQxMatrix& b);
    friend bool operator!=(const CQxMatrix& a, const CQxMatrix& b) { return !(a == b); }
};

inline CQxVector operator*(const CQxVector& p, const CQxMatrix& mat) {
    return mat.Transform(p);
}
inline CQxVector& operator*=(CQxVector& p, const CQxMatrix& mat) {
    return p = mat.Transform(p);
}
