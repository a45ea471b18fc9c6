#include "qx/platform/canvas.h"

#include "memory_canvas.h"
#include "test_window.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <tuple>

using namespace QxWin;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

using Pixels = std::initializer_list<std::tuple<int, int, COLORREF>>;

// Each listed pixel of the canvas has its colour.
void ExpectPixels(HDC dc, Pixels pixels) {
    for (auto [x, y, colour] : pixels) EXPECT_EQ(GetPixel(dc, x, y), colour) << "pixel " << x << "," << y;
}

TEST(Canvas, LinesAndShapesLandOnThePixelsGdiWouldTouch) {
    MemoryCanvas canvas(40, 30);
    HDC dc = canvas.Dc;
    HPEN red = CreatePen(PS_SOLID, 0, kRed);
    HGDIOBJ oldPen = SelectObject(dc, red);
    EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
    POINT previous{};
    MoveToEx(dc, 5, 10, &previous);
    ASSERT_TRUE(LineTo(dc, 20, 10));
    // The last pixel is left out.
    ExpectPixels(dc, {{5, 10, kRed}, {19, 10, kRed}, {20, 10, kWhite}});
    ExpectPixels(dc, {{4, 10, kWhite}, {12, 9, kWhite}, {12, 11, kWhite}});
    LineTo(dc, 20, 25); // continues from where the last line ended
    EXPECT_EQ(GetPixel(dc, 20, 18), kRed);

    // A blue outline with no fill: the border runs inside the rectangle.
    HPEN blue = CreatePen(PS_SOLID, 1, kBlue);
    SelectObject(dc, blue);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 2, 2, 12, 8);
    ExpectPixels(
        dc, {{2, 2, kBlue}, {11, 7, kBlue}, {6, 2, kBlue}, {6, 5, kWhite}, {12, 5, kWhite}, {6, 8, kWhite}});

    // A green fill with the null pen is one pixel smaller on the right and at the bottom.
    HBRUSH green = CreateSolidBrush(kGreen);
    SelectObject(dc, green);
    SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 25, 2, 30, 6);
    ExpectPixels(dc, {{25, 2, kGreen}, {28, 4, kGreen}, {29, 4, kWhite}, {28, 5, kWhite}});
    Ellipse(dc, 30, 15, 40, 25); // the corner of the box is outside the ellipse
    ExpectPixels(dc, {{35, 20, kGreen}, {30, 15, kWhite}});

    // A dotted line leaves gaps.
    HPEN dotted = CreatePen(PS_DOT, 1, kRed);
    SelectObject(dc, dotted);
    MoveToEx(dc, 0, 28, nullptr);
    LineTo(dc, 40, 28);
    int on = 0;
    for (int x = 0; x < 40; ++x) on += GetPixel(dc, x, 28) == kRed;
    EXPECT_GT(on, 10);
    EXPECT_LT(on, 30);

    // An object deleted while selected stays usable until it is let go; then its handle is dead.
    EXPECT_TRUE(DeleteObject(dotted));
    EXPECT_TRUE(LineTo(dc, 0, 0));
    EXPECT_EQ(SelectObject(dc, oldPen), dotted);
    EXPECT_FALSE(DeleteObject(dotted));
    EXPECT_EQ(SelectObject(dc, dotted), nullptr);
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN))); // stock objects ignore deletion
    EXPECT_NE(SelectObject(dc, GetStockObject(BLACK_PEN)), nullptr);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_TRUE(DeleteObject(blue));
    EXPECT_TRUE(DeleteObject(green));
    EXPECT_EQ(CreatePen(42, 1, 0), nullptr);
    EXPECT_FALSE(LineTo(nullptr, 1, 1));
    EXPECT_FALSE(Polyline(dc, nullptr, 3));
}

TEST(Canvas, TextFillsItsExtentBoxAndGrowsWithTheText) {
    MemoryCanvas canvas(240, 60);
    HDC dc = canvas.Dc;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    for (const char* text : {"Abc", "テスト"}) {
        SIZE size{};
        ASSERT_TRUE(GetTextExtentPoint32(dc, text, -1, &size)) << text;
        EXPECT_GT(size.cx, 10) << text;
        EXPECT_GT(size.cy, 8) << text;
        canvas.Clear();
        ASSERT_TRUE(TextOut(dc, 10, 5, text, -1));
        EXPECT_GT(canvas.CountDark({10, 5, 10 + size.cx, 5 + size.cy}), 10) << text;
        EXPECT_EQ(canvas.CountDark({10 + size.cx + 1, 0, 240, 60}), 0) << text;
        EXPECT_EQ(canvas.CountDark({0, 5 + size.cy + 1, 240, 60}), 0) << text;
    }
    SIZE one{}, two{}, part{};
    GetTextExtentPoint32(dc, "テスト", -1, &one);
    GetTextExtentPoint32(dc, "テストテスト", -1, &two);
    GetTextExtentPoint32(dc, "テストテスト", 9, &part); // a count is in bytes
    EXPECT_GT(two.cx, one.cx + one.cx / 2);
    EXPECT_EQ(part.cx, one.cx);
    EXPECT_EQ(two.cy, one.cy);
    EXPECT_TRUE(
        GetTextExtentPoint32(dc, "bad \xff\xfe text", -1, &part)); // invalid UTF-8 is drawn as it can be
    EXPECT_FALSE(GetTextExtentPoint32(dc, nullptr, -1, &part));

    // A font made from the stock GUI font with a positive height has cells of that height.
    LOGFONTA desc{};
    ASSERT_EQ(GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof desc, &desc), static_cast<int>(sizeof desc));
    desc.lfHeight = 16;
    desc.lfWeight = 600;
    HFONT font = CreateFontIndirect(&desc);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SIZE big{};
    GetTextExtentPoint32(dc, "テスト", -1, &big);
    EXPECT_NEAR(big.cy, 16, 1);
    EXPECT_GT(big.cx, one.cx);
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

TEST(Canvas, DrawTextAlignsWrapsAndMeasures) {
    MemoryCanvas canvas(200, 80);
    HDC dc = canvas.Dc;
    SetBkMode(dc, TRANSPARENT);
    SIZE size{};
    GetTextExtentPoint32(dc, "File", -1, &size);

    RECT calc{5, 5, 5, 5};
    EXPECT_EQ(DrawText(dc, "&File", -1, &calc, DT_SINGLELINE | DT_CALCRECT), size.cy);
    EXPECT_EQ(calc.right - calc.left, size.cx);      // the prefix mark takes no room
    EXPECT_EQ(canvas.CountDark({0, 0, 200, 80}), 0); // measuring draws nothing

    // Right and bottom alignment put the text in the far corner of the rectangle.
    RECT box{20, 10, 180, 70};
    DrawText(dc, "File", -1, &box, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_GT(canvas.CountDark({180 - size.cx, 70 - size.cy, 180, 70}), 5);
    EXPECT_EQ(canvas.CountDark({0, 0, 180 - size.cx - 1, 80}), 0);
    EXPECT_EQ(canvas.CountDark({0, 0, 200, 70 - size.cy - 1}), 0);

    // Word breaks wrap onto more lines within the width.
    RECT narrow{0, 0, size.cx * 3, 0};
    const int wrapped = DrawText(dc, "File File File File File", -1, &narrow, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GE(wrapped, 2 * size.cy);
    EXPECT_LE(narrow.right, size.cx * 3);

    // The text is clipped to its rectangle, and an ellipsis keeps a long label inside it.
    canvas.Clear();
    RECT small{10, 10, 40, 40};
    DrawText(dc, "A long label that does not fit", -1, &small, DT_SINGLELINE | DT_PATH_ELLIPSIS);
    EXPECT_GT(canvas.CountDark(small), 5);
    EXPECT_EQ(canvas.CountDark({41, 0, 200, 80}), 0);
    EXPECT_EQ(DrawText(dc, "x", -1, nullptr, 0), 0);
}

TEST(Canvas, FocusRectInvertsAndDrawingItTwiceRestores) {
    MemoryCanvas canvas(30, 30);
    HDC dc = canvas.Dc;
    const RECT fill{0, 0, 15, 30};
    HBRUSH red = CreateSolidBrush(kRed);
    FillRect(dc, &fill, red);
    const RECT focus{4, 6, 24, 20};
    ASSERT_TRUE(DrawFocusRect(dc, &focus));
    // Red and white inverted under the dots, which skip every other pixel; the inside untouched.
    ExpectPixels(dc, {{4, 6, RGB(0, 255, 255)}, {20, 6, RGB(0, 0, 0)}, {5, 6, kRed}, {10, 10, kRed}});
    DrawFocusRect(dc, &focus);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) ASSERT_EQ(GetPixel(dc, x, y), x < 15 ? kRed : kWhite) << x << "," << y;
    }
    const RECT outside{-5, -5, 100, 100}; // partly off the canvas
    DrawFocusRect(dc, &outside);
    DrawFocusRect(dc, &outside);
    EXPECT_EQ(GetPixel(dc, 0, 0), kRed);
    // Wild coordinates are clipped, never overflowed or walked pixel by pixel.
    const RECT wild{INT32_MIN, 3, INT32_MAX, INT32_MAX};
    EXPECT_TRUE(DrawFocusRect(dc, &wild));
    EXPECT_TRUE(DrawFocusRect(dc, &wild));
    EXPECT_TRUE(Rectangle(dc, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
    EXPECT_TRUE(PatBlt(dc, INT32_MAX, 0, INT32_MAX, 10, PATCOPY));
    RECT text = wild;
    EXPECT_GT(DrawText(dc, "x", -1, &text, DT_CALCRECT), 0);
    DeleteObject(red);
}

TEST(Canvas, BlitsCopyRegionsAndEdgesUseThe3dColours) {
    MemoryCanvas source(20, 20), target(20, 20);
    HBRUSH blue = CreateSolidBrush(kBlue);
    SelectObject(source.Dc, blue);
    ASSERT_TRUE(PatBlt(source.Dc, 2, 2, 6, 6, PATCOPY));
    ASSERT_TRUE(BitBlt(target.Dc, 10, 10, 8, 8, source.Dc, 0, 0, SRCCOPY));
    ExpectPixels(target.Dc, {{12, 12, kBlue}, {17, 17, kBlue}, {11, 11, kWhite}, {9, 12, kWhite}});
    // Off the edge and overlapping copies are clipped and safe.
    EXPECT_TRUE(BitBlt(target.Dc, 15, 15, 50, 50, source.Dc, -10, -10, SRCCOPY));
    EXPECT_TRUE(BitBlt(source.Dc, 1, 1, 10, 10, source.Dc, 0, 0, SRCCOPY));
    ExpectPixels(source.Dc, {{3, 3, kBlue}, {8, 8, kBlue}, {2, 2, kWhite}});
    EXPECT_FALSE(BitBlt(target.Dc, 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));

    RECT edge{0, 0, 20, 20};
    ASSERT_TRUE(DrawEdge(target.Dc, &edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST));
    // Outer shadow at the top and highlight at the bottom, then the inner dark shadow and light.
    ExpectPixels(target.Dc, {{5, 0, RGB(160, 160, 160)},
                             {5, 19, RGB(255, 255, 255)},
                             {5, 1, RGB(105, 105, 105)},
                             {5, 18, RGB(227, 227, 227)}});
    EXPECT_EQ(edge.left, 2);
    EXPECT_EQ(edge.bottom, 18);

    // A bitmap goes into one memory canvas at a time and never into a window's canvas.
    HDC other = CreateCompatibleDC(source.Dc);
    EXPECT_EQ(SelectObject(other, source.Bitmap), nullptr);
    TestWindow window;
    HDC windowDc = GetDC(&window);
    EXPECT_EQ(SelectObject(windowDc, source.Bitmap), nullptr);
    EXPECT_TRUE(ReleaseDC(&window, windowDc));
    BITMAP info{};
    EXPECT_EQ(GetObject(source.Bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 20);
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_FALSE(DeleteDC(other));
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 0, 10), nullptr);
    DeleteObject(blue);
}

TEST(Canvas, WindowCanvasIsTransparentUntilDrawnAndGoesWithItsWindow) {
    HDC dc = nullptr;
    {
        TestWindow window;
        dc = GetDC(&window);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(GetPixel(dc, 319, 239), 0u);
        EXPECT_EQ(GetPixel(dc, 320, 0), CLR_INVALID);
        HBRUSH red = CreateSolidBrush(kRed);
        const RECT r{0, 0, 4, 4};
        FillRect(dc, &r, red);
        SetBkMode(dc, TRANSPARENT);
        ReleaseDC(&window, dc);
        // The pixels stay, the modes start over.
        HDC again = GetDC(&window);
        EXPECT_EQ(again, dc);
        EXPECT_EQ(GetPixel(again, 1, 1), kRed);
        EXPECT_EQ(GetBkMode(again), OPAQUE);
        DeleteObject(red);
    }
    EXPECT_FALSE(LineTo(dc, 1, 1)); // the window is gone and its canvas with it
    EXPECT_EQ(GetDC(nullptr), nullptr);
}

} // namespace
