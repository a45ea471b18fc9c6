#include "qx/math/vector.h"

#include <cmath>

#include "qx/math/vector2d.h"

namespace {

bool Near(float a, float b, float eps) {
    return a == b || std::fabs(a - b) <= eps;
}

} // namespace

int CQxVector::IsNull(float eps) const {
    return Near(x, 0.0f, eps) && Near(y, 0.0f, eps) && Near(z, 0.0f, eps);
}

int CQxVector::IsOne(float eps) const {
    return Near(x, 1.0f, eps) && Near(y, 1.0f, eps) && Near(z, 1.0f, eps);
}

int CQxVector::IsEqual(const CQxVector& v, float eps) const {
    return Near(x, v.x, eps) && Near(y, v.y, eps) && Near(z, v.z, eps);
}

int CQxVector::IsFinite() const {
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

// Lengths are taken in double so that large components neither overflow nor lose the small ones.
float CQxVector::GetLength() const {
    const double dx = x, dy = y, dz = z;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

float CQxVector::GetDistance(const CQxVector& v) const {
    const double dx = double(x) - v.x, dy = double(y) - v.y, dz = double(z) - v.z;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

int CQxVector::Normalize() {
    const double dx = x, dy = y, dz = z;
    const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(len > 0.0) || !std::isfinite(len)) return 0;
    Set(static_cast<float>(dx / len), static_cast<float>(dy / len), static_cast<float>(dz / len));
    return 1;
}

CQxVector CQxVector::GetNormalized() const {
    CQxVector v = *this;
    v.Normalize();
    return v;
}

// atan2 of the cross length and the dot keeps its precision near 0 and near pi, where acos
// of the normalised dot does not.
float CQxVector::GetAngle(const CQxVector& v) const {
    const double ax = x, ay = y, az = z, bx = v.x, by = v.y, bz = v.z;
    const double cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
    const double cross = std::sqrt(cx * cx + cy * cy + cz * cz);
    const double dot = ax * bx + ay * by + az * bz;
    if (cross == 0.0 && dot == 0.0) return 0.0f;
    const double angle = std::atan2(cross, dot);
    return std::isfinite(angle) ? static_cast<float>(angle) : 0.0f;
}

int CQxVector2D::IsNull(float eps) const {
    return Near(x, 0.0f, eps) && Near(y, 0.0f, eps);
}

int CQxVector2D::IsEqual(const CQxVector2D& v, float eps) const {
    return Near(x, v.x, eps) && Near(y, v.y, eps);
}

float CQxVector2D::GetLength() const {
    return static_cast<float>(std::hypot(double(x), double(y)));
}

int CQxVector2D::Normalize() {
    const double len = std::hypot(double(x), double(y));
    if (!(len > 0.0) || !std::isfinite(len)) return 0;
    Set(static_cast<float>(x / len), static_cast<float>(y / len));
    return 1;
}

float CQxVector2D::GetAngle(const CQxVector2D& v) const {
    const double cross = double(x) * v.y - double(y) * v.x;
    const double dot = double(x) * v.x + double(y) * v.y;
    if (cross == 0.0 && dot == 0.0) return 0.0f;
    const double angle = std::atan2(cross, dot);
    return std::isfinite(angle) ? static_cast<float>(angle) : 0.0f;
}
