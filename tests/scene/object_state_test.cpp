#include <gtest/gtest.h>

#include "mesh_builders.h"
#include "qx/graphics/primitive.h"
#include "qx/scene/model.h"
#include "qx/scene/object_kinds.h"
#include "qx/selection/select.h"
#include "qx/selection/uv_select.h"
#include "qx/skeleton/joint.h"
#include "scene_builders.h"
#include "topology_check.h"

namespace {

TEST(ObjectState, SettersReportChangesOnlyForShapedObjects) {
    std::unique_ptr<CQxObject> cube(QxNewCube());
    EXPECT_EQ(cube->SetVisible(1), 0);
    EXPECT_EQ(cube->SetVisible(0), 1);
    EXPECT_EQ(cube->SetVisible(0), 0);
    EXPECT_EQ(cube->SetLocked(1), 1);
    EXPECT_EQ(cube->SetLocked(1), 0);
    EXPECT_EQ(cube->SetMirror(QX_AXIS_X, 0), 1);
    EXPECT_EQ(cube->SetMirror(QX_AXIS_X, 0), 0);
    EXPECT_EQ(cube->SetMirror(QX_AXIS_X, 1), 1);
    // Subdivision needs a visible object and a new level.
    EXPECT_EQ(cube->SetSubdivision(1), 0);
    cube->SetVisible(1);
    EXPECT_EQ(cube->SetSubdivision(1), 1);

    CQxGroup group(1);
    CQxModel model(1);
    for (CQxObject* o : {static_cast<CQxObject*>(&group), static_cast<CQxObject*>(&model)}) {
        EXPECT_EQ(o->SetVisible(0), 0);
        EXPECT_EQ(o->SetLocked(1), 0);
        EXPECT_EQ(o->SetMirror(QX_AXIS_Y, 1), 0);
        EXPECT_EQ(o->SetSubdivision(2), 0);
        EXPECT_EQ(o->IsVisible() - o->IsLocked(), 1);
    }
}

TEST(ObjectState, ModesFollowSkinning) {
    CQxObject parent(1);
    auto* child = QxAdd(parent, new CQxObject(1));
    EXPECT_EQ(parent.SetMode(QX_OBJ_MODE_WEIGHT, 1), 0);
    EXPECT_EQ(parent.Mode(), QX_OBJ_MODE_NORMAL);
    EXPECT_EQ(child->Mode(), QX_OBJ_MODE_NORMAL);

    // Only the skinned child enters weight mode; leaving it works from any object.
    CQxJoint joint(1);
    child->RootBone() = &joint;
    EXPECT_EQ(parent.SetMode(QX_OBJ_MODE_WEIGHT, 1), 1);
    EXPECT_EQ(parent.Mode(), QX_OBJ_MODE_NORMAL);
    EXPECT_EQ(child->Mode(), QX_OBJ_MODE_WEIGHT);
    EXPECT_EQ(parent.FindMode(QX_OBJ_MODE_WEIGHT), child);
    EXPECT_EQ(parent.SetMode(QX_OBJ_MODE_WEIGHT, 0), 0);
    EXPECT_EQ(parent.SetMode(QX_OBJ_MODE_NORMAL, 1), 1);
    EXPECT_EQ(child->Mode(), QX_OBJ_MODE_NORMAL);
    EXPECT_EQ(parent.FindMode(QX_OBJ_MODE_WEIGHT), nullptr);
    child->RootBone() = nullptr;
}

TEST(ObjectState, FreezeBakesMirrorAndSubdivision) {
    std::unique_ptr<CQxObject> plain(QxNewCube());
    EXPECT_EQ(plain->IsFreezable(), 0);
    EXPECT_EQ(plain->Freeze(), 0);

    // Two separate halves: each quad of each half becomes four.
    std::unique_ptr<CQxObject> cube(QxNewCube(1.0f));
    const unsigned int v = cube->Mesh().Vertices().GetCount(), f = cube->Mesh().Faces().GetCount();
    const unsigned int e = qxtest::CountCorners(cube->Mesh()) / 2;
    cube->SetMirror(QX_AXIS_X, 0);
    cube->SetSubdivision(1);
    ASSERT_EQ(cube->IsFreezable(), 1);
    ASSERT_EQ(cube->Freeze(), 1);
    EXPECT_EQ(cube->Mesh().Vertices().GetCount(), 2 * (v + e + f));
    EXPECT_EQ(cube->Mesh().Faces().GetCount(), 2 * 2 * e);
    EXPECT_EQ(cube->MirrorFlags(), 0u);
    EXPECT_EQ(cube->SubdivisionLevel(), 0u);
    EXPECT_EQ(cube->IsFreezable(), 0);
    EXPECT_TRUE(QxTopologyIsSound(cube->Mesh(), 0));
    EXPECT_NEAR(cube->BoundBox().GetMin().x, -cube->BoundBox().GetMax().x, 1e-5f);

    // A connected mirror welds the halves on the plane: the baked mesh draws as it did before.
    std::unique_ptr<CQxObject> welded(QxNewCube(1.0f));
    welded->Mesh().OffsetVertices(CQxVector(0.5f, 0, 0));
    welded->UpdateBoundBox();
    welded->SetMirror(QX_AXIS_X, 1);
    welded->SetSubdivision(2);
    const unsigned int drawn = QxFaceTriangles(*welded);
    EXPECT_EQ(drawn, 2 * 2 * f * 16);
    ASSERT_EQ(welded->Freeze(), 1);
    EXPECT_EQ(QxFaceTriangles(*welded), drawn);
}

TEST(ObjectState, CopiesKeepTheShapeAndDropTheTreeAndSkin) {
    CQxJoint joint(1);
    CQxObject source(1);
    source.Name() = "Body";
    source.Mesh().CreateCube(0, 2, 2, 2, 1, 1, 1, nullptr, 0);
    source.Translate().Set(1, 2, 3);
    source.SetMirror(QX_AXIS_Z, 1);
    source.SetLocked(1);
    source.RootBone() = &joint;
    source.BindParams().PushBack(CQxTransformParam());
    source.IKRoot() = &joint;
    source.IsSelect() = 1;
    auto* child = QxAdd(source, QxNewCube(1.0f, nullptr, "Child"));

    const CQxObject copy(source);
    EXPECT_EQ(copy.GetChildCount(), 0u);
    EXPECT_EQ(copy.IsSkinned(), 0);
    EXPECT_TRUE(copy.BindParams().IsEmpty());
    EXPECT_EQ(copy.IsIKed(), 0);
    EXPECT_EQ(copy.IsSelect(), 0);
    EXPECT_EQ(copy.Translate(), source.Translate());
    EXPECT_EQ(copy.Mesh().Faces().GetCount(), 6u);
    EXPECT_GT(copy.GetFacePrimitiveCount(), 0u);

    // Assignment takes everything, the children as plain copies that belong to the target.
    CQxObject parent(1);
    auto* target = QxAdd(parent, new CQxObject(1));
    *target = source;
    EXPECT_EQ(target->GetParent(), &parent);
    EXPECT_EQ(target->RootBone(), &joint);
    EXPECT_EQ(target->BindParams().GetSize(), 1u);
    ASSERT_EQ(target->GetChildCount(), 1u);
    EXPECT_EQ(target->GetChild(0)->GetParent(), target);
    EXPECT_GT(target->GetFacePrimitiveCount(), 0u);
    EXPECT_EQ(child->GetParent(), &source);

    // Assigning from one of its own children is safe.
    *target = *target->GetChild(0);
    EXPECT_EQ(target->Name(), "Child");
    EXPECT_EQ(target->GetChildCount(), 0u);

    // Delete empties the object but keeps what it is.
    target->Delete();
    EXPECT_EQ(target->GetChildCount(), 0u);
    EXPECT_TRUE(target->Mesh().IsEmpty());
    EXPECT_EQ(target->IsSkinned() + target->IsIKed(), 0);
    source.RootBone() = nullptr;
    source.IKRoot() = nullptr;
}

TEST(ObjectState, DuplicateMirrorsSourceIntoThisObject) {
    std::unique_ptr<CQxObject> source(QxNewCube(1.0f));
    source->Name() = "Left";
    source->Mesh().OffsetVertices(CQxVector(2, 0, 0));
    source->Translate().Set(3, 1, 0);
    source->SetAngle(CQxVector(0.1f, 0.2f, 0.3f));
    source->SetSubdivision(1);
    CQxObject target(0);
    target.PushChild(new CQxObject(1));
    target.Duplicate(*source, QX_AXIS_X);
    EXPECT_EQ(target.GetChildCount(), 0u);
    EXPECT_TRUE(QxNear(target.Translate(), CQxVector(-3, 1, 0)));
    EXPECT_TRUE(QxNear(target.Angle(), CQxVector(0.1f, -0.2f, -0.3f)));
    // The whole placement is the mirror image of the source's.
    std::vector<CQxVector> mirrored = QxWorldVertices(*source);
    for (CQxVector& p : mirrored) p.x = -p.x;
    EXPECT_TRUE(QxNear(QxWorldVertices(target), mirrored));
    // Duplicating itself is safe.
    target.Duplicate(target, QX_AXIS_X);
    EXPECT_TRUE(QxNear(target.Translate(), CQxVector(3, 1, 0)));
}

TEST(ObjectState, NamesModelsAndJointsInTheTree) {
    CQxString name;
    CQxObject::GetUniqueName(CQxArray<unsigned int>(), name);
    EXPECT_EQ(name, "__");
    CQxObject::GetUniqueName(CQxArray<unsigned int>{0, 12}, name);
    EXPECT_EQ(name, "_012_");

    CQxObject loose(1);
    EXPECT_EQ(loose.GetModel(), nullptr);
    CQxModel root(1);
    auto* group = QxAdd(root, new CQxGroup(1));
    auto* inner = QxAdd(*group, new CQxModel(1));
    auto* mesh = QxAdd(*inner, QxNewCube(1.0f, nullptr, "Mesh1"));
    QxAdd(*group, new CQxJoint(1));
    QxAdd(*group, new CQxJoint(1));
    EXPECT_EQ(root.GetModel(), &root);
    EXPECT_EQ(group->GetModel(), &root);
    EXPECT_EQ(mesh->GetModel(), inner);
    EXPECT_EQ(root.FindName("Mesh1"), mesh);
    EXPECT_EQ(root.FindName("Mesh2"), nullptr);
    EXPECT_EQ(group->GetChildJointCount(), 2u);
    EXPECT_EQ(group->IsChildJointEmpty(), 0);
    EXPECT_EQ(root.IsChildJointEmpty(), 1);

    CQxArray<CQxModel*> models;
    mesh->IsSelect() = 1;
    group->IsSelect() = 1;
    root.GetSelectModels(models, 1);
    EXPECT_EQ(models, (CQxArray<CQxModel*>{&root, inner}));
}

TEST(ObjectState, ComponentSelectionMovesBetweenObjectAndMesh) {
    CQxGroup root(1);
    CQxObject* a = QxAdd(root, QxNewCube());
    CQxObject* b = QxAdd(root, QxNewCube());
    a->IsSelect() = 1;
    EXPECT_EQ(root.SetComponentMode(1, 1), 1);
    EXPECT_EQ(a->IsSelect(), 0);
    EXPECT_EQ(root.SetComponentMode(1, 1), 0);

    // In component mode whole-object selection is every element of the mesh.
    a->Select(1, 0);
    EXPECT_EQ(a->IsSelect(), 1);
    CQxSelect record;
    ASSERT_EQ(a->GetSelect(record), 1);
    EXPECT_EQ(record.Vertices().GetSize(), 8u);
    EXPECT_EQ(record.Faces().GetSize(), 6u);
    a->ToggleSelect(0);
    EXPECT_EQ(a->IsSelect(), 0);
    EXPECT_EQ(a->Mesh().HasSelect(), 0);

    // One vertex of b: a selection that can be deleted but not copied.
    CQxArray<CQxVertex*> vertex{&*b->Mesh().Vertices().begin()};
    b->Select(1, vertex, {}, {}, {});
    EXPECT_EQ(b->IsSelect(), 1);
    EXPECT_EQ(root.HasVertexFaceHalfEdgeSelect(1), 1);
    EXPECT_EQ(root.HasEdgeFaceSelect(1), 0);
    EXPECT_EQ(root.HasFaceSelect(1), 0);
    EXPECT_EQ(root.HasVertexFaceHalfEdgeSelect(0), 0);
    CQxSelects selects;
    EXPECT_EQ(root.GetSelects(selects, 1), 1);
    ASSERT_EQ(selects.GetSize(), 1u);
    EXPECT_EQ(selects[0]->Object(), b);
    EXPECT_EQ(selects[0]->Vertices(), vertex);
    b->ToggleSelect(vertex, {}, {}, {});
    EXPECT_EQ(b->IsSelect(), 0);

    // Leaving component mode drops the components; a whole selected object can be copied.
    b->Select(1, 0);
    EXPECT_EQ(root.SetComponentMode(0, 1), 1);
    EXPECT_EQ(b->Mesh().HasSelect(), 0);
    b->IsSelect() = 1;
    EXPECT_EQ(root.HasEdgeFaceSelect(1), 1);

    // Handle selection.
    a->SelectHandle(1, 0);
    CQxSelects handles;
    EXPECT_EQ(root.GetHandleSelects(handles, 1), 1);
    ASSERT_EQ(handles.GetSize(), 1u);
    EXPECT_EQ(handles[0]->IsHandle() && handles[0]->Object() == a, true);
}

} // namespace
