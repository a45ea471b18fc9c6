#pragma once

// What the scene readers' fuzz targets share: one scene made once with message boxes silenced,
// the input written where a file reader can open it, and the check that every mesh read is sound.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "qx/platform/message.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

inline CQxScene& QxFuzzScene() {
    static CQxScene* scene = [] {
        QxSetMessageHandler([](const char*, const char*, unsigned int, QxWindow*) { return 1; });
        return new CQxScene();
    }();
    return *scene;
}

// The input as a file of this process with the extension; empty when it cannot be written.
inline std::string QxFuzzFile(const char* extension, const std::uint8_t* data, std::size_t size) {
    const std::string path = "/tmp/qx_fuzz_" + std::to_string(getpid()) + extension;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return {};
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written ? path : std::string();
}

// Stops the run at the first mesh of the tree whose topology is broken.
inline void QxFuzzCheckMeshes(const CQxObject& root) {
    for (auto it = root.Begin(); !it.IsEnd(); ++it) {
        const CQxTopologyReport report = it->Mesh().DiagnoseTopology(1);
        if (report.IsSound()) continue;
        std::fprintf(stderr, "unsound mesh in \"%s\": %s\n", it->GetName(), report.GetText().GetStr());
        __builtin_trap();
    }
}
