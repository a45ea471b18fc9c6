#include "qx/animation/action.h"

void CQxAction::SetName(const char* name) {
    m_Name = name ? name : "";
}

CQxAction* QxNewAction(QX_ACTION_TYPE type, const char* name) {
    CQxAction* action = type == QX_ACTION_ANIM    ? new CQxAnimAction
                        : type == QX_ACTION_SOUND ? static_cast<CQxAction*>(new CQxSoundAction)
                                                  : new CQxAction;
    action->Type() = type;
    action->SetName(name);
    return action;
}
