// Drawing a curve in the curve editor: the curve sampled once per pixel column through the keys'
// own pixels, then the tangent handles and the keys, all clipped to the view rectangle.
#include <algorithm>
#include <cmath>
#include <vector>

#include "qx/math/spline.h"
#include "qx/platform/canvas.h"
#include "spline_view.h"

using namespace QxWin;
using qx_spline::GraphView;
using qx_spline::ToPixel;

namespace {

// A polyline cut to the rows top..bottom (inclusive); each piece inside goes out as one
// polyline. The columns are inside already, so only the rows need cutting.
class BandPolyline {
public:
    BandPolyline(HDC dc, double top, double bottom) : m_Dc(dc), m_Top(top), m_Bottom(bottom) {}
    ~BandPolyline() { Flush(); }

    void Add(double x, double y) {
        if (!m_HasLast) {
            m_HasLast = true;
            if (y >= m_Top && y <= m_Bottom) Push(x, y);
            m_LastX = x;
            m_LastY = y;
            return;
        }
        const double dx = x - m_LastX, dy = y - m_LastY;
        double t0 = 0.0, t1 = 1.0;
        if (dy == 0.0) {
            if (y < m_Top || y > m_Bottom) t0 = 2.0;
        } else {
            const double ta = (m_Top - m_LastY) / dy, tb = (m_Bottom - m_LastY) / dy;
            t0 = std::max(0.0, std::min(ta, tb));
            t1 = std::min(1.0, std::max(ta, tb));
        }
        if (t0 > t1) {
            Flush();
        } else {
            if (t0 > 0.0 || m_Run.empty()) {
                Flush();
                Push(m_LastX + t0 * dx, m_LastY + t0 * dy);
            }
            Push(m_LastX + t1 * dx, m_LastY + t1 * dy);
            if (t1 < 1.0) Flush();
        }
        m_LastX = x;
        m_LastY = y;
    }

    void Flush() {
        if (m_Run.size() >= 2) {
            Simplify();
            const DWORD count = static_cast<DWORD>(m_Run.size());
            PolyPolyline(m_Dc, m_Run.data(), &count, 1);
        }
        m_Run.clear();
    }

private:
    // Keeps only the points where the line must bend: a segment may run on past points it passes
    // within half a pixel of (so it still lights their pixel or the next), which turns the
    // hundreds of samples of a smooth stretch into a few segments.
    void Simplify() {
        std::vector<POINT>& kept = m_Kept;
        kept.assign(1, m_Run[0]);
        std::size_t anchor = 0;
        while (anchor + 1 < m_Run.size()) {
            const POINT a = m_Run[anchor];
            double lo = -HUGE_VAL, hi = HUGE_VAL;
            std::size_t end = anchor + 1;
            for (std::size_t i = anchor + 1; i < m_Run.size(); ++i) {
                const double dx = m_Run[i].x - a.x;
                if (!(dx > 0.0)) break; // a step straight up or down is always drawn
                const double slope = (m_Run[i].y - a.y) / dx;
                if (slope < lo || slope > hi) break;
                end = i;
                lo = std::max(lo, (m_Run[i].y - 0.5 - a.y) / dx);
                hi = std::min(hi, (m_Run[i].y + 0.5 - a.y) / dx);
                if (lo > hi) break;
            }
            kept.push_back(m_Run[end]);
            anchor = end;
        }
        m_Run.swap(kept);
    }

    void Push(double x, double y) {
        const POINT p{ToPixel(x), ToPixel(y)};
        if (!m_Run.empty() && m_Run.back().x == p.x && m_Run.back().y == p.y) return;
        m_Run.push_back(p);
    }

    HDC m_Dc;
    double m_Top, m_Bottom;
    bool m_HasLast = false;
    double m_LastX = 0.0, m_LastY = 0.0;
    std::vector<POINT> m_Run;
    std::vector<POINT> m_Kept;
};

// Cuts the segment a-b to the pixels of the rectangle; false when nothing of it is inside.
bool ClipSegment(const CQxRect& rect, CQxPoint& a, CQxPoint& b) {
    const double x0 = a.x, y0 = a.y, dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - rect.left, rect.right - 1 - x0, y0 - rect.top, rect.bottom - 1 - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
    const CQxPoint from(ToPixel(std::round(x0 + t0 * dx)), ToPixel(std::round(y0 + t0 * dy)));
    b.Set(ToPixel(std::round(x0 + t1 * dx)), ToPixel(std::round(y0 + t1 * dy)));
    a = from;
    return true;
}

void FillSquare(HDC dc, const CQxRect& clip, const CQxPoint& at, int half, HBRUSH brush) {
    const RECT rect{std::max(at.x - half, clip.left), std::max(at.y - half, clip.top),
                    std::min(at.x + half + 1, clip.right), std::min(at.y + half + 1, clip.bottom)};
    if (rect.left < rect.right && rect.top < rect.bottom) FillRect(dc, &rect, brush);
}

struct Mark {
    CQxPoint Key, Prev, Next;
    bool KeyInside, PrevInside, NextInside;
    const CQxSplineNode* Node;
};

} // namespace

void CQxSpline::DrawGraph(HDC dc, unsigned int pickSize, unsigned int tanSize, HPEN keyPen, HBRUSH keyBrush,
                          HPEN selectPen, HBRUSH selectBrush, const CQxRect& rect, const float& minX,
                          const float& maxX, const float& minY, const float& maxY) const {
    GraphView view;
    if (!dc || m_Nodes.IsEmpty() || !view.Set(rect, minX, maxX, minY, maxY)) return;

    // The curve: one sample per column, with every key's own pixel in between, so that the line
    // meets each key where its square is drawn.
    {
        BandPolyline line(dc, rect.top, rect.bottom - 1);
        const unsigned int count = m_Nodes.GetSize();
        unsigned int next = static_cast<unsigned int>(
            std::lower_bound(m_Nodes.begin(), m_Nodes.end(), view.FrameAt(rect.left),
                             [](const CQxSplineNode* n, double frame) { return n->X < frame; }) -
            m_Nodes.begin());
        unsigned int hint = next > 0 ? next - 1 : 0; // a frame rounded to float may fall before it
        for (int x = rect.left; x < rect.right; ++x) {
            line.Add(x, view.PixelY(ValueAt(static_cast<float>(view.FrameAt(x)), hint)));
            for (; next < count; ++next) {
                const CQxSplineNode& node = *m_Nodes[next];
                const double kx = std::trunc(view.PixelX(node.X));
                if (!(kx <= x)) break;
                line.Add(kx, std::trunc(view.PixelY(node.Y)));
            }
        }
    }

    // Marks can reach tanSize pixels beyond their key, so only the keys that near the view count.
    const double reach = static_cast<double>(tanSize) + pickSize + 2.0;
    const auto first = std::lower_bound(m_Nodes.begin(), m_Nodes.end(), view.FrameAt(rect.left - reach),
                                        [](const CQxSplineNode* n, double frame) { return n->X < frame; });
    const double lastFrame = view.FrameAt(rect.right + reach);
    std::vector<Mark> marks;
    for (auto it = first; it != m_Nodes.end() && !((*it)->X > lastFrame); ++it) {
        Mark m{};
        m.Node = *it;
        if (!m.Node->GetPixelPoints(m.Key, m.Prev, m.Next, tanSize, rect, minX, maxX, minY, maxY)) continue;
        if (m.Key.y < rect.top - reach || m.Key.y > rect.bottom + reach) continue;
        m.KeyInside = rect.PtInRect(m.Key);
        m.PrevInside = rect.PtInRect(m.Prev);
        m.NextInside = rect.PtInRect(m.Next);
        marks.push_back(m);
    }

    // Handles: the unselected ones, then the selected ones over them, each set in one call.
    std::vector<POINT> points;
    std::vector<DWORD> counts;
    const HGDIOBJ oldPen = SelectObject(dc, keyPen);
    for (int selected = 0; selected < 2; ++selected) {
        points.clear();
        counts.clear();
        for (const Mark& m : marks) {
            const bool prevOn = m.Node->IsPrevTanSelect != 0, nextOn = m.Node->IsNextTanSelect != 0;
            if (m.KeyInside && m.PrevInside && m.NextInside && prevOn == nextOn) {
                if (prevOn != (selected != 0)) continue;
                points.insert(points.end(), {{m.Prev.x, m.Prev.y}, {m.Key.x, m.Key.y}, {m.Next.x, m.Next.y}});
                counts.push_back(3);
                continue;
            }
            const std::pair<CQxPoint, bool> ends[2] = {{m.Prev, prevOn}, {m.Next, nextOn}};
            for (const auto& [end, on] : ends) {
                if (on != (selected != 0)) continue;
                CQxPoint a = m.Key, b = end;
                if (!ClipSegment(rect, a, b)) continue;
                points.insert(points.end(), {{a.x, a.y}, {b.x, b.y}});
                counts.push_back(2);
            }
        }
        if (selected) SelectObject(dc, selectPen);
        if (!counts.empty())
            PolyPolyline(dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
    }
    SelectObject(dc, oldPen);

    const int keyHalf = pickSize > 1 ? static_cast<int>(pickSize) - 1 : 1;
    for (const Mark& m : marks) {
        if (m.PrevInside) FillSquare(dc, rect, m.Prev, 1, m.Node->IsPrevTanSelect ? selectBrush : keyBrush);
        if (m.NextInside) FillSquare(dc, rect, m.Next, 1, m.Node->IsNextTanSelect ? selectBrush : keyBrush);
    }
    for (const Mark& m : marks)
        if (m.KeyInside) FillSquare(dc, rect, m.Key, keyHalf, m.Node->IsSelect ? selectBrush : keyBrush);
}
