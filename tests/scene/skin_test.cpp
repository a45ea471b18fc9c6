#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "qx/graphics/primitive.h"
#include "qx/math/stacks.h"
#include "qx/scene/model.h"
#include "qx/scene/settings.h"
#include "qx/skeleton/joint.h"
#include "scene_builders.h"

// A skeleton of three joints in a row along X and a strip of vertices along it:
//
//   Hip (1,2,3) ---- Knee (+10,0,0) ---- Foot (+10,0,0)
//
//   vertices:  x = 1 ... 21 (a few off the line in y)
//
// Hip and Knee have a bone each (to their joint child); Foot is a leaf and never scores.
class Skin : public ::testing::Test {
protected:
    Skin() {
        hip = AddJoint(model, CQxVector(1.0f, 2.0f, 3.0f));
        knee = AddJoint(*hip, CQxVector(10.0f, 0.0f, 0.0f));
        foot = AddJoint(*knee, CQxVector(10.0f, 0.0f, 0.0f));
        mesh = QxAdd(model, new CQxObject(1), "Leg");
        mesh->Translate() = CQxVector(1.0f, 2.0f, 3.0f);
    }

    static CQxJoint* AddJoint(CQxObject& parent, const CQxVector& at) {
        auto* joint = QxAdd(parent, new CQxJoint(1));
        joint->Translate() = at;
        joint->Create(1.0f, 6);
        return joint;
    }

    // Mesh-local points; the mesh sits where the hip does, so x runs along the leg.
    void AddVertices(const std::vector<CQxVector>& points) {
        for (const CQxVector& p : points) mesh->Mesh().Vertices().PushBack(new CQxVertex(p));
        mesh->Mesh().UpdateIndices();
        mesh->UpdateBoundBox();
        mesh->UpdateGraphics();
    }

    // The joints' world matrices now: what the blend below takes as the current pose.
    std::vector<CQxMatrix> BoneWorlds() const {
        return {hip->GetTransformToRoot(QX_TF_ALL, 0), knee->GetTransformToRoot(QX_TF_ALL, 0),
                foot->GetTransformToRoot(QX_TF_ALL, 0)};
    }

    // The linear blend worked out here from world matrices: each influence carries the vertex
    // from its bind-pose bone space to the bone's present place, weights scaled to sum one.
    CQxVector Blend(const CQxVertex& v, const std::vector<CQxMatrix>& bind, const std::vector<CQxMatrix>& now) const {
        const CQxMatrix world = mesh->GetTransformToRoot(QX_TF_ALL, 0);
        const CQxVector p = v.Position() * world;
        CQxVector sum;
        float total = 0.0f;
        for (int s = 0; s < 4; ++s) {
            const float w = v.Bones()->Weights[s];
            if (w <= 0.0f) continue;
            const unsigned int b = v.Bones()->Indices[s];
            sum += p * bind[b].GetInverse() * now[b] * w;
            total += w;
        }
        if (total == 0.0f) sum = p * bind[0].GetInverse() * now[0], total = 1.0f;
        return sum * (1.0f / total) * world.GetInverse();
    }

    // Where the object's vertices are drawn (the point primitive holds one per vertex, in order),
    // after a frame's transform walk.
    std::vector<CQxVector> Drawn() {
        CQxMatrixStack stack;
        model.UpdateTransform(stack, nullptr);
        std::vector<CQxVector> out;
        const CQxPrimitive* points = mesh->GetPrimitive(CQxObject::PRIM_POINTS);
        for (unsigned int i = 0; points && i < points->GetVertexCount(); ++i) {
            const float* p = points->GetVertices()[i].Position;
            out.emplace_back(p[0], p[1], p[2]);
        }
        return out;
    }

    std::vector<CQxVector> MeshPositions() const {
        std::vector<CQxVector> out;
        for (const CQxVertex& v : mesh->Mesh().Vertices()) out.push_back(v.Position());
        return out;
    }

    const CQxVertexBones& BonesOf(unsigned int i) const {
        return *mesh->Mesh().Vertices().GetAt(i)->Bones();
    }

    CQxModel model{1};
    CQxJoint* hip = nullptr;
    CQxJoint* knee = nullptr;
    CQxJoint* foot = nullptr;
    CQxObject* mesh = nullptr;
};

// --- Binding ---------------------------------------------------------------------------------------

TEST_F(Skin, BindingRecordsThePoseAndNumbersTheBones) {
    AddVertices({{5.0f, 0.0f, 0.0f}});
    ASSERT_EQ(mesh->SetSkin(hip, 1), 1);
    EXPECT_EQ(mesh->RootBone(), hip);
    ASSERT_EQ(mesh->BindParams().GetSize(), 3u);
    EXPECT_EQ(mesh->BindParams()[1].Translate(), knee->Translate());
    EXPECT_EQ(knee->GetBoneIndex(), 1u);
    EXPECT_EQ(foot->GetBoneIndex(), 2u);
    EXPECT_EQ(mesh->CurBone(), 0u);
    EXPECT_EQ(mesh->BoneTransforms().GetSize(), 3u);
}

TEST_F(Skin, RefusedWithoutARootOrAMesh) {
    EXPECT_EQ(mesh->SetSkin(hip, 1), 0) << "a mesh without vertices";
    AddVertices({{5.0f, 0.0f, 0.0f}});
    EXPECT_EQ(mesh->SetSkin(nullptr, 1), 0);
    EXPECT_FALSE(mesh->IsSkinned());
}

TEST_F(Skin, WeightsFollowTheInverseDistancePowerOfTheNearestBones) {
    // 2 above the hip bone, 5 from the knee bone's segment (sqrt(5^2 + 2^2) to its start).
    AddVertices({{5.0f, 2.0f, 0.0f}});
    ASSERT_EQ(mesh->SetSkin(hip, 1), 1);
    const double hipScore = std::pow(1.0 / 2.0, 10.0), kneeScore = std::pow(1.0 / std::sqrt(29.0), 10.0);
    const CQxVertexBones& b = BonesOf(0);
    EXPECT_EQ(b.Indices[0], 0u) << "the hip scores best";
    EXPECT_EQ(b.Indices[1], 1u) << "then its neighbour, the knee";
    EXPECT_NEAR(b.Weights[0], hipScore / (hipScore + kneeScore), 1e-6);
    EXPECT_NEAR(b.Weights[1], kneeScore / (hipScore + kneeScore), 1e-6);
    EXPECT_EQ(b.Weights[2], 0.0f) << "the foot has no bone of its own";
}

// Vertices that end up with one bone at full weight in slot 0: under a lone joint; with one
// influence each, the nearest bone; on a bone's segment, that bone even with several allowed.
TEST_F(Skin, OneInfluenceTakesSlotZeroAtFullWeight) {
    const struct {
        const char* what;
        bool lone;
        int multiple;
        std::vector<CQxVector> points;
        std::vector<unsigned int> bones;
    } cases[] = {
        {"a single bone", true, 1, {{5, 0, 0}, {-3, 7, 1}}, {0, 0}},
        {"one influence each", false, 0, {{5, 2, 0}, {14, -1, 0}}, {0, 1}},
        {"on the knee's bone", false, 1, {{14, 0, 0}}, {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mesh->ClearSkin();
        mesh->Mesh().Clear();
        AddVertices(c.points);
        ASSERT_EQ(mesh->SetSkin(c.lone ? AddJoint(model, CQxVector()) : hip, c.multiple), 1);
        for (unsigned int i = 0; i < c.bones.size(); ++i) {
            EXPECT_EQ(BonesOf(i).Indices[0], c.bones[i]) << "vertex " << i;
            EXPECT_EQ(BonesOf(i).Weights[0], 1.0f) << "vertex " << i;
            EXPECT_EQ(BonesOf(i).Weights[1], 0.0f) << "vertex " << i;
        }
    }
}

TEST_F(Skin, ClearingDropsBindingAndWeights) {
    AddVertices({{5.0f, 0.0f, 0.0f}});
    ASSERT_EQ(mesh->SetSkin(hip, 1), 1);
    mesh->ClearSkin();
    EXPECT_FALSE(mesh->IsSkinned());
    EXPECT_TRUE(mesh->BindParams().IsEmpty());
    EXPECT_TRUE(mesh->BoneTransforms().IsEmpty());
    EXPECT_FALSE(mesh->Mesh().Vertices().GetAt(0)->HasBones());
}

// --- The bent pose ---------------------------------------------------------------------------------

TEST_F(Skin, TheBindPoseDrawsTheMeshUnchanged) {
    AddVertices({{0.0f, 1.0f, 0.0f}, {5.0f, 2.0f, 0.0f}, {9.0f, -1.0f, 1.0f}, {19.0f, 0.0f, 0.0f}});
    ASSERT_EQ(mesh->SetSkin(hip, 1), 1);
    EXPECT_EQ(Drawn(), MeshPositions());
}

TEST_F(Skin, ABentKneeMovesItsVerticesAsTheLinearBlend) {
    AddVertices({{0.0f, 1.0f, 0.0f}, {5.0f, 2.0f, 0.0f}, {9.0f, -1.0f, 1.0f}, {12.0f, 0.5f, 0.0f}, {19.0f, 0.0f, 0.0f}});
    ASSERT_EQ(mesh->SetSkin(hip, 1), 1);
    const std::vector<CQxMatrix> bind = BoneWorlds();
    knee->SetAngle(CQxVector(0.0f, 0.0f, 1.2f));
    hip->SetAngle(CQxVector(0.3f, 0.0f, 0.0f));
    const std::vector<CQxMatrix> now = BoneWorlds();
    const std::vector<CQxVector> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 5u);
    for (unsigned int i = 0; i < drawn.size(); ++i)
        EXPECT_TRUE(QxNear(drawn[i], Blend(*mesh->Mesh().Vertices().GetAt(i), bind, now), 1e-3f)) << "vertex " << i;
    // The mesh itself keeps its bind-pose positions.
    EXPECT_EQ(mesh->Mesh().Vertices().GetAt(4)->Position().x, 19.0f);
}

TEST_F(Skin, HandWeightsBlendScaledToOneAndUnboundVerticesFollowTheRoot) {
    AddVertices({{12.0f, 0.0f, 0.0f}, {12.0f, 1.0f, 0.0f}, {12.0f, 2.0f, 0.0f}, {8.0f, 1.0f, 1.0f}});
    ASSERT_EQ(mesh->SetSkin(hip, 1), 1);
    CQxVertexBones& half = *mesh->Mesh().Vertices().GetAt(0)->Bones();
    half = CQxVertexBones{{0, 1, 0, 0}, {0.3f, 0.3f, 0.0f, 0.0f}};   // sums to 0.6
    CQxVertexBones& four = *mesh->Mesh().Vertices().GetAt(3)->Bones();
    four = CQxVertexBones{{0, 1, 2, 1}, {0.1f, 0.2f, 0.3f, 0.4f}};   // every slot, a bone twice
    CQxVertexBones& none = *mesh->Mesh().Vertices().GetAt(1)->Bones();
    none = CQxVertexBones{{1, 2, 0, 0}, {0.0f, 0.0f, 0.0f, 0.0f}};   // bound to no joint
    CQxVertexBones& bad = *mesh->Mesh().Vertices().GetAt(2)->Bones();
    bad = CQxVertexBones{{1, 0, 0, 0}, {NAN, -2.0f, 0.0f, 0.0f}};    // nothing usable
    mesh->UpdateGeometry();
    const std::vector<CQxMatrix> bind = BoneWorlds();
    EXPECT_EQ(Drawn(), MeshPositions()) << "in the bind pose any weights leave the mesh as it is";

    knee->SetAngle(CQxVector(0.0f, 0.0f, 0.8f));
    hip->Translate() = CQxVector(1.0f, 5.0f, 3.0f);
    const std::vector<CQxMatrix> now = BoneWorlds();
    const std::vector<CQxVector> drawn = Drawn();
    EXPECT_TRUE(QxNear(drawn[0], Blend(*mesh->Mesh().Vertices().GetAt(0), bind, now), 1e-3f)) << "half and half";
    EXPECT_TRUE(QxNear(drawn[3], Blend(*mesh->Mesh().Vertices().GetAt(3), bind, now), 1e-3f)) << "four slots";
    const CQxVector withRoot = CQxVector(12.0f, 1.0f, 0.0f) + CQxVector(0.0f, 3.0f, 0.0f);
    EXPECT_TRUE(QxNear(drawn[1], withRoot)) << "no weight: moves with the hip alone";
    EXPECT_TRUE(QxNear(drawn[2], CQxVector(12.0f, 5.0f, 0.0f))) << "NaN and negative weights count as none";
}

// Big meshes bend in two halves on two cores: every vertex still lands where the blend says.
TEST_F(Skin, ABigMeshBendsLikeASmallOne) {
    mesh->Mesh().CreatePlane(0, 20.0f, 4.0f, 160, 160, nullptr, 0);
    mesh->Mesh().OffsetVertices(CQxVector(10.0f, 0.0f, 0.0f));
    mesh->UpdateBoundBox();
    mesh->UpdateGraphics();
    ASSERT_GT(mesh->Mesh().Vertices().GetCount(), 25000u);
    ASSERT_EQ(mesh->SetSkin(hip, 1), 1);
    const std::vector<CQxMatrix> bind = BoneWorlds();
    knee->SetAngle(CQxVector(0.0f, 0.0f, 0.9f));
    const std::vector<CQxMatrix> now = BoneWorlds();
    const std::vector<CQxVector> drawn = Drawn();
    unsigned int i = 0;
    for (const CQxVertex& v : mesh->Mesh().Vertices()) {
        ASSERT_TRUE(QxNear(drawn[i], Blend(v, bind, now), 1e-3f)) << "vertex " << i;
        ++i;
    }
}

TEST_F(Skin, TheBentPoseFollowsEveryFrameAndReturnsExactly) {
    AddVertices({{5.0f, 2.0f, 0.0f}, {15.0f, 0.0f, 0.0f}});
    ASSERT_EQ(mesh->SetSkin(hip, 1), 1);
    knee->SetAngle(CQxVector(0.0f, 0.0f, 0.5f));
    const std::vector<CQxVector> bent = Drawn();
    EXPECT_FALSE(QxNear(bent[1], MeshPositions()[1])) << "the knee's vertex moved";
    knee->SetAngle(CQxVector(0.0f, 0.0f, 1.0f));
    EXPECT_FALSE(QxNear(Drawn()[1], bent[1])) << "a second frame follows the new angle";
    knee->SetAngle(CQxVector(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(Drawn(), MeshPositions()) << "back in the bind pose";
}

TEST_F(Skin, AnEditRebuildsThePrimitivesAndTheNextFrameBendsThemAgain) {
    AddVertices({{15.0f, 0.0f, 0.0f}});
    ASSERT_EQ(mesh->SetSkin(hip, 1), 1);
    knee->SetAngle(CQxVector(0.0f, 0.0f, 0.5f));
    const std::vector<CQxVector> bent = Drawn();
    mesh->UpdateGraphics();
    EXPECT_TRUE(QxNear(Drawn(), bent));
}

TEST_F(Skin, AJointAddedAfterBindingLeavesTheMeshUnbent) {
    AddVertices({{15.0f, 0.0f, 0.0f}});
    ASSERT_EQ(mesh->SetSkin(hip, 1), 1);
    AddJoint(*foot, CQxVector(3.0f, 0.0f, 0.0f));
    knee->SetAngle(CQxVector(0.0f, 0.0f, 0.5f));
    EXPECT_EQ(Drawn(), MeshPositions()) << "the skeleton no longer matches its bind data";
}

TEST_F(Skin, WeightModeShowsTheUnbentMeshInGreysOfTheCurrentBone) {
    AddVertices({{5.0f, 0.0f, 0.0f}, {15.0f, 0.0f, 0.0f}, {5.0f, 1.0f, 0.0f}});
    CQxMesh& m = mesh->Mesh();
    auto* face = new CQxFace();
    m.Faces().PushBack(face);
    for (CQxVertex& v : m.Vertices()) face->PushHalfEdge(new CQxHalfEdge(face, &v, 0));
    ASSERT_EQ(mesh->SetSkin(hip, 0), 1);
    m.Vertices().GetAt(1)->FreeBones();
    *m.Vertices().GetAt(2)->Bones() = CQxVertexBones{{1, 0, 0, 0}, {0.5f, 0.5f, 0.0f, 0.0f}};
    ASSERT_EQ(mesh->SetMode(QX_OBJ_MODE_WEIGHT, 0), 1);
    knee->SetAngle(CQxVector(0.0f, 0.0f, 0.5f));
    EXPECT_EQ(Drawn(), MeshPositions());
    const CQxPrimitive* weights = mesh->GetPrimitive(CQxObject::PRIM_WEIGHTS);
    ASSERT_NE(weights, nullptr);
    EXPECT_EQ(weights->GetVertices()[0].Color, 0xFFFFFFFFu) << "vertex 0 is all the hip's";
    EXPECT_EQ(weights->GetVertices()[1].Color, 0xFF000000u) << "vertex 1 carries no bone data";
    EXPECT_EQ(weights->GetVertices()[2].Color, 0xFF7F7F7Fu)
        << "vertex 2 is half the hip's, in its second slot";
    mesh->SetMode(QX_OBJ_MODE_NORMAL, 0);
    EXPECT_EQ(mesh->GetPrimitive(CQxObject::PRIM_WEIGHTS), nullptr) << "shown only in weight mode";
}
