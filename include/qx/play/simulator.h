#pragma once

#include <map>
#include <memory>

#include "qx/export.h"
#include "qx/play/msg.h"
#include "qx/play/task_manager.h"

class CQxSimManager;
class CQxSimulator;

// What a simulator is, chosen by its Create. The library's scene program uses the nonzero ones.
enum QX_SIM_TYPE : unsigned int {
    QX_SIM_NONE = 0,
    QX_SIM_SCENE = 1,
    QX_SIM_FIRST_PERSON = 2,
    QX_SIM_SPINNING = 3,
    QX_SIM_WIDGET = 4,
};

// A simulator's state value; each simulator gives its own meaning to the values.
using QX_SIM_STATE_TYPE = unsigned int;
// The state every simulator starts in.
inline constexpr QX_SIM_STATE_TYPE QX_SIM_STATE_INITIAL = 0;

// The behaviour of a simulator in one state: its messages, and enter, exit and update.
class QX_API CQxSimState : public CQxMsgHandler {
public:
    explicit CQxSimState(CQxSimulator* simulator) : m_Simulator(simulator) {}
    ~CQxSimState() override = default;

    virtual void OnEnter() {}
    virtual void OnExit() {}
    // Given the play time (seconds) of the task that updates the simulator.
    virtual void OnUpdate(const float& /*time*/) {}

    CQxSimulator* GetSimulator() const { return m_Simulator; }

private:
    CQxSimulator* m_Simulator;
};

// A state machine of the play program: it owns one state object per state value and hands
// every message and update to the object of the current state. Simulators register with their
// manager on construction, which gives them their identifier, and unregister on destruction.
// Derived simulators add Create(QX_SIM_TYPE, subject), which clears, stores the type and
// builds the states (and the update task, if any).
class QX_API CQxSimulator {
public:
    explicit CQxSimulator(CQxSimManager* simManager);
    CQxSimulator(const CQxSimulator&) = delete;
    CQxSimulator& operator=(const CQxSimulator&) = delete;
    virtual ~CQxSimulator();

    // Pops the task, leaves the current state (exit), destroys the states; type and state 0.
    virtual void Clear();
    // The current state object's answer; 0 without states.
    virtual int OnMessage(const CQxMsg& msg);
    virtual void OnUpdate(const float& time);
    // Exit of the current state, then enter of the new one; 0 (and neither) when the value has
    // no state object or is the current state.
    virtual int SetCurState(QX_SIM_STATE_TYPE state);
    virtual QX_SIM_STATE_TYPE GetCurState();
    virtual int IsStateAvailable(QX_SIM_STATE_TYPE state) const;

    CQxSimManager* GetSimManager() const { return m_SimManager; }
    QX_SIM_TYPE GetSimType() const { return m_SimType; }
    unsigned int GetSimID() const { return m_SimID; }
    CQxTask* GetTask() const { return m_Task; }

protected:
    void SetSimType(QX_SIM_TYPE type) { m_SimType = type; }
    // Takes the state object for the value, replacing (and destroying) one already there. Enter
    // is not called: the caller enters the initial state once the states are in place.
    void AddState(QX_SIM_STATE_TYPE state, CQxSimState* object);
    CQxSimState* GetStateObject(QX_SIM_STATE_TYPE state) const;
    // Pushes the task on the scene's task manager and keeps it as the simulator's task, in
    // place of (and popping) any earlier one; without a scene, or for a task of no known type,
    // the task is destroyed and 0 returned.
    int SetTask(CQxTask* task);

private:
    friend class CQxSimManager;

    CQxSimManager* m_SimManager;
    QX_SIM_TYPE m_SimType = QX_SIM_NONE;
    unsigned int m_SimID = QX_SIM_NO_ID;
    QX_SIM_STATE_TYPE m_CurState = QX_SIM_STATE_INITIAL;
    std::map<QX_SIM_STATE_TYPE, std::unique_ptr<CQxSimState>> m_States;
    CQxTask* m_Task = nullptr;
};

// The task that updates a simulator with the play time it is handed.
class QX_API CQxSimUpdateTask : public CQxTask {
public:
    CQxSimUpdateTask(CQxSimulator* simulator, unsigned int type) : CQxTask(type), m_Simulator(simulator) {}
    void Execute(const float& time) override;

    CQxSimulator* GetSimulator() const { return m_Simulator; }

private:
    CQxSimulator* m_Simulator;
};
