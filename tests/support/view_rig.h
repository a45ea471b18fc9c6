#pragma once

// A scene shown in one camera view on an offscreen window, driven the way a host drives it:
// mouse and key events through the camera's On... operations, the cursor moved in the window,
// timers pumped, paints run through OnPaint.

#include <memory>

#include "mouse_gestures.h"
#include "qx/math/point_rect.h"
#include "qx/platform/offscreen_window.h"
#include "qx/scene/scene.h"
#include "qx/views/camera.h"

struct QxViewRig : QxMouseGestures<QxViewRig> {
    // A width x height window with a perspective camera on the scene (or an orthographic one
    // along an axis when `axis` is given), framed for the scene's grid.
    explicit QxViewRig(int width = 320, int height = 240, QX_AXIS_TYPE axis = QX_AXIS_TYPE(0));
    ~QxViewRig();

    CQxScene scene;
    QxOffscreenWindow window;
    CQxCamera camera;

    // Whether the window has a GL context (rendering checks are skipped without one).
    int CanRender() const { return window.IsCreated(); }

    // Left-button steps with the given modifier flags (MK_SHIFT, MK_CONTROL); Click and Drag
    // (QxMouseGestures) are made of them.
    void Press(CQxPoint point, unsigned int flags = 0);
    void MoveTo(CQxPoint point, unsigned int flags = 0);
    void Release(CQxPoint point, unsigned int flags = 0);
    // A right (orbit) or middle (pan) drag: the cursor moves and the drag timer is pumped.
    void CameraDrag(int button, CQxPoint from, CQxPoint to);
    // Paints the view now; the result of OnPaint.
    QX_GRAPHICS_RESULT Paint();
    // The pixel of the last painted frame at a point.
    std::uint32_t Pixel(CQxPoint point) const { return window.GetPixel(point.x, point.y); }
    // Where a world point shows in the view, in whole pixels (after the matrices are updated).
    CQxPoint ToScreen(const CQxVector& p);
};
