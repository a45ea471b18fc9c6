#pragma once

#include "qx/export.h"
#include "qx/math/point_rect.h"
#include "qx/math/vector.h"

// The kinds of play-mode messages. Gaps are kinds nobody sends.
enum QX_MSG_TYPE : unsigned int {
    QX_MSG_TOGGLE_DISP = 1,   // the menu's "ToggleDisp" button was clicked
    QX_MSG_PAUSE = 2,         // the host asks for the menu
    QX_MSG_START = 3,         // the menu's "Start" button was clicked
    QX_MSG_QUIT = 4,          // the menu's "Quit" button was clicked
    QX_MSG_FOCUS_CHANGED = 5, // the button under the mouse changed
    QX_MSG_KEY_DOWN = 6,      // virtual-key code, repeat count, key flags
    QX_MSG_LBUTTON_DOWN = 8,  // point, mouse flags
    QX_MSG_MOUSE_MOVE = 10,   // point, mouse flags
    QX_MSG_OBJECT_HIT = 11,   // hit position, hit object
};

// Identifier of no simulator: the sender of a message from the host, the receiver of one for
// whoever takes it.
inline constexpr unsigned int QX_SIM_NO_ID = 0xFFFFFFFFu;

// One message to the play program: a type and four 32-bit payload words, whose meaning the type
// gives. A point is stored as two ints and a vector as three floats, bit for bit.
class QX_API CQxMsg {
public:
    explicit CQxMsg(unsigned int type = 0) : m_Type(type) {}
    CQxMsg(unsigned int type, unsigned int data0, unsigned int data1, unsigned int data2);
    CQxMsg(unsigned int type, const CQxPoint& point, unsigned int word);
    CQxMsg(unsigned int type, const CQxVector& vector, unsigned int word);

    CQxPoint GetPoint() const;
    CQxVector GetVector() const;

    unsigned int m_Type;
    unsigned int m_Sender = QX_SIM_NO_ID;
    unsigned int m_Receiver = QX_SIM_NO_ID;
    unsigned int m_Data[4] = {0, 0, 0, 0};
};

// Whoever takes messages: the host's handler, which sees every message before the simulators,
// and every simulator state. Nonzero from OnMessage means the message was taken.
class QX_API CQxMsgHandler {
public:
    virtual ~CQxMsgHandler() = default;
    virtual int OnMessage(const CQxMsg& msg);
};
