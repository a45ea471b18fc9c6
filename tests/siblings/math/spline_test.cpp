#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "qx/math/spline.h"

namespace {

// A curve through the keys, made up to date.
class Spline : public ::testing::Test {
protected:
    CQxSpline spline;

    CQxSpline& Keys(std::initializer_list<std::pair<float, float>> keys) {
        for (auto [x, y] : keys) spline.InsertNode(x, y);
        spline.UpdateEquations(0);
        return spline;
    }
    float Y(float x) const {
        float y = 0.0f;
        EXPECT_TRUE(spline.CalcY(x, y)) << "frame " << x;
        return y;
    }
    // The slope of the curve just left and just right of a frame, measured.
    float SlopeLeft(float x) const { return (Y(x) - Y(x - 1e-3f)) / 1e-3f; }
    float SlopeRight(float x) const { return (Y(x + 1e-3f) - Y(x)) / 1e-3f; }
    static void Fix(CQxSplineNode* node, float prev, float next) {
        node->IsSeparated = 1;
        node->PrevTan = prev;
        node->NextTan = next;
        node->PrevTanType = node->NextTanType = QX_TAN_FIXED;
    }
};

// The same piece written in Bernstein form: control values y0 + m0 h / 3 and y1 - m1 h / 3.
float Bezier(float x0, float y0, float m0, float x1, float y1, float m1, float x) {
    const float h = x1 - x0, t = (x - x0) / h, s = 1.0f - t;
    const float p1 = y0 + m0 * h / 3.0f, p2 = y1 - m1 * h / 3.0f;
    return s * s * s * y0 + 3 * s * s * t * p1 + 3 * s * t * t * p2 + t * t * t * y1;
}

} // namespace

TEST_F(Spline, BetweenKeysTheCurveIsTheCubicOfTheirValuesAndSlopes) {
    Fix(spline.InsertNode(2.0f, 1.0f), 0.0f, 0.5f);
    Fix(spline.InsertNode(10.0f, -3.0f), 2.0f, 0.0f);
    spline.UpdateEquations(0);
    for (float x : {2.5f, 4.0f, 6.0f, 9.75f})
        EXPECT_NEAR(Y(x), Bezier(2, 1, 0.5f, 10, -3, 2, x), 1e-4f) << "frame " << x;
}

TEST_F(Spline, ValuesAreExactAtKeysAndHeldBeyondTheEnds) {
    Keys({{1, 4}, {5, -2}, {9, 7}});
    EXPECT_EQ(Y(1), 4.0f);
    EXPECT_EQ(Y(5), -2.0f);
    EXPECT_EQ(Y(9), 7.0f);
    EXPECT_EQ(Y(-100), 4.0f);
    EXPECT_EQ(Y(1e6f), 7.0f);
    EXPECT_EQ(Y(std::numeric_limits<float>::quiet_NaN()), 4.0f);
    float untouched = 7.0f;
    EXPECT_EQ(CQxSpline().CalcY(3.0f, untouched), 0) << "a curve without keys";
    EXPECT_EQ(untouched, 7.0f);
}

TEST_F(Spline, AutomaticSlopesNeverOvershootTheKeys) {
    Keys({{0, 0}, {10, 5}, {20, 5}, {30, 0}, {35, 8}, {60, 9}});
    for (float x = 10; x <= 20; x += 0.5f) EXPECT_EQ(Y(x), 5.0f) << "equal keys, frame " << x;
    for (float x = 0; x <= 60; x += 0.25f) {
        const CQxSplineNode* const* nodes = spline.Nodes().GetData();
        unsigned int i = 0;
        while (i + 2 < spline.GetNodeCount() && nodes[i + 1]->X <= x) ++i;
        const float lo = std::min(nodes[i]->Y, nodes[i + 1]->Y), hi = std::max(nodes[i]->Y, nodes[i + 1]->Y);
        EXPECT_GE(Y(x), lo - 1e-5f) << "frame " << x;
        EXPECT_LE(Y(x), hi + 1e-5f) << "frame " << x;
    }
}

TEST_F(Spline, JoinedKeysAreSmoothAndSeparatedKeysMayBend) {
    Keys({{0, 0}, {4, 3}, {10, 9}});
    EXPECT_NEAR(SlopeLeft(4), SlopeRight(4), 2e-2f) << "a joined key has one slope";
    EXPECT_GT(SlopeRight(4), 0.0f);

    Fix(spline.GetNode(4), -1.0f, 2.0f);
    spline.UpdateEquations(0);
    EXPECT_NEAR(SlopeLeft(4), -1.0f, 2e-2f);
    EXPECT_NEAR(SlopeRight(4), 2.0f, 2e-2f);

    // Separated without fixed slopes: each side aims at its neighbour.
    CQxSplineNode* middle = spline.GetNode(4);
    middle->PrevTanType = middle->NextTanType = QX_TAN_SEPARATED;
    spline.UpdateEquations(0);
    EXPECT_FLOAT_EQ(middle->PrevTan, 3.0f / 4.0f);
    EXPECT_FLOAT_EQ(middle->NextTan, 1.0f);
}

TEST_F(Spline, ASlopeSetByHandIsKeptAndJoinsBothSides) {
    Keys({{0, 0}, {4, 3}, {10, 9}});
    CQxSplineNode* middle = spline.GetNode(4);
    middle->SetNextTanAngle(std::numbers::pi_v<float> / 4);
    spline.InsertNode(20, -5); // new keys do not disturb a fixed slope
    spline.UpdateEquations(0);
    EXPECT_NEAR(middle->PrevTan, 1.0f, 1e-6f);
    EXPECT_NEAR(middle->NextTan, 1.0f, 1e-6f);
    EXPECT_EQ(middle->PrevTanType, QX_TAN_FIXED);
    // A vertical angle is held just short of vertical.
    middle->AddPrevTanAngle(10.0f);
    EXPECT_TRUE(std::isfinite(middle->PrevTan));
    EXPECT_GT(middle->PrevTan, 1000.0f);
}

TEST_F(Spline, KeysStayInFrameOrderAndAFrameHoldsOneKey) {
    Keys({{5, 1}, {1, 2}, {3, 3}});
    spline.InsertNode(3, 30); // takes the value
    ASSERT_EQ(spline.GetNodeCount(), 3u);
    EXPECT_EQ(spline.GetNode(3)->Y, 30.0f);
    EXPECT_EQ(spline.GetNode(3)->Index, 1u);
    spline.GetNode(1)->X = 9; // moved past the others, as a drag does
    spline.UpdateEquations(1);
    CQxArray<float> xs;
    spline.GetUniqueXs(xs);
    EXPECT_EQ(xs, (CQxArray<float>{3, 5, 9}));
    EXPECT_EQ(spline.GetNode(9)->Index, 2u);
}

TEST_F(Spline, KeysAtNonFiniteFramesOrValuesAreRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(spline.InsertNode(nan, 1), nullptr);
    EXPECT_EQ(spline.InsertNode(inf, 1), nullptr);
    EXPECT_EQ(spline.InsertNode(1, -inf), nullptr);
    EXPECT_EQ(spline.GetNodeCount(), 0u);
}

TEST_F(Spline, DeletingAndSelectingKeys) {
    Keys({{1, 0}, {2, 0}, {3, 0}});
    EXPECT_EQ(spline.DeleteNode(2.5f), 0);
    EXPECT_EQ(spline.DeleteNode(2.0f), 1);
    EXPECT_EQ(spline.GetNode(3)->Index, 1u);

    spline.GetNode(3)->Select(1);
    spline.GetNode(1)->SelectPrevTan(1);
    CQxArray<CQxSplineNode*> nodes, prev, next;
    EXPECT_TRUE(spline.GetSelects(nodes, prev, next));
    EXPECT_EQ(nodes, (CQxArray<CQxSplineNode*>{spline.GetNode(3)}));
    EXPECT_EQ(prev, (CQxArray<CQxSplineNode*>{spline.GetNode(1)}));
    EXPECT_TRUE(next.IsEmpty());
    EXPECT_TRUE(spline.GetSelectSamePosNodes(nodes, *spline.GetNode(3)));
    EXPECT_FALSE(spline.GetSelectSamePosNodes(nodes, *spline.GetNode(1))) << "a selected key lies elsewhere";
    spline.ToggleSelectNodes();
    EXPECT_TRUE(spline.GetSelectNodes(nodes));
    EXPECT_EQ(nodes, (CQxArray<CQxSplineNode*>{spline.GetNode(1)}));
}
