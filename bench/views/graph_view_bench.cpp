// The graph view with 100 keyed channels of 1,000 keys each (12 channels on each of 9 objects,
// the last object with 4; keys at every frame 0..999, values a wandering wave in -20..20), in an
// 800 x 600 view. Timed: OnDraw (rulers, the current frame, every curve with its keys and
// handles, into the back buffer and onto the window's canvas), and one single pick of a key
// (every selected item's marks measured against the point). Each is run on the view a user
// starts with (frames 1..30: 30 keys a channel on screen) and on the whole range (frames
// 0..999: every key on screen, the view "fitted" to the animation).

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "qx/animation/anim.h"
#include "qx/platform/canvas.h"
#include "qx/platform/offscreen_window.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/views/graph_view.h"

namespace {

constexpr unsigned int Channels = 100;
constexpr unsigned int Keys = 1000;

struct Graph {
    QxOffscreenWindow window{800, 600};
    CQxScene scene;
    CQxGraphView view;
    CQxAnim& anim = scene.RootModel().Anim();

    Graph() {
        unsigned int made = 0;
        for (unsigned int o = 0; made < Channels; ++o) {
            auto* object = new CQxObject(0);
            scene.RootModel().PushChild(object);
            object->IsSelect() = 1;
            for (unsigned int t = QX_ANIM_ITEM_SCALE_X; t <= QX_ANIM_ITEM_PIVOT_Z && made < Channels;
                 ++t, ++made) {
                const auto type = static_cast<QX_ANIM_ITEM_TYPE>(t);
                CQxObjectAnimItem& item = anim.ObjectItems()[object][type];
                item.Init(type, object);
                for (unsigned int k = 0; k < Keys; ++k) {
                    const float f = static_cast<float>(k);
                    item.Spline().InsertNode(f,
                                             15.0f * std::sin(f * 0.05f + made) + 5.0f * std::sin(f * 0.31f));
                }
                item.Spline().UpdateEquations(1);
                item.Select(1);
            }
        }
        anim.UpdateObjectRefSortItems();
        view.Create(&scene, &window, 0, 0);
        view.OnSize(0, 800, 600);
        scene.CurFrame() = 12.0f;
    }

    void Draw(bool curves = true) {
        HDC dc = QxWin::GetDC(&window);
        view.OnDraw(curves ? &scene.RootModel() : nullptr, dc);
        QxWin::ReleaseDC(&window, dc);
    }
};

Graph& TheGraph() {
    static Graph graph;
    return graph;
}

void ShowRange(benchmark::State& state) {
    Graph& g = TheGraph();
    if (state.range(0))
        g.view.SetRange(0.0f, 999.0f, -20.0f, 20.0f);
    else
        g.view.SetRange(1.0f, 30.0f, -20.0f, 20.0f);
    state.SetLabel(state.range(0) ? "whole range" : "frames 1..30");
}

void BM_DrawGraph(benchmark::State& state) {
    Graph& g = TheGraph();
    ShowRange(state);
    for (auto _ : state) g.Draw(state.range(1) != 0);
    state.counters["keys"] = state.range(1) ? Channels * Keys : 0;
}
// The second argument 0 draws the same view without the model: the rulers and the rest alone.
BENCHMARK(BM_DrawGraph)->Args({0, 1})->Args({1, 1})->Args({0, 0})->Unit(benchmark::kMillisecond);

void BM_PickKey(benchmark::State& state) {
    Graph& g = TheGraph();
    ShowRange(state);
    g.Draw();
    CQxRect viewRect, curve;
    g.view.GetRects(viewRect, curve);
    // The key at frame 10 of the last channel, where it is drawn.
    const CQxObjectAnimItem* last = nullptr;
    g.anim.ForEachSortItem(
        [&](const CQxAnimItem* item) { last = static_cast<const CQxObjectAnimItem*>(item); });
    CQxPoint key, prev, next;
    last->Spline().Nodes()[10]->GetPixelPoints(key, prev, next, 30, curve, g.view.MinX(), g.view.MaxX(),
                                               g.view.MinY(), g.view.MaxY());
    int hits = 0;
    for (auto _ : state) {
        CQxAnimItemSelect hit;
        hits +=
            g.anim.IsPointHit(key, curve, g.view.MinX(), g.view.MaxX(), g.view.MinY(), g.view.MaxY(), hit);
        benchmark::DoNotOptimize(hit);
    }
    state.counters["hit"] = hits == static_cast<int>(state.iterations()) ? 1 : 0;
}
BENCHMARK(BM_PickKey)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
