// Play mode runs a copy of the scene in a window of its own; the Animation menu keys the
// selected objects at the current frame, each step a command.
#include <QAction>
#include <QFile>
#include <QStatusBar>
#include <QTest>

#include <cstdlib>

#include "message_log_panel.h"
#include "play_window.h"
#include "qx/animation/anim.h"
#include "qx/play/scene_simulator.h"
#include "qx/play/sim_manager.h"
#include "qx/play/widget.h"
#include "qx/scene/model.h"
#include "studio_fixture.h"
#include "view_panel.h"

namespace {

// The playable sample: its menu "MainMenu" holds "Start" at (260, 190)-(380, 214) and "Quit"
// at (260, 258)-(380, 282), in the play view's pixels.
class PlayMode : public QxStudioTest {
protected:
    void SetUp() override {
        QxStudioTest::SetUp();
        const char* data = std::getenv("QX_TEST_DATA");
        m_Path = QString::fromUtf8(data ? data : "assets") + "/Fps.kel";
        ASSERT_TRUE(Window().OpenFile(m_Path));
        Settle();
    }
    QxStudioPlayWindow& Play() {
        Trigger("play.run");
        Settle(50);
        EXPECT_NE(Window().PlayWindow(), nullptr) << "the play window opened";
        return *Window().PlayWindow();
    }
    CQxWidget* Menu(QxStudioPlayWindow& play) {
        return play.Scene().RootModel().RootWidget().FindByName("MainMenu");
    }
    static void Click(QxStudioPlayWindow& play, QPoint point) {
        QTest::mouseMove(&play.View(), point);
        QTest::mouseClick(&play.View(), Qt::LeftButton, Qt::NoModifier, point);
        Settle(50);
    }

    QString m_Path;
};

} // namespace

TEST_F(PlayMode, RunsACopyAndLeavesTheEditedSceneAndItsFileAlone) {
    QFile file(m_Path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    Trigger("create.cube"); // an unsaved edit, which play must show and not lose
    const unsigned int objects = Scene().RootModel().GetChildCount();
    const unsigned int commands = Scene().CmdManager().GetCount();

    QxStudioPlayWindow& play = Play();
    EXPECT_EQ(objects, play.Scene().RootModel().GetChildCount()) << "play shows the scene as edited";
    ASSERT_NE(Menu(play), nullptr);
    EXPECT_TRUE(Menu(play)->IsVisible()) << "the game starts at its menu";
    Click(play, QPoint(300, 200)); // "Start"
    EXPECT_FALSE(Menu(play)->IsVisible()) << "Start hides the menu";
    EXPECT_TRUE(play.Scene().TaskManager().IsRunning()) << "and runs the play clock";

    EXPECT_EQ(objects, Scene().RootModel().GetChildCount());
    EXPECT_EQ(commands, Scene().CmdManager().GetCount()) << "nothing of the game reached the history";
    EXPECT_TRUE(Window().IsModified()) << "the edit is still unsaved";
    file.seek(0);
    EXPECT_EQ(bytes, file.readAll()) << "the scene's file was not written";
}

TEST_F(PlayMode, QuitInTheGamesMenuEndsPlayMode) {
    QxStudioPlayWindow& play = Play();
    Click(play, QPoint(300, 270)); // "Quit"
    EXPECT_EQ(Window().PlayWindow(), nullptr);
    EXPECT_EQ("Play mode ended.", Window().MessageLog().LastText());
    EXPECT_FALSE(Window().Action("play.stop")->isEnabled());
}

TEST_F(PlayMode, StopEndsItAndRunRaisesTheOneRunning) {
    QxStudioPlayWindow& play = Play();
    EXPECT_TRUE(Window().Action("play.stop")->isEnabled());
    EXPECT_EQ(&play, &Play()) << "a second run raises the first";
    Trigger("play.stop");
    Settle(50);
    EXPECT_EQ(Window().PlayWindow(), nullptr);
}

namespace {

// The sample robot with "Body" selected at frame 10.
class KeyMenu : public QxStudioTest {
protected:
    void SetUp() override {
        QxStudioTest::SetUp();
        OpenSample();
        body = Find("Body");
        Scene().SelectObject(CQxSelect(body), QX_SELECT_REPLACE, 1);
        Scene().SetCurFrameCmd(10, 1);
        Settle();
    }
    CQxAnim& Anim() { return body->GetModel()->Anim(); }
    // The key of a channel of Body at a frame; null when there is none.
    const CQxSplineNode* KeyOf(QX_ANIM_ITEM_TYPE type, float frame) {
        auto* items = Anim().ObjectItems().Find(body);
        CQxObjectAnimItem* item = items ? items->Find(type) : nullptr;
        return item ? item->GetKeyFrame(frame) : nullptr;
    }

    CQxObject* body = nullptr;
};

} // namespace

TEST_F(KeyMenu, SetKeyKeysTheChosenChannelsOfTheSelectionAsOneCommand) {
    const unsigned int commands = Scene().CmdManager().GetCount();
    ASSERT_TRUE(Window().Action("anim.channel.translation")->isChecked()) << "translation is keyed by default";
    Trigger("anim.setkey");
    EXPECT_EQ(commands + 1, Scene().CmdManager().GetCount());
    for (QX_ANIM_ITEM_TYPE type : {QX_ANIM_ITEM_TRANSLATE_X, QX_ANIM_ITEM_TRANSLATE_Y, QX_ANIM_ITEM_TRANSLATE_Z})
        EXPECT_NE(KeyOf(type, 10), nullptr) << "channel " << type;
    EXPECT_EQ(KeyOf(QX_ANIM_ITEM_ROTATE_X, 10), nullptr) << "rotation is not chosen";

    Trigger("anim.deletekey");
    EXPECT_EQ(KeyOf(QX_ANIM_ITEM_TRANSLATE_X, 10), nullptr);
    Trigger("edit.undo");
    EXPECT_NE(KeyOf(QX_ANIM_ITEM_TRANSLATE_X, 10), nullptr) << "undo gives the deleted key back";
}

TEST_F(KeyMenu, ChannelChoicesAreCommandsAndFollowUndo) {
    Trigger("anim.channel.rotation");
    EXPECT_EQ(1, Scene().AnimItemCreateFlags()[QX_ANIM_ITEM_ROTATE_Z]);
    Trigger("anim.setkey");
    EXPECT_NE(KeyOf(QX_ANIM_ITEM_ROTATE_Y, 10), nullptr);
    Trigger("edit.undo");
    Trigger("edit.undo");
    Settle();
    EXPECT_EQ(0, Scene().AnimItemCreateFlags()[QX_ANIM_ITEM_ROTATE_Z]);
    EXPECT_FALSE(Window().Action("anim.channel.rotation")->isChecked()) << "the menu follows the undone choice";
}

TEST_F(KeyMenu, SetKeyWithNothingSelectedSaysWhyAndLeavesNoStep) {
    Scene().UnselectObejcts(1);
    const unsigned int commands = Scene().CmdManager().GetCount();
    Trigger("anim.setkey");
    EXPECT_EQ(commands, Scene().CmdManager().GetCount());
    EXPECT_TRUE(Window().statusBar()->currentMessage().startsWith("No key set")) << "the status bar says why";
}
