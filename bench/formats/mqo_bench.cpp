// Importing an MQO document of a million quads, beside the bare tokenizer over the same file (read
// from disk and split into tokens, nothing built) as the floor a reader can reach.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "mqo_tokenizer.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

namespace {

constexpr unsigned int kSide = 1000; // kSide * kSide quads

const std::string& Path() {
    static const std::string path = "/tmp/qx_bench_mqo_" + std::to_string(getpid()) + ".mqo";
    return path;
}

void Append(std::string& out, float value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, ec == std::errc() ? end : buffer);
}

// A terrain of (kSide + 1)^2 vertices and kSide^2 textured quads in one material, written as the
// modeller writes it.
std::string BuildDocument() {
    std::string doc =
        "Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\n"
        "Material 1 {\r\n\t\"ground\" shader(3) col(0.5 0.6 0.3 1.000) dif(0.800) amb(0.600) "
        "emi(0.000) spc(0.000) power(5.00)\r\n}\r\nObject \"terrain\" {\r\n\tvisible 15\r\n"
        "\tlocking 0\r\n\tshading 1\r\n\tfacet 59.5\r\n\tcolor 0.898 0.498 0.698\r\n\tcolor_type 0\r\n";
    const unsigned int n = kSide + 1;
    doc += "\tvertex " + std::to_string(n * n) + " {\r\n";
    for (unsigned int z = 0; z < n; ++z)
        for (unsigned int x = 0; x < n; ++x) {
            doc += "\t\t";
            Append(doc, static_cast<float>(x) * 0.5f);
            doc += ' ';
            Append(doc, static_cast<float>((x * 7 + z * 13) % 17) * 0.25f);
            doc += ' ';
            Append(doc, static_cast<float>(z) * 0.5f);
            doc += "\r\n";
        }
    doc += "\t}\r\n\tface " + std::to_string(kSide * kSide) + " {\r\n";
    for (unsigned int z = 0; z < kSide; ++z)
        for (unsigned int x = 0; x < kSide; ++x) {
            const unsigned int a = z * n + x;
            doc += "\t\t4 V(" + std::to_string(a) + ' ' + std::to_string(a + 1) + ' ' +
                   std::to_string(a + n + 1) + ' ' + std::to_string(a + n) + ") M(0) UV(";
            const float u = static_cast<float>(x) / kSide, v = static_cast<float>(z) / kSide,
                        d = 1.0f / kSide;
            const float uvs[8] = {u, v, u + d, v, u + d, v + d, u, v + d};
            for (unsigned int i = 0; i < 8; ++i) {
                if (i) doc += ' ';
                Append(doc, uvs[i]);
            }
            doc += ")\r\n";
        }
    doc += "\t}\r\n}\r\nEof\r\n";
    return doc;
}

// Writes the file once for every benchmark of the run.
void EnsureFile() {
    static const bool done = [] {
        std::ofstream(Path(), std::ios::binary) << BuildDocument();
        std::atexit([] { std::remove(Path().c_str()); });
        return true;
    }();
    (void)done;
}

std::string ReadFile() {
    std::ifstream in(Path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

void SetBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_MqoTokenizeFile(benchmark::State& state) {
    EnsureFile();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = ReadFile();
        bytes = text.size();
        CQxMqoTokenizer tokens(text);
        std::size_t count = 0;
        while (!tokens.Next().Is(QX_MQO_TOKEN::End)) ++count;
        benchmark::DoNotOptimize(count);
    }
    SetBytes(state, bytes);
}

void BM_MqoImport(benchmark::State& state) {
    EnsureFile();
    CQxScene scene;
    for (auto _ : state) {
        scene.ClearData();
        if (!scene.ReadMqoFile(Path().c_str())) state.SkipWithError("read failed");
    }
    SetBytes(state, ReadFile().size());
}

} // namespace

BENCHMARK(BM_MqoTokenizeFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MqoImport)->Unit(benchmark::kMillisecond);
