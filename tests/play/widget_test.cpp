#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "play_fixture.h"
#include "qx/platform/canvas.h"
#include "qx/play/widget.h"
#include "qx/scene/model.h"

using namespace QxWin;

namespace {

// A widget tree laid out on a 200 x 150 memory canvas:
//
//   Root (group)
//   |-- Title   static  (10, 10)-(190, 30)   "Title"
//   `-- Menu    group
//       |-- Start  button (10, 40)-(190, 60)  "Start"
//       `-- Quit   button (10, 70)-(190, 90)  "Quit"
//
// The title's text sits at the top-left corner of its rectangle (the default text format); the
// buttons take the mouse on their whole face.
class Widget : public ::testing::Test {
protected:
    Widget() {
        root.SetName("Root");
        root.CreateFontA();
        title = AddWidget(root, QX_WDG_STATIC, "Title", CQxRect(10, 10, 190, 30));
        menu = AddWidget(root, QX_WDG_GROUP, "Menu", CQxRect());
        start = AddWidget(*menu, QX_WDG_BUTTON, "Start", CQxRect(10, 40, 190, 60));
        quit = AddWidget(*menu, QX_WDG_BUTTON, "Quit", CQxRect(10, 70, 190, 90));
        bitmap = CreateCompatibleBitmap(dc, 200, 150);
        oldBitmap = SelectObject(dc, bitmap);
    }
    ~Widget() override {
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // Where a widget's text starts: inside its rectangle, a few pixels in.
    static CQxPoint OnText(const CQxWidget* w) { return CQxPoint(w->Rect().left + 3, w->Rect().top + 5); }

    CQxWidget root{QX_WDG_GROUP};
    CQxWidget* title = nullptr;
    CQxWidget* menu = nullptr;
    CQxWidget* start = nullptr;
    CQxWidget* quit = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
};

} // namespace

TEST_F(Widget, OnlyAWidgetWhoseTextWasLaidOutCanBeHit) {
    EXPECT_EQ(root.IsHit(OnText(start)), nullptr) << "nothing drawn yet";
    root.Draw(dc);
    for (CQxWidget* w : {title, start, quit}) {
        ASSERT_TRUE(w->IsTextRectValid()) << w->GetName();
        EXPECT_EQ(root.IsHit(OnText(w)), w) << w->GetName();
    }
    EXPECT_EQ(root.IsHit(CQxPoint(185, 25)), nullptr) << "inside the title's rectangle, right of its text";
    EXPECT_EQ(root.IsHit(CQxPoint(189, 59)), start) << "a button's far corner";
    EXPECT_EQ(root.IsHit(CQxPoint(190, 59)), nullptr) << "just outside the button";
    start->SetText("Begin");
    EXPECT_EQ(root.IsHit(OnText(start)), nullptr) << "a new text must be laid out again";
}

TEST_F(Widget, GroupsAreNeverHitThemselvesAndHiddenParentsDoNotHideTheirChildren) {
    root.Draw(dc);
    menu->TextRect() = CQxRect(0, 0, 200, 150);
    menu->IsTextRectValid() = 1;
    EXPECT_EQ(root.IsHit(CQxPoint(150, 120)), nullptr) << "a group has no shape";
    menu->SetVisible(0, 0);
    EXPECT_EQ(root.IsHit(OnText(quit)), quit) << "the hidden group's child";
    root.SetVisible(0, 1);
    for (CQxWidget* w : {title, start, quit}) EXPECT_EQ(root.IsHit(OnText(w)), nullptr) << w->GetName();
    root.SetFocus(1, 1);
    EXPECT_TRUE(quit->HasFocus()) << "focus reaches down the tree";
    root.SetVisible(1, 1);
    start->SetVisible(0, 0);
    EXPECT_EQ(root.IsHit(OnText(start)), nullptr) << "a hidden widget itself";
}

TEST_F(Widget, OverlappingWidgetsAreHitParentFirstThenChildrenInOrder) {
    CQxWidget* inner = AddWidget(*start, QX_WDG_STATIC, "Inner", start->Rect());
    root.Draw(dc);
    EXPECT_EQ(root.IsHit(OnText(start)), start);
    start->SetVisible(0, 0);
    EXPECT_EQ(root.IsHit(OnText(start)), inner);
    EXPECT_EQ(root.FindByName("Inner"), inner) << "found however deep";
    EXPECT_EQ(root.FindByName("None"), nullptr);
}

TEST_F(Widget, CentredTextIsClippedToItsRectangle) {
    title->TextFormat() = 0;
    title->SetText("A text much wider than the rectangle it is given");
    title->Rect() = CQxRect(50, 10, 90, 30);
    root.Draw(dc);
    ASSERT_TRUE(title->IsTextRectValid());
    const CQxRect box = title->TextRect();
    EXPECT_TRUE(box.left == 50 && box.right == 90 && box.top >= 10 && box.bottom <= 30) << box.left << "," << box.right;

    title->SetText("i");
    root.Draw(dc);
    EXPECT_NEAR((title->TextRect().left + title->TextRect().right) / 2, 70, 1) << "a narrow text is centred";
}

TEST_F(Widget, AWidgetWithoutTextOrOutsideTheCanvasIsNeverHit) {
    title->SetText("");
    quit->Rect() = CQxRect(INT32_MIN, INT32_MIN, INT32_MIN + 1, INT32_MIN + 1);
    quit->TextFormat() = 0;
    root.Draw(dc);
    EXPECT_FALSE(title->IsTextRectValid());
    EXPECT_EQ(root.IsHit(OnText(title)), nullptr);
    EXPECT_EQ(root.IsHit(CQxPoint(INT32_MIN, INT32_MIN)), quit) << "the one pixel its text box keeps";
}

// --- Drawn over a camera view ----------------------------------------------------------------

namespace {

constexpr std::uint32_t kBackground = 0xFF696969;

bool IsBright(std::uint32_t argb) {
    return (argb >> 16 & 0xFF) > 0xC0 && (argb >> 8 & 0xFF) > 0xC0 && (argb & 0xFF) > 0xC0;
}
bool IsCyan(std::uint32_t argb) {
    return (argb >> 16 & 0xFF) < 0x60 && (argb >> 8 & 0xFF) > 0xC0 && (argb & 0xFF) > 0xC0;
}

// The root model's widgets over an empty scene's view (grid and axes off).
class WidgetDraw : public ::testing::Test {
protected:
    void SetUp() override {
        if (!rig.CanRender()) GTEST_SKIP() << "no OpenGL context: " << rig.window.GetError();
        rig.scene.IsDrawGrid() = 0;
        rig.scene.IsDrawAxes() = 0;
        label = new CQxWidget(QX_WDG_STATIC);
        label->SetText("MMMMMMMM");
        label->Rect() = CQxRect(20, 20, 200, 50);
        rig.scene.RootModel().RootWidget().PushChild(label);
    }
    // How many pixels of the rectangle pass the test.
    template <class Test>
    int Count(const CQxRect& r, Test test) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += test(rig.window.GetPixel(x, y)) ? 1 : 0;
        return n;
    }

    QxViewRig rig;
    CQxWidget* label = nullptr;
};

} // namespace

TEST_F(WidgetDraw, AStaticShowsItsTextInItsColourAndCyanUnderTheMouse) {
    ASSERT_EQ(rig.Paint(), QX_GRAPHICS_OK);
    EXPECT_GT(Count(label->Rect(), IsBright), 20) << "white text inside the rectangle";
    EXPECT_EQ(Count(CQxRect(0, 60, 320, 240), [](std::uint32_t c) { return c != kBackground; }), 0)
        << "nothing below the widget";
    label->SetFocus(1, 0);
    ASSERT_EQ(rig.Paint(), QX_GRAPHICS_OK);
    EXPECT_GT(Count(label->Rect(), IsCyan), 20);
    EXPECT_EQ(Count(label->Rect(), IsBright), 0);
}

TEST_F(WidgetDraw, AHiddenTreeDrawsNothing) {
    rig.scene.RootModel().RootWidget().SetVisible(0, 1);
    ASSERT_EQ(rig.Paint(), QX_GRAPHICS_OK);
    EXPECT_EQ(Count(CQxRect(0, 0, 320, 240), [](std::uint32_t c) { return c != kBackground; }), 0);
    rig.scene.RootModel().RootWidget().SetVisible(0, 0);
    label->SetVisible(1, 0);
    ASSERT_EQ(rig.Paint(), QX_GRAPHICS_OK);
    EXPECT_EQ(Count(label->Rect(), IsBright), 0) << "a hidden parent hides its children's drawing";
}

TEST_F(WidgetDraw, AButtonDrawsItsFaceOverTheWholeRectangle) {
    label->Type() = QX_WDG_BUTTON;
    ASSERT_EQ(rig.Paint(), QX_GRAPHICS_OK);
    const CQxRect inside(label->Rect().left + 2, label->Rect().bottom - 6, label->Rect().right - 2,
                         label->Rect().bottom - 3);
    EXPECT_EQ(Count(inside, [](std::uint32_t c) { return c == kBackground; }), 0) << "the face covers the view";
    EXPECT_GT(Count(label->Rect(), IsBright), 20) << "the edge's light side and the text";
}
