#include <gtest/gtest.h>

#include "play_fixture.h"
#include "qx/platform/input_state.h"
#include "qx/tools/play_tool.h"

// The play tool turns the camera view's input into messages of the running scene program.
class PlayTool : public PlayFixture {
protected:
    void SetUp() override {
        WriteSample();
        ASSERT_EQ(Play(), 1);
    }
    CQxPlayTool* Tool() { return dynamic_cast<CQxPlayTool*>(scene().ToolManager().GetCurToolObject()); }
};

TEST_F(PlayTool, TheSceneProgramMakesThePlayToolCurrent) {
    EXPECT_EQ(scene().ToolManager().GetCurTool(), QX_TOOL_PLAY);
    EXPECT_NE(Tool(), nullptr);
}

TEST_F(PlayTool, MouseClicksAndKeysReachTheProgramAsMessagesWithTheirWords) {
    rig.camera.OnMouseMove(MK_SHIFT, On("Start"));
    EXPECT_TRUE(Widget("Start")->HasFocus());
    rig.camera.OnLButtonDown(MK_LBUTTON, On("Start"));
    EXPECT_TRUE(scene().TaskManager().IsRunning());
    rig.camera.OnKeyDown(27, 1, 0);
    EXPECT_FALSE(scene().TaskManager().IsRunning());
    EXPECT_EQ(Tool()->GetKeyDownResult(), 1) << "Escape was taken";
    rig.camera.OnKeyDown('W', 1, 0);
    EXPECT_EQ(Tool()->GetKeyDownResult(), 0);
    EXPECT_EQ(log, (Log{"host:10", "host:5", "host:8", "host:3", "host:6", "host:6"}));
}

TEST_F(PlayTool, TheMessagesCarryThePointFlagsAndKeyWords) {
    struct Words : CQxMsgHandler {
        int OnMessage(const CQxMsg& msg) override {
            seen.push_back(msg);
            return 1;
        }
        std::vector<CQxMsg> seen;
    } words;
    ASSERT_EQ(scene().SimManager().Create(QX_SIM_SCENE, &scene(), &words), 1);
    rig.camera.OnMouseMove(MK_CONTROL, CQxPoint(12, 34));
    rig.camera.OnKeyDown('A', 3, KF_REPEAT);
    ASSERT_EQ(words.seen.size(), 2u);
    EXPECT_TRUE(words.seen[0].GetPoint() == CQxPoint(12, 34) && words.seen[0].m_Data[2] == MK_CONTROL);
    EXPECT_TRUE(words.seen[1].m_Data[0] == 'A' && words.seen[1].m_Data[1] == 3 && words.seen[1].m_Data[2] == KF_REPEAT)
        << "repeats are the program's to judge";
    scene().SimManager().Clear();
}

TEST_F(PlayTool, TheRightDragStillOrbitsTheView) {
    const CQxVector eye = rig.camera.Eye();
    rig.CameraDrag(MK_RBUTTON, CQxPoint(160, 120), CQxPoint(200, 120));
    EXPECT_NE(rig.camera.Eye(), eye);
    EXPECT_TRUE(log.empty()) << "navigation sends no message";
}
