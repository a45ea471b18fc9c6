#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "object_cmds_test_util.h"
#include "qx/platform/message.h"
#include "qx/selection/select.h"

using namespace qxtest;

namespace {

std::string UndoText(const CQxScene& scene) {
    return scene.CmdManager().GetUndoText();
}

// Selects one vertex of the object in component selection.
void SelectVertex(CQxScene& scene, CQxObject& object, unsigned int position) {
    scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
    scene.RootModel().Select(0, 1);
    object.Mesh().Vertices().GetAt(position)->IsSelect() = 1;
    object.IsSelect() = 1;
}

} // namespace

TEST(ObjectCmds, DeleteTakesSubtreesAndComponentsAndGivesThemBack) {
    TestScene t;
    Notifications notes(t.scene);

    // A parent with one of its children selected: the whole group goes, children first.
    t.Select({t.group, t.meshB});
    ExpectUndoable(t.scene, [&] { return t.scene.DeleteSelectObjectsCmd(1); });
    EXPECT_EQ(nullptr, t.Find("Group1"));
    EXPECT_EQ(nullptr, t.Find("MeshB"));
    EXPECT_EQ("元に戻す 削除\tCtrl+Z(&U)", UndoText(t.scene));
    // MeshA went with its parent, and the clone showing it with MeshA.
    EXPECT_EQ(nullptr, t.Find("MeshA"));
    EXPECT_EQ(nullptr, t.Find("MeshA-Clone1"));
    ASSERT_TRUE(t.scene.CmdManager().Undo());
    CQxObject* meshA = t.Find("MeshA");
    ASSERT_NE(nullptr, meshA);
    EXPECT_EQ(meshA, t.Find("MeshA-Clone1")->GetOriginal());
    // The red faces still use Model1's second material.
    EXPECT_EQ(t.model1->GetAttribute(1), meshA->Mesh().Faces().GetAt(1)->Attribute());

    // One vertex of the cube: its three faces go, the vertex with them, the object stays.
    SelectVertex(t.scene, *meshA, 0);
    notes.Clear();
    const unsigned int vertices = meshA->Mesh().Vertices().GetCount();
    const unsigned int faces = meshA->Mesh().Faces().GetCount();
    ExpectUndoable(t.scene, [&] { return t.scene.DeleteSelectObjectsCmd(1); });
    ASSERT_TRUE(t.scene.CmdManager().Undo());
    ASSERT_TRUE(t.scene.CmdManager().Redo());
    EXPECT_EQ(meshA, t.Find("MeshA"));
    EXPECT_EQ(vertices - 1, meshA->Mesh().Vertices().GetCount());
    EXPECT_EQ(faces - 3, meshA->Mesh().Faces().GetCount());
    // The last selected element went: the object is no longer selected.
    EXPECT_EQ(0, meshA->IsSelect());
    ASSERT_TRUE(t.scene.CmdManager().Undo());
    EXPECT_EQ(1, meshA->IsSelect());
    EXPECT_EQ(1, meshA->Mesh().Vertices().GetAt(0)->IsSelect());
    // Notifications of the create step: mesh changed (detail 2), selection, redraw.
    const std::vector<int> expected = {QX_UPDATE_MESH, QX_UPDATE_SELECT, QX_UPDATE_REDRAW};
    ASSERT_GE(notes.Codes.size(), 3u);
    EXPECT_EQ(expected, std::vector<int>(notes.Codes.begin(), notes.Codes.begin() + 3));
    EXPECT_EQ(2u, notes.Details[0]);
}

TEST(ObjectCmds, DeleteClearsAndRestoresSkinAndIK) {
    TestScene t;
    // The middle joint is a bone of MeshC's skin and a link of Joint3's chain (with Joint3).
    ExpectUndoable(t.scene, [&] { return t.scene.DeleteObjectCmd(t.joints[1], 0); });
    ASSERT_TRUE(t.scene.CmdManager().Undo());
    ASSERT_TRUE(t.scene.CmdManager().Redo());
    EXPECT_EQ(nullptr, t.meshC->RootBone());
    EXPECT_TRUE(t.meshC->BindParams().IsEmpty());
    EXPECT_FALSE(t.meshC->Mesh().Vertices().Front()->HasBones());
    EXPECT_EQ(0u, t.joints[0]->GetBoneShapeCount());
    ASSERT_TRUE(t.scene.CmdManager().Undo());
    auto* joint1 = dynamic_cast<CQxJoint*>(t.Find("Joint1"));
    auto* joint3 = t.Find("Joint3");
    ASSERT_NE(nullptr, joint1);
    ASSERT_NE(nullptr, joint3);
    EXPECT_EQ(joint1, t.meshC->RootBone());
    EXPECT_EQ(joint1, joint3->IKRoot());
    EXPECT_EQ(2u, joint3->IKConstraints().GetSize());
    EXPECT_EQ(1u, joint1->GetBoneShapeCount());
    EXPECT_EQ(3u, t.meshC->BindParams().GetSize());

    // Deleting the skinned mesh itself takes its binding along and brings it back.
    ExpectUndoable(t.scene, [&] { return t.scene.DeleteObjectCmd(t.Find("MeshC"), 0); });
}

TEST(ObjectCmds, DeleteRefusesNothingToDelete) {
    TestScene t;
    ExpectRefused(t.scene, [&] { return t.scene.DeleteSelectObjectsCmd(1); });
    ExpectRefused(t.scene, [&] { return t.scene.DeleteObjectCmd(&t.scene.RootModel(), 1); });
    ExpectRefused(t.scene, [&] { return t.scene.DeleteObjectCmd(nullptr, 1); });
    // The root model selected alone is nothing to delete.
    t.Select({&t.scene.RootModel()});
    ExpectRefused(t.scene, [&] { return t.scene.DeleteSelectObjectsCmd(1); });
    // An object of another scene.
    CQxObject stranger(1);
    ExpectRefused(t.scene, [&] { return t.scene.DeleteObjectCmd(&stranger, 1); });
}

TEST(ObjectCmds, CreateBuildsEveryKindAndSelectsIt) {
    TestScene t;
    t.Select({t.meshD});
    Notifications notes(t.scene);
    std::vector<int> codes;
    ExpectUndoable(t.scene, [&] {
        CQxObject* created = t.scene.CreateObjectCmd(t.model2, 0, QX_OBJ_CUBE, 1, 2.0, 3.0, 4.0, 1u, 2u, 3u);
        codes = notes.Codes;
        return created != nullptr;
    });
    EXPECT_EQ((std::vector<int>{QX_UPDATE_OBJECT_INSERT, QX_UPDATE_REDRAW}), codes);
    CQxObject* cube = nullptr;
    EXPECT_EQ("元に戻す オブジェクト作成\tCtrl+Z(&U)", UndoText(t.scene));
    cube = t.Find("Mesh1");
    ASSERT_NE(nullptr, cube);
    EXPECT_EQ(t.model2, cube->GetParent());
    EXPECT_EQ(QX_OBJ_MESH, cube->GetType());
    EXPECT_EQ(1, cube->IsSelect());
    EXPECT_EQ(0, t.meshD->IsSelect());
    // The model's current material.
    EXPECT_EQ(t.model2->CurAttribute(), cube->Mesh().Faces().Front()->Attribute());
    CQxBoundBox box;
    cube->Mesh().GetBoundBox(box);
    EXPECT_FLOAT_EQ(3.0f, box.GetMax().y - box.GetMin().y);

    // The other primitives, named on from Mesh1.
    ExpectUndoable(t.scene,
                   [&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_SPHERE, 0, 2.0, 8u, 4u); });
    ExpectUndoable(t.scene,
                   [&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_CYLINDER, 0, 1.0, 2.0, 8u, 1u); });
    ExpectUndoable(t.scene,
                   [&] { return t.scene.CreateObjectCmd(t.group, 0, QX_OBJ_CONE, 0, 1.0, 2.0, 8u, 2u); });
    ExpectUndoable(t.scene,
                   [&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_TORUS, 0, 4.0, 1.0, 8u, 6u); });
    ExpectUndoable(t.scene,
                   [&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_PLANE, 0, 4.0, 4.0, 2u, 2u); });
    EXPECT_NE(nullptr, t.Find("Mesh6"));
    EXPECT_EQ(t.group, t.Find("Mesh4")->GetParent());
    ExpectUndoable(t.scene, [&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_MODEL, 0); });
    ExpectUndoable(t.scene, [&] { return t.scene.CreateObjectCmd(t.model1, 0, QX_OBJ_GROUP, 0); });
    EXPECT_EQ(QX_OBJ_MODEL, t.Find("Model3")->GetType());
    EXPECT_EQ(QX_OBJ_GROUP, t.Find("Group2")->GetType());

    // A clone goes last under its source's parent.
    ExpectUndoable(t.scene, [&] { return t.scene.CreateObjectCmd(t.meshB, 1, QX_OBJ_NONE, 0); });
    CQxObject* clone = t.Find("MeshB-Clone1");
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ(t.meshB, clone->GetOriginal());
    EXPECT_EQ(clone, t.group->GetLastChild());
}

TEST(ObjectCmds, CreateAddsPrimitivesIntoAMesh) {
    TestScene t;
    CQxMesh& mesh = t.meshD->Mesh();
    const unsigned int vertices = mesh.Vertices().GetCount();
    const unsigned int faces = mesh.Faces().GetCount();
    mesh.Faces().Front()->IsSelect() = 1;
    CQxObject* result = nullptr;
    ExpectUndoable(t.scene, [&] {
        result = t.scene.CreateObjectCmd(t.meshD, 0, QX_OBJ_PLANE, 1, 1.0, 1.0, 1u, 1u);
        return result != nullptr;
    });
    EXPECT_EQ(t.meshD, result);
    EXPECT_EQ(vertices + 4, mesh.Vertices().GetCount());
    EXPECT_EQ(faces + 1, mesh.Faces().GetCount());
    // Only the new face is selected now.
    EXPECT_EQ(0, mesh.Faces().Front()->IsSelect());
    EXPECT_EQ(1, mesh.Faces().Back()->IsSelect());
}

TEST(ObjectCmds, CreateRefusesBadInput) {
    TestScene t;
    ExpectRefused(t.scene, [&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_GRID, 0) != nullptr; });
    ExpectRefused(t.scene, [&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_NONE, 0) != nullptr; });
    ExpectRefused(t.scene, [&] {
        return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_CUBE, 0, 1.0, 1.0, 1.0, 0u, 1u, 1u) != nullptr;
    });
    ExpectRefused(t.scene, [&] {
        return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_SPHERE, 0, -1.0, 8u, 4u) != nullptr;
    });
    // A primitive the mesh refuses leaves the mesh it was to join untouched.
    ExpectRefused(t.scene, [&] {
        return t.scene.CreateObjectCmd(t.meshD, 0, QX_OBJ_PLANE, 0, 0.0, 1.0, 1u, 1u) != nullptr;
    });
    // Clones need a source with a parent.
    ExpectRefused(t.scene, [&] { return t.scene.CreateObjectCmd(nullptr, 1, QX_OBJ_NONE, 0) != nullptr; });
    ExpectRefused(
        t.scene, [&] { return t.scene.CreateObjectCmd(&t.scene.RootModel(), 1, QX_OBJ_NONE, 0) != nullptr; });
}

TEST(ObjectCmds, MoveKeepsWorldPlaceAndMaterials) {
    TestScene t;
    const std::vector<CQxVector> world = WorldVertices(*t.meshA);
    // Out of the turned group to the model: same place in the world.
    ExpectUndoable(t.scene, [&] { return t.scene.MoveObjectCmd(t.meshA, t.model1, 0, 1); });
    EXPECT_EQ(t.model1, t.meshA->GetParent());
    ExpectNear(world, WorldVertices(*t.meshA));
    EXPECT_EQ("元に戻す オブジェクト移動\tCtrl+Z(&U)", UndoText(t.scene));
    ASSERT_TRUE(t.scene.CmdManager().Undo());
    EXPECT_EQ(t.group, t.meshA->GetParent());

    // Into another model: the faces lose Model1's materials, undo gives them back.
    Notifications notes(t.scene);
    ExpectUndoable(t.scene, [&] { return t.scene.MoveObjectCmd(t.meshA, t.meshD, 1, 1); });
    EXPECT_EQ(t.model2, t.meshA->GetParent());
    EXPECT_EQ(t.meshD, t.model2->GetChild(1));
    for (const CQxFace& f : t.meshA->Mesh().Faces()) EXPECT_EQ(nullptr, f.Attribute());
    ExpectNear(world, WorldVertices(*t.meshA));
    EXPECT_EQ(QX_UPDATE_MESH, notes.Codes.front());
    EXPECT_EQ(16u, notes.Details.front());
    ASSERT_TRUE(t.scene.CmdManager().Undo());
    EXPECT_EQ(t.model1->GetAttribute(1), t.meshA->Mesh().Faces().GetAt(1)->Attribute());

    // A skinned mesh leaving its model loses the binding until undo.
    ExpectUndoable(t.scene, [&] { return t.scene.MoveObjectCmd(t.meshC, t.model2, 0, 0); });
    EXPECT_EQ(nullptr, t.meshC->RootBone());

    // A joint put under another joint becomes one of its bones.
    const unsigned int bones = t.joints[2]->GetBoneShapeCount();
    auto* extra = new CQxJoint(1);
    extra->SetName("Extra");
    t.model1->PushChild(extra);
    extra->Create(1.0f, 8);
    ExpectUndoable(t.scene, [&] { return t.scene.MoveObjectCmd(extra, t.joints[2], 0, 0); });
    EXPECT_EQ(bones + 1, t.joints[2]->GetBoneShapeCount());

    // Reordering among siblings with `before`, onto the object's own parent.
    ExpectUndoable(t.scene, [&] { return t.scene.MoveObjectCmd(t.meshB, t.meshA, 1, 0); });
    EXPECT_EQ(t.meshB, t.group->GetChild(0));
}

TEST(ObjectCmds, MoveRefusesLoopsAndNoops) {
    TestScene t;
    ExpectRefused(t.scene, [&] { return t.scene.MoveObjectCmd(t.meshA, t.group, 0, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.MoveObjectCmd(t.group, t.meshA, 0, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.MoveObjectCmd(t.group, t.group, 1, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.MoveObjectCmd(nullptr, t.group, 0, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.MoveObjectCmd(t.meshA, nullptr, 0, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.MoveObjectCmd(t.meshA, &t.scene.RootModel(), 1, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.MoveObjectCmd(&t.scene.RootModel(), t.meshA, 0, 1); });
}

TEST(ObjectCmds, MergeAppendsMeshesInPlace) {
    TestScene t;
    std::vector<CQxVector> world = WorldVertices(*t.meshD);
    const std::vector<CQxVector> worldB = WorldVertices(*t.meshB);
    const std::vector<CQxVector> worldA = WorldVertices(*t.meshA);
    // Pre-order: MeshA, MeshB (Model1) come before MeshD (Model2); MeshA is the target.
    t.Select({t.meshA, t.meshB, t.meshD});
    ExpectUndoable(t.scene, [&] { return t.scene.MergeSelectObjectsCmd(1); });
    EXPECT_EQ("元に戻す オブジェクト結合\tCtrl+Z(&U)", UndoText(t.scene));
    EXPECT_EQ(nullptr, t.Find("MeshB"));
    EXPECT_EQ(nullptr, t.Find("MeshD"));
    // The last record is appended first.
    std::vector<CQxVector> expected = worldA;
    expected.insert(expected.end(), world.begin(), world.end());
    expected.insert(expected.end(), worldB.begin(), worldB.end());
    ExpectNear(expected, WorldVertices(*t.Find("MeshA")));

    // A source whose children are a source and a mesh that goes along with it: all come back
    // with their own materials.
    CQxObject* source = TestScene::AddMesh(*t.model1, "Source", [&](CQxMesh& m) {
        return m.CreatePlane(0, 1.0f, 1.0f, 1, 1, t.model1->GetAttribute(0), 0);
    });
    CQxObject* inner = TestScene::AddMesh(
        *source, "Inner", [&](CQxMesh& m) { return m.CreatePlane(0, 1.0f, 1.0f, 1, 1, nullptr, 0); });
    CQxObject* carried = TestScene::AddMesh(*source, "Carried", [&](CQxMesh& m) {
        return m.CreatePlane(0, 1.0f, 1.0f, 2, 1, t.model1->GetAttribute(1), 0);
    });
    t.Select({t.meshC, source, inner});
    ExpectUndoable(t.scene, [&] { return t.scene.MergeSelectObjectsCmd(1); });
    EXPECT_EQ(nullptr, t.Find("Carried"));
    ASSERT_TRUE(t.scene.CmdManager().Undo());
    EXPECT_EQ(source, carried->GetParent());
    EXPECT_EQ(t.model1->GetAttribute(1), carried->Mesh().Faces().Front()->Attribute());
    EXPECT_EQ(nullptr, inner->Mesh().Faces().Front()->Attribute());

    t.Select({t.meshA});
    ExpectRefused(t.scene, [&] { return t.scene.MergeSelectObjectsCmd(1); });
    // A group and a clone are not meshes to merge.
    t.Select({t.meshA, t.group, t.clone});
    ExpectRefused(t.scene, [&] { return t.scene.MergeSelectObjectsCmd(1); });
}

TEST(ObjectCmds, DuplicateStepsAndMirrorsCopies) {
    TestScene t;
    t.Select({t.meshB});
    ExpectUndoable(t.scene, [&] {
        return t.scene.DuplicateSelectObjectsCmd(3, CQxVector(2.0f, 1.0f, 1.0f), CQxVector(0.0f, 0.1f, 0.0f),
                                                 CQxVector(1.0f, 0.0f, 0.0f), 1);
    });
    EXPECT_EQ("元に戻す オブジェクト複製\tCtrl+Z(&U)", UndoText(t.scene));
    for (unsigned int k = 1; k <= 3; ++k) {
        CQxObject* copy = t.Find(("MeshB-Dup" + std::to_string(k)).c_str());
        ASSERT_NE(nullptr, copy);
        EXPECT_EQ(t.group, copy->GetParent());
        EXPECT_FLOAT_EQ(static_cast<float>(k), copy->Translate().x);
        EXPECT_FLOAT_EQ(static_cast<float>(1 << k), copy->Scale().x);
        EXPECT_NEAR(0.1f * static_cast<float>(k), copy->Angle().y, 1e-6f);
    }

    // A selected parent and child: the child's copies go under the parent's copies, unmoved.
    t.Select({t.joints[1], t.joints[2]});
    ExpectUndoable(t.scene, [&] {
        return t.scene.DuplicateSelectObjectsCmd(2, CQxVector(1.0f, 1.0f, 1.0f), CQxVector(),
                                                 CQxVector(0.0f, 5.0f, 0.0f), 0);
    });
    CQxObject* joint2 = t.Find("Joint2-Dup2");
    CQxObject* joint3 = t.Find("Joint3-Dup2");
    ASSERT_NE(nullptr, joint2);
    ASSERT_NE(nullptr, joint3);
    EXPECT_EQ(joint2, joint3->GetParent());
    EXPECT_EQ(QX_OBJ_JOINT, joint3->GetType());
    EXPECT_EQ(t.joints[2]->Translate(), joint3->Translate());
    EXPECT_FLOAT_EQ(10.0f, joint2->Translate().y);
    // The copy of Joint2 draws a bone to the copy of Joint3; Joint1 one to each Joint2.
    EXPECT_EQ(1u, dynamic_cast<CQxJoint*>(joint2)->GetBoneShapeCount());
    EXPECT_EQ(3u, t.joints[0]->GetBoneShapeCount());

    // Mirrored about X.
    t.Select({t.meshA});
    ExpectUndoable(t.scene, [&] { return t.scene.DuplicateSelectObjectsCmd(1, QX_AXIS_X, 0); });
    CQxObject* mirrored = t.Find("MeshA-Dup1");
    ASSERT_NE(nullptr, mirrored);
    EXPECT_FLOAT_EQ(-1.0f, mirrored->Translate().x);
    ExpectRefused(t.scene, [&] { return t.scene.DuplicateSelectObjectsCmd(0, QX_AXIS_X, 0); });
    ExpectRefused(t.scene, [&] { return t.scene.DuplicateSelectObjectsCmd(1, QX_AXIS_NONE, 0); });
    // Models and clones are not duplicated by either form.
    t.Select({t.model2, t.clone});
    ExpectRefused(t.scene, [&] { return t.scene.DuplicateSelectObjectsCmd(1, QX_AXIS_X, 0); });
    ExpectRefused(t.scene, [&] {
        return t.scene.DuplicateSelectObjectsCmd(1, CQxVector(1, 1, 1), CQxVector(), CQxVector(), 0);
    });
}

TEST(ObjectCmds, ModifyChangesOneAttribute) {
    TestScene t;
    Notifications notes(t.scene);
    CQxVector v(1.0f, 2.0f, 3.0f);
    ExpectUndoable(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_SCALE, t.meshB, &v, 1); });
    EXPECT_EQ("元に戻す スケール\tCtrl+Z(&U)", UndoText(t.scene));
    EXPECT_EQ(v, t.meshB->Scale());
    EXPECT_EQ(QX_UPDATE_TRANSFORM, notes.Codes.front());
    EXPECT_EQ(1u, notes.Details.front());
    ExpectUndoable(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_ANGLE, t.meshB, &v, 1); });
    EXPECT_EQ("元に戻す 回転\tCtrl+Z(&U)", UndoText(t.scene));
    ExpectUndoable(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_TRANSLATE, t.meshB, &v, 1); });
    EXPECT_EQ("元に戻す 移動\tCtrl+Z(&U)", UndoText(t.scene));
    // A pivot moves the translation along, so the object stays put.
    const std::vector<CQxVector> world = WorldVertices(*t.meshA);
    ExpectUndoable(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_PIVOT, t.meshA, &v, 1); });
    EXPECT_EQ("元に戻す ピボット\tCtrl+Z(&U)", UndoText(t.scene));
    ExpectNear(world, WorldVertices(*t.meshA));
    char name[] = "名前";
    ExpectUndoable(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_NAME, t.meshB, name, 1); });
    EXPECT_EQ("元に戻す オブジェクト名\tCtrl+Z(&U)", UndoText(t.scene));
    EXPECT_EQ(t.meshB, t.Find("名前"));

    // The current value, a name in use, an empty or broken name, other kinds: refused.
    ExpectRefused(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_TRANSLATE, t.meshB, &v, 1); });
    char used[] = "MeshA", empty[] = "", broken[] = "\xff\xfe";
    ExpectRefused(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_NAME, t.meshB, used, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_NAME, t.meshB, empty, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_NAME, t.meshB, broken, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_MIRROR, t.meshB, &v, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_SCALE, nullptr, &v, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_PIVOT, t.meshA, &v, 1); });
}

TEST(ObjectCmds, FlagsSubdivisionMirrorAndFreeze) {
    TestScene t;
    ExpectUndoable(t.scene, [&] { return t.scene.SetObjectVisibleCmd(t.meshB, 0, 1); });
    EXPECT_EQ("元に戻す 表示/非表示\tCtrl+Z(&U)", UndoText(t.scene));
    ExpectUndoable(t.scene, [&] { return t.scene.SetObjectLockedCmd(t.meshB, 1, 1); });
    EXPECT_EQ("元に戻す 編集不可\tCtrl+Z(&U)", UndoText(t.scene));
    ExpectRefused(t.scene, [&] { return t.scene.SetObjectLockedCmd(t.meshB, 1, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.SetObjectVisibleCmd(t.group, 0, 1); });
    ExpectUndoable(t.scene, [&] { return t.scene.SetSubdivisionCmd(t.meshA, 2, 1); });
    EXPECT_EQ("元に戻す 再分割設定\tCtrl+Z(&U)", UndoText(t.scene));
    ExpectUndoable(t.scene, [&] { return t.scene.SetMirrorCmd(t.meshD, QX_AXIS_X, 1, 1); });
    EXPECT_EQ("元に戻す ミラー設定\tCtrl+Z(&U)", UndoText(t.scene));
    ExpectRefused(t.scene, [&] { return t.scene.SetMirrorCmd(t.meshD, QX_AXIS_X, 1, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.SetMirrorCmd(t.model1, QX_AXIS_X, 1, 1); });

    // Freeze bakes both: MeshA's subdivision and MeshD's mirror.
    std::vector<std::string> messages;
    QxMessageHandler old =
        QxSetMessageHandler([&](const char* text, const char* caption, unsigned int, QxWindow*) {
            messages.push_back(std::string(text) + "|" + caption);
            return IDOK;
        });
    t.Select({t.meshB});
    ExpectRefused(t.scene, [&] { return t.scene.FreezeCmd(1); });
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("ミラー/再分割化されたオブジェクトを選択してください.|ミラー/再分割オブジェクトのフリーズ",
              messages[0]);
    QxSetMessageHandler(old);

    const unsigned int facesD = t.meshD->Mesh().Faces().GetCount();
    t.Select({t.meshA, t.meshD});
    ExpectUndoable(t.scene, [&] { return t.scene.FreezeCmd(1); });
    EXPECT_EQ("元に戻す フリーズ\tCtrl+Z(&U)", UndoText(t.scene));
    EXPECT_EQ(0u, t.meshD->MirrorFlags());
    EXPECT_EQ(2 * facesD, t.meshD->Mesh().Faces().GetCount());
    EXPECT_EQ(0u, t.meshA->SubdivisionLevel());
    EXPECT_EQ(6u * 16u, t.meshA->Mesh().Faces().GetCount());
    // The materials come back with the mesh on undo.
    ASSERT_TRUE(t.scene.CmdManager().Undo());
    EXPECT_EQ(t.model1->GetAttribute(1), t.meshA->Mesh().Faces().GetAt(1)->Attribute());
}

TEST(ObjectCmds, FaceSideAndShade) {
    TestScene t;
    CQxMesh& mesh = t.meshD->Mesh();
    const unsigned int faces = mesh.Faces().GetCount();
    t.Select({t.meshD});
    const CQxVertex* second = mesh.Faces().Front()->GetHalfEdge()->Next()->GetVertex();
    ExpectUndoable(t.scene, [&] { return t.scene.FaceSideSelectsCmd(QX_FACE_OP_INVERT, 1); });
    EXPECT_EQ("元に戻す 面の方向\tCtrl+Z(&U)", UndoText(t.scene));
    EXPECT_NE(second, mesh.Faces().Front()->GetHalfEdge()->Next()->GetVertex());
    ExpectUndoable(t.scene, [&] { return t.scene.FaceSideSelectsCmd(QX_FACE_OP_ADD_BACK, 1); });
    EXPECT_EQ(2 * faces, mesh.Faces().GetCount());
    // Every face has its back face now: nothing single-sided is left.
    ExpectRefused(t.scene, [&] { return t.scene.FaceSideSelectsCmd(QX_FACE_OP_ADD_BACK, 1); });
    ExpectUndoable(t.scene, [&] { return t.scene.FaceSideSelectsCmd(QX_FACE_OP_REMOVE_BACK, 1); });
    EXPECT_EQ(faces, mesh.Faces().GetCount());
    ExpectRefused(t.scene, [&] { return t.scene.FaceSideSelectsCmd(QX_FACE_OP_REMOVE_BACK, 1); });
    ExpectRefused(t.scene, [&] { return t.scene.FaceSideSelectsCmd(static_cast<QX_FACE_OP_TYPE>(3), 1); });

    // Shade: only faces whose flag changes are recorded; all set already is refused.
    ExpectUndoable(t.scene, [&] { return t.scene.SetShadeSelectsCmd(0, 1); });
    EXPECT_EQ("元に戻す シェード設定\tCtrl+Z(&U)", UndoText(t.scene));
    for (const CQxFace& f : mesh.Faces()) EXPECT_EQ(0, f.IsShade());
    ExpectRefused(t.scene, [&] { return t.scene.SetShadeSelectsCmd(0, 1); });
    t.Select({t.group});
    ExpectRefused(t.scene, [&] { return t.scene.SetShadeSelectsCmd(0, 1); });
}

TEST(ObjectCmds, GridAndJointRadius) {
    TestScene t;
    Notifications notes(t.scene);
    ExpectUndoable(t.scene, [&] { return t.scene.SetGridCmd(200.0f, 20.0f, QX_AXIS_Z, 0xFF112233, 1); });
    EXPECT_EQ("元に戻す シーン属性\tCtrl+Z(&U)", UndoText(t.scene));
    EXPECT_EQ(200.0f, t.scene.Grid().Length());
    EXPECT_EQ(200.0f, t.scene.Axes().Length());
    EXPECT_EQ(QX_UPDATE_SCENE, notes.Codes.front());
    EXPECT_EQ(16u, notes.Details.front());
    ExpectRefused(t.scene, [&] { return t.scene.SetGridCmd(200.0f, 20.0f, QX_AXIS_Z, 0xFF112233, 1); });
    ExpectUndoable(t.scene, [&] { return t.scene.SetJointRadiusCmd(5.0f, 1); });
    EXPECT_EQ(5.0f, t.joints[1]->Radius());
    ExpectRefused(t.scene, [&] { return t.scene.SetJointRadiusCmd(5.0f, 1); });
}

TEST(ObjectCmds, CopiesKeepTheirKinds) {
    TestScene t;
    // Assigning an object copies its children; a joint child stays a joint.
    CQxObject holder(1);
    holder = *t.joints[0];
    ASSERT_EQ(1u, holder.GetChildCount());
    EXPECT_EQ(QX_OBJ_JOINT, holder.GetChild(0)->GetType());
    EXPECT_NE(nullptr, dynamic_cast<CQxJoint*>(holder.GetChild(0)));
    std::unique_ptr<CQxObject> model(CQxObject::NewCopy(*t.model2));
    EXPECT_NE(nullptr, dynamic_cast<CQxModel*>(model.get()));
    std::unique_ptr<CQxObject> clone(CQxObject::NewCopy(*t.clone));
    EXPECT_EQ(t.meshA, clone->GetOriginal());
    std::unique_ptr<CQxObject> mesh(CQxObject::NewCopy(*t.meshA));
    EXPECT_EQ(QX_OBJ_MESH, mesh->GetType());
    EXPECT_EQ(t.meshA->Mesh().Faces().GetCount(), mesh->Mesh().Faces().GetCount());
}

TEST(ObjectCmds, HistoryCountsTheBytesItHolds) {
    TestScene t;
    t.Select({t.meshB});
    ASSERT_TRUE(t.scene.DeleteSelectObjectsCmd(0));
    const auto* cmd = dynamic_cast<const CQxTreeCmd*>(t.scene.CmdManager().GetCurCmd());
    ASSERT_NE(nullptr, cmd);
    const std::size_t held = cmd->GetStore().GetBytes();
    EXPECT_GT(held, t.meshB->Mesh().Faces().GetCount() * sizeof(CQxFace));
    // Undone, the object is back in the scene and the store holds only its path.
    ASSERT_TRUE(t.scene.CmdManager().Undo());
    EXPECT_LT(cmd->GetStore().GetBytes(), held / 4);
}
