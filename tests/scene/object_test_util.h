#pragma once

// Small builders shared by the object tests: mesh objects and a camera placed without a window.

#include <cmath>

#include "qx/graphics/graphics_context.h"
#include "qx/graphics/primitive.h"
#include "qx/graphics/viewport.h"
#include "qx/math/stacks.h"
#include "qx/scene/object.h"

namespace qxtest {

// A mesh object holding a cube of the given size centred on its origin.
inline CQxObject* NewCube(float size = 1.0f, CQxAttribute* attribute = nullptr, const char* name = "") {
    auto* object = new CQxObject(1);
    object->Name() = name;
    object->Mesh().CreateCube(0, size, size, size, 1, 1, 1, attribute, 0);
    object->UpdateBoundBox();
    object->UpdateGraphics();
    return object;
}

// Triangles drawn by the object's face primitives.
inline unsigned int FaceTriangles(const CQxObject& object) {
    unsigned int n = 0;
    for (unsigned int i = 0; i < object.GetFacePrimitiveCount(); ++i)
        n += object.GetFacePrimitive(i)->GetPrimitiveCount();
    return n;
}

// A 640 x 480 view looking at the origin down -Z from the eye.
struct View {
    CQxViewPort viewport{0, 0, 640, 480};
    CQxMatrix view, projection;

    explicit View(const CQxVector& eye = CQxVector(0, 0, 20)) {
        view.SetLookAtR(eye, CQxVector(), CQxVector(0, 1, 0));
        projection.SetPerspectiveFovR(0.8f, 640.0f / 480.0f, 0.5f, 200.0f);
    }
    // Where a world point shows, in whole pixels.
    CQxPoint Pixel(const CQxVector& p) const {
        CQxMatrix screen;
        QxGetScreenTranform(screen, CQxMatrix(), view, projection, viewport);
        const CQxVector s = screen.TransformCoord(p);
        return CQxPoint(static_cast<int>(std::lround(s.x)), static_cast<int>(std::lround(s.y)));
    }
};

inline bool Near(const CQxVector& a, const CQxVector& b, float eps = 1e-4f) {
    return a.IsEqual(b, eps);
}

// World positions of an object's vertices from its transform to the root.
inline CQxArray<CQxVector> WorldVertices(const CQxObject& object) {
    CQxArray<CQxVector> out;
    const CQxMatrix world = object.GetTransformToRoot(QX_TF_ALL, 0);
    for (const CQxVertex& v : object.Mesh().Vertices()) out.PushBack(v.Position() * world);
    return out;
}

} // namespace qxtest
