#include <gtest/gtest.h>

#include <cmath>

#include "qx/views/camera.h"
#include "scene_builders.h"

namespace {

// A 320 x 240 view without a window, placed by the test. (Framing by view size, the depth range
// and the projection switch are checked with the camera object in the scene tests.)
class Camera : public ::testing::Test {
protected:
    Camera() { Frame(QX_PROJ_PERSPECTIVE); }

    void Frame(QX_PROJ_TYPE type, float size = 10.0f) {
        camera.SetProjectionType(type);
        camera.SetViewSize(size);
        camera.ViewPort() = CQxViewPort(0, 0, 320, 240);
    }
    CQxVector Screen(const CQxVector& p) {
        EXPECT_EQ(camera.UpdateMatrices(320, 240), 1);
        return QxScreenCoord(camera, p);
    }
    CQxVector Sight() const { return camera.Aim() - camera.Eye(); }

    CQxCamera camera{QX_WND_OFFSCREEN};
};

TEST_F(Camera, ZoomMovesThePerspectiveEyeAndScalesTheOrthographicHeight) {
    const float d = camera.GetOriginDistance();
    const CQxVector sight = Sight();
    camera.Zoom(0);
    EXPECT_FLOAT_EQ(camera.GetOriginDistance(), d);
    // One step out moves the eye a further 1/11 of its distance away, Aim with it.
    camera.Zoom(1);
    EXPECT_NEAR(camera.GetOriginDistance(), d * 12.0f / 11.0f, 1e-4f * d);
    EXPECT_TRUE(QxNear(Sight(), sight));
    // Steps in come closer by the rate's power.
    camera.SetViewSize(10.0f);
    camera.Zoom(-2);
    EXPECT_NEAR(camera.GetOriginDistance(), d - (d * 1.21f - d), 1e-4f * d);

    Frame(QX_PROJ_ORTHOGRAPHIC);
    const CQxVector eye = camera.Eye();
    camera.Zoom(1);
    EXPECT_FLOAT_EQ(camera.ViewY(), 11.0f);
    EXPECT_TRUE(QxNear(camera.Eye(), eye)) << "an orthographic zoom leaves the eye";
    camera.Zoom(-2);
    EXPECT_NEAR(camera.ViewY(), 11.0f / 1.21f, 1e-4f);
}

TEST_F(Camera, PanMovesTheOriginsImageByThePixelsGiven) {
    for (QX_PROJ_TYPE type : {QX_PROJ_PERSPECTIVE, QX_PROJ_ORTHOGRAPHIC}) {
        SCOPED_TRACE(type == QX_PROJ_PERSPECTIVE ? "perspective" : "orthographic");
        Frame(type);
        const CQxVector before = Screen(CQxVector());
        const CQxVector sight = Sight();
        camera.Pan(30, -20);
        const CQxVector after = Screen(CQxVector());
        EXPECT_NEAR(after.x - before.x, 30.0f, 0.05f);
        EXPECT_NEAR(after.y - before.y, -20.0f, 0.05f);
        EXPECT_TRUE(QxNear(Sight(), sight)) << "a pan does not turn the view";
    }
}

TEST_F(Camera, RotateOrbitsTheEyeAboutTheRotateCentre) {
    const CQxVector eye = camera.Eye();
    camera.Rotate(0.3f, 0.2f);
    EXPECT_FALSE(QxNear(camera.Eye(), eye));
    EXPECT_NEAR(camera.Eye().GetLength(), eye.GetLength(), 1e-3f);
    EXPECT_TRUE(QxNear(camera.Aim(), CQxVector())) << "Aim stays on the centre";

    // A turn about world Y alone keeps the height and the distance to a centre off the origin.
    const CQxVector centre(3.0f, 0.0f, -2.0f);
    camera.RotateCenter() = centre;
    const CQxVector before = camera.Eye();
    camera.Rotate(-0.7f, 0.0f);
    EXPECT_FLOAT_EQ(camera.Eye().y, before.y);
    EXPECT_NEAR((camera.Eye() - centre).GetLength(), (before - centre).GetLength(), 1e-3f);
}

TEST_F(Camera, RotateFpsLooksAboutFromAFixedEye) {
    const CQxVector eye = camera.Eye();
    const CQxVector aim = camera.Aim();
    camera.RotateFps(0.4f, -0.1f);
    EXPECT_TRUE(QxNear(camera.Eye(), eye));
    EXPECT_FALSE(QxNear(camera.Aim(), aim));
    EXPECT_NEAR(Sight().GetLength(), (aim - eye).GetLength(), 1e-3f);
}

TEST_F(Camera, ResetRotateFpsLevelsTheView) {
    // Tilted down: the level view faces the same way over the ground.
    camera.Eye() = CQxVector(0.0f, 5.0f, 5.0f);
    camera.ResetRotateFps();
    EXPECT_TRUE(QxNear(camera.Aim(), CQxVector(0.0f, 5.0f, 4.0f)));
    EXPECT_TRUE(QxNear(camera.Up(), CQxVector(0.0f, 1.0f, 0.0f)));

    // Straight down: the former up vector (the top of the picture) becomes the way it faces.
    camera.Eye() = CQxVector(0.0f, 5.0f, 0.0f);
    camera.Aim() = CQxVector(0.0f, 0.0f, 0.0f);
    camera.Up() = CQxVector(0.0f, 0.0f, -1.0f);
    camera.ResetRotateFps();
    EXPECT_TRUE(QxNear(camera.Aim(), CQxVector(0.0f, 5.0f, -1.0f)));
    EXPECT_TRUE(QxNear(camera.Up(), CQxVector(0.0f, 1.0f, 0.0f)));

    // Straight up: the top of the picture pointed behind.
    camera.Aim() = CQxVector(0.0f, 9.0f, 0.0f);
    camera.Up() = CQxVector(0.0f, 0.0f, -1.0f);
    camera.ResetRotateFps();
    EXPECT_TRUE(QxNear(camera.Aim(), CQxVector(0.0f, 5.0f, 1.0f)));
}

TEST_F(Camera, AxisViewsLookAlongTheAxisAndShowTheViewSizeAboveTheCentre) {
    struct Case {
        QX_AXIS_TYPE Axis;
        CQxVector Direction, Up;
    };
    const Case cases[] = {{QX_AXIS_X, {1, 0, 0}, {0, 1, 0}},
                          {QX_AXIS_Y, {0, 1, 0}, {0, 0, -1}},
                          {QX_AXIS_Z, {0, 0, 1}, {0, 1, 0}}};
    for (QX_PROJ_TYPE type : {QX_PROJ_PERSPECTIVE, QX_PROJ_ORTHOGRAPHIC}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message()
                         << "axis " << c.Axis << (type ? " orthographic" : " perspective"));
            Frame(type);
            camera.Pan(40, 40);
            camera.SetAxisView(c.Axis);
            EXPECT_TRUE(QxNear(camera.Eye().GetNormalized(), c.Direction));
            EXPECT_TRUE(QxNear(Sight().GetNormalized(), -c.Direction));
            EXPECT_TRUE(QxNear(camera.Up(), c.Up));
            // The origin in the middle, and the view size from there to the top edge.
            const CQxVector centre = Screen(CQxVector());
            EXPECT_NEAR(centre.x, 160.0f, 0.01f);
            EXPECT_NEAR(centre.y, 120.0f, 0.01f);
            const CQxVector top = Screen(c.Up * camera.ViewSize());
            EXPECT_NEAR(top.x, 160.0f, 0.01f);
            EXPECT_NEAR(top.y, 0.0f, 0.05f);
        }
    }
    const CQxVector eye = camera.Eye();
    camera.SetAxisView(QX_AXIS_TYPE(0));
    EXPECT_TRUE(QxNear(camera.Eye(), eye)) << "no axis leaves the view";
}

} // namespace
