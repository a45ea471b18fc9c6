#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "message_recorder.h"
#include "object_cmds_scene.h"
#include "qx/selection/select.h"

using namespace qxtest;

namespace {

using Types = std::vector<unsigned int>;

// Every test edits the scene of object_cmds_scene.h through the scene's command entry points.
class ObjectCmds : public ::testing::Test {
protected:
    // Runs a command that must undo and redo exactly and, when a name is given, stand on the
    // undo menu entry under that name.
    template <class Run>
    void Undoable(Run&& run) {
        ExpectUndoable(t.scene, run);
    }
    template <class Run>
    void Undoable(const char* name, Run&& run) {
        ExpectUndoable(t.scene, run);
        EXPECT_EQ(MenuText(name), t.scene.CmdManager().GetUndoText());
    }
    static std::string MenuText(const char* name) { return std::string("元に戻す ") + name + "\tCtrl+Z(&U)"; }
    template <class Run>
    void Refused(Run&& run) {
        ExpectRefused(t.scene, run);
    }
    bool Undo() { return t.scene.CmdManager().Undo(); }
    // Selects one vertex of the object in component selection.
    void SelectVertex(CQxObject& object, unsigned int position) {
        t.scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
        t.scene.RootModel().Select(0, 1);
        object.Mesh().Vertices().GetAt(position)->IsSelect() = 1;
        object.IsSelect() = 1;
    }

    TestScene t;
};

TEST_F(ObjectCmds, DeleteTakesSelectedSubtreesWithTheClonesShowingThem) {
    // A parent with one of its children selected: the whole group goes, children first.
    t.Select({t.group, t.meshB});
    Undoable("削除", [&] { return t.scene.DeleteSelectObjectsCmd(1); });
    for (const char* gone : {"Group1", "MeshA", "MeshB", "MeshA-Clone1"})
        EXPECT_EQ(nullptr, t.Find(gone)) << gone;
}

TEST_F(ObjectCmds, DeleteOfAVertexTakesItsFacesAndKeepsTheObject) {
    CQxObject* meshA = t.meshA;
    SelectVertex(*meshA, 0);
    QxUpdateRecorder notes(t.scene);
    const unsigned int vertices = meshA->Mesh().Vertices().GetCount();
    const unsigned int faces = meshA->Mesh().Faces().GetCount();
    Types types;
    Undoable([&] {
        const int done = t.scene.DeleteSelectObjectsCmd(1);
        types = notes.Types();
        return done;
    });
    // The mesh changed (detail 2), the selection with it.
    EXPECT_EQ((Types{QX_UPDATE_MESH, QX_UPDATE_SELECT, QX_UPDATE_REDRAW}), types);
    EXPECT_EQ(2u, notes.Notices[0].Args[1]);
    EXPECT_EQ(meshA, t.Find("MeshA"));
    EXPECT_EQ(vertices - 1, meshA->Mesh().Vertices().GetCount());
    EXPECT_EQ(faces - 3, meshA->Mesh().Faces().GetCount());
    // The last selected element went: the object is no longer selected (undo gives both back).
    EXPECT_EQ(0, meshA->IsSelect());
}

TEST_F(ObjectCmds, DeleteClearsAndRestoresSkinAndIK) {
    // The middle joint is a bone of MeshC's skin and a link of Joint3's chain (with Joint3).
    Undoable([&] { return t.scene.DeleteObjectCmd(t.joints[1], 0); });
    EXPECT_EQ(nullptr, t.meshC->RootBone());
    EXPECT_TRUE(t.meshC->BindParams().IsEmpty());
    EXPECT_FALSE(t.meshC->Mesh().Vertices().Front()->HasBones());
    EXPECT_EQ(0u, t.joints[0]->GetBoneShapeCount());
    // Undo gives back skin and chain (the dump holds them), and Joint1's bone to Joint2.
    ASSERT_TRUE(Undo());
    auto* joint1 = dynamic_cast<CQxJoint*>(t.Find("Joint1"));
    ASSERT_NE(nullptr, joint1);
    EXPECT_EQ(1u, joint1->GetBoneShapeCount());

    // Deleting the skinned mesh itself takes its binding along and brings it back.
    Undoable([&] { return t.scene.DeleteObjectCmd(t.Find("MeshC"), 0); });
}

TEST_F(ObjectCmds, DeleteRefusesNothingToDelete) {
    Refused([&] { return t.scene.DeleteSelectObjectsCmd(1); });
    Refused([&] { return t.scene.DeleteObjectCmd(&t.scene.RootModel(), 1); });
    Refused([&] { return t.scene.DeleteObjectCmd(nullptr, 1); });
    // The root model selected alone is nothing to delete.
    t.Select({&t.scene.RootModel()});
    Refused([&] { return t.scene.DeleteSelectObjectsCmd(1); });
    // An object of another scene.
    CQxObject stranger(1);
    Refused([&] { return t.scene.DeleteObjectCmd(&stranger, 1); });
}

TEST_F(ObjectCmds, DeleteTakesTheAnimationOfTheObjectsAndGivesItBack) {
    TestScene::AddKeys(*t.meshA);
    TestScene::AddKeys(*t.meshB);
    TestScene::AddKeys(*t.meshD);
    t.Select({t.group});
    // The dumps compare every item and key, so undo gives them back exactly.
    Undoable([&] { return t.scene.DeleteSelectObjectsCmd(1); });
    const CQxAnim& anim = t.model1->Anim();
    EXPECT_FALSE(anim.HasObjectRefItems(t.meshA));
    EXPECT_FALSE(anim.HasObjectRefItems(t.meshB));
    EXPECT_TRUE(t.model2->Anim().HasObjectRefItems(t.meshD));
}

TEST_F(ObjectCmds, DeletedComponentsTakeTheirAnimationAlong) {
    TestScene::AddKeys(*t.meshA);
    CQxAnim& anim = t.model1->Anim();
    CQxMesh& mesh = t.meshA->Mesh();
    mesh.UpdateIndices();
    // A vertex of the face with the animated corner goes; one of another face stays.
    const CQxFace* face = mesh.Faces().GetAt(0);
    CQxVertex* gone = face->GetHalfEdge()->GetVertex();
    CQxVertex* staying = nullptr;
    for (CQxVertex& v : mesh.Vertices()) {
        bool inFace = false;
        face->ForEachHalfEdge([&](const CQxHalfEdge& h) { inFace = inFace || h.GetVertex() == &v; });
        if (!inFace) staying = &v;
    }
    ASSERT_NE(nullptr, staying);
    for (CQxVertex* v : {gone, staying}) {
        CQxVertexAnimItem& item = anim.VertexItems()[t.meshA][v][QX_ANIM_ITEM_POINT_X];
        item.Init(QX_ANIM_ITEM_POINT_X, t.meshA, v);
        item.InsertKeyFrame(3.0f, 1);
    }
    SelectVertex(*t.meshA, gone->Index());
    Undoable([&] { return t.scene.DeleteSelectObjectsCmd(1); });
    const auto* vertices = anim.VertexItems().Find(t.meshA);
    ASSERT_NE(nullptr, vertices);
    EXPECT_FALSE(vertices->Has(gone));
    EXPECT_TRUE(vertices->Has(staying));
    EXPECT_FALSE(anim.HalfEdgeItems().Has(t.meshA));
    EXPECT_TRUE(anim.ObjectItems().Has(t.meshA));
}

TEST_F(ObjectCmds, CreateBuildsASelectedPrimitiveInTheModelsMaterial) {
    t.Select({t.meshD});
    QxUpdateRecorder notes(t.scene);
    Types types;
    Undoable("オブジェクト作成", [&] {
        CQxObject* created = t.scene.CreateObjectCmd(t.model2, 0, QX_OBJ_CUBE, 1, 2.0, 3.0, 4.0, 1u, 2u, 3u);
        types = notes.Types();
        return created != nullptr;
    });
    EXPECT_EQ((Types{QX_UPDATE_OBJECT_INSERT, QX_UPDATE_REDRAW}), types);
    CQxObject* cube = t.Find("Mesh1");
    ASSERT_NE(nullptr, cube);
    EXPECT_EQ(t.model2, cube->GetParent());
    EXPECT_EQ(QX_OBJ_MESH, cube->GetType());
    EXPECT_EQ(1, cube->IsSelect());
    EXPECT_EQ(0, t.meshD->IsSelect());
    EXPECT_EQ(t.model2->CurAttribute(), cube->Mesh().Faces().Front()->Attribute());
    CQxBoundBox box;
    cube->Mesh().GetBoundBox(box);
    EXPECT_FLOAT_EQ(3.0f, box.GetMax().y - box.GetMin().y);
}

TEST_F(ObjectCmds, CreateBuildsEveryKindNamedOnFromTheLast) {
    Undoable([&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_SPHERE, 0, 2.0, 8u, 4u); });
    Undoable([&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_CYLINDER, 0, 1.0, 2.0, 8u, 1u); });
    Undoable([&] { return t.scene.CreateObjectCmd(t.group, 0, QX_OBJ_CONE, 0, 1.0, 2.0, 8u, 2u); });
    Undoable([&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_TORUS, 0, 4.0, 1.0, 8u, 6u); });
    Undoable([&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_PLANE, 0, 4.0, 4.0, 2u, 2u); });
    EXPECT_NE(nullptr, t.Find("Mesh5"));
    EXPECT_EQ(t.group, t.Find("Mesh3")->GetParent());
    Undoable([&] { return t.scene.CreateObjectCmd(nullptr, 0, QX_OBJ_MODEL, 0); });
    Undoable([&] { return t.scene.CreateObjectCmd(t.model1, 0, QX_OBJ_GROUP, 0); });
    EXPECT_EQ(QX_OBJ_MODEL, t.Find("Model3")->GetType());
    EXPECT_EQ(QX_OBJ_GROUP, t.Find("Group2")->GetType());

    // A clone goes last under its source's parent.
    Undoable([&] { return t.scene.CreateObjectCmd(t.meshB, 1, QX_OBJ_NONE, 0); });
    CQxObject* clone = t.Find("MeshB-Clone1");
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ(t.meshB, clone->GetOriginal());
    EXPECT_EQ(clone, t.group->GetLastChild());
}

TEST_F(ObjectCmds, CreateAddsPrimitivesIntoAMesh) {
    CQxMesh& mesh = t.meshD->Mesh();
    const unsigned int vertices = mesh.Vertices().GetCount();
    const unsigned int faces = mesh.Faces().GetCount();
    mesh.Faces().Front()->IsSelect() = 1;
    CQxObject* result = nullptr;
    Undoable([&] {
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

TEST_F(ObjectCmds, CreateRefusesBadInput) {
    auto refused = [&](CQxObject* parent, int clone, QX_OBJ_TYPE type, auto... args) {
        Refused([&] { return t.scene.CreateObjectCmd(parent, clone, type, 0, args...) != nullptr; });
    };
    refused(nullptr, 0, QX_OBJ_GRID);
    refused(nullptr, 0, QX_OBJ_NONE);
    refused(nullptr, 0, QX_OBJ_CUBE, 1.0, 1.0, 1.0, 0u, 1u, 1u);
    refused(nullptr, 0, QX_OBJ_SPHERE, -1.0, 8u, 4u);
    // A primitive the mesh refuses leaves the mesh it was to join untouched.
    refused(t.meshD, 0, QX_OBJ_PLANE, 0.0, 1.0, 1u, 1u);
    // Clones need a source with a parent.
    refused(nullptr, 1, QX_OBJ_NONE);
    refused(&t.scene.RootModel(), 1, QX_OBJ_NONE);
}

TEST_F(ObjectCmds, MoveKeepsThePlaceInTheWorld) {
    const std::vector<CQxVector> world = QxWorldVertices(*t.meshA);
    // Out of the turned group to the model.
    Undoable("オブジェクト移動", [&] { return t.scene.MoveObjectCmd(t.meshA, t.model1, 0, 1); });
    EXPECT_EQ(t.model1, t.meshA->GetParent());
    EXPECT_TRUE(QxNear(QxWorldVertices(*t.meshA), world));
    ASSERT_TRUE(Undo());

    // Reordering among siblings with `before`, onto the object's own parent.
    Undoable([&] { return t.scene.MoveObjectCmd(t.meshB, t.meshA, 1, 0); });
    EXPECT_EQ(t.meshB, t.group->GetChild(0));
}

TEST_F(ObjectCmds, MoveIntoAnotherModelDropsMaterialsAndSkinUntilUndo) {
    const std::vector<CQxVector> world = QxWorldVertices(*t.meshA);
    QxUpdateRecorder notes(t.scene);
    Undoable([&] { return t.scene.MoveObjectCmd(t.meshA, t.meshD, 1, 1); });
    EXPECT_EQ(t.model2, t.meshA->GetParent());
    EXPECT_EQ(t.meshD, t.model2->GetChild(1));
    for (const CQxFace& f : t.meshA->Mesh().Faces())
        EXPECT_EQ(nullptr, f.Attribute()) << "face " << f.Index();
    EXPECT_TRUE(QxNear(QxWorldVertices(*t.meshA), world));
    EXPECT_EQ(QX_UPDATE_MESH, notes.Notices.front().Type);
    EXPECT_EQ(16u, notes.Notices.front().Args[1]);

    Undoable([&] { return t.scene.MoveObjectCmd(t.meshC, t.model2, 0, 0); });
    EXPECT_EQ(nullptr, t.meshC->RootBone());
}

TEST_F(ObjectCmds, MoveIntoAnotherModelTakesTheAnimationAlong) {
    TestScene::AddKeys(*t.group);
    TestScene::AddKeys(*t.meshA);
    // The dumps hold each model's items: undo puts them back in Model1.
    Undoable([&] { return t.scene.MoveObjectCmd(t.group, t.model2, 0, 1); });
    for (CQxObject* object : {t.group, t.meshA}) {
        EXPECT_TRUE(t.model2->Anim().HasObjectRefItems(object));
        EXPECT_FALSE(t.model1->Anim().HasObjectRefItems(object));
    }
    ASSERT_TRUE(Undo());

    // Within the model the items stay where they are.
    Undoable([&] { return t.scene.MoveObjectCmd(t.meshA, t.model1, 0, 1); });
    EXPECT_TRUE(t.model1->Anim().HasObjectRefItems(t.meshA));
}

TEST_F(ObjectCmds, MoveUnderAJointMakesABone) {
    const unsigned int bones = t.joints[2]->GetBoneShapeCount();
    auto* extra = new CQxJoint(1);
    extra->SetName("Extra");
    t.model1->PushChild(extra);
    extra->Create(1.0f, 8);
    Undoable([&] { return t.scene.MoveObjectCmd(extra, t.joints[2], 0, 0); });
    EXPECT_EQ(bones + 1, t.joints[2]->GetBoneShapeCount());
}

TEST_F(ObjectCmds, MoveRefusesLoopsAndNoops) {
    Refused([&] { return t.scene.MoveObjectCmd(t.meshA, t.group, 0, 1); });
    Refused([&] { return t.scene.MoveObjectCmd(t.group, t.meshA, 0, 1); });
    Refused([&] { return t.scene.MoveObjectCmd(t.group, t.group, 1, 1); });
    Refused([&] { return t.scene.MoveObjectCmd(nullptr, t.group, 0, 1); });
    Refused([&] { return t.scene.MoveObjectCmd(t.meshA, nullptr, 0, 1); });
    Refused([&] { return t.scene.MoveObjectCmd(t.meshA, &t.scene.RootModel(), 1, 1); });
    Refused([&] { return t.scene.MoveObjectCmd(&t.scene.RootModel(), t.meshA, 0, 1); });
}

TEST_F(ObjectCmds, MergeAppendsMeshesInPlace) {
    // Pre-order: MeshA, MeshB (Model1) come before MeshD (Model2); MeshA is the target, and the
    // last record is appended first.
    std::vector<CQxVector> expected = QxWorldVertices(*t.meshA);
    for (CQxObject* appended : {t.meshD, t.meshB}) {
        const std::vector<CQxVector> points = QxWorldVertices(*appended);
        expected.insert(expected.end(), points.begin(), points.end());
    }
    // Fewer than two meshes: a group and a clone are not meshes to merge.
    t.Select({t.meshA});
    Refused([&] { return t.scene.MergeSelectObjectsCmd(1); });
    t.Select({t.meshA, t.group, t.clone});
    Refused([&] { return t.scene.MergeSelectObjectsCmd(1); });

    const unsigned int facesA = t.meshA->Mesh().Faces().GetCount();
    const unsigned int facesD = t.meshD->Mesh().Faces().GetCount();
    ASSERT_NE(t.meshD->Mesh().Faces().GetAt(0)->Attribute(), nullptr) << "MeshD has a material of Model2";
    t.Select({t.meshA, t.meshB, t.meshD});
    Undoable("オブジェクト結合", [&] { return t.scene.MergeSelectObjectsCmd(1); });
    EXPECT_EQ(nullptr, t.Find("MeshB"));
    EXPECT_EQ(nullptr, t.Find("MeshD"));
    EXPECT_TRUE(QxNear(QxWorldVertices(*t.Find("MeshA")), expected));
    // MeshD's faces (after MeshA's) came from Model2: its materials are not Model1's, so they
    // keep none, while MeshB's keep theirs.
    unsigned int i = 0;
    for (const CQxFace& f : t.Find("MeshA")->Mesh().Faces()) {
        if (i >= facesA && i < facesA + facesD) {
            EXPECT_EQ(f.Attribute(), nullptr) << "face " << i << " of MeshD";
        }
        ++i;
    }
}

TEST_F(ObjectCmds, MergeGivesBackChildrenWithTheirMaterials) {
    // A source whose children are a source and a mesh that goes along with it.
    CQxObject* source = TestScene::AddMesh(*t.model1, "Source", [&](CQxMesh& m) {
        return m.CreatePlane(0, 1.0f, 1.0f, 1, 1, t.model1->GetAttribute(0), 0);
    });
    CQxObject* inner = TestScene::AddMesh(
        *source, "Inner", [&](CQxMesh& m) { return m.CreatePlane(0, 1.0f, 1.0f, 1, 1, nullptr, 0); });
    TestScene::AddMesh(*source, "Carried", [&](CQxMesh& m) {
        return m.CreatePlane(0, 1.0f, 1.0f, 2, 1, t.model1->GetAttribute(1), 0);
    });
    t.Select({t.meshC, source, inner});
    Undoable([&] { return t.scene.MergeSelectObjectsCmd(1); });
    EXPECT_EQ(nullptr, t.Find("Carried"));
}

TEST_F(ObjectCmds, MergeTakesTheSourcesAnimationAndKeepsTheTargets) {
    TestScene::AddKeys(*t.meshA);
    TestScene::AddKeys(*t.meshB);
    t.Select({t.meshA, t.meshB});
    Undoable([&] { return t.scene.MergeSelectObjectsCmd(1); });
    EXPECT_TRUE(t.model1->Anim().VertexItems().Has(t.meshA));
    EXPECT_FALSE(t.model1->Anim().HasObjectRefItems(t.meshB));
}

TEST_F(ObjectCmds, DuplicateStepsEachCopyFromThePrevious) {
    t.Select({t.meshB});
    Undoable("オブジェクト複製", [&] {
        return t.scene.DuplicateSelectObjectsCmd(3, CQxVector(2.0f, 1.0f, 1.0f), CQxVector(0.0f, 0.1f, 0.0f),
                                                 CQxVector(1.0f, 0.0f, 0.0f), 1);
    });
    for (unsigned int k = 1; k <= 3; ++k) {
        CQxObject* copy = t.Find(("MeshB-Dup" + std::to_string(k)).c_str());
        ASSERT_NE(nullptr, copy) << "copy " << k;
        EXPECT_EQ(t.group, copy->GetParent()) << "copy " << k;
        EXPECT_FLOAT_EQ(static_cast<float>(k), copy->Translate().x) << "copy " << k;
        EXPECT_FLOAT_EQ(static_cast<float>(1 << k), copy->Scale().x) << "copy " << k;
        EXPECT_NEAR(0.1f * static_cast<float>(k), copy->Angle().y, 1e-6f) << "copy " << k;
    }
}

TEST_F(ObjectCmds, DuplicatesStartWithoutAnimation) {
    TestScene::AddKeys(*t.meshB);
    t.Select({t.meshB});
    Undoable([&] {
        return t.scene.DuplicateSelectObjectsCmd(1, CQxVector(1.0f, 1.0f, 1.0f), CQxVector(), CQxVector(), 1);
    });
    CQxObject* copy = t.Find("MeshB-Dup1");
    ASSERT_NE(nullptr, copy);
    EXPECT_FALSE(t.model1->Anim().HasObjectRefItems(copy));
    EXPECT_TRUE(t.model1->Anim().HasObjectRefItems(t.meshB));
}

TEST_F(ObjectCmds, DuplicatePutsAChildsCopiesUnderItsParentsCopies) {
    t.Select({t.joints[1], t.joints[2]});
    Undoable([&] {
        return t.scene.DuplicateSelectObjectsCmd(2, CQxVector(1.0f, 1.0f, 1.0f), CQxVector(),
                                                 CQxVector(0.0f, 5.0f, 0.0f), 0);
    });
    // The copies are joints in their own right.
    auto* joint2 = dynamic_cast<CQxJoint*>(t.Find("Joint2-Dup2"));
    auto* joint3 = dynamic_cast<CQxJoint*>(t.Find("Joint3-Dup2"));
    ASSERT_NE(nullptr, joint2) << "no joint Joint2-Dup2";
    ASSERT_NE(nullptr, joint3) << "no joint Joint3-Dup2";
    EXPECT_EQ(joint2, joint3->GetParent());
    EXPECT_EQ(t.joints[2]->Translate(), joint3->Translate());
    EXPECT_FLOAT_EQ(10.0f, joint2->Translate().y);
    // The copy of Joint2 draws a bone to the copy of Joint3; Joint1 one to each Joint2.
    EXPECT_EQ(1u, joint2->GetBoneShapeCount());
    EXPECT_EQ(3u, t.joints[0]->GetBoneShapeCount());
}

TEST_F(ObjectCmds, DuplicateMirrorsAboutAnAxis) {
    // Models and clones are not duplicated, stepped or mirrored.
    t.Select({t.model2, t.clone});
    Refused([&] { return t.scene.DuplicateSelectObjectsCmd(1, QX_AXIS_X, 0); });
    Refused([&] {
        return t.scene.DuplicateSelectObjectsCmd(1, CQxVector(1, 1, 1), CQxVector(), CQxVector(), 0);
    });

    t.Select({t.meshA});
    Undoable([&] { return t.scene.DuplicateSelectObjectsCmd(1, QX_AXIS_X, 0); });
    CQxObject* mirrored = t.Find("MeshA-Dup1");
    ASSERT_NE(nullptr, mirrored);
    EXPECT_FLOAT_EQ(-1.0f, mirrored->Translate().x);
    Refused([&] { return t.scene.DuplicateSelectObjectsCmd(0, QX_AXIS_X, 0); });
    Refused([&] { return t.scene.DuplicateSelectObjectsCmd(1, QX_AXIS_NONE, 0); });
}

TEST_F(ObjectCmds, ModifyChangesOneTransformPart) {
    QxUpdateRecorder notes(t.scene);
    CQxVector v(1.0f, 2.0f, 3.0f);
    Undoable("スケール", [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_SCALE, t.meshB, &v, 1); });
    EXPECT_EQ(v, t.meshB->Scale());
    EXPECT_EQ(QX_UPDATE_TRANSFORM, notes.Notices.front().Type);
    EXPECT_EQ(1u, notes.Notices.front().Args[1]);
    Undoable("回転", [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_ANGLE, t.meshB, &v, 1); });
    Undoable("移動", [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_TRANSLATE, t.meshB, &v, 1); });
    // A pivot moves the translation along, so the object stays put.
    const std::vector<CQxVector> world = QxWorldVertices(*t.meshA);
    Undoable("ピボット", [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_PIVOT, t.meshA, &v, 1); });
    EXPECT_TRUE(QxNear(QxWorldVertices(*t.meshA), world));
    // The current value, other kinds, no object: refused.
    Refused([&] { return t.scene.ModifyObjectCmd(QX_MODIFY_PIVOT, t.meshA, &v, 1); });
    Refused([&] { return t.scene.ModifyObjectCmd(QX_MODIFY_MIRROR, t.meshB, &v, 1); });
    Refused([&] { return t.scene.ModifyObjectCmd(QX_MODIFY_SCALE, nullptr, &v, 1); });
}

TEST_F(ObjectCmds, ModifyRenamesToAFreeValidName) {
    char name[] = "名前";
    Undoable("オブジェクト名", [&] { return t.scene.ModifyObjectCmd(QX_MODIFY_NAME, t.meshB, name, 1); });
    EXPECT_EQ(t.meshB, t.Find("名前"));
    char used[] = "MeshA", empty[] = "", broken[] = "\xff\xfe";
    for (char* refused : {used, empty, broken}) {
        SCOPED_TRACE(testing::Message() << "name \"" << refused << "\"");
        Refused([&] { return t.scene.ModifyObjectCmd(QX_MODIFY_NAME, t.meshB, refused, 1); });
    }
}

TEST_F(ObjectCmds, FlagsSubdivisionAndMirrorChangeOnlyToNewValues) {
    Undoable("表示/非表示", [&] { return t.scene.SetObjectVisibleCmd(t.meshB, 0, 1); });
    Undoable("編集不可", [&] { return t.scene.SetObjectLockedCmd(t.meshB, 1, 1); });
    Refused([&] { return t.scene.SetObjectLockedCmd(t.meshB, 1, 1); });
    Refused([&] { return t.scene.SetObjectVisibleCmd(t.group, 0, 1); });
    Undoable("再分割設定", [&] { return t.scene.SetSubdivisionCmd(t.meshA, 2, 1); });
    Undoable("ミラー設定", [&] { return t.scene.SetMirrorCmd(t.meshD, QX_AXIS_X, 1, 1); });
    Refused([&] { return t.scene.SetMirrorCmd(t.meshD, QX_AXIS_X, 1, 1); });
    Refused([&] { return t.scene.SetMirrorCmd(t.model1, QX_AXIS_X, 1, 1); });
}

TEST_F(ObjectCmds, FreezeBakesSubdivisionAndMirror) {
    ASSERT_TRUE(t.scene.SetSubdivisionCmd(t.meshA, 2, 1));
    ASSERT_TRUE(t.scene.SetMirrorCmd(t.meshD, QX_AXIS_X, 1, 1));
    t.Select({t.meshA, t.meshD});
    // The baked shapes are the objects' own business; the command bakes both, undoably.
    Undoable("フリーズ", [&] { return t.scene.FreezeCmd(1); });
    EXPECT_EQ(0u, t.meshD->MirrorFlags());
    EXPECT_EQ(0u, t.meshA->SubdivisionLevel());
}

TEST_F(ObjectCmds, FreezeSetsTheBaseMeshAnimationAsideUntilUndo) {
    TestScene::AddKeys(*t.meshA);
    ASSERT_TRUE(t.scene.SetSubdivisionCmd(t.meshA, 1, 1));
    t.Select({t.meshA});
    Undoable([&] { return t.scene.FreezeCmd(1); });
    const CQxAnim& anim = t.model1->Anim();
    EXPECT_FALSE(anim.VertexItems().Has(t.meshA));
    EXPECT_FALSE(anim.HalfEdgeItems().Has(t.meshA));
    EXPECT_TRUE(anim.ObjectItems().Has(t.meshA));
    // The base mesh came back as a copy: its items drive the new elements.
    ASSERT_TRUE(Undo());
    ASSERT_TRUE(t.scene.SetCurFrameCmd(10.0f, 1));
    const auto* vertices = anim.VertexItems().Find(t.meshA);
    ASSERT_NE(nullptr, vertices);
    ASSERT_EQ(1u, vertices->GetCount());
    CQxVertex* first = t.meshA->Mesh().Vertices().GetAt(0);
    EXPECT_TRUE(vertices->Has(first));
    const float start = vertices->First()->Value.First()->Value.Spline().Nodes()[0]->Y;
    EXPECT_FLOAT_EQ(start + 2.0f, first->Position().z);
}

TEST_F(ObjectCmds, FreezeRefusesNothingToBakeWithAMessage) {
    QxMessageRecorder messages;
    t.Select({t.meshB});
    Refused([&] { return t.scene.FreezeCmd(1); });
    ASSERT_EQ(1u, messages.Boxes().size());
    EXPECT_EQ("ミラー/再分割化されたオブジェクトを選択してください.", messages.Boxes()[0].Text);
    EXPECT_EQ("ミラー/再分割オブジェクトのフリーズ", messages.Boxes()[0].Caption);
}

TEST_F(ObjectCmds, FaceSidesInvertAndGainOrLoseBackFaces) {
    CQxMesh& mesh = t.meshD->Mesh();
    const unsigned int faces = mesh.Faces().GetCount();
    t.Select({t.meshD});
    const CQxVertex* second = mesh.Faces().Front()->GetHalfEdge()->Next()->GetVertex();
    Undoable("面の方向", [&] { return t.scene.FaceSideSelectsCmd(QX_FACE_OP_INVERT, 1); });
    EXPECT_NE(second, mesh.Faces().Front()->GetHalfEdge()->Next()->GetVertex());
    Undoable([&] { return t.scene.FaceSideSelectsCmd(QX_FACE_OP_ADD_BACK, 1); });
    EXPECT_EQ(2 * faces, mesh.Faces().GetCount());
    // Every face has its back face now: nothing single-sided is left.
    Refused([&] { return t.scene.FaceSideSelectsCmd(QX_FACE_OP_ADD_BACK, 1); });
    Undoable([&] { return t.scene.FaceSideSelectsCmd(QX_FACE_OP_REMOVE_BACK, 1); });
    EXPECT_EQ(faces, mesh.Faces().GetCount());
    Refused([&] { return t.scene.FaceSideSelectsCmd(QX_FACE_OP_REMOVE_BACK, 1); });
    Refused([&] { return t.scene.FaceSideSelectsCmd(static_cast<QX_FACE_OP_TYPE>(3), 1); });
}

TEST_F(ObjectCmds, ShadeRecordsOnlyFacesWhoseFlagChanges) {
    t.Select({t.meshD});
    Undoable("シェード設定", [&] { return t.scene.SetShadeSelectsCmd(0, 1); });
    for (const CQxFace& f : t.meshD->Mesh().Faces()) EXPECT_EQ(0, f.IsShade()) << "face " << f.Index();
    Refused([&] { return t.scene.SetShadeSelectsCmd(0, 1); });
    t.Select({t.group});
    Refused([&] { return t.scene.SetShadeSelectsCmd(0, 1); });
}

TEST_F(ObjectCmds, GridAndJointRadiusChangeOnlyToNewValues) {
    QxUpdateRecorder notes(t.scene);
    Undoable("シーン属性", [&] { return t.scene.SetGridCmd(200.0f, 20.0f, QX_AXIS_Z, 0xFF112233, 1); });
    EXPECT_EQ(200.0f, t.scene.Grid().Length());
    EXPECT_EQ(QX_UPDATE_SCENE, notes.Notices.front().Type);
    EXPECT_EQ(16u, notes.Notices.front().Args[0]);
    Refused([&] { return t.scene.SetGridCmd(200.0f, 20.0f, QX_AXIS_Z, 0xFF112233, 1); });
    Undoable([&] { return t.scene.SetJointRadiusCmd(5.0f, 1); });
    EXPECT_EQ(5.0f, t.joints[1]->Radius());
    Refused([&] { return t.scene.SetJointRadiusCmd(5.0f, 1); });
}

TEST_F(ObjectCmds, CopiesKeepTheirKinds) {
    // Assigning an object copies its children; a joint child stays a joint.
    CQxObject holder(1);
    holder = *t.joints[0];
    ASSERT_EQ(1u, holder.GetChildCount());
    EXPECT_NE(nullptr, dynamic_cast<CQxJoint*>(holder.GetChild(0)))
        << "the child joint copied as a plain object";
    std::unique_ptr<CQxObject> model(CQxObject::NewCopy(*t.model2));
    EXPECT_NE(nullptr, dynamic_cast<CQxModel*>(model.get())) << "the model copied as a plain object";
    std::unique_ptr<CQxObject> clone(CQxObject::NewCopy(*t.clone));
    EXPECT_EQ(t.meshA, clone->GetOriginal());
    std::unique_ptr<CQxObject> mesh(CQxObject::NewCopy(*t.meshA));
    EXPECT_EQ(QX_OBJ_MESH, mesh->GetType());
    EXPECT_EQ(t.meshA->Mesh().Faces().GetCount(), mesh->Mesh().Faces().GetCount());
}

TEST_F(ObjectCmds, HistoryCountsTheBytesItHolds) {
    t.Select({t.meshB});
    ASSERT_TRUE(t.scene.DeleteSelectObjectsCmd(0));
    const auto* cmd = dynamic_cast<const CQxTreeCmd*>(t.scene.CmdManager().GetCurCmd());
    ASSERT_NE(nullptr, cmd);
    const std::size_t held = cmd->GetStore().GetBytes();
    EXPECT_GT(held, t.meshB->Mesh().Faces().GetCount() * sizeof(CQxFace));
    // Undone, the object is back in the scene and the store holds only its path.
    ASSERT_TRUE(Undo());
    EXPECT_LT(cmd->GetStore().GetBytes(), held / 4);
}

} // namespace
