#include <gtest/gtest.h>

#include <vector>

#include "qx/scene/model.h"
#include "qx/scene/object_kinds.h"
#include "qx/skeleton/joint.h"
#include "scene_builders.h"

namespace {

using Objs = std::vector<const CQxObject*>;

Objs Objects(const CQxSelects& set) {
    Objs out;
    for (const CQxSelect* s : set.Selects()) out.push_back(s->Object());
    return out;
}

// A set of the records, or of whole-object records of the objects, in the order given.
CQxSelects Set(std::initializer_list<CQxSelect> records) {
    CQxSelects set;
    for (const CQxSelect& r : records) set.Add(r);
    return set;
}
CQxSelects Set(std::initializer_list<const CQxObject*> objects) {
    CQxSelects set;
    for (const CQxObject* o : objects) set.Add(CQxSelect(o));
    return set;
}

CQxObject* AddGrid(CQxObject& parent) {
    return QxAdd(parent, QxNewGrid().release());
}

} // namespace

TEST(SelectSet, MergeAndRemoveWorkPerObject) {
    auto grid = QxNewGrid();
    CQxObject other(1), stranger(1);
    CQxSelects set(QxRecord(grid.get(), {QxGridVertex(*grid, 0, 0)}));

    // A whole-object record leaves a component record as it is; components are added once.
    set.Merge(CQxSelect(grid.get()));
    CQxSelects incoming = Set({QxRecord(grid.get(), {QxGridVertex(*grid, 1, 0), QxGridVertex(*grid, 0, 0)},
                                        {QxGridFace(*grid, 1, 1)}),
                               CQxSelect(&other)});
    set.Merge(incoming).Merge(set);
    ASSERT_EQ(Objects(set), (Objs{grid.get(), &other}));
    EXPECT_EQ(QxPositions(*grid, set[0]->Vertices()), CQxArray<unsigned int>({0, 1}));
    EXPECT_EQ(QxPositions(*grid, set[0]->Faces()), CQxArray<unsigned int>({3}));
    EXPECT_NE(set[1], incoming[1]);

    // Removing components keeps the record even when it empties; whole records remove theirs.
    // Vertex (2, 2) is not in the record: ignored.
    CQxSelects removal = Set(
        {QxRecord(grid.get(), {QxGridVertex(*grid, 0, 0), QxGridVertex(*grid, 1, 0), QxGridVertex(*grid, 2, 2)},
                  {QxGridFace(*grid, 1, 1)}),
         CQxSelect(&other), CQxSelect(&stranger)});
    set.Remove(removal);
    ASSERT_EQ(Objects(set), (Objs{grid.get()}));
    EXPECT_FALSE(set[0]->HasComponents());
    set.Remove(set);
    EXPECT_TRUE(set.IsEmpty());
}

TEST(SelectSet, FiltersKeepQualifyingRecordsInOrder) {
    CQxModel root(0);
    CQxModel* model = QxAdd(root, new CQxModel(1));
    CQxObject* mesh = AddGrid(*model);
    CQxObject* mirrored = AddGrid(*model);
    CQxJoint* joint = QxAdd(*model, new CQxJoint(1));
    CQxGroup* group = QxAdd(*model, new CQxGroup(1));
    ASSERT_EQ(mirrored->SetMirror(QX_AXIS_X, 0), 1);
    mesh->IKRoot() = model;
    mirrored->RootBone() = joint;

    CQxSelect faces = QxRecord(mesh, {QxGridVertex(*mesh, 0, 0)}, {QxGridFace(*mesh, 0, 0)});
    CQxSelect edgeOnly(mirrored);
    edgeOnly.Edges().PushBack(nullptr);
    CQxSelect handle(joint);
    handle.IsHandle() = 1;
    const CQxSelects all = Set({faces, edgeOnly, handle, CQxSelect(group), CQxSelect(model)});
    EXPECT_TRUE(all.HasComponents() && all.HasHandle() && !all.HasHandleOnly());
    EXPECT_TRUE(CQxSelects(handle).HasHandleOnly() && !CQxSelects().HasHandleOnly());

    auto filtered = [&](void (CQxSelects::*filter)()) {
        CQxSelects copy(all);
        (copy.*filter)();
        return Objects(copy);
    };
    EXPECT_EQ(filtered(&CQxSelects::RemoveNoComponent), (Objs{mesh, mirrored}));
    EXPECT_EQ(filtered(&CQxSelects::ExtractHandle), (Objs{joint}));
    EXPECT_EQ(filtered(&CQxSelects::RemoveHandle), (Objs{mesh, mirrored, group, model}));
    EXPECT_EQ(filtered(&CQxSelects::ExtractIKed), (Objs{mesh}));
    EXPECT_EQ(filtered(&CQxSelects::ExtractSkinned), (Objs{mirrored}));
    EXPECT_EQ(filtered(&CQxSelects::ExtractMesh), (Objs{mesh, mirrored}));
    EXPECT_EQ(filtered(&CQxSelects::RemoveJoints), (Objs{mesh, mirrored, group, model}));
    EXPECT_EQ(filtered(&CQxSelects::ExtractUserType), (Objs{mesh, mirrored, joint, group}));
    EXPECT_EQ(filtered(&CQxSelects::ExtractFreezable), (Objs{mirrored}));
    EXPECT_EQ(filtered(&CQxSelects::RemoveNoShapes), (Objs{mesh, mirrored, joint}));
    // Whole-object records pass the face and edge filters and fail extrusion.
    EXPECT_EQ(filtered(&CQxSelects::RemoveEdges), (Objs{mesh, joint, group, model}));
    EXPECT_EQ(filtered(&CQxSelects::ExtractFaces), (Objs{mesh, joint, group, model}));
    EXPECT_EQ(filtered(&CQxSelects::ExtractExtrude), (Objs{mesh}));
    CQxSelects faceSet(all);
    faceSet.ExtractFaces();
    EXPECT_TRUE(faceSet[0]->HasFaces() && !faceSet[0]->HasVertices());

    mirrored->RootBone() = nullptr;
    mesh->IKRoot() = nullptr;
}

TEST(SelectSet, ModelsAndMeshJointPairs) {
    CQxModel root(0);
    CQxModel* a = QxAdd(root, new CQxModel(1));
    CQxModel* b = QxAdd(root, new CQxModel(1));
    CQxObject* meshA = AddGrid(*a);
    CQxJoint* jointA = QxAdd(*a, new CQxJoint(1));
    CQxJoint* jointB = QxAdd(*b, new CQxJoint(1));
    CQxObject loose(1);

    CQxSelects pair = Set({meshA, jointA}), reversed = Set({jointA, meshA}), twoModels = Set({meshA, jointB}),
               outside = Set({meshA, &loose}), twoJoints = Set({jointA, jointA});
    EXPECT_EQ(CQxSelects().GetModel(), nullptr);
    EXPECT_EQ(pair.GetModel(), a);
    EXPECT_EQ(twoModels.GetModel(), nullptr);
    EXPECT_EQ(outside.GetModel(), nullptr);

    for (CQxSelects* good : {&pair, &reversed}) {
        CQxObject* mesh = nullptr;
        CQxJoint* joint = nullptr;
        ASSERT_EQ(good->GetMeshJoint(mesh, joint), 1);
        EXPECT_TRUE(mesh == meshA && joint == jointA);
    }
    CQxSelects withParts(pair);
    withParts[0]->Faces().PushBack(QxGridFace(*meshA, 0, 0));
    CQxObject* mesh = nullptr;
    CQxJoint* joint = nullptr;
    const std::pair<const char*, CQxSelects*> bad[] = {{"two models", &twoModels},
                                                       {"with parts", &withParts},
                                                       {"two joints", &twoJoints},
                                                       {"outside", &outside}};
    for (const auto& [name, set] : bad) EXPECT_EQ(set->GetMeshJoint(mesh, joint), 0) << name;
    EXPECT_TRUE(mesh == nullptr && joint == nullptr);
}

TEST(SelectSet, BoxesAreInWorldSpace) {
    CQxGroup root(0);
    CQxGroup* parent = QxAdd(root, new CQxGroup(1));
    parent->Translate() = CQxVector(0, 3, 0);
    CQxObject* a = AddGrid(*parent);
    a->Pivot() = CQxVector(1, 0, 0);
    a->Translate() = CQxVector(5, 0, 0);
    CQxObject* b = AddGrid(root);
    b->Translate() = CQxVector(-2, 0, 1);
    CQxSelects set = Set({a, b});
    CQxBoundBox box;
    ASSERT_EQ(set.GetPivotBoundBox(box), 1);
    EXPECT_TRUE(QxNear(box.GetMin(), CQxVector(-2, 0, 0)));
    EXPECT_TRUE(QxNear(box.GetMax(), CQxVector(5, 3, 1)));
    box.Add(CQxVector(100, 100, 100)); // reset first
    ASSERT_EQ(set.GetBoundBox(box), 1);
    EXPECT_TRUE(QxNear(box.GetMin(), CQxVector(-3, 0, -1)));
    EXPECT_TRUE(QxNear(box.GetMax(), CQxVector(5, 3, 2)));
    EXPECT_EQ(CQxSelects().GetBoundBox(box) + CQxSelects().GetPivotBoundBox(box), 0);
}

TEST(SelectSet, IKGoalsAreHandleEndsWhoseChainPassesThroughTheRecord) {
    CQxModel root(0);
    CQxJoint* j1 = QxAdd(root, new CQxJoint(1));
    CQxJoint* j2 = QxAdd(*j1, new CQxJoint(1));
    CQxJoint* j3 = QxAdd(*j2, new CQxJoint(1));
    CQxObject* side = AddGrid(root);
    QxAdd(root, new CQxJoint(1))->SelectHandle(1, 0); // a handle without an IK root: no goal
    j3->IKRoot() = j2;

    CQxSelects set = Set({j2, j1, j3, side});
    CQxArray<CQxObject*> goals{side};
    set.GetSelectIKGoals(goals);
    EXPECT_EQ(goals, CQxArray<CQxObject*>({nullptr, nullptr, nullptr, nullptr}));
    j3->SelectHandle(1, 0);
    set.GetSelectIKGoals(goals);
    // j1 lies above the chain's root j2.
    EXPECT_EQ(goals, CQxArray<CQxObject*>({j3, nullptr, j3, nullptr}));
    j3->IKRoot() = nullptr;
}

TEST(SelectSet, TopObjectsChildRecordsAndExtraDeleteObjects) {
    CQxModel root(0);
    CQxGroup* a = QxAdd(root, new CQxGroup(1));
    CQxObject* a1 = AddGrid(*a);
    CQxObject* a11 = AddGrid(*a1);
    CQxObject* b = AddGrid(root);
    CQxObject* b1 = AddGrid(*b);
    CQxObject* c = AddGrid(root);
    CQxObject* c1 = AddGrid(*c);

    CQxSelects tops(b1);
    Set({a11, b1, &root, a1}).ExtractTopObjects(tops);
    EXPECT_EQ(Objects(tops), (Objs{a, b}));
    CQxSelects family = Set({a11, b, a1, b1});
    family.RemoveChildObjects();
    EXPECT_EQ(Objects(family), (Objs{b, a1}));

    // Whole records take their subtrees (a component record below one goes whole too), in
    // pre-order whatever the input order; component records are copied.
    const CQxSelect bFaces = QxRecord(b, {}, {QxGridFace(*b, 1, 0)});
    CQxSelects selects = Set({QxRecord(c1, {}, {QxGridFace(*c1, 0, 0)}), CQxSelect(a), bFaces, CQxSelect(c)});
    CQxSelects out;
    ASSERT_EQ(root.GetExtraDeleteObjects(selects, out, 1), 1);
    EXPECT_EQ(Objects(out), (Objs{a, a1, a11, b, c, c1}));
    for (unsigned int i = 0; i < out.GetSize(); ++i)
        EXPECT_EQ(out[i]->HasComponents(), out[i]->Object() == b) << "record " << i;

    CQxSelects single;
    EXPECT_EQ(a->GetExtraDeleteObjects(selects, single, 0), 1);
    EXPECT_EQ(b1->GetExtraDeleteObjects(selects, single, 1), 0);
    EXPECT_EQ(Objects(single), (Objs{a}));
    EXPECT_EQ(root.GetExtraDeleteObjects(selects, selects, 1), 1);
    EXPECT_EQ(Objects(selects), Objects(out));
}
