#pragma once

// What the transform-tool tests share: a scene in a 320 x 240 view (an orthographic front view
// looking down -Z with X right and Y up, or the perspective view from the upper right front), cubes to
// move, and where the manipulator's parts show on screen.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "qx/commands/cmd_manager.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"
#include "scene_dump.h"
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
    // Undo gives back the dump from before the change, redo the one after it.
    void ExpectUndoRedo(const std::string& before, const std::string& after);
    static CQxVector WorldPivot(const CQxObject& object);

    std::unique_ptr<QxViewRig> m_Rig;
};
