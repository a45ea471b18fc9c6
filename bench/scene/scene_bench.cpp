// A scene of 10,000 small cubes in a deep tree: 100 chains of 100 links under the root model,
// each link moved and turned from its parent, seen through a perspective camera placed without
// a window. Timed: the transforms of the whole tree, and one point pick through the scene.

#include <benchmark/benchmark.h>

#include "qx/graphics/graphics_context.h"
#include "qx/graphics/mesh.h"
#include "qx/math/stacks.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"
#include "qx/views/camera.h"

namespace {

constexpr int Chains = 100;
constexpr int Depth = 100;

struct BenchScene {
    CQxScene scene;
    CQxCamera camera;
    CQxObject* target = nullptr;
    CQxPoint targetPoint;

    BenchScene() {
        for (int c = 0; c < Chains; ++c) {
            CQxObject* parent = &scene.RootModel();
            for (int d = 0; d < Depth; ++d) {
                auto* cube = new CQxCube;
                cube->Create(0.5f, 0.5f, 0.5f, 1, 1, 1, nullptr);
                if (d == 0)
                    cube->Translate() = CQxVector(12.0f * static_cast<float>(c % 10) - 54.0f, 0.0f,
                                                  12.0f * static_cast<float>(c / 10) - 54.0f);
                else
                    cube->Translate() = CQxVector(0.0f, 0.6f, 0.0f);
                cube->SetAngle(CQxVector(0.0f, 0.02f, 0.005f));
                parent->PushChild(cube);
                parent = cube;
            }
            if (c == 55) target = parent;
        }
        camera.SetViewSize(120.0f);
        camera.UpdateMatrices(1280, 720);
        camera.ViewPort() = CQxViewPort(0, 0, 1280, 720);

        // Aim the pick at the tip of one chain.
        CQxMatrixStack stack;
        scene.RootModel().UpdateTransform(stack, &camera);
        CQxMatrix toScreen;
        QxGetScreenTranform(toScreen, target->GetCachedTransform(), camera.ViewMatrix(),
                            camera.ProjectionMatrix(), camera.ViewPort());
        const CQxVector p = toScreen.TransformCoord(CQxVector(0.0f, 0.0f, 0.0f));
        targetPoint = CQxPoint(static_cast<int>(p.x), static_cast<int>(p.y));
    }
};

BenchScene& TheScene() {
    static BenchScene scene;
    return scene;
}

void BM_UpdateTransformTree(benchmark::State& state) {
    BenchScene& s = TheScene();
    for (auto _ : state) {
        CQxMatrixStack stack;
        s.scene.RootModel().UpdateTransform(stack, &s.camera);
        benchmark::DoNotOptimize(s.target->GetCachedTransform());
    }
    state.SetItemsProcessed(state.iterations() * Chains * Depth);
}
BENCHMARK(BM_UpdateTransformTree)->Unit(benchmark::kMillisecond);

void BM_PointPickTree(benchmark::State& state) {
    BenchScene& s = TheScene();
    int hits = 0;
    for (auto _ : state) {
        CQxVector pos;
        CQxSelect select;
        hits += s.scene.IsObjectTreePointHit(QX_HIT_FACE, 0, s.targetPoint, s.camera, pos, select);
        benchmark::DoNotOptimize(select.Object());
    }
    state.counters["hit"] = state.iterations() ? static_cast<double>(hits) / state.iterations() : 0.0;
    state.SetItemsProcessed(state.iterations() * Chains * Depth);
}
BENCHMARK(BM_PointPickTree)->Unit(benchmark::kMillisecond);

} // namespace
