#include <gtest/gtest.h>

#include <numbers>
#include <vector>

#include "qx/scene/object_kinds.h"
#include "scene_builders.h"

// Expected positions are derived in world space from what each frame means (a shift along, or
// a turn about, an axis given in that frame), not from the records' own formulas.

namespace {

CQxQuat Turn(const CQxVector& axis, float degrees) {
    CQxQuat q;
    q.SetRotate(axis, degrees * std::numbers::pi_v<float> / 180.0f);
    return q;
}

// Counts geometry updates, which vertex edits must end with.
class CountingObject : public CQxObject {
public:
    CountingObject() : CQxObject(1) {}
    void UpdateGeometry() override {
        ++Updates;
        CQxObject::UpdateGeometry();
    }
    int Updates = 0;
};

// root -> parent (turned 90 degrees about Z, moved, scaled) -> object (turned 90 degrees about
// Y, pivot off its origin, moved, scaled) holding the 2 x 2 grid.
struct Rig {
    CQxGroup root{0};
    CQxGroup* parent = new CQxGroup(1);
    CountingObject* object = new CountingObject;
    // The world rotations of the three frames: world, local (the parent's), the object's own.
    CQxQuat frames[3] = {CQxQuat(), Turn(CQxVector(0, 0, 1), 90),
                         Turn(CQxVector(0, 1, 0), 90) * Turn(CQxVector(0, 0, 1), 90)};

    Rig(float parentScale, CQxVector objectScale) {
        root.PushChild(parent);
        parent->PushChild(object);
        parent->SetRotate(frames[1], 0);
        parent->Translate() = CQxVector(3, 1, 0);
        parent->Scale() = CQxVector(parentScale, parentScale, parentScale);
        object->Mesh().CreatePlane(0, 2.0f, 2.0f, 2, 2, nullptr, 0);
        object->SetRotate(Turn(CQxVector(0, 1, 0), 90), 0);
        object->Pivot() = CQxVector(0.5f, 0, 0);
        object->Translate() = CQxVector(1, 2, 3);
        object->Scale() = objectScale;
    }
    CQxVector World(const CQxVector& p) const { return p * object->GetTransformToRoot(QX_TF_ALL, 0); }
    std::vector<CQxVector> Shape() const {
        std::vector<CQxVector> out;
        for (const CQxVertex& v : object->Mesh().Vertices()) out.push_back(World(v.Position()));
        return out;
    }
    // A record listing vertices 0, 4 and 8.
    CQxSelect Diagonal() const {
        CQxSelect select(object);
        for (unsigned int i : {0u, 4u, 8u}) select.Vertices().PushBack(object->Mesh().Vertices().GetAt(i));
        return select;
    }
};

CQxVector TurnedAbout(const CQxVector& p, const CQxVector& c, const CQxQuat& q) {
    return c + (p - c) * q;
}

using Move = void (CQxSelect::*)(const CQxVector&);
using Rotate = void (CQxSelect::*)(const CQxQuat&);
using RotateAbout = void (CQxSelect::*)(const CQxVector&, const CQxQuat&);

// The operations of one frame.
struct FrameOps {
    const char* name;
    Move moveObject, movePivot, moveVertices;
    Rotate rotateObject;
    RotateAbout rotatePivot, rotateVertices;
};

const FrameOps Frames[3] = {
    {"world", &CQxSelect::WorldMoveObject, &CQxSelect::WorldMovePivot, &CQxSelect::WorldMoveVertices,
     &CQxSelect::WorldRotateObject, &CQxSelect::WorldRotatePivot, &CQxSelect::WorldRotateVertices},
    {"local", &CQxSelect::LocalMoveObject, &CQxSelect::LocalMovePivot, &CQxSelect::LocalMoveVertices,
     &CQxSelect::LocalRotateObject, &CQxSelect::LocalRotatePivot, &CQxSelect::LocalRotateVertices},
    {"object", &CQxSelect::ObjectMoveObject, &CQxSelect::ObjectMovePivot, &CQxSelect::ObjectMoveVertices,
     &CQxSelect::ObjectRotateObject, &CQxSelect::ObjectRotatePivot, &CQxSelect::ObjectRotateVertices},
};

} // namespace

TEST(SelectTransform, MovesShiftObjectsPivotsAndVerticesAlongTheirFrame) {
    const CQxVector d(1, -2, 0.5f);
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(Frames[f].name);
        // The object's translation is in its parent's units, so its shift is scaled by the
        // parent; pivots and vertices are points, exact under any scaling.
        Rig rig(2.0f, CQxVector(3, 1, 0.5f));
        const CQxVector step = d * rig.frames[f];
        std::vector<CQxVector> expected = rig.Shape();
        CQxSelect select(rig.object);
        (select.*Frames[f].moveObject)(d);
        for (CQxVector& p : expected) p += step * 2.0f;
        EXPECT_TRUE(QxNear(rig.Shape(), expected, 1e-4f));

        const CQxVector pivot = rig.World(rig.object->Pivot());
        (select.*Frames[f].movePivot)(d);
        EXPECT_TRUE(QxNear(rig.World(rig.object->Pivot()), pivot + step));
        EXPECT_TRUE(QxNear(rig.Shape(), expected, 1e-4f));

        CQxSelect diagonal = rig.Diagonal();
        (diagonal.*Frames[f].moveVertices)(d);
        for (unsigned int i : {0u, 4u, 8u}) expected[i] += step;
        EXPECT_TRUE(QxNear(rig.Shape(), expected, 1e-4f));
        EXPECT_EQ(rig.object->Updates, 1); // only the vertex edit updates
    }

    // Below an unturned root, a turned object's local move goes along the parent's X axis and
    // its object move along its own X axis, which now points along -Z.
    CQxGroup root(0);
    auto* object = new CQxObject(1);
    root.PushChild(object);
    object->SetRotate(Turn(CQxVector(0, 1, 0), 90), 0);
    CQxSelect select(object);
    select.LocalMoveObject(CQxVector(1, 0, 0));
    select.ObjectMoveObject(CQxVector(1, 0, 0));
    EXPECT_TRUE(QxNear(object->Translate(), CQxVector(1, 0, -1)));
}

TEST(SelectTransform, TurnsRotateAboutTheirCentreInTheirFrame) {
    const CQxVector axis(1, 1, 0), centre(2, -1, 4);
    const float angle = 40.0f;
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(Frames[f].name);
        // Uniform scales keep turns rigid in world space.
        Rig rig(1.5f, CQxVector(2, 2, 2));
        const CQxQuat worldTurn = Turn(axis * rig.frames[f], angle);
        CQxVector pivot = rig.World(rig.object->Pivot());
        std::vector<CQxVector> expected = rig.Shape();
        CQxSelect select(rig.object);
        (select.*Frames[f].rotateObject)(Turn(axis, angle));
        for (CQxVector& p : expected) p = TurnedAbout(p, pivot, worldTurn);
        EXPECT_TRUE(QxNear(rig.Shape(), expected, 1e-4f));

        (select.*Frames[f].rotatePivot)(centre, Turn(axis, angle));
        EXPECT_TRUE(QxNear(rig.World(rig.object->Pivot()), TurnedAbout(pivot, centre, worldTurn)));
        EXPECT_TRUE(QxNear(rig.Shape(), expected, 1e-4f));
        // About the pivot itself, the pivot stays where it is.
        pivot = rig.World(rig.object->Pivot());
        (select.*Frames[f].rotatePivot)(pivot, Turn(axis, angle));
        EXPECT_TRUE(QxNear(rig.World(rig.object->Pivot()), pivot));

        CQxSelect diagonal = rig.Diagonal();
        (diagonal.*Frames[f].rotateVertices)(centre, Turn(axis, angle));
        for (unsigned int i : {0u, 4u, 8u}) expected[i] = TurnedAbout(expected[i], centre, worldTurn);
        EXPECT_TRUE(QxNear(rig.Shape(), expected, 1e-4f));
    }

    Rig rig(1.5f, CQxVector(2, 2, 2));
    const CQxVector pivot = rig.World(rig.object->Pivot());
    std::vector<CQxVector> expected = rig.Shape();
    CQxSelect diagonal = rig.Diagonal();
    diagonal.ObjectScalePivot(centre, CQxVector(3, 3, 3));
    diagonal.ObjectScaleVertices(centre, CQxVector(3, 3, 3));
    EXPECT_TRUE(QxNear(rig.World(rig.object->Pivot()), centre + (pivot - centre) * 3.0f));
    for (unsigned int i : {0u, 4u, 8u}) expected[i] = centre + (expected[i] - centre) * 3.0f;
    EXPECT_TRUE(QxNear(rig.Shape(), expected, 1e-4f));
}

TEST(SelectTransform, VertexEditsNeedListedVerticesAndAlwaysUpdate) {
    Rig rig(2.0f, CQxVector(1, 1, 1));
    const std::vector<CQxVector> before = rig.Shape();
    CQxSelect faces = QxRecord(rig.object, {}, {rig.object->Mesh().Faces().Front()});
    faces.WorldMoveVertices(CQxVector(5, 5, 5));
    faces.ObjectRotateVertices(CQxVector(), Turn(CQxVector(0, 1, 0), 90));
    faces.ObjectScaleVertices(CQxVector(), CQxVector(2, 2, 2));
    EXPECT_TRUE(QxNear(rig.Shape(), before, 0.0f));
    EXPECT_EQ(rig.object->Updates, 0);

    CQxSelect diagonal = rig.Diagonal();
    diagonal.ObjectRotateVertices(CQxVector(7, 1, -3), CQxQuat());
    EXPECT_TRUE(QxNear(rig.Shape(), before, 1e-5f));
    EXPECT_EQ(rig.object->Updates, 1);

    // Without any transform the increment is used as it is; without an object nothing happens.
    CQxObject bare(1);
    bare.Mesh().CreatePlane(0, 2.0f, 2.0f, 1, 1, nullptr, 0);
    CQxVertex* first = bare.Mesh().Vertices().Front();
    CQxSelect select = QxRecord(&bare, {first});
    const CQxVector start = first->Position();
    select.ObjectMoveVertices(CQxVector(1, 2, 3));
    EXPECT_TRUE(QxNear(first->Position(), start + CQxVector(1, 2, 3)));
    CQxSelect none;
    none.WorldMoveObject(CQxVector(1, 0, 0));
    none.WorldRotatePivot(CQxVector(), Turn(CQxVector(0, 1, 0), 90));
    none.ObjectScaleVertices(CQxVector(), CQxVector(2, 2, 2));
}

TEST(SelectTransform, SetsChangeEveryRecordAndTurnFromStartingRotations) {
    Rig rig(1.0f, CQxVector(1, 1, 1));
    auto* child = new CQxObject(1);
    child->Mesh().CreatePlane(0, 1.0f, 1.0f, 1, 1, nullptr, 0);
    rig.object->PushChild(child);
    child->SetRotate(Turn(CQxVector(1, 0, 0), 25), 0);
    auto childWorld = [&] {
        return child->Mesh().Vertices().Front()->Position() * child->GetTransformToRoot(QX_TF_ALL, 0);
    };
    CQxSelects set(rig.object);
    set.Add(CQxSelect(child));

    // The child moves with its parent and once more on its own.
    const CQxVector d(0, 0, 1);
    const CQxVector start = childWorld();
    set.WorldMoveObjects(d);
    EXPECT_TRUE(QxNear(childWorld(), start + d * 2.0f));

    // Growing increments from fixed bases: only the latest one counts.
    CQxPtrArray<CQxQuat> bases;
    bases.PushBack(new CQxQuat(rig.object->Rotate()));
    bases.PushBack(new CQxQuat(child->Rotate()));
    for (float degrees : {5.0f, 12.0f, 30.0f})
        set.LocalRotateObjects(Turn(CQxVector(0, 0, 1), degrees), bases);
    EXPECT_TRUE(rig.object->Rotate().IsSameRotate(*bases[0] * Turn(CQxVector(0, 0, 1), 30), 1e-5f));
    EXPECT_TRUE(child->Rotate().IsSameRotate(*bases[1] * Turn(CQxVector(0, 0, 1), 30), 1e-5f));
    // Records without a base are left alone.
    bases.PopBack();
    const CQxQuat childBefore = child->Rotate();
    set.LocalRotateObjects(Turn(CQxVector(0, 1, 0), 10), bases);
    EXPECT_EQ(child->Rotate(), childBefore);
}
