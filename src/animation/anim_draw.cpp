// Drawing a model's animation in the graph view.
#include "qx/animation/anim.h"
#include "qx/platform/canvas.h"
#include "qx/scene/settings.h"

using namespace QxWin;

namespace {

enum class Axis { X, Y, Z, Other };

// Which axis a channel shows, by the colour its curve is drawn in.
Axis AxisOf(QX_ANIM_ITEM_TYPE type) {
    switch (type) {
    case QX_ANIM_ITEM_SCALE_X: case QX_ANIM_ITEM_ROTATE_X: case QX_ANIM_ITEM_TRANSLATE_X:
    case QX_ANIM_ITEM_PIVOT_X: case QX_ANIM_ITEM_POINT_X: case QX_ANIM_ITEM_FACE_VERTEX_R:
    case QX_ANIM_ITEM_FACE_VERTEX_U: case QX_ANIM_ITEM_EDGE_VERTEX_R: case QX_ANIM_ITEM_MATERIAL_R:
        return Axis::X;
    case QX_ANIM_ITEM_SCALE_Y: case QX_ANIM_ITEM_ROTATE_Y: case QX_ANIM_ITEM_TRANSLATE_Y:
    case QX_ANIM_ITEM_PIVOT_Y: case QX_ANIM_ITEM_POINT_Y: case QX_ANIM_ITEM_FACE_VERTEX_G:
    case QX_ANIM_ITEM_FACE_VERTEX_V: case QX_ANIM_ITEM_EDGE_VERTEX_G: case QX_ANIM_ITEM_MATERIAL_G:
        return Axis::Y;
    case QX_ANIM_ITEM_SCALE_Z: case QX_ANIM_ITEM_ROTATE_Z: case QX_ANIM_ITEM_TRANSLATE_Z:
    case QX_ANIM_ITEM_PIVOT_Z: case QX_ANIM_ITEM_POINT_Z: case QX_ANIM_ITEM_FACE_VERTEX_B:
    case QX_ANIM_ITEM_EDGE_VERTEX_B: case QX_ANIM_ITEM_MATERIAL_B:
        return Axis::Z;
    default:
        return Axis::Other;
    }
}

} // namespace

void CQxAnim::DrawTracks(HDC dc, HPEN redPen, HPEN greenPen, HPEN bluePen, HPEN yellowPen, HPEN keyPen,
                         HBRUSH keyBrush, HPEN keyPen2, HBRUSH keyBrush2, const CQxRect& rect, const float& minX,
                         const float& maxX, const float& minY, const float& maxY) const {
    if (!dc) return;
    const HPEN pens[] = {redPen, greenPen, bluePen, yellowPen};
    const HGDIOBJ oldPen = SelectObject(dc, redPen);
    auto draw = [&](const CQxAnimItem* item) {
        if (!item->IsSelect()) return;
        SelectObject(dc, pens[static_cast<int>(AxisOf(item->Type()))]);
        item->Spline().DrawGraph(dc, QxGraphPickSize(), QxGraphTangentSize(), keyPen, keyBrush, keyPen2, keyBrush2,
                                 rect, minX, maxX, minY, maxY);
    };
    // The reverse of the picking order, so that what lies on top is what a click finds first.
    qx_anim::ForEachLeaf(m_AttributeSortItems, draw);
    qx_anim::ForEachLeaf(m_EdgeSortItems, draw);
    qx_anim::ForEachLeaf(m_HalfEdgeSortItems, draw);
    qx_anim::ForEachLeaf(m_VertexSortItems, draw);
    qx_anim::ForEachLeaf(m_ObjectSortItems, draw);
    if (oldPen) SelectObject(dc, oldPen);
}
