#pragma once

#include "qx/export.h"

// The simulators that run a scene in play mode. Until simulators exist there is nothing to
// hold; the scene clears it before it takes its content down.
class QX_API CQxSimManager {
public:
    CQxSimManager() = default;
    CQxSimManager(const CQxSimManager&) = delete;
    CQxSimManager& operator=(const CQxSimManager&) = delete;
    virtual ~CQxSimManager();

    // Destroys every simulator.
    void Clear();
};
