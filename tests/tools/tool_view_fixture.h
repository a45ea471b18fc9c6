#pragma once

// What the transform-tool tests share: a scene in a 320 x 240 view (an orthographic front view
// looking down -Z with X right and Y up, or the perspective view from the upper right front), cubes to
// move, and where the manipulator's parts show on screen.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

#include "qx/commands/cmd_manager.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"
#include "scene_dump.h"
#include "undo_checks.h"
#include "view_rig.h"

class ToolViewFixture : public ::testing::Test {
protected:
    enum class View { Front, Perspective };

    ToolViewFixture();

    // A fresh scene in the view; the move tool is current, as in a new scene.
    void UseView(View view);
    CQxScene& Scene() { return m_Rig->scene; }
    QxViewRig& Rig() { return *m_Rig; }
    CQxCmdManager& History() { return Scene().CmdManager(); }

    // A 20-unit cube mesh object at a position, under the parent (null: the root model).
    CQxObject* AddCube(const char* name, const CQxVector& at, CQxObject* parent = nullptr);
    // Selects the object alone; returns it.
    CQxObject* Select(CQxObject* object);
    void UseTool(QX_TOOL_TYPE tool) { Scene().ToolManager().SetCurTool(tool); }
    void UseSelect(QX_SELECT_TYPE type) { Scene().ToolManager().SetCurSelect(type); }

    // Where the manipulator's centre shows, and its handle of an axis (0 X, 1 Y, 2 Z).
    CQxPoint CentrePoint();
    CQxPoint HandlePoint(int axis);
    // The manipulator's axis (0 X, 1 Y, 2 Z) in world space.
    CQxVector ManipulatorAxis(int axis) const;
    // The point `pixels` from `from` along the screen image of a world direction.
    CQxPoint Along(CQxPoint from, const CQxVector& direction, int pixels);

    std::string Dump() const { return QxDumpScene(m_Rig->scene); }
    // A gesture or call that must push one step that undo and redo take back and forth exactly.
    template <class Run>
    void Undoable(Run&& run) {
        qxtest::ExpectUndoable(Scene(), [&] { return Ran(run); });
    }
    // One that must push nothing and change nothing (and, when it reports a result, fail).
    template <class Run>
    void Unchanged(Run&& run) {
        qxtest::ExpectRefused(Scene(), [&] { return Ran(run) && !std::is_void_v<decltype(run())>; });
    }
    static CQxVector WorldPivot(const CQxObject& object);

    std::unique_ptr<QxViewRig> m_Rig;

private:
    // What a run reports: its result, or true for a gesture that reports nothing.
    template <class Run>
    static bool Ran(Run& run) {
        if constexpr (std::is_void_v<decltype(run())>) {
            run();
            return true;
        } else {
            return static_cast<bool>(run());
        }
    }
};
