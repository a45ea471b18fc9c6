#pragma once

#include "qx/export.h"
#include "qx/math/vector.h"

// The state of one body for physical simulation, kept for a physics simulator to use; nothing
// in the library moves bodies yet. Every field starts at zero.
class QX_API CQxRigidBody {
public:
    CQxRigidBody() = default;
    CQxRigidBody(const CQxRigidBody&) = default;
    CQxRigidBody& operator=(const CQxRigidBody&) = default;
    virtual ~CQxRigidBody() = default;

    unsigned int m_Type = 0;
    unsigned int m_Flags = 0;
    float m_Mass = 0.0f;
    CQxVector m_Position;
    CQxVector m_Velocity;
    CQxVector m_Force;
    float m_Damping = 0.0f;
};
