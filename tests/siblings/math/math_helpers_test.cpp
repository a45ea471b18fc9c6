#include <cmath>

#include <gtest/gtest.h>

#include "qx/math/math_helpers.h"

TEST(MathHelpers, AnglesWrapIntoOneTurn) {
    EXPECT_FLOAT_EQ(QxValidateAngle(QX_PI), QX_PI);
    EXPECT_FLOAT_EQ(QxValidateAngle(-QX_PI), QX_PI);
    EXPECT_FLOAT_EQ(QxValidateAngle(3 * QX_PI), QX_PI);
    EXPECT_NEAR(QxValidateAngle(QX_2PI), 0.0f, 1e-6f);
    EXPECT_NEAR(QxValidateAngle(QX_PI + 0.01f), -QX_PI + 0.01f, 1e-6f);
    EXPECT_NEAR(QxValidateAngle(1000.0f), 1000.0 - 159 * 2 * 3.14159265358979, 1e-5);
    EXPECT_EQ(QxValidateAngle(NAN), 0.0f);
    for (float a = -40.0f; a < 40.0f; a += 0.0137f) {
        const float v = QxValidateAngle(a);
        ASSERT_TRUE(v > -QX_PI && v <= QX_PI) << a;
        ASSERT_NEAR(std::cos(v), std::cos(a), 1e-4f);
        ASSERT_NEAR(std::sin(v), std::sin(a), 1e-4f);
    }

    // The short way across the wrap, signed from the first angle to the second.
    EXPECT_NEAR(QxGetNearDeltaAngle(3.0f, -3.0f), 2 * QX_PI - 6.0f, 1e-6f);
    EXPECT_NEAR(QxGetNearDeltaAngle(-3.0f, 3.0f), 6.0f - 2 * QX_PI, 1e-6f);
    EXPECT_FLOAT_EQ(QxGetNearDeltaAngle(0.0f, QX_PI), QX_PI);
    EXPECT_NEAR(QxGetNearDeltaAngle(10 * QX_PI, 0.1f), 0.1f, 1e-5f);
}

TEST(MathHelpers, GridSnapping) {
    float x = 14.9f, y = -14.9f, z = -15.0f;
    ASSERT_EQ(QxGridSnap(10.0f, x, y, z), 1);
    EXPECT_TRUE(x == 10.0f && y == -10.0f && z == -20.0f);
    x = -0.2f, y = -4.9f, z = -0.3f;
    ASSERT_EQ(QxGridSnap(0.5f, x, y, z), 1);
    EXPECT_TRUE(x == 0.0f && !std::signbit(x) && y == -5.0f && z == -0.5f);
    EXPECT_EQ(QxGridSnap(0.0f, x, y, z), 0);
    y = NAN;
    EXPECT_EQ(QxGridSnap(1.0f, x, y, z), 0);
    EXPECT_EQ(z, -0.5f);

    float u = 23.0f, v = -37.0f;
    ASSERT_EQ(QxPlaneGridSnap(100.0f, 10.0f, u, v), 1);
    EXPECT_TRUE(u == 20.0f && v == -40.0f);
    u = -100.0f, v = 100.0f;
    EXPECT_EQ(QxPlaneGridSnap(100.0f, 10.0f, u, v), 1);
    u = 3.0f, v = -100.01f;
    EXPECT_EQ(QxPlaneGridSnap(100.0f, 10.0f, u, v), 0);
    EXPECT_EQ(u, 3.0f);
    // A length that is not a whole number of steps: snapping stays on lines inside the grid.
    u = 24.9f, v = -24.9f;
    ASSERT_EQ(QxPlaneGridSnap(25.0f, 10.0f, u, v), 1);
    EXPECT_TRUE(u == 20.0f && v == -20.0f);
}
