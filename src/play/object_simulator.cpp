#include "qx/play/object_simulator.h"

#include <numbers>

#include "qx/platform/input_state.h"
#include "qx/scene/object.h"

namespace {

constexpr float kTurnStep = 0.10471976f; // 6 degrees
constexpr float kMoveStep = 1.0f / 3.0f;
constexpr float kSpinInterval = 0.033333335f;

bool IsKeyDown(int vk) {
    return QxWin::GetAsyncKeyState(vk) < 0;
}

} // namespace

int CQxObjectSimulator::Create(QX_SIM_TYPE type, CQxObject* object) {
    Clear();
    SetSimType(type);
    m_Object = object;
    CQxSimState* state = nullptr;
    CQxTask* task = nullptr;
    if (!object) return 0;
    if (type == QX_SIM_FIRST_PERSON) {
        state = new CQxFirstPersonState(this, object);
        task = new CQxSimUpdateTask(this, CQxTask::TYPE_FRAME);
    } else if (type == QX_SIM_SPINNING) {
        state = new CQxSpinningState(this, object);
        task = new CQxSimUpdateTask(this, CQxTask::TYPE_SCHEDULED);
        task->Interval() = kSpinInterval;
    } else {
        return 0;
    }
    AddState(QX_SIM_STATE_INITIAL, state);
    state->OnEnter();
    SetTask(task);
    return 1;
}

void CQxFirstPersonState::OnUpdate(const float&) {
    CQxVector angle = m_Object->Angle();
    const bool left = IsKeyDown('A');
    const bool right = IsKeyDown('D');
    if (left) angle.y += kTurnStep;
    if (right) angle.y -= kTurnStep;
    if (left || right) m_Object->SetAngle(angle);

    CQxVector move;
    const bool forward = IsKeyDown('W');
    const bool back = IsKeyDown('S');
    if (!forward && !back) return;
    if (forward) move.z += kMoveStep;
    if (back) move.z -= kMoveStep;
    m_Object->Translate() += move * m_Object->Rotate();
}

int CQxSpinningState::OnMessage(const CQxMsg& msg) {
    if (msg.m_Type != QX_MSG_OBJECT_HIT) return 0;
    m_IsAboutX = !m_IsAboutX;
    return 1;
}

void CQxSpinningState::OnUpdate(const float& time) {
    CQxVector angle;
    (m_IsAboutX ? angle.x : angle.y) = time * std::numbers::pi_v<float>;
    m_Object->SetAngle(angle);
}
