#include <gtest/gtest.h>

#include "qx/graphics/primitive.h"
#include "qx/scene/object_kinds.h"
#include "scene_builders.h"

namespace {

// root (group) -> parent -> child, every level with pivot, scale, rotation and translation.
struct Chain {
    CQxGroup root{1};
    CQxObject* parent = new CQxObject(1);
    CQxObject* child = new CQxObject(1);

    Chain() {
        root.Translate().Set(0, 0, -1);
        root.SetAngle(CQxVector(0, 0, 0.4f));
        parent->Pivot().Set(1, 0, 0);
        parent->Scale().Set(2, 1, 1);
        parent->SetAngle(CQxVector(0.5f, 0, 0));
        parent->Translate().Set(0, 3, 0);
        child->Pivot().Set(0, 0.5f, 0);
        child->Scale().Set(1, 1, 3);
        child->SetAngle(CQxVector(0, 0.25f, -0.75f));
        child->Translate().Set(-2, 1, 4);
        root.PushChild(parent);
        parent->PushChild(child);
    }
};

TEST(ObjectTransform, ChainsComposeFromObjectToRootAndInvert) {
    Chain c;
    const CQxMatrix own = c.child->GetTransform(QX_TF_ALL, 0);
    const CQxMatrix up = c.parent->GetTransform(QX_TF_ALL, 0);
    const CQxMatrix top = c.root.GetTransform(QX_TF_ALL, 0);
    const CQxVector point(0.3f, -1.2f, 2.5f);
    const CQxVector world = ((point * own) * up) * top;

    EXPECT_TRUE(QxNear(point * c.child->GetTransformToRoot(QX_TF_ALL, 0), world, 1e-3f));
    EXPECT_TRUE(QxNear(point * c.child->GetLocalTransformToRoot(QX_TF_ALL, 0), (point * up) * top, 1e-3f));
    EXPECT_TRUE(
        QxNear(point * c.child->GetTransformToAncestor(&c.root, QX_TF_ALL, 0), (point * own) * up, 1e-3f));
    EXPECT_TRUE(QxNear(world * c.child->GetTransformFromRoot(QX_TF_ALL, 0), point, 1e-3f));
    EXPECT_TRUE(
        QxNear(((point * up) * top) * c.child->GetLocalTransformFromRoot(QX_TF_ALL, 0), point, 1e-3f));
    EXPECT_TRUE(QxNear(((point * own) * up) * c.child->GetTransformFromAncestor(&c.root, QX_TF_ALL, 0), point,
                       1e-3f));

    // Every inverse is on the stack; its top takes world points back into the object.
    CQxMatrixStack inverses;
    c.child->GetEveryInvTransformToRoot(inverses, QX_TF_ALL, 0);
    EXPECT_EQ(inverses.GetCount(), 3u);
    EXPECT_TRUE(QxNear(world * inverses.Top(), point, 1e-3f));

    // Left-handed chains are the right-handed ones seen with Z negated.
    CQxMatrix flip;
    flip.SetScale(CQxVector(1, 1, -1));
    EXPECT_TRUE(c.child->GetTransformToRoot(QX_TF_ALL, 1)
                    .IsEqual(flip * c.child->GetTransformToRoot(QX_TF_ALL, 0) * flip, 1e-3f));

    // Rotations compose the same way.
    const CQxQuat turn = c.child->Rotate() * c.parent->Rotate() * c.root.Rotate();
    EXPECT_TRUE(c.child->GetRotateToRoot().IsSameRotate(turn, 1e-5f));
    EXPECT_TRUE((c.child->GetLocalRotateToRoot() * c.child->GetLocalRotateFromRoot()).IsIdentity(1e-5f));
    EXPECT_TRUE((c.child->GetRotateToRoot() * c.child->GetRotateFromRoot()).IsIdentity(1e-5f));

    // A root without any transform: the matrix forms give the identity.
    CQxObject plain;
    EXPECT_TRUE(plain.GetTransformToRoot(QX_TF_ALL, 0).IsIdentity());
    EXPECT_TRUE(plain.GetTransformFromRoot(QX_TF_ALL, 0).IsIdentity());
    EXPECT_TRUE(plain.GetLocalTransformToRoot(QX_TF_ALL, 0).IsIdentity());
}

TEST(ObjectTransform, UpdateTransformCachesWorldMatricesDownTheTree) {
    Chain c;
    CQxMatrixStack stack;
    c.root.UpdateTransform(stack, nullptr);
    EXPECT_TRUE(stack.IsEmpty());
    for (const CQxObject* o :
         {static_cast<const CQxObject*>(&c.root), static_cast<const CQxObject*>(c.parent),
          static_cast<const CQxObject*>(c.child)})
        EXPECT_TRUE(o->GetCachedTransform().IsEqual(o->GetTransformToRoot(QX_TF_ALL, 0), 1e-4f));

    // A start matrix on the stack places the whole tree under it.
    CQxMatrix offset;
    offset.SetTranslate(CQxVector(10, 0, 0));
    stack.Init(offset);
    c.root.UpdateTransform(stack, nullptr);
    EXPECT_EQ(stack.GetCount(), 1u);
    EXPECT_TRUE(QxNear(CQxVector() * c.child->GetCachedTransform(),
                       CQxVector() * c.child->GetTransformToRoot(QX_TF_ALL, 0) + CQxVector(10, 0, 0), 1e-3f));
}

TEST(ObjectTransform, MovePivotKeepsEveryVertexInPlace) {
    CQxGroup root(1);
    root.SetAngle(CQxVector(0.2f, 0.1f, 0));
    root.Scale().Set(1, 2, 1);
    CQxObject* cube = QxNewCube(2.0f);
    cube->Scale().Set(1.5f, 0.5f, 2);
    cube->SetAngle(CQxVector(0.3f, -0.6f, 0.9f));
    cube->Translate().Set(4, -1, 2);
    root.PushChild(cube);

    const std::vector<CQxVector> before = QxWorldVertices(*cube);
    EXPECT_EQ(cube->MovePivot(cube->Pivot()), 0);
    ASSERT_EQ(cube->MovePivot(CQxVector(1, 1, -1)), 1);
    EXPECT_TRUE(QxNear(QxWorldVertices(*cube), before));

    // The pivot marker moved with the pivot and keeps its size (a fifth of the largest side).
    const CQxPrimitive* marker = cube->GetPrimitive(CQxObject::PRIM_PIVOT);
    ASSERT_NE(marker, nullptr);
    ASSERT_EQ(marker->GetVertexCount(), 6u);
    const float* at = marker->GetVertices()[0].Position;
    EXPECT_TRUE(QxNear(CQxVector(at[0], at[1], at[2]), CQxVector(1, 1, -1)));
    const float* end = marker->GetVertices()[1].Position;
    EXPECT_NEAR(CQxVector(end[0], end[1], end[2]).GetDistance(CQxVector(at[0], at[1], at[2])), 0.4f, 1e-5f);
}

TEST(ObjectTransform, BoundBoxesCoverTheSubtreeUnderItsTransforms) {
    CQxGroup root(1);
    root.Scale().Set(2, 2, 2);
    QxAdd(root, QxNewCube(1.0f));
    CQxObject* b = QxAdd(root, QxNewCube(1.0f));
    b->Translate().Set(5, 0, 0);

    CQxBoundBox box;
    CQxMatrixStack stack;
    root.GetBoundBox(box, stack);
    EXPECT_TRUE(stack.IsEmpty());
    EXPECT_TRUE(QxNear(box.GetMin(), CQxVector(-1, -1, -1)));
    EXPECT_TRUE(QxNear(box.GetMax(), CQxVector(11, 1, 1)));

    // The object's own box is that of its edited mesh, with a box mesh around it for coarse tests.
    EXPECT_TRUE(QxNear(b->BoundBox().GetMin(), CQxVector(-0.5f, -0.5f, -0.5f)));
    CQxBoundBox coarse;
    ASSERT_TRUE(b->Mesh(CQxObject::MESH_BOUND).GetBoundBox(coarse));
    EXPECT_TRUE(QxNear(coarse.GetMin(), b->BoundBox().GetMin()));
    EXPECT_TRUE(QxNear(coarse.GetMax(), b->BoundBox().GetMax()));
    // A flat mesh still gets a box.
    CQxObject flat(1);
    flat.Mesh().CreatePlane(0, 2, 2, 1, 1, nullptr, 0);
    flat.UpdateBoundBox();
    EXPECT_FALSE(flat.Mesh(CQxObject::MESH_BOUND).IsEmpty());
}

} // namespace
