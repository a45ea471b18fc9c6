#include "qx/math/spline.h"

#include <algorithm>
#include <cmath>

namespace {

// Pixel positions stay well inside the int range, however far a key lies outside the view.
constexpr double kPixelLimit = 1073741824.0;

int ToPixel(double v) {
    return static_cast<int>(std::trunc(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

// The frame/value to pixel mapping of a view, worked in double so that extreme zooms neither
// overflow nor lose the handle directions.
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

    // The key and its handle ends; false when something is not finite.
    bool Place(const CQxSplineNode& node, unsigned int tanSize, CQxPoint& point, CQxPoint& prev,
               CQxPoint& next) const {
        const double px = (node.X - MinX) * ScaleX + Left;
        const double py = Bottom - (node.Y - MinY) * ScaleY;
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

float PixelDistance(const CQxPoint& a, const CQxPoint& b) {
    return static_cast<float>(std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y));
}

// Calls f(node, which, pixel) for every key (which 0) and handle end (1 entering, 2 leaving)
// of the curve that lies inside the view.
template <class F>
void ForEachMark(const CQxPtrArray<CQxSplineNode>& nodes, unsigned int tanSize, const CQxRect& rect,
                 float minX, float maxX, float minY, float maxY, F f) {
    GraphView view;
    if (!view.Set(rect, minX, maxX, minY, maxY)) return;
    for (CQxSplineNode* node : nodes) {
        CQxPoint marks[3];
        if (!view.Place(*node, tanSize, marks[0], marks[1], marks[2])) continue;
        for (int which = 0; which < 3; ++which)
            if (rect.PtInRect(marks[which])) f(node, which, marks[which]);
    }
}

} // namespace

int CQxSplineNode::GetPixelPoints(CQxPoint& point, CQxPoint& prevTanPoint, CQxPoint& nextTanPoint,
                                  unsigned int tanSize, const CQxRect& rect, const float& minX,
                                  const float& maxX, const float& minY, const float& maxY) const {
    GraphView view;
    CQxPoint p, prev, next;
    if (!view.Set(rect, minX, maxX, minY, maxY) || !view.Place(*this, tanSize, p, prev, next)) return 0;
    point = p;
    prevTanPoint = prev;
    nextTanPoint = next;
    return 1;
}

int CQxSpline::IsPointHit(unsigned int pickSize, unsigned int tanSize, const CQxPoint& point, float& distance,
                          const CQxRect& rect, const float& minX, const float& maxX, const float& minY,
                          const float& maxY, CQxSplineNode** node, CQxSplineNode** prevTan,
                          CQxSplineNode** nextTan) const {
    const float reach = pickSize / 2.0f;
    CQxSplineNode* found = nullptr;
    int foundWhich = 0;
    ForEachMark(m_Nodes, tanSize, rect, minX, maxX, minY, maxY,
                [&](CQxSplineNode* n, int which, const CQxPoint& at) {
                    const float d = PixelDistance(point, at);
                    if (d <= reach && d < distance) {
                        distance = d;
                        found = n;
                        foundWhich = which;
                    }
                });
    if (!found) return 0;
    CQxSplineNode** outs[3] = {node, prevTan, nextTan};
    for (int which = 0; which < 3; ++which)
        if (outs[which]) *outs[which] = which == foundWhich ? found : nullptr;
    return 1;
}

int CQxSpline::IsPointHit(unsigned int pickSize, unsigned int tanSize, const CQxPoint& point, float& distance,
                          const CQxRect& rect, const float& minX, const float& maxX, const float& minY,
                          const float& maxY, CQxArray<CQxSplineNode*>& nodes,
                          CQxArray<CQxSplineNode*>& prevTans, CQxArray<CQxSplineNode*>& nextTans) const {
    CQxArray<CQxSplineNode*>* outs[3] = {&nodes, &prevTans, &nextTans};
    for (auto* out : outs) out->Clear();
    const float reach = pickSize / 2.0f;
    float best = distance;
    ForEachMark(m_Nodes, tanSize, rect, minX, maxX, minY, maxY,
                [&](CQxSplineNode* n, int which, const CQxPoint& at) {
                    const float d = PixelDistance(point, at);
                    if (d > reach || d > best) return;
                    if (d < best) {
                        for (auto* out : outs) out->Clear();
                        best = d;
                    }
                    outs[which]->PushBack(n);
                });
    if (nodes.IsEmpty() && prevTans.IsEmpty() && nextTans.IsEmpty()) return 0;
    distance = best;
    return 1;
}

int CQxSpline::IsRectHit(unsigned int tanSize, const CQxRect& pick, const CQxRect& rect, const float& minX,
                         const float& maxX, const float& minY, const float& maxY,
                         CQxArray<CQxSplineNode*>& nodes, CQxArray<CQxSplineNode*>& prevTans,
                         CQxArray<CQxSplineNode*>& nextTans) const {
    CQxArray<CQxSplineNode*>* outs[3] = {&nodes, &prevTans, &nextTans};
    for (auto* out : outs) out->Clear();
    ForEachMark(m_Nodes, tanSize, rect, minX, maxX, minY, maxY,
                [&](CQxSplineNode* n, int which, const CQxPoint& at) {
                    if (pick.PtInRect(at)) outs[which]->PushBack(n);
                });
    return !nodes.IsEmpty() || !prevTans.IsEmpty() || !nextTans.IsEmpty();
}
