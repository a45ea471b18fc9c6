// Drawing a model's animation in the graph view.
#include <iterator>

#include "qx/animation/anim.h"
#include "qx/platform/canvas.h"
#include "qx/scene/settings.h"

using namespace QxWin;

namespace {

// The curve pen of each channel by type: 0 red for the x-like channels (x, red, u), 1 green,
// 2 blue, 3 yellow for the rest (alpha, the material's factors).
constexpr unsigned char kPenOf[] = {3, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1,
                                    2, 3, 0, 1, 0, 1, 2, 3, 0, 1, 2, 3, 3, 3, 3, 3, 3};

} // namespace

void CQxAnim::DrawTracks(HDC dc, HPEN redPen, HPEN greenPen, HPEN bluePen, HPEN yellowPen, HPEN keyPen,
                         HBRUSH keyBrush, HPEN keyPen2, HBRUSH keyBrush2, const CQxRect& rect,
                         const float& minX, const float& maxX, const float& minY, const float& maxY) const {
    if (!dc) return;
    const HPEN pens[] = {redPen, greenPen, bluePen, yellowPen};
    const HGDIOBJ oldPen = SelectObject(dc, redPen);
    auto draw = [&](const CQxAnimItem* item) {
        if (!item->IsSelect()) return;
        SelectObject(dc, pens[item->Type() < std::size(kPenOf) ? kPenOf[item->Type()] : 3]);
        item->Spline().DrawGraph(dc, QxGraphPickSize(), QxGraphTangentSize(), keyPen, keyBrush, keyPen2,
                                 keyBrush2, rect, minX, maxX, minY, maxY);
    };
    // The reverse of the picking order, so that what lies on top is what a click finds first.
    qx_anim::ForEachLeaf(m_AttributeSortItems, draw);
    qx_anim::ForEachLeaf(m_EdgeSortItems, draw);
    qx_anim::ForEachLeaf(m_HalfEdgeSortItems, draw);
    qx_anim::ForEachLeaf(m_VertexSortItems, draw);
    qx_anim::ForEachLeaf(m_ObjectSortItems, draw);
    if (oldPen) SelectObject(dc, oldPen);
}
