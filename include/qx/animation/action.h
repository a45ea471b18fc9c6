#pragma once

#include "qx/animation/anim.h"
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

// An action with an animation of its own, apart from the model's working animation. Copies take
// the type and the name, not the animation.
class QX_API CQxAnimAction : public CQxAction {
public:
    CQxAnimAction() { Type() = QX_ACTION_ANIM; }
    CQxAnimAction(const CQxAnimAction& other) : CQxAction(other) {}
    CQxAnimAction& operator=(const CQxAnimAction& other) {
        CQxAction::operator=(other);
        return *this;
    }

    CQxAnim& Anim() { return m_Anim; }
    const CQxAnim& Anim() const { return m_Anim; }

private:
    CQxAnim m_Anim;
};

// An action that names a sound; it carries nothing else.
class QX_API CQxSoundAction : public CQxAction {
public:
    CQxSoundAction() { Type() = QX_ACTION_SOUND; }
};

// A new action of the class its type calls for (a plain one for an unknown type), named.
QX_API CQxAction* QxNewAction(QX_ACTION_TYPE type, const char* name);
