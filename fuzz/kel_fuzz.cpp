// Feeds arbitrary bytes to the scene-file reader through a scratch file, and checks that what
// it builds is a sound mesh wherever it built one, that every key it read is one a curve can
// hold (finite, in frame order, of a known tangent type), and that it evaluates.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "qx/animation/anim.h"
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
    CQxArray<CQxModel*> models;
    scene->RootModel().GetModels(models, 1);
    for (CQxModel* model : models) {
        model->Anim().ForEachItem([](const CQxAnimItem& item) {
            const CQxSplineNode* last = nullptr;
            for (const CQxSplineNode* n : item.Spline().Nodes()) {
                const bool sound = std::isfinite(n->X) && std::isfinite(n->Y) && std::isfinite(n->PrevTan) &&
                                   std::isfinite(n->NextTan) && n->PrevTanType <= QX_TAN_FIXED &&
                                   n->NextTanType <= QX_TAN_FIXED && (!last || last->X <= n->X);
                if (!sound) {
                    std::fprintf(stderr, "unsound key %g %g %g %g %u %u\n", n->X, n->Y, n->PrevTan,
                                 n->NextTan, n->PrevTanType, n->NextTanType);
                    __builtin_trap();
                }
                last = n;
            }
        });
    }
    scene->Animate(0, 0); // what was read must evaluate without harm
    return 0;
}
