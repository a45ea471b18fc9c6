#pragma once

// Builders shared by the selection tests: small meshes whose elements are found by position.

#include <gtest/gtest.h>

#include <memory>

#include "qx/scene/object.h"
#include "qx/selection/select.h"

namespace qxseltest {

// A mesh object with a 2 x 2 grid of quads in the XZ plane: vertex (i, j) sits at
// x = i - 1, z = 1 - j, and face (i, j) spans vertices (i..i+1, j..j+1).
inline std::unique_ptr<CQxObject> NewGrid() {
    auto object = std::make_unique<CQxObject>(1);
    object->Mesh().CreatePlane(0, 2.0f, 2.0f, 2, 2, nullptr, 0);
    object->UpdateBoundBox();
    return object;
}

inline CQxVertex* GridVertex(CQxObject& grid, unsigned int i, unsigned int j) {
    return grid.Mesh().Vertices().GetAt(j * 3 + i);
}

inline CQxFace* GridFace(CQxObject& grid, unsigned int i, unsigned int j) {
    return grid.Mesh().Faces().GetAt(j * 2 + i);
}

// The side of a face that runs from vertex a to vertex b, or null.
inline CQxHalfEdge* FindSide(const CQxFace& face, const CQxVertex* a, const CQxVertex* b) {
    CQxHalfEdge* found = nullptr;
    face.ForEachHalfEdge([&](CQxHalfEdge& h) {
        if (h.GetVertex() == a && h.GetEndVertex() == b) found = &h;
    });
    return found;
}

// Positions in the mesh's vertex list of the given vertices, in their order.
inline CQxArray<unsigned int> Positions(const CQxObject& object, const CQxArray<CQxVertex*>& vertices) {
    CQxArray<unsigned int> out;
    for (const CQxVertex* v : vertices) out.PushBack(object.Mesh().Vertices().Find(v));
    return out;
}

inline CQxArray<unsigned int> Positions(const CQxObject& object, const CQxArray<CQxFace*>& faces) {
    CQxArray<unsigned int> out;
    for (const CQxFace* f : faces) out.PushBack(object.Mesh().Faces().Find(f));
    return out;
}

inline ::testing::AssertionResult VectorNear(const CQxVector& actual, const CQxVector& expected,
                                             float eps = 1e-4f) {
    if (actual.IsEqual(expected, eps)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not (" << expected.x << ", "
           << expected.y << ", " << expected.z << ")";
}

} // namespace qxseltest
