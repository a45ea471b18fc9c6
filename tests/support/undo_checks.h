#pragma once

// The checks every undoable command goes through: it pushes one step that undo and redo take
// back and forth exactly, or it is refused and changes nothing.

#include <gtest/gtest.h>

#include <string>

#include "qx/commands/cmd_manager.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"
#include "scene_dump.h"

namespace qxtest {

// Every mesh of the tree keeps a consistent structure; a failure names the first mesh that does
// not, the rule it breaks and where.
inline ::testing::AssertionResult TopologyHolds(const CQxScene& scene) {
    for (CQxObject::Iterator it = scene.RootModel().Begin(); !it.IsEnd(); ++it) {
        const CQxTopologyReport report = it->Mesh().DiagnoseTopology();
        if (!report.IsSound())
            return ::testing::AssertionFailure()
                   << "the mesh of \"" << it->GetName() << "\" is broken: " << report.GetText().GetStr();
    }
    return ::testing::AssertionSuccess();
}

// The commands in effect: from the oldest up to the current one.
inline unsigned int UndoDepth(const CQxCmdManager& history) {
    unsigned int depth = 0;
    if (!history.GetCurCmd()) return 0;
    for (const CQxCmd& cmd : history.Cmds()) {
        ++depth;
        if (&cmd == history.GetCurCmd()) break;
    }
    return depth;
}

// Runs a command that must succeed and push once, then checks that undo gives back the scene
// before it exactly and redo the scene after it, twice over.
template <class Run>
void ExpectUndoable(CQxScene& scene, Run&& run) {
    CQxCmdManager& history = scene.CmdManager();
    const std::string before = QxDumpScene(scene);
    const unsigned int depth = UndoDepth(history);
    ASSERT_TRUE(run());
    ASSERT_EQ(depth + 1, UndoDepth(history));
    ASSERT_FALSE(history.IsRedoable());
    const std::string after = QxDumpScene(scene);
    ASSERT_NE(before, after);
    EXPECT_TRUE(TopologyHolds(scene));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(history.Undo());
        QX_EXPECT_SAME_DUMP(before, QxDumpScene(scene)) << "undo, round " << round;
        EXPECT_TRUE(TopologyHolds(scene)) << "undo, round " << round;
        ASSERT_TRUE(history.Redo());
        QX_EXPECT_SAME_DUMP(after, QxDumpScene(scene)) << "redo, round " << round;
        EXPECT_TRUE(TopologyHolds(scene)) << "redo, round " << round;
    }
}

// A command that must be refused: nothing pushed, nothing changed.
template <class Run>
void ExpectRefused(CQxScene& scene, Run&& run) {
    const std::string before = QxDumpScene(scene);
    const unsigned int count = scene.CmdManager().GetCount();
    const CQxCmd* current = scene.CmdManager().GetCurCmd();
    EXPECT_FALSE(run());
    EXPECT_EQ(count, scene.CmdManager().GetCount());
    EXPECT_EQ(current, scene.CmdManager().GetCurCmd());
    QX_EXPECT_SAME_DUMP(before, QxDumpScene(scene));
}

} // namespace qxtest
