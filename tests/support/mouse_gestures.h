#pragma once

#include "qx/math/point_rect.h"

// The left-button gestures a rig builds from its own Press, MoveTo and Release: a click, and a
// drag through `steps` even moves to its end.
template <class Rig>
struct QxMouseGestures {
    void Click(CQxPoint point, unsigned int flags = 0) {
        Self().Press(point, flags);
        Self().Release(point, flags);
    }
    void Drag(CQxPoint from, CQxPoint to, unsigned int flags = 0, int steps = 4) {
        Self().Press(from, flags);
        for (int i = 1; i <= steps; ++i)
            Self().MoveTo(
                CQxPoint(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps), flags);
        Self().Release(to, flags);
    }

private:
    Rig& Self() { return static_cast<Rig&>(*this); }
};
