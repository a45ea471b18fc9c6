#include "qx/math/point_rect.h"

#include <algorithm>
#include <climits>

namespace {

int Clamp(long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

} // namespace

CQxPoint& CQxPoint::operator+=(const CQxPoint& p) {
    x = Clamp(static_cast<long long>(x) + p.x);
    y = Clamp(static_cast<long long>(y) + p.y);
    return *this;
}

CQxPoint& CQxPoint::operator-=(const CQxPoint& p) {
    x = Clamp(static_cast<long long>(x) - p.x);
    y = Clamp(static_cast<long long>(y) - p.y);
    return *this;
}

int CQxRect::Width() const {
    return Clamp(static_cast<long long>(right) - left);
}

int CQxRect::Height() const {
    return Clamp(static_cast<long long>(bottom) - top);
}

CQxPoint CQxRect::GetCenter() const {
    return CQxPoint(static_cast<int>((static_cast<long long>(left) + right) / 2),
                    static_cast<int>((static_cast<long long>(top) + bottom) / 2));
}

void CQxRect::NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
}

void CQxRect::DeflateRect(int l, int t, int r, int b) {
    left = Clamp(static_cast<long long>(left) + l);
    top = Clamp(static_cast<long long>(top) + t);
    right = Clamp(static_cast<long long>(right) - r);
    bottom = Clamp(static_cast<long long>(bottom) - b);
}

void CQxRect::InflateRect(int l, int t, int r, int b) {
    left = Clamp(static_cast<long long>(left) - l);
    top = Clamp(static_cast<long long>(top) - t);
    right = Clamp(static_cast<long long>(right) + r);
    bottom = Clamp(static_cast<long long>(bottom) + b);
}

void CQxRect::OffsetRect(int dx, int dy) {
    left = Clamp(static_cast<long long>(left) + dx);
    right = Clamp(static_cast<long long>(right) + dx);
    top = Clamp(static_cast<long long>(top) + dy);
    bottom = Clamp(static_cast<long long>(bottom) + dy);
}

int CQxRect::IntersectRect(const CQxRect& a, const CQxRect& b) {
    const CQxRect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom));
    if (a.IsRectEmpty() || b.IsRectEmpty() || r.IsRectEmpty()) {
        SetRectEmpty();
        return 0;
    }
    *this = r;
    return 1;
}

int CQxRect::UnionRect(const CQxRect& a, const CQxRect& b) {
    if (a.IsRectEmpty() && b.IsRectEmpty()) {
        SetRectEmpty();
        return 0;
    }
    if (a.IsRectEmpty()) {
        *this = b;
    } else if (b.IsRectEmpty()) {
        *this = a;
    } else {
        *this = CQxRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                        std::max(a.bottom, b.bottom));
    }
    return 1;
}
