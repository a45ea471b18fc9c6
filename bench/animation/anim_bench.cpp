// Evaluating keyframed animation. Timed: a scene of 1,000 cubes, each with scale, rotation and
// translation keyed on all three axes (100 keys a channel), evaluated at a frame; a mesh of about
// 100,000 vertices with x, y and z keyed at every vertex, evaluated at a frame; and one step of a
// running play of the 1,000 cubes on a clock the benchmark drives.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "qx/animation/anim.h"
#include "qx/graphics/mesh.h"
#include "qx/platform/time.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

namespace {

constexpr int Objects = 1000;
constexpr int KeysPerChannel = 100;
constexpr unsigned int GridDivisions = 315; // 316 x 316 vertices
constexpr int KeysPerVertexChannel = 4;

// Keys every `step` frames on a wave that differs per item, so that no two curves are alike.
void Keys(CQxAnimItem& item, int count, float step, float phase) {
    for (int k = 0; k < count; ++k) {
        const float x = 1.0f + step * static_cast<float>(k);
        item.Spline().InsertNode(x, std::sin(0.3f * x + phase));
    }
    item.UpdateSpline();
}

struct ObjectScene {
    CQxScene scene;

    ObjectScene() {
        CQxModel& model = scene.RootModel();
        for (int i = 0; i < Objects; ++i) {
            auto* cube = new CQxCube;
            cube->Create(0.5f, 0.5f, 0.5f, 1, 1, 1, nullptr);
            model.PushChild(cube);
            for (unsigned int t = QX_ANIM_ITEM_SCALE_X; t <= QX_ANIM_ITEM_TRANSLATE_Z; ++t) {
                const auto type = static_cast<QX_ANIM_ITEM_TYPE>(t);
                CQxObjectAnimItem& item = model.Anim().ObjectItems()[cube][type];
                item.Init(type, cube);
                Keys(item, KeysPerChannel, 1.0f, 0.01f * static_cast<float>(i * 9 + t));
            }
        }
        scene.SetLastFrame(static_cast<float>(KeysPerChannel));
    }
};

struct VertexScene {
    CQxScene scene;
    unsigned int vertices = 0;

    VertexScene() {
        CQxModel& model = scene.RootModel();
        auto* grid = new CQxObject(1);
        grid->Mesh().CreatePlane(0, 100.0f, 100.0f, GridDivisions, GridDivisions, nullptr, 0);
        model.PushChild(grid);
        auto& items = model.Anim().VertexItems()[grid];
        for (CQxVertex& v : grid->Mesh().Vertices()) {
            for (unsigned int t = QX_ANIM_ITEM_POINT_X; t <= QX_ANIM_ITEM_POINT_Z; ++t) {
                const auto type = static_cast<QX_ANIM_ITEM_TYPE>(t);
                CQxVertexAnimItem& item = items[&v][type];
                item.Init(type, grid, &v);
                Keys(item, KeysPerVertexChannel, 10.0f, 0.001f * static_cast<float>(vertices * 3 + t));
            }
            ++vertices;
        }
    }
};

ObjectScene& TheObjectScene() {
    static ObjectScene scene;
    return scene;
}

// The frame of iteration i: a walk through the keyed range that never sits on a key.
float FrameAt(std::int64_t i, float span) {
    return 1.0f + std::fmod(0.37f * static_cast<float>(i) + 0.1f, span - 1.0f);
}

void BM_AnimateObjects(benchmark::State& state) {
    ObjectScene& s = TheObjectScene();
    std::int64_t i = 0;
    for (auto _ : state) {
        s.scene.CurFrame() = FrameAt(i++, static_cast<float>(KeysPerChannel));
        s.scene.Animate(0, 0);
    }
    state.SetItemsProcessed(state.iterations() * Objects * 9);
}
BENCHMARK(BM_AnimateObjects)->Unit(benchmark::kMicrosecond);

void BM_AnimateVertices(benchmark::State& state) {
    static VertexScene s;
    std::int64_t i = 0;
    for (auto _ : state) {
        s.scene.CurFrame() = FrameAt(i++, 10.0f * (KeysPerVertexChannel - 1));
        s.scene.Animate(0, 0);
    }
    state.counters["vertices"] = s.vertices;
    state.SetItemsProcessed(state.iterations() * s.vertices * 3);
}
BENCHMARK(BM_AnimateVertices)->Unit(benchmark::kMillisecond);

// One frame of a repeating play: the clock moves on a frame's worth, the task manager runs the
// play task, which sets the frame and evaluates the scene.
void BM_PlayStep(benchmark::State& state) {
    ObjectScene& s = TheObjectScene();
    QxSetManualClock(1);
    s.scene.StartPlay(1, 0);
    for (auto _ : state) {
        QxAdvanceClock(17);
        s.scene.TaskManager().ExecuteFrame();
    }
    benchmark::DoNotOptimize(s.scene.CurFrame());
    s.scene.EndPlayCmd(0);
    QxSetManualClock(0);
}
BENCHMARK(BM_PlayStep)->Unit(benchmark::kMicrosecond);

} // namespace
