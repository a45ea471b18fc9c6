#include "qx/animation/action.h"

void CQxAction::SetName(const char* name) {
    m_Name = name ? name : "";
}
