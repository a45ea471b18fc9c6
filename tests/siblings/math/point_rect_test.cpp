#include <climits>

#include <gtest/gtest.h>

#include "qx/math/point_rect.h"

TEST(PointRect, EdgesAndNormalising) {
    CQxRect r(CQxPoint(30, 40), CQxPoint(10, 20)); // a rubber band dragged up and left
    EXPECT_TRUE(r.IsRectEmpty());
    r.NormalizeRect();
    EXPECT_EQ(r, CQxRect(10, 20, 30, 40));
    EXPECT_EQ(r.Width(), 20);
    EXPECT_EQ(r.GetCenter(), CQxPoint(20, 30));
    EXPECT_EQ(CQxRect(-5, -5, 0, 0).GetCenter(), CQxPoint(-2, -2));

    // Left and top are inside, right and bottom just outside.
    EXPECT_TRUE(r.PtInRect(CQxPoint(10, 20)));
    EXPECT_FALSE(r.PtInRect(CQxPoint(30, 25)));
    EXPECT_FALSE(r.PtInRect(CQxPoint(15, 40)));
    EXPECT_FALSE(CQxRect(10, 10, 0, 0).PtInRect(CQxPoint(5, 5)));

    r.DeflateRect(2, 3);
    EXPECT_EQ(r, CQxRect(12, 23, 28, 37));
    r.InflateRect(1, 2, 3, 4);
    EXPECT_EQ(r, CQxRect(11, 21, 31, 41));

    // Extreme edges saturate instead of overflowing.
    CQxRect big(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(big.Width(), INT_MAX);
    EXPECT_EQ(big.GetCenter(), CQxPoint(0, 0));
    big.InflateRect(10, 10);
    EXPECT_EQ(big, CQxRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(CQxPoint(INT_MAX, 0) + CQxPoint(1, 0), CQxPoint(INT_MAX, 0));
}

TEST(PointRect, IntersectionAndUnion) {
    CQxRect out(1, 2, 3, 4);
    ASSERT_EQ(out.IntersectRect(CQxRect(0, 0, 10, 10), CQxRect(5, -5, 15, 5)), 1);
    EXPECT_EQ(out, CQxRect(5, 0, 10, 5));
    // Touching rectangles share no pixel.
    EXPECT_EQ(out.IntersectRect(CQxRect(0, 0, 10, 10), CQxRect(10, 0, 20, 10)), 0);
    EXPECT_TRUE(out.IsRectNull());
    // An unnormalised rectangle is empty and meets nothing.
    EXPECT_EQ(out.IntersectRect(CQxRect(10, 10, 0, 0), CQxRect(0, 0, 10, 10)), 0);

    ASSERT_EQ(out.UnionRect(CQxRect(0, 0, 5, 5), CQxRect(10, -2, 12, 3)), 1);
    EXPECT_EQ(out, CQxRect(0, -2, 12, 5));
    ASSERT_EQ(out.UnionRect(CQxRect(), CQxRect(1, 1, 2, 2)), 1);
    EXPECT_EQ(out, CQxRect(1, 1, 2, 2));
    EXPECT_EQ(out.UnionRect(CQxRect(), CQxRect(5, 5, 5, 9)), 0);
    EXPECT_TRUE(out.IsRectNull());
}
