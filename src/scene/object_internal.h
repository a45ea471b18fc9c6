#pragma once

// Helpers shared by the object's drawing and hit-test code.

#include <cstdint>
#include <vector>

#include "qx/basis/array.h"
#include "qx/graphics/mesh.h"
#include "qx/math/matrix.h"
#include "qx/scene/object.h"

namespace qx_object {

// Where a vertex lies under the bone matrices, as the mesh's bone hit tests place it.
inline CQxVector SkinPosition(const CQxVertex& vertex, const CQxArray<CQxMatrix>& bones) {
    return QxSkinPosition(vertex, bones.GetData(), bones.GetSize());
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


// What bending one mesh takes that holds while its elements and weights do: the vertices
// with their influences (QxGetSkinInfluences, four slots a vertex), and the flat faces (by
// list position) with the vertex of their first corner.
struct SkinBinding {
    const CQxMesh* Mesh = nullptr;
    std::uint64_t Topology = 0; // the mesh topology epoch it was taken at
    std::vector<const CQxVertex*> Vertices;
    std::vector<std::uint8_t> Counts;
    std::vector<std::uint32_t> Indices;
    std::vector<float> Weights;
    std::vector<const CQxFace*> FlatFaces;
    std::vector<std::uint32_t> FlatFacePositions;
    std::vector<std::uint32_t> FlatCorners;
};

} // namespace qx_object

// The bent pose a skinned object's primitives show: the deformation matrices (mesh space) it
// was computed with, and the positions and normals by list position, kept between frames.
struct CQxObject::SkinPose {
    CQxArray<CQxMatrix> Matrices;
    CQxArray<CQxMatrix> Next;
    bool Shown = false;
    qx_object::SkinBinding Bindings[2]; // the edited mesh, and the drawn one when that is another
    std::vector<CQxVector> Positions;
    std::vector<CQxVector> Normals;
    std::vector<CQxVector> FaceNormals;
};
