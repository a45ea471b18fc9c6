#include "qx/animation/anim.h"

// The animation holds no items yet: the item maps arrive with keyframe editing, and these two
// grow with them.
void CQxAnim::Clear() {}

int CQxAnim::IsEmpty() const {
    return 1;
}
