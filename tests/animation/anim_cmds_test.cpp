#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "qx/animation/anim.h"
#include "qx/platform/time.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"
#include "scene_dump.h"
#include "undo_checks.h"

namespace {

using Codes = std::vector<unsigned int>;

// A scene with one selected cube, translation keys made for it, and what its host hears.
class AnimCmds : public ::testing::Test {
protected:
    CQxScene scene;
    CQxModel& model = scene.RootModel();
    CQxObject* cube = QxAdd(model, QxNewCube(2.0f), "cube");
    CQxCmdManager& history = scene.CmdManager();

    void SetUp() override { scene.SelectObject(CQxSelect(cube), QX_SELECT_REPLACE, 0); }
    // Keys the cube's translation at a frame, at x.
    void KeyAt(float frame, float x) {
        scene.CurFrame() = frame;
        cube->Translate().x = x;
        ASSERT_TRUE(scene.CreateKeyCmd(&model, 0)) << "frame " << frame;
    }
    // Keys at frame 1 (x 0) and frame 11 (x 10).
    void KeyRamp() {
        KeyAt(1, 0);
        KeyAt(11, 10);
    }
    CQxObjectAnimItem* Item() {
        return model.Anim().ObjectItems().Find(cube)->Find(QX_ANIM_ITEM_TRANSLATE_X);
    }
    // The translation curve's key at a frame, as the curve editor hands it to a command.
    CQxAnimItemSelects KeyOf(float frame) {
        CQxAnimItemSelect record(Item());
        record.Nodes.PushBack(Item()->Spline().GetNode(frame));
        CQxAnimItemSelects keys;
        keys.Add(record);
        return keys;
    }
    const CQxSpline* Curve(QX_ANIM_ITEM_TYPE type = QX_ANIM_ITEM_TRANSLATE_X) {
        const auto* channels = model.Anim().ObjectItems().Find(cube);
        const CQxObjectAnimItem* item = channels ? channels->Find(type) : nullptr;
        return item ? &item->Spline() : nullptr;
    }
    std::string Dump() { return QxDumpScene(scene); }
    // A command that must push one step that undo and redo take back and forth exactly.
    template <class Run>
    void Undoable(Run&& run) {
        qxtest::ExpectUndoable(scene, run);
    }
};

} // namespace

TEST_F(AnimCmds, CreatingKeysRecordsTheFlaggedChannelsOfSelectedObjects) {
    KeyRamp();
    ASSERT_NE(Curve(), nullptr);
    EXPECT_EQ(Curve()->GetNodeCount(), 2u);
    EXPECT_NE(Curve(QX_ANIM_ITEM_TRANSLATE_Z), nullptr);
    EXPECT_EQ(Curve(QX_ANIM_ITEM_SCALE_X), nullptr) << "scale is not flagged for new keys";
    EXPECT_STREQ(history.GetCurCmd()->GetName(), "キーの作成");
    history.Undo();
    EXPECT_EQ(Curve()->GetNodeCount(), 1u);
    history.Undo();
    EXPECT_EQ(Curve(), nullptr) << "an item left without keys stays";
    EXPECT_TRUE(model.Anim().IsEmpty());
}

TEST_F(AnimCmds, UndoingAKeyOverAnOldOneGivesTheOldValueBack) {
    KeyAt(5, 3);
    KeyAt(5, 8);
    EXPECT_EQ(Curve()->GetNode(5)->Y, 8.0f);
    history.Undo();
    ASSERT_NE(Curve()->GetNode(5), nullptr);
    EXPECT_EQ(Curve()->GetNode(5)->Y, 3.0f);
}

TEST_F(AnimCmds, KeysAreNotMadeWithoutAFlagOrASelection) {
    int flags[CQxScene::AnimItemCreateFlagCount] = {};
    flags[QX_ANIM_ITEM_POINT_X] = 1; // vertex channels make no keys here
    ASSERT_TRUE(scene.SetAnimItemCreateFlagsCmd(flags, 0));
    EXPECT_EQ(scene.CreateKeyCmd(&model, 0), 0);
    history.Undo();
    scene.UnselectObejcts(0);
    EXPECT_EQ(scene.CreateKeyCmd(&model, 0), 0);
    EXPECT_EQ(scene.CreateKeyCmd(nullptr, 0), 0);
    EXPECT_TRUE(model.Anim().IsEmpty());
}

TEST_F(AnimCmds, DeletingKeysAtTheCurrentFrameAndUndoingIt) {
    KeyRamp();
    scene.CurFrame() = 11;
    Undoable([&] { return scene.DeleteCurKeyCmd(&model, 0); });
    EXPECT_EQ(Curve()->GetNodeCount(), 1u);
    scene.CurFrame() = 4;
    EXPECT_EQ(scene.DeleteCurKeyCmd(&model, 0), 0) << "no key at frame 4";
}

TEST_F(AnimCmds, MovingKeysSwapsBackExactly) {
    KeyRamp();
    KeyAt(21, 4);
    const CQxAnimItemSelects keys = KeyOf(1);
    Undoable([&] { return scene.MoveKeysCmd(&model, CQxVector2D(15, 1), keys, 0); }); // past the middle key
    EXPECT_EQ(Curve()->Nodes()[1]->X, 16.0f);
    EXPECT_EQ(Curve()->Nodes()[1]->Y, 1.0f);
    EXPECT_EQ(scene.MoveKeysCmd(&model, CQxVector2D(0, 0), keys, 0), 0) << "a zero move";
}

TEST_F(AnimCmds, KeysMovedOntoOneFrameAreDeletedAndGivenBackOneByOne) {
    KeyRamp();
    ASSERT_TRUE(scene.MoveKeysCmd(&model, CQxVector2D(10, 5), KeyOf(1), 0));
    ASSERT_EQ(Curve()->GetNodeCount(), 2u);
    ASSERT_EQ(Curve()->Nodes()[1]->X, 11.0f);
    // The key that stood there first goes; the moved one stays.
    CQxSplineNode* old = Curve()->Nodes()[0]->Y == 10.0f ? Curve()->Nodes()[0] : Curve()->Nodes()[1];
    Item()->Select(1);
    old->Select(1);
    Undoable([&] { return scene.DeleteSelectKeysCmd(&model, 0); });
    ASSERT_EQ(Curve()->GetNodeCount(), 1u);
    EXPECT_EQ(Curve()->Nodes()[0]->Y, 5.0f);
    history.Undo();
    history.Undo();
    EXPECT_EQ(Curve()->Nodes()[0]->X, 1.0f);
    EXPECT_EQ(Curve()->Nodes()[1]->Y, 10.0f);
}

TEST_F(AnimCmds, SeparatingAndTypingTangentsUndoes) {
    KeyRamp();
    model.Anim().SelectObjectItems(1);
    model.Anim().SelectItemNodes(1);
    Undoable([&] { return scene.SeparateSelectTansCmd(&model, 1, 0); });
    EXPECT_EQ(Curve()->GetNode(1)->IsSeparated, 1);
    qxtest::ExpectRefused(scene, [&] { return scene.SeparateSelectTansCmd(&model, 1, 0); }); // already
    history.Undo();

    const_cast<CQxSpline*>(Curve())->GetNode(11)->SelectPrevTan(1);
    EXPECT_EQ(Curve()->GetNode(11)->PrevTanType, QX_TAN_JOINED);
    Undoable([&] { return scene.SetSelectTanTypesCmd(&model, QX_TAN_FIXED, 0); });
    EXPECT_EQ(Curve()->GetNode(11)->PrevTanType, QX_TAN_FIXED);
}

TEST_F(AnimCmds, TheFrameRangeMovesTheOtherEndAndUndoesBoth) {
    ASSERT_TRUE(scene.SetLastFrameCmd(40, 0));
    Undoable([&] { return scene.SetFirstFrameCmd(50, 0); });
    EXPECT_EQ(scene.LastFrame(), 51.0f);
    history.Undo();
    qxtest::ExpectRefused(scene, [&] { return scene.SetLastFrameCmd(40, 0); });
}

TEST_F(AnimCmds, TheCurrentFrameIsAnUndoStepThatReEvaluates) {
    KeyRamp();
    qxtest::ExpectRefused(scene, [&] { return scene.SetCurFrameCmd(11, 0); }); // already there
    Undoable([&] { return scene.SetCurFrameCmd(1, 0); });
    EXPECT_EQ(cube->Translate().x, 0.0f);
}

TEST_F(AnimCmds, UndoingAFrameChangeGivesBackWhatTheAnimationOverwrote) {
    KeyRamp();
    // The cube was moved off its curve without a key; so was a vertex with a key of its own.
    cube->Translate() = CQxVector(3, 4, 5);
    CQxVertex* vertex = cube->Mesh().Vertices().GetAt(2);
    CQxVertexAnimItem& item = model.Anim().VertexItems()[cube][vertex][QX_ANIM_ITEM_POINT_Y];
    item.Init(QX_ANIM_ITEM_POINT_Y, cube, vertex);
    item.Spline().InsertNode(1, -7);
    item.UpdateSpline();
    Undoable([&] { return scene.SetCurFrameCmd(1, 0); });
    EXPECT_EQ(cube->Translate().x, 0.0f);
    EXPECT_EQ(vertex->Position().y, -7.0f);
    history.Undo();

    // Moving keys re-evaluates as well, and its undo gives the same back.
    Undoable([&] { return scene.MoveKeysCmd(&model, CQxVector2D(0, 2), KeyOf(11), 0); });
    EXPECT_EQ(cube->Translate().x, 12.0f);
}

// --- Playback on a clock the test drives ------------------------------------------------------------

class Playback : public AnimCmds {
protected:
    QxUpdateRecorder host{scene};
    void SetUp() override {
        AnimCmds::SetUp();
        QxSetManualClock(1);
        scene.SetLastFrame(100);
        scene.SetFirstFrame(0);
    }
    void TearDown() override { QxSetManualClock(0); }
    // Lets the time pass, then runs frames until the play task has seen it (a frame hands its
    // tasks the time the previous frame reached).
    void Tick(unsigned int ms) {
        QxAdvanceClock(ms);
        scene.TaskManager().ExecuteFrame();
        scene.TaskManager().ExecuteFrame();
    }
};

TEST_F(Playback, ARepeatingPlayWrapsAroundTheRange) {
    scene.CurFrame() = 95;
    scene.StartPlay(1, 1);
    EXPECT_TRUE(scene.IsPlaying());
    Tick(0);
    Tick(500);
    EXPECT_NEAR(scene.CurFrame(), 10.0f, 1e-3f);
    ASSERT_TRUE(scene.EndPlayCmd(1));
    EXPECT_FALSE(scene.IsPlaying());
    EXPECT_EQ(scene.AnimTask(), nullptr);
    history.Undo();
    EXPECT_EQ(scene.CurFrame(), 95.0f) << "undo returns to where play began";
    EXPECT_EQ(scene.EndPlayCmd(1), 0) << "nothing plays";
}

TEST_F(Playback, APlayThatDoesNotRepeatStopsAtTheLastFrame) {
    scene.IsPlayRepeat() = 0;
    scene.CurFrame() = 100; // at the end: starts over from the first frame
    scene.StartPlay(1, 0);
    Tick(0);
    EXPECT_EQ(scene.CurFrame(), 0.0f);
    Tick(2000);
    EXPECT_NEAR(scene.CurFrame(), 60.0f, 1e-3f); // play time is summed in float seconds
    host.TakeTypes();
    Tick(2000);
    EXPECT_EQ(scene.CurFrame(), 100.0f);
    EXPECT_FALSE(scene.IsPlaying());
    EXPECT_EQ(scene.TaskManager().GetTaskCount(), 0u);
    const Codes heard = host.TakeTypes();
    EXPECT_NE(std::find(heard.begin(), heard.end(), QX_UPDATE_PLAY), heard.end()) << "the host was not told";
    history.Undo();
    EXPECT_EQ(scene.CurFrame(), 100.0f) << "play began at 100";
}

TEST_F(Playback, PausedPlayTimeDoesNotCount) {
    scene.StartPlay(1, 0);
    Tick(0);
    Tick(1000);
    scene.TaskManager().Stop();
    Tick(5000);
    scene.TaskManager().Run();
    Tick(1000);
    EXPECT_NEAR(scene.CurFrame(), 61.0f, 1e-3f);
}

TEST_F(Playback, ADragOfTheFrameIsOneUndoStep) {
    KeyRamp();
    const unsigned int steps = history.GetCount();
    scene.StartTrackCurFrame(scene.CurFrame(), 0);
    for (float f : {9.0f, 5.0f, 3.0f}) scene.TrackCurFrame(f, 0);
    ASSERT_TRUE(scene.EndTrackCurFrameCmd(3, 0));
    EXPECT_EQ(history.GetCount(), steps + 1);
    history.Undo();
    EXPECT_EQ(scene.CurFrame(), 11.0f);
    EXPECT_EQ(cube->Translate().x, 10.0f);
}

TEST_F(Playback, ASceneDestroyedWhilePlayingLetsGoCleanly) {
    auto playing = std::make_unique<CQxScene>();
    playing->StartPlay(1, 1);
    QxAdvanceClock(100);
    playing->TaskManager().ExecuteFrame();
    playing->ClearData(); // what the destructor does first
    EXPECT_FALSE(playing->IsPlaying());
    EXPECT_EQ(playing->AnimTask(), nullptr);
    EXPECT_EQ(playing->TaskManager().GetTaskCount(), 0u);
    playing.reset();
}
