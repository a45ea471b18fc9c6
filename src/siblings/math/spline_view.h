#pragma once

#include <algorithm>
#include <cmath>

#include "qx/math/spline.h"

// The curve editor's frame/value to pixel mapping, shared by picking and drawing so that a mark
// is drawn exactly where it is picked. Worked in double so that extreme zooms neither overflow
// nor lose the handle directions.
namespace qx_spline {

// Pixel positions stay well inside the int range, however far a key lies outside the view.
inline constexpr double kPixelLimit = 1073741824.0;

inline int ToPixel(double v) {
    return static_cast<int>(std::trunc(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

struct GraphView {
    double Left = 0, Bottom = 0, MinX = 0, MinY = 0, ScaleX = 0, ScaleY = 0;

    bool Set(const CQxRect& rect, float minX, float maxX, float minY, float maxY) {
        if (rect.IsRectEmpty()) return false;
        const double spanX = static_cast<double>(maxX) - minX;
        const double spanY = static_cast<double>(maxY) - minY;
        if (!std::isfinite(spanX) || !std::isfinite(spanY) || !(spanX > 0) || !(spanY > 0)) return false;
        Left = rect.left;
        Bottom = rect.bottom;
        MinX = minX;
        MinY = minY;
        ScaleX = rect.Width() / spanX;
        ScaleY = rect.Height() / spanY;
        return std::isfinite(ScaleX) && std::isfinite(ScaleY) && ScaleX > 0 && ScaleY > 0;
    }

    double PixelX(double frame) const { return (frame - MinX) * ScaleX + Left; }
    double PixelY(double value) const { return Bottom - (value - MinY) * ScaleY; }
    // The frame shown at a pixel column's left edge.
    double FrameAt(double x) const { return (x - Left) / ScaleX + MinX; }

    // The key and its handle ends; false when something is not finite.
    bool Place(const CQxSplineNode& node, unsigned int tanSize, CQxPoint& point, CQxPoint& prev,
               CQxPoint& next) const {
        const double px = PixelX(node.X);
        const double py = PixelY(node.Y);
        if (!std::isfinite(px) || !std::isfinite(py)) return false;
        point.Set(ToPixel(px), ToPixel(py));
        // A handle runs along the slope as drawn: one frame right, slope values up.
        const auto end = [&](float slope, double side, CQxPoint& out) {
            const double dx = ScaleX, dy = -static_cast<double>(slope) * ScaleY;
            const double length = std::hypot(dx, dy);
            if (!std::isfinite(length) || !(length > 0)) return false;
            out.Set(ToPixel(px + side * tanSize * dx / length), ToPixel(py + side * tanSize * dy / length));
            return true;
        };
        return end(node.PrevTan, -1.0, prev) && end(node.NextTan, 1.0, next);
    }
};

} // namespace qx_spline
