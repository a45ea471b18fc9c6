#include "qx/math/math_helpers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double Pi = std::numbers::pi;

// Wraps in double, so that a float angle many turns away keeps its fraction of a turn.
float WrapAngle(double angle) {
    if (!std::isfinite(angle)) return 0.0f;
    double r = std::remainder(angle, 2.0 * Pi); // [-pi, pi]
    // Float pi lies just above pi: values that would round to -QX_PI belong to the +pi end.
    if (static_cast<float>(r) <= -QX_PI + 4.0e-7f) r += 2.0 * Pi;
    const float f = static_cast<float>(r);
    return f > QX_PI ? QX_PI : f;
}

bool SnapValue(double interval, float& value) {
    const double snapped = std::round(value / interval) * interval;
    if (!std::isfinite(snapped)) return false;
    value = static_cast<float>(snapped) + 0.0f; // + 0.0f turns -0 into 0
    return true;
}

} // namespace

float QxValidateAngle(float angle) {
    return WrapAngle(angle);
}

float QxGetNearDeltaAngle(float from, float to) {
    return WrapAngle(double(to) - double(from));
}

int QxGridSnap(float interval, float& x, float& y, float& z) {
    if (!(interval > 0.0f) || !std::isfinite(interval)) return 0;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return 0;
    float sx = x, sy = y, sz = z;
    if (!SnapValue(interval, sx) || !SnapValue(interval, sy) || !SnapValue(interval, sz)) return 0;
    x = sx;
    y = sy;
    z = sz;
    return 1;
}

int QxPlaneGridSnap(float length, float interval, float& u, float& v) {
    if (!(interval > 0.0f) || !std::isfinite(interval) || !(length >= 0.0f) || !std::isfinite(length))
        return 0;
    if (!(std::fabs(u) <= length) || !(std::fabs(v) <= length)) return 0;
    // The outermost grid line inside the grid, in case the length is not a whole number of steps.
    const double edge = std::floor(double(length) / interval + 1e-6) * interval;
    const auto snap = [&](float value) {
        const double s = std::round(value / double(interval)) * interval;
        return static_cast<float>(std::clamp(s, -edge, edge)) + 0.0f;
    };
    u = snap(u);
    v = snap(v);
    return 1;
}
