#pragma once

// A scene shown in its UV view on an offscreen window, driven the way a host drives it: left
// button and mouse moves through the view's On... operations, paints through OnPaint.

#include <cstdint>

#include "mouse_gestures.h"
#include "qx/math/point_rect.h"
#include "qx/platform/offscreen_window.h"
#include "qx/scene/scene.h"
#include "qx/views/uv_view.h"

struct QxUVRig : QxMouseGestures<QxUVRig> {
    // A width x height window with the scene's UV view on it; undo keeps 100 steps.
    explicit QxUVRig(int width = 400, int height = 300);
    ~QxUVRig();

    CQxScene scene;
    QxOffscreenWindow window;
    CQxUVView view;

    // Whether the window has a GL context (rendering checks are skipped without one).
    int CanRender() const { return window.IsCreated(); }
    void UseTool(QX_TOOL_TYPE tool) { scene.UVToolManager().SetCurTool(tool); }

    // Left-button steps with the given modifier flags (MK_SHIFT, MK_CONTROL); Click and Drag
    // (QxMouseGestures) are made of them.
    void Press(CQxPoint point, unsigned int flags = 0);
    void MoveTo(CQxPoint point, unsigned int flags = 0);
    void Release(CQxPoint point, unsigned int flags = 0);
    // Paints the view over the attribute's texture; the result of OnPaint.
    QX_GRAPHICS_RESULT Paint(CQxAttribute* attribute) { return view.OnPaint(attribute); }
    std::uint32_t Pixel(CQxPoint point) const { return window.GetPixel(point.x, point.y); }
};

// The 2 x 2 grid of QxNewGrid under the root model, every face selected, every corner carrying
// the texture coordinate of its vertex (i, j): (0.25 + 0.25 i, 0.75 - 0.25 j). In a 400 x 300
// UV view it shows as drawn, vertex (i, j) at pixel (100 + 100 i, 225 - 75 j):
//
//   v 0.25   6---7---8
//            | 2 | 3 |
//   v 0.5    3---4---5        the middle vertex 4 has four corners, one in each face;
//            | 0 | 1 |        the grid's corners 0, 2, 6 and 8 have one each
//   v 0.75   0---1---2
//          u 0.25  0.75
CQxObject* QxAddUVGrid(CQxScene& scene);
// The corner of face (fi, fj) at vertex (vi, vj) of such a grid.
CQxHalfEdge* QxUVGridCorner(CQxObject& grid, unsigned int fi, unsigned int fj, unsigned int vi,
                            unsigned int vj);
