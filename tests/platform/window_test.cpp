#include "qx/platform/input_state.h"
#include "qx/platform/window.h"

#include "test_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace QxWin;

namespace {

TEST(Window, CaptureIsProcessWideAndEndsWithItsWindow) {
    TestWindow a, b;
    EXPECT_EQ(SetCapture(&a), nullptr);
    EXPECT_TRUE(a.HasCapture());
    EXPECT_EQ(SetCapture(&b), &a); // taking the capture takes it from the other window
    EXPECT_EQ(a.Captures, (std::vector<int>{1, 0}));
    EXPECT_EQ(a.ReleaseCapture(), 0); // a window without the capture cannot release it
    EXPECT_EQ(GetCapture(), &b);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(b.Captures, (std::vector<int>{1, 0}));

    auto gone = std::make_unique<TestWindow>();
    gone->SetCapture();
    gone.reset();
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(Window, CursorPositionAndShapeFollowTheMouseWindow) {
    TestWindow a({100, 50}), b({400, 0});
    QxSetMousePos(&a, 10, 20);
    POINT point{};
    ASSERT_TRUE(GetCursorPos(&point));
    EXPECT_EQ(point.x, 110);
    EXPECT_EQ(point.y, 70);
    ASSERT_TRUE(ScreenToClient(&b, &point)); // left of b's client area
    EXPECT_EQ(point.x, -290);
    EXPECT_FALSE(ScreenToClient(nullptr, &point));

    // The cursor goes to the window the mouse is in, or to the one that has the capture.
    const HCURSOR cross = QxCursorFromId(QX_CURSOR_CROSS);
    EXPECT_EQ(QxGetCursorId(cross), QX_CURSOR_CROSS);
    const HCURSOR before = SetCursor(cross);
    EXPECT_EQ(a.GetCursor(), cross);
    b.SetCapture();
    EXPECT_EQ(SetCursor(QxCursorFromId(101)), cross);
    EXPECT_EQ(b.Cursors, (std::vector<unsigned>{101}));
    EXPECT_EQ(a.Cursors, (std::vector<unsigned>{QX_CURSOR_CROSS}));
    b.ReleaseCapture();
    SetCursor(before);

    QxSetMousePos(nullptr, 0, 0);
}

} // namespace
