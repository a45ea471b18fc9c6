#include "qx/math/matrix.h"

#include <cmath>

#include "qx/math/math_helpers.h"
#include "qx/math/quat.h"

namespace {

// Row-vector rotation about a unit axis by the right-hand rule.
void AxisRotation(float out[4][4], double ux, double uy, double uz, double angle) {
    const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
    const double r[3][3] = {{c + t * ux * ux, t * ux * uy + s * uz, t * ux * uz - s * uy},
                            {t * ux * uy - s * uz, c + t * uy * uy, t * uy * uz + s * ux},
                            {t * ux * uz + s * uy, t * uy * uz - s * ux, c + t * uz * uz}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i][j] = (i < 3 && j < 3) ? static_cast<float>(r[i][j]) : (i == j ? 1.0f : 0.0f);
}

bool UnitAxis(const CQxVector& axis, double& ux, double& uy, double& uz) {
    const double x = axis.x, y = axis.y, z = axis.z;
    const double len = std::sqrt(x * x + y * y + z * z);
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    ux = x / len;
    uy = y / len;
    uz = z / len;
    return true;
}

void Multiply(const float a[4][4], const float b[4][4], float out[4][4]) {
    float r[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out[i][j] = r[i][j];
}

// Inverse by cofactors in double. A matrix is taken as singular when its determinant is tiny
// next to the product of its row lengths (rows nearly dependent), whatever its overall scale.
bool Inverse(const float in[4][4], float out[4][4]) {
    double a[16];
    for (int i = 0; i < 16; ++i) {
        a[i] = in[i / 4][i % 4];
        if (!std::isfinite(a[i])) return false;
    }
    double inv[16];
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
             a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
             a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
             a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
              a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
             a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
             a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
             a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
              a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
             a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
             a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
              a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
              a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
             a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
             a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
              a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] +
              a[8] * a[1] * a[6] - a[8] * a[2] * a[5];

    const double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
    double bound = 1.0;
    for (int i = 0; i < 4; ++i)
        bound *= std::sqrt(a[i * 4] * a[i * 4] + a[i * 4 + 1] * a[i * 4 + 1] + a[i * 4 + 2] * a[i * 4 + 2] +
                           a[i * 4 + 3] * a[i * 4 + 3]);
    if (!(bound > 0.0) || !(std::fabs(det) > 1e-10 * bound)) return false;

    float r[4][4];
    for (int i = 0; i < 16; ++i) {
        const double v = inv[i] / det;
        r[i / 4][i % 4] = static_cast<float>(v);
        if (!std::isfinite(r[i / 4][i % 4])) return false;
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out[i][j] = r[i][j];
    return true;
}

bool Near(float a, float b, float eps) {
    return a == b || std::fabs(a - b) <= eps;
}

} // namespace

CQxMatrix::CQxMatrix(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
                     float m31, float m32, float m33, float m34, float m41, float m42, float m43, float m44)
    : m{{m11, m12, m13, m14}, {m21, m22, m23, m24}, {m31, m32, m33, m34}, {m41, m42, m43, m44}} {}

void CQxMatrix::SetIdentity() {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[i][j] = i == j ? 1.0f : 0.0f;
}

int CQxMatrix::IsIdentity(float eps) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (!Near(m[i][j], i == j ? 1.0f : 0.0f, eps)) return 0;
    return 1;
}

int CQxMatrix::IsEqual(const CQxMatrix& other, float eps) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (!Near(m[i][j], other.m[i][j], eps)) return 0;
    return 1;
}

int CQxMatrix::IsFinite() const {
    for (const auto& row : m)
        for (float v : row)
            if (!std::isfinite(v)) return 0;
    return 1;
}

void CQxMatrix::SetTranslate(const CQxVector& t) {
    SetIdentity();
    m[3][0] = t.x;
    m[3][1] = t.y;
    m[3][2] = t.z;
}

void CQxMatrix::SetScale(const CQxVector& s) {
    SetIdentity();
    m[0][0] = s.x;
    m[1][1] = s.y;
    m[2][2] = s.z;
}

int CQxMatrix::SetRotate(const CQxVector& axis, float angle) {
    double ux, uy, uz;
    if (!UnitAxis(axis, ux, uy, uz)) {
        SetIdentity();
        return 0;
    }
    AxisRotation(m, ux, uy, uz, angle);
    return 1;
}

void CQxMatrix::SetRotate(const CQxQuat& q) {
    q.GetRotateMatrix(*this);
}

void CQxMatrix::SetRotateX(float angle) {
    AxisRotation(m, 1.0, 0.0, 0.0, angle);
}
void CQxMatrix::SetRotateY(float angle) {
    AxisRotation(m, 0.0, 1.0, 0.0, angle);
}
void CQxMatrix::SetRotateZ(float angle) {
    AxisRotation(m, 0.0, 0.0, 1.0, angle);
}

// Appending a translation only shifts the translation row (and, for a projective matrix,
// mixes the w column into it); no full product is needed.
void CQxMatrix::Translate(const CQxVector& t) {
    for (int i = 0; i < 4; ++i) {
        m[i][0] += m[i][3] * t.x;
        m[i][1] += m[i][3] * t.y;
        m[i][2] += m[i][3] * t.z;
    }
}

void CQxMatrix::Scale(const CQxVector& s) {
    for (int i = 0; i < 4; ++i) {
        m[i][0] *= s.x;
        m[i][1] *= s.y;
        m[i][2] *= s.z;
    }
}

int CQxMatrix::Rotate(const CQxVector& axis, float angle) {
    CQxMatrix r;
    if (!r.SetRotate(axis, angle)) return 0;
    *this *= r;
    return 1;
}

void CQxMatrix::Rotate(const CQxQuat& q) {
    *this *= q.GetRotateMatrix();
}

void CQxMatrix::RotateX(float angle) {
    CQxMatrix r;
    r.SetRotateX(angle);
    *this *= r;
}

void CQxMatrix::RotateY(float angle) {
    CQxMatrix r;
    r.SetRotateY(angle);
    *this *= r;
}

void CQxMatrix::RotateZ(float angle) {
    CQxMatrix r;
    r.SetRotateZ(angle);
    *this *= r;
}

void CQxMatrix::SetPSRT(const CQxVector& pivot, const CQxVector& scale, const CQxQuat& rotate,
                        const CQxVector& translate) {
    SetTranslate(-pivot);
    Scale(scale);
    Rotate(rotate);
    Translate(translate);
}

int CQxMatrix::SetLookAtR(const CQxVector& eye, const CQxVector& at, const CQxVector& up) {
    CQxVector zaxis = eye - at; // the view looks down -Z
    if (!zaxis.Normalize()) return 0;
    CQxVector xaxis = up.GetCross(zaxis);
    // An up vector (nearly) along the view leaves no side direction to speak of.
    if (!(xaxis.GetLength() > 1e-6f * up.GetLength()) || !xaxis.Normalize()) return 0;
    const CQxVector yaxis = zaxis.GetCross(xaxis);
    *this = CQxMatrix(xaxis.x, yaxis.x, zaxis.x, 0.0f, xaxis.y, yaxis.y, zaxis.y, 0.0f, xaxis.z, yaxis.z,
                      zaxis.z, 0.0f, -xaxis.GetDot(eye), -yaxis.GetDot(eye), -zaxis.GetDot(eye), 1.0f);
    return 1;
}

int CQxMatrix::SetPerspectiveFovR(float fovy, float aspect, float zn, float zf) {
    if (!(fovy > 0.0f && fovy < QX_PI) || !(aspect > 0.0f) || !std::isfinite(aspect)) return 0;
    if (!(zn > 0.0f) || !(zf > zn) || !std::isfinite(zf)) return 0;
    const double ys = 1.0 / std::tan(fovy * 0.5);
    const double xs = ys / aspect;
    const double range = double(zf) / (double(zn) - double(zf));
    *this =
        CQxMatrix(static_cast<float>(xs), 0.0f, 0.0f, 0.0f, 0.0f, static_cast<float>(ys), 0.0f, 0.0f, 0.0f,
                  0.0f, static_cast<float>(range), -1.0f, 0.0f, 0.0f, static_cast<float>(zn * range), 0.0f);
    return IsFinite();
}

int CQxMatrix::SetOrthoR(float w, float h, float zn, float zf) {
    if (w == 0.0f || h == 0.0f || zn == zf) return 0;
    if (!std::isfinite(w) || !std::isfinite(h) || !std::isfinite(zn) || !std::isfinite(zf)) return 0;
    const double depth = double(zn) - double(zf);
    const CQxMatrix r(static_cast<float>(2.0 / w), 0.0f, 0.0f, 0.0f, 0.0f, static_cast<float>(2.0 / h), 0.0f,
                      0.0f, 0.0f, 0.0f, static_cast<float>(1.0 / depth), 0.0f, 0.0f, 0.0f,
                      static_cast<float>(zn / depth), 1.0f);
    if (!r.IsFinite()) return 0;
    *this = r;
    return 1;
}

int CQxMatrix::Invert() {
    return Inverse(m, m);
}

int CQxMatrix::GetInverse(CQxMatrix& out) const {
    return Inverse(m, out.m);
}

CQxMatrix CQxMatrix::GetInverse() const {
    CQxMatrix r;
    if (!Inverse(m, r.m)) r.SetIdentity();
    return r;
}

void CQxMatrix::Transpose() {
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j) {
            const float t = m[i][j];
            m[i][j] = m[j][i];
            m[j][i] = t;
        }
}

CQxMatrix CQxMatrix::GetTranspose() const {
    CQxMatrix r = *this;
    r.Transpose();
    return r;
}

float CQxMatrix::GetDeterminant() const {
    const auto det3 = [this](int r0, int r1, int r2, int c0, int c1, int c2) {
        return double(m[r0][c0]) * (double(m[r1][c1]) * m[r2][c2] - double(m[r1][c2]) * m[r2][c1]) -
               double(m[r0][c1]) * (double(m[r1][c0]) * m[r2][c2] - double(m[r1][c2]) * m[r2][c0]) +
               double(m[r0][c2]) * (double(m[r1][c0]) * m[r2][c1] - double(m[r1][c1]) * m[r2][c0]);
    };
    const double d = m[0][0] * det3(1, 2, 3, 1, 2, 3) - m[0][1] * det3(1, 2, 3, 0, 2, 3) +
                     m[0][2] * det3(1, 2, 3, 0, 1, 3) - m[0][3] * det3(1, 2, 3, 0, 1, 2);
    return static_cast<float>(d);
}

CQxVector CQxMatrix::Transform(const CQxVector& p) const {
    return CQxVector(p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
                     p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
                     p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]);
}

int CQxMatrix::TransformCoord(CQxVector& out, const CQxVector& p) const {
    const CQxVector v = Transform(p);
    const float w = p.x * m[0][3] + p.y * m[1][3] + p.z * m[2][3] + m[3][3];
    if (w == 0.0f || !std::isfinite(w)) return 0;
    out = v / w;
    return 1;
}

CQxVector CQxMatrix::TransformCoord(const CQxVector& p) const {
    CQxVector out = Transform(p);
    TransformCoord(out, p);
    return out;
}

CQxVector CQxMatrix::TransformNormal(const CQxVector& d) const {
    return CQxVector(d.x * m[0][0] + d.y * m[1][0] + d.z * m[2][0],
                     d.x * m[0][1] + d.y * m[1][1] + d.z * m[2][1],
                     d.x * m[0][2] + d.y * m[1][2] + d.z * m[2][2]);
}

CQxMatrix& CQxMatrix::operator*=(const CQxMatrix& b) {
    Multiply(m, b.m, m);
    return *this;
}

CQxMatrix operator*(const CQxMatrix& a, const CQxMatrix& b) {
    CQxMatrix r;
    Multiply(a.m, b.m, r.m);
    return r;
}

bool operator==(const CQxMatrix& a, const CQxMatrix& b) {
    return a.IsEqual(b);
}
