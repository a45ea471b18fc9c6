#include <gtest/gtest.h>

#include <cfloat>

#include "qx/graphics/settings.h"
#include "qx/scene/object_kinds.h"
#include "qx/selection/select.h"
#include "qx/selection/uv_select.h"
#include "qx/skeleton/joint.h"
#include "scene_builders.h"

namespace {

// Picks through a root group seen from a 640 x 480 view down -Z.
class ObjectHit : public ::testing::Test {
protected:
    enum Kind { OBJECTS, OBJECTS_AND_HANDLES, JOINTS, HANDLES };

    // The pick at the pixel showing a world point, nearer than `best`.
    int Pick(const CQxVector& at, CQxSelect& select, float& best, Kind kind = OBJECTS) {
        CQxMatrixStack stack;
        const CQxPoint pixel = camera.Pixel(at);
        if (kind == JOINTS)
            return root.IsJointTreePointHit(QX_HIT_FACE, pixel, best, camera.viewport, stack, camera.view,
                                            camera.projection, pos, select);
        if (kind == HANDLES)
            return root.IsHandleTreePointHit(QX_HIT_FACE, pixel, best, camera.viewport, stack, camera.view,
                                             camera.projection, pos, select);
        return root.IsTreePointHit(QX_HIT_FACE, 1, kind == OBJECTS_AND_HANDLES, pixel, best, camera.viewport,
                                   stack, camera.view, camera.projection, pos, select);
    }
    int Pick(const CQxVector& at, CQxSelect& select, Kind kind = OBJECTS) {
        float best = FLT_MAX;
        return Pick(at, select, best, kind);
    }
    int Rect(const CQxRect& rect, int deep, CQxSelects& selects) {
        CQxMatrixStack stack;
        return root.IsTreeRectHit(QX_HIT_VERTEX | QX_HIT_FACE, deep, 1, 0, rect, camera.viewport, stack,
                                  camera.view, camera.projection, selects);
    }
    // Under the moved and turned root: a cube at the origin and a nearer one in front of it, which
    // carries a small cube of its own off to the side.
    void BuildOverlap() {
        root.Translate().Set(1, 0, 0);
        root.SetAngle(CQxVector(0, 0, 0.3f));
        back = QxAdd(root, QxNewCube(2.0f, nullptr, "Back"));
        front = QxAdd(root, QxNewCube(2.0f, nullptr, "Front"));
        front->Translate().Set(0, 0, 3);
        front->Scale().Set(1.5f, 1.5f, 1);
        side = QxAdd(*front, QxNewCube(1.0f, nullptr, "Side"));
        side->Translate().Set(-4, 0, 0);
    }

    QxTestView camera;
    CQxGroup root{1};
    CQxVector pos;
    CQxObject *back = nullptr, *front = nullptr, *side = nullptr;
};

TEST_F(ObjectHit, TreePointPickTakesTheNearestVisibleUnlockedObject) {
    BuildOverlap();
    const CQxVector centre(1, 0, 0); // the group's origin, where both cubes overlap on screen
    CQxSelect select;
    ASSERT_EQ(Pick(centre, select), 1);
    EXPECT_EQ(select.Object(), front);
    ASSERT_EQ(select.Faces().GetSize(), 1u);
    EXPECT_NEAR(pos.z, 4.0f, 1e-3f); // the front face of the nearer cube, in world space

    for (int hide = 0; hide < 2; ++hide) {
        if (hide)
            front->SetVisible(0);
        else
            front->SetLocked(1);
        ASSERT_EQ(Pick(centre, select), 1);
        EXPECT_EQ(select.Object(), back);
        EXPECT_NEAR(pos.z, 1.0f, 1e-3f);
        front->SetLocked(0);
        front->SetVisible(1);
    }

    // The best depth: a later pick reports only what lies in front of it.
    front->SetVisible(0);
    float best = FLT_MAX;
    ASSERT_EQ(Pick(centre, select, best), 1);
    const float backDepth = best;
    front->SetVisible(1);
    ASSERT_EQ(Pick(centre, select, best), 1);
    EXPECT_EQ(select.Object(), front);
    EXPECT_LT(best, backDepth);
    CQxSelect untouched;
    EXPECT_EQ(Pick(centre, untouched, best), 0);
    EXPECT_EQ(untouched.Object(), nullptr);

    // A hidden object's children are still picked, under its transform.
    front->SetVisible(0);
    const CQxVector sideCentre = CQxVector() * side->GetTransformToRoot(QX_TF_ALL, 0);
    ASSERT_EQ(Pick(sideCentre, select), 1);
    EXPECT_EQ(select.Object(), side);
    EXPECT_EQ(Pick(CQxVector(30, 30, 0), select), 0);
}

// Objects whose box shows nowhere near the point are ruled out before their mesh is tested; a
// corner within the pick size outside the box is still found.
TEST_F(ObjectHit, APointPickReachesVerticesJustOutsideTheBox) {
    CQxObject* cube = QxAdd(root, QxNewCube(2.0f, nullptr, "Cube"));
    const CQxPoint corner = camera.Pixel(CQxVector(1, 1, 1));
    const int reach = static_cast<int>(QxPickSize()) - 1;
    CQxMatrixStack stack;
    CQxSelect select;
    float best = FLT_MAX;
    ASSERT_EQ(root.IsTreePointHit(QX_HIT_VERTEX, 1, 0, CQxPoint(corner.x + reach, corner.y), best,
                                  camera.viewport, stack, camera.view, camera.projection, pos, select),
              1);
    EXPECT_EQ(select.Object(), cube);
    ASSERT_EQ(select.Vertices().GetSize(), 1u);
    EXPECT_TRUE(QxNear(select.Vertices()[0]->Position(), CQxVector(1, 1, 1)));
    best = FLT_MAX;
    EXPECT_EQ(root.IsTreePointHit(QX_HIT_VERTEX, 1, 0, CQxPoint(corner.x + 3 * reach + 3, corner.y), best,
                                  camera.viewport, stack, camera.view, camera.projection, pos, select),
              0);
}

// Over 100,000 faces the graphics rebuild runs on two cores and builds the picks' topology copy
// beside the primitives; picks after an edit must see the edited mesh, not the copy of before.
TEST_F(ObjectHit, ABigMeshIsPickedAsEditedRightAfterItsGraphicsRebuild) {
    auto* plane = QxAdd(root, new CQxObject(1), "Plane");
    ASSERT_TRUE(plane->Mesh().CreatePlane(0, 80.0f, 80.0f, 320, 320, nullptr, 0));
    plane->SetAngle(CQxVector(1.5707963f, 0, 0)); // facing the view
    plane->UpdateBoundBox();
    plane->UpdateGraphics();
    CQxSelect select;
    ASSERT_EQ(Pick(CQxVector(0.12f, 0.12f, 0), select), 1);
    ASSERT_EQ(select.Faces().GetSize(), 1u);
    CQxFace* hit = select.Faces()[0];

    plane->Mesh().Faces().Pop(hit);
    plane->Mesh().UpdateHalfEdgeMates();
    plane->UpdateGraphics();
    EXPECT_EQ(Pick(CQxVector(0.12f, 0.12f, 0), select), 0) << "the removed face is not picked";
    ASSERT_EQ(Pick(CQxVector(1.12f, 1.12f, 0), select), 1);
    EXPECT_TRUE(plane->Mesh().Faces().Has(select.Faces()[0]));
}

TEST_F(ObjectHit, TreeRectPickAddsOneRecordPerObjectHit) {
    BuildOverlap();
    CQxRect all(0, 0, 640, 480);
    CQxSelects selects;
    EXPECT_EQ(Rect(all, 0, selects), 1);
    ASSERT_EQ(selects.GetSize(), 3u);
    EXPECT_EQ(selects[0]->Object(), back);
    EXPECT_EQ(selects[1]->Object(), front);
    EXPECT_EQ(selects[2]->Object(), side);
    EXPECT_EQ(selects[1]->Faces().GetSize(), 6u);
    EXPECT_EQ(selects[1]->Vertices().GetSize(), 8u);

    // Deep: a hit object stands for its subtree.
    selects.Clear();
    EXPECT_EQ(Rect(all, 1, selects), 1);
    ASSERT_EQ(selects.GetSize(), 2u);
    EXPECT_EQ(selects.Find(side), nullptr);

    // A rectangle around the side cube alone; one that holds nothing adds nothing.
    const CQxVector c = CQxVector() * side->GetTransformToRoot(QX_TF_ALL, 0);
    CQxRect around(camera.Pixel(c - CQxVector(1, 1, 0)), camera.Pixel(c + CQxVector(1, 1, 0)));
    around.NormalizeRect();
    selects.Clear();
    EXPECT_EQ(Rect(around, 0, selects), 1);
    ASSERT_EQ(selects.GetSize(), 1u);
    EXPECT_EQ(selects[0]->Object(), side);
    selects.Clear();
    EXPECT_EQ(Rect(CQxRect(0, 0, 5, 5), 0, selects), 0);
    EXPECT_TRUE(selects.IsEmpty());
}

TEST_F(ObjectHit, JointsArePickedWithoutTheirScale) {
    auto* joint = QxAdd(root, new CQxJoint(1));
    ASSERT_EQ(joint->Create(1.0f, 16), 1);
    joint->Scale().Set(3, 3, 3);
    joint->Translate().Set(2, 0, 0);
    CQxObject* wall = QxAdd(root, QxNewCube(2.0f)); // in front of the joint
    wall->Translate().Set(2, 0, 5);

    CQxSelect select;
    ASSERT_EQ(Pick(CQxVector(2.5f, 0, 1), select, JOINTS), 1);
    EXPECT_EQ(select.Object(), joint);
    ASSERT_EQ(Pick(CQxVector(2.5f, 0, 1), select), 1);
    EXPECT_EQ(select.Object(), wall);
    EXPECT_EQ(Pick(CQxVector(4.5f, 0, 0), select, JOINTS), 0);
}

TEST_F(ObjectHit, IKHandlesArePickedAlongTheLineToTheRoot) {
    auto* first = QxAdd(root, new CQxJoint(1));
    auto* second = QxAdd(*first, new CQxJoint(1));
    CQxObject* end = QxAdd(*second, QxNewCube(0.5f));
    second->Translate().Set(4, 0, 0);
    end->Translate().Set(4, 0, 0);
    end->IKRoot() = first;
    end->UpdateGraphics();
    ASSERT_FALSE(end->Mesh(CQxObject::MESH_HANDLE).IsEmpty());

    CQxSelect select;
    ASSERT_EQ(Pick(CQxVector(2, 0, 0), select, HANDLES), 1);
    EXPECT_EQ(select.Object(), end);
    EXPECT_EQ(select.IsHandle(), 1);
    EXPECT_FALSE(select.HasComponents());
    EXPECT_NEAR(pos.y, 0.0f, 0.1f);
    EXPECT_NEAR(pos.z, 0.0f, 0.1f);
    // The handle counts for the object picks too.
    ASSERT_EQ(Pick(CQxVector(6, 0, 0), select, OBJECTS_AND_HANDLES), 1);
    EXPECT_EQ(select.IsHandle(), 1);
    end->IKRoot() = nullptr;
}

TEST_F(ObjectHit, TextureCoordinatesOfSelectedFaces) {
    CQxObject* cube = QxAdd(root, QxNewCube());
    CQxFace* face = &*cube->Mesh().Faces().begin();
    cube->Select(1, {}, {}, CQxArray<CQxFace*>{face}, {});
    const CQxViewPort viewport(0, 0, 100, 100);

    CQxUVSelects selects;
    EXPECT_EQ(root.IsUVHit(CQxRect(-1, -1, 102, 102), viewport, selects), 1);
    ASSERT_EQ(selects.GetSize(), 1u);
    EXPECT_EQ(selects[0]->Object(), cube);
    EXPECT_EQ(selects[0]->HalfEdges().GetSize(), face->GetHalfEdgeCount());

    // The point test keeps the nearest coordinate only.
    const CQxHalfEdge* corner = face->GetHalfEdge()->Next();
    const CQxPoint at(static_cast<int>(corner->UV().x * 100), static_cast<int>(corner->UV().y * 100));
    float best = FLT_MAX;
    EXPECT_EQ(root.IsUVHit(at, best, viewport, selects), 1);
    ASSERT_EQ(selects.GetSize(), 1u);
    ASSERT_EQ(selects[0]->HalfEdges().GetSize(), 1u);
    EXPECT_EQ(selects[0]->HalfEdges()[0]->UV(), corner->UV());

    // The records select and move what they hold.
    const CQxVector2D before = corner->UV();
    selects.SelectUVs(1);
    EXPECT_EQ(selects.HasUVSelect(), 1);
    selects.MoveUVs(CQxVector2D(0.25f, -0.5f));
    EXPECT_EQ(corner->UV(), before + CQxVector2D(0.25f, -0.5f));
    root.SelectUVs(0, 1);
    EXPECT_EQ(selects.HasUVSelect(), 0);

    cube->SetVisible(0);
    selects.Clear();
    EXPECT_EQ(root.IsUVHit(CQxRect(-1, -1, 102, 102), viewport, selects), 0);
    EXPECT_TRUE(selects.IsEmpty());
}

} // namespace
