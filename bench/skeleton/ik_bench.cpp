// Inverse kinematics. Timed: one solve, at the move tool's tolerance of two degrees, of a chain
// of 20 joints (bent 10 degrees at each, so every joint but the root gets a hinge) toward a
// reachable goal, starting each time from the same pose. The counters report the sweeps the
// solve ran and how far the end stopped from the goal.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "qx/math/math_helpers.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/skeleton/ik.h"
#include "qx/skeleton/joint.h"

namespace {

constexpr unsigned int Joints = 20;
constexpr float BoneLength = 5.0f;
constexpr float Tolerance = 0.034906585f;

struct Arm {
    CQxScene scene;
    std::vector<CQxObject*> nodes;
    std::vector<CQxTransformParam> pose;

    Arm() {
        CQxObject* parent = &scene.RootModel();
        for (unsigned int i = 0; i <= Joints; ++i) {
            auto* joint = new CQxJoint(1);
            const float a = static_cast<float>(i) * 10.0f * QX_DEG_TO_RAD;
            if (i > 0)
                joint->Translate() = CQxVector(BoneLength * std::cos(a), BoneLength * std::sin(a), 0.0f);
            parent->PushChild(joint);
            nodes.push_back(joint);
            parent = joint;
        }
        End().SetIKRoot(nodes.front());
        for (const CQxObject* node : nodes) pose.push_back(node->TFParam());
    }
    CQxObject& End() { return *nodes.back(); }
    void Reset() {
        for (std::size_t i = 0; i < nodes.size(); ++i) nodes[i]->TFParam() = pose[i];
    }
    CQxVector EndPosition() const {
        const CQxObject& end = *nodes.back();
        return end.GetLocalTransformToRoot(QX_TF_ALL, 0).Transform(end.Translate());
    }
};

void BM_SolveChainOf20(benchmark::State& state) {
    Arm arm;
    // Half the chain's length away, off its plane, so that the free root has to leave the plane.
    const CQxVector goal(20.0f, 35.0f, 25.0f);
    int solved = 0;
    for (auto _ : state) {
        state.PauseTiming();
        arm.Reset();
        state.ResumeTiming();
        solved = arm.End().ExecuteIK(&arm.End(), goal, Tolerance);
        benchmark::DoNotOptimize(solved);
    }
    if (!solved) state.SkipWithError("the solve was refused");
    state.counters["sweeps"] = static_cast<double>(QxGetLastIKSweeps());
    state.counters["miss"] = static_cast<double>((arm.EndPosition() - goal).GetLength());
}
BENCHMARK(BM_SolveChainOf20)->Unit(benchmark::kMicrosecond);

} // namespace
