#include <gtest/gtest.h>

#include <cmath>

#include "qx/graphics/graphics_context.h"
#include "qx/scene/object.h"
#include "qx/scene/transform_param.h"
#include "scene_builders.h"

namespace {

CQxMatrix Scaling(float x, float y, float z) {
    CQxMatrix m;
    m.SetScale(CQxVector(x, y, z));
    return m;
}

// A parameter that uses every part.
CQxTransformParam FullParam() {
    CQxTransformParam p;
    p.Pivot().Set(0.5f, -1.0f, 2.0f);
    p.Scale().Set(2.0f, 0.5f, 3.0f);
    p.SetAngle(CQxVector(0.3f, -0.7f, 1.1f));
    p.Translate().Set(4.0f, 5.0f, -6.0f);
    return p;
}

TEST(TransformParam, DefaultContributesNothingAndLeavesTheMatrixAlone) {
    const CQxObject object;
    const CQxTransformParam param;
    const CQxMatrix marker(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    for (unsigned int mask = 0; mask <= QX_TF_ALL; ++mask) {
        for (int leftHand = 0; leftHand < 2; ++leftHand) {
            CQxMatrix m = marker;
            EXPECT_EQ(param.GetTransform(object, m, mask, leftHand), 0) << mask;
            EXPECT_EQ(m, marker);
            EXPECT_EQ(param.IsTransformAvailable(object, mask, leftHand), 0);
            EXPECT_TRUE(param.GetTransform(object, mask, leftHand).IsIdentity());
        }
    }
    // Init brings any parameter back to that state.
    CQxTransformParam used = FullParam();
    used.Init();
    EXPECT_EQ(used.IsTransformAvailable(object, QX_TF_ALL, 0), 0);
}

TEST(TransformParam, PartsComposeInPivotScaleRotateTranslateOrder) {
    const CQxObject object;
    // Every part at once, and the pivot alone through the mask.
    const CQxTransformParam p = FullParam();
    const CQxVector point(0.25f, -3.0f, 1.5f);
    CQxVector scaled = point - p.Pivot();
    scaled.Set(scaled.x * p.Scale().x, scaled.y * p.Scale().y, scaled.z * p.Scale().z);
    const CQxVector expected = p.Rotate().Transform(scaled) + p.Translate();
    EXPECT_TRUE(QxNear(point * p.GetTransform(object, QX_TF_ALL, 0), expected));
    EXPECT_TRUE(QxNear(point * p.GetTransform(object, QX_TF_PIVOT, 0), point - p.Pivot()));
    // The pivot lands on the translation.
    EXPECT_TRUE(QxNear(p.Pivot() * p.GetTransform(object, QX_TF_ALL, 0), p.Translate()));
}

TEST(TransformParam, LeftHandedIsTheSameTransformSeenWithZNegated) {
    const CQxObject object;
    // Mirroring Z on both sides of the right-handed transform gives the left-handed one.
    const CQxTransformParam p = FullParam();
    const CQxMatrix flip = Scaling(1, 1, -1);
    const CQxMatrix expected = flip * p.GetTransform(object, QX_TF_ALL, 0) * flip;
    EXPECT_TRUE(p.GetTransform(object, QX_TF_ALL, 1).IsEqual(expected, 1e-4f));
    // The rotation alone is the quaternion (-x, -y, z, w).
    const CQxQuat& q = p.Rotate();
    EXPECT_TRUE(p.GetTransform(object, QX_TF_ROTATE, 1)
                    .IsEqual(CQxQuat(-q.x, -q.y, q.z, q.w).GetRotateMatrix(), 1e-5f));
}

TEST(TransformParam, SetCopiesAndMirrorsAboutOneAxis) {
    const CQxObject object;
    CQxTransformParam src;
    src.Translate().Set(2, 0, 0);
    src.SetAngle(CQxVector(0.1f, 0.2f, 0.3f));
    src.Scale().Set(1, 2, 3);
    src.Pivot().Set(0.5f, 0.25f, 0.125f);

    CQxTransformParam mirrored;
    mirrored.Set(src, QX_AXIS_X);
    EXPECT_TRUE(QxNear(mirrored.Translate(), CQxVector(-2, 0, 0)));
    EXPECT_TRUE(QxNear(mirrored.Angle(), CQxVector(0.1f, -0.2f, -0.3f)));
    EXPECT_TRUE(QxNear(mirrored.Pivot(), CQxVector(-0.5f, 0.25f, 0.125f)));
    EXPECT_EQ(mirrored.Scale(), src.Scale());
    // Geometrically: the mirror image of the source placement (scale is kept as it is, so
    // compare with a uniform scale).
    src.Scale().Set(2, 2, 2);
    mirrored.Set(src, QX_AXIS_X);
    const CQxMatrix flip = Scaling(-1, 1, 1);
    EXPECT_TRUE(mirrored.GetTransform(object, QX_TF_ALL, 0)
                    .IsEqual(flip * src.GetTransform(object, QX_TF_ALL, 0) * flip, 1e-4f));

    for (unsigned int other : {0u, 3u, 8u}) {
        CQxTransformParam copy;
        copy.Set(src, static_cast<QX_AXIS_TYPE>(other));
        EXPECT_EQ(copy.GetTransform(object, QX_TF_ALL, 0), src.GetTransform(object, QX_TF_ALL, 0));
    }
}

TEST(TransformParam, RotationsKeepQuaternionAndAnglesInStep) {
    CQxTransformParam p;
    CQxQuat out(1, 2, 3, 4);
    EXPECT_EQ(p.GetRotate(out), 0);
    EXPECT_EQ(out, CQxQuat(1, 2, 3, 4));

    // A quaternion that is not of unit length is normalised; exact stores its own angles.
    CQxQuat turn;
    turn.SetRotate(CQxVector(0, 0, 1), 0.5f);
    EXPECT_EQ(p.SetRotate(CQxQuat(turn.x * 3, turn.y * 3, turn.z * 3, turn.w * 3), 1), 1);
    EXPECT_TRUE(p.Rotate().IsEqual(turn, 1e-6f));
    EXPECT_TRUE(QxNear(p.Angle(), CQxVector(0, 0, 0.5f)));
    // Not exact: the angles stay nearest the current ones, beyond one turn if need be.
    p.SetAngle(CQxVector(0, 0, 6.0f));
    CQxQuat further;
    further.SetRotateXYZ(0, 0, 6.2f);
    EXPECT_EQ(p.SetRotate(further, 0), 1);
    EXPECT_NEAR(p.Angle().z, 6.2f, 1e-4f);
    EXPECT_EQ(p.SetRotate(further, 1), 1);
    EXPECT_NEAR(p.Angle().z, 6.2f - 2.0f * 3.14159265f, 1e-4f);

    // A null quaternion is no rotation: nothing changes.
    const CQxVector angle = p.Angle();
    EXPECT_EQ(p.SetRotate(CQxQuat(0, 0, 0, 0), 1), 0);
    EXPECT_EQ(p.Angle(), angle);
}

TEST(TransformParam, ScreenSizeTransformShowsSizeUnitsAtPixelsTall) {
    CQxObject object;
    CQxTransformParam& p = object.TFParam();
    p.Translate().Set(1, -2, 0);
    p.SetAngle(CQxVector(0.2f, 0.4f, 0));
    p.Scale().Set(7, 7, 7); // replaced by the screen scale
    const CQxViewPort viewport(0, 0, 640, 480);
    CQxMatrix parent;
    parent.SetTranslate(CQxVector(0, 1, -3));
    CQxMatrix projection;
    ASSERT_TRUE(projection.SetPerspectiveFovR(0.8f, 640.0f / 480.0f, 0.5f, 500.0f));

    const float size = 2.0f, pixels = 60.0f;
    for (float distance : {10.0f, 40.0f}) {
        CQxMatrix view;
        ASSERT_TRUE(view.SetLookAtR(CQxVector(0, 0, distance), CQxVector(), CQxVector(0, 1, 0)));
        CQxMatrix local;
        ASSERT_EQ(p.GetScreenSizeTransform(object, size, pixels, local, viewport, parent, view, projection),
                  1);
        // The object's `size` units, upright through the pivot, span `pixels` on screen.
        const float worldSize = size * local.TransformNormal(CQxVector(1, 0, 0)).GetLength();
        CQxMatrix screen;
        QxGetScreenTranform(screen, CQxMatrix(), view, projection, viewport);
        const CQxVector centre = p.Pivot() * local * parent;
        const CQxVector a = screen.TransformCoord(centre - CQxVector(0, worldSize * 0.5f, 0));
        const CQxVector b = screen.TransformCoord(centre + CQxVector(0, worldSize * 0.5f, 0));
        EXPECT_NEAR(b.GetDistance(a), pixels, 0.5f) << distance;
        EXPECT_TRUE(QxNear(p.Pivot() * local, p.Translate()));
    }
    EXPECT_EQ(p.Scale(), CQxVector(7, 7, 7));
}

TEST(TransformParam, CalcBoneRotateAimsTheXAxisAtTheTarget) {
    CQxObject parent;
    parent.Translate().Set(1, 2, 3);
    parent.SetAngle(CQxVector(0, 0.6f, 0.2f));
    auto* bone = QxAdd(parent, new CQxObject);
    bone->Translate().Set(2, 0, 0);
    bone->SetAngle(CQxVector(0.3f, 0, 0));

    CQxQuat q;
    const CQxVector up(0, 1, 0);
    EXPECT_EQ(parent.TFParam().CalcBoneRotate(q, parent, CQxVector(5, 5, 5), up), 0); // no parent

    const CQxMatrix parentWorld = parent.GetTransformToRoot(QX_TF_ALL, 0);
    const CQxVector origin = bone->Translate() * parentWorld;
    for (const CQxVector& target : {CQxVector(4, -1, 2), CQxVector(-3, 6, 0.5f), CQxVector(1, 2, -8)}) {
        ASSERT_EQ(bone->TFParam().CalcBoneRotate(q, *bone, target, up), 1);
        bone->SetRotate(q, 1);
        const CQxMatrix world = bone->GetTransformToRoot(QX_TF_ALL, 0);
        CQxVector axis = world.TransformNormal(CQxVector(1, 0, 0));
        CQxVector aim = target - origin;
        axis.Normalize();
        aim.Normalize();
        EXPECT_TRUE(QxNear(axis, aim, 1e-3f));
        // The Y axis leans toward the up direction.
        EXPECT_GT(world.TransformNormal(CQxVector(0, 1, 0)).GetDot(up), 0.0f);
    }
    // A target at the bone's own origin gives no direction.
    EXPECT_EQ(bone->TFParam().CalcBoneRotate(q, *bone, origin, up), 0);
}

} // namespace
