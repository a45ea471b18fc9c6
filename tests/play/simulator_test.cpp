#include <gtest/gtest.h>

#include "qx/platform/time.h"
#include "qx/scene/scene.h"
#include "recording_sim.h"

namespace {

using Log = std::vector<std::string>;

// One recording simulator of a scene's manager, created in state 0 with the log emptied.
class Simulator : public ::testing::Test {
protected:
    Log log;
    CQxScene scene;
    CQxSimManager& manager = scene.SimManager();
    RecordingSim* sim = nullptr;

    void SetUp() override {
        manager.Create(QX_SIM_NONE, &scene, nullptr);
        sim = new RecordingSim(&manager, log);
        sim->Create(QX_SIM_SPINNING);
        log.clear();
    }
    void TearDown() override {
        delete sim;
        QxSetManualClock(0);
    }
    // Runs the scene's play clock for ms, then one frame.
    Log Frame(unsigned int ms) {
        log.clear();
        QxAdvanceClock(ms);
        scene.TaskManager().ExecuteFrame();
        return log;
    }
    void StartClock() {
        QxSetManualClock(1);
        scene.TaskManager().Run();
    }
};

} // namespace

TEST_F(Simulator, ChangingStateExitsTheOldOneThenEntersTheNew) {
    EXPECT_EQ(sim->SetCurState(1), 1);
    EXPECT_EQ(log, (Log{"exit 0", "enter 1"}));
    EXPECT_EQ(sim->GetCurState(), 1u);
}

TEST_F(Simulator, ChangingToTheCurrentStateOrOneWithoutObjectIsRefusedWithoutExitOrEnter) {
    EXPECT_EQ(sim->SetCurState(0), 0) << "the current state";
    EXPECT_EQ(sim->IsStateAvailable(2), 0);
    EXPECT_EQ(sim->SetCurState(2), 0) << "a state without object";
    EXPECT_EQ(sim->GetCurState(), 0u);
    EXPECT_EQ(log, Log{});
}

TEST_F(Simulator, MessagesReachOnlyTheCurrentStateAndReturnItsAnswer) {
    sim->SetCurState(1);
    sim->State(1)->m_Answer = 1;
    log.clear();
    EXPECT_EQ(sim->OnMessage(CQxMsg(QX_MSG_LBUTTON_DOWN)), 1);
    EXPECT_EQ(log, (Log{"msg 1:8"}));
}

TEST_F(Simulator, ClearExitsTheCurrentStateAndDropsEveryState) {
    sim->Clear();
    EXPECT_EQ(log, (Log{"exit 0"}));
    EXPECT_EQ(sim->IsStateAvailable(0), 0);
    EXPECT_EQ(sim->GetSimType(), QX_SIM_NONE);
    EXPECT_EQ(sim->OnMessage(CQxMsg(QX_MSG_PAUSE)), 0) << "a simulator without states takes nothing";
    EXPECT_EQ(log, (Log{"exit 0"}));
}

TEST_F(Simulator, ItsUpdateTaskUpdatesTheCurrentStateWithPlayTime) {
    StartClock();
    ASSERT_EQ(sim->Create(QX_SIM_FIRST_PERSON, CQxTask::TYPE_FRAME), 1);
    Frame(100);
    sim->SetCurState(1);
    EXPECT_EQ(Frame(50), (Log{"update 1@0.1"}));
}

TEST_F(Simulator, ClearingOrDestroyingTheSimulatorTakesItsTaskOff) {
    StartClock();
    sim->Create(QX_SIM_SPINNING, CQxTask::TYPE_SCHEDULED);
    sim->Clear();
    EXPECT_EQ(sim->GetTask(), nullptr);
    EXPECT_EQ(scene.TaskManager().GetTaskCount(), 0u);

    sim->Create(QX_SIM_SPINNING, CQxTask::TYPE_FRAME);
    delete sim;
    sim = nullptr;
    EXPECT_EQ(scene.TaskManager().GetTaskCount(), 0u);
    EXPECT_EQ(Frame(10), Log{});
}

