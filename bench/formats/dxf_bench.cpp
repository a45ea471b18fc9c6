// Reading a DXF file of a million 3DFACE entities (a 1000 x 1000 grid of quads sharing their
// corners) into a mesh, beside the bare tokenizer walking the same bytes: the file read whole,
// split into (group code, value) line pairs and each code decoded, with nothing built.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include <unistd.h>

#include "qx/platform/message.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

namespace {

constexpr unsigned int kSide = 1000; // kSide * kSide quads

const std::string& Path() {
    static const std::string path = "/tmp/qx_bench_dxf_" + std::to_string(getpid()) + ".dxf";
    return path;
}

// Corners on a 0.25 grid with a little height, written as short decimals, as CAD files do.
void AppendCorner(std::string& out, int k, unsigned int x, unsigned int z) {
    char buffer[96];
    const int n = std::snprintf(buffer, sizeof buffer, "1%d\n%g\n2%d\n%g\n3%d\n%g\n", k, x * 0.25, k,
                                ((x * 7 + z * 13) % 17) * 0.01, k, z * 0.25);
    out.append(buffer, static_cast<std::size_t>(n));
}

void EnsureFile() {
    static const bool done = [] {
        std::string text = "0\nSECTION\n2\nENTITIES\n";
        text.reserve(std::size_t{kSide} * kSide * 140);
        for (unsigned int z = 0; z < kSide; ++z)
            for (unsigned int x = 0; x < kSide; ++x) {
                text += "0\n3DFACE\n8\n0\n";
                AppendCorner(text, 0, x, z);
                AppendCorner(text, 1, x + 1, z);
                AppendCorner(text, 2, x + 1, z + 1);
                AppendCorner(text, 3, x, z + 1);
            }
        text += "0\nENDSEC\n0\nEOF\n";
        std::ofstream(Path(), std::ios::binary) << text;
        std::atexit([] { std::remove(Path().c_str()); });
        return true;
    }();
    (void)done;
}

std::size_t FileSize() {
    std::ifstream in(Path(), std::ios::binary | std::ios::ate);
    return static_cast<std::size_t>(in.tellg());
}

void SetBytes(benchmark::State& state) {
    const std::size_t bytes = FileSize();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_DxfBareTokenizer(benchmark::State& state) {
    EnsureFile();
    for (auto _ : state) {
        std::ifstream in(Path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string text = bytes.str();
        std::string_view rest(text);
        std::size_t entities = 0;
        while (!rest.empty()) {
            const std::size_t codeEnd = rest.find('\n');
            if (codeEnd == std::string_view::npos) break;
            int code = -1;
            std::from_chars(rest.data(), rest.data() + codeEnd, code);
            const std::size_t valueEnd = rest.find('\n', codeEnd + 1);
            entities += code == 0;
            rest.remove_prefix(valueEnd == std::string_view::npos ? rest.size() : valueEnd + 1);
        }
        benchmark::DoNotOptimize(entities);
    }
    SetBytes(state);
}

void BM_DxfRead(benchmark::State& state) {
    EnsureFile();
    QxSetMessageHandler([](const char*, const char*, unsigned int, QxWindow*) { return 1; });
    CQxScene scene;
    for (auto _ : state) {
        scene.ClearData();
        if (!scene.ReadFile(Path().c_str(), 0)) state.SkipWithError("read failed");
    }
    const CQxObject* mesh = scene.RootModel().GetLastChild();
    state.counters["faces"] = mesh ? mesh->Mesh().Faces().GetCount() : 0;
    SetBytes(state);
}

} // namespace

BENCHMARK(BM_DxfBareTokenizer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DxfRead)->Unit(benchmark::kMillisecond);
