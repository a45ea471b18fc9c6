#pragma once

// A model's animation shown in a graph view on an offscreen window, driven the way a host
// drives it: mouse events through the view's On... operations, repaints through OnDraw into the
// window's 2D canvas (no OpenGL needed), the host callback recorded.

#include <initializer_list>
#include <utility>
#include <vector>

#include "mouse_gestures.h"
#include "qx/animation/anim.h"
#include "qx/math/point_rect.h"
#include "qx/platform/gdi_object.h"
#include "qx/platform/offscreen_window.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/views/graph_view.h"

struct QxGraphRig : QxMouseGestures<QxGraphRig> {
    // A width x height window with a graph view on it, sized, showing frames 0..20 and values
    // 0..10 of the scene's root model.
    explicit QxGraphRig(int width = 400, int height = 300);
    ~QxGraphRig();

    CQxScene scene;
    QxOffscreenWindow window;
    CQxGraphView view;
    CQxModel& model = scene.RootModel();
    // The update types the host callback received, in order.
    std::vector<QX_UPDATE_TYPE> updates;

    // A channel of the object keyed at (frame, value) pairs with automatic slopes, selected for
    // the graph view; the sort maps are rebuilt as the host does when items change.
    CQxObjectAnimItem& Key(CQxObject* object, QX_ANIM_ITEM_TYPE type,
                           std::initializer_list<std::pair<float, float>> keys);

    // Draws the view into the window's canvas, as the host's paint handler does.
    void Paint();
    // The canvas pixel at a point (after Paint).
    COLORREF Pixel(CQxPoint point);
    // The curve rectangle of the last draw (empty when there was none).
    CQxRect Curve() const;
    // Where a key at (frame, value) is drawn and picked, and the ends of its handles.
    CQxPoint At(float frame, float value) const;
    CQxPoint At(const CQxSplineNode& node) const;
    CQxPoint PrevHandle(const CQxSplineNode& node) const;
    CQxPoint NextHandle(const CQxSplineNode& node) const;

    // Left-button gestures with modifier flags (MK_SHIFT, MK_CONTROL) through the view.
    void Press(CQxPoint point, unsigned int flags = 0);
    void MoveTo(CQxPoint point, unsigned int flags = 0);
    void Release(CQxPoint point, unsigned int flags = 0);
    bool Received(QX_UPDATE_TYPE type) const;
};
