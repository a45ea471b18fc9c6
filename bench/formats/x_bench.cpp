// Exporting a scene of one mesh with a million quads (1001 x 1001 vertices) to a .x file, beside
// writing the same bytes with plain buffered writes as the floor an exporter can reach.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "qx/scene/model.h"
#include "qx/scene/scene.h"

namespace {

const std::string& Path() {
    static const std::string path = "/tmp/qx_bench_x_" + std::to_string(getpid()) + ".x";
    return path;
}

struct MillionQuads {
    CQxScene scene;
    MillionQuads() {
        auto* object = new CQxObject(1);
        object->SetName("Terrain");
        object->Mesh().CreatePlane(0, 1000.0f, 1000.0f, 1000, 1000, scene.RootModel().CurAttribute(), 0);
        object->UpdateBoundBox();
        scene.RootModel().PushChild(object);
    }
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void BM_XExport(benchmark::State& state) {
    MillionQuads scene;
    for (auto _ : state)
        if (!scene.scene.WriteXFile(Path().c_str())) state.SkipWithError("write failed");
    const std::string bytes = ReadAll(Path());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["faces"] = 1e6;
    std::remove(Path().c_str());
}

void BM_XSameBytesPlainWrite(benchmark::State& state) {
    {
        MillionQuads scene;
        scene.scene.WriteXFile(Path().c_str());
    }
    const std::string bytes = ReadAll(Path());
    const std::string out = Path() + ".copy";
    for (auto _ : state) {
        std::FILE* file = std::fopen(out.c_str(), "wb");
        if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) state.SkipWithError("write failed");
        if (file) std::fclose(file);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    std::remove(out.c_str());
    std::remove(Path().c_str());
}

} // namespace

BENCHMARK(BM_XExport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XSameBytesPlainWrite)->Unit(benchmark::kMillisecond);
