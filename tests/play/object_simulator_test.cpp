#include <gtest/gtest.h>

#include <numbers>

#include "qx/platform/input_state.h"
#include "qx/platform/time.h"
#include "qx/play/object_simulator.h"
#include "qx/play/sim_manager.h"
#include "qx/scene/object.h"
#include "qx/scene/scene.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// An object simulator of a playing scene, on the manual clock with every key up.
class ObjectSimulator : public ::testing::Test {
protected:
    CQxScene scene;
    CQxObject object;
    CQxObjectSimulator* sim = nullptr;

    void SetUp() override {
        QxSetManualClock(1);
        QxReleaseAllKeys();
        scene.SimManager().Create(QX_SIM_NONE, &scene, nullptr);
        sim = new CQxObjectSimulator(&scene.SimManager());
        scene.TaskManager().Run();
    }
    void TearDown() override {
        delete sim;
        QxReleaseAllKeys();
        QxSetManualClock(0);
    }
    void Frame(unsigned int ms) {
        QxAdvanceClock(ms);
        scene.TaskManager().ExecuteFrame();
    }
    // One frame with the keys held.
    void FrameWithKeys(std::initializer_list<char> keys) {
        for (char key : keys) QxSetKeyState(static_cast<UINT>(key), 1);
        Frame(20);
        QxReleaseAllKeys();
    }
};

void ExpectNear(const CQxVector& actual, const CQxVector& expected, const char* what) {
    EXPECT_NEAR(actual.x, expected.x, 1e-5f) << what << " x";
    EXPECT_NEAR(actual.y, expected.y, 1e-5f) << what << " y";
    EXPECT_NEAR(actual.z, expected.z, 1e-5f) << what << " z";
}

} // namespace

TEST_F(ObjectSimulator, OnlyTheObjectTypesAreCreatedAndOnlyWithAnObject) {
    EXPECT_EQ(sim->Create(QX_SIM_WIDGET, &object), 0);
    EXPECT_EQ(sim->Create(QX_SIM_SPINNING, nullptr), 0);
    EXPECT_EQ(sim->IsStateAvailable(QX_SIM_STATE_INITIAL), 0);
    EXPECT_EQ(scene.TaskManager().GetTaskCount(), 0u);
}

TEST_F(ObjectSimulator, FirstPersonTurnsWithAAndDAndWalksAlongItsOwnZWithWAndS) {
    ASSERT_EQ(sim->Create(QX_SIM_FIRST_PERSON, &object), 1);
    for (int i = 0; i < 15; ++i) FrameWithKeys({'A'}); // 15 x 6 degrees: facing +x
    ExpectNear(object.Angle(), CQxVector(0.0f, kPi / 2, 0.0f), "after turning left");
    FrameWithKeys({'W'});
    FrameWithKeys({'W', 'S'});
    ExpectNear(object.Translate(), CQxVector(1.0f / 3, 0.0f, 0.0f), "one step forward, then W and S cancel");
    FrameWithKeys({'D'});
    EXPECT_NEAR(object.Angle().y, kPi / 2 - 0.10471976f, 1e-5f) << "D turns back";
}

TEST_F(ObjectSimulator, SpinningTurnsHalfARevolutionPerSecondAndAHitSwitchesTheAxis) {
    ASSERT_EQ(sim->Create(QX_SIM_SPINNING, &object), 1);
    Frame(0);
    Frame(1000);
    // The angle follows the last 1/30 s step reached, so it lags play time by at most a step.
    constexpr float kStepAngle = 0.034f * kPi;
    EXPECT_NEAR(object.Angle().y, kPi, kStepAngle) << "half a revolution after 1 s";
    EXPECT_EQ(object.Angle().x, 0.0f);
    EXPECT_EQ(sim->OnMessage(CQxMsg(QX_MSG_OBJECT_HIT, CQxVector(), 0)), 1);
    EXPECT_EQ(sim->OnMessage(CQxMsg(QX_MSG_LBUTTON_DOWN)), 0) << "only hits are taken";
    Frame(500);
    EXPECT_EQ(object.Angle().y, 0.0f);
    EXPECT_NEAR(object.Angle().x, 1.5f * kPi, kStepAngle) << "about x after the hit";
}
