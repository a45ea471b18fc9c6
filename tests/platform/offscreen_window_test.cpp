#include "qx/platform/offscreen_window.h"

#include "qx/platform/canvas.h"
#include "qx/platform/input_state.h"
#include "qx/platform/message.h"
#include "qx/platform/timer.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#pragma GCC diagnostic pop

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "message_recorder.h"
#include "scratch_dir.h"

using namespace QxWin;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;

// A window with a context, or the test is skipped with the reason.
#define QX_REQUIRE_GL(window)                                                                                \
    if (!(window).IsCreated()) GTEST_SKIP() << "no OpenGL context: " << (window).GetError()

void Clear(QxOffscreenWindow& window, float r, float g, float b) {
    ASSERT_TRUE(window.MakeCurrent());
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

TEST(OffscreenWindow, PresentReadsTheFrameAndSavesItAsPng) {
    QxOffscreenWindow window(64, 48);
    QX_REQUIRE_GL(window);
    EXPECT_EQ(window.GetPixel(0, 0), 0u); // nothing presented yet
    EXPECT_FALSE(window.SavePng("/tmp/never.png"));

    Clear(window, 1, 0, 0);
    // A blue square in the top-left corner shows the frame's rows are top row first.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 48 - 8, 8, 8);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    ASSERT_TRUE(window.Present());
    EXPECT_EQ(window.GetFrameWidth(), 64);
    EXPECT_EQ(window.GetFrameHeight(), 48);
    for (auto [x, y, colour] :
         {std::tuple{2, 2, kBlue}, {63, 0, kRed}, {0, 47, kRed}, {63, 47, kRed}, {64, 0, 0u}})
        EXPECT_EQ(window.GetPixel(x, y), colour) << "pixel " << x << "," << y;

    QxScratchDir dir;
    ASSERT_TRUE(window.SavePng(dir.File("frame.png").c_str()));
    int w = 0, h = 0, channels = 0;
    std::unique_ptr<unsigned char, void (*)(void*)> image(
        stbi_load(dir.File("frame.png").c_str(), &w, &h, &channels, 4), stbi_image_free);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    // RGBA rows, top row first: the blue top-left corner, the red bottom-right one.
    const unsigned char* last = image.get() + (47 * 64 + 63) * 4;
    EXPECT_EQ(std::vector<unsigned char>(image.get(), image.get() + 4),
              (std::vector<unsigned char>{0, 0, 255, 255}));
    EXPECT_EQ(std::vector<unsigned char>(last, last + 4), (std::vector<unsigned char>{255, 0, 0, 255}));
    EXPECT_FALSE(window.SavePng("/nonexistent-dir/frame.png"));

    window.SetClientSize(32, 100);
    Clear(window, 0, 1, 0);
    ASSERT_TRUE(window.Present());
    EXPECT_EQ(window.GetFrameWidth(), 32);
    EXPECT_EQ(window.GetFrameHeight(), 100);
    EXPECT_EQ(window.GetPixel(31, 99), 0xFF00FF00u);
}

TEST(OffscreenWindow, WindowsKeepTheirOwnFramesAndShareObjects) {
    QxOffscreenWindow a(16, 16), b(16, 16);
    QX_REQUIRE_GL(a);
    ASSERT_TRUE(b.IsCreated());
    Clear(a, 1, 0, 0);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    Clear(b, 0, 0, 1);
    EXPECT_TRUE(glIsTexture(texture)); // made in a, seen in b
    glDeleteTextures(1, &texture);
    ASSERT_TRUE(a.Present());
    ASSERT_TRUE(b.Present());
    EXPECT_EQ(a.GetPixel(8, 8), kRed);
    EXPECT_EQ(b.GetPixel(8, 8), kBlue);
}

TEST(OffscreenWindow, CanvasIsLaidOverTheFrameAtPresent) {
    QxOffscreenWindow window(40, 30);
    QX_REQUIRE_GL(window);
    Clear(window, 0, 0, 1);
    HDC dc = GetDC(&window);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, 0, 10, nullptr);
    LineTo(dc, 40, 10);
    SelectObject(dc, old);
    const RECT focus{20, 20, 30, 26};
    DrawFocusRect(dc, &focus);
    ReleaseDC(&window, dc);
    ASSERT_TRUE(window.Present());
    EXPECT_EQ(window.GetPixel(5, 10), 0xFFFFFF00u);
    EXPECT_EQ(window.GetPixel(5, 11), kBlue);
    EXPECT_EQ(window.GetPixel(20, 20), 0xFFFFFF00u); // the frame's blue inverted under the dots
    EXPECT_EQ(window.GetPixel(21, 20), kBlue);

    // The canvas was used up by that frame; a focus rectangle drawn twice leaves no trace.
    dc = GetDC(&window);
    DrawFocusRect(dc, &focus);
    DrawFocusRect(dc, &focus);
    ReleaseDC(&window, dc);
    Clear(window, 0, 0, 1);
    ASSERT_TRUE(window.Present());
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) ASSERT_EQ(window.GetPixel(x, y), kBlue) << x << "," << y;
    }
    DeleteObject(pen);
}

TEST(OffscreenWindow, RepaintsTimersAndCursorGoThroughTheWindow) {
    QxOffscreenWindow window(10, 10);
    int paints = 0;
    window.SetPaintHandler([&] { ++paints; });
    window.Update();
    EXPECT_EQ(paints, 0);
    InvalidateRect(&window, nullptr, 0);
    UpdateWindow(&window);
    UpdateWindow(&window);
    EXPECT_EQ(paints, 1);

    std::vector<UINT_PTR> fired;
    window.SetTimerHandler([&](UINT_PTR id) { fired.push_back(id); });
    ASSERT_EQ(window.SetTimer(7, 10), 7u);
    QxRunTimersFor(40);
    ASSERT_FALSE(fired.empty());
    EXPECT_EQ(fired.front(), 7u);

    window.SetClientOrigin({100, 200});
    window.SetCursorPos(3, 4);
    POINT point{};
    ASSERT_TRUE(GetCursorPos(&point));
    EXPECT_EQ(point.x, 103);
    EXPECT_EQ(point.y, 204);
    ASSERT_TRUE(window.GetCursorPos(&point));
    EXPECT_EQ(point.x, 3);
}

// Without an EGL driver the window reports why and stays usable. Runs in a fresh process, where
// EGL has not been loaded yet.
TEST(OffscreenWindowDeathTest, FailedCreationIsReportedAndHarmless) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/vendor.json", 1);
            QxMessageRecorder shown;
            QxOffscreenWindow window(20, 10);
            const bool ok = !window.IsCreated() && !shown.Boxes().empty() &&
                            shown.Boxes().back().Text.find("Cannot create an OpenGL context") == 0 &&
                            window.GetClientWidth() == 20 && !window.MakeCurrent() && !window.Present() &&
                            !window.SavePng("/tmp/x.png") && window.GetFramebuffer() == 0;
            window.SetClientSize(5, 5);
            std::exit(ok && window.GetClientWidth() == 5 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
