// Skinning. Timed: one frame of a bent 100,000-vertex mesh (316 x 316 plane, up to four
// influences a vertex) on a skeleton of 64 joints, as a drawn frame takes it: the transform walk
// bends the mesh and its primitives follow. Binding the mesh is timed once as well.

#include <benchmark/benchmark.h>

#include <cmath>

#include "qx/graphics/mesh.h"
#include "qx/math/stacks.h"
#include "qx/scene/model.h"
#include "qx/skeleton/joint.h"

namespace {

constexpr unsigned int GridDivisions = 315; // 316 x 316 vertices
constexpr int Chains = 8;
constexpr int ChainLength = 8; // 8 chains of 8 joints: 64 bones below one root

// A root joint with eight chains fanning out over the plane, and the plane bound to them.
struct SkinnedPlane {
    CQxModel model{1};
    CQxObject* plane = nullptr;
    CQxJoint* root = nullptr;
    std::vector<CQxJoint*> joints;

    SkinnedPlane() {
        plane = new CQxObject(1);
        plane->Mesh().CreatePlane(0, 100.0f, 100.0f, GridDivisions, GridDivisions, nullptr, 0);
        plane->SetAngle(CQxVector(-1.5707963f, 0.0f, 0.0f)); // lying in the XZ plane
        plane->UpdateBoundBox();
        plane->UpdateGraphics();
        model.PushChild(plane);
        root = Add(model, CQxVector(0.0f, 0.0f, 0.0f));
        joints.push_back(root);
        for (int c = 0; c < Chains; ++c) {
            const float angle = 6.2831853f * static_cast<float>(c) / Chains;
            CQxJoint* parent = root;
            for (int j = 0; j < ChainLength - (c == 0); ++j) {
                parent = Add(*parent, CQxVector(6.0f * std::cos(angle), 0.0f, 6.0f * std::sin(angle)));
                joints.push_back(parent);
            }
        }
    }

    static CQxJoint* Add(CQxObject& parent, const CQxVector& at) {
        auto* joint = new CQxJoint(1);
        joint->Translate() = at;
        parent.PushChild(joint);
        return joint;
    }

    // A pose that differs at every call, so every frame bends the whole mesh.
    void Pose(int frame) {
        for (std::size_t j = 1; j < joints.size(); ++j)
            joints[j]->SetAngle(CQxVector(0.0f, 0.02f * static_cast<float>(frame % 17), 0.01f * static_cast<float>(j)));
    }

    void Frame() {
        CQxMatrixStack stack;
        model.UpdateTransform(stack, nullptr);
    }
};

void BM_BindPlane(benchmark::State& state) {
    SkinnedPlane scene;
    for (auto _ : state) benchmark::DoNotOptimize(scene.plane->SetSkin(scene.root, 1));
    state.counters["bones"] = static_cast<double>(scene.root->GetBoneCount());
}
BENCHMARK(BM_BindPlane)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_BentFrame(benchmark::State& state) {
    SkinnedPlane scene;
    scene.plane->SetSkin(scene.root, 1);
    int frame = 0;
    for (auto _ : state) {
        scene.Pose(++frame);
        scene.Frame();
    }
    state.counters["vertices"] = scene.plane->Mesh().Vertices().GetCount();
}
BENCHMARK(BM_BentFrame)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
