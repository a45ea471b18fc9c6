#pragma once

#include "qx/export.h"

// CQxPoint and CQxRect: integer pixel positions in client coordinates (y grows downward).

class QX_API CQxPoint {
public:
    int x = 0;
    int y = 0;

    constexpr CQxPoint() = default;
    constexpr CQxPoint(int px, int py) : x(px), y(py) {}

    void Set(int px, int py) {
        x = px;
        y = py;
    }
    // Sums and differences saturate at the int range instead of wrapping.
    CQxPoint& operator+=(const CQxPoint& p);
    CQxPoint& operator-=(const CQxPoint& p);
    friend CQxPoint operator+(CQxPoint a, const CQxPoint& b) { return a += b; }
    friend CQxPoint operator-(CQxPoint a, const CQxPoint& b) { return a -= b; }
    friend bool operator==(const CQxPoint& a, const CQxPoint& b) { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(const CQxPoint& a, const CQxPoint& b) { return !(a == b); }
};

// A rectangle whose left and top edges are inside and whose right and bottom edges are just
// outside: it holds the pixels left <= x < right, top <= y < bottom. It is empty when
// right <= left or bottom <= top. Edge arithmetic saturates at the int range.
class QX_API CQxRect {
public:
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr CQxRect() = default;
    constexpr CQxRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    // From the top-left and bottom-right corners as given (NormalizeRect orders them).
    constexpr CQxRect(const CQxPoint& lt, const CQxPoint& rb)
        : left(lt.x), top(lt.y), right(rb.x), bottom(rb.y) {}

    void Set(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetRectEmpty() { Set(0, 0, 0, 0); }
    int IsRectEmpty() const { return right <= left || bottom <= top; }
    int IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    int Width() const;
    int Height() const;
    // The middle pixel, (left + right) / 2 and (top + bottom) / 2 rounded toward zero.
    CQxPoint GetCenter() const;

    // Swaps the edges where needed so that left <= right and top <= bottom.
    void NormalizeRect();
    // Moves each edge inward (Deflate) or outward (Inflate) by the given amounts.
    void DeflateRect(int dx, int dy) { DeflateRect(dx, dy, dx, dy); }
    void DeflateRect(int l, int t, int r, int b);
    void InflateRect(int dx, int dy) { InflateRect(dx, dy, dx, dy); }
    void InflateRect(int l, int t, int r, int b);
    void OffsetRect(int dx, int dy);
    // This becomes the common part of a and b; when they share no pixel it becomes (0, 0, 0, 0)
    // and the result is 0. Rectangles that only touch share no pixel.
    int IntersectRect(const CQxRect& a, const CQxRect& b);
    // This becomes the smallest rectangle holding a and b (an empty one adds nothing); 0 when
    // both are empty, leaving (0, 0, 0, 0).
    int UnionRect(const CQxRect& a, const CQxRect& b);
    int PtInRect(const CQxPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }

    friend bool operator==(const CQxRect& a, const CQxRect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
    friend bool operator!=(const CQxRect& a, const CQxRect& b) { return !(a == b); }
};
