// Feeds arbitrary bytes to the DXF reader through a scratch file, and checks that a failed read
// added nothing and that a successful one built a sound mesh.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_scene.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CQxScene* scene = &QxFuzzScene();
    const std::string path = QxFuzzFile(".dxf", data, size);
    if (path.empty()) return 0;
    scene->ClearData();
    const int read = scene->ReadDxfFile(path.c_str());
    const unsigned int objects = scene->RootModel().GetChildCount();
    if (objects != (read ? 1u : 0u)) {
        std::fprintf(stderr, "read %d left %u objects\n", read, objects);
        __builtin_trap();
    }
    if (!read) return 0;
    const CQxObject& object = *scene->RootModel().GetChild(0);
    const CQxTopologyReport report = object.Mesh().DiagnoseTopology(1);
    if (!report.IsSound() || object.Mesh().Faces().IsEmpty()) {
        std::fprintf(stderr, "unsound mesh: %s\n", report.GetText().GetStr());
        __builtin_trap();
    }
    return 0;
}
