// Skinning. Timed: one frame of a bent 100,000-vertex mesh (316 x 316 plane, up to four
// influences a vertex) on a skeleton of 64 joints, as a drawn frame takes it: the transform walk
// bends the mesh and its primitives follow; one step of a weight-paint stroke over that mesh in
// a 640 x 480 view (the cursor moved, the stroke's timer step run). Binding is timed once as well.

#include <benchmark/benchmark.h>

#include <cmath>

#include "qx/commands/joint_cmds.h"
#include "qx/graphics/mesh.h"
#include "qx/math/stacks.h"
#include "qx/platform/input_state.h"
#include "qx/platform/offscreen_window.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/skeleton/joint.h"
#include "qx/tools/tool_manager.h"
#include "qx/views/camera.h"

namespace {

constexpr unsigned int GridDivisions = 315; // 316 x 316 vertices
constexpr int Chains = 8;
constexpr int ChainLength = 8; // 8 chains of 8 joints: 64 bones below one root

// A root joint with eight chains fanning out over the plane, and the plane bound to them.
struct SkinnedPlane {
    explicit SkinnedPlane(CQxModel& into) : model(into) { Build(); }
    SkinnedPlane() : model(own) { Build(); }

    CQxModel own{1};
    CQxModel& model;
    CQxObject* plane = nullptr;
    CQxJoint* root = nullptr;
    std::vector<CQxJoint*> joints;

    void Build() {
        plane = new CQxObject(1);
        plane->Mesh().CreatePlane(0, 100.0f, 100.0f, GridDivisions, GridDivisions, nullptr, 0);
        plane->UpdateBoundBox();
        plane->UpdateGraphics();
        model.PushChild(plane);
        root = Add(model, CQxVector(0.0f, 0.0f, 0.0f));
        joints.push_back(root);
        for (int c = 0; c < Chains; ++c) {
            const float angle = 6.2831853f * static_cast<float>(c) / Chains;
            CQxJoint* parent = root;
            for (int j = 0; j < ChainLength - (c == 0); ++j) {
                parent = Add(*parent, CQxVector(6.0f * std::cos(angle), 6.0f * std::sin(angle), 0.0f));
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
    double influences = 0.0;
    for (const CQxVertex& v : scene.plane->Mesh().Vertices())
        for (float w : v.Bones()->Weights) influences += w > 0.0f ? 1.0 : 0.0;
    state.counters["influences_per_vertex"] = influences / scene.plane->Mesh().Vertices().GetCount();
}
BENCHMARK(BM_BentFrame)->Unit(benchmark::kMillisecond);

// The plane seen from above in a view, bound and shown in weight display, with a stroke begun
// at the centre.
struct PaintView {
    CQxScene scene;
    QxOffscreenWindow window{640, 480};
    CQxCamera camera;
    SkinnedPlane skin{scene.RootModel()};

    PaintView() {
        camera.CreateView(&scene, &window, 0, 0);
        camera.UpdateMatrices(640, 480);
        skin.plane->SetSkin(skin.root, 1);
        // The joints would take the clicks over the plane.
        for (CQxJoint* joint : skin.joints) joint->SetVisible(0);
        skin.plane->IsSelect() = 1;
        scene.ToolManager().SetCurTool(QX_TOOL_WEIGHT_PAINT);
        scene.PrepareTool();
        window.SetCursorPos(320, 240);
        camera.OnLButtonDown(MK_LBUTTON, CQxPoint(320, 240));
    }
    // Ends the stroke; how many vertices it changed.
    unsigned int Release() {
        camera.OnLButtonUp(0, CQxPoint(320, 240));
        const auto* stroke = dynamic_cast<const CQxWeightPaintCmd*>(scene.CmdManager().GetCurCmd());
        return stroke ? stroke->GetChangeCount() : 0;
    }
    ~PaintView() {
        scene.RemoveCamera(&camera);
        camera.DestroyView();
    }
};

void BM_PaintStrokeStep(benchmark::State& state) {
    PaintView view;
    if (!view.scene.ToolManager().IsOperating()) {
        state.SkipWithError("the stroke did not start on the plane");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        // Side to side across the plane, so every step reaches vertices not painted yet.
        ++step;
        view.window.SetCursorPos(320 + (step % 41) * 4 - 80, 240 + (step % 7) * 3);
        // What the stroke's timer does when it fires (its period is shorter than one step).
        view.camera.OnTimer(1);
    }
    state.counters["painted_vertices"] = view.Release();
    state.counters["vertices"] = view.skin.plane->Mesh().Vertices().GetCount();
}
BENCHMARK(BM_PaintStrokeStep)->Unit(benchmark::kMillisecond);

} // namespace
