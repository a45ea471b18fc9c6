#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "graph_rig.h"
#include "qx/platform/canvas.h"
#include "qx/platform/input_state.h"
#include "qx/platform/window.h"
#include "qx/scene/settings.h"
#include "scene_builders.h"

using namespace QxWin;

namespace {

constexpr COLORREF kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;
constexpr COLORREF kKey = 0x000000, kSelected = 0xFFFFFF, kCurFrame = 0xFF00FF;

// One cube whose channels are drawn in a 400 x 300 view of frames 0..20 and values 0..10.
class GraphView : public ::testing::Test {
protected:
    QxGraphRig rig;
    CQxObject* cube = QxAdd(rig.model, QxNewCube(), "cube");

    // Whether the colour lies on the column within a pixel of the row.
    bool ShowsNear(CQxPoint p, COLORREF color) {
        for (int dy = -1; dy <= 1; ++dy)
            if (rig.Pixel(CQxPoint(p.x, p.y + dy)) == color) return true;
        return false;
    }
    // The frame the curve samples at a column of the curve rectangle.
    float FrameAt(int x) const {
        const CQxRect c = rig.Curve();
        return rig.view.MinX() + (x - c.left) * (rig.view.MaxX() - rig.view.MinX()) / c.Width();
    }
    // The range shown is {first frame, last frame, lowest value, highest value}, each within 1e-4.
    static ::testing::AssertionResult Shows(const CQxGraphView& view, std::array<float, 4> range) {
        const std::array<float, 4> got{view.MinX(), view.MaxX(), view.MinY(), view.MaxY()};
        for (int i = 0; i < 4; ++i)
            if (!(std::fabs(got[i] - range[i]) <= 1e-4f))
                return ::testing::AssertionFailure()
                       << "the range is " << got[0] << ".." << got[1] << " x " << got[2] << ".." << got[3];
        return ::testing::AssertionSuccess();
    }
    bool AnyPixelIn(const CQxRect& r, COLORREF color) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (rig.Pixel(CQxPoint(x, y)) == color) return true;
        return false;
    }
};

} // namespace

// --- Range, zoom and pan -------------------------------------------------------------------------

TEST_F(GraphView, StartsOnFramesOneToThirtyAndValuesPlusMinusTwenty) {
    EXPECT_TRUE(Shows(CQxGraphView(), {1, 30, -20, 20}));
}

TEST_F(GraphView, SetRangeOrdersEachSpanAndRefusesEmptyOnes) {
    ASSERT_TRUE(rig.view.SetRange(5, 1, 3, -3));
    EXPECT_TRUE(Shows(rig.view, {1, 5, -3, 3}));
    EXPECT_FALSE(rig.view.SetRange(2, 2, 0, 1));
    EXPECT_FALSE(rig.view.SetRange(0, 1, 4, 4));
    EXPECT_FALSE(rig.view.SetRange(0, NAN, 0, 1));
    EXPECT_TRUE(Shows(rig.view, {1, 5, -3, 3})) << "a refused range keeps the old one";
}

TEST_F(GraphView, WheelNotchForwardWidensBothRangesAboutTheirCentres) {
    rig.window.Update(); // nothing pending
    rig.view.OnMouseWheel(&rig.model, 0, 120, CQxPoint(200, 150));
    EXPECT_TRUE(Shows(rig.view, {-1, 21, -0.5f, 10.5f}));
    EXPECT_TRUE(rig.window.IsInvalid()) << "a zoom asks for a repaint";
    rig.view.OnMouseWheel(&rig.model, 0, -120, CQxPoint(200, 150));
    EXPECT_TRUE(Shows(rig.view, {0, 20, 0, 10}));
    rig.view.OnMouseWheel(&rig.model, 0, 119, CQxPoint(200, 150));
    EXPECT_TRUE(Shows(rig.view, {0, 20, 0, 10})) << "less than a notch does nothing";
}

TEST_F(GraphView, MiddleAndRightDragsPanSoTheCurvesFollowTheMouse) {
    rig.view.OnMButtonDown(&rig.model, MK_MBUTTON, CQxPoint(200, 150));
    EXPECT_TRUE(rig.view.IsPanning());
    EXPECT_EQ(GetCapture(), &rig.window);
    rig.view.OnMouseMove(&rig.model, MK_MBUTTON, CQxPoint(240, 150)); // 40 of 400 pixels right
    rig.view.OnMButtonUp(&rig.model, 0, CQxPoint(240, 150));
    EXPECT_TRUE(Shows(rig.view, {-2, 18, 0, 10}));
    EXPECT_FALSE(rig.view.IsPanning());
    EXPECT_EQ(GetCapture(), nullptr);

    rig.view.OnRButtonDown(&rig.model, MK_RBUTTON, CQxPoint(200, 150));
    rig.view.OnMouseMove(&rig.model, MK_RBUTTON, CQxPoint(200, 180)); // 30 of 300 pixels down
    rig.view.OnRButtonUp(&rig.model, 0, CQxPoint(200, 180));
    EXPECT_TRUE(Shows(rig.view, {-2, 18, 1, 11}));
}

TEST_F(GraphView, RulerStepsGrowOneTwoFiveUntilTheyAreWideEnough) {
    EXPECT_EQ(CQxGraphView::GetRulerStep(29, 290, 4), 1.0f) << "10 pixels a frame";
    EXPECT_EQ(CQxGraphView::GetRulerStep(300, 300, 4), 5.0f) << "1 pixel a frame";
    EXPECT_EQ(CQxGraphView::GetRulerStep(1000, 300, 4), 20.0f) << "0.3 pixels a frame";
    EXPECT_EQ(CQxGraphView::GetRulerStep(1e6f, 100, 20), 200000.0f);
    EXPECT_EQ(CQxGraphView::GetRulerStep(0, 100, 4), 0.0f);
    EXPECT_EQ(CQxGraphView::GetRulerStart(3, 1), 3.0f);
    EXPECT_EQ(CQxGraphView::GetRulerStart(3.5f, 2), 4.0f);
    EXPECT_EQ(CQxGraphView::GetRulerStart(-3.5f, 2), -2.0f);
}

// --- Drawing -------------------------------------------------------------------------------------

TEST_F(GraphView, LaysOutTheCurveRectangleInsideTheMarginsRightOfAndAboveTheRulers) {
    CQxRect viewRect, curve;
    ASSERT_TRUE(rig.view.GetRects(viewRect, curve));
    EXPECT_EQ(viewRect, CQxRect(4, 4, 396, 296));
    EXPECT_GT(curve.left, viewRect.left + 11) << "room for the value labels";
    EXPECT_LT(curve.bottom, viewRect.bottom - 11) << "room for the frame labels";
    EXPECT_EQ(curve.top, viewRect.top);
    EXPECT_EQ(curve.right, viewRect.right);
    EXPECT_EQ(rig.Pixel(CQxPoint(2, 150)), 0x696969u) << "the background inside the edge";
}

TEST_F(GraphView, CurvePassesThroughEveryColumnAtItsValue) {
    rig.Key(cube, QX_ANIM_ITEM_TRANSLATE_X, {{2, 1}, {18, 9}});
    rig.Paint();
    const CQxSpline& spline = rig.model.Anim().ObjectItems()[cube][QX_ANIM_ITEM_TRANSLATE_X].Spline();
    // Away from the keys' handles, which lie over the curve near the keys.
    for (int x = rig.At(2, 1).x + 32; x < rig.At(18, 9).x - 32; ++x) {
        float value = 0;
        spline.CalcY(FrameAt(x), value);
        const CQxPoint p(x, rig.At(FrameAt(x), value).y);
        EXPECT_TRUE(ShowsNear(p, kRed)) << "column " << x;
    }
}

TEST_F(GraphView, KeysAreDrawnWhereThePickFindsThemInTheSelectionColour) {
    CQxObjectAnimItem& item = rig.Key(cube, QX_ANIM_ITEM_TRANSLATE_X, {{5, 5}, {15, 2}});
    CQxSplineNode& first = *item.Spline().Nodes()[0];
    CQxSplineNode& second = *item.Spline().Nodes()[1];
    second.Select(1);
    first.SelectNextTan(1);
    rig.Paint();
    for (CQxSplineNode* node : {&first, &second}) {
        CQxAnimItemSelect hit;
        ASSERT_TRUE(rig.model.Anim().IsPointHit(rig.At(*node), rig.Curve(), 0, 20, 0, 10, hit));
        EXPECT_EQ(hit.Nodes[0], node) << "frame " << node->X;
    }
    EXPECT_EQ(rig.Pixel(rig.At(first)), kKey);
    EXPECT_EQ(rig.Pixel(rig.At(second)), kSelected);
    EXPECT_EQ(rig.Pixel(rig.PrevHandle(first)), kKey);
    EXPECT_EQ(rig.Pixel(rig.NextHandle(first)), kSelected);
}

TEST_F(GraphView, ChannelsTakeTheColourOfTheirAxisAndUnselectedItemsAreNotDrawn) {
    rig.Key(cube, QX_ANIM_ITEM_TRANSLATE_X, {{1, 2}, {19, 2}});
    rig.Key(cube, QX_ANIM_ITEM_SCALE_Y, {{1, 5}, {19, 5}});
    CQxObjectAnimItem& z = rig.Key(cube, QX_ANIM_ITEM_ROTATE_Z, {{1, 8}, {19, 8}});
    rig.Paint();
    EXPECT_EQ(rig.Pixel(rig.At(10, 2)), kRed);
    EXPECT_EQ(rig.Pixel(rig.At(10, 5)), kGreen);
    EXPECT_EQ(rig.Pixel(rig.At(10, 8)), kBlue);
    z.Select(0);
    rig.Paint();
    EXPECT_NE(rig.Pixel(rig.At(10, 8)), kBlue);
}

TEST_F(GraphView, CurrentFrameIsALineAtItsFrame) {
    rig.scene.CurFrame() = 7.5f;
    rig.Paint();
    const CQxRect c = rig.Curve();
    const int x = rig.At(7.5f, 0).x;
    for (int y : {c.top + 2, (c.top + c.bottom) / 2, c.bottom - 2})
        EXPECT_EQ(rig.Pixel(CQxPoint(x, y)), kCurFrame);
    EXPECT_NE(rig.Pixel(CQxPoint(x + 2, c.top + 2)), kCurFrame);
    rig.scene.CurFrame() = 25.0f;
    rig.Paint();
    EXPECT_FALSE(AnyPixelIn(c, kCurFrame)) << "a frame outside the range shows no line";
}

TEST_F(GraphView, RubberBandIsDrawnOverTheCurvesWhileTheGestureLasts) {
    const auto edge = [&] {
        std::vector<COLORREF> column;
        for (int y = 100; y < 200; ++y) column.push_back(rig.Pixel(CQxPoint(150, y)));
        return column;
    };
    const std::vector<COLORREF> before = edge();
    rig.Press(CQxPoint(150, 100));
    rig.MoveTo(CQxPoint(250, 200));
    const std::vector<COLORREF> during = edge();
    int inverted = 0;
    for (std::size_t i = 0; i < before.size(); ++i) inverted += during[i] == (before[i] ^ 0xFFFFFFu);
    EXPECT_GE(inverted, 30) << "the band's dotted left edge, repainted at once";
    rig.Release(CQxPoint(250, 200));
    EXPECT_EQ(edge(), before) << "gone with the gesture";
}

// --- Bad input -------------------------------------------------------------------------------------

TEST_F(GraphView, CreateRefusesAMissingSceneOrWindow) {
    CQxGraphView view;
    EXPECT_FALSE(view.Create(nullptr, &rig.window, 0, 0));
    EXPECT_FALSE(view.Create(&rig.scene, nullptr, 0, 0));
    EXPECT_EQ(view.GetHwnd(), nullptr);
}

TEST_F(GraphView, WithoutAModelOnlyTheRulersAreDrawn) {
    rig.Key(cube, QX_ANIM_ITEM_TRANSLATE_X, {{1, 5}, {19, 5}});
    HDC dc = GetDC(&rig.window);
    rig.view.OnDraw(nullptr, dc);
    ReleaseDC(&rig.window, dc);
    EXPECT_FALSE(rig.Curve().IsRectEmpty());
    EXPECT_FALSE(AnyPixelIn(rig.Curve(), kRed));
}

TEST_F(GraphView, AModelWithoutAnimationDrawsNoCurve) {
    rig.Paint();
    CQxRect inside = rig.Curve();
    ASSERT_FALSE(inside.IsRectEmpty());
    inside.DeflateRect(1, 1); // the black frame around it
    EXPECT_FALSE(AnyPixelIn(inside, kKey)) << "no key, no handle";
}

TEST_F(GraphView, WindowsTooSmallForTheirMarginsLayNothingOut) {
    for (const int size : {0, 8}) {
        rig.window.SetClientSize(size, size);
        rig.view.OnSize(0, size, size);
        rig.Paint();
        CQxRect viewRect, curve;
        EXPECT_FALSE(rig.view.GetRects(viewRect, curve)) << size << " pixels";
        EXPECT_EQ(rig.view.GetWidth(), static_cast<unsigned int>(size));
    }
}

TEST_F(GraphView, ExtremeZoomsKeepAFiniteRangeAndDrawAndPickWithoutFault) {
    rig.Key(cube, QX_ANIM_ITEM_TRANSLATE_X, {{5, 5}, {15, 2}});
    for (int steps : {400, 400, -400, -400, -400, -400}) {
        rig.view.Zoom(steps);
        for (float v : {rig.view.MinX(), rig.view.MaxX(), rig.view.MinY(), rig.view.MaxY()})
            ASSERT_TRUE(std::isfinite(v)) << "after zooming " << steps;
        EXPECT_LT(rig.view.MinX(), rig.view.MaxX());
        rig.Paint();
        CQxAnimItemSelect hit;
        rig.model.Anim().IsPointHit(CQxPoint(200, 150), rig.Curve(), rig.view.MinX(), rig.view.MaxX(),
                                    rig.view.MinY(), rig.view.MaxY(), hit);
    }
    for (auto [lo, hi] : {std::pair{-1e38f, 1e38f}, std::pair{5.0f, 5.000001f}}) {
        ASSERT_TRUE(rig.view.SetRange(lo, hi, lo, hi)) << lo;
        rig.Paint();
        EXPECT_FALSE(rig.Curve().IsRectEmpty());
    }
}
