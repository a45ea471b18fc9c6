#include <gtest/gtest.h>

#include <memory>

#include "qx/scene/scene.h"
#include "recording_sim.h"

namespace {

using Log = std::vector<std::string>;

// A state that destroys its own simulator, and so itself, when a message reaches it.
class DestroyingState : public CQxSimState {
public:
    using CQxSimState::CQxSimState;
    int OnMessage(const CQxMsg&) override {
        delete GetSimulator();
        return 1;
    }
};

class DestroyingSim : public CQxSimulator {
public:
    explicit DestroyingSim(CQxSimManager* manager) : CQxSimulator(manager) {
        AddState(QX_SIM_STATE_INITIAL, new DestroyingState(this));
    }
};

// A scene's manager with the host handler in place and three recording simulators (1, 2, 3:
// the root simulator of the refused program took identifier 0 before it went).
class SimManager : public ::testing::Test {
protected:
    Log log;
    CQxScene scene;
    CQxSimManager& manager = scene.SimManager();
    HostHandler host{log};
    std::vector<std::unique_ptr<RecordingSim>> sims;

    void SetUp() override {
        ASSERT_EQ(manager.Create(QX_SIM_NONE, &scene, &host), 0);
        ASSERT_EQ(manager.GetRootSimulator(), nullptr);
        for (int i = 0; i < 3; ++i) sims.push_back(std::make_unique<RecordingSim>(&manager, log));
    }
};

} // namespace

TEST_F(SimManager, IdentifiersCountUpInRegistrationOrder) {
    for (unsigned int i = 0; i < 3; ++i) {
        EXPECT_EQ(sims[i]->GetSimID(), i + 1) << "simulator " << i;
        EXPECT_EQ(manager.GetSimulator(i + 1), sims[i].get()) << "simulator " << i;
    }
    EXPECT_EQ(manager.GetSimulator(0), nullptr) << "the refused root's identifier is not given again";
    EXPECT_EQ(manager.GetSimulator(4), nullptr);
}

TEST_F(SimManager, ADestroyedSimulatorIsUnregisteredAndTheOthersKeepTheirIdentifiers) {
    sims[1].reset();
    EXPECT_EQ(manager.GetSimulator(2), nullptr) << "the gap between 1 and 3";
    EXPECT_EQ(manager.GetSimulator(3), sims[2].get());
    EXPECT_EQ(manager.GetSimulatorCount(), 2u);
    RecordingSim later(&manager, log);
    EXPECT_EQ(later.GetSimID(), 4u) << "identifiers are not reused";
}

TEST_F(SimManager, TheHostHandlerAnswersForTheManagerWhenNoProgramTakesTheMessage) {
    EXPECT_EQ(manager.SendMessageA(CQxMsg(QX_MSG_TOGGLE_DISP)), 0) << "declined by the host";
    host.m_Takes = 1;
    EXPECT_EQ(manager.SendMessageA(CQxMsg(QX_MSG_QUIT)), 1) << "taken by the host";
    EXPECT_EQ(log, (Log{"host:1", "host:4"}));
}

TEST_F(SimManager, ClearForgetsSceneAndHandlerAndRestartsIdentifiers) {
    sims.clear();
    manager.Clear();
    EXPECT_EQ(manager.GetScene(), nullptr);
    EXPECT_EQ(manager.SendMessageA(CQxMsg(QX_MSG_PAUSE)), 0);
    EXPECT_EQ(log, Log{}) << "the handler is no longer asked";
    RecordingSim first(&manager, log);
    EXPECT_EQ(first.GetSimID(), 0u);
}

TEST_F(SimManager, ASimulatorDestroyingItselfWhileHandlingAMessageIsUnregistered) {
    DestroyingSim* self = new DestroyingSim(&manager);
    unsigned int id = self->GetSimID();
    EXPECT_EQ(self->OnMessage(CQxMsg(QX_MSG_START)), 1);
    EXPECT_EQ(manager.GetSimulator(id), nullptr);
    EXPECT_EQ(manager.GetSimulatorCount(), 3u);
}

TEST(Msg, PointAndVectorFormsKeepTheirPayloadAndComeFromNoSimulator) {
    CQxMsg click(QX_MSG_LBUTTON_DOWN, CQxPoint(-3, 40), 1);
    EXPECT_EQ(click.GetPoint(), CQxPoint(-3, 40));
    EXPECT_EQ(click.m_Data[2], 1u);
    CQxMsg hit(QX_MSG_OBJECT_HIT, CQxVector(0.5f, -2.0f, 8.25f), 77);
    EXPECT_EQ(hit.GetVector(), CQxVector(0.5f, -2.0f, 8.25f));
    EXPECT_EQ(hit.m_Data[3], 77u);
    EXPECT_EQ(hit.m_Sender, QX_SIM_NO_ID);
    EXPECT_EQ(hit.m_Receiver, QX_SIM_NO_ID);
}
