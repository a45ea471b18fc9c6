// Feeds arbitrary bytes to the scene-file reader through a scratch file, and checks that what
// it builds is a sound mesh wherever it built one, that every key it read is one a curve can
// hold (finite, in frame order, of a known tangent type), and that it evaluates.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_scene.h"
#include "qx/animation/anim.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CQxScene* scene = &QxFuzzScene();
    const std::string path = QxFuzzFile(".kel", data, size);
    if (path.empty()) return 0;
    scene->ClearData();
    scene->ReadXmlFile(path.c_str());
    QxFuzzCheckMeshes(scene->RootModel());
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
