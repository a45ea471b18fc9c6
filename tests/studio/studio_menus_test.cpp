// The menus call the library: the history with its own texts, the object commands, the tool
// manager and the active camera.
#include <QDockWidget>

#include "clipboard_bridge.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "scene_dump.h"
#include "studio_fixture.h"
#include "view_panel.h"

class StudioMenus : public QxStudioTest {};

TEST_F(StudioMenus, UndoAndRedoShowTheLibrarysMenuTexts) {
    EXPECT_FALSE(Window().Action("edit.undo")->isEnabled()) << "nothing to undo in a new scene";
    Trigger("create.cube");
    Settle();
    const QString undo = Window().Action("edit.undo")->text();
    EXPECT_EQ(QString::fromUtf8(Scene().CmdManager().GetUndoText()), undo);
    EXPECT_TRUE(undo.startsWith(QString::fromUtf8("元に戻す"))) << undo.toStdString();

    Trigger("edit.undo");
    EXPECT_EQ(0u, Scene().RootModel().GetChildCount());
    EXPECT_TRUE(Window().Action("edit.redo")->text().startsWith(QString::fromUtf8("やり直し")));
    Trigger("edit.redo");
    EXPECT_EQ(1u, Scene().RootModel().GetChildCount());
}

TEST_F(StudioMenus, CreateMenuMakesEveryPrimitiveAsOneCommandEach) {
    const char* const primitives[] = {"create.cube", "create.sphere", "create.cylinder",
                                      "create.cone", "create.torus",  "create.plane"};
    unsigned int count = 0;
    for (const char* name : primitives) {
        Trigger(name);
        ++count;
        EXPECT_EQ(count, Scene().RootModel().GetChildCount()) << name << " adds one object";
        EXPECT_EQ(count, Scene().CmdManager().GetCount()) << name << " is one command";
    }
}

TEST_F(StudioMenus, DeleteAndDuplicateActOnTheSelection) {
    OpenSample();
    EXPECT_FALSE(Window().Action("edit.delete")->isEnabled()) << "nothing is selected";
    Scene().SelectObject(CQxSelect(Find("Hip")), QX_SELECT_REPLACE, 1);
    Settle();
    ASSERT_TRUE(Window().Action("edit.duplicate")->isEnabled());
    Trigger("edit.duplicate");
    EXPECT_EQ(3u, Find("Robot")->GetChildCount()) << "Body, Hip and Hip's copy";
    Trigger("edit.delete");
    EXPECT_EQ(2u, Find("Robot")->GetChildCount()) << "the selected object went";
}

// Two studios meet through the system clipboard (the bridge), as two running programs do.
TEST_F(StudioMenus, CopiedGeometryPastesIntoAnotherStudioAndCutIsOneCommand) {
    QxStudioClipboardBridge bridge;
    OpenSample();
    EXPECT_FALSE(Window().Action("edit.copy")->isEnabled()) << "nothing is selected";
    Scene().SelectObject(CQxSelect(Find("Body")), QX_SELECT_REPLACE, 1);
    Settle();
    Trigger("edit.copy");

    QxStudioMainWindow other;
    ASSERT_TRUE(other.PasteClipboard());
    const CQxObject* pasted = other.Scene().RootModel().GetChild(0);
    ASSERT_NE(nullptr, pasted);
    EXPECT_EQ(QxDumpGeometry(*pasted), QxDumpGeometry(*Find("Body"))) << "element for element";

    const unsigned int commands = Scene().CmdManager().GetCount();
    Trigger("edit.cut");
    EXPECT_EQ(nullptr, Find("Body"));
    EXPECT_EQ(commands + 1, Scene().CmdManager().GetCount());
    Trigger("edit.undo");
    EXPECT_NE(nullptr, Find("Body"));
}

TEST_F(StudioMenus, ToolActionsFollowTheToolManager) {
    Trigger("tools.rotate");
    EXPECT_EQ(QX_TOOL_ROTATE, Scene().ToolManager().GetCurTool());
    EXPECT_TRUE(Window().Action("tools.rotate")->isChecked());
    Trigger("tools.select");
    EXPECT_EQ(QX_TOOL_SELECT, Scene().ToolManager().GetCurTool());
    EXPECT_FALSE(Window().Action("tools.rotate")->isChecked()) << "one tool is checked at a time";
}

TEST_F(StudioMenus, SelectTypesAndComponentKindsGoToTheToolManager) {
    Trigger("tools.select");
    Trigger("select.component");
    EXPECT_EQ(QX_SELECT_COMPONENT, Scene().ToolManager().GetCurSelect());
    ASSERT_TRUE(Window().Action("select.faces")->isEnabled());
    Window().Action("select.vertices")->setChecked(false);
    EXPECT_EQ(0u, Scene().ToolManager().GetComponentTypes() & 1u) << "vertices are no longer picked";
    Trigger("select.object");
    EXPECT_EQ(QX_SELECT_OBJECT, Scene().ToolManager().GetCurSelect());
    EXPECT_FALSE(Window().Action("select.faces")->isEnabled()) << "component kinds only for components";
}

TEST_F(StudioMenus, ViewMenuActsOnTheActiveView) {
    QxStudioViewPanel* perspective = Window().View("perspective");
    Trigger("view.orthographic");
    EXPECT_FALSE(perspective->Camera().IsPerspective());
    Trigger("view.top");
    EXPECT_GT(perspective->Camera().Eye().y, 0.0f) << "the top view looks down";
    Trigger("view.reset");
    EXPECT_TRUE(perspective->Camera().IsPerspective());
}

TEST_F(StudioMenus, OneViewShowsTheActiveViewAlone) {
    Trigger("view.single");
    for (QxStudioViewPanel* view : Window().Views())
        EXPECT_EQ(view == Window().ActiveView(), view->isVisible()) << view->Title().toStdString();
    Trigger("view.single");
    for (QxStudioViewPanel* view : Window().Views())
        EXPECT_TRUE(view->isVisible()) << view->Title().toStdString();
}
