#include <gtest/gtest.h>

#include <cmath>

#include "qx/graphics/light.h"
#include "qx/scene/scene.h"
#include "qx/views/camera.h"
#include "scene_builders.h"

namespace {

TEST(KindsCamera, ViewSizeFramesTheOriginInBothProjections) {
    CQxCamera camera(QX_WND_OFFSCREEN);

    camera.SetViewSize(10.0f);
    EXPECT_TRUE(QxNear(camera.Eye(), CQxVector(10.0f, 8.0f, 10.0f)));
    EXPECT_TRUE(QxNear(camera.Aim(), CQxVector()));

    // The aimed-at origin lands in the middle of the view, in front of the near plane.
    camera.ViewPort() = CQxViewPort(0, 0, 320, 200);
    ASSERT_EQ(camera.UpdateMatrices(320, 200), 1);
    CQxVector centre = QxScreenCoord(camera, CQxVector(0.0f, 0.0f, 0.0f));
    EXPECT_NEAR(centre.x, 160.0f, 1e-3f);
    EXPECT_NEAR(centre.y, 100.0f, 1e-3f);
    EXPECT_GT(centre.z, 0.0f);
    EXPECT_LT(centre.z, 1.0f);
    // Y up on screen is up in the world.
    EXPECT_LT(QxScreenCoord(camera, CQxVector(0.0f, 1.0f, 0.0f)).y, centre.y);

    // Depth range from the distance to the origin plane.
    camera.SetViewSize(1.0f);
    camera.Eye() = CQxVector(0.0f, 0.0f, 2.0f);
    EXPECT_FLOAT_EQ(camera.GetOriginDistance(), 2.0f);
    ASSERT_EQ(camera.UpdateMatrices(320, 200), 1);
    EXPECT_FLOAT_EQ(camera.NearZ(), 0.001f);
    EXPECT_FLOAT_EQ(camera.FarZ(), 4.0f);
    camera.Eye() = CQxVector(0.0f, 0.0f, 5.0f);
    ASSERT_EQ(camera.UpdateMatrices(320, 200), 1);
    EXPECT_FLOAT_EQ(camera.NearZ(), 3.0f);
    EXPECT_FLOAT_EQ(camera.FarZ(), 7.0f);

    // No size, or eye on the aim point: the matrices stay as they were.
    const CQxMatrix kept = camera.ProjectionMatrix();
    EXPECT_EQ(camera.UpdateMatrices(0, 200), 0);
    camera.Eye() = camera.Aim();
    EXPECT_EQ(camera.UpdateMatrices(320, 200), 0);
    EXPECT_EQ(camera.ProjectionMatrix(), kept);
}

TEST(KindsCamera, SwitchingProjectionKeepsTheApparentSize) {
    CQxCamera camera(QX_WND_OFFSCREEN);
    camera.ViewPort() = CQxViewPort(0, 0, 200, 200);
    camera.SetViewSize(10.0f);
    // Pixels spanned by two units up on the plane through the origin facing the view.
    const CQxVector view = (camera.Aim() - camera.Eye()).GetNormalized();
    const CQxVector probe = (camera.Up() - view * camera.Up().GetDot(view)).GetNormalized() * 2.0f;
    auto apparent = [&] {
        EXPECT_EQ(camera.UpdateMatrices(200, 200), 1);
        return QxScreenCoord(camera, CQxVector()).y - QxScreenCoord(camera, probe).y;
    };
    const float perspective = apparent();

    EXPECT_EQ(camera.SetProjectionType(QX_PROJ_PERSPECTIVE), 0);
    ASSERT_EQ(camera.SetProjectionType(QX_PROJ_ORTHOGRAPHIC), 1);
    EXPECT_EQ(camera.SetProjectionType(QX_PROJ_ORTHOGRAPHIC), 0);
    EXPECT_NEAR(apparent(), perspective, 0.01f * perspective) << "orthographic";
    // The orthographic eye stands back twice the view size from the origin plane.
    EXPECT_NEAR(camera.GetOriginDistance(), 20.0f, 1e-3f);
    ASSERT_EQ(camera.SetProjectionType(QX_PROJ_PERSPECTIVE), 1);
    EXPECT_NEAR(apparent(), perspective, 0.01f * perspective) << "back to perspective";

    // An orthographic view size shows that many units from the origin.
    camera.SetProjectionType(QX_PROJ_ORTHOGRAPHIC);
    camera.SetViewSize(4.0f);
    EXPECT_FLOAT_EQ(camera.ViewY(), 4.0f);
    EXPECT_FLOAT_EQ(camera.Eye().z, 4.0f);
    ASSERT_EQ(camera.UpdateMatrices(200, 200), 1);
    EXPECT_NEAR(QxScreenCoord(camera, CQxVector(0.0f, 2.0f, 0.0f)).y, 0.0f, 1e-3f);
}

TEST(KindsCamera, SceneFramesTheCameraAndForgetsItWhenItGoes) {
    CQxScene scene;
    {
        CQxCamera camera(QX_WND_OFFSCREEN);
        scene.AddCamera(&camera);
        EXPECT_EQ(camera.GetScene(), &scene);
        EXPECT_FLOAT_EQ(camera.ViewSize(), scene.GridLength());
        EXPECT_FLOAT_EQ(camera.Eye().y, 0.8f * scene.GridLength());
        ASSERT_EQ(scene.Cameras().GetSize(), 1u);
    }
    EXPECT_EQ(scene.Cameras().GetSize(), 0u);

    // A camera handed a scene that goes first must not reach back into it when it goes
    // (the sanitizer build catches that).
    CQxCamera outliving(QX_WND_OFFSCREEN);
    {
        CQxScene gone;
        outliving.SetScene(&gone);
        EXPECT_EQ(gone.Cameras().GetSize(), 0u);
    }
}

TEST(KindsCamera, LightKeepsAUnitDirection) {
    CQxColorLight light;
    ASSERT_EQ(light.SetDirection(CQxVector(0.0f, -3.0f, 4.0f)), 1);
    EXPECT_FLOAT_EQ(light.Direction().GetLength(), 1.0f);
    EXPECT_FLOAT_EQ(light.Direction().y, -0.6f);
    EXPECT_EQ(light.SetDirection(CQxVector(0.0f, 0.0f, 0.0f)), 0);
    EXPECT_EQ(light.SetDirection(CQxVector(NAN, 0.0f, 1.0f)), 0);
    EXPECT_FLOAT_EQ(light.Direction().z, 0.8f);
}

} // namespace
