#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <source_location>
#include <string>
#include <utility>
#include <vector>

#include "message_recorder.h"
#include "qx/graphics/attribute.h"
#include "qx/graphics/graphics_context.h"
#include "qx/graphics/mesh.h"
#include "qx/graphics/primitive.h"
#include "qx/platform/offscreen_window.h"
#include "scratch_dir.h"

namespace {

// A 64 x 64 offscreen view looking down -Z at a flat-shaded 2-unit cube at the origin.
class Render : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_Window.IsCreated()) GTEST_SKIP() << "no OpenGL context: " << m_Window.GetError();
        ASSERT_EQ(m_View.CreateView(&m_Window, 0, 0), QX_GRAPHICS_OK);
        m_View.ViewMatrix().SetLookAtR(CQxVector(0, 0, 5), CQxVector(0, 0, 0), CQxVector(0, 1, 0));
        m_View.ProjectionMatrix().SetPerspectiveFovR(0.785398f, 1.0f, 1.0f, 10.0f);
        m_Red.ColorMaterial().Init(0xFFFF0000, 1.0f, 0.0f, 0.0f, 0.0f, 5.0f);
        ASSERT_TRUE(m_Mesh.CreateCube(0, 2.0f, 2.0f, 2.0f, 1, 1, 1, &m_Red, 0));
        for (CQxFace& f : m_Mesh.Faces()) f.SetShade(0);
        m_Mesh.UpdateNormals();
        ASSERT_TRUE(m_Faces.BuildFaces(m_Mesh, &m_Red));
    }
    void TearDown() override {
        Device().SetLost(0);
        Device().Reset();
        Device().SetBaseStates(); // drops stages that point into this test's attributes
    }

    static CQxGraphicsDevice& Device() { return CQxGraphics::Instance().GetDevice(); }
    static unsigned int Red(std::uint32_t p) { return (p >> 16) & 0xFF; }
    static unsigned int Green(std::uint32_t p) { return (p >> 8) & 0xFF; }
    static unsigned int Blue(std::uint32_t p) { return p & 0xFF; }
    // A primitive holding the given vertices and indices.
    static void Build(CQxPrimitive& p, QX_PRIMITIVE_TYPE type,
                      const std::vector<CQxPrimitiveVertex>& vertices,
                      const std::vector<unsigned int>& indices, QX_SHADE_TYPE shade = QX_SHADE_COLOR) {
        CQxPrimitiveVertex* v = nullptr;
        unsigned int* i = nullptr;
        ASSERT_TRUE(p.Alloc(type, unsigned(vertices.size()), unsigned(indices.size()), shade));
        ASSERT_TRUE(p.Lock(v, i));
        std::copy(vertices.begin(), vertices.end(), v);
        std::copy(indices.begin(), indices.end(), i);
        ASSERT_TRUE(p.Unlock());
    }
    // One frame over the background colour: the attribute's material and stages, then whatever
    // `setup` sets, then the primitive (the cube's faces when none is given).
    void Frame(const CQxAttribute& attribute, unsigned long back = 0xFF000000,
               CQxPrimitive* primitive = nullptr, const std::function<void()>& setup = {}) {
        ASSERT_EQ(m_View.BeginScene(back), QX_GRAPHICS_OK);
        Device().SetAttribute(&attribute);
        if (setup) setup();
        EXPECT_TRUE((primitive ? primitive : &m_Faces)->Draw());
        EndFrame();
    }
    // The red cube lit by a white light travelling `light`.
    void DrawCube(const CQxVector& light, unsigned long back = 0xFF000000) {
        Frame(m_Red, back, nullptr, [&] {
            Device().SetLight(light, 0xFFFFFFFF);
            Device().EnableLight(1);
        });
    }
    void EndFrame() {
        ASSERT_EQ(m_View.EndScene(), QX_GRAPHICS_OK);
        ASSERT_EQ(m_View.Present(), QX_GRAPHICS_OK);
    }
    void ExpectCentre(unsigned int r, unsigned int g, unsigned int b, double near = 3.0) const {
        const std::uint32_t p = Centre();
        EXPECT_NEAR(Red(p), r, near) << "red";
        EXPECT_NEAR(Green(p), g, near) << "green";
        EXPECT_NEAR(Blue(p), b, near) << "blue";
    }
    // One frame of `attribute` alone over black, then the centre's colour.
    void ExpectFrame(const CQxAttribute& attribute, unsigned int r, unsigned int g, unsigned int b,
                     const std::source_location& at = std::source_location::current()) {
        const ::testing::ScopedTrace trace(at.file_name(), int(at.line()), "this frame");
        Frame(attribute);
        ExpectCentre(r, g, b);
    }
    std::uint32_t Centre() const { return m_Window.GetPixel(32, 32); }

    // A stage whose 2 x 2 texture is one ARGB colour, read from a TGA file (uncompressed true
    // colour, 32 bits, top-left origin, pixels stored B, G, R, A); null when it cannot be read.
    CQxTextureStage* SolidStage(std::uint32_t argb, QX_COLOR_OP_TYPE colorOp) {
        std::string file("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x20\x28", 18);
        for (int i = 0; i < 16; ++i) file += static_cast<char>(argb >> (8 * (i % 4)));
        auto* stage = new CQxTextureStage(colorOp, QX_ALPHA_OP_TEXTURE);
        if (stage->Load(m_Dir.Write("solid.tga", file).c_str())) return stage;
        delete stage;
        return nullptr;
    }

    QxScratchDir m_Dir;
    QxOffscreenWindow m_Window{64, 64};
    CQxGraphicsContext m_View;
    CQxAttribute m_Red{"red"};
    CQxMesh m_Mesh;
    CQxPrimitive m_Faces;
};

TEST_F(Render, ClearColourAndLitFacesFollowTheLight) {
    DrawCube(CQxVector(0, 0, -1), 0xFF204060);
    for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 63}, {63, 63}})
        EXPECT_EQ(m_Window.GetPixel(x, y), 0xFF204060u);
    const std::uint32_t lit = Centre();
    EXPECT_GT(Red(lit), 240u);
    EXPECT_LT(Green(lit) + Blue(lit), 10u);

    // At 60 degrees the front face gets half the light; turned away it gets none (no ambient).
    DrawCube(CQxVector(0, -0.866f, -0.5f));
    EXPECT_NEAR(Red(Centre()), 128.0, 6.0);
    DrawCube(CQxVector(0, 0, 1));
    EXPECT_EQ(Centre(), 0xFF000000u);

    // Ambient light lifts the unlit face by the material's ambient factor.
    m_Red.ColorMaterial().Ambient() = 0.5f;
    Frame(m_Red, 0xFF000000, nullptr, [] {
        Device().SetAmbient(0xFFFFFFFF);
        Device().EnableLight(0);
    });
    Device().SetAmbient(0xFF000000);
    EXPECT_NEAR(Red(Centre()), 128.0, 6.0);
}

TEST_F(Render, LinesBehindFacesShowAfterADepthClear) {
    CQxPrimitive line;
    Build(line, QX_PRIMITIVE_LINES,
          {{{-3, 0, -1.5f}, {}, {}, 0xFF00FF00u}, {{3, 0, -1.5f}, {}, {}, 0xFF00FF00u}}, {0, 1});
    for (int clear : {0, 1}) {
        Frame(m_Red, 0xFF000000, &line, [&] {
            Device().SetLight(CQxVector(0, 0, -1), 0xFFFFFFFF);
            Device().EnableLight(1);
            EXPECT_TRUE(m_Faces.Draw());
            EXPECT_TRUE(!clear || Device().ClearDepth());
        });
        unsigned int green = 0;
        for (int y = 30; y <= 33; ++y) green += Green(m_Window.GetPixel(32, y)) > 200;
        EXPECT_EQ(green > 0, clear == 1) << "depth clear " << clear;
    }
}

TEST_F(Render, TextureStagesCombineInOrderUntilADisabledStage) {
    CQxAttribute a("stages");
    a.ColorMaterial().Init(0xFFFF0000, 0.0f, 0.0f, 1.0f, 0.0f, 5.0f); // emissive red
    ASSERT_TRUE(a.AddTextureStage(SolidStage(0xFFFF8040, QX_COLOR_OP_TEXTURE)));
    ASSERT_TRUE(a.AddTextureStage(SolidStage(0xFF8080FF, QX_COLOR_OP_MODULATE)));
    ExpectFrame(a, 128, 64, 64);
    // A stage on the current colour passes the material's red on instead of its texture.
    ASSERT_TRUE(a.GetTextureStage(0)->SetColorOp(QX_COLOR_OP_CURRENT));
    ExpectFrame(a, 128, 0, 0);
    ASSERT_TRUE(a.GetTextureStage(0)->SetColorOp(QX_COLOR_OP_TEXTURE));
    // Each stage clamps: the red that Add pushes past 1 stays at 1 for the stage after it.
    ASSERT_TRUE(a.AddTextureStage(SolidStage(0xFFC04040, QX_COLOR_OP_ADD)));
    ExpectFrame(a, 255, 128, 128);
    ASSERT_TRUE(a.AddTextureStage(SolidStage(0xFF404040, QX_COLOR_OP_SUBTRACT_TEXTURE)));
    ExpectFrame(a, 191, 64, 64);
    // A disabled stage ends the cascade: the stages after it are not applied.
    ASSERT_TRUE(a.GetTextureStage(1)->SetColorOp(QX_COLOR_OP_DISABLE));
    ExpectFrame(a, 255, 128, 64);
    // A stage without a texture passes the material colour on.
    ASSERT_TRUE(a.GetTextureStage(1)->SetColorOp(QX_COLOR_OP_MODULATE));
    a.GetTextureStage(0)->Texture().Unload();
    ASSERT_TRUE(a.DeleteTextureStage(3));
    ASSERT_TRUE(a.DeleteTextureStage(2));
    ExpectFrame(a, 128, 0, 0);

    const CQxTextureStage* first = a.GetTextureStage(0);
    EXPECT_FALSE(Device().SetTexture(CQxGraphicsDevice::MaxTextureStages, first));
    EXPECT_TRUE(Device().SetTexture(3, first));
    EXPECT_EQ(Device().GetTexture(3), first);
    Device().SetAttribute(&a); // two stages: the other two are emptied
    EXPECT_EQ(Device().GetTexture(1), a.GetTextureStage(1));
    EXPECT_EQ(Device().GetTexture(3), nullptr);
    EXPECT_EQ(Device().GetTexture(CQxGraphicsDevice::MaxTextureStages), nullptr);
}

TEST_F(Render, TextureAlphaBlendsFacesWithTheBackground) {
    CQxAttribute a("glass");
    a.ColorMaterial().Init(0xFFFF0000, 0.0f, 0.0f, 1.0f, 0.0f, 5.0f);
    ASSERT_TRUE(a.AddTextureStage(SolidStage(0x80FFFFFF, QX_COLOR_OP_TEXTURE)));
    // One quad facing the camera, so no face behind it blends in too.
    CQxPrimitive quad;
    std::vector<CQxPrimitiveVertex> corners;
    for (auto [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}})
        corners.push_back({{float(x), float(y), 1.0f}, {0, 0, 1}, {}, 0xFFFFFFFFu});
    Build(quad, QX_PRIMITIVE_TRIANGLES, corners, {0, 1, 2, 0, 2, 3}, QX_SHADE_LIT);

    auto draw = [&](int blend) { Frame(a, 0xFF0000FF, &quad, [&] { Device().SetBlend(blend); }); };
    draw(1); // half white over blue
    ExpectCentre(128, 128, 255);
    draw(0);
    ExpectCentre(255, 255, 255);
    ASSERT_TRUE(a.GetTextureStage(0)->SetAlphaOp(QX_ALPHA_OP_CURRENT)); // the material's opaque alpha
    draw(1);
    ExpectCentre(255, 255, 255);
    EXPECT_EQ(m_Window.GetPixel(0, 0), 0xFF0000FFu);
}

TEST_F(Render, NothingDrawnLeavesTheBackgroundAndRedrawsSurviveClearGraphics) {
    CQxAttribute unused("unused");
    CQxPrimitive none, freed;
    EXPECT_FALSE(none.BuildFaces(m_Mesh, &unused));
    ASSERT_TRUE(freed.BuildFaces(m_Mesh, &m_Red));
    freed.Free();
    ASSERT_EQ(m_View.BeginScene(0xFF102030), QX_GRAPHICS_OK);
    EXPECT_FALSE(none.Draw());
    EXPECT_FALSE(freed.Draw());
    EndFrame();
    EXPECT_EQ(std::count(m_Window.GetFrame().begin(), m_Window.GetFrame().end(), 0xFF102030u), 64 * 64);

    DrawCube(CQxVector(0, 0, -1));
    const std::uint32_t first = Centre();
    EXPECT_GT(Red(first), 240u);
    const unsigned int generation = Device().GetGeneration();
    Device().ClearGraphics();
    EXPECT_NE(Device().GetGeneration(), generation);
    DrawCube(CQxVector(0, 0, -1)); // the primitive uploads again to the new generation
    EXPECT_EQ(Centre(), first);
    EXPECT_EQ(Device().RecreateGraphics(), 1);
    EXPECT_STRNE(Device().GetRendererName(), "");
}

TEST_F(Render, LostDeviceRefusesToDrawUntilReset) {
    Device().SetLost(1);
    EXPECT_EQ(Device().Reset(), QX_GRAPHICS_LOST);
    EXPECT_EQ(m_View.BeginScene(0xFF000000), QX_GRAPHICS_LOST);
    EXPECT_FALSE(m_Faces.Draw());
    EXPECT_EQ(m_View.Present(), QX_GRAPHICS_LOST);
    EXPECT_EQ(m_View.RecreateView(0, 0), QX_GRAPHICS_LOST);
    Device().SetLost(0);
    EXPECT_EQ(Device().GetState(), QX_GRAPHICS_NOTRESET);
    EXPECT_EQ(m_View.BeginScene(0xFF000000), QX_GRAPHICS_LOST);
    EXPECT_EQ(Device().Reset(), QX_GRAPHICS_OK);
    EXPECT_EQ(Device().GetState(), QX_GRAPHICS_OK);
    DrawCube(CQxVector(0, 0, -1));
    EXPECT_GT(Red(Centre()), 240u);
}

TEST(RenderContext, WithoutAWindowEverythingFailsCleanly) {
    CQxGraphicsContext view;
    EXPECT_EQ(view.CreateView(nullptr, 0, 0), QX_GRAPHICS_FAILED);
    EXPECT_EQ(view.BeginScene(0), QX_GRAPHICS_FAILED);
    EXPECT_EQ(view.Present(), QX_GRAPHICS_FAILED);
    EXPECT_EQ(view.RecreateView(10, 10), QX_GRAPHICS_FAILED);
    EXPECT_EQ(view.GetDC(), nullptr);
    EXPECT_EQ(view.Invalidate(nullptr, 0), 0);

    // A window without a context has said why itself; the view fails without a second message.
    QxMessageRecorder messages;
    QxOffscreenWindow window(16, 16);
    const std::size_t fromWindow = messages.Boxes().size();
    EXPECT_EQ(view.CreateView(&window, 0, 0), window.IsCreated() ? QX_GRAPHICS_OK : QX_GRAPHICS_FAILED);
    EXPECT_EQ(messages.Boxes().size(), fromWindow);
    EXPECT_EQ(view.GetWidth(), window.IsCreated() ? 16u : 0u);
    view.DestroyView();
}

TEST(ScreenTransform, RoundTripsPerspectiveAndOrthographic) {
    const CQxViewPort viewport(0, 0, 400, 300);
    CQxMatrix world, view, perspective, ortho;
    world.SetRotateY(0.3f);
    world.Translate(CQxVector(0.5f, -0.2f, 0.1f));
    ASSERT_TRUE(view.SetLookAtR(CQxVector(3, 2, 6), CQxVector(0, 0, 0), CQxVector(0, 1, 0)));
    ASSERT_TRUE(perspective.SetPerspectiveFovR(0.6f, 4.0f / 3.0f, 0.5f, 50.0f));
    ASSERT_TRUE(ortho.SetOrthoR(8.0f, 6.0f, 0.5f, 50.0f));
    for (const CQxMatrix* projection : {&perspective, &ortho}) {
        CQxMatrix toScreen, fromScreen;
        QxGetScreenTranform(toScreen, world, view, *projection, viewport);
        ASSERT_TRUE(QxGetInvScreenTranform(fromScreen, world, view, *projection, viewport));
        for (const CQxVector& p : {CQxVector(0, 0, 0), CQxVector(1, 2, -1), CQxVector(-0.7f, 0.3f, 1.5f)}) {
            const CQxVector s = toScreen.TransformCoord(p);
            EXPECT_GT(s.z, 0.0f);
            EXPECT_LT(s.z, 1.0f);
            const CQxVector back = fromScreen.TransformCoord(s);
            EXPECT_NEAR(back.x, p.x, 1e-3f);
            EXPECT_NEAR(back.y, p.y, 1e-3f);
            EXPECT_NEAR(back.z, p.z, 1e-3f);
        }
    }
    // The point looked at lands in the middle of the viewport.
    CQxMatrix toScreen;
    QxGetScreenTranform(toScreen, CQxMatrix(), view, perspective, viewport);
    const CQxVector centre = toScreen.TransformCoord(CQxVector(0, 0, 0));
    EXPECT_NEAR(centre.x, 200.0f, 1e-3f);
    EXPECT_NEAR(centre.y, 150.0f, 1e-3f);
    CQxMatrix singular;
    singular.SetScale(0.0f);
    CQxMatrix untouched;
    EXPECT_FALSE(QxGetInvScreenTranform(untouched, singular, view, perspective, viewport));
    EXPECT_TRUE(untouched.IsIdentity());

    // A viewport's own matrix maps the clip cube's corners onto its pixels and depth range.
    const CQxViewPort offset(10, 20, 640, 480);
    const CQxMatrix screen = offset.GetScreenMatrix();
    EXPECT_TRUE(screen.TransformCoord(CQxVector(-1, 1, 0)).IsEqual(CQxVector(10, 20, 0), 1e-3f));
    EXPECT_TRUE(screen.TransformCoord(CQxVector(1, -1, 1)).IsEqual(CQxVector(650, 500, 1), 1e-3f));
    CQxMatrix inv;
    ASSERT_TRUE(offset.GetInvScreenMatrix(inv));
    EXPECT_TRUE((screen * inv).IsIdentity(1e-5f));
    EXPECT_FALSE(CQxViewPort(0, 0, 0, 480).GetInvScreenMatrix(inv));
    EXPECT_FALSE(CQxViewPort(0, 0, 640, 480, 0.5f, 0.5f).GetInvScreenMatrix(inv));
}

} // namespace
