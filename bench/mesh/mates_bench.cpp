// Building half-edge connectivity for a million triangles, side by side with the reference
// library: a grid of about 500k vertices, every cell cut into two triangles, given as an index
// list. Besides the time, each benchmark reports the heap bytes per triangle that the built mesh
// holds (counted with mallinfo2, mapped blocks included).

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <cstdint>
#include <memory>
#include <vector>

#include "qx/graphics/mesh.h"

namespace {

constexpr unsigned int GridSide = 708; // cells per side: 2 * 708^2 = 1,002,528 triangles

struct TriangleList {
    std::vector<float> Positions;       // x, y, z per vertex
    std::vector<std::uint32_t> Corners; // three vertex indices per triangle
};

const TriangleList& Grid() {
    static const TriangleList grid = [] {
        TriangleList g;
        const unsigned int n = GridSide + 1;
        g.Positions.reserve(3u * n * n);
        for (unsigned int z = 0; z < n; ++z)
            for (unsigned int x = 0; x < n; ++x) {
                g.Positions.push_back(static_cast<float>(x));
                g.Positions.push_back(0.01f * static_cast<float>((x * 7 + z * 13) % 17));
                g.Positions.push_back(static_cast<float>(z));
            }
        g.Corners.reserve(6u * GridSide * GridSide);
        for (unsigned int z = 0; z < GridSide; ++z)
            for (unsigned int x = 0; x < GridSide; ++x) {
                const std::uint32_t a = z * n + x, b = a + 1, c = a + n, d = c + 1;
                for (std::uint32_t i : {a, c, d, a, d, b}) g.Corners.push_back(i);
            }
        return g;
    }();
    return grid;
}

std::size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void BuildOurs(CQxMesh& mesh, const TriangleList& g) {
    const std::size_t vertexCount = g.Positions.size() / 3;
    std::vector<CQxVertex*> vertices(vertexCount);
    for (std::size_t i = 0; i < vertexCount; ++i) {
        vertices[i] =
            new CQxVertex(CQxVector(g.Positions[3 * i], g.Positions[3 * i + 1], g.Positions[3 * i + 2]));
        mesh.Vertices().PushBack(vertices[i]);
    }
    for (std::size_t t = 0; t < g.Corners.size(); t += 3) {
        auto* f = new CQxFace(nullptr, CQxFace::ShadeBit);
        for (std::size_t k = 0; k < 3; ++k)
            f->PushHalfEdge(new CQxHalfEdge(f, vertices[g.Corners[t + k]], 0));
        mesh.Faces().PushBack(f);
    }
    benchmark::DoNotOptimize(mesh.UpdateHalfEdgeMates());
    mesh.UpdateVertexHalfEdges();
}

using RefMesh = OpenMesh::TriMesh_ArrayKernelT<>;

void BuildReference(RefMesh& mesh, const TriangleList& g) {
    const std::size_t vertexCount = g.Positions.size() / 3;
    const std::size_t faceCount = g.Corners.size() / 3;
    mesh.reserve(vertexCount, faceCount * 3 / 2 + vertexCount, faceCount);
    std::vector<RefMesh::VertexHandle> vertices(vertexCount);
    for (std::size_t i = 0; i < vertexCount; ++i)
        vertices[i] = mesh.add_vertex(
            RefMesh::Point(g.Positions[3 * i], g.Positions[3 * i + 1], g.Positions[3 * i + 2]));
    for (std::size_t t = 0; t < g.Corners.size(); t += 3)
        mesh.add_face(vertices[g.Corners[t]], vertices[g.Corners[t + 1]], vertices[g.Corners[t + 2]]);
}

template <class Build, class Mesh>
void ReportBytes(benchmark::State& state, Build build) {
    const TriangleList& g = Grid();
    const double triangles = static_cast<double>(g.Corners.size() / 3);
    const std::size_t before = HeapInUse();
    auto mesh = std::make_unique<Mesh>();
    build(*mesh, g);
    const std::size_t after = HeapInUse();
    state.counters["bytes_per_tri"] = static_cast<double>(after - before) / triangles;
    state.counters["triangles"] = triangles;
}

void BM_Mates_Ours(benchmark::State& state) {
    const TriangleList& g = Grid();
    for (auto _ : state) {
        auto mesh = std::make_unique<CQxMesh>();
        BuildOurs(*mesh, g);
        benchmark::DoNotOptimize(mesh->Faces().GetCount());
        state.PauseTiming();
        mesh.reset();
        state.ResumeTiming();
    }
    ReportBytes<decltype(&BuildOurs), CQxMesh>(state, &BuildOurs);
}

void BM_Mates_OpenMeshTriMesh(benchmark::State& state) {
    const TriangleList& g = Grid();
    for (auto _ : state) {
        auto mesh = std::make_unique<RefMesh>();
        BuildReference(*mesh, g);
        benchmark::DoNotOptimize(mesh->n_faces());
        state.PauseTiming();
        mesh.reset();
        state.ResumeTiming();
    }
    ReportBytes<decltype(&BuildReference), RefMesh>(state, &BuildReference);
}

// Only the upkeep pass, on a mesh already built: the cost an edit pays after changing topology.
void BM_Mates_OursUpdateOnly(benchmark::State& state) {
    CQxMesh mesh;
    BuildOurs(mesh, Grid());
    for (auto _ : state) benchmark::DoNotOptimize(mesh.UpdateHalfEdgeMates());
}

} // namespace

BENCHMARK(BM_Mates_Ours)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Mates_OpenMeshTriMesh)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Mates_OursUpdateOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
