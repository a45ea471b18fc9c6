#include <gtest/gtest.h>

#include <vector>

#include "qx/scene/scene.h"
#include "scene_builders.h"

namespace {

using Codes = std::vector<unsigned int>;
using Flags = std::vector<int>;
const Codes SelectionNotices{QX_UPDATE_SELECT, QX_UPDATE_REDRAW};

// A scene holding grids A (with a child A1) and B, and what its host hears. The select tool
// is current: it prepares nothing, so only the selection's own notices are heard.
struct SceneRig {
    CQxScene scene;
    QxUpdateRecorder host{scene};
    SceneRig() {
        scene.ToolManager().SetCurTool(QX_TOOL_SELECT);
        host.Notices.clear();
    }
    CQxObject* a = QxAdd(scene.RootModel(), QxNewGrid().release());
    CQxObject* a1 = QxAdd(*a, QxNewGrid().release());
    CQxObject* b = QxAdd(scene.RootModel(), QxNewGrid().release());
    Codes Take() { return host.TakeTypes(); }
    Flags Selected() const { return {a->IsSelect(), a1->IsSelect(), b->IsSelect()}; }
    Flags Handles() const { return {a->IsHandleSelect(), a1->IsHandleSelect(), b->IsHandleSelect()}; }
};

CQxSelect Handle(CQxObject* object) {
    CQxSelect select(object);
    select.IsHandle() = 1;
    return select;
}

} // namespace

TEST(SceneSelect, ObjectAndTreeTypesSelectInEachMode) {
    SceneRig rig;
    rig.scene.SelectObject(CQxSelect(rig.a), QX_SELECT_REPLACE, 1);
    EXPECT_EQ(rig.Take(), SelectionNotices);
    rig.scene.SelectObject(CQxSelect(rig.b), QX_SELECT_ADD, 0);
    EXPECT_EQ(rig.Selected(), (Flags{1, 0, 1}));
    rig.scene.SelectObject(CQxSelect(rig.a), QX_SELECT_TOGGLE, 0);
    rig.scene.SelectObject(CQxSelect(rig.b), static_cast<QX_SELECT_MODE>(7), 0);
    EXPECT_EQ(rig.Selected(), (Flags{0, 0, 1}));
    EXPECT_TRUE(rig.Take().empty());

    // A single record sets its object's flag even for a handle; a set honours handle records.
    rig.scene.SelectObject(Handle(rig.a1), QX_SELECT_REPLACE, 0);
    EXPECT_EQ(rig.Selected(), (Flags{0, 1, 0}));
    CQxSelects set(rig.a);
    set.Add(Handle(rig.a1));
    rig.scene.SelectObjects(set, QX_SELECT_REPLACE, 1);
    EXPECT_EQ(rig.Selected(), (Flags{1, 0, 0}));
    EXPECT_EQ(rig.Handles(), (Flags{0, 1, 0}));
    EXPECT_EQ(rig.Take(), SelectionNotices);

    // Trees: the object with its subtree. Parent and child both in a set toggle the subtree
    // once, not the child twice.
    rig.scene.ToolManager().SetCurSelect(QX_SELECT_TREE);
    rig.scene.SelectObject(CQxSelect(rig.b), QX_SELECT_REPLACE, 0);
    EXPECT_EQ(rig.Selected(), (Flags{0, 0, 1}));
    CQxSelects family(rig.a1);
    family.Add(CQxSelect(rig.a));
    rig.scene.SelectObjects(family, QX_SELECT_TOGGLE, 0);
    EXPECT_EQ(rig.Selected(), (Flags{1, 1, 1}));
    EXPECT_EQ(family.GetSize(), 2u);
    rig.scene.SelectObject(CQxSelect(rig.a), QX_SELECT_TOGGLE, 0);
    EXPECT_EQ(rig.Selected(), (Flags{0, 0, 1}));

    rig.scene.UnselectObejcts(1);
    EXPECT_EQ(rig.Selected(), (Flags{0, 0, 0}));
    EXPECT_EQ(rig.Take(), SelectionNotices);
}

TEST(SceneSelect, ComponentTypeSelectsMeshElements) {
    SceneRig rig;
    rig.scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
    rig.Take(); // entering component mode clears the selection and says so
    const CQxSelect corner = QxRecord(rig.a, {QxGridVertex(*rig.a, 0, 0)});
    const CQxSelect face = QxRecord(rig.b, {}, {QxGridFace(*rig.b, 1, 1)});
    rig.scene.SelectObject(face, QX_SELECT_REPLACE, 0);
    rig.scene.SelectObject(corner, QX_SELECT_REPLACE, 1);
    EXPECT_EQ(rig.Take(), SelectionNotices);
    EXPECT_EQ(QxGridVertex(*rig.a, 0, 0)->IsSelect() + QxGridFace(*rig.b, 1, 1)->IsSelect(), 1);
    EXPECT_EQ(rig.Selected(), (Flags{1, 0, 0}));

    CQxSelects both(face);
    both.Add(corner);
    rig.scene.SelectObjects(both, QX_SELECT_TOGGLE, 0);
    EXPECT_EQ(QxGridFace(*rig.b, 1, 1)->IsSelect() - QxGridVertex(*rig.a, 0, 0)->IsSelect(), 1);
    // A whole-object record selects every element of that mesh.
    rig.scene.SelectObjects(CQxSelects(rig.a1), QX_SELECT_ADD, 0);
    for (const CQxVertex& v : rig.a1->Mesh().Vertices()) EXPECT_EQ(v.IsSelect(), 1) << "vertex " << v.Index();
    EXPECT_EQ(rig.Selected(), (Flags{0, 1, 1}));

    rig.scene.UnselectObejcts(0);
    EXPECT_FALSE(rig.a1->Mesh().HasSelect() || rig.b->Mesh().HasSelect());
    EXPECT_EQ(rig.Selected(), (Flags{0, 0, 0}));

    // A flag the host sets by hand and announces through PrepareTool is replaced with the rest.
    rig.scene.SelectObject(corner, QX_SELECT_REPLACE, 0);
    QxGridVertex(*rig.b, 2, 2)->IsSelect() = 1;
    rig.scene.PrepareTool();
    rig.scene.SelectObject(face, QX_SELECT_REPLACE, 0);
    EXPECT_EQ(QxGridVertex(*rig.b, 2, 2)->IsSelect(), 0);
    EXPECT_EQ(QxGridVertex(*rig.a, 0, 0)->IsSelect(), 0);
    EXPECT_EQ(QxGridFace(*rig.b, 1, 1)->IsSelect(), 1);
}

TEST(SceneSelect, HandlesAreSelectedOnlyFromHandleSets) {
    SceneRig rig;
    // A set that is not all handles leaves the scene alone and tells nobody.
    CQxSelects mixed(Handle(rig.a));
    mixed.Add(CQxSelect(rig.b));
    rig.scene.SelectObjectHandles(CQxSelects(rig.a), QX_SELECT_REPLACE, 1);
    rig.scene.SelectObjectHandles(mixed, QX_SELECT_ADD, 1);
    rig.scene.SelectObjectHandles(CQxSelects(), QX_SELECT_ADD, 1);
    EXPECT_EQ(rig.Handles(), (Flags{0, 0, 0}));
    EXPECT_TRUE(rig.Take().empty());

    rig.a1->SelectHandle(1, 0);
    rig.scene.SelectObjectHandles(CQxSelects(Handle(rig.a)), QX_SELECT_REPLACE, 1);
    EXPECT_EQ(rig.Handles(), (Flags{1, 0, 0}));
    EXPECT_EQ(rig.Selected(), (Flags{0, 0, 0}));
    EXPECT_EQ(rig.Take(), SelectionNotices);
    rig.scene.SelectObjectHandles(CQxSelects(Handle(rig.b)), QX_SELECT_ADD, 0);
    rig.scene.SelectObjectHandles(CQxSelects(Handle(rig.a)), QX_SELECT_TOGGLE, 0);
    EXPECT_EQ(rig.Handles(), (Flags{0, 0, 1}));
    rig.scene.UnselectObjectHandles(1);
    EXPECT_EQ(rig.Handles(), (Flags{0, 0, 0}));
    EXPECT_EQ(rig.Take(), SelectionNotices);

    // While components are picked no handle is selected, but the host still hears.
    rig.scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
    rig.Take(); // entering component mode clears the selection and says so
    rig.scene.SelectObjectHandles(CQxSelects(Handle(rig.a)), QX_SELECT_REPLACE, 1);
    EXPECT_EQ(rig.Handles(), (Flags{0, 0, 0}));
    EXPECT_EQ(rig.Take(), SelectionNotices);
}
