// Feeds arbitrary bytes to the MQO reader, and checks that a failed read adds nothing and that
// every mesh a successful one built is sound.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "fuzz_scene.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CQxScene* scene = &QxFuzzScene();
    scene->ClearData();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Relative texture names are looked up in a folder that does not exist.
    const int read = scene->ReadMqoText(text, nullptr, "/nonexistent");
    CQxModel& root = scene->RootModel();
    if (!read && (root.GetChildCount() != 0 || root.GetAttributeCount() != 0)) {
        std::fprintf(stderr, "a failed read left objects or materials behind\n");
        __builtin_trap();
    }
    QxFuzzCheckMeshes(root);
    return 0;
}
