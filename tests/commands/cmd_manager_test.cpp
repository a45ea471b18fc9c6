#include "qx/commands/cmd_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "qx/animation/anim.h"
#include "qx/commands/cmd_run.h"
#include "qx/scene/scene.h"

namespace {

// Everything the test commands were asked to do, in order: "u3" undo of command 3, "r3" redo,
// "~3" destruction.
using Log = std::vector<std::string>;

// A command that records its calls. Undo and redo arrive through the base class's Exchange,
// so the base dispatch is checked on every undo and redo.
class CTestCmd : public CQxCmd {
public:
    CTestCmd(CQxScene* scene, int id, Log* log, QX_CMD_TYPE type = QX_CMD_MOVE)
        : CQxCmd(scene), m_Id(id), m_Log(log), m_Type(type) {}
    ~CTestCmd() override { Record("~"); }
    QX_CMD_TYPE GetType() const override { return m_Type; }
    void Exchange(int undo) override {
        Record(undo ? "u" : "r");
        if (m_Scene) m_PlayingWhenRun = m_Scene->IsPlaying();
    }
    int ClearAnimated(const CQxAnim&) override { return m_Animated; }

    int m_Id;
    int m_Animated = 0;
    int m_PlayingWhenRun = -1;

private:
    void Record(const char* what) {
        if (m_Log) m_Log->push_back(what + std::to_string(m_Id));
    }
    Log* m_Log;
    QX_CMD_TYPE m_Type;
};

// A command whose overridden name is missing.
class CNamelessCmd : public CQxCmd {
public:
    using CQxCmd::CQxCmd;
    const char* GetName() const override { return nullptr; }
};

// A manager holding commands 0..count-1 pushed in order, then `undos` of them undone.
struct History {
    Log log;
    CQxCmdManager manager;

    History(unsigned int limit, int count, int undos = 0) {
        manager.SetMaxSize(limit);
        for (int i = 0; i < count; ++i) manager.Push(new CTestCmd(nullptr, i, &log));
        for (int i = 0; i < undos; ++i) manager.Undo();
        log.clear();
    }
    CTestCmd* At(unsigned int i) const { return static_cast<CTestCmd*>(manager.Cmds().GetAt(i)); }
    // The ids, oldest first, the current one marked: "0 1* 2".
    std::string State() const {
        std::string text;
        for (const CQxCmd& cmd : manager.Cmds()) {
            if (!text.empty()) text += ' ';
            text += std::to_string(static_cast<const CTestCmd&>(cmd).m_Id);
            if (&cmd == manager.GetCurCmd()) text += '*';
        }
        return text;
    }
};

TEST(Cmd, NamesEachKindForTheMenus) {
    // Each kind's menu word, byte for byte, through the base class's GetName.
    std::string names;
    for (unsigned int i = 0; i < CQxCmd::TypeCount; ++i)
        names += CTestCmd(nullptr, 0, nullptr, static_cast<QX_CMD_TYPE>(i)).GetName() + std::string("|");
    EXPECT_EQ(names, "None|貼り付け|削除|面の作成|スケーリング|回転|移動|押し出し|オブジェクト作成|"
                     "インポート|オブジェクト属性|メッシュ修正|オブジェクト移動|オブジェクト複製|"
                     "オブジェクト結合|マテリアル設定|マテリアル作成|マテリアル属性|マテリアル削除|"
                     "マテリアル移動|アニメーション作成|アニメーション属性|アニメーション削除|"
                     "アニメーションアイテム属性|シーン属性|シェード設定|ミラー設定|アクション作成|"
                     "UV移動|UVマップ|ジョイント|ウェイト ペイント|面の方向|IKハンドル|");
    CTestCmd outside(nullptr, 0, nullptr, static_cast<QX_CMD_TYPE>(CQxCmd::TypeCount));
    EXPECT_STREQ(outside.GetName(), "");
}

TEST(CmdManager, UndoAndRedoWalkTheHistoryInOrder) {
    History h(50, 3);
    CQxCmdManager& m = h.manager;
    EXPECT_EQ(h.State(), "0 1 2*");
    EXPECT_EQ(h.At(2)->Index(), 2u);
    EXPECT_TRUE(m.IsUndoable() && !m.IsRedoable());

    for (int i = 0; i < 3; ++i) EXPECT_EQ(m.Undo(), 1) << "undo " << i;
    EXPECT_EQ(m.Undo(), 0);
    EXPECT_EQ(h.log, (Log{"u2", "u1", "u0"}));
    EXPECT_EQ(h.State(), "0 1 2");
    EXPECT_TRUE(!m.IsUndoable() && m.IsRedoable());

    h.log.clear();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m.Redo(), 1) << "redo " << i;
    EXPECT_EQ(m.Redo(), 0);
    EXPECT_EQ(h.log, (Log{"r0", "r1", "r2"})); // undo and redo never destroy
    EXPECT_EQ(h.State(), "0 1 2*");

    CQxCmdManager empty;
    EXPECT_EQ(empty.Undo() + empty.Redo() + empty.IsUndoable() + empty.IsRedoable(), 0);
}

TEST(CmdManager, PushDiscardsTheRedoSideAndKeepsTheLimit) {
    History h(50, 4, 2);
    h.manager.Push(new CTestCmd(nullptr, 9, &h.log));
    EXPECT_EQ(h.log, (Log{"~3", "~2"})); // newest first, none undone again
    EXPECT_EQ(h.State(), "0 1 9*");
    EXPECT_FALSE(h.manager.IsRedoable());
    h.manager.Push(nullptr);               // ignored
    h.manager.Push(h.manager.GetCurCmd()); // already in the list: ignored
    EXPECT_EQ(h.State(), "0 1 9*");

    History all(50, 3, 3); // everything undone: the list empties before the append
    all.manager.Push(new CTestCmd(nullptr, 7, &all.log));
    EXPECT_EQ(all.State(), "7*");
    EXPECT_EQ(all.At(0)->Index(), 0u);

    History three(3, 4);
    EXPECT_EQ(three.State(), "1 2 3*");

    History none(0, 0);
    none.manager.Push(new CTestCmd(nullptr, 5, &none.log));
    EXPECT_EQ(none.log, (Log{"~5"}));
    EXPECT_EQ(none.manager.GetCount(), 0u);
    EXPECT_FALSE(none.manager.IsUndoable() || none.manager.IsRedoable());

    // A long session keeps exactly the newest 50.
    History longRun(50, 10000);
    EXPECT_EQ(longRun.At(0)->m_Id, 9950);
    EXPECT_EQ(longRun.manager.GetCount(), 50u);
    EXPECT_EQ(longRun.manager.GetCurCmd(), longRun.At(49));
}

TEST(CmdManager, SetMaxSizeDropsRedoCommandsBeforeUndoCommands) {
    // Commands 0..count-1, `undos` of them undone, then the new limit; the destroyed commands in
    // order where that order is the point.
    const struct {
        int count, undos;
        unsigned int limit;
        const char* state;
        Log destroyed;
    } cases[] = {
        {6, 3, 4, "0 1 2* 3", {"~5", "~4"}}, // current below the limit: the newest redo ones go
        {6, 2, 2, "2 3*", {}},               // every redo command goes, then the oldest
        {5, 5, 2, "0 1", {}},
        {5, 0, 2, "3 4*", {}},
        {5, 0, 10, "0 1 2 3 4*", {}},      // growing keeps everything
        {3, 1, 0, "", {"~0", "~1", "~2"}}, // nothing kept: oldest first
    };
    for (const auto& c : cases) {
        History h(50, c.count, c.undos);
        h.manager.SetMaxSize(c.limit);
        EXPECT_EQ(h.State(), c.state) << c.count << " commands, " << c.undos << " undone, limit " << c.limit;
        if (!c.destroyed.empty()) {
            EXPECT_EQ(h.log, c.destroyed) << "limit " << c.limit;
        }
    }
}

TEST(CmdManager, MenuTextsNameTheCommandToRun) {
    CQxCmdManager m;
    EXPECT_STREQ(m.GetUndoText(), "元に戻す\tCtrl+Z(&U)");
    EXPECT_STREQ(m.GetRedoText(), "やり直し\tCtrl+Y(&R)");

    m.Push(new CTestCmd(nullptr, 0, nullptr, QX_CMD_MOVE));
    m.Push(new CTestCmd(nullptr, 1, nullptr, QX_CMD_DELETE));
    EXPECT_STREQ(m.GetUndoText(), "元に戻す 削除\tCtrl+Z(&U)");
    EXPECT_STREQ(m.GetRedoText(), "やり直し\tCtrl+Y(&R)");
    m.Undo();
    EXPECT_STREQ(m.GetUndoText(), "元に戻す 移動\tCtrl+Z(&U)");
    EXPECT_STREQ(m.GetRedoText(), "やり直し 削除\tCtrl+Y(&R)");
    m.Undo();
    EXPECT_STREQ(m.GetUndoText(), "元に戻す\tCtrl+Z(&U)");
    EXPECT_STREQ(m.GetRedoText(), "やり直し 移動\tCtrl+Y(&R)"); // the oldest

    m.Push(new CNamelessCmd(nullptr));
    EXPECT_STREQ(m.GetUndoText(), "元に戻す \tCtrl+Z(&U)");
}

TEST(CmdManager, PopUndoesACommandInEffectBeforeDestroyingIt) {
    History h(50, 3, 1);
    h.manager.Pop(); // the newest is undone already
    EXPECT_EQ(h.log, (Log{"~2"}));
    EXPECT_EQ(h.State(), "0 1*");
    h.manager.Pop();
    h.manager.Pop();
    EXPECT_EQ(h.log, (Log{"~2", "u1", "~1", "u0", "~0"}));
    EXPECT_EQ(h.manager.GetCurCmd(), nullptr);
    h.manager.Pop(); // empty: nothing happens
    EXPECT_EQ(h.manager.GetCount(), 0u);
}

TEST(CmdManager, ClearAnimatedUndoStopsAtABarrierAndSparesRedo) {
    History h(50, 7, 2);
    for (int i : {0, 2, 3, 4, 5, 6}) h.At(i)->m_Animated = 1;
    h.At(1)->Barrier() = 1;
    h.manager.ClearAnimatedUndo(CQxAnim());
    // 4, 3 and 2 go, current stepping back past them; the barrier shields 0; 5 and 6 are redo.
    EXPECT_EQ(h.State(), "0 1* 5 6");
    EXPECT_EQ(h.log, (Log{"~4", "~3", "~2"}));
    EXPECT_EQ(h.manager.Redo(), 1);
    EXPECT_EQ(h.log.back(), "r5");

    History undone(50, 2, 2); // current null: nothing is touched
    undone.At(1)->m_Animated = 1;
    undone.manager.ClearAnimatedUndo(CQxAnim());
    EXPECT_EQ(undone.State(), "0 1");

    History all(50, 2); // everything goes
    all.At(0)->m_Animated = all.At(1)->m_Animated = 1;
    all.manager.ClearAnimatedUndo(CQxAnim());
    EXPECT_EQ(all.State(), "");
    EXPECT_FALSE(all.manager.IsUndoable());
}

TEST(CmdManager, SceneCommandsCommitAndEndPlayBeforeRunning) {
    Log log; // outlives the scene, whose history logs its destruction
    CQxScene scene;
    CQxCmdManager& m = scene.CmdManager();

    // A failed create step leaves the history, redo side included, as it was.
    for (int i = 0; i < 2; ++i) ASSERT_EQ(QxRunCmd<CQxCmd>(scene, [](CQxCmd&) { return 1; }), 1);
    m.Undo();
    EXPECT_EQ(QxRunCmd<CQxCmd>(scene, [](CQxCmd&) { return 0; }), 0);
    EXPECT_TRUE(m.GetCount() == 2 && m.IsRedoable());
    EXPECT_EQ(QxCommitCmd(scene, std::make_unique<CTestCmd>(&scene, 1, &log), 1), 1);
    auto* kept = static_cast<CTestCmd*>(m.GetCurCmd());
    EXPECT_EQ(kept->GetScene(), &scene);
    EXPECT_EQ(m.GetCount(), 2u); // the undone command went

    // Undo with nothing to do leaves play running; a real undo ends it before the command runs.
    CQxCmdManager idle;
    idle.Create(&scene);
    scene.TaskManager().Run();
    EXPECT_EQ(idle.Undo(), 0);
    EXPECT_TRUE(scene.IsPlaying());
    EXPECT_EQ(m.Undo(), 1);
    EXPECT_FALSE(scene.IsPlaying());
    EXPECT_EQ(kept->m_PlayingWhenRun, 0);
    scene.TaskManager().Run();
    EXPECT_EQ(m.Redo(), 1);
    EXPECT_EQ(kept->m_PlayingWhenRun, 0);
    EXPECT_EQ(log, (Log{"u1", "r1"}));
}

} // namespace
