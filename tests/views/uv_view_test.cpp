#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "qx/graphics/attribute.h"
#include "qx/graphics/graphics_device.h"
#include "qx/graphics/settings.h"
#include "qx/platform/input_state.h"
#include "scene_builders.h"
#include "scratch_dir.h"
#include "uv_rig.h"

using namespace QxWin;

namespace {

constexpr std::uint32_t kBackground = 0xFF696969; // the scene's default back colour

bool IsBlue(std::uint32_t argb) {
    const std::uint32_t r = argb >> 16 & 0xFF, g = argb >> 8 & 0xFF, b = argb & 0xFF;
    return b >= 0xC0 && r < 0x40 && g < 0x40;
}

bool IsGreen(std::uint32_t argb) {
    const std::uint32_t r = argb >> 16 & 0xFF, g = argb >> 8 & 0xFF, b = argb & 0xFF;
    return g >= 0xC0 && r < 0x40 && b < 0x40;
}

// A 4 x 4 picture as a TGA file (top row first): its upper half blue, its lower half green.
std::string BlueOverGreen() {
    std::string tga("\0\0\2\0\0\0\0\0\0\0\0\0\4\0\4\0\x20\x28", 18);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) tga += y < 2 ? std::string("\xFF\0\0\xFF", 4) : std::string("\0\xFF\0\xFF", 4);
    return tga;
}

// The UV grid (uv_rig.h) in a 400 x 300 UV view, over a material whose texture is blue above
// and green below.
class UVView : public ::testing::Test {
protected:
    UVView() : grid(QxAddUVGrid(rig.scene)) {
        auto* stage = new CQxTextureStage();
        stage->Load(scratch.Write("blue_over_green.tga", BlueOverGreen()).c_str());
        textured.AddTextureStage(stage);
    }
    void SetUp() override {
        if (!rig.CanRender()) GTEST_SKIP() << "no OpenGL context: " << rig.window.GetError();
        ASSERT_TRUE(textured.GetTextureStage(0)->IsLoaded());
    }
    void TearDown() override {
        CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
        device.SetLost(0);
        if (device.GetState() != QX_GRAPHICS_OK) device.Reset();
    }
    // Whether the colour shows within a pixel of the point (points are squares about it).
    bool ShowsAt(CQxPoint p, std::uint32_t color) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (rig.window.GetPixel(p.x + dx, p.y + dy) == color) return true;
        return false;
    }
    static CQxPoint At(int i, int j) { return CQxPoint(100 + 100 * i, 225 - 75 * j); }

    QxScratchDir scratch;
    CQxAttribute textured{"textured"};
    QxUVRig rig;
    CQxObject* grid;
};

TEST_F(UVView, TheTextureFillsTheViewTheRightWayUp) {
    ASSERT_EQ(rig.Paint(&textured), QX_GRAPHICS_OK);
    for (CQxPoint p : {CQxPoint(20, 20), CQxPoint(380, 20), CQxPoint(200, 40)})
        EXPECT_TRUE(IsBlue(rig.Pixel(p))) << "the texture's top at " << p.x << ", " << p.y << ": " << std::hex
                                          << rig.Pixel(p);
    for (CQxPoint p : {CQxPoint(20, 280), CQxPoint(380, 280), CQxPoint(200, 260)})
        EXPECT_TRUE(IsGreen(rig.Pixel(p))) << "the texture's bottom at " << p.x << ", " << p.y << ": " << std::hex
                                           << rig.Pixel(p);
}

TEST_F(UVView, SelectedUVsShowInTheSelectionColourOthersInTheNormalOne) {
    grid->SelectUVs(1, CQxArray<CQxHalfEdge*>{QxUVGridCorner(*grid, 0, 0, 0, 0)});
    ASSERT_EQ(rig.Paint(&textured), QX_GRAPHICS_OK);
    const std::uint32_t selected = QxSelectUVColor() | 0xFF000000u, normal = QxNormalUVColor() | 0xFF000000u;
    EXPECT_TRUE(ShowsAt(At(0, 0), selected)) << "the selected corner";
    for (CQxPoint p : {At(2, 0), At(2, 2), At(0, 2)})
        EXPECT_TRUE(ShowsAt(p, normal)) << "the corner at " << p.x << ", " << p.y;
    EXPECT_TRUE(ShowsAt(CQxPoint(150, 150), normal)) << "the line between vertices 3 and 4";
}

TEST_F(UVView, TheUVsOfUnselectedFacesAreNotDrawn) {
    grid->Select(0, {}, {}, CQxArray<CQxFace*>{QxGridFace(*grid, 0, 0)}, {});
    ASSERT_EQ(rig.Paint(&textured), QX_GRAPHICS_OK);
    EXPECT_TRUE(IsGreen(rig.Pixel(At(0, 0)))) << "face 0's corner at vertex 0 shows the texture";
    EXPECT_TRUE(ShowsAt(At(2, 0), QxNormalUVColor() | 0xFF000000u)) << "face 1 is still drawn";
}

TEST_F(UVView, WithoutATextureTheBackColourShows) {
    CQxAttribute plain("plain");
    for (CQxAttribute* attribute : {static_cast<CQxAttribute*>(nullptr), &plain}) {
        ASSERT_EQ(rig.Paint(attribute), QX_GRAPHICS_OK);
        EXPECT_EQ(rig.Pixel(CQxPoint(20, 20)), kBackground);
        EXPECT_TRUE(ShowsAt(At(1, 1), QxNormalUVColor() | 0xFF000000u));
    }
}

TEST_F(UVView, TheRubberBandShowsWhileASelectGestureLasts) {
    rig.UseTool(QX_TOOL_SELECT);
    rig.Press(CQxPoint(30, 30));
    rig.MoveTo(CQxPoint(80, 80));
    ASSERT_EQ(rig.Paint(&textured), QX_GRAPHICS_OK);
    EXPECT_FALSE(IsBlue(rig.Pixel(CQxPoint(30, 50)))) << "the band's left side";
    rig.Release(CQxPoint(80, 80));
    ASSERT_EQ(rig.Paint(&textured), QX_GRAPHICS_OK);
    EXPECT_TRUE(IsBlue(rig.Pixel(CQxPoint(30, 50))));
}

TEST_F(UVView, AScenesOneUVViewIsTheLastCreatedAndLeavesWhenDestroyed) {
    EXPECT_EQ(rig.scene.GetUVView(), &rig.view);
    auto second = std::make_unique<CQxUVView>();
    second->CreateView(&rig.scene, &rig.window, 0, 0);
    EXPECT_EQ(rig.scene.GetUVView(), second.get());
    EXPECT_EQ(rig.view.GetScene(), nullptr) << "the first view no longer shows the scene";
    second->DestroyView();
    second.reset();
    EXPECT_EQ(rig.scene.GetUVView(), nullptr);
    EXPECT_TRUE(rig.scene.Cameras().IsEmpty()) << "a UV view is no camera of the scene";
}

TEST_F(UVView, LeftButtonsGoToTheUVToolsAndLeaveTheThreeDSelectionAlone) {
    rig.UseTool(QX_TOOL_SELECT);
    rig.Click(At(2, 2));
    EXPECT_TRUE(QxUVGridCorner(*grid, 1, 1, 2, 2)->IsUVSelect());
    EXPECT_TRUE(QxGridFace(*grid, 1, 1)->IsSelect()) << "the faces stay selected";
}

TEST_F(UVView, SeparatingStepsHalfAPickSizeOfTheViewsPixels) {
    CQxHalfEdge* h = QxUVGridCorner(*grid, 0, 0, 0, 0); // below and left of its face's centre
    grid->SelectUVs(1, CQxArray<CQxHalfEdge*>{h});
    ASSERT_TRUE(rig.scene.SeparateUVsCmd(0));
    EXPECT_FLOAT_EQ(h->UV().x, 0.25f + QxPickSize() * 0.5f / 400.0f);
    EXPECT_FLOAT_EQ(h->UV().y, 0.75f - QxPickSize() * 0.5f / 300.0f);
}

// --- Bad input ------------------------------------------------------------------------------------

TEST_F(UVView, DrawingWithoutAViewFails) {
    EXPECT_EQ(rig.scene.DrawUV(nullptr, &textured), QX_GRAPHICS_FAILED);
}

TEST_F(UVView, AViewWithoutASceneDrawsNothing) {
    CQxUVView lone;
    EXPECT_EQ(lone.OnPaint(&textured), QX_GRAPHICS_OK);
    EXPECT_EQ(lone.OnPaint(), QX_GRAPHICS_OK);
}

TEST_F(UVView, AViewWithoutAreaIsShownEmpty) {
    rig.window.SetClientSize(0, 0);
    rig.view.RecreateView(0, 0);
    EXPECT_NE(rig.Paint(&textured), QX_GRAPHICS_FAILED);
}

TEST_F(UVView, AHostsPlainPaintShowsTheRootModelsCurrentMaterial) {
    CQxAttribute* material = rig.scene.RootModel().CreateAttribute("textured");
    material->AddTextureStage(new CQxTextureStage(*textured.GetTextureStage(0)));
    rig.scene.RootModel().CurAttribute() = material;
    ASSERT_EQ(rig.view.OnPaint(), QX_GRAPHICS_OK);
    EXPECT_TRUE(IsBlue(rig.Pixel(CQxPoint(20, 20))));
}

} // namespace
