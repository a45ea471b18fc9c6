#pragma once

#include "qx/basis/list_node.h"
#include "qx/basis/string.h"
#include "qx/export.h"

enum QX_ACTION_TYPE : unsigned int {
    QX_ACTION_NONE = 0,
    QX_ACTION_ANIM = 1,
    QX_ACTION_SOUND = 2,
};

// A named entry in a model's list of actions. Copies take the type and the name, never the
// list links.
class QX_API CQxAction : public CQxListNode<CQxAction> {
public:
    CQxAction() = default;
    CQxAction(const CQxAction& other) = default;
    CQxAction& operator=(const CQxAction& other) = default;
    virtual ~CQxAction() = default;

    QX_ACTION_TYPE& Type() { return m_Type; }
    const QX_ACTION_TYPE& Type() const { return m_Type; }
    const char* GetName() const { return m_Name.GetStr(); }
    // Null reads as "".
    void SetName(const char* name);

private:
    QX_ACTION_TYPE m_Type = QX_ACTION_NONE;
    CQxString m_Name;
};
