#include <gtest/gtest.h>

#include "qx/platform/input_state.h"
#include "qx/platform/timer.h"
#include "qx/platform/window.h"
#include "qx/tools/tool.h"
#include "scene_builders.h"
#include "view_rig.h"

namespace {

// Navigation as a user does it: right drag orbits, middle drag pans, the wheel zooms.
class CameraInput : public ::testing::Test {
protected:
    void SetUp() override {
        if (!rig.CanRender()) GTEST_SKIP() << "no OpenGL context: " << rig.window.GetError();
    }
    unsigned int ToolState() const { return rig.scene.ToolManager().GetCurToolObject()->GetState(); }

    QxViewRig rig;
};

TEST_F(CameraInput, RightDragOrbitsAboutTheRotateCentre) {
    const CQxVector eye = rig.camera.Eye();
    rig.CameraDrag(MK_RBUTTON, CQxPoint(100, 100), CQxPoint(140, 100));
    EXPECT_FALSE(QxNear(rig.camera.Eye(), eye));
    EXPECT_FLOAT_EQ(rig.camera.Eye().y, eye.y) << "a sideways drag turns about world Y";
    EXPECT_NEAR(rig.camera.Eye().GetLength(), eye.GetLength(), 1e-3f * eye.GetLength());
    EXPECT_EQ(QxWin::GetCapture(), nullptr);
    EXPECT_EQ(ToolState(), 0u);
}

TEST_F(CameraInput, MiddleDragPansTheViewWithTheCursor) {
    const CQxPoint before = rig.ToScreen(CQxVector());
    rig.CameraDrag(MK_MBUTTON, CQxPoint(100, 100), CQxPoint(130, 80));
    const CQxPoint after = rig.ToScreen(CQxVector());
    EXPECT_EQ(after.x - before.x, 30);
    EXPECT_EQ(after.y - before.y, -20);
}

TEST_F(CameraInput, TheWheelZoomsByWholeNotches) {
    const float d = rig.camera.GetOriginDistance();
    rig.camera.OnMouseWheel(0, -119, CQxPoint(10, 10));
    EXPECT_FLOAT_EQ(rig.camera.GetOriginDistance(), d) << "less than a notch does nothing";
    // Two notches toward the user come closer by the rate squared.
    rig.camera.OnMouseWheel(0, -240, CQxPoint(10, 10));
    EXPECT_NEAR(rig.camera.GetOriginDistance(), d - (d * 1.21f - d), 1e-4f * d);
}

TEST_F(CameraInput, ReleaseOutsideTheWindowStillEndsTheDrag) {
    rig.window.SetCursorPos(100, 100);
    rig.camera.OnRButtonDown(MK_RBUTTON, CQxPoint(100, 100));
    rig.window.SetCursorPos(-50, 400);
    QxWaitTimers(100);
    rig.camera.OnRButtonUp(0, CQxPoint(-50, 400));
    EXPECT_EQ(QxWin::GetCapture(), nullptr);
    EXPECT_EQ(ToolState(), 0u);

    // Moving the mouse afterwards no longer turns the view.
    const CQxVector eye = rig.camera.Eye();
    rig.window.SetCursorPos(20, 20);
    QxWaitTimers(100);
    EXPECT_TRUE(QxNear(rig.camera.Eye(), eye));
}

} // namespace
