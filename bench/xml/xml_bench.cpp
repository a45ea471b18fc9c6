// Reading and writing a large scene-like document: bare expat against the QxXml tree.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include <expat.h>

#include "qx/xml/xml_document.h"
#include "qx/xml/xml_string.h"

namespace {

// About 50 MB: a few meshes whose vertex lists are several megabytes of floats, one vertex per
// line, and many small elements with attributes around them, as a scene file has.
struct Sample {
    CQxXmlDoc Doc;
    CQxString Text;

    Sample() {
        std::uint32_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<float>(seed >> 8) / 16777216.0f * 200.0f - 100.0f;
        };
        CQxXmlElement* root = Doc.GetRootElement();
        root->AppendXmlDeclare();
        CQxXmlElement* objects = root->AppendChild("Scene")->AppendChild("Model")->AppendChild("Objects");
        for (int m = 0; m < 8; ++m) {
            CQxXmlElement* mesh = objects->AppendChild("Mesh");
            mesh->AppendChild("Name", "メッシュ", 1);
            CQxXmlElement* vertices = mesh->AppendChild("Vertices");
            vertices->SetType(1);
            CQxString& list = vertices->GetContent();
            const unsigned int count = 136000;
            vertices->AppendAttribute("Count", count);
            for (unsigned int v = 0; v < count; ++v) {
                float xyz[3] = {next(), next(), next()};
                if (v) list.Append(",\r\n", 3);
                list.AddFloats(xyz, 3);
            }
        }
        for (int g = 0; g < 60000; ++g) {
            CQxXmlElement* group = objects->AppendChild("Group");
            group->AppendChild("Name", "グループ & 名前", 1);
            float scale[3] = {1.0f, next(), 0.5f};
            group->AppendChild("Scale", scale, 3);
            group->AppendChild("Visible", "True", 0);
            group->AppendChild("Material")->AppendAttribute("Color", scale, 3);
        }
        Doc.WriteString(Text);
    }
};

const Sample& GetSample() {
    static const Sample sample;
    return sample;
}

constexpr unsigned int kPiece = 1 << 18;

void XMLCALL NoStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL NoEnd(void*, const XML_Char*) {}
void XMLCALL NoText(void*, const XML_Char*, int) {}

void SetBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_ExpatBare(benchmark::State& state) {
    const CQxString& text = GetSample().Text;
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetElementHandler(parser, NoStart, NoEnd);
        XML_SetCharacterDataHandler(parser, NoText);
        // In pieces, as expat is best fed: given the whole text at once it first copies it all.
        int status = XML_STATUS_OK;
        const unsigned int length = text.GetLength();
        for (unsigned int done = 0; status == XML_STATUS_OK && done < length; done += kPiece) {
            unsigned int piece = length - done < kPiece ? length - done : kPiece;
            status = XML_Parse(parser, text.GetStr() + done, static_cast<int>(piece), done + piece == length);
        }
        XML_ParserFree(parser);
        if (status != XML_STATUS_OK) state.SkipWithError("expat failed");
    }
    SetBytes(state, GetSample().Text.GetLength());
}

void BM_DomRead(benchmark::State& state) {
    const CQxString& text = GetSample().Text;
    CQxXmlDoc doc;
    for (auto _ : state)
        if (!doc.ReadString(text.GetStr(), text.GetLength())) state.SkipWithError(doc.GetErrorText());
    SetBytes(state, text.GetLength());
}

void BM_DomReadFile(benchmark::State& state) {
    const Sample& sample = GetSample();
    std::string path =
        (std::filesystem::temp_directory_path() / ("qx_bench_xml_" + std::to_string(getpid()))).string();
    if (!sample.Doc.WriteFile(path.c_str())) return state.SkipWithError("cannot write the file");
    CQxXmlDoc doc;
    for (auto _ : state)
        if (!doc.ReadFile(path.c_str())) state.SkipWithError(doc.GetErrorText());
    std::remove(path.c_str());
    SetBytes(state, sample.Text.GetLength());
}

// Reads the tree and then every number list in it, as a scene reader would.
void BM_DomReadFloats(benchmark::State& state) {
    const CQxString& text = GetSample().Text;
    CQxXmlDoc doc;
    CQxArray<float> floats;
    std::vector<const CQxXmlElement*> stack;
    for (auto _ : state) {
        if (!doc.ReadString(text.GetStr(), text.GetLength())) state.SkipWithError(doc.GetErrorText());
        std::size_t total = 0;
        stack.assign(1, doc.GetRootElement());
        while (!stack.empty()) {
            const CQxXmlElement* e = stack.back();
            stack.pop_back();
            if (!e->GetContent().IsEmpty()) total += e->GetContentAsFloats(floats);
            for (unsigned int i = 0; i < e->GetAttributeCount(); ++i)
                total += e->GetAttribute(i)->GetContentAsFloats(floats);
            for (unsigned int i = 0; i < e->GetChildCount(); ++i) stack.push_back(e->GetChild(i));
        }
        benchmark::DoNotOptimize(total);
    }
    SetBytes(state, text.GetLength());
}

void BM_DomWrite(benchmark::State& state) {
    const Sample& sample = GetSample();
    CQxString text;
    for (auto _ : state)
        if (!sample.Doc.WriteString(text)) state.SkipWithError(sample.Doc.GetErrorText());
    SetBytes(state, sample.Text.GetLength());
}

// The streaming parser in 10 ms slices, with no handlers.
void BM_ParseOnTime(benchmark::State& state) {
    CQxXmlString xml;
    xml.SetText(GetSample().Text.GetStr());
    xml.SetParseFuncs(nullptr, nullptr, nullptr, nullptr, nullptr);
    for (auto _ : state) {
        xml.ResetParse();
        int result;
        while ((result = xml.ParseOnTime(10)) == QX_XML_PARSE_CONTINUE) {
        }
        if (result != QX_XML_PARSE_FINISHED) state.SkipWithError(xml.GetErrorText());
    }
    SetBytes(state, GetSample().Text.GetLength());
}

} // namespace

BENCHMARK(BM_ExpatBare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DomRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DomReadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DomReadFloats)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DomWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseOnTime)->Unit(benchmark::kMillisecond);
