#pragma once

#include "qx/export.h"
#include "qx/tools/tool.h"

class CQxMsg;

// The play tool (tool 14): in a 3D view, mouse moves, left clicks and key presses go to the
// running scene program as messages of the scene's simulation manager (QX_MSG_MOUSE_MOVE,
// QX_MSG_LBUTTON_DOWN, QX_MSG_KEY_DOWN); the right and middle drags and the wheel still
// navigate the view.
class QX_API CQxPlayTool : public CQxTool {
public:
    explicit CQxPlayTool(CQxScene* scene) : CQxTool(scene) {}

    void OnMouseMove(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    void OnLButtonDown(CQxCamera* camera, unsigned int flags, CQxPoint point) override;
    // Replaces the base keys (Enter, Delete) with the message; its answer is kept.
    void OnKeyDown(CQxCamera* camera, unsigned int key, unsigned int repeat, unsigned int flags) override;
    using CQxTool::OnKeyDown;
    using CQxTool::OnLButtonDown;
    using CQxTool::OnMouseMove;

    // What the simulation manager answered to the last key (1: the program took it).
    int GetKeyDownResult() const { return m_KeyDownResult; }

private:
    int Send(const CQxMsg& msg);

    int m_KeyDownResult = 0;
};
