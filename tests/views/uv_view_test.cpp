#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "qx/graphics/attribute.h"
#include "qx/graphics/settings.h"
#include "scratch_dir.h"
#include "uv_rig.h"

namespace {

bool IsBlue(std::uint32_t argb) {
    return (argb & 0xFF) >= 0xC0 && (argb >> 16 & 0xFF) < 0x40 && (argb >> 8 & 0xFF) < 0x40;
}

bool IsGreen(std::uint32_t argb) {
    return (argb >> 8 & 0xFF) >= 0xC0 && (argb >> 16 & 0xFF) < 0x40 && (argb & 0xFF) < 0x40;
}

// The UV grid (uv_rig.h) in a 400 x 300 UV view, and a material whose 4 x 4 texture is blue in
// its upper half and green in its lower half.
class UVView : public ::testing::Test {
protected:
    UVView() {
        std::string tga("\0\0\2\0\0\0\0\0\0\0\0\0\4\0\4\0\x20\x28", 18); // BGRA, top row first
        for (int i = 0; i < 16; ++i)
            tga += i < 8 ? std::string("\xFF\0\0\xFF", 4) : std::string("\0\xFF\0\xFF", 4);
        auto* stage = new CQxTextureStage();
        stage->Load(scratch.Write("blue_over_green.tga", tga).c_str());
        textured.AddTextureStage(stage);
    }
    void SetUp() override {
        if (!rig.CanRender()) GTEST_SKIP() << "no OpenGL context: " << rig.window.GetError();
    }
    // Whether the colour shows within a pixel of the point.
    bool ShowsAt(CQxPoint p, unsigned long color) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (rig.Pixel(p + CQxPoint(dx, dy)) == (color | 0xFF000000u)) return true;
        return false;
    }

    QxScratchDir scratch;
    CQxAttribute textured{"textured"};
    QxUVRig rig;
    CQxObject* grid = QxAddUVGrid(rig.scene);
};

TEST_F(UVView, SelectedUVsShowInTheSelectionColourOverTheTextureTheRightWayUp) {
    grid->SelectUVs(1, CQxArray<CQxHalfEdge*>{QxUVGridCorner(*grid, 0, 0, 0, 0)});
    ASSERT_EQ(rig.Paint(&textured), QX_GRAPHICS_OK);
    EXPECT_TRUE(IsBlue(rig.Pixel(CQxPoint(20, 20)))) << "the texture's top at the view's top";
    EXPECT_TRUE(IsGreen(rig.Pixel(CQxPoint(380, 280)))) << "its bottom at the bottom";
    EXPECT_TRUE(ShowsAt(CQxPoint(100, 225), QxSelectUVColor())) << "the selected corner at vertex 0";
    EXPECT_TRUE(ShowsAt(CQxPoint(300, 75), QxNormalUVColor())) << "the unselected corner at vertex 8";
    EXPECT_TRUE(ShowsAt(CQxPoint(150, 150), QxNormalUVColor())) << "the line from vertex 3 to 4";
}

TEST_F(UVView, SeparatingStepsHalfAPickSizeOfTheViewsPixels) {
    CQxHalfEdge* h = QxUVGridCorner(*grid, 0, 0, 0, 0); // left of and below its face's centre
    grid->SelectUVs(1, CQxArray<CQxHalfEdge*>{h});
    ASSERT_TRUE(rig.scene.SeparateUVsCmd(0));
    EXPECT_FLOAT_EQ(h->UV().x, 0.25f + QxPickSize() * 0.5f / 400.0f);
    EXPECT_FLOAT_EQ(h->UV().y, 0.75f - QxPickSize() * 0.5f / 300.0f);
}

TEST_F(UVView, AScenesOneUVViewIsTheLastCreatedAndLeavesWhenDestroyed) {
    {
        CQxUVView second;
        second.CreateView(&rig.scene, &rig.window, 0, 0);
        EXPECT_EQ(rig.scene.GetUVView(), &second);
        EXPECT_EQ(rig.view.GetScene(), nullptr) << "the first view no longer shows the scene";
        second.DestroyView();
    }
    EXPECT_EQ(rig.scene.GetUVView(), nullptr);
}

// --- Bad input ------------------------------------------------------------------------------------

TEST_F(UVView, WithoutATextureTheBackColourShows) {
    CQxAttribute plain("plain");
    for (CQxAttribute* attribute : {static_cast<CQxAttribute*>(nullptr), &plain}) {
        ASSERT_EQ(rig.Paint(attribute), QX_GRAPHICS_OK);
        EXPECT_EQ(rig.Pixel(CQxPoint(20, 20)), rig.scene.BackColor() | 0xFF000000u);
        EXPECT_TRUE(ShowsAt(CQxPoint(200, 150), QxNormalUVColor()));
    }
}

TEST_F(UVView, AViewWithoutASceneDrawsNothingAndIgnoresInput) {
    CQxUVView lone;
    lone.OnLButtonDown(0, CQxPoint(100, 225));
    lone.OnLButtonUp(0, CQxPoint(100, 225));
    EXPECT_EQ(lone.OnPaint(&textured), QX_GRAPHICS_OK);
    EXPECT_EQ(rig.scene.DrawUV(nullptr, &textured), QX_GRAPHICS_FAILED);
}

} // namespace
