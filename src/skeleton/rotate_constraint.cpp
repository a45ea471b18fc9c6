#include <cmath>

#include "qx/math/math_helpers.h"
#include "qx/scene/object.h"

void CQxRotateConstraint::Init() {
    m_PlaneDir = CQxVector(0.0f, 0.0f, 0.0f);
    m_MinAngle = 0.0f;
    m_MaxAngle = 0.0f;
}

int CQxRotateConstraint::IsValid() const {
    return m_PlaneDir.x != 0.0f || m_PlaneDir.y != 0.0f || m_PlaneDir.z != 0.0f;
}

int CQxRotateConstraint::ConstrainAngle(float& angle) const {
    if (!IsValid()) return 0;
    if (m_MinAngle <= angle && angle <= m_MaxAngle) return 1;
    // Outside the limits: the limit the angle is nearer to, measured round the circle.
    const float wrapped = QxValidateAngle(angle);
    const float toMin = std::fabs(QxGetNearDeltaAngle(QxValidateAngle(m_MinAngle), wrapped));
    const float toMax = std::fabs(QxGetNearDeltaAngle(QxValidateAngle(m_MaxAngle), wrapped));
    angle = toMax >= toMin ? m_MinAngle : m_MaxAngle;
    return 1;
}
