#pragma once

// Builders for the small objects, meshes and views the core tests make over and over, and the
// checks on what they give back.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "qx/animation/anim.h"
#include "qx/graphics/viewport.h"
#include "qx/math/matrix.h"
#include "qx/math/point_rect.h"
#include "qx/scene/object.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"

class CQxCamera;

// Puts the object, named when a name is given, last below the parent and hands it back.
template <class Parent, class T>
T* QxAdd(Parent& parent, T* child, const char* name = nullptr) {
    if (name) child->SetName(name);
    parent.PushChild(child);
    return child;
}

// A mesh object holding a cube of the given size centred on its origin, ready to draw.
CQxObject* QxNewCube(float size = 1.0f, CQxAttribute* attribute = nullptr, const char* name = "");
// Triangles drawn by an object's face primitives.
unsigned int QxFaceTriangles(const CQxObject& object);

// A mesh object with a 2 x 2 grid of quads in the XZ plane:
//
//   j=2  6---7---8     vertex (i, j) sits at x = i - 1, z = 1 - j;
//        | 2 | 3 |     face (i, j) spans vertices (i..i+1, j..j+1)
//   j=1  3---4---5     (faces numbered 0..3 as drawn, vertices 0..8)
//        | 0 | 1 |
//   j=0  0---1---2
//       i=0     i=2
std::unique_ptr<CQxObject> QxNewGrid();
CQxVertex* QxGridVertex(CQxObject& grid, unsigned int i, unsigned int j);
CQxFace* QxGridFace(CQxObject& grid, unsigned int i, unsigned int j);
// A selection record of the object listing these elements.
CQxSelect QxRecord(CQxObject* object, const CQxArray<CQxVertex*>& vertices,
                   const CQxArray<CQxFace*>& faces = {}, const CQxArray<CQxHalfEdge*>& halfEdges = {});
// The side of a face that runs from vertex a to vertex b, or null.
CQxHalfEdge* QxFindSide(const CQxFace& face, const CQxVertex* a, const CQxVertex* b);

// Where the given vertices or faces stand in their mesh's lists, in the given order.
CQxArray<unsigned int> QxPositions(const CQxObject& object, const CQxArray<CQxVertex*>& vertices);
CQxArray<unsigned int> QxPositions(const CQxObject& object, const CQxArray<CQxFace*>& faces);

// World positions of an object's vertices, in list order.
std::vector<CQxVector> QxWorldVertices(const CQxObject& object);

// An object channel in its model's animation with keys (frame, value), slopes made automatic.
CQxObjectAnimItem& QxKeys(CQxObject& object, QX_ANIM_ITEM_TYPE type,
                          std::initializer_list<std::pair<float, float>> keys);

// A scene with two 2-unit cubes "a" and "b" under its root model, for animation tests.
struct QxTwoCubes {
    CQxScene scene;
    CQxModel& model = scene.RootModel();
    CQxAnim& anim = model.Anim();
    CQxObject* a = QxAdd(model, QxNewCube(2.0f), "a");
    CQxObject* b = QxAdd(model, QxNewCube(2.0f), "b");
};

// Points equal within eps; a failure prints both.
::testing::AssertionResult QxNear(const CQxVector& actual, const CQxVector& expected, float eps = 1e-4f);
// Point lists equal point by point; a failure names the first point that differs.
::testing::AssertionResult QxNear(const std::vector<CQxVector>& actual,
                                  const std::vector<CQxVector>& expected, float eps = 1e-3f);

// A 640 x 480 view looking at the origin down -Z from the eye, without a window.
struct QxTestView {
    CQxViewPort viewport{0, 0, 640, 480};
    CQxMatrix view, projection;

    explicit QxTestView(const CQxVector& eye = CQxVector(0, 0, 20));
    // Where a world point shows: in screen coordinates, and in whole pixels.
    CQxVector Screen(const CQxVector& p) const;
    CQxPoint Pixel(const CQxVector& p) const;
};

// Where a world point shows through a placed camera: in screen coordinates, and in whole pixels.
CQxVector QxScreenCoord(const CQxCamera& camera, const CQxVector& p);
CQxPoint QxScreenPoint(const CQxCamera& camera, const CQxVector& p);

// Every notification a scene gives its host while the recorder is attached, in order.
class QxUpdateRecorder {
public:
    struct Notice {
        CQxScene* Scene;
        QX_UPDATE_TYPE Type;
        std::uintptr_t Args[3];
    };

    QxUpdateRecorder() = default;
    explicit QxUpdateRecorder(CQxScene& scene) { Attach(scene); }
    void Attach(CQxScene& scene);

    std::vector<Notice> Notices;
    std::vector<unsigned int> Types() const;
    // The types so far, clearing the record.
    std::vector<unsigned int> TakeTypes();
};

// Where two scene dumps part: the first differing line with the object it belongs to ("" when
// they are equal), so that failures on long dumps stay readable.
std::string QxDumpDiff(const std::string& expected, const std::string& actual);
#define QX_EXPECT_SAME_DUMP(a, b) EXPECT_TRUE((a) == (b)) << QxDumpDiff((a), (b))
#define QX_ASSERT_SAME_DUMP(a, b) ASSERT_TRUE((a) == (b)) << QxDumpDiff((a), (b))
