#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "message_recorder.h"
#include "qx/graphics/attribute.h"
#include "qx/graphics/settings.h"
#include "qx/platform/canvas.h"
#include "qx/scene/app.h"
#include "qx/scene/settings.h"
#include "scene_builders.h"
#include "view_rig.h"

using namespace QxWin;

namespace {

constexpr std::uint32_t kBackground = 0xFF696969; // the scene's default back colour
std::uint32_t SelectColour() { return static_cast<std::uint32_t>(QxSelectColor()); }

bool IsReddish(std::uint32_t argb) {
    const std::uint32_t r = argb >> 16 & 0xFF, g = argb >> 8 & 0xFF, b = argb & 0xFF;
    return r >= 0x80 && r > 2 * g && r > 2 * b;
}

bool IsYellowish(std::uint32_t argb) {
    const std::uint32_t r = argb >> 16 & 0xFF, g = argb >> 8 & 0xFF, b = argb & 0xFF;
    return r >= 0x80 && g >= 0x80 && r > 2 * b && g > 2 * b;
}

// A red unit cube at the origin of a scene in a 320 x 240 view.
class SceneDraw : public ::testing::Test {
protected:
    SceneDraw() {
        red.ColorMaterial().Init(0xFFFF0000, 0.8f, 0.3f, 0.0f, 0.3f, 5.0f);
        cube = QxAdd(rig.scene.RootModel(), QxNewCube(1.0f, &red, "cube"));
    }
    void SetUp() override {
        if (!rig.CanRender()) GTEST_SKIP() << "no OpenGL context: " << rig.window.GetError();
    }
    void TearDown() override {
        // A test that lost the device gives it back whatever happened.
        CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
        device.SetLost(0);
        if (device.GetState() != QX_GRAPHICS_OK) device.Reset();
    }

    // Frames 3 units about the origin: in perspective, or orthographic along an axis.
    void Frame(QX_AXIS_TYPE axis) {
        rig.camera.SetProjectionType(axis ? QX_PROJ_ORTHOGRAPHIC : QX_PROJ_PERSPECTIVE);
        rig.camera.SetViewSize(3.0f);
        rig.camera.SetAxisView(axis);
    }
    std::uint32_t PixelAt(const CQxVector& p) { return rig.Pixel(rig.ToScreen(p)); }
    // One-pixel lines may round to either neighbour of a projected point.
    bool ShowsNear(const CQxVector& p, const std::function<bool(std::uint32_t)>& colour) {
        const CQxPoint c = rig.ToScreen(p);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (colour(rig.window.GetPixel(c.x + dx, c.y + dy))) return true;
        return false;
    }
    bool ShowsNear(const CQxVector& p, std::uint32_t color) {
        return ShowsNear(p, [color](std::uint32_t pixel) { return pixel == color; });
    }

    CQxAttribute red{"red"};
    QxViewRig rig;
    CQxObject* cube = nullptr;
};

TEST_F(SceneDraw, CubeGridAndBackgroundInPerspectiveAndEachAxisView) {
    struct View {
        const char* Name;
        QX_AXIS_TYPE Axis;
        CQxVector FacingSide; // centre of the cube's side that faces the eye
        CQxVector GridPoint;  // on a grid line, clear of the cube and the axes
    };
    const View views[] = {{"perspective", QX_AXIS_TYPE(0), {0.5f, 0, 0}, {-1.5f, 0, 0}},
                          {"side", QX_AXIS_X, {0.5f, 0, 0}, {0, 0, -1.5f}},
                          {"top", QX_AXIS_Y, {0, 0.5f, 0}, {-1.5f, 0, 0}},
                          {"front", QX_AXIS_Z, {0, 0, 0.5f}, {-1.5f, 0, 0}}};
    for (const View& view : views) {
        SCOPED_TRACE(view.Name);
        Frame(view.Axis);
        ASSERT_EQ(rig.Paint(), QX_GRAPHICS_OK);
        const CQxPoint side = rig.ToScreen(view.FacingSide);
        EXPECT_TRUE(IsReddish(rig.Pixel(side)))
            << std::hex << rig.Pixel(side) << " at " << std::dec << side.x << "," << side.y;
        EXPECT_EQ(rig.Pixel(CQxPoint(0, 0)), kBackground) << "top-left corner";
        EXPECT_EQ(rig.Pixel(CQxPoint(319, 239)), kBackground) << "bottom-right corner";
        EXPECT_TRUE(ShowsNear(view.GridPoint, static_cast<std::uint32_t>(QxGridColor())));
    }
    // Lit from the eye: a side seen face on is near full strength.
    Frame(QX_AXIS_Z);
    rig.Paint();
    EXPECT_GE(PixelAt(CQxVector(0, 0, 0.5f)) >> 16 & 0xFF, 0xE0u);
}

TEST_F(SceneDraw, SelectedObjectShowsItsBoundingBoxOverEverything) {
    Frame(QX_AXIS_Z);
    const CQxVector corner(0.5f, 0.5f, 0.5f);
    rig.Paint();
    EXPECT_FALSE(ShowsNear(corner, SelectColour()));
    cube->Select(1, 0);
    rig.Paint();
    EXPECT_TRUE(ShowsNear(corner, SelectColour()));
    // The box's back edges show through the cube.
    EXPECT_TRUE(ShowsNear(CQxVector(0.5f, 0.0f, -0.5f), SelectColour()));
}

TEST_F(SceneDraw, PivotsOfSelectedObjectsShowInPivotMode) {
    Frame(QX_AXIS_Z);
    cube->Select(1, 0);
    const CQxVector onMarker(0.0f, 0.1f, 0.0f); // the pivot marker's Y line, inside the cube
    rig.Paint();
    EXPECT_FALSE(ShowsNear(onMarker, 0xFF00FF00u));
    rig.scene.ToolManager().SetCurSelect(QX_SELECT_PIVOT);
    rig.Paint();
    EXPECT_TRUE(ShowsNear(onMarker, 0xFF00FF00u));
}

TEST_F(SceneDraw, ComponentModeShowsWiresAndSelectedVerticesOverFaces) {
    Frame(QX_AXIS_Z);
    rig.scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
    const CQxVector corner(0.5f, 0.5f, 0.5f);
    for (CQxVertex& v : cube->Mesh().Vertices())
        if (v.Position().IsEqual(corner, 1e-5f)) v.IsSelect() = 1;
    rig.Paint();
    EXPECT_EQ(PixelAt(CQxVector(0.25f, 0.25f, 0.5f)), kBackground) << "the faces are left to the wires";
    EXPECT_TRUE(ShowsNear(corner, SelectColour()));
    EXPECT_TRUE(ShowsNear(CQxVector(0.5f, 0.0f, 0.5f), static_cast<std::uint32_t>(QxNormalColor())));
}

TEST_F(SceneDraw, HiddenObjectLeavesNoPixels) {
    Frame(QX_AXIS_Z);
    CQxObject* other = QxAdd(rig.scene.RootModel(), QxNewCube(0.5f, &red, "other"));
    other->Translate() = CQxVector(1.0f, 1.0f, 0.0f);
    rig.Paint();
    EXPECT_TRUE(IsReddish(PixelAt(other->Translate())));
    other->SetVisible(0);
    rig.Paint();
    EXPECT_EQ(PixelAt(other->Translate()), kBackground);
}

TEST_F(SceneDraw, NothingIsDrawnOutsideTheViewport) {
    Frame(QX_AXIS_TYPE(0));
    ASSERT_EQ(rig.camera.RecreateView(160, 120), QX_GRAPHICS_OK);
    ASSERT_EQ(rig.Paint(), QX_GRAPHICS_OK);
    int inside = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const std::uint32_t p = rig.window.GetPixel(x, y);
            if (x < 160 && y < 120) {
                inside += p != kBackground;
                continue;
            }
            ASSERT_EQ(p, kBackground) << "pixel at " << x << "," << y;
        }
    }
    EXPECT_GT(inside, 1000) << "the scene is drawn in the viewport";
}

TEST_F(SceneDraw, PrintingCopiesTheFrameIntoTheGivenContext) {
    Frame(QX_AXIS_Z);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 320, 240);
    SelectObject(dc, bitmap);
    ASSERT_EQ(rig.camera.OnPrint(dc), QX_GRAPHICS_OK);
    const CQxPoint centre = rig.ToScreen(CQxVector());
    const COLORREF c = GetPixel(dc, centre.x, centre.y);
    EXPECT_TRUE(IsReddish(0xFF000000u | GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)))
        << std::hex << c;
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x69, 0x69, 0x69));
    DeleteDC(dc);
    DeleteObject(bitmap);
}

TEST_F(SceneDraw, ManipulatorIsDrawnOverTheModelsInItsAxisColours) {
    Frame(QX_AXIS_TYPE(0));
    CQxManipulator* manipulator = rig.scene.CreateManipulator(QX_MANIPULATOR_MOVE, CQxVector());
    ASSERT_NE(manipulator, nullptr);
    ASSERT_EQ(rig.Paint(), QX_GRAPHICS_OK);
    // Its yellow centre cube sits inside the red cube and still shows; each handle shows its
    // axis colour where it stands.
    EXPECT_TRUE(IsYellowish(PixelAt(CQxVector()))) << std::hex << PixelAt(CQxVector());
    const CQxObject* handles[3] = {manipulator->GetXHandle(), manipulator->GetYHandle(), manipulator->GetZHandle()};
    for (int axis = 0; axis < 3; ++axis) {
        // Half way up the cone; its wire edges are black, so a neighbour may carry the colour.
        CQxVector middle;
        handles[axis]->GetCachedTransform().TransformCoord(middle, CQxVector(0.0f, 0.1f, 0.0f));
        EXPECT_TRUE(ShowsNear(middle, [axis](std::uint32_t p) {
            const int channel[3] = {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
            return channel[axis] > 2 * channel[(axis + 1) % 3] + 8 && channel[axis] > 2 * channel[(axis + 2) % 3] + 8;
        })) << "handle " << axis;
    }
}

// --- Failures -------------------------------------------------------------------------------------

TEST_F(SceneDraw, ViewsThatCannotDrawGiveCleanResults) {
    EXPECT_EQ(rig.scene.Draw(nullptr, nullptr), QX_GRAPHICS_FAILED);

    CQxCamera windowless(QX_WND_OFFSCREEN);
    EXPECT_EQ(rig.scene.Draw(&windowless, nullptr), QX_GRAPHICS_FAILED);

    CQxCamera sceneless(QX_WND_OFFSCREEN);
    EXPECT_EQ(sceneless.OnPaint(), QX_GRAPHICS_OK) << "without a scene a paint does nothing";
    EXPECT_EQ(sceneless.OnPrint(nullptr), QX_GRAPHICS_OK);
}

TEST_F(SceneDraw, WindowWithoutAreaIsPaintedEmpty) {
    rig.window.SetClientSize(0, 0);
    ASSERT_EQ(rig.camera.RecreateView(0, 0), QX_GRAPHICS_OK);
    EXPECT_EQ(rig.Paint(), QX_GRAPHICS_OK);
    EXPECT_EQ(rig.window.GetFrameWidth(), 0);
    rig.window.SetClientSize(320, 240);
    ASSERT_EQ(rig.camera.RecreateView(0, 0), QX_GRAPHICS_OK);
    Frame(QX_AXIS_Z);
    rig.Paint();
    EXPECT_TRUE(IsReddish(PixelAt(CQxVector()))) << "drawn again once it has a size";
}

TEST_F(SceneDraw, LostDeviceStopsFramesUntilTheApplicationRecoversIt) {
    Frame(QX_AXIS_Z);
    CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
    device.SetLost(1);
    EXPECT_EQ(rig.Paint(), QX_GRAPHICS_LOST);
    device.SetLost(0);
    EXPECT_EQ(rig.Paint(), QX_GRAPHICS_LOST) << "a device back from a loss needs its reset first";
    ASSERT_EQ(CQxApp::Instance().OnGraphicsLost(), QX_GRAPHICS_OK);
    EXPECT_EQ(rig.Paint(), QX_GRAPHICS_OK);
    EXPECT_TRUE(IsReddish(PixelAt(CQxVector()))) << "the graphics are rebuilt";
}

TEST_F(SceneDraw, RecreatingTheDeviceRebuildsTheGraphics) {
    Frame(QX_AXIS_Z);
    ASSERT_EQ(rig.camera.RecreateDevice(QX_WND_OFFSCREEN, 0, 0), QX_GRAPHICS_OK);
    EXPECT_EQ(rig.camera.GetMode(), QX_WND_OFFSCREEN);
    ASSERT_EQ(rig.Paint(), QX_GRAPHICS_OK);
    EXPECT_TRUE(IsReddish(PixelAt(CQxVector())));
}

TEST_F(SceneDraw, ResizingOnALostDeviceRunsTheRecoveryAndReportsItsFailure) {
    QxMessageRecorder messages;
    CQxGraphics::Instance().GetDevice().SetLost(1);
    EXPECT_EQ(rig.camera.RecreateView(0, 0), QX_GRAPHICS_LOST);
    ASSERT_FALSE(messages.Boxes().empty());
    EXPECT_EQ(messages.Boxes().back().Text, "回復に失敗しました。");
}

} // namespace
