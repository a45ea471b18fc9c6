#include <gtest/gtest.h>

#include "qx/math/stacks.h"
#include "qx/scene/object_kinds.h"
#include "qx/skeleton/joint.h"
#include "scene_builders.h"

namespace {

CQxJoint* AddJoint(CQxObject& parent, const CQxVector& at) {
    auto* joint = QxAdd(parent, new CQxJoint(1));
    joint->Translate() = at;
    return joint;
}

} // namespace

TEST(KindsJoint, PrivateTransformLeavesOutScaleAndChildJointsDropParentScale) {
    CQxGroup root;
    CQxJoint* parent = AddJoint(root, CQxVector(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(parent->HasPrivateTransform(), 1);
    parent->Scale() = CQxVector(2.0f, 2.0f, 2.0f);
    parent->SetAngle(CQxVector(0.0f, 0.5f, 0.0f));

    // The private transform turns and places the joint but keeps lengths.
    CQxMatrix priv;
    ASSERT_EQ(parent->GetPrivateTransform(priv), 1);
    EXPECT_TRUE(QxNear(CQxVector(0.0f, 0.0f, 0.0f) * priv, CQxVector(1.0f, 2.0f, 3.0f)));
    EXPECT_NEAR((CQxVector(1.0f, 0.0f, 0.0f) * priv - CQxVector(0.0f, 0.0f, 0.0f) * priv).GetLength(), 1.0f,
                1e-5f);
    const CQxMatrix full = parent->GetTransform(QX_TF_ALL, 0);
    EXPECT_NEAR((CQxVector(1.0f, 0.0f, 0.0f) * full - CQxVector(0.0f, 0.0f, 0.0f) * full).GetLength(), 2.0f,
                1e-5f);

    // A child joint sits where the scaled parent puts it but is not scaled itself; a mesh under
    // the same joint is.
    parent->SetAngle(CQxVector(0.0f, 0.0f, 0.0f));
    CQxJoint* child = AddJoint(*parent, CQxVector(3.0f, 0.0f, 0.0f));
    auto* mesh = QxAdd(*parent, new CQxObject(1));
    mesh->Translate() = CQxVector(3.0f, 0.0f, 0.0f);
    CQxMatrixStack stack;
    root.UpdateTransform(stack, nullptr);
    const CQxMatrix& childWorld = child->GetCachedTransform();
    EXPECT_TRUE(QxNear(CQxVector(0.0f, 0.0f, 0.0f) * childWorld, CQxVector(7.0f, 2.0f, 3.0f)));
    EXPECT_TRUE(QxNear(CQxVector(0.0f, 1.0f, 0.0f) * childWorld, CQxVector(7.0f, 3.0f, 3.0f)));
    EXPECT_TRUE(
        QxNear(CQxVector(0.0f, 1.0f, 0.0f) * mesh->GetCachedTransform(), CQxVector(7.0f, 4.0f, 3.0f)));
    EXPECT_TRUE(QxNear(CQxVector(0.0f, 1.0f, 0.0f) * child->GetTransformToRoot(QX_TF_ALL, 0),
                       CQxVector(7.0f, 3.0f, 3.0f)));
    // The cached private transform of the parent is its private transform.
    EXPECT_TRUE(QxNear(CQxVector(0.0f, 1.0f, 0.0f) * parent->GetCachedPrivateTransform(),
                       CQxVector(1.0f, 3.0f, 3.0f)));
}

TEST(KindsJoint, BonesReachTheChildJoints) {
    CQxGroup root;
    CQxJoint* joint = AddJoint(root, CQxVector(0.0f, 0.0f, 0.0f));
    CQxJoint* child = AddJoint(*joint, CQxVector(3.0f, 0.0f, 0.0f));
    auto* mesh = QxAdd(*joint, new CQxObject(1));
    CQxJoint* hidden = AddJoint(*mesh, CQxVector(0.0f, 1.0f, 0.0f)); // under a mesh: not in the skeleton
    CQxJoint* grandchild = AddJoint(*child, CQxVector(0.0f, 0.0f, -2.0f));

    ASSERT_EQ(joint->Create(0.5f, 8), 1);
    EXPECT_EQ(joint->GetBoneShapeCount(), 1u);
    // Tip at the child, root at the joint's pivot.
    EXPECT_TRUE(QxNear(joint->BoneVertices(4)[0]->Position(), CQxVector(3.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(QxNear(joint->BoneVertices(0)[0]->Position(), CQxVector(0.0f, 0.0f, 0.0f)));

    // Moving the child and updating stretches the bone onto the new direction.
    child->Translate() = CQxVector(0.0f, 0.0f, -2.0f);
    ASSERT_EQ(joint->UpdateBoneVertices(), 1);
    EXPECT_TRUE(QxNear(joint->BoneVertices(4)[0]->Position(), CQxVector(0.0f, 0.0f, -2.0f)));
    // Straight back along -X needs a turn of half a circle.
    child->Translate() = CQxVector(-4.0f, 0.0f, 0.0f);
    joint->UpdateBoneVertices();
    EXPECT_TRUE(QxNear(joint->BoneVertices(4)[0]->Position(), CQxVector(-4.0f, 0.0f, 0.0f)));
    // The ring sits a fifth of the way along, off the axis.
    const CQxVector ring = joint->BoneVertices(2)[0]->Position();
    EXPECT_NEAR(ring.x, -0.8f, 1e-4f);
    EXPECT_GT(ring.y * ring.y + ring.z * ring.z, 0.0f);

    // A scaled joint's bone reaches the child where the scale puts it.
    joint->Scale() = CQxVector(2.0f, 2.0f, 2.0f);
    joint->UpdateBoneVertices();
    EXPECT_TRUE(QxNear(joint->BoneVertices(4)[0]->Position(), CQxVector(-8.0f, 0.0f, 0.0f)));

    // A joint whose only child is a mesh has no bone shapes; the skeleton skips joints below meshes.
    CQxJoint lone;
    lone.PushChild(new CQxObject(1));
    ASSERT_EQ(lone.Create(1.0f, 6), 1);
    EXPECT_EQ(lone.GetBoneShapeCount(), 0u);
    EXPECT_EQ(lone.GetBoneCount(), 1u);
    CQxArray<CQxJoint*> bones;
    joint->GetBones(bones);
    ASSERT_EQ(bones.GetSize(), 3u);
    EXPECT_EQ(bones[0], joint);
    EXPECT_EQ(bones[1], child);
    EXPECT_EQ(bones[2], grandchild);
    EXPECT_EQ(joint->GetBoneCount(), 3u);
    EXPECT_EQ(joint->FindBone(grandchild), 1);
    EXPECT_EQ(joint->FindBone(hidden), 0);

    // A bone for a child added later appears once the joint is rebuilt.
    AddJoint(*joint, CQxVector(0.0f, 5.0f, 0.0f));
    EXPECT_EQ(joint->UpdateBoneVertices(), 0); // the shapes no longer match the children
    ASSERT_EQ(joint->Recreate(), 1);
    EXPECT_EQ(joint->GetBoneShapeCount(), 2u);
    EXPECT_TRUE(QxNear(joint->BoneVertices(4)[1]->Position(), CQxVector(0.0f, 10.0f, 0.0f)));
}

TEST(KindsJoint, RadiusRebuildsOnlyWhenItChanges) {
    CQxJoint joint(1);
    ASSERT_EQ(joint.Create(1.0f, 8), 1);
    const CQxVertex* first = joint.Mesh().Vertices().Front();
    EXPECT_EQ(joint.SetRadius(1.0f), 0);
    EXPECT_EQ(joint.Mesh().Vertices().Front(), first);
    EXPECT_EQ(joint.SetRadius(3.0f), 1);
    EXPECT_NEAR(joint.BoundBox().GetSize().y, 6.0f, 1e-4f);

    // A ball the mesh library refuses leaves no stale shape behind.
    EXPECT_EQ(joint.Create(-1.0f, 8), 0);
    EXPECT_TRUE(joint.Mesh().IsEmpty());
    EXPECT_EQ(joint.Create(1.0f, 8), 1);

    // Copies have their own ball; deleting frees the bones with the mesh.
    AddJoint(joint, CQxVector(2.0f, 0.0f, 0.0f));
    ASSERT_EQ(joint.Recreate(), 1);
    EXPECT_EQ(joint.GetBoneShapeCount(), 1u);
    CQxJoint copy(joint);
    EXPECT_EQ(copy.GetChildCount(), 0u);
    EXPECT_EQ(copy.GetBoneShapeCount(), 0u);
    EXPECT_FALSE(copy.Mesh().IsEmpty());
    EXPECT_FLOAT_EQ(copy.Radius(), 1.0f);
    // Assignment rebuilds from the copied mesh: the bones match the copied children.
    CQxJoint assigned;
    assigned = joint;
    EXPECT_FLOAT_EQ(assigned.Radius(), 1.0f);
    EXPECT_FALSE(assigned.Mesh().IsEmpty());
    EXPECT_EQ(assigned.UpdateBoneVertices(), 1);
    joint.Delete();
    EXPECT_EQ(joint.GetBoneShapeCount(), 0u);
    EXPECT_EQ(joint.UpdateBoneVertices(), 0);
}
