// Feeds arbitrary bytes to the scene-file reader through a scratch file, and checks that what
// it builds is a sound mesh wherever it built one.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "qx/platform/message.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/qx_fuzz_kel_" + std::to_string(getpid()) + ".kel";
    static CQxScene* scene = [] {
        QxSetMessageHandler([](const char*, const char*, unsigned int, QxWindow*) { return 1; });
        return new CQxScene();
    }();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    scene->ClearData();
    scene->ReadXmlFile(path.c_str());
    for (auto it = scene->RootModel().Begin(); !it.IsEnd(); ++it) {
        const CQxTopologyReport report = it->Mesh().DiagnoseTopology(1);
        if (report.IsSound()) continue;
        std::fprintf(stderr, "unsound mesh in \"%s\": %s\n", it->GetName(), report.GetText().GetStr());
        __builtin_trap();
    }
    return 0;
}
