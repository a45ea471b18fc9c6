// Catmull-Clark level 2 of a wavy 316 x 316 quad grid (99,856 quads) with texture coordinates:
// our display chain against OpenSubdiv's uniform refinement with one face-varying channel, and
// the drag case (1% of the cage vertices moved, then the chain refreshed).
//
// OpenSubdiv is set to the same rules as ours: boundary edges and single-face corners sharp,
// texture coordinates bilinear. Note what each side produces: ours builds the half-edge display
// mesh (vertices, faces, corners with UVs, mates, face and vertex normals); OpenSubdiv fills flat
// arrays of positions and UVs for every level.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include <opensubdiv/far/primvarRefiner.h>
#include <opensubdiv/far/topologyDescriptor.h>
#include <opensubdiv/far/topologyRefinerFactory.h>

#include "qx/graphics/mesh.h"

namespace {

using namespace OpenSubdiv;

constexpr int GridSize = 316;

struct Grid {
    std::vector<float> Positions; // xyz per vertex
    std::vector<int> VertsPerFace;
    std::vector<int> Indices;
    int VertexCount = 0;
    int FaceCount = 0;
};

const Grid& TheGrid() {
    static const Grid grid = [] {
        Grid g;
        const int n = GridSize;
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i) {
                const float x = float(i) / float(n), z = float(j) / float(n);
                g.Positions.insert(g.Positions.end(),
                                   {x, 0.05f * std::sin(40.0f * x) * std::cos(31.0f * z), z});
            }
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                const int a = j * (n + 1) + i;
                g.VertsPerFace.push_back(4);
                g.Indices.insert(g.Indices.end(), {a, a + n + 1, a + n + 2, a + 1});
            }
        g.VertexCount = (n + 1) * (n + 1);
        g.FaceCount = n * n;
        return g;
    }();
    return grid;
}

// The grid as our mesh, texture coordinates on every corner.
void BuildCage(CQxMesh& mesh) {
    const Grid& g = TheGrid();
    mesh.Clear();
    std::vector<CQxVertex*> vertices;
    for (int v = 0; v < g.VertexCount; ++v) {
        auto* vertex =
            new CQxVertex(CQxVector(g.Positions[3 * v], g.Positions[3 * v + 1], g.Positions[3 * v + 2]));
        mesh.Vertices().PushBack(vertex);
        vertices.push_back(vertex);
    }
    for (int f = 0; f < g.FaceCount; ++f) {
        auto* face = new CQxFace(nullptr, CQxFace::ShadeBit);
        for (int k = 0; k < 4; ++k) {
            CQxVertex* v = vertices[g.Indices[4 * f + k]];
            auto* h = new CQxHalfEdge(face, v, 0);
            h->AllocUV();
            h->UV().Set(v->Position().x, v->Position().z);
            face->PushHalfEdge(h);
        }
        mesh.Faces().PushBack(face);
    }
    mesh.UpdateHalfEdgeMates();
    mesh.UpdateNormals();
}

void Ours_CreateLevel2(benchmark::State& state) {
    CQxMesh mesh;
    BuildCage(mesh);
    // Warm: the element pools keep their memory once touched, as in a session.
    mesh.SetSubdivisionLevel(2, 1);
    mesh.SetSubdivisionLevel(0, 1);
    for (auto _ : state) {
        if (!mesh.SetSubdivisionLevel(2, 1)) state.SkipWithError("subdivision failed");
        benchmark::DoNotOptimize(mesh.GetSubdivisionMesh());
        state.PauseTiming();
        mesh.SetSubdivisionLevel(0, 1);
        state.ResumeTiming();
    }
}
BENCHMARK(Ours_CreateLevel2)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Turning subdivision off again: the level-2 mesh of 1.6 million faces is taken apart.
void Ours_ClearLevel2(benchmark::State& state) {
    CQxMesh mesh;
    BuildCage(mesh);
    for (auto _ : state) {
        state.PauseTiming();
        if (!mesh.SetSubdivisionLevel(2, 1)) state.SkipWithError("subdivision failed");
        state.ResumeTiming();
        mesh.SetSubdivisionLevel(0, 1);
        benchmark::DoNotOptimize(mesh.GetSubdivisionMesh());
    }
}
BENCHMARK(Ours_ClearLevel2)->Unit(benchmark::kMillisecond)->MinTime(2.0);

struct OsdVertex {
    float P[3];
    void Clear(void* = nullptr) { P[0] = P[1] = P[2] = 0.0f; }
    void AddWithWeight(const OsdVertex& s, float w) {
        P[0] += w * s.P[0];
        P[1] += w * s.P[1];
        P[2] += w * s.P[2];
    }
};
struct OsdUV {
    float UV[2];
    void Clear(void* = nullptr) { UV[0] = UV[1] = 0.0f; }
    void AddWithWeight(const OsdUV& s, float w) {
        UV[0] += w * s.UV[0];
        UV[1] += w * s.UV[1];
    }
};

Far::TopologyRefiner* CreateOsdRefiner() {
    const Grid& g = TheGrid();
    Far::TopologyDescriptor desc;
    desc.numVertices = g.VertexCount;
    desc.numFaces = g.FaceCount;
    desc.numVertsPerFace = g.VertsPerFace.data();
    desc.vertIndicesPerFace = g.Indices.data();
    // The grid's texture coordinates are continuous: one value per vertex.
    Far::TopologyDescriptor::FVarChannel channel;
    channel.numValues = g.VertexCount;
    channel.valueIndices = g.Indices.data();
    desc.numFVarChannels = 1;
    desc.fvarChannels = &channel;
    Sdc::Options options;
    options.SetVtxBoundaryInterpolation(Sdc::Options::VTX_BOUNDARY_EDGE_AND_CORNER);
    options.SetFVarLinearInterpolation(Sdc::Options::FVAR_LINEAR_ALL);
    using Factory = Far::TopologyRefinerFactory<Far::TopologyDescriptor>;
    Far::TopologyRefiner* refiner = Factory::Create(desc, Factory::Options(Sdc::SCHEME_CATMARK, options));
    refiner->RefineUniform(Far::TopologyRefiner::UniformOptions(2));
    return refiner;
}

struct OsdResult {
    std::unique_ptr<Far::TopologyRefiner> Refiner;
    std::vector<OsdVertex> Vertices;
    std::vector<OsdUV> UVs;
};

void InterpolatePositions(OsdResult& r) {
    Far::PrimvarRefiner primvar(*r.Refiner);
    OsdVertex* src = r.Vertices.data();
    for (int level = 1; level <= 2; ++level) {
        OsdVertex* dst = src + r.Refiner->GetLevel(level - 1).GetNumVertices();
        primvar.Interpolate(level, src, dst);
        src = dst;
    }
}

void InterpolateUVs(OsdResult& r) {
    Far::PrimvarRefiner primvar(*r.Refiner);
    OsdUV* src = r.UVs.data();
    for (int level = 1; level <= 2; ++level) {
        OsdUV* dst = src + r.Refiner->GetLevel(level - 1).GetNumFVarValues(0);
        primvar.InterpolateFaceVarying(level, src, dst, 0);
        src = dst;
    }
}

void FillOsdCage(OsdResult& r) {
    const Grid& g = TheGrid();
    r.Vertices.resize(r.Refiner->GetNumVerticesTotal());
    r.UVs.resize(r.Refiner->GetNumFVarValuesTotal(0));
    for (int v = 0; v < g.VertexCount; ++v) {
        for (int k = 0; k < 3; ++k) r.Vertices[v].P[k] = g.Positions[3 * v + k];
        r.UVs[v].UV[0] = g.Positions[3 * v];
        r.UVs[v].UV[1] = g.Positions[3 * v + 2];
    }
}

void OpenSubdiv_CreateLevel2(benchmark::State& state) {
    {
        OsdResult warm;
        warm.Refiner.reset(CreateOsdRefiner());
    }
    for (auto _ : state) {
        auto r = std::make_unique<OsdResult>();
        r->Refiner.reset(CreateOsdRefiner());
        FillOsdCage(*r);
        InterpolatePositions(*r);
        InterpolateUVs(*r);
        benchmark::DoNotOptimize(r->Vertices.back());
        state.PauseTiming();
        r.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(OpenSubdiv_CreateLevel2)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// 1% of the cage vertices, either spread at random over the grid or as one square patch (a
// brush or a selection being dragged).
std::vector<CQxVertex*> DraggedVertices(CQxMesh& mesh, int patch) {
    std::vector<CQxVertex*> all;
    for (CQxVertex& v : mesh.Vertices()) all.push_back(&v);
    std::vector<CQxVertex*> out;
    const std::size_t count = all.size() / 100;
    if (patch) {
        const int side = static_cast<int>(std::sqrt(double(count)));
        for (int j = 0; j < side; ++j)
            for (int i = 0; i < side; ++i) out.push_back(all[(100 + j) * (GridSize + 1) + 100 + i]);
    } else {
        std::mt19937 random(7);
        std::shuffle(all.begin(), all.end(), random);
        out.assign(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count));
    }
    return out;
}

void Ours_DragUpdateLevel2(benchmark::State& state) {
    CQxMesh mesh;
    BuildCage(mesh);
    mesh.SetSubdivisionLevel(2, 1);
    const std::vector<CQxVertex*> dragged = DraggedVertices(mesh, static_cast<int>(state.range(0)));
    float step = 0.001f;
    for (auto _ : state) {
        for (CQxVertex* v : dragged) v->Position().y += step;
        step = -step;
        if (!mesh.UpdateSubdivisionMeshes(1)) state.SkipWithError("update failed");
        benchmark::DoNotOptimize(mesh.GetSubdivisionMesh());
    }
    state.SetLabel(state.range(0) ? "1% as one patch" : "1% spread at random");
}
BENCHMARK(Ours_DragUpdateLevel2)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Every cage vertex moved: the full pass over the tables.
void Ours_MoveAllUpdateLevel2(benchmark::State& state) {
    CQxMesh mesh;
    BuildCage(mesh);
    mesh.SetSubdivisionLevel(2, 1);
    float step = 0.001f;
    for (auto _ : state) {
        mesh.OffsetVertices(CQxVector(0.0f, step, 0.0f));
        step = -step;
        mesh.UpdateSubdivisionMeshes(1);
        benchmark::DoNotOptimize(mesh.GetSubdivisionMesh());
    }
}
BENCHMARK(Ours_MoveAllUpdateLevel2)->Unit(benchmark::kMillisecond);

// OpenSubdiv's answer to a moved cage: interpolate all positions again through its refiner.
void OpenSubdiv_DragInterpolateLevel2(benchmark::State& state) {
    OsdResult r;
    r.Refiner.reset(CreateOsdRefiner());
    FillOsdCage(r);
    float step = 0.001f;
    for (auto _ : state) {
        for (int v = 0; v < TheGrid().VertexCount; v += 100) r.Vertices[v].P[1] += step;
        step = -step;
        InterpolatePositions(r);
        benchmark::DoNotOptimize(r.Vertices.back());
    }
}
BENCHMARK(OpenSubdiv_DragInterpolateLevel2)->Unit(benchmark::kMillisecond);

} // namespace
