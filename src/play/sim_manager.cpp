#include "qx/play/sim_manager.h"

CQxSimManager::~CQxSimManager() {
    Clear();
}

void CQxSimManager::Clear() {}
