#include <cmath>

#include "math_test_util.h"
#include "qx/math/math_helpers.h"

namespace {

CQxQuat Euler(float a, float b, float c) {
    CQxQuat q;
    q.SetRotateXYZ(a, b, c);
    return q;
}

} // namespace

TEST(Quat, AgreesWithMatricesAndComposesLikeRowVectors) {
    const CQxQuat q1 = AxisQuat(CQxVector(1, 2, 3), 0.9f);
    const CQxQuat q2 = AxisQuat(CQxVector(-2, 0.5f, 1), 2.8f);
    const CQxVector v(0.3f, -1.2f, 2.0f);

    EXPECT_TRUE(MatNear(q1.GetRotateMatrix(), AxisMatrix(CQxVector(1, 2, 3), 0.9f)));
    EXPECT_TRUE(VecNear(v * q1, v * q1.GetRotateMatrix()));
    // q1 * q2 turns by q1 first, as M(q1) * M(q2) does.
    EXPECT_TRUE(MatNear((q1 * q2).GetRotateMatrix(), q1.GetRotateMatrix() * q2.GetRotateMatrix()));
    EXPECT_TRUE(VecNear(v * (q1 * q2), (v * q1) * q2));
    EXPECT_FALSE((q1 * q2).IsSameRotate(q2 * q1, 1e-3f));

    // Rotate turns further about an outer axis, like the matrix Rotate.
    CQxQuat r = q1;
    ASSERT_EQ(r.Rotate(CQxVector(0, 1, 0), 0.5f), 1);
    EXPECT_TRUE(r.IsSameRotate(q1 * AxisQuat(CQxVector(0, 1, 0), 0.5f), 1e-6f));
    EXPECT_EQ(r.Rotate(CQxVector(), 1.0f), 0);

    // Back from matrices, including half turns where the trace is -1.
    for (const CQxQuat& q : {q1, q2, AxisQuat(CQxVector(1, 0, 0), QX_PI), AxisQuat(CQxVector(0, 1, 1), QX_PI),
                             AxisQuat(CQxVector(0, 0, 1), -QX_PI), CQxQuat()}) {
        CQxQuat back;
        back.SetRotate(q.GetRotateMatrix());
        EXPECT_TRUE(back.IsSameRotate(q, 1e-5f));
    }
}

TEST(Quat, InverseConjugateAndIdentity) {
    const CQxQuat q = AxisQuat(CQxVector(1, -1, 2), 1.3f);
    EXPECT_TRUE((q * q.GetInverse()).IsIdentity(1e-6f));
    EXPECT_TRUE((q.GetConjugate() * q).IsIdentity(1e-6f));

    EXPECT_TRUE(CQxQuat(0, 0, 0, 2).GetInverse().IsEqual(CQxQuat(0, 0, 0, 0.5f)));
    EXPECT_TRUE(CQxQuat(0, 0, 0, 0).GetInverse().IsNull());
    EXPECT_TRUE(CQxQuat(0, 0, 0, -1).IsIdentity());

    CQxQuat n(0, 0, 3, 4);
    ASSERT_EQ(n.Normalize(), 1);
    EXPECT_TRUE(n.IsEqual(CQxQuat(0, 0, 0.6f, 0.8f), 1e-7f));
    CQxQuat null;
    null.SetNull();
    EXPECT_EQ(null.Normalize(), 0);
    EXPECT_TRUE(null.GetRotateMatrix().IsIdentity());
}

TEST(Quat, EulerRoundTripsInTheXThenYThenZOrder) {
    const CQxQuat q = Euler(0.3f, -0.4f, 1.1f);
    const CQxMatrix rxyz = AxisMatrix(CQxVector(1, 0, 0), 0.3f) * AxisMatrix(CQxVector(0, 1, 0), -0.4f) *
                           AxisMatrix(CQxVector(0, 0, 1), 1.1f);
    EXPECT_TRUE(MatNear(q.GetRotateMatrix(), rxyz));

    for (float a = -3.1f; a < 3.14f; a += 0.37f)
        for (float b = -1.5f; b < 1.55f; b += 0.29f)
            for (float c = -3.1f; c < 3.14f; c += 0.41f) {
                CQxVector angles;
                ASSERT_EQ(Euler(a, b, c).GetRotateXYZ(angles), 1);
                ASSERT_TRUE(VecNear(angles, CQxVector(a, b, c), 2e-4f)) << a << " " << b << " " << c;
            }

    CQxVector out(9, 9, 9);
    EXPECT_EQ(CQxQuat(0, 0, 0, 0).GetRotateXYZ(out), 0);
    EXPECT_EQ(CQxQuat(NAN, 0, 0, 1).GetRotateXYZ(out, CQxVector()), 0);
    EXPECT_EQ(out, CQxVector(9, 9, 9));
}

TEST(Quat, EulerWithReferencePicksNearestEquivalent) {
    const CQxQuat q = Euler(0.1f, 0.2f, 0.3f);
    CQxVector out;
    ASSERT_EQ(q.GetRotateXYZ(out, CQxVector(0.1f + QX_2PI, 0.2f, 0.3f - 2 * QX_2PI)), 1);
    EXPECT_TRUE(VecNear(out, CQxVector(0.1f + QX_2PI, 0.2f, 0.3f - 2 * QX_2PI), 1e-4f));
    // The other triple of the same rotation, (a + pi, pi - b, c + pi), when the reference is there.
    ASSERT_EQ(q.GetRotateXYZ(out, CQxVector(3.0f, 2.9f, 3.5f)), 1);
    EXPECT_TRUE(VecNear(out, CQxVector(0.1f + QX_PI, QX_PI - 0.2f, 0.3f + QX_PI), 1e-4f));
    EXPECT_TRUE(Euler(out.x, out.y, out.z).IsSameRotate(q, 1e-6f));

    // Turning about X in small steps, each step keyed from the last, never jumps by a turn.
    CQxVector angles;
    for (int i = 1; i <= 200; ++i) {
        const float a = i * 0.07f;
        ASSERT_EQ(Euler(a, 0.2f, -0.5f).GetRotateXYZ(angles, angles), 1);
        ASSERT_TRUE(VecNear(angles, CQxVector(a, 0.2f, -0.5f), 1e-3f)) << i;
    }
}

TEST(Quat, EulerAtGimbalLock) {
    for (const float b : {QX_PI_2, -QX_PI_2}) {
        const CQxQuat q = Euler(0.3f, b, 0.5f);
        CQxVector plain;
        ASSERT_EQ(q.GetRotateXYZ(plain), 1);
        EXPECT_EQ(plain.z, 0.0f);
        EXPECT_NEAR(plain.y, b, 1e-3f);
        EXPECT_TRUE(Euler(plain.x, plain.y, plain.z).IsSameRotate(q, 1e-5f));

        // Only a - c (at +pi/2) or a + c (at -pi/2) is fixed: the split follows the reference.
        CQxVector near;
        ASSERT_EQ(q.GetRotateXYZ(near, CQxVector(0.3f, b, 0.5f)), 1);
        EXPECT_TRUE(VecNear(near, CQxVector(0.3f, b, 0.5f), 1e-4f));
        ASSERT_EQ(q.GetRotateXYZ(near, CQxVector(1.0f, b + QX_2PI, 1.0f)), 1);
        EXPECT_NEAR(near.y, b + QX_2PI, 1e-4f);
        EXPECT_TRUE(Euler(near.x, near.y, near.z).IsSameRotate(q, 1e-5f));
        EXPECT_NEAR(std::fabs(near.x - 1.0f), std::fabs(near.z - 1.0f), 1e-4f);
    }
}
