#include "math_test_util.h"
#include "qx/math/plane_line.h"

TEST(PlaneLine, LineMeetsPlaneUnlessParallel) {
    CQxPlane plane;
    CQxVector hit(9, 9, 9);
    EXPECT_EQ(plane.GetIntersection(hit, CQxLine(CQxVector(), CQxVector(0, 1, 0))), 0); // no plane yet

    ASSERT_EQ(plane.Set(CQxVector(0, 2, 0), CQxVector(0, 3, 0)), 1);
    EXPECT_TRUE(VecNear(plane.Normal(), CQxVector(0, 1, 0)));
    EXPECT_FLOAT_EQ(plane.GetDistance(CQxVector(4, 5, 4)), 3.0f);
    EXPECT_TRUE(VecNear(plane.GetProjection(CQxVector(4, 5, -4)), CQxVector(4, 2, -4)));

    ASSERT_EQ(plane.GetIntersection(hit, CQxLine(CQxVector(1, 5, 1), CQxVector(0, -2, 0))), 1);
    EXPECT_TRUE(VecNear(hit, CQxVector(1, 2, 1)));
    // The line is infinite: the crossing may lie behind its point.
    ASSERT_EQ(plane.GetIntersection(hit, CQxLine(CQxVector(0, 4, 0), CQxVector(1, 1, 0))), 1);
    EXPECT_TRUE(VecNear(hit, CQxVector(-2, 2, 0)));

    hit.Set(9, 9, 9);
    EXPECT_EQ(plane.GetIntersection(hit, CQxLine(CQxVector(0, 5, 0), CQxVector(1, 0, 1))), 0);
    EXPECT_EQ(plane.GetIntersection(hit, CQxLine(CQxVector(0, 2, 0), CQxVector(1, 0, 0))), 0); // lies in it
    EXPECT_EQ(plane.GetIntersection(hit, CQxLine(CQxVector(0, 5, 0), CQxVector())), 0);
    EXPECT_EQ(hit, CQxVector(9, 9, 9));

    // Three points seen counter-clockwise from +Z give the normal +Z.
    ASSERT_EQ(plane.Set(CQxVector(0, 0, 1), CQxVector(1, 0, 1), CQxVector(0, 1, 1)), 1);
    EXPECT_TRUE(VecNear(plane.Normal(), CQxVector(0, 0, 1)));
    EXPECT_FLOAT_EQ(plane.D(), -1.0f);
    EXPECT_EQ(plane.Set(CQxVector(0, 0, 0), CQxVector(1, 1, 1), CQxVector(3, 3, 3)), 0);
}

TEST(PlaneLine, NearPointsAndWinding) {
    const CQxLine xAxis(CQxVector(5, 0, 0), CQxVector(2, 0, 0));
    CQxVector p(9, 9, 9);
    ASSERT_EQ(QxGetNearPoint(p, CQxVector(-3, 4, 7), xAxis), 1);
    EXPECT_TRUE(VecNear(p, CQxVector(-3, 0, 0)));
    // A drag axis against a mouse ray passing above it.
    ASSERT_EQ(QxGetNearPoint(p, xAxis, CQxLine(CQxVector(2, 1, 0), CQxVector(0, 0.5f, 1))), 1);
    EXPECT_TRUE(VecNear(p, CQxVector(2, 0, 0)));
    p.Set(9, 9, 9);
    EXPECT_EQ(QxGetNearPoint(p, xAxis, CQxLine(CQxVector(0, 1, 0), CQxVector(-1, 0, 0))), 0);
    EXPECT_EQ(QxGetNearPoint(p, CQxVector(), CQxLine(CQxVector(), CQxVector())), 0);
    EXPECT_EQ(p, CQxVector(9, 9, 9));

    // Looking down -Z (from +Z) at x right, y up: (0,0) (1,0) (0,1) runs counter-clockwise.
    const CQxVector a(0, 0, 0), b(1, 0, 0), c(0, 1, 0), intoScreen(0, 0, -1);
    EXPECT_EQ(IsClockwise(intoScreen, a, b, c), 0);
    EXPECT_EQ(IsClockwise(intoScreen, a, c, b), 1);
    EXPECT_EQ(IsClockwise(-intoScreen, a, b, c), 1);
    EXPECT_EQ(IsClockwise(intoScreen, a, b, CQxVector(2, 0, 0)), 0);
}
