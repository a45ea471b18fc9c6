// Saving and loading a scene of about a million vertices and a million triangles, beside a bare
// expat parse of the same file (no handlers doing work) as the floor a reader can reach.
#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "qx/scene/model.h"
#include "qx/scene/scene.h"

namespace {

constexpr unsigned int kSide = 1000; // kSide * kSide vertices

const std::string& Path() {
    static const std::string path = "/tmp/qx_bench_kel_" + std::to_string(getpid()) + ".kel";
    return path;
}

// A grid of kSide x kSide vertices with one triangle in every cell and a few closing the last
// rows: one million of each.
void BuildScene(CQxScene& scene) {
    CQxObject* object = new CQxObject(1);
    object->SetName("Terrain");
    scene.RootModel().PushChild(object);
    CQxMesh& mesh = object->Mesh();
    CQxArray<CQxVertex*> vertices;
    vertices.Reserve(kSide * kSide);
    for (unsigned int z = 0; z < kSide; ++z)
        for (unsigned int x = 0; x < kSide; ++x) {
            CQxVertex* v = new CQxVertex(CQxVector(x * 0.1f, (x * 7 + z * 13) % 17 * 0.01f, z * 0.1f));
            mesh.Vertices().PushBack(v);
            vertices.PushBack(v);
        }
    CQxAttribute* material = scene.RootModel().GetAttribute(0);
    unsigned int triangles = 0;
    auto add = [&](unsigned int a, unsigned int b, unsigned int c) {
        CQxFace* f = new CQxFace(material, 1);
        mesh.Faces().PushBack(f);
        for (unsigned int i : {a, b, c}) {
            CQxHalfEdge* h = new CQxHalfEdge(f, vertices[i], 0);
            h->AllocUV();
            h->UV() = CQxVector2D(vertices[i]->Position().x, vertices[i]->Position().z);
            f->PushHalfEdge(h);
        }
        ++triangles;
    };
    for (unsigned int z = 0; z + 1 < kSide; ++z)
        for (unsigned int x = 0; x + 1 < kSide; ++x) add(z * kSide + x, (z + 1) * kSide + x, z * kSide + x + 1);
    for (unsigned int z = 0; triangles < kSide * kSide; z = (z + 1) % (kSide - 1))
        add((z + 1) * kSide + kSide - 2, (z + 1) * kSide + kSide - 1, z * kSide + kSide - 1);
    object->HasUV() = 1;
    mesh.UpdateIndices();
    mesh.UpdateHalfEdgeMates();
    mesh.UpdateVertexHalfEdges();
    mesh.UpdateNormals();
}

std::size_t FileSize() {
    std::ifstream in(Path(), std::ios::binary | std::ios::ate);
    return static_cast<std::size_t>(in.tellg());
}

// Writes the file once for every benchmark of the run.
void EnsureFile() {
    static const bool done = [] {
        CQxScene scene;
        BuildScene(scene);
        scene.WriteXmlFile(Path().c_str());
        std::atexit([] { std::remove(Path().c_str()); });
        return true;
    }();
    (void)done;
}

void SetBytes(benchmark::State& state) {
    const std::size_t bytes = FileSize();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void XMLCALL NoStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL NoEnd(void*, const XML_Char*) {}
void XMLCALL NoText(void*, const XML_Char*, int) {}

void BM_ExpatBareFile(benchmark::State& state) {
    EnsureFile();
    for (auto _ : state) {
        // Read from disk and parse, as the scene reader does.
        FILE* f = std::fopen(Path().c_str(), "rb");
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetElementHandler(parser, NoStart, NoEnd);
        XML_SetCharacterDataHandler(parser, NoText);
        static char buffer[1 << 18];
        int status = XML_STATUS_OK;
        for (;;) {
            const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
            status = XML_Parse(parser, buffer, static_cast<int>(n), n == 0);
            if (status != XML_STATUS_OK || n == 0) break;
        }
        XML_ParserFree(parser);
        std::fclose(f);
        if (status != XML_STATUS_OK) state.SkipWithError("expat failed");
    }
    SetBytes(state);
}

void BM_KelLoad(benchmark::State& state) {
    EnsureFile();
    CQxScene scene;
    for (auto _ : state) {
        scene.ClearData();
        if (!scene.ReadXmlFile(Path().c_str())) state.SkipWithError("read failed");
    }
    SetBytes(state);
}

void BM_KelSave(benchmark::State& state) {
    EnsureFile();
    CQxScene scene;
    scene.ReadXmlFile(Path().c_str());
    const std::string out = Path() + ".out.kel";
    for (auto _ : state)
        if (!scene.WriteXmlFile(out.c_str())) state.SkipWithError("write failed");
    std::remove(out.c_str());
    SetBytes(state);
}

} // namespace

BENCHMARK(BM_ExpatBareFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KelLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KelSave)->Unit(benchmark::kMillisecond);
