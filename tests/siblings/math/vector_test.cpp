#include <cmath>

#include "math_test_util.h"
#include "qx/math/math_helpers.h"
#include "qx/math/vector2d.h"

TEST(Vector, ProductsLengthsAndNormalize) {
    const CQxVector x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    EXPECT_EQ(x.GetCross(y), z); // right-handed
    EXPECT_EQ(CQxVector::GetCross(z, x), y);
    EXPECT_FLOAT_EQ(CQxVector(1, 2, 3).GetDot(CQxVector(4, -5, 6)), 12.0f);
    EXPECT_FLOAT_EQ(CQxVector(3, 4, 12).GetLength(), 13.0f);
    EXPECT_EQ((CQxVector(1, 2, 3) + x) * 2.0f - CQxVector(0, 0, 8) / 2.0f, CQxVector(4, 4, 2));

    CQxVector zero, nan(NAN, 0, 0);
    EXPECT_EQ(zero.Normalize(), 0);
    EXPECT_EQ(nan.Normalize(), 0);
    // Squares of these overflow a float; the length must not.
    CQxVector huge(3e30f, 4e30f, 0);
    EXPECT_FLOAT_EQ(huge.GetLength(), 5e30f);
    ASSERT_EQ(huge.Normalize(), 1);
    EXPECT_TRUE(VecNear(huge, CQxVector(0.6f, 0.8f, 0)));
    EXPECT_FALSE(CQxVector(1, 1, 1.0001f).IsOne());
    EXPECT_TRUE(CQxVector(1, 1, 1.0001f).IsOne(1e-3f));
}

TEST(Vector, AngleStaysAccurateNearZeroAndPi) {
    const CQxVector x(1, 0, 0);
    EXPECT_NEAR(x.GetAngle(CQxVector(1, 1e-4f, 0)), 1e-4f, 1e-8f);
    EXPECT_NEAR(x.GetAngle(CQxVector(-1, 1e-4f, 0)), QX_PI - 1e-4f, 1e-6f);
    EXPECT_FLOAT_EQ(CQxVector::GetAngle(x, CQxVector(0, 0, -7)), QX_PI_2);
    EXPECT_EQ(x.GetAngle(CQxVector()), 0.0f);

    // 2D angles are signed, counter-clockwise positive.
    const CQxVector2D u(1, 0), v(0, 2);
    EXPECT_FLOAT_EQ(u.GetAngle(v), QX_PI_2);
    EXPECT_FLOAT_EQ(v.GetAngle(u), -QX_PI_2);
    EXPECT_GT(u.GetCross(v), 0.0f);
}
