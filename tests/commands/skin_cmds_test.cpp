#include <gtest/gtest.h>

#include "message_recorder.h"
#include "object_cmds_scene.h"
#include "qx/commands/cmd_run.h"
#include "qx/tools/tool_manager.h"

using namespace qxtest;

// Binding, unbinding and the bind pose through the scene, on the test scene's skeleton
// Joint1 > Joint2 > Joint3 and its meshes.
class SkinCmds : public ::testing::Test {
protected:
    // The binding alone, as the command holds it (the selection the scene command leaves is
    // not part of the step).
    void Bind(CQxObject* mesh, CQxJoint* joint, int flag) {
        ExpectUndoable(t.scene, [&] {
            return QxRunCmd<CQxObjectAttributeCmd>(
                t.scene, [&](CQxObjectAttributeCmd& cmd) { return cmd.CreateSkin(mesh, joint, flag, 1); });
        });
    }

    TestScene t;
    QxMessageRecorder messages;
};

TEST_F(SkinCmds, BindingIsOneUndoableStep) {
    Bind(t.meshB, t.joints[0], 1);
    EXPECT_EQ(t.meshB->RootBone(), t.joints[0]);
    EXPECT_TRUE(t.meshB->Mesh().Vertices().GetAt(0)->HasBones());
}

TEST_F(SkinCmds, BindingAgainReplacesTheOldBindingAndUndoGivesItBack) {
    Bind(t.meshC, t.joints[1], 0);
    EXPECT_EQ(t.meshC->RootBone(), t.joints[1]);
    EXPECT_EQ(t.meshC->BindParams().GetSize(), 2u);
}

TEST_F(SkinCmds, BindingTheSelectionLeavesTheMeshSelected) {
    t.Select({t.meshB, t.joints[0]});
    ASSERT_EQ(t.scene.SetSkinCmd(1, 1), 1);
    EXPECT_EQ(t.meshB->RootBone(), t.joints[0]);
    EXPECT_TRUE(t.meshB->IsSelect());
    EXPECT_FALSE(t.joints[0]->IsSelect()) << "only the bound mesh stays selected";
    EXPECT_EQ(t.scene.CmdManager().GetCount(), 1u);
    EXPECT_EQ(t.scene.ToolManager().GetCurTool(), QX_TOOL_WEIGHT_PAINT) << "weights are painted next";
    EXPECT_EQ(t.meshB->Mode(), QX_OBJ_MODE_WEIGHT);
}

TEST_F(SkinCmds, BindingNeedsAMeshAndAJointOfOneModel) {
    t.Select({t.meshA, t.meshB});
    ExpectRefused(t.scene, [&] { return t.scene.SetSkinCmd(1, 1); });
    ASSERT_EQ(messages.Boxes().size(), 1u);
    EXPECT_EQ(messages.Boxes()[0].Text, "同一モデルの汎用メッシュとジョイントを選択してください.");
    EXPECT_EQ(messages.Boxes()[0].Caption, "スキニング");

    t.Select({t.meshD, t.joints[0]});
    ExpectRefused(t.scene, [&] { return t.scene.SetSkinCmd(1, 1); });
    EXPECT_EQ(messages.Boxes().size(), 2u) << "a joint of another model";
}

TEST_F(SkinCmds, UnbindingDropsWeightsAndUndoRestoresThemExactly) {
    t.Select({t.meshC, t.meshA});
    ExpectUndoable(t.scene, [&] { return t.scene.ClearSkinCmd(1); });
    EXPECT_FALSE(t.meshC->IsSkinned());
    EXPECT_FALSE(t.meshC->Mesh().Vertices().GetAt(0)->HasBones());
}

TEST_F(SkinCmds, UnbindingAndBindPoseNeedASkinnedObject) {
    t.Select({t.meshA});
    ExpectRefused(t.scene, [&] { return t.scene.ClearSkinCmd(1); });
    ExpectRefused(t.scene, [&] { return t.scene.SetBindPoseCmd(1); });
    ASSERT_EQ(messages.Boxes().size(), 2u);
    EXPECT_EQ(messages.Boxes()[0].Text, "スキニングされたオブジェクトを選択してください.");
    EXPECT_EQ(messages.Boxes()[0].Caption, "スキン解除");
    EXPECT_EQ(messages.Boxes()[1].Caption, "バインドポーズ");
}

TEST_F(SkinCmds, BindPoseTurnsEveryBoneBackAndUndoTurnsThemAgain) {
    t.joints[1]->SetAngle(CQxVector(0.0f, 0.0f, 0.7f));
    t.joints[2]->Translate() = CQxVector(12.0f, 1.0f, 0.0f);
    t.Select({t.meshC});
    ExpectUndoable(t.scene, [&] { return t.scene.SetBindPoseCmd(1); });
    EXPECT_EQ(t.joints[1]->Angle(), t.meshC->BindParams()[1].Angle());
    EXPECT_EQ(t.joints[2]->Translate(), CQxVector(10.0f, 0.0f, 0.0f));
}

TEST_F(SkinCmds, BindPoseOfASkeletonAlreadyThereIsAStepThatChangesNothing) {
    t.Select({t.meshC});
    const std::string before = t.Dump();
    const unsigned int count = t.scene.CmdManager().GetCount();
    EXPECT_EQ(t.scene.SetBindPoseCmd(1), 1);
    EXPECT_EQ(t.scene.CmdManager().GetCount(), count + 1);
    EXPECT_EQ(t.Dump(), before);
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(SkinCmds, DeletingABoundJointUnbindsAndUndoBindsAgain) {
    t.Select({t.meshB, t.joints[0]});
    ASSERT_TRUE(t.scene.SetSkinCmd(1, 1));
    t.Select({t.joints[1]});
    // Binding made the weight-paint tool current; it shows the weights of the selection only.
    t.scene.PrepareTool();
    ExpectUndoable(t.scene, [&] { return t.scene.DeleteSelectObjectsCmd(1); });
    EXPECT_FALSE(t.meshB->IsSkinned()) << "its skeleton lost a bone";
}
