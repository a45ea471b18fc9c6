// Picking on a large mesh: a 708 x 708 grid of quads cut into 1,002,528 triangles, seen whole
// through a perspective camera in a 1920 x 1080 view.

#include <benchmark/benchmark.h>

#include <cfloat>
#include <vector>

#include "qx/graphics/mesh.h"
#include "qx/graphics/viewport.h"

namespace {

constexpr unsigned int GridSize = 708;

struct PickScene {
    CQxMesh mesh;
    CQxViewPort viewport{0, 0, 1920, 1080};
    CQxMatrix world, view, projection;

    PickScene() {
        const unsigned int n = GridSize;
        std::vector<CQxVertex*> v;
        v.reserve((n + 1) * (n + 1));
        for (unsigned int j = 0; j <= n; ++j)
            for (unsigned int i = 0; i <= n; ++i) {
                auto* x = new CQxVertex(CQxVector(2.0f * i / n - 1.0f, 2.0f * j / n - 1.0f, 0.0f));
                mesh.Vertices().PushBack(x);
                v.push_back(x);
            }
        auto triangle = [&](unsigned int a, unsigned int b, unsigned int c) {
            auto* f = new CQxFace(nullptr, CQxFace::ShadeBit);
            for (unsigned int k : {a, b, c}) f->PushHalfEdge(new CQxHalfEdge(f, v[k], 0));
            mesh.Faces().PushBack(f);
        };
        for (unsigned int j = 0; j < n; ++j)
            for (unsigned int i = 0; i < n; ++i) {
                const unsigned int a = i + (n + 1) * j;
                triangle(a, a + 1, a + n + 2);
                triangle(a, a + n + 2, a + n + 1);
            }
        mesh.UpdateIndices();
        // Slightly from below, so depth varies across the grid.
        view.SetLookAtR(CQxVector(0.0f, -0.8f, 2.2f), CQxVector(0, 0, 0), CQxVector(0, 1, 0));
        projection.SetPerspectiveFovR(3.14159265f / 3.0f, 1920.0f / 1080.0f, 0.1f, 100.0f);
    }
};

PickScene& Scene() {
    static PickScene scene;
    return scene;
}

void BM_ScreenPositions(benchmark::State& state) {
    PickScene& s = Scene();
    CQxArray<CQxVector> out;
    for (auto _ : state) {
        s.mesh.GetScreenVertexPositions(out, s.viewport, s.world, s.view, s.projection);
        benchmark::DoNotOptimize(out.GetData());
    }
}
BENCHMARK(BM_ScreenPositions)->Unit(benchmark::kMillisecond);

// For comparison: a plain walk over every face corner reading its vertex, the least that any
// pick working from the current topology has to do.
void BM_CornerWalk(benchmark::State& state) {
    PickScene& s = Scene();
    for (auto _ : state) {
        unsigned int sum = 0;
        for (const CQxFace& f : s.mesh.Faces())
            f.ForEachHalfEdge([&](CQxHalfEdge& h) { sum += h.GetVertex()->Index(); });
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_CornerWalk)->Unit(benchmark::kMillisecond);

// Component pick with every kind (31), and the object-mode mask (26).
void BM_PointPick(benchmark::State& state) {
    PickScene& s = Scene();
    const unsigned int mask = static_cast<unsigned int>(state.range(0));
    CQxMeshHit hit;
    int hits = 0;
    for (auto _ : state) {
        float best = FLT_MAX;
        hits +=
            s.mesh.IsPointHit(mask, CQxPoint(960, 540), best, s.viewport, s.world, s.view, s.projection, hit);
    }
    if (hits != static_cast<int>(state.iterations())) state.SkipWithError("the pick missed the grid");
}
BENCHMARK(BM_PointPick)->Arg(31)->Arg(26)->Unit(benchmark::kMillisecond);

// The first pick after a topology change, which rebuilds the mesh's topology cache.
void BM_PointPickRebuild(benchmark::State& state) {
    PickScene& s = Scene();
    CQxMeshHit hit;
    int hits = 0;
    for (auto _ : state) {
        QxBumpMeshTopology();
        float best = FLT_MAX;
        hits +=
            s.mesh.IsPointHit(31, CQxPoint(960, 540), best, s.viewport, s.world, s.view, s.projection, hit);
    }
    if (hits != static_cast<int>(state.iterations())) state.SkipWithError("the pick missed the grid");
}
BENCHMARK(BM_PointPickRebuild)->Unit(benchmark::kMillisecond);

void BM_RectPick(benchmark::State& state) {
    PickScene& s = Scene();
    const unsigned int mask = static_cast<unsigned int>(state.range(0));
    CQxMeshHits hits;
    for (auto _ : state) {
        s.mesh.IsRectHit(mask, CQxRect(860, 440, 1060, 640), s.viewport, s.world, s.view, s.projection, hits);
        benchmark::DoNotOptimize(hits.Faces.GetData());
    }
    state.counters["faces"] = static_cast<double>(hits.Faces.GetSize());
}
BENCHMARK(BM_RectPick)->Arg(31)->Arg(16)->Unit(benchmark::kMillisecond);

// The first rectangle pick with sides after a topology change, which rebuilds the cache and
// finds the sides' half-edges of the faces near the rectangle.
void BM_RectPickRebuild(benchmark::State& state) {
    PickScene& s = Scene();
    CQxMeshHits hits;
    for (auto _ : state) {
        QxBumpMeshTopology();
        s.mesh.IsRectHit(31, CQxRect(860, 440, 1060, 640), s.viewport, s.world, s.view, s.projection, hits);
        benchmark::DoNotOptimize(hits.HalfEdges.GetData());
    }
    state.counters["sides"] = static_cast<double>(hits.HalfEdges.GetSize());
}
BENCHMARK(BM_RectPickRebuild)->Unit(benchmark::kMillisecond);

} // namespace
