#pragma once

#include <map>
#include <vector>

#include "qx/export.h"
#include "qx/play/msg.h"
#include "qx/play/simulator.h"

class CQxScene;

// The simulators that run a scene in play mode. Every simulator registers here on construction
// and gets the next identifier; the manager owns only the root simulator, which owns the rest
// through its states. Messages go to the host's handler first, then to the root simulator.
class QX_API CQxSimManager {
public:
    CQxSimManager() = default;
    CQxSimManager(const CQxSimManager&) = delete;
    CQxSimManager& operator=(const CQxSimManager&) = delete;
    virtual ~CQxSimManager();

    // Clears, then keeps the scene and the handler and builds the program of the simulation
    // type. 0, with no root simulator, for a type the library has no program for.
    int Create(QX_SIM_TYPE type, CQxScene* scene, CQxMsgHandler* handler);
    // 1 when the handler takes the message; else the root simulator's answer (0 without one).
    virtual int SendMessageA(const CQxMsg& msg);

    // Gives the simulator the next identifier and files it.
    void AddSimulator(CQxSimulator* simulator);
    // Unfiles the simulator by its identifier.
    void RemoveSimulator(CQxSimulator* simulator);
    // Null when no registered simulator has the identifier.
    CQxSimulator* GetSimulator(unsigned int id) const;
    // Destroys the root simulator (and so the program), restarts the identifiers and forgets
    // scene and handler.
    void Clear();

    CQxScene* GetScene() const { return m_Scene; }
    CQxMsgHandler* GetMsgHandler() const { return m_MsgHandler; }
    CQxSimulator* GetRootSimulator() const { return m_RootSimulator; }
    unsigned int GetSimulatorCount() const { return static_cast<unsigned int>(m_Simulators.size()); }

private:
    // Where the simulator with the identifier is, or would be, in the ascending list.
    std::vector<CQxSimulator*>::const_iterator Find(unsigned int id) const;

    CQxScene* m_Scene = nullptr;
    unsigned int m_NextID = 0;
    std::vector<CQxSimulator*> m_Simulators;
    std::map<unsigned int, CQxSimulator*> m_Reserved;
    CQxMsgHandler* m_MsgHandler = nullptr;
    CQxSimulator* m_RootSimulator = nullptr;
};
