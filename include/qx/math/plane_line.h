#pragma once

#include "qx/export.h"
#include "qx/math/vector.h"

// CQxLine: an infinite line through a point along a direction (a mouse ray, an axis).
class QX_API CQxLine {
public:
    CQxLine() = default;
    CQxLine(const CQxVector& point, const CQxVector& dir) : LinePoint(point), LineDir(dir) {}

    void Set(const CQxVector& point, const CQxVector& dir) {
        LinePoint = point;
        LineDir = dir;
    }
    // The line through two points, directed from the first to the second; 0 when they coincide.
    int SetPoints(const CQxVector& from, const CQxVector& to);
    CQxVector& Point() { return LinePoint; }
    const CQxVector& Point() const { return LinePoint; }
    CQxVector& Dir() { return LineDir; }
    const CQxVector& Dir() const { return LineDir; }
    // Point + Dir * t.
    CQxVector GetPoint(float t) const { return LinePoint + LineDir * t; }
    int IsValid() const { return !LineDir.IsNull() && LinePoint.IsFinite() && LineDir.IsFinite(); }

private:
    CQxVector LinePoint;
    CQxVector LineDir;
};

// CQxPlane: the points p with Normal . p + D = 0, the normal of unit length. A default plane
// has no normal and intersects nothing.
class QX_API CQxPlane {
public:
    CQxPlane() = default;

    // Through a point with a normal (any length); a zero normal gives 0 and changes nothing.
    int Set(const CQxVector& point, const CQxVector& normal);
    // Through three points, the normal (p2 - p1) x (p3 - p1): toward an observer who sees the
    // points in counter-clockwise order. Points on one line give 0 and change nothing.
    int Set(const CQxVector& p1, const CQxVector& p2, const CQxVector& p3);
    const CQxVector& Normal() const { return PlaneNormal; }
    float D() const { return PlaneD; }
    int IsValid() const { return !PlaneNormal.IsNull(); }

    // Signed distance, positive on the side the normal points to.
    float GetDistance(const CQxVector& p) const { return PlaneNormal.GetDot(p) + PlaneD; }
    // The foot of the perpendicular from p.
    CQxVector GetProjection(const CQxVector& p) const { return p - PlaneNormal * GetDistance(p); }
    // Where the line meets the plane. A line parallel to the plane (lying in it or not), an
    // invalid line or an invalid plane gives 0 and leaves out alone.
    int GetIntersection(CQxVector& out, const CQxLine& line) const;

private:
    CQxVector PlaneNormal;
    float PlaneD = 0.0f;
};

// The point of the line nearest to a point; 0 (out left alone) for a line without direction.
QX_API int QxGetNearPoint(CQxVector& out, const CQxVector& point, const CQxLine& line);
// The point of the first line nearest to the second (where a drag axis comes closest to the
// mouse ray); 0 (out left alone) when the lines are parallel or lack a direction.
QX_API int QxGetNearPoint(CQxVector& out, const CQxLine& line, const CQxLine& other);

// 1 when p1, p2, p3 appear clockwise to an observer looking along view (the direction from the
// eye into the scene); 0 when counter-clockwise, seen edge-on or when the points are on a line.
// The normal by the right-hand rule faces an observer who sees the points counter-clockwise;
// looking along view, that observer sees them clockwise when the normal points away.
inline int IsClockwise(const CQxVector& view, const CQxVector& p1, const CQxVector& p2, const CQxVector& p3) {
    const CQxVector n = (p2 - p1).GetCross(p3 - p1);
    return double{n.x} * view.x + double{n.y} * view.y + double{n.z} * view.z > 0.0;
}
