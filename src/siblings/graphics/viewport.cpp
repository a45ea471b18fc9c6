#include "qx/graphics/viewport.h"

// Clip space (after the divide by w) to pixels: x from -1..1 to X..X+Width, y from 1..-1 to
// Y..Y+Height (downward), z from 0..1 to MinZ..MaxZ. Applied before the divide it gives the
// same result, so it can be folded into a projection.
CQxMatrix CQxViewPort::GetScreenMatrix() const {
    const float hw = 0.5f * static_cast<float>(Width);
    const float hh = 0.5f * static_cast<float>(Height);
    return CQxMatrix(hw, 0.0f, 0.0f, 0.0f, 0.0f, -hh, 0.0f, 0.0f, 0.0f, 0.0f, MaxZ - MinZ, 0.0f,
                     static_cast<float>(X) + hw, static_cast<float>(Y) + hh, MinZ, 1.0f);
}

// An empty viewport or a flat depth range maps everything to a line or a plane: no inverse.
int CQxViewPort::GetInvScreenMatrix(CQxMatrix& out) const {
    const float depth = MaxZ - MinZ;
    if (Width == 0 || Height == 0 || depth == 0.0f) return 0;
    const float hw = 0.5f * static_cast<float>(Width);
    const float hh = 0.5f * static_cast<float>(Height);
    const CQxMatrix inv(1.0f / hw, 0.0f, 0.0f, 0.0f, 0.0f, -1.0f / hh, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f / depth,
                        0.0f, -(static_cast<float>(X) + hw) / hw, (static_cast<float>(Y) + hh) / hh,
                        -MinZ / depth, 1.0f);
    if (!inv.IsFinite()) return 0;
    out = inv;
    return 1;
}
