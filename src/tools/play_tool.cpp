#include "qx/tools/play_tool.h"

#include "qx/play/msg.h"
#include "qx/play/sim_manager.h"
#include "qx/scene/scene.h"

int CQxPlayTool::Send(const CQxMsg& msg) {
    return m_Scene ? m_Scene->SimManager().SendMessageA(msg) : 0;
}

void CQxPlayTool::OnMouseMove(CQxCamera* /*camera*/, unsigned int flags, CQxPoint point) {
    Send(CQxMsg(QX_MSG_MOUSE_MOVE, point, flags));
}

void CQxPlayTool::OnLButtonDown(CQxCamera* /*camera*/, unsigned int flags, CQxPoint point) {
    Send(CQxMsg(QX_MSG_LBUTTON_DOWN, point, flags));
}

void CQxPlayTool::OnKeyDown(CQxCamera* /*camera*/, unsigned int key, unsigned int repeat, unsigned int flags) {
    m_KeyDownResult = Send(CQxMsg(QX_MSG_KEY_DOWN, key, repeat, flags));
}
