// The first pick after an edit of a big mesh: a plane of 708 x 708 quads (a million triangles'
// worth), its topology changed and its graphics rebuilt as every mesh command does, then one
// point pick at the middle of a 1920 x 1080 view (or a 200 x 200 rectangle pick there), timed
// alone: as it comes, and after the host let the scene prepare its picks while idle. And the
// graphics rebuild itself.

#include <benchmark/benchmark.h>

#include <cfloat>

#include "qx/graphics/mesh.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"
#include "qx/views/camera.h"

namespace {

constexpr unsigned int kAllComponents = QX_HIT_VERTEX | QX_HIT_EDGE | QX_HIT_SIDE | QX_HIT_FACE;

struct LargePlane {
    CQxScene scene;
    CQxCamera camera;
    CQxObject* plane = new CQxObject(1);

    LargePlane() {
        plane->Mesh().CreatePlane(0, 2.0f, 2.0f, 708, 708, nullptr, 0);
        plane->UpdateBoundBox();
        plane->UpdateGraphics();
        scene.RootModel().PushChild(plane);
        camera.SetViewSize(3.0f);
        camera.UpdateMatrices(1920, 1080);
        camera.ViewPort() = CQxViewPort(0, 0, 1920, 1080);
    }
    // What a mesh command leaves: the topology moved on, the graphics rebuilt.
    void Edit() {
        QxBumpMeshTopology();
        plane->UpdateGraphics();
    }
    int PickRect() {
        CQxSelects selects;
        return scene.IsObjectTreeRectHit(kAllComponents, 1, 0, CQxRect(860, 440, 1060, 640), camera, selects);
    }
    int Pick() {
        CQxVector pos;
        CQxSelect select;
        return scene.IsObjectTreePointHit(kAllComponents, 0, CQxPoint(960, 540), camera, pos, select);
    }
};

LargePlane& Plane() {
    static LargePlane plane;
    return plane;
}

// Arg 1: the host called PreparePicks while idle between the edit and the click.
template <int (LargePlane::*Pick)()>
void FirstPickAfterEdit(benchmark::State& state) {
    LargePlane& p = Plane();
    int hits = 0;
    for (auto _ : state) {
        state.PauseTiming();
        p.Edit();
        if (state.range(0)) p.scene.PreparePicks();
        state.ResumeTiming();
        hits += (p.*Pick)() ? 1 : 0;
    }
    if (hits != static_cast<int>(state.iterations())) state.SkipWithError("the pick missed the plane");
}
void BM_FirstPickAfterEdit(benchmark::State& state) {
    FirstPickAfterEdit<&LargePlane::Pick>(state);
}
void BM_FirstRectPickAfterEdit(benchmark::State& state) {
    FirstPickAfterEdit<&LargePlane::PickRect>(state);
}
BENCHMARK(BM_FirstPickAfterEdit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstRectPickAfterEdit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PreparePicks(benchmark::State& state) {
    LargePlane& p = Plane();
    for (auto _ : state) {
        state.PauseTiming();
        QxBumpMeshTopology();
        state.ResumeTiming();
        p.scene.PreparePicks();
    }
}
BENCHMARK(BM_PreparePicks)->Unit(benchmark::kMillisecond);

void BM_GraphicsAfterEdit(benchmark::State& state) {
    LargePlane& p = Plane();
    for (auto _ : state) p.Edit();
}
BENCHMARK(BM_GraphicsAfterEdit)->Unit(benchmark::kMillisecond);

} // namespace
