// The camera handles no input itself: every event goes to the scene's 3D tool manager with the
// camera, and the tools call back Rotate, Pan and Zoom.
#include "qx/scene/scene.h"
#include "qx/tools/tool_manager.h"
#include "qx/views/camera.h"

void CQxCamera::OnTimer(unsigned int id) {
    if (m_Scene) m_Scene->ToolManager().OnTimer(this, id);
}

#define QX_CAMERA_INPUT(Name)                                                                            \
    void CQxCamera::Name(unsigned int flags, CQxPoint point) {                                           \
        if (m_Scene) m_Scene->ToolManager().Name(this, flags, point);                                    \
    }
QX_CAMERA_INPUT(OnLButtonDown)
QX_CAMERA_INPUT(OnLButtonUp)
QX_CAMERA_INPUT(OnRButtonDown)
QX_CAMERA_INPUT(OnRButtonUp)
QX_CAMERA_INPUT(OnMButtonDown)
QX_CAMERA_INPUT(OnMButtonUp)
QX_CAMERA_INPUT(OnMouseMove)
QX_CAMERA_INPUT(OnMouseHover)
#undef QX_CAMERA_INPUT

void CQxCamera::OnMouseWheel(unsigned int flags, short delta, CQxPoint point) {
    if (m_Scene) m_Scene->ToolManager().OnMouseWheel(this, flags, delta, point);
}

void CQxCamera::OnKeyDown(unsigned int key, unsigned int repeat, unsigned int flags) {
    if (m_Scene) m_Scene->ToolManager().OnKeyDown(this, key, repeat, flags);
}

int CQxCamera::OnSetCursor(unsigned int hitTest) {
    return m_Scene ? m_Scene->ToolManager().OnSetCursor(hitTest) : 0;
}
