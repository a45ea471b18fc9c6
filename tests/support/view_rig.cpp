#include "view_rig.h"

#include "qx/platform/input_state.h"
#include "qx/platform/timer.h"
#include "scene_builders.h"

QxViewRig::QxViewRig(int width, int height, QX_AXIS_TYPE axis) : window(width, height) {
    camera.CreateView(&scene, &window, 0, 0);
    if (axis) {
        camera.SetProjectionType(QX_PROJ_ORTHOGRAPHIC);
        camera.SetAxisView(axis);
    }
    window.SetTimerHandler([this](UINT_PTR id) { camera.OnTimer(static_cast<unsigned int>(id)); });
    window.SetPaintHandler([this] { camera.OnPaint(); });
    camera.UpdateMatrices(static_cast<unsigned int>(width), static_cast<unsigned int>(height));
}

QxViewRig::~QxViewRig() {
    scene.RemoveCamera(&camera);
    camera.DestroyView();
}

void QxViewRig::Press(CQxPoint point, unsigned int flags) {
    window.SetCursorPos(point.x, point.y);
    camera.OnLButtonDown(flags | MK_LBUTTON, point);
}

void QxViewRig::MoveTo(CQxPoint point, unsigned int flags) {
    window.SetCursorPos(point.x, point.y);
    camera.OnMouseMove(flags | MK_LBUTTON, point);
}

void QxViewRig::Release(CQxPoint point, unsigned int flags) {
    window.SetCursorPos(point.x, point.y);
    camera.OnLButtonUp(flags, point);
}

void QxViewRig::CameraDrag(int button, CQxPoint from, CQxPoint to) {
    window.SetCursorPos(from.x, from.y);
    if (button == MK_RBUTTON) camera.OnRButtonDown(MK_RBUTTON, from);
    else camera.OnMButtonDown(MK_MBUTTON, from);
    window.SetCursorPos(to.x, to.y);
    // The drag timer's period of 0 comes round after the shortest timer period.
    QxWaitTimers(100);
    if (button == MK_RBUTTON) camera.OnRButtonUp(0, to);
    else camera.OnMButtonUp(0, to);
}

QX_GRAPHICS_RESULT QxViewRig::Paint() {
    return camera.OnPaint();
}

CQxPoint QxViewRig::ToScreen(const CQxVector& p) {
    camera.UpdateMatrices(camera.GetWidth() ? camera.GetWidth() : static_cast<unsigned int>(window.GetClientWidth()),
                          camera.GetHeight() ? camera.GetHeight() : static_cast<unsigned int>(window.GetClientHeight()));
    return QxScreenPoint(camera, p);
}
