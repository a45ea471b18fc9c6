#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "message_recorder.h"
#include "qx/commands/cmd_manager.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/ik_cmd.h"
#include "qx/commands/object_cmds.h"
#include "qx/graphics/primitive.h"
#include "qx/graphics/settings.h"
#include "qx/math/math_helpers.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"
#include "scene_dump.h"
#include "undo_checks.h"

namespace {

constexpr float kTolerance = 0.034906585f; // the move tool's two degrees

// Chains of empty objects under the root model; positions are world-space pivots.
class IKChain : public ::testing::Test {
protected:
    CQxObject* Add(CQxObject* parent, const char* name, const CQxVector& at) {
        CQxObject* o =
            QxAdd(parent ? *parent : static_cast<CQxObject&>(scene.RootModel()), new CQxObject(1), name);
        o->Translate() = at;
        return o;
    }
    // Node 0 at `start`, node i+1 `steps[i]` from node i in its frame; the last node is the end.
    std::vector<CQxObject*> Chain(const CQxVector& start, const std::vector<CQxVector>& steps) {
        std::vector<CQxObject*> nodes{Add(nullptr, "n0", start)};
        for (std::size_t i = 0; i < steps.size(); ++i)
            nodes.push_back(Add(nodes.back(), ("n" + std::to_string(i + 1)).c_str(), steps[i]));
        return nodes;
    }
    // In the XY plane, turning left by `bendDegrees` at every joint:
    //
    //        n3
    //       /
    //     n2          (bend 45)
    //     |
    //   n0---n1
    std::vector<CQxObject*> BentChain(unsigned int bones, float length, float bendDegrees) {
        std::vector<CQxVector> steps;
        for (unsigned int i = 0; i < bones; ++i) {
            const float a = static_cast<float>(i) * bendDegrees * QX_DEG_TO_RAD;
            steps.emplace_back(length * std::cos(a), length * std::sin(a), 0.0f);
        }
        return Chain(CQxVector(), steps);
    }
    // The same, with the end's chain rooted at node 0.
    std::vector<CQxObject*> Linked(unsigned int bones, float bendDegrees) {
        auto nodes = BentChain(bones, 10.0f, bendDegrees);
        EXPECT_EQ(nodes.back()->SetIKRoot(nodes[0]), 1) << "making the chain";
        return nodes;
    }
    // n0 --- n1, then up to n2: a hinge at n1 bent 90 degrees toward +Y.
    std::vector<CQxObject*> RightAngle() {
        auto nodes = Chain(CQxVector(), {CQxVector(10, 0, 0), CQxVector(0, 10, 0)});
        EXPECT_EQ(nodes[2]->SetIKRoot(nodes[0]), 1) << "making the chain";
        return nodes;
    }

    static CQxVector World(const CQxObject& o) {
        return o.GetLocalTransformToRoot(QX_TF_ALL, 0).Transform(o.Translate());
    }
    // The bend at `joint` from the bone in to the bone out to `child`, signed about the hinge axis.
    static float Bend(const CQxObject& joint, const CQxObject& child, const CQxVector& axis) {
        const CQxVector in = joint.GetParent()->Pivot() - joint.Translate();
        const CQxVector out =
            joint.GetTransform(QX_TF_ALL, 0).Transform(child.Translate()) - joint.Translate();
        const float angle = in.GetAngle(out);
        if (angle > QX_PI - 1e-3f) return angle; // straight is pi from either side
        return in.GetCross(out).GetDot(axis) < 0.0f ? -angle : angle;
    }
    std::string Dump() const { return QxDumpScene(scene); }

    CQxScene scene;
};

} // namespace

// --- Making a chain -----------------------------------------------------------------------------------

TEST_F(IKChain, SetIKRootTakesOnlyAnAncestorAndClearIKRootDropsTheChain) {
    const auto nodes = BentChain(3, 10.0f, 90.0f);
    CQxObject* end = nodes[3];
    CQxObject* stranger = Add(nullptr, "stranger", CQxVector(5, 5, 5));
    EXPECT_EQ(end->SetIKRoot(nullptr), 0);
    EXPECT_EQ(end->SetIKRoot(end), 0) << "an object is not its own ancestor";
    EXPECT_EQ(end->SetIKRoot(stranger), 0) << "not an ancestor";
    EXPECT_EQ(nodes[1]->SetIKRoot(end), 0) << "a descendant";
    EXPECT_EQ(end->IKRoot(), nullptr);
    EXPECT_EQ(end->IKConstraints().GetSize(), 0u);

    ASSERT_EQ(end->SetIKRoot(nodes[0]), 1);
    EXPECT_EQ(end->SetIKRoot(nodes[0]), 0) << "the same root again";
    EXPECT_EQ(end->IKConstraints().GetSize(), 3u);

    end->ClearIKRoot();
    EXPECT_EQ(end->IKRoot(), nullptr);
    EXPECT_EQ(end->IKConstraints().GetSize(), 0u) << "clearing drops the constraints";
    end->ClearIKRoot(); // nothing to clear
    EXPECT_EQ(end->SetIKRoot(nodes[0]), 1) << "a chain can be made again";
}

TEST_F(IKChain, StraightOrNearlyStraightJointsStayFree) {
    for (float bend : {0.0f, 4.0f}) { // within 5 degrees of straight
        const auto& constraints = Linked(4, bend)[4]->IKConstraints();
        ASSERT_EQ(constraints.GetSize(), 4u);
        for (unsigned int i = 0; i < 4; ++i)
            EXPECT_FALSE(constraints[i].IsValid()) << "bend " << bend << " joint " << i;
    }
}

TEST_F(IKChain, RightAngleGetsAHingeAcrossBothBonesFromFoldedToStraight) {
    const auto nodes = RightAngle();
    const auto& constraints = nodes[2]->IKConstraints();
    ASSERT_EQ(constraints.GetSize(), 2u);
    const CQxRotateConstraint& hinge = constraints[0];
    ASSERT_TRUE(hinge.IsValid());
    EXPECT_NEAR(hinge.PlaneDir().GetLength(), 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(hinge.PlaneDir().GetDot(CQxVector(1, 0, 0)), 0.0f) << "across the bone in";
    EXPECT_FLOAT_EQ(hinge.PlaneDir().GetDot(CQxVector(0, 1, 0)), 0.0f) << "across the bone out";
    EXPECT_FLOAT_EQ(hinge.MinAngle(), 0.0f);
    EXPECT_FLOAT_EQ(hinge.MaxAngle(), QX_PI);
    EXPECT_FALSE(constraints[1].IsValid()) << "the chain's root turns freely";
    EXPECT_NEAR(Bend(*nodes[1], *nodes[2], hinge.PlaneDir()), QX_PI_2, 1e-5f) << "present bend within limits";
}

TEST_F(IKChain, NodesRunFromTheParentUpToTheRoot) {
    const auto nodes = BentChain(4, 10.0f, 30.0f);
    CQxObject* end = nodes[4];
    CQxArray<CQxObject*> chain;
    EXPECT_EQ(end->GetIKNodes(nodes[1], chain), 3u);
    ASSERT_EQ(chain.GetSize(), 3u);
    for (unsigned int i = 0; i < 3; ++i) EXPECT_EQ(chain[i], nodes[3 - i]) << "place " << i;
    EXPECT_EQ(end->GetIKNodeCount(nodes[1]), 3u);
    EXPECT_EQ(end->GetIKNodeCount(nullptr), 0u);
    EXPECT_EQ(end->GetIKNodes(nullptr, chain), 0u);
    EXPECT_TRUE(chain.IsEmpty());

    EXPECT_FALSE(end->HasIKNode(nodes[3])) << "no chain yet";
    ASSERT_EQ(end->SetIKRoot(nodes[1]), 1);
    EXPECT_TRUE(end->HasIKNode(nodes[3]));
    EXPECT_TRUE(end->HasIKNode(nodes[1]));
    EXPECT_FALSE(end->HasIKNode(nodes[0])) << "above the root";
    EXPECT_FALSE(end->HasIKNode(end)) << "the end is no joint of its chain";
}

// --- Solving ----------------------------------------------------------------------------------------

TEST_F(IKChain, GoalsInReachAreReached) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    CQxObject* end = Linked(4, 3.0f)[4]; // four free joints, 40 units of reach
    for (int trial = 0; trial < 50; ++trial) {
        CQxVector goal(unit(random), unit(random), unit(random));
        if (!goal.Normalize()) continue;
        goal *= 8.0f + 28.0f * (unit(random) * 0.5f + 0.5f); // 8 .. 36 from the root
        // One solve stops once the root's correction is under the tolerance: the end points at the goal.
        ASSERT_EQ(end->ExecuteIK(end, goal, kTolerance), 1) << "trial " << trial;
        EXPECT_LT(World(*end).GetAngle(goal), kTolerance) << "trial " << trial;
        ASSERT_EQ(end->ExecuteIK(end, goal, 1e-3f), 1) << "trial " << trial;
        EXPECT_LT((World(*end) - goal).GetLength(), 0.25f) << "trial " << trial << ": finer tolerance";
    }
}

TEST_F(IKChain, AGoalOutOfReachStretchesTheChainTowardIt) {
    const auto nodes = Linked(3, 40.0f);
    const CQxVector goal(-50.0f, 60.0f, 20.0f);
    ASSERT_EQ(nodes[3]->ExecuteIK(nodes[3], goal, kTolerance), 1);
    const CQxVector direction = goal.GetNormalized();
    for (unsigned int i = 1; i < nodes.size(); ++i) {
        const CQxVector p = World(*nodes[i]);
        EXPECT_LT((p - direction * p.GetDot(direction)).GetLength(), 1.5f) << "node " << i << " off the line";
        EXPECT_GT(p.GetDot(direction), 0.0f) << "node " << i;
    }
    EXPECT_LT(World(*nodes[3]).GetAngle(goal), kTolerance);
}

TEST_F(IKChain, HingeLimitsAreNeverExceeded) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const auto nodes = Linked(4, 50.0f);
    const auto& constraints = nodes[4]->IKConstraints();
    for (unsigned int i = 0; i + 1 < constraints.GetSize(); ++i) ASSERT_TRUE(constraints[i].IsValid()) << i;
    for (int trial = 0; trial < 200; ++trial) {
        nodes[4]->ExecuteIK(nodes[4], CQxVector(45 * unit(random), 45 * unit(random), 45 * unit(random)),
                            kTolerance);
        // Constraint i belongs to node 3 - i, whose chain child is node 4 - i.
        for (unsigned int i = 0; i + 1 < constraints.GetSize(); ++i) {
            const CQxRotateConstraint& hinge = constraints[i];
            const float bend = Bend(*nodes[3 - i], *nodes[4 - i], hinge.PlaneDir());
            EXPECT_GE(bend, hinge.MinAngle() - 1e-3f) << "trial " << trial << " joint " << 3 - i;
            EXPECT_LE(bend, hinge.MaxAngle() + 1e-3f) << "trial " << trial << " joint " << 3 - i;
        }
    }
}

TEST_F(IKChain, AHingeAskedToBendBackwardsStopsAtTheNearerLimit) {
    const auto nodes = RightAngle();
    const CQxRotateConstraint hinge = nodes[2]->IKConstraints()[0];
    // Far out along the first bone: reaching it would need a bend past straight.
    ASSERT_EQ(nodes[2]->ExecuteIK(nodes[2], CQxVector(100, -30, 0), kTolerance), 1);
    EXPECT_NEAR(Bend(*nodes[1], *nodes[2], hinge.PlaneDir()), hinge.MaxAngle(), 1e-3f);
}

TEST_F(IKChain, AChainOfOneJointTurnsOnceOntoTheGoal) {
    const auto nodes = Chain(CQxVector(1, 2, 3), {CQxVector(10, 0, 0)});
    ASSERT_EQ(nodes[1]->SetIKRoot(nodes[0]), 1);
    ASSERT_EQ(nodes[1]->ExecuteIK(nodes[1], CQxVector(1, 30, 3), kTolerance), 1);
    EXPECT_TRUE(QxNear(World(*nodes[1]), CQxVector(1, 12, 3), 1e-4f));
}

TEST_F(IKChain, AZeroLengthBoneIsStepped) {
    // n2 sits on n1's pivot: its bone has no direction.
    const auto nodes = Chain(CQxVector(), {CQxVector(10, 0, 0), CQxVector(), CQxVector(0, 10, 0)});
    ASSERT_EQ(nodes[3]->SetIKRoot(nodes[0]), 1);
    EXPECT_EQ(nodes[3]->ExecuteIK(nodes[3], CQxVector(3, 12, 0), kTolerance), 1);
    EXPECT_LT((World(*nodes[3]) - CQxVector(3, 12, 0)).GetLength(), 20.0f * kTolerance);
}

TEST_F(IKChain, AnEffectorInsideTheChainTurnsOnlyTheJointsAboveIt) {
    const auto nodes = Linked(4, 20.0f);
    const CQxQuat effectorTurn = nodes[2]->Rotate();
    const CQxVector goal(5.0f, 15.0f, 0.0f);
    ASSERT_EQ(nodes[2]->ExecuteIK(nodes[4], goal, kTolerance), 1);
    EXPECT_LT((World(*nodes[2]) - goal).GetLength(), 20.0f * kTolerance);
    EXPECT_EQ(nodes[2]->Rotate(), effectorTurn) << "the effector itself does not turn";
}

TEST_F(IKChain, AGoalOnTheRootIsRefusedAndLeavesNoJointBroken) {
    const auto nodes = Linked(3, 30.0f);
    EXPECT_EQ(nodes[3]->ExecuteIK(nodes[3], World(*nodes[0]), kTolerance), 0);
    for (const CQxObject* o : nodes) {
        const CQxQuat& q = o->Rotate();
        EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w))
            << o->GetName();
    }
}

TEST_F(IKChain, BadArgumentsChangeNothing) {
    const auto nodes = BentChain(3, 10.0f, 30.0f);
    CQxObject* end = nodes[3];
    CQxObject* stranger = Add(nullptr, "stranger", CQxVector());
    const CQxVector goal(5, 5, 0);
    std::string before = Dump();
    EXPECT_EQ(end->ExecuteIK(end, goal, kTolerance), 0) << "no chain yet";
    QX_EXPECT_SAME_DUMP(before, Dump());
    ASSERT_EQ(end->SetIKRoot(nodes[0]), 1);
    before = Dump();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        CQxObject *effector, *end;
        CQxVector goal;
        float tolerance;
        const char* what;
    } cases[] = {
        {end, nullptr, goal, kTolerance, "no end"},
        {end, end, goal, 0.0f, "zero tolerance"},
        {end, end, goal, -1.0f, "negative tolerance"},
        {end, end, goal, nan, "NaN tolerance"},
        {end, end, CQxVector(nan, 0, 0), kTolerance, "NaN goal"},
        {end, end, CQxVector(std::numeric_limits<float>::infinity(), 0, 0), kTolerance, "infinite goal"},
        {nodes[0], end, goal, kTolerance, "the root as effector"},
        {stranger, end, goal, kTolerance, "an effector off the chain"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.effector->ExecuteIK(c.end, c.goal, c.tolerance), 0) << c.what;
        QX_EXPECT_SAME_DUMP(before, Dump()) << c.what;
    }
}

TEST_F(IKChain, AChainBrokenByAMoveIsRefused) {
    const auto nodes = BentChain(3, 10.0f, 30.0f);
    CQxObject* end = nodes[3];
    ASSERT_EQ(end->SetIKRoot(nodes[1]), 1);
    nodes[2]->RemoveChild(end);
    Add(nullptr, "elsewhere", CQxVector(0, 0, 50))->PushChild(end);
    EXPECT_EQ(end->ExecuteIK(end, CQxVector(1, 1, 1), kTolerance), 0);
    EXPECT_FALSE(end->HasIKNode(nodes[2]));
    EXPECT_EQ(end->GetIKNodeCount(end->IKRoot()), 0u);
}

// --- The handle's line ------------------------------------------------------------------------------

TEST_F(IKChain, TheHandleLineShowsWhetherTheHandleIsSelected) {
    CQxObject* root = QxAdd(scene.RootModel(), QxNewCube(2.0f), "root");
    CQxObject* end = QxAdd(*root, QxNewCube(2.0f), "end");
    end->Translate() = CQxVector(0, 10, 0);
    ASSERT_EQ(end->SetIKRoot(root), 1);
    auto colors = [&] {
        std::vector<std::uint32_t> out;
        if (const CQxPrimitive* line = end->GetPrimitive(CQxObject::PRIM_HANDLE))
            for (unsigned int i = 0; i < line->GetIndexCount(); ++i)
                out.push_back(line->GetVertices()[line->GetIndices()[i]].Color);
        return out;
    };
    const auto idle = colors();
    ASSERT_FALSE(idle.empty()) << "a chain end draws its handle";
    for (std::uint32_t c : idle) EXPECT_EQ(c, static_cast<std::uint32_t>(QxIKColor()));
    end->SelectHandle(1, 0);
    for (std::uint32_t c : colors()) EXPECT_EQ(c, static_cast<std::uint32_t>(QxSelectColor()));
    end->SelectHandle(0, 0);
    EXPECT_EQ(colors(), idle);
    end->ClearIKRoot();
    EXPECT_TRUE(colors().empty()) << "no chain, no handle";
}

// --- The IK handle command and ClearIKCmd -----------------------------------------------------------

namespace {

class IKHandleCmd : public IKChain {
protected:
    CQxCmdManager& History() { return scene.CmdManager(); }
    // Runs the command's create step and pushes it when it succeeds.
    int Make(CQxObject* a, CQxObject* b) {
        return QxRunCmd<CQxIKHandleCmd>(
            scene, [&](CQxIKHandleCmd& cmd) { return cmd.Create(a, b, 1); }, 0);
    }
    // The same, a step that undo and redo must take back and forth exactly.
    void Undoable(CQxObject* a, CQxObject* b) {
        qxtest::ExpectUndoable(scene, [&] { return Make(a, b); });
    }

    QxMessageRecorder messages;
};

} // namespace

TEST_F(IKHandleCmd, TheDescendantBecomesTheEndWhicheverComesFirst) {
    const auto nodes = BentChain(3, 10.0f, 60.0f);
    QxUpdateRecorder host(scene);
    ASSERT_EQ(Make(nodes[0], nodes[3]), 1);
    EXPECT_EQ(nodes[3]->IKRoot(), nodes[0]);
    EXPECT_EQ(host.Types(), (std::vector<unsigned int>{QX_UPDATE_TRANSFORM, QX_UPDATE_REDRAW}));
    EXPECT_STREQ(History().GetUndoText(), "元に戻す IKハンドル\tCtrl+Z(&U)");
    ASSERT_TRUE(History().Undo());
    Undoable(nodes[0], nodes[3]); // taken back, the same step undoes and redoes exactly

    // The other order, onto an existing chain: undo gives the old chain back.
    Undoable(nodes[3], nodes[1]);
    EXPECT_EQ(nodes[3]->IKRoot(), nodes[1]);
    EXPECT_EQ(nodes[3]->IKConstraints().GetSize(), 2u);
    EXPECT_EQ(Make(nodes[1], nodes[3]), 0) << "the same chain again";
    EXPECT_EQ(History().GetCount(), 2u);
    EXPECT_TRUE(messages.Boxes().empty()) << "refused silently";
}

TEST_F(IKHandleCmd, ObjectsThatMakeNoChainAreRefusedWithAMessage) {
    const auto nodes = BentChain(2, 10.0f, 60.0f);
    CQxObject* stranger = Add(nullptr, "stranger", CQxVector());
    const struct {
        CQxObject *a, *b;
        const char* text;
    } cases[] = {
        {nullptr, nodes[2], "指定されたオブジェクトが不正です．"},
        {nodes[0], nullptr, "指定されたオブジェクトが不正です．"},
        {nodes[2], nodes[2], "指定されたオブジェクトが同一です．"},
        {stranger, nodes[2], "指定されたオブジェクトは親子関係にありません．"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        messages.Clear();
        qxtest::ExpectRefused(scene, [&] { return Make(c.a, c.b); });
        ASSERT_EQ(messages.Boxes().size(), 1u);
        EXPECT_EQ(messages.Boxes()[0].Text, c.text);
        EXPECT_EQ(messages.Boxes()[0].Caption, "");
    }
}

TEST_F(IKHandleCmd, ClearIKCmdClearsTheSelectedChainsOrSaysThereAreNone) {
    const auto nodes = Linked(3, 60.0f);
    CQxObject* other = Add(nodes[1], "other", CQxVector(0, 0, 10));
    ASSERT_EQ(other->SetIKRoot(nodes[0]), 1);
    nodes[2]->Select(1, 0);
    qxtest::ExpectRefused(scene, [&] { return scene.ClearIKCmd(1); }); // no chain end selected
    ASSERT_EQ(messages.Boxes().size(), 1u);
    EXPECT_EQ(messages.Boxes()[0].Text, "IKを持つオブジェクトを選択してください.");
    EXPECT_EQ(messages.Boxes()[0].Caption, "IK解除");
    messages.Clear();

    // With a chain end selected too, its chain goes; the unselected end keeps its chain.
    nodes[3]->Select(1, 0);
    QxUpdateRecorder host(scene);
    bool told = false;
    qxtest::ExpectUndoable(scene, [&] {
        const int done = scene.ClearIKCmd(1);
        for (const auto& notice : host.Notices)
            told = told || (notice.Type == QX_UPDATE_TRANSFORM && notice.Args[1] == QX_MODIFY_IK);
        return done;
    });
    EXPECT_TRUE(told) << "the host hears of the cleared chains";
    EXPECT_EQ(nodes[3]->IKRoot(), nullptr);
    EXPECT_EQ(other->IKRoot(), nodes[0]);
    EXPECT_TRUE(messages.Boxes().empty());
}
