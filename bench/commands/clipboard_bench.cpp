// Copying and pasting a mesh of 200,000 faces through a clipboard block: the copy (gathering
// and writing the block), the paste as a new object (reading and building), and pasting into
// the mesh itself. block_bytes is the block's size.

#include <benchmark/benchmark.h>

#include "qx/commands/cmd_manager.h"
#include "qx/platform/global_memory.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"

using namespace QxWin;

namespace {

// A plane of 400 x 500 quads: 200,000 faces and 200,901 vertices, selected.
struct LargeScene {
    CQxScene scene;
    CQxObject* mesh = new CQxObject(1);
    LargeScene() {
        mesh->SetName("Large");
        mesh->Mesh().CreatePlane(0, 100.0f, 100.0f, 400, 500, scene.RootModel().CurAttribute(), 0);
        mesh->UpdateBoundBox();
        mesh->UpdateGraphics();
        scene.RootModel().PushChild(mesh);
        scene.SelectObject(CQxSelect(mesh), QX_SELECT_REPLACE, 0);
    }
};

void BM_CopyLargeMesh(benchmark::State& state) {
    LargeScene s;
    SIZE_T bytes = 0;
    for (auto _ : state) {
        HGLOBAL block = s.scene.CopySelectObjects();
        state.PauseTiming();
        bytes = GlobalSize(block);
        GlobalFree(block);
        state.ResumeTiming();
    }
    state.counters["block_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_CopyLargeMesh)->Unit(benchmark::kMillisecond);

// parent null: a new object under the root; otherwise into the large mesh itself.
void PasteCycle(benchmark::State& state, bool intoMesh) {
    LargeScene s;
    HGLOBAL block = s.scene.CopySelectObjects();
    for (auto _ : state) {
        if (!s.scene.PasteCmd(block, intoMesh ? s.mesh : nullptr, 0)) state.SkipWithError("paste refused");
        state.PauseTiming();
        s.scene.CmdManager().Undo();
        s.scene.CmdManager().Pop();
        state.ResumeTiming();
    }
    GlobalFree(block);
}
void BM_PasteLargeMeshAsNewObject(benchmark::State& state) {
    PasteCycle(state, false);
}
void BM_PasteLargeMeshIntoItself(benchmark::State& state) {
    PasteCycle(state, true);
}
BENCHMARK(BM_PasteLargeMeshAsNewObject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PasteLargeMeshIntoItself)->Unit(benchmark::kMillisecond);

} // namespace
