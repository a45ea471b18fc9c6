#include <gtest/gtest.h>

#include "qx/scene/object_kinds.h"
#include "scene_builders.h"

namespace {

CQxArray<unsigned int> List(std::initializer_list<unsigned int> values) {
    return CQxArray<unsigned int>(values);
}

} // namespace

TEST(SelectRecord, DeletingTakesEverythingOnTheSelectionAndWhatOnlyItUsed) {
    auto grid = QxNewGrid();
    CQxMesh& mesh = grid->Mesh();
    // A free edge from the bottom middle vertex to a lone vertex, and one between two corners
    // that survive.
    auto* lone = new CQxVertex(CQxVector(0, 0, 3));
    mesh.Vertices().PushBack(lone);
    auto* spoke = new CQxEdge(QxGridVertex(*grid, 1, 0), lone, 0);
    mesh.Edges().PushBack(spoke);
    mesh.Edges().PushBack(new CQxEdge(QxGridVertex(*grid, 0, 2), QxGridVertex(*grid, 2, 2), 0));
    CQxSelect select = QxRecord(grid.get(), {QxGridVertex(*grid, 1, 0)});
    EXPECT_EQ(select.ExtractDelete(), 1);
    // The two faces on the vertex go; of their corners only the bottom row is left unused.
    EXPECT_EQ(QxPositions(*grid, select.Vertices()), List({0, 1, 2, 9}));
    EXPECT_EQ(QxPositions(*grid, select.Faces()), List({0, 1}));
    EXPECT_EQ(select.Edges(), CQxArray<CQxEdge*>({spoke}));

    // A half-edge deletes the faces on both its sides; the free edge that survives keeps its
    // end at the bottom middle.
    CQxHalfEdge* side =
        QxFindSide(*QxGridFace(*grid, 0, 0), QxGridVertex(*grid, 1, 0), QxGridVertex(*grid, 1, 1));
    ASSERT_TRUE(side && side->Mate());
    CQxSelect halfEdge = QxRecord(grid.get(), {}, {}, {side});
    EXPECT_EQ(halfEdge.ExtractDelete(), 1);
    EXPECT_EQ(QxPositions(*grid, halfEdge.Faces()), List({0, 1}));
    EXPECT_EQ(QxPositions(*grid, halfEdge.Vertices()), List({0, 2}));
    EXPECT_FALSE(halfEdge.HasHalfEdges());

    // Deleting every face leaves no vertex behind: the record stands for the whole object.
    auto whole = QxNewGrid();
    CQxSelect all(whole.get());
    for (CQxFace& f : whole->Mesh().Faces()) all.Faces().PushBack(&f);
    EXPECT_EQ(all.ExtractDelete(), 1);
    EXPECT_FALSE(all.HasComponents());
    EXPECT_EQ(all.Object(), whole.get());
}

TEST(SelectRecord, CutAndCopyNeedEdgesOrFaces) {
    CQxGroup root(1);
    CQxObject* grid = QxNewGrid().release();
    root.PushChild(grid);
    CQxFace* corner = QxGridFace(*grid, 0, 0);
    CQxSelect cut = QxRecord(grid, {}, {corner});
    EXPECT_EQ(cut.ExtractCut(), 1);
    EXPECT_EQ(QxPositions(*grid, cut.Vertices()), List({0})); // the others hold other faces
    EXPECT_EQ(QxPositions(*grid, cut.Faces()), List({0}));

    // The copy lists every corner in mesh order and leaves the faces as they were.
    CQxSelect copy = QxRecord(grid, {}, {QxGridFace(*grid, 1, 1), corner});
    EXPECT_EQ(copy.ExtractCopy(), 1);
    EXPECT_EQ(QxPositions(*grid, copy.Vertices()), List({0, 1, 3, 4, 5, 7, 8}));
    EXPECT_EQ(QxPositions(*grid, copy.Faces()), List({3, 0}));

    CQxSelect all(grid);
    for (CQxFace& f : grid->Mesh().Faces()) all.Faces().PushBack(&f);
    EXPECT_EQ(all.ExtractCut(), 1);
    EXPECT_FALSE(all.HasComponents());

    // Vertices and half-edges alone are dropped by cut and copy, not by delete; the root object
    // itself is never deleted.
    CQxSelect sides = QxRecord(grid, {QxGridVertex(*grid, 1, 1)}, {},
                               {QxFindSide(*corner, QxGridVertex(*grid, 0, 0), QxGridVertex(*grid, 1, 0))});
    CQxSelect single(sides);
    EXPECT_EQ(single.ExtractCopy(), 0);
    EXPECT_FALSE(single.HasComponents());
    CQxSelects forCut(sides), forCopy(sides), forDelete(sides), rootOnly(&root);
    forCut.ExtractCut();
    forCopy.ExtractCopy();
    forDelete.ExtractDelete();
    rootOnly.ExtractDelete();
    EXPECT_EQ(forCut.GetSize() + forCopy.GetSize() + rootOnly.GetSize(), 0u);
    EXPECT_EQ(forDelete.GetSize(), 1u);
}

TEST(SelectRecord, ComponentVerticesExtrusionAndLoading) {
    auto grid = QxNewGrid();
    CQxFace* f0 = QxGridFace(*grid, 0, 0);
    CQxHalfEdge* bottom = QxFindSide(*f0, QxGridVertex(*grid, 0, 0), QxGridVertex(*grid, 1, 0));
    CQxHalfEdge* inner =
        QxFindSide(*QxGridFace(*grid, 0, 1), QxGridVertex(*grid, 1, 1), QxGridVertex(*grid, 1, 2));
    ASSERT_TRUE(bottom && inner);
    CQxSelect select = QxRecord(grid.get(), {QxGridVertex(*grid, 2, 2)}, {QxGridFace(*grid, 1, 1)}, {bottom});

    // Every vertex touched, once each, in mesh order; with and without the other arrays.
    CQxSelect keep(select);
    keep.ExtractComponentVertices();
    EXPECT_EQ(QxPositions(*grid, keep.Vertices()), List({0, 1, 4, 5, 7, 8}));
    EXPECT_TRUE(keep.HasFaces() && keep.HasHalfEdges());
    select.ExtractVertices();
    EXPECT_EQ(QxPositions(*grid, select.Vertices()), List({0, 1, 4, 5, 7, 8}));
    EXPECT_FALSE(select.HasFaces() || select.HasHalfEdges());
    CQxSelect whole(grid.get());
    whole.ExtractVertices();
    EXPECT_FALSE(whole.HasComponents());

    // Extrusion keeps the faces and only the sides of faces not extruded themselves.
    CQxSelect extrude = QxRecord(grid.get(), {QxGridVertex(*grid, 1, 1)}, {f0}, {bottom, inner});
    extrude.ExtractExtrude();
    EXPECT_FALSE(extrude.HasVertices());
    EXPECT_EQ(extrude.Faces().GetSize(), 1u);
    EXPECT_EQ(extrude.HalfEdges(), CQxArray<CQxHalfEdge*>({inner}));

    // Loading by vertex positions replaces the record; positions past the end are skipped.
    extrude.IsHandle() = 1;
    ASSERT_EQ(extrude.Load(grid.get(), List({4, 0, 99, 8})), 1);
    EXPECT_EQ(QxPositions(*grid, extrude.Vertices()), List({4, 0, 8}));
    EXPECT_FALSE(extrude.HasFaces() || extrude.IsHandle());
    EXPECT_EQ(extrude.Load(nullptr, List({1})), 0);
    EXPECT_EQ(extrude.Vertices().GetSize(), 3u);
}

TEST(SelectRecord, BoundBoxIsInWorldSpaceAndGeometryUpdatesOnRequest) {
    auto grid = QxNewGrid();
    grid->Translate() = CQxVector(10, 0, 0);
    grid->Scale() = CQxVector(2, 2, 2);
    CQxBoundBox box;
    EXPECT_EQ(CQxSelect(grid.get()).GetBoundBox(box), 1);
    EXPECT_TRUE(QxNear(box.GetMin(), CQxVector(8, 0, -2)));
    EXPECT_TRUE(QxNear(box.GetMax(), CQxVector(12, 0, 2)));

    // The first face's corners only, added to what the box holds.
    CQxBoundBox part;
    part.Add(CQxVector(0, 5, 0));
    CQxSelect face = QxRecord(grid.get(), {}, {QxGridFace(*grid, 0, 0)});
    EXPECT_EQ(face.GetBoundBox(part), 1);
    EXPECT_TRUE(QxNear(part.GetMin(), CQxVector(0, 0, 0)));
    EXPECT_TRUE(QxNear(part.GetMax(), CQxVector(10, 5, 2)));
    CQxObject empty(1);
    EXPECT_EQ(CQxSelect(&empty).GetBoundBox(box), 0);
    EXPECT_EQ(CQxSelect().GetBoundBox(box), 0);

    grid->Mesh().UpdateNormals();
    QxGridVertex(*grid, 2, 2)->Position().y = 4.0f;
    face.UpdateGeometryEx(0, 0);
    EXPECT_FLOAT_EQ(grid->BoundBox().GetMax().y, 0.0f);
    EXPECT_TRUE(QxNear(QxGridFace(*grid, 1, 1)->Normal(), CQxVector(0, 1, 0)));
    face.UpdateGeometryEx(1, 1);
    EXPECT_FLOAT_EQ(grid->BoundBox().GetMax().y, 4.0f);
    EXPECT_FALSE(QxNear(QxGridFace(*grid, 1, 1)->Normal(), CQxVector(0, 1, 0)));
}

TEST(SelectRecord, WritingBackSetsObjectHandleAndComponentStates) {
    auto grid = QxNewGrid();
    CQxSelect handle(grid.get());
    handle.IsHandle() = 1;
    handle.SelectObject(1, 0);
    EXPECT_EQ(grid->IsHandleSelect() * 2 + grid->IsSelect(), 2);
    handle.ToggleSelectObject(0);
    CQxSelect(grid.get()).SelectObject(1, 0);
    EXPECT_EQ(grid->IsHandleSelect() * 2 + grid->IsSelect(), 1);

    // Components: exactly the listed elements, and the object flag follows the mesh.
    grid->Select(0, 0);
    CQxSelect points = QxRecord(grid.get(), {QxGridVertex(*grid, 2, 0)});
    points.SelectComponents(1);
    EXPECT_EQ(QxGridVertex(*grid, 2, 0)->IsSelect() + QxGridVertex(*grid, 0, 0)->IsSelect(), 1);
    EXPECT_EQ(grid->IsSelect(), 1);
    points.ToggleSelectComponents();
    EXPECT_EQ(QxGridVertex(*grid, 2, 0)->IsSelect() + grid->IsSelect(), 0);

    // Without components in component mode: every element of the mesh.
    grid->SetComponentMode(1, 0);
    CQxSelect(grid.get()).SelectComponents(1);
    EXPECT_EQ(QxGridFace(*grid, 1, 1)->IsSelect() + QxGridVertex(*grid, 1, 1)->IsSelect(), 2);

    // Objects that are not plain meshes take no component selection.
    CQxGroup group(1);
    CQxSelect(&group).SelectComponents(1);
    CQxSelect(&group).ToggleSelectComponents();
    EXPECT_EQ(group.IsSelect(), 0);
}
