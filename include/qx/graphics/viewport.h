#pragma once

#include "qx/export.h"
#include "qx/math/matrix.h"
#include "qx/math/vector.h"

// The rectangle of a window that a projection maps to, in pixels, with its depth range.
// A point in clip space maps to x = X + (1 + px) * Width / 2, y = Y + (1 - py) * Height / 2
// (y grows downward), z = MinZ + pz * (MaxZ - MinZ).
class QX_API CQxViewPort {
public:
    unsigned int X = 0;
    unsigned int Y = 0;
    unsigned int Width = 0;
    unsigned int Height = 0;
    float MinZ = 0.0f;
    float MaxZ = 1.0f;

    CQxViewPort() = default;
    CQxViewPort(unsigned int x, unsigned int y, unsigned int width, unsigned int height, float minZ = 0.0f,
                float maxZ = 1.0f)
        : X(x), Y(y), Width(width), Height(height), MinZ(minZ), MaxZ(maxZ) {}

    // The matrix from clip space to screen pixels (row vectors), and its inverse.
    CQxMatrix GetScreenMatrix() const;
    int GetInvScreenMatrix(CQxMatrix& out) const;
};
