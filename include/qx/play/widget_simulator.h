#pragma once

#include "qx/export.h"
#include "qx/play/simulator.h"

class CQxWidget;

// A simulator that runs a 2D widget: QX_SIM_WIDGET drives a menu of "Start", "Quit" and
// "ToggleDisp" buttons.
class QX_API CQxWidgetSimulator : public CQxSimulator {
public:
    explicit CQxWidgetSimulator(CQxSimManager* simManager) : CQxSimulator(simManager) {}

    // Clears, keeps type and widget, then enters the menu state; 0 for another type or without
    // a widget.
    virtual int Create(QX_SIM_TYPE type, CQxWidget* widget);

    CQxWidget* GetWidget() const { return m_Widget; }

private:
    CQxWidget* m_Widget = nullptr;
};

// The menu while it is shown: a click on a button sends its message (QX_MSG_START, QX_MSG_QUIT,
// QX_MSG_TOGGLE_DISP) through the manager, and the mouse moves the focus from button to button
// (QX_MSG_FOCUS_CHANGED). A hidden menu takes nothing; a shown one takes every click.
class QX_API CQxMenuState : public CQxSimState {
public:
    CQxMenuState(CQxSimulator* simulator, CQxWidget* menu) : CQxSimState(simulator), m_Menu(menu) {}
    int OnMessage(const CQxMsg& msg) override;
    // Hides the menu and finds its buttons.
    void OnEnter() override;
    // Takes the focus away and hides the menu.
    void OnExit() override;

    CQxWidget* GetFocused() const { return m_Focused; }

private:
    int Send(unsigned int type);

    CQxWidget* m_Menu;
    CQxWidget* m_Start = nullptr;
    CQxWidget* m_Quit = nullptr;
    CQxWidget* m_ToggleDisp = nullptr;
    CQxWidget* m_Focused = nullptr;
};
