#pragma once

#include <string>
#include <vector>

#include "qx/play/sim_manager.h"
#include "qx/play/simulator.h"

// A state that writes what happens to it ("enter 1", "exit 1", "msg 1:8", "update 1@0.5") into
// a shared log and answers messages with a set value.
class RecordingState : public CQxSimState {
public:
    RecordingState(CQxSimulator* simulator, std::vector<std::string>& log, unsigned int value)
        : CQxSimState(simulator), m_Log(log), m_Value(std::to_string(value)) {}
    int OnMessage(const CQxMsg& msg) override {
        m_Log.push_back("msg " + m_Value + ":" + std::to_string(msg.m_Type));
        return m_Answer;
    }
    void OnEnter() override { m_Log.push_back("enter " + m_Value); }
    void OnExit() override { m_Log.push_back("exit " + m_Value); }
    void OnUpdate(const float& time) override {
        char text[32];
        std::snprintf(text, sizeof text, "update %s@%g", m_Value.c_str(), time);
        m_Log.emplace_back(text);
    }
    int m_Answer = 0;

private:
    std::vector<std::string>& m_Log;
    std::string m_Value;
};

// A simulator with recording states 0 and 1, started in state 0; given a task type it also
// pushes its update task of that type.
class RecordingSim : public CQxSimulator {
public:
    RecordingSim(CQxSimManager* manager, std::vector<std::string>& log) : CQxSimulator(manager), m_Log(log) {}
    int Create(QX_SIM_TYPE type, int taskType = -1) {
        Clear();
        SetSimType(type);
        for (QX_SIM_STATE_TYPE value : {0u, 1u}) AddState(value, new RecordingState(this, m_Log, value));
        State(0)->OnEnter();
        if (taskType >= 0) return SetTask(new CQxSimUpdateTask(this, static_cast<unsigned int>(taskType)));
        return 1;
    }
    RecordingState* State(QX_SIM_STATE_TYPE value) const {
        return static_cast<RecordingState*>(GetStateObject(value));
    }

private:
    std::vector<std::string>& m_Log;
};

// A host handler that logs every message it sees and takes it when told to.
class HostHandler : public CQxMsgHandler {
public:
    explicit HostHandler(std::vector<std::string>& log) : m_Log(log) {}
    int OnMessage(const CQxMsg& msg) override {
        m_Log.push_back("host:" + std::to_string(msg.m_Type));
        return m_Takes;
    }
    int m_Takes = 0;

private:
    std::vector<std::string>& m_Log;
};
