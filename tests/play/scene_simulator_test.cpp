#include <gtest/gtest.h>

#include "play_fixture.h"
#include "qx/play/object_simulator.h"
#include "qx/play/widget_simulator.h"

namespace {

class SceneSimulator : public PlayFixture {
protected:
    void SetUp() override {
        WriteSample();
        ASSERT_EQ(Play(), 1);
        ASSERT_NE(State(), nullptr);
    }
};

CQxMsg Move(CQxPoint p) {
    return CQxMsg(QX_MSG_MOUSE_MOVE, p, 0);
}
CQxMsg Click(CQxPoint p) {
    return CQxMsg(QX_MSG_LBUTTON_DOWN, p, 0);
}
CQxMsg Key(unsigned int key) {
    return CQxMsg(QX_MSG_KEY_DOWN, key, 1, 0);
}

} // namespace

TEST_F(SceneSimulator, CreateReadsTheSceneShowsTheMenuAndStartsItsSimulatorsPaused) {
    ASSERT_NE(Widget("MainMenu"), nullptr);
    EXPECT_TRUE(Widget("MainMenu")->IsVisible());
    EXPECT_EQ(State()->GetMenu(), Widget("MainMenu"));
    EXPECT_EQ(scene().SimManager().GetSimulatorCount(), 4u) << "the root, the menu and the two objects";
    EXPECT_EQ(State()->GetFirstPersonSimulator()->GetObject(), scene().RootModel().FindName("FirstPerson"));
    EXPECT_EQ(State()->GetSpinningSimulator()->GetObject(), scene().RootModel().FindName("Tower"));
    EXPECT_NE(State()->GetCameraTask(), nullptr) << "the active view is redrawn every frame";
    EXPECT_FALSE(scene().TaskManager().IsRunning());
}

TEST_F(SceneSimulator, TheFocusFollowsTheMouseOverTheButtonsFoundByName) {
    EXPECT_EQ(Send(Move(On("Start"))), 1);
    EXPECT_TRUE(Widget("Start")->HasFocus());
    EXPECT_EQ(Send(Move(On("Quit"))), 1);
    EXPECT_FALSE(Widget("Start")->HasFocus());
    EXPECT_TRUE(Widget("Quit")->HasFocus());
    Send(Move(CQxPoint(5, 5)));
    EXPECT_FALSE(Widget("Quit")->HasFocus());
    EXPECT_EQ(log, (Log{"host:10", "host:5", "host:10", "host:5", "host:10", "host:5"}))
        << "each change is told to the host";
}

TEST_F(SceneSimulator, UnknownTypesAreTakenByNobodyAndReceiversAreNotLookedUp) {
    EXPECT_EQ(Send(CQxMsg(0xDEAD, 1, 2, 3)), 0) << "an unknown type";
    EXPECT_TRUE(Widget("MainMenu")->IsVisible());
    // Every message goes to the program's root; a receiver that names no simulator is ignored.
    CQxMsg stray = Click(On("Start"));
    stray.m_Receiver = 1000;
    stray.m_Sender = 999;
    EXPECT_EQ(Send(stray), 1);
    EXPECT_TRUE(scene().TaskManager().IsRunning());
}

TEST_F(SceneSimulator, StartHidesTheMenuAndRunsThePlayClock) {
    EXPECT_EQ(Send(Click(On("Start"))), 1);
    EXPECT_FALSE(Widget("MainMenu")->IsVisible());
    EXPECT_TRUE(scene().TaskManager().IsRunning());
    EXPECT_EQ(log, (Log{"host:8", "host:3"}));
    log.clear();
    EXPECT_EQ(Send(Move(On("Quit"))), 0) << "a hidden menu takes no mouse";
    EXPECT_FALSE(Widget("Quit")->HasFocus());
}

TEST_F(SceneSimulator, EscapeOrAPauseMessageStopsTheClockAndShowsTheMenu) {
    for (const CQxMsg& pause : {Key(27), CQxMsg(QX_MSG_PAUSE)}) {
        Send(Click(On("Start")));
        ASSERT_TRUE(scene().TaskManager().IsRunning());
        EXPECT_EQ(Send(pause), 1) << "message " << pause.m_Type;
        EXPECT_FALSE(scene().TaskManager().IsRunning()) << "message " << pause.m_Type;
        EXPECT_TRUE(Widget("MainMenu")->IsVisible()) << "message " << pause.m_Type;
    }
    EXPECT_EQ(Send(Key('W')), 0) << "other keys go to the first-person object, which answers none";
}

TEST_F(SceneSimulator, QuitAndToggleDispAreLeftToTheHost) {
    host.m_Takes = 1;
    EXPECT_EQ(Send(Click(On("Quit"))), 1);
    EXPECT_EQ(Send(Click(On("ToggleDisp"))), 1);
    EXPECT_EQ(log, (Log{"host:8", "host:8"})) << "the host took the clicks themselves";
    host.m_Takes = 0;
    log.clear();
    Send(Click(On("Quit")));
    Send(Click(On("ToggleDisp")));
    EXPECT_EQ(log, (Log{"host:8", "host:4", "host:8", "host:1"}));
    EXPECT_TRUE(Widget("MainMenu")->IsVisible());
    EXPECT_FALSE(scene().TaskManager().IsRunning());
}

TEST_F(SceneSimulator, AHostThatTearsTheProgramDownOnQuitEndsTheClickCleanly) {
    struct TearDown : CQxMsgHandler {
        CQxScene* Scene = nullptr;
        int OnMessage(const CQxMsg& msg) override {
            if (msg.m_Type == QX_MSG_QUIT) Scene->SimManager().Clear();
            return 0;
        }
    } tearDown;
    tearDown.Scene = &scene();
    ASSERT_EQ(Play(&tearDown), 1);
    EXPECT_EQ(Send(Click(On("Quit"))), 0);
    EXPECT_EQ(scene().SimManager().GetRootSimulator(), nullptr);
}

TEST_F(SceneSimulator, AClickOnTheSpinningObjectSwitchesItsAxis) {
    Send(Click(On("Start")));
    CQxObjectSimulator* sim = State()->GetSpinningSimulator();
    ASSERT_NE(sim, nullptr);
    CQxObject* tower = scene().RootModel().FindName("Tower");
    const CQxPoint centre = rig.ToScreen(tower->Translate());
    EXPECT_EQ(Send(Click(centre)), 0) << "a click in the scene is not taken";
    const float time = 0.5f;
    sim->OnUpdate(time);
    EXPECT_NEAR(tower->Angle().x, 0.5f * 3.14159265f, 1e-4f) << "turning about x after the click";
    EXPECT_EQ(Send(Click(CQxPoint(2, 2))), 0) << "a click beside it";
    sim->OnUpdate(time);
    EXPECT_NEAR(tower->Angle().x, 0.5f * 3.14159265f, 1e-4f) << "still about x";
}

TEST_F(SceneSimulator, ClearingTheProgramStopsItAndTakesItsSimulatorsAndTasksAway) {
    Send(Click(On("Start")));
    const unsigned int tasks = scene().TaskManager().GetTaskCount();
    scene().SimManager().Clear();
    EXPECT_EQ(scene().SimManager().GetSimulatorCount(), 0u);
    EXPECT_FALSE(scene().TaskManager().IsRunning());
    EXPECT_EQ(scene().TaskManager().GetTaskCount(), tasks - 3) << "the camera, first-person and spin tasks";
    EXPECT_FALSE(Widget("MainMenu")->IsVisible());
}

// --- Without its scene -----------------------------------------------------------------------

namespace {
using SceneSimulatorWithoutFile = PlayFixture;
} // namespace

TEST_F(SceneSimulatorWithoutFile, TheProgramStaysInertButStillPauses) {
    ASSERT_EQ(Play(), 1) << "the root simulator is made all the same";
    EXPECT_EQ(State()->GetMenuSimulator(), nullptr);
    EXPECT_EQ(scene().SimManager().GetSimulatorCount(), 1u);
    EXPECT_EQ(Send(Click(CQxPoint(10, 10))), 0);
    EXPECT_EQ(Send(Key('W')), 0);
    EXPECT_EQ(Send(CQxMsg(QX_MSG_PAUSE)), 1);
}

TEST_F(SceneSimulatorWithoutFile, AFileWithoutTheMenuOrObjectsGivesSimulatorsThatTakeNothing) {
    CQxScene bare;
    ASSERT_EQ(bare.WriteFile("../Fps.kel"), 1);
    ASSERT_EQ(Play(), 1);
    EXPECT_EQ(State()->GetMenu(), nullptr);
    EXPECT_EQ(scene().SimManager().GetSimulatorCount(), 4u);
    EXPECT_EQ(Send(Move(CQxPoint(10, 10))), 0);
    EXPECT_EQ(Send(Click(CQxPoint(160, 120))), 0);
    EXPECT_EQ(Send(CQxMsg(QX_MSG_START)), 1);
    EXPECT_TRUE(scene().TaskManager().IsRunning());
}
