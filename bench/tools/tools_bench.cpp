// One step of each gesture a user repeats on a large mesh: a mouse move of a move-manipulator
// drag with 100,489 selected vertices, and a click pick through the select tool and through the
// move tool on that mesh (with, for comparison, the click's hit test alone).
// The scene is seen in a 640 x 480 perspective view, as the camera's input operations receive it.

#include <benchmark/benchmark.h>

#include "qx/platform/input_state.h"
#include "qx/platform/offscreen_window.h"
#include "qx/scene/scene.h"
#include "qx/tools/manipulator.h"
#include "qx/views/camera.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct LargeMeshView {
    CQxScene scene;
    QxOffscreenWindow window{kWidth, kHeight};
    CQxCamera camera;
    CQxObject* mesh = nullptr;

    // A plane of 316 x 316 quads across the grid, every vertex selected in component mode.
    LargeMeshView() {
        camera.CreateView(&scene, &window, 0, 0);
        camera.UpdateMatrices(kWidth, kHeight);
        mesh = new CQxObject(1);
        mesh->SetName("Large");
        mesh->Mesh().CreatePlane(0, 100.0f, 100.0f, 316, 316, scene.RootModel().CurAttribute(), 0);
        mesh->UpdateBoundBox();
        mesh->UpdateGraphics();
        scene.RootModel().PushChild(mesh);
        scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
        for (CQxVertex& v : mesh->Mesh().Vertices()) v.IsSelect() = 1;
        mesh->IsSelect() = 1;
        scene.PrepareTool();
    }
    ~LargeMeshView() {
        scene.RemoveCamera(&camera);
        camera.DestroyView();
    }

    // Where the manipulator's X handle shows.
    CQxPoint XHandlePoint() const {
        const CQxManipulator* m = scene.GetManipulator();
        CQxMatrix world;
        const_cast<CQxManipulator*>(m)->GetViewTransform(world, camera.ViewPort(), camera.WorldMatrix(),
                                                         camera.ViewMatrix(), camera.ProjectionMatrix());
        CQxMatrix screen;
        QxGetScreenTranform(screen, camera.WorldMatrix(), camera.ViewMatrix(), camera.ProjectionMatrix(),
                            camera.ViewPort());
        const CQxVector p = screen.TransformCoord(world.Transform(m->GetXHandle()->Translate()));
        return CQxPoint(static_cast<int>(p.x), static_cast<int>(p.y));
    }
};

void MoveDragStep(benchmark::State& state) {
    LargeMeshView view;
    if (!view.scene.GetManipulator()) {
        state.SkipWithError("no manipulator");
        return;
    }
    const CQxPoint from = view.XHandlePoint();
    view.camera.OnLButtonDown(MK_LBUTTON, from);
    if (!view.scene.ToolManager().IsOperating()) {
        state.SkipWithError("the X handle was not hit");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        // Back and forth along the axis, so every step moves the selection.
        ++step;
        view.camera.OnMouseMove(MK_LBUTTON, CQxPoint(from.x + (step % 2 ? 12 : 4), from.y));
    }
    view.camera.OnLButtonUp(0, CQxPoint(from.x + 4, from.y));
    state.counters["vertices"] = static_cast<double>(view.mesh->Mesh().Vertices().GetCount());
}

// A click as the host sends it: button down, then up at the same point.
void Click(LargeMeshView& view, CQxPoint at) {
    view.camera.OnLButtonDown(MK_LBUTTON, at);
    view.camera.OnLButtonUp(0, at);
}

// How many vertices the last click left selected, beside the timings.
void CountSelected(LargeMeshView& view, benchmark::State& state) {
    unsigned int selected = 0;
    for (const CQxVertex& v : view.mesh->Mesh().Vertices()) selected += v.IsSelect() ? 1u : 0u;
    state.counters["selected_vertices"] = static_cast<double>(selected);
}

void SelectClick(benchmark::State& state) {
    LargeMeshView view;
    view.scene.ToolManager().SetCurTool(QX_TOOL_SELECT);
    const CQxPoint centre(kWidth / 2, kHeight / 2);
    for (auto _ : state) Click(view, centre);
    CountSelected(view, state);
}

// The same click with the move tool, which places its manipulator after every pick; the clicks
// alternate between two points far apart, so that none lands on the manipulator.
void MoveToolClick(benchmark::State& state) {
    LargeMeshView view;
    view.scene.ToolManager().SetCurTool(QX_TOOL_MOVE);
    const CQxPoint points[2] = {CQxPoint(kWidth / 5, kHeight * 3 / 4),
                                CQxPoint(kWidth * 4 / 5, kHeight * 3 / 4)};
    int click = 0;
    for (auto _ : state) {
        Click(view, points[click++ % 2]);
    }
    CountSelected(view, state);
}

// The hit test alone that the click above makes, without writing the selection back.
void SelectPickOnly(benchmark::State& state) {
    LargeMeshView view;
    const CQxPoint centre(kWidth / 2, kHeight / 2);
    CQxVector position;
    CQxSelect hit;
    for (auto _ : state) {
        if (!view.scene.IsObjectTreePointHit(view.scene.ToolManager().GetComponentTypes(), 0, centre,
                                             view.camera, position, hit))
            state.SkipWithError("nothing hit");
    }
}

} // namespace

BENCHMARK(MoveDragStep)->Name("MoveTool/drag_step_100k_vertices")->Unit(benchmark::kMillisecond);
BENCHMARK(SelectClick)->Name("SelectTool/click_pick_100k_vertices")->Unit(benchmark::kMillisecond);
BENCHMARK(MoveToolClick)->Name("MoveTool/click_pick_100k_vertices")->Unit(benchmark::kMillisecond);
BENCHMARK(SelectPickOnly)->Name("SelectTool/hit_test_only_100k_vertices")->Unit(benchmark::kMillisecond);
