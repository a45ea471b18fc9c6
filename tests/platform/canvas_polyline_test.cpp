#include <gtest/gtest.h>

#include "memory_canvas.h"

using namespace QxWin;

namespace {

// A 20 x 10 white memory canvas with the black stock pen.
class CanvasPolylines : public ::testing::Test {
protected:
    MemoryCanvas canvas{20, 10};
    HDC dc = canvas.Dc;
};

} // namespace

TEST_F(CanvasPolylines, DrawsEachPolylineAndNothingBetweenThem) {
    //   row 2:  x 1..5 ---        ---- x 10..15
    //   row 6:       (nothing joins the end of one to the start of the next)
    const POINT points[] = {{1, 2}, {5, 2}, {10, 2}, {15, 2}, {15, 6}};
    const DWORD counts[] = {2, 3};
    ASSERT_TRUE(PolyPolyline(dc, points, counts, 2));
    for (int x : {1, 4, 10, 14}) EXPECT_EQ(GetPixel(dc, x, 2), 0u) << "column " << x;
    EXPECT_EQ(GetPixel(dc, 15, 4), 0u) << "the second polyline turns down";
    for (int x : {6, 8}) EXPECT_EQ(GetPixel(dc, x, 2), 0xFFFFFFu) << "gap at column " << x;
}

TEST_F(CanvasPolylines, RefusesAPolylineOfFewerThanTwoPoints) {
    const POINT points[] = {{1, 2}, {5, 2}, {8, 8}};
    const DWORD counts[] = {2, 1};
    EXPECT_FALSE(PolyPolyline(dc, points, counts, 2));
    EXPECT_EQ(GetPixel(dc, 3, 2), 0xFFFFFFu) << "nothing drawn";
    EXPECT_FALSE(PolyPolyline(nullptr, points, counts, 1));
}

TEST_F(CanvasPolylines, ThinLinesTakeOnePixelAStepAndLeaveOutTheirEnd) {
    const POINT points[] = {{0, 0}, {4, 4}};
    const DWORD counts[] = {2};
    ASSERT_TRUE(PolyPolyline(dc, points, counts, 1));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(GetPixel(dc, i, i), 0u) << "step " << i;
    EXPECT_EQ(GetPixel(dc, 1, 0), 0xFFFFFFu) << "one pixel a step";
    EXPECT_EQ(GetPixel(dc, 4, 4), 0xFFFFFFu) << "the end is left out";
}

TEST_F(CanvasPolylines, EndsFarOutsideTheCanvasDrawOnlyWhatCrossesIt) {
    const POINT points[] = {{-1000000000, 5}, {1000000000, 5}, {3, -1000000000}, {3, 1000000000}};
    const DWORD counts[] = {2, 2};
    ASSERT_TRUE(PolyPolyline(dc, points, counts, 2));
    for (int x : {0, 10, 19}) EXPECT_EQ(GetPixel(dc, x, 5), 0u) << "column " << x;
    for (int y : {0, 9}) EXPECT_EQ(GetPixel(dc, 3, y), 0u) << "row " << y;
}
