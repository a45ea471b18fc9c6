#include <gtest/gtest.h>

#include <cfloat>

#include "qx/scene/object_kinds.h"
#include "qx/selection/select.h"
#include "qx/selection/uv_select.h"
#include "qx/skeleton/joint.h"
#include "scene_builders.h"

namespace {

// Under a moved and turned group: a cube at the origin and a nearer one in front of it, which
// carries a small cube of its own off to the side.
struct Overlap {
    QxTestView camera;
    CQxGroup root{1};
    CQxObject* back = QxNewCube(2.0f, nullptr, "Back");
    CQxObject* front = QxNewCube(2.0f, nullptr, "Front");
    CQxObject* side = QxNewCube(1.0f, nullptr, "Side");

    Overlap() {
        root.Translate().Set(1, 0, 0);
        root.SetAngle(CQxVector(0, 0, 0.3f));
        front->Translate().Set(0, 0, 3);
        front->Scale().Set(1.5f, 1.5f, 1);
        side->Translate().Set(-4, 0, 0);
        root.PushChild(back);
        root.PushChild(front);
        front->PushChild(side);
    }
    int Pick(const CQxVector& at, float& best, CQxVector& pos, CQxSelect& select) {
        CQxMatrixStack stack;
        return root.IsTreePointHit(QX_HIT_FACE, 1, 0, camera.Pixel(at), best, camera.viewport, stack,
                                   camera.view, camera.projection, pos, select);
    }
    int Pick(const CQxVector& at, CQxSelect& select, CQxVector& pos) {
        float best = FLT_MAX;
        return Pick(at, best, pos, select);
    }
    int Rect(const CQxRect& rect, int deep, CQxSelects& selects) {
        CQxMatrixStack stack;
        return root.IsTreeRectHit(QX_HIT_VERTEX | QX_HIT_FACE, deep, 1, 0, rect, camera.viewport, stack,
                                  camera.view, camera.projection, selects);
    }
};

TEST(ObjectHit, TreePointPickTakesTheNearestVisibleUnlockedObject) {
    Overlap o;
    const CQxVector centre(1, 0, 0); // the group's origin, where both cubes overlap on screen
    CQxSelect select;
    CQxVector pos;
    ASSERT_EQ(o.Pick(centre, select, pos), 1);
    EXPECT_EQ(select.Object(), o.front);
    ASSERT_EQ(select.Faces().GetSize(), 1u);
    EXPECT_NEAR(pos.z, 4.0f, 1e-3f); // the front face of the nearer cube, in world space

    for (int hide = 0; hide < 2; ++hide) {
        if (hide)
            o.front->SetVisible(0);
        else
            o.front->SetLocked(1);
        ASSERT_EQ(o.Pick(centre, select, pos), 1);
        EXPECT_EQ(select.Object(), o.back);
        EXPECT_NEAR(pos.z, 1.0f, 1e-3f);
        o.front->SetLocked(0);
        o.front->SetVisible(1);
    }

    // The best depth: a later pick reports only what lies in front of it.
    o.front->SetVisible(0);
    float best = FLT_MAX;
    ASSERT_EQ(o.Pick(centre, best, pos, select), 1);
    const float backDepth = best;
    o.front->SetVisible(1);
    ASSERT_EQ(o.Pick(centre, best, pos, select), 1);
    EXPECT_EQ(select.Object(), o.front);
    EXPECT_LT(best, backDepth);
    CQxSelect untouched;
    EXPECT_EQ(o.Pick(centre, best, pos, untouched), 0);
    EXPECT_EQ(untouched.Object(), nullptr);

    // A hidden object's children are still picked, under its transform.
    o.front->SetVisible(0);
    const CQxVector sideCentre = CQxVector() * o.side->GetTransformToRoot(QX_TF_ALL, 0);
    ASSERT_EQ(o.Pick(sideCentre, select, pos), 1);
    EXPECT_EQ(select.Object(), o.side);
    EXPECT_EQ(o.Pick(CQxVector(30, 30, 0), select, pos), 0);
}

TEST(ObjectHit, TreeRectPickAddsOneRecordPerObjectHit) {
    Overlap o;
    CQxRect all(0, 0, 640, 480);
    CQxSelects selects;
    EXPECT_EQ(o.Rect(all, 0, selects), 1);
    ASSERT_EQ(selects.GetSize(), 3u);
    EXPECT_EQ(selects[0]->Object(), o.back);
    EXPECT_EQ(selects[1]->Object(), o.front);
    EXPECT_EQ(selects[2]->Object(), o.side);
    EXPECT_EQ(selects[1]->Faces().GetSize(), 6u);
    EXPECT_EQ(selects[1]->Vertices().GetSize(), 8u);

    // Deep: a hit object stands for its subtree.
    selects.Clear();
    EXPECT_EQ(o.Rect(all, 1, selects), 1);
    ASSERT_EQ(selects.GetSize(), 2u);
    EXPECT_EQ(selects.Find(o.side), nullptr);

    // A rectangle around the side cube alone; one that holds nothing adds nothing.
    const CQxVector c = CQxVector() * o.side->GetTransformToRoot(QX_TF_ALL, 0);
    CQxRect around(o.camera.Pixel(c - CQxVector(1, 1, 0)), o.camera.Pixel(c + CQxVector(1, 1, 0)));
    around.NormalizeRect();
    selects.Clear();
    EXPECT_EQ(o.Rect(around, 0, selects), 1);
    ASSERT_EQ(selects.GetSize(), 1u);
    EXPECT_EQ(selects[0]->Object(), o.side);
    selects.Clear();
    EXPECT_EQ(o.Rect(CQxRect(0, 0, 5, 5), 0, selects), 0);
    EXPECT_TRUE(selects.IsEmpty());
}

TEST(ObjectHit, JointsArePickedWithoutTheirScale) {
    QxTestView camera;
    CQxGroup root(1);
    auto* joint = new CQxJoint(1);
    ASSERT_EQ(joint->Create(1.0f, 16), 1);
    joint->Scale().Set(3, 3, 3);
    joint->Translate().Set(2, 0, 0);
    root.PushChild(joint);
    CQxObject* wall = QxNewCube(2.0f); // in front of the joint
    wall->Translate().Set(2, 0, 5);
    root.PushChild(wall);

    auto pick = [&](const CQxVector& at, int joints, CQxSelect& select) {
        CQxMatrixStack stack;
        float best = FLT_MAX;
        CQxVector pos;
        return joints ? root.IsJointTreePointHit(QX_HIT_FACE, camera.Pixel(at), best, camera.viewport, stack,
                                                 camera.view, camera.projection, pos, select)
                      : root.IsTreePointHit(QX_HIT_FACE, 1, 0, camera.Pixel(at), best, camera.viewport, stack,
                                            camera.view, camera.projection, pos, select);
    };
    CQxSelect select;
    ASSERT_EQ(pick(CQxVector(2.5f, 0, 1), 1, select), 1);
    EXPECT_EQ(select.Object(), joint);
    ASSERT_EQ(pick(CQxVector(2.5f, 0, 1), 0, select), 1);
    EXPECT_EQ(select.Object(), wall);
    EXPECT_EQ(pick(CQxVector(4.5f, 0, 0), 1, select), 0);
}

TEST(ObjectHit, IKHandlesArePickedAlongTheLineToTheRoot) {
    QxTestView camera;
    CQxGroup root(1);
    auto* first = new CQxJoint(1);
    auto* second = new CQxJoint(1);
    CQxObject* end = QxNewCube(0.5f);
    second->Translate().Set(4, 0, 0);
    end->Translate().Set(4, 0, 0);
    root.PushChild(first);
    first->PushChild(second);
    second->PushChild(end);
    end->IKRoot() = first;
    end->UpdateGraphics();
    ASSERT_FALSE(end->Mesh(CQxObject::MESH_HANDLE).IsEmpty());

    CQxSelect select;
    CQxVector pos;
    float best = FLT_MAX;
    CQxMatrixStack stack;
    ASSERT_EQ(root.IsHandleTreePointHit(QX_HIT_FACE, camera.Pixel(CQxVector(2, 0, 0)), best, camera.viewport,
                                        stack, camera.view, camera.projection, pos, select),
              1);
    EXPECT_EQ(select.Object(), end);
    EXPECT_EQ(select.IsHandle(), 1);
    EXPECT_FALSE(select.HasComponents());
    EXPECT_NEAR(pos.y, 0.0f, 0.1f);
    EXPECT_NEAR(pos.z, 0.0f, 0.1f);

    // The handle counts for the object picks too.
    best = FLT_MAX;
    ASSERT_EQ(root.IsTreePointHit(QX_HIT_FACE, 1, 1, camera.Pixel(CQxVector(6, 0, 0)), best, camera.viewport,
                                  stack, camera.view, camera.projection, pos, select),
              1);
    EXPECT_EQ(select.IsHandle(), 1);
    end->IKRoot() = nullptr;
}

TEST(ObjectHit, TextureCoordinatesOfSelectedFaces) {
    CQxGroup root(1);
    CQxObject* cube = QxNewCube();
    root.PushChild(cube);
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
