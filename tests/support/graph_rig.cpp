#include "graph_rig.h"

#include <algorithm>
#include <array>

#include "qx/platform/canvas.h"
#include "qx/platform/input_state.h"
#include "qx/scene/settings.h"
#include "scene_builders.h"

using namespace QxWin;

namespace {
// Where a key is drawn and picked, then the ends of its previous and next handles.
std::array<CQxPoint, 3> PixelPoints(const QxGraphRig& rig, const CQxSplineNode& node) {
    std::array<CQxPoint, 3> p;
    node.GetPixelPoints(p[0], p[1], p[2], QxGraphTangentSize(), rig.Curve(), rig.view.MinX(), rig.view.MaxX(),
                        rig.view.MinY(), rig.view.MaxY());
    return p;
}
} // namespace

QxGraphRig::QxGraphRig(int width, int height) : window(width, height) {
    QxGraphPickSize() = 3;
    QxGraphTangentSize() = 30;
    view.Create(&scene, &window, 0, 0);
    view.OnSize(0, width, height);
    view.SetRange(0.0f, 20.0f, 0.0f, 10.0f);
    window.SetPaintHandler([this] { Paint(); });
    scene.SetUpdateFunc([](void* user, CQxScene*, QX_UPDATE_TYPE type, void*, void*,
                           void*) { static_cast<QxGraphRig*>(user)->updates.push_back(type); },
                        this);
    Paint();
}

QxGraphRig::~QxGraphRig() {
    scene.SetUpdateFunc(nullptr, nullptr);
}

CQxObjectAnimItem& QxGraphRig::Key(CQxObject* object, QX_ANIM_ITEM_TYPE type,
                                   std::initializer_list<std::pair<float, float>> keys) {
    CQxObjectAnimItem& item = QxKeys(*object, type, keys);
    object->IsSelect() = 1; // an item is selectable only while its object is selected
    item.Select(1);
    model.Anim().UpdateObjectRefSortItems();
    return item;
}

void QxGraphRig::Paint() {
    HDC dc = GetDC(&window);
    view.OnDraw(&model, dc);
    ReleaseDC(&window, dc);
}

COLORREF QxGraphRig::Pixel(CQxPoint point) {
    HDC dc = GetDC(&window);
    const COLORREF color = GetPixel(dc, point.x, point.y);
    ReleaseDC(&window, dc);
    return color;
}

CQxRect QxGraphRig::Curve() const {
    CQxRect viewRect, curve;
    view.GetRects(viewRect, curve);
    return curve;
}

CQxPoint QxGraphRig::At(float frame, float value) const {
    return At(CQxSplineNode(frame, value));
}

CQxPoint QxGraphRig::At(const CQxSplineNode& node) const {
    return PixelPoints(*this, node)[0];
}

CQxPoint QxGraphRig::PrevHandle(const CQxSplineNode& node) const {
    return PixelPoints(*this, node)[1];
}

CQxPoint QxGraphRig::NextHandle(const CQxSplineNode& node) const {
    return PixelPoints(*this, node)[2];
}

void QxGraphRig::Press(CQxPoint point, unsigned int flags) {
    window.SetCursorPos(point.x, point.y);
    view.OnLButtonDown(&model, flags | MK_LBUTTON, point);
}

void QxGraphRig::MoveTo(CQxPoint point, unsigned int flags) {
    window.SetCursorPos(point.x, point.y);
    view.OnMouseMove(&model, flags | MK_LBUTTON, point);
}

void QxGraphRig::Release(CQxPoint point, unsigned int flags) {
    window.SetCursorPos(point.x, point.y);
    view.OnLButtonUp(&model, flags, point);
}

bool QxGraphRig::Received(QX_UPDATE_TYPE type) const {
    return std::find(updates.begin(), updates.end(), type) != updates.end();
}
