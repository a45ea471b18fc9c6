#pragma once

// Helpers shared by the object's drawing and hit-test code.

#include <cstdint>

#include "qx/basis/array.h"
#include "qx/graphics/mesh.h"
#include "qx/math/matrix.h"

namespace qx_object {

// Where a vertex lies under the bone matrices, as the mesh's bone hit tests place it: the
// weighted sum of its position under each bone of its slots (slots past the array skipped);
// without bone data it follows bone 0, and without bones it stays where it is.
inline CQxVector SkinPosition(const CQxVertex& vertex, const CQxArray<CQxMatrix>& bones) {
    const CQxVector& p = vertex.Position();
    if (bones.IsEmpty()) return p;
    const CQxVertexBones* slots = vertex.Bones();
    if (!slots) return p * bones[0];
    CQxVector sum;
    for (unsigned int s = 0; s < 4; ++s) {
        const unsigned int bone = slots->Indices[s];
        if (bone < bones.GetSize() && slots->Weights[s] != 0.0f) sum += (p * bones[bone]) * slots->Weights[s];
    }
    return sum;
}

// The mirror axis of a connected mirror: the lowest flag, X before Y before Z.
inline QX_AXIS_TYPE LowestAxis(unsigned int flags) {
    if (flags & QX_AXIS_X) return QX_AXIS_X;
    if (flags & QX_AXIS_Y) return QX_AXIS_Y;
    if (flags & QX_AXIS_Z) return QX_AXIS_Z;
    return QX_AXIS_NONE;
}

// Moves whenever selection flags may have been set by other means than the objects' selection
// methods (the scene's PrepareTool is how a host says the selection changed); what objects
// recorded of their selection before it no longer counts.
std::uint64_t SelectionGeneration();
void ForgetKnownSelections();

} // namespace qx_object
