#include "qx/math/quat.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double TwoPi = 2.0 * std::numbers::pi;

// Below this cos(b) the X and Z turns of an Euler triple are no longer told apart by a float
// quaternion: only their difference (or sum) is kept, split by a fixed rule or the reference.
constexpr double GimbalCos = 2.0e-6;

struct Quat {
    double x, y, z, w;
};

// Hamilton product p q: the rotation q first, then p.
Quat Hamilton(const Quat& p, const Quat& q) {
    return {p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y, p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x,
            p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w, p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z};
}

bool Unit(const CQxQuat& q, Quat& out) {
    const double len =
        std::sqrt(double(q.x) * q.x + double(q.y) * q.y + double(q.z) * q.z + double(q.w) * q.w);
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    out = {q.x / len, q.y / len, q.z / len, q.w / len};
    return true;
}

CQxQuat ToFloat(const Quat& q) {
    return CQxQuat(static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z),
                   static_cast<float>(q.w));
}

// Row-vector rotation matrix of a unit quaternion, upper 3x3.
void RowMatrix(const Quat& q, double r[3][3]) {
    const double xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    const double xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    const double xw = q.x * q.w, yw = q.y * q.w, zw = q.z * q.w;
    r[0][0] = 1.0 - 2.0 * (yy + zz);
    r[0][1] = 2.0 * (xy + zw);
    r[0][2] = 2.0 * (xz - yw);
    r[1][0] = 2.0 * (xy - zw);
    r[1][1] = 1.0 - 2.0 * (xx + zz);
    r[1][2] = 2.0 * (yz + xw);
    r[2][0] = 2.0 * (xz + yw);
    r[2][1] = 2.0 * (yz - xw);
    r[2][2] = 1.0 - 2.0 * (xx + yy);
}

double Wrap(double a) {
    double r = std::remainder(a, TwoPi);
    if (r <= -Pi) r += TwoPi;
    return r;
}

// a moved by whole turns as near as possible to ref.
double NearestTurn(double a, double ref) {
    return ref + Wrap(a - ref);
}

bool Finite(const CQxVector& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Euler extraction for R = Rx(a) Ry(b) Rz(c) with row vectors:
//   r02 = -sin b, r12 = sin a cos b, r22 = cos a cos b, r01 = cos b sin c, r00 = cos b cos c;
// at sin b = 1 the second row is (sin(a - c), cos(a - c), 0), at sin b = -1 (-sin(a + c), cos(a + c), 0).
struct Euler {
    double a, b, c;
    bool gimbal;
    double sign; // +1: a - c is fixed; -1: a + c is fixed
    double fixed;
};

Euler Extract(const double r[3][3]) {
    Euler e{};
    const double cb = std::sqrt(r[0][0] * r[0][0] + r[0][1] * r[0][1]);
    e.b = std::atan2(-r[0][2], cb);
    if (cb > GimbalCos) {
        e.a = std::atan2(r[1][2], r[2][2]);
        e.c = std::atan2(r[0][1], r[0][0]);
        return e;
    }
    e.gimbal = true;
    e.sign = -r[0][2] > 0.0 ? 1.0 : -1.0;
    e.fixed = std::atan2(e.sign * r[1][0], r[1][1]);
    e.a = e.fixed;
    e.c = 0.0;
    return e;
}

} // namespace

int CQxQuat::IsIdentity(float eps) const {
    const auto near = [eps](float v, float t) { return v == t || std::fabs(v - t) <= eps; };
    return near(x, 0.0f) && near(y, 0.0f) && near(z, 0.0f) && (near(w, 1.0f) || near(w, -1.0f));
}

int CQxQuat::IsNull(float eps) const {
    return IsEqual(CQxQuat(0.0f, 0.0f, 0.0f, 0.0f), eps);
}

int CQxQuat::IsEqual(const CQxQuat& q, float eps) const {
    const auto near = [eps](float a, float b) { return a == b || std::fabs(a - b) <= eps; };
    return near(x, q.x) && near(y, q.y) && near(z, q.z) && near(w, q.w);
}

int CQxQuat::IsSameRotate(const CQxQuat& q, float eps) const {
    return IsEqual(q, eps) || IsEqual(CQxQuat(-q.x, -q.y, -q.z, -q.w), eps);
}

float CQxQuat::GetLength() const {
    return static_cast<float>(std::sqrt(double(x) * x + double(y) * y + double(z) * z + double(w) * w));
}

int CQxQuat::Normalize() {
    Quat u;
    if (!Unit(*this, u)) return 0;
    *this = ToFloat(u);
    return 1;
}

CQxQuat CQxQuat::GetInverse() const {
    const double n = double(x) * x + double(y) * y + double(z) * z + double(w) * w;
    if (!(n > 0.0) || !std::isfinite(n)) return CQxQuat(0.0f, 0.0f, 0.0f, 0.0f);
    return ToFloat({-x / n, -y / n, -z / n, w / n});
}

int CQxQuat::SetRotate(const CQxVector& axis, float angle) {
    const double len = std::sqrt(double(axis.x) * axis.x + double(axis.y) * axis.y + double(axis.z) * axis.z);
    if (!(len > 0.0) || !std::isfinite(len) || !std::isfinite(angle)) {
        SetIdentity();
        return 0;
    }
    const double s = std::sin(angle * 0.5) / len;
    *this = ToFloat({axis.x * s, axis.y * s, axis.z * s, std::cos(angle * 0.5)});
    return 1;
}

void CQxQuat::SetRotate(const CQxMatrix& mat) {
    // c[i][j] is the column-vector matrix, the transpose of the row-vector one.
    const auto c = [&mat](int i, int j) { return double(mat.m[j][i]); };
    const double trace = c(0, 0) + c(1, 1) + c(2, 2);
    Quat q;
    if (trace > 0.0) {
        const double s = 0.5 / std::sqrt(trace + 1.0);
        q = {(c(2, 1) - c(1, 2)) * s, (c(0, 2) - c(2, 0)) * s, (c(1, 0) - c(0, 1)) * s, 0.25 / s};
    } else if (c(0, 0) > c(1, 1) && c(0, 0) > c(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + c(0, 0) - c(1, 1) - c(2, 2));
        q = {0.25 * s, (c(0, 1) + c(1, 0)) / s, (c(0, 2) + c(2, 0)) / s, (c(2, 1) - c(1, 2)) / s};
    } else if (c(1, 1) > c(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + c(1, 1) - c(0, 0) - c(2, 2));
        q = {(c(0, 1) + c(1, 0)) / s, 0.25 * s, (c(1, 2) + c(2, 1)) / s, (c(0, 2) - c(2, 0)) / s};
    } else {
        const double s = 2.0 * std::sqrt(1.0 + c(2, 2) - c(0, 0) - c(1, 1));
        q = {(c(0, 2) + c(2, 0)) / s, (c(1, 2) + c(2, 1)) / s, 0.25 * s, (c(1, 0) - c(0, 1)) / s};
    }
    *this = ToFloat(q);
    if (!Normalize()) SetIdentity();
}

int CQxQuat::Rotate(const CQxVector& axis, float angle) {
    CQxQuat r;
    if (!r.SetRotate(axis, angle)) return 0;
    *this *= r;
    return 1;
}

void CQxQuat::SetRotateXYZ(const CQxVector& angles) {
    const double ha = angles.x * 0.5, hb = angles.y * 0.5, hc = angles.z * 0.5;
    const Quat qx{std::sin(ha), 0.0, 0.0, std::cos(ha)};
    const Quat qy{0.0, std::sin(hb), 0.0, std::cos(hb)};
    const Quat qz{0.0, 0.0, std::sin(hc), std::cos(hc)};
    const Quat q = Hamilton(qz, Hamilton(qy, qx)); // X first, then Y, then Z
    if (!std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z) || !std::isfinite(q.w)) {
        SetIdentity();
        return;
    }
    *this = ToFloat(q);
}

int CQxQuat::GetRotateXYZ(CQxVector& out) const {
    Quat u;
    if (!Unit(*this, u)) return 0;
    double r[3][3];
    RowMatrix(u, r);
    const Euler e = Extract(r);
    out.Set(static_cast<float>(Wrap(e.a)), static_cast<float>(e.b), static_cast<float>(Wrap(e.c)));
    return 1;
}

int CQxQuat::GetRotateXYZ(CQxVector& out, const CQxVector& reference) const {
    Quat u;
    if (!Unit(*this, u) || !Finite(reference)) return 0;
    double r[3][3];
    RowMatrix(u, r);
    const Euler e = Extract(r);
    const double ra = reference.x, rb = reference.y, rc = reference.z;
    double a, b, c;
    if (e.gimbal) {
        // Only a - sign * c is fixed: move both by half of the remaining difference.
        b = NearestTurn(e.b, rb);
        const double d = Wrap(e.fixed - (ra - e.sign * rc));
        a = ra + d * 0.5;
        c = rc - e.sign * d * 0.5;
    } else {
        // The same rotation is (a, b, c) and (a + pi, pi - b, c + pi), each up to whole turns.
        const double a1 = NearestTurn(e.a, ra), b1 = NearestTurn(e.b, rb), c1 = NearestTurn(e.c, rc);
        const double a2 = NearestTurn(e.a + Pi, ra), b2 = NearestTurn(Pi - e.b, rb),
                     c2 = NearestTurn(e.c + Pi, rc);
        const auto dist = [&](double pa, double pb, double pc) {
            return (pa - ra) * (pa - ra) + (pb - rb) * (pb - rb) + (pc - rc) * (pc - rc);
        };
        if (dist(a2, b2, c2) < dist(a1, b1, c1)) {
            a = a2;
            b = b2;
            c = c2;
        } else {
            a = a1;
            b = b1;
            c = c1;
        }
    }
    const CQxVector result(static_cast<float>(a), static_cast<float>(b), static_cast<float>(c));
    if (!Finite(result)) return 0;
    out = result;
    return 1;
}

CQxVector CQxQuat::GetRotateXYZ() const {
    CQxVector v;
    GetRotateXYZ(v);
    return v;
}

CQxMatrix CQxQuat::GetRotateMatrix() const {
    CQxMatrix mat;
    GetRotateMatrix(mat);
    return mat;
}

void CQxQuat::GetRotateMatrix(CQxMatrix& out) const {
    out.SetIdentity();
    Quat u;
    if (!Unit(*this, u)) return;
    double r[3][3];
    RowMatrix(u, r);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out.m[i][j] = static_cast<float>(r[i][j]);
}

// v + 2w (u x v) + 2 u x (u x v), the expanded q v q* for a unit q.
CQxVector CQxQuat::Transform(const CQxVector& v) const {
    const CQxVector u(x, y, z);
    const CQxVector t = u.GetCross(v) * 2.0f;
    return v + t * w + u.GetCross(t);
}

CQxQuat& CQxQuat::operator*=(const CQxQuat& q) {
    return *this = *this * q;
}

CQxQuat operator*(const CQxQuat& a, const CQxQuat& b) {
    const Quat r = Hamilton({b.x, b.y, b.z, b.w}, {a.x, a.y, a.z, a.w});
    return ToFloat(r);
}
