#include "qx/play/widget_simulator.h"

#include "qx/play/sim_manager.h"
#include "qx/play/widget.h"

int CQxWidgetSimulator::Create(QX_SIM_TYPE type, CQxWidget* widget) {
    Clear();
    SetSimType(type);
    m_Widget = widget;
    if (type != QX_SIM_WIDGET || !widget) return 0;
    CQxMenuState* state = new CQxMenuState(this, widget);
    AddState(QX_SIM_STATE_INITIAL, state);
    state->OnEnter();
    return 1;
}

void CQxMenuState::OnEnter() {
    m_Menu->SetVisible(0, 0);
    m_Start = m_Menu->FindByName("Start");
    m_Quit = m_Menu->FindByName("Quit");
    m_ToggleDisp = m_Menu->FindByName("ToggleDisp");
    m_Focused = nullptr;
}

void CQxMenuState::OnExit() {
    if (m_Focused) m_Focused->SetFocus(0, 0);
    m_Focused = nullptr;
    m_Menu->SetVisible(0, 0);
}

int CQxMenuState::OnMessage(const CQxMsg& msg) {
    if (!m_Menu->IsVisible()) return 0;
    if (msg.m_Type == QX_MSG_LBUTTON_DOWN) {
        CQxWidget* hit = m_Menu->IsHit(msg.GetPoint());
        if (!hit) return 1;
        if (hit == m_Start) return Send(QX_MSG_START);
        if (hit == m_Quit) return Send(QX_MSG_QUIT);
        if (hit == m_ToggleDisp) return Send(QX_MSG_TOGGLE_DISP);
        return 1;
    }
    if (msg.m_Type == QX_MSG_MOUSE_MOVE) {
        CQxWidget* hit = m_Menu->IsHit(msg.GetPoint());
        if (hit != m_Focused) {
            if (m_Focused) m_Focused->SetFocus(0, 0);
            if (hit) hit->SetFocus(1, 0);
            m_Focused = hit;
            // Last: whoever takes the message may tear the program, and this state, down.
            Send(QX_MSG_FOCUS_CHANGED);
        }
        return 1;
    }
    return 0;
}

int CQxMenuState::Send(unsigned int type) {
    CQxMsg msg(type);
    msg.m_Sender = GetSimulator()->GetSimID();
    return GetSimulator()->GetSimManager()->SendMessageA(msg);
}
