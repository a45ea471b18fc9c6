#include <gtest/gtest.h>

#include "qx/play/widget.h"
#include "qx/play/widget_simulator.h"
#include "qx/scene/scene.h"
#include "recording_sim.h"

namespace {

using Log = std::vector<std::string>;

// A menu simulator over this menu, with a host handler that logs and takes every message:
//
//   y  0..20   [ Start      ]
//   y 30..50   [ Quit       ]
//   y 60..80   [ ToggleDisp ]
//   y 90..110    Title         (a static text, not a button)
//
// every row spanning x 0..100.
class WidgetSimulator : public ::testing::Test {
protected:
    Log log;
    CQxScene scene;
    HostHandler host{log};
    CQxWidget* menu = new CQxWidget(QX_WDG_GROUP);
    CQxWidgetSimulator* sim = nullptr;

    void SetUp() override {
        host.m_Takes = 1;
        const char* names[] = {"Start", "Quit", "ToggleDisp", "Title"};
        for (int i = 0; i < 4; ++i) {
            CQxWidget* widget = new CQxWidget(i < 3 ? QX_WDG_BUTTON : QX_WDG_STATIC);
            widget->SetName(names[i]);
            widget->TextRect() = CQxRect(0, 30 * i, 100, 30 * i + 20);
            widget->IsTextRectValid() = 1;
            menu->PushChild(widget);
        }
        scene.SimManager().Create(QX_SIM_NONE, &scene, &host);
        sim = new CQxWidgetSimulator(&scene.SimManager());
        ASSERT_EQ(sim->Create(QX_SIM_WIDGET, menu), 1);
    }
    void TearDown() override {
        delete sim;
        delete menu;
    }
    CQxWidget* Button(const char* name) const { return menu->FindByName(name); }
    int Click(int x, int y) { return sim->OnMessage(CQxMsg(QX_MSG_LBUTTON_DOWN, CQxPoint(x, y), 0)); }
    int Move(int x, int y) { return sim->OnMessage(CQxMsg(QX_MSG_MOUSE_MOVE, CQxPoint(x, y), 0)); }
};

} // namespace

TEST_F(WidgetSimulator, TheMenuStartsHiddenAndAHiddenMenuTakesNothing) {
    EXPECT_FALSE(menu->IsVisible());
    EXPECT_EQ(Click(10, 10), 0);
    EXPECT_EQ(Move(10, 10), 0);
    EXPECT_EQ(log, Log{});
}

TEST_F(WidgetSimulator, AClickOnAButtonSendsItsMessageThroughTheManager) {
    menu->SetVisible(1, 0);
    const unsigned int expected[] = {QX_MSG_START, QX_MSG_QUIT, QX_MSG_TOGGLE_DISP};
    for (int i = 0; i < 3; ++i) {
        log.clear();
        EXPECT_EQ(Click(50, 30 * i + 10), 1) << "button " << i;
        EXPECT_EQ(log, (Log{"host:" + std::to_string(expected[i])})) << "button " << i;
    }
    host.m_Takes = 0;
    EXPECT_EQ(Click(50, 10), 0) << "the answer is the manager's";
}

TEST_F(WidgetSimulator, AClickOffTheButtonsIsTakenWithoutAMessage) {
    menu->SetVisible(1, 0);
    EXPECT_EQ(Click(50, 25), 1) << "between two buttons";
    EXPECT_EQ(Click(50, 100), 1) << "on the title";
    EXPECT_EQ(sim->OnMessage(CQxMsg(QX_MSG_KEY_DOWN, 27, 1, 0)), 0) << "keys are not the menu's";
    EXPECT_EQ(log, Log{});
}

TEST_F(WidgetSimulator, TheMouseMovesTheFocusAndEachChangeIsReported) {
    menu->SetVisible(1, 0);
    EXPECT_EQ(Move(10, 10), 1);
    EXPECT_EQ(Move(20, 15), 1) << "still on Start";
    EXPECT_TRUE(Button("Start")->HasFocus());
    Move(10, 40);
    EXPECT_FALSE(Button("Start")->HasFocus());
    EXPECT_TRUE(Button("Quit")->HasFocus());
    Move(10, 25);
    EXPECT_FALSE(Button("Quit")->HasFocus()) << "off every button";
    EXPECT_EQ(log, (Log{"host:5", "host:5", "host:5"}));
}

TEST_F(WidgetSimulator, LeavingTheMenuStateTakesTheFocusAwayAndHidesTheMenu) {
    menu->SetVisible(1, 0);
    Move(10, 70);
    sim->Clear();
    EXPECT_FALSE(Button("ToggleDisp")->HasFocus());
    EXPECT_FALSE(menu->IsVisible());
}
