#include "qx/math/plane_line.h"

#include <cmath>

namespace {

// Directions closer to parallel than this (sine of the angle) count as parallel: the crossing
// would be farther away than any scene.
constexpr double ParallelSine = 1e-6;

double Dot(const CQxVector& a, const CQxVector& b) {
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}

// The point at parameter t along the line, computed in double; 0 when it is not finite.
int PointOnLine(CQxVector& out, const CQxLine& line, double t) {
    const CQxVector p(static_cast<float>(line.Point().x + line.Dir().x * t),
                      static_cast<float>(line.Point().y + line.Dir().y * t),
                      static_cast<float>(line.Point().z + line.Dir().z * t));
    if (!p.IsFinite()) return 0;
    out = p;
    return 1;
}

} // namespace

int CQxLine::SetPoints(const CQxVector& from, const CQxVector& to) {
    const CQxVector dir = to - from;
    if (dir.IsNull()) return 0;
    Set(from, dir);
    return 1;
}

int CQxPlane::Set(const CQxVector& point, const CQxVector& normal) {
    CQxVector n = normal;
    if (!point.IsFinite() || !n.Normalize()) return 0;
    PlaneNormal = n;
    PlaneD = static_cast<float>(-Dot(n, point));
    return 1;
}

int CQxPlane::Set(const CQxVector& p1, const CQxVector& p2, const CQxVector& p3) {
    const CQxVector e1 = p2 - p1, e2 = p3 - p1;
    const CQxVector n = e1.GetCross(e2);
    if (!(n.GetLength() > ParallelSine * e1.GetLength() * e2.GetLength())) return 0;
    return Set(p1, n);
}

int CQxPlane::GetIntersection(CQxVector& out, const CQxLine& line) const {
    if (!IsValid() || !line.IsValid()) return 0;
    const double dirLen = std::sqrt(Dot(line.Dir(), line.Dir()));
    const double denom = Dot(PlaneNormal, line.Dir());
    if (!(std::fabs(denom) > ParallelSine * dirLen)) return 0;
    const double t = -(Dot(PlaneNormal, line.Point()) + PlaneD) / denom;
    return PointOnLine(out, line, t);
}

int QxGetNearPoint(CQxVector& out, const CQxVector& point, const CQxLine& line) {
    if (!line.IsValid() || !point.IsFinite()) return 0;
    const double t = Dot(point - line.Point(), line.Dir()) / Dot(line.Dir(), line.Dir());
    return PointOnLine(out, line, t);
}

// Minimises |P1 + d1 s - (P2 + d2 t)| over s and t; the system is singular for parallel lines.
int QxGetNearPoint(CQxVector& out, const CQxLine& line, const CQxLine& other) {
    if (!line.IsValid() || !other.IsValid()) return 0;
    const CQxVector& d1 = line.Dir();
    const CQxVector& d2 = other.Dir();
    const CQxVector w = line.Point() - other.Point();
    const double a = Dot(d1, d1), b = Dot(d1, d2), c = Dot(d2, d2), d = Dot(d1, w), e = Dot(d2, w);
    const double denom = a * c - b * b; // |d1|^2 |d2|^2 sin^2
    if (!(denom > ParallelSine * ParallelSine * a * c)) return 0;
    const double s = (b * e - c * d) / denom;
    return PointOnLine(out, line, s);
}
