#include "qx/math/spline.h"
#include "spline_view.h"

#include <algorithm>
#include <cmath>

namespace {

using qx_spline::GraphView;

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
    // A handle end lies at most tanSize pixels from its key, so keys farther outside the view
    // (with a pixel to spare for truncation) have no mark inside it; the keys are in frame order.
    const double reach = static_cast<double>(tanSize) + 2.0;
    const auto first = std::lower_bound(nodes.begin(), nodes.end(), view.FrameAt(rect.left - reach),
                                        [](const CQxSplineNode* n, double frame) { return n->X < frame; });
    const double last = view.FrameAt(rect.right + reach);
    for (auto it = first; it != nodes.end() && !((*it)->X > last); ++it) {
        CQxSplineNode* node = *it;
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
