// Deleting, undoing and redoing on large meshes: a whole mesh object of 200,000 faces, a
// selection of 100,000 vertices of such a mesh (with the faces around them) and one of 50,000
// faces; and extruding 10,000 faces of it. Each benchmark
// times one step of the cycle and puts the scene back untimed, so every iteration starts from
// the same scene; history_bytes is what the history holds right after the timed step.

#include <benchmark/benchmark.h>

#include <chrono>

#include "qx/commands/cmd_run.h"
#include "qx/commands/mesh_edit_cmds.h"
#include "qx/commands/tree_cmd.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"

namespace {

// A plane of 400 x 500 quads: 200,000 faces and 200,901 vertices.
CQxObject* AddLargeMesh(CQxScene& scene) {
    auto* object = new CQxObject(1);
    object->SetName("Large");
    object->Mesh().CreatePlane(0, 100.0f, 100.0f, 400, 500, scene.RootModel().CurAttribute(), 0);
    object->HasUV() = 1;
    object->UpdateBoundBox();
    object->UpdateGraphics();
    scene.RootModel().PushChild(object);
    return object;
}

struct ObjectScene {
    CQxScene scene;
    CQxObject* mesh;
    ObjectScene() : mesh(AddLargeMesh(scene)) {}
    int Do() { return scene.DeleteObjectCmd(mesh, 0); }
};

CQxList<CQxVertex>& Elements(CQxMesh& mesh, CQxVertex*) {
    return mesh.Vertices();
}
CQxList<CQxFace>& Elements(CQxMesh& mesh, CQxFace*) {
    return mesh.Faces();
}

// A selection in component mode: every Every-th element of the first Count * Every selected.
template <class Element, unsigned int Count, unsigned int Every>
struct SelectionScene {
    CQxScene scene;
    CQxObject* mesh;
    SelectionScene() : mesh(AddLargeMesh(scene)) {
        scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
        unsigned int n = 0;
        for (Element& e : Elements(mesh->Mesh(), static_cast<Element*>(nullptr)))
            if (n++ % Every == 0 && n <= Count * Every) e.IsSelect() = 1;
        mesh->IsSelect() = 1;
    }
    int Do() { return scene.DeleteSelectObjectsCmd(0); }
};

using ComponentScene = SelectionScene<CQxVertex, 100000, 1>;
using FaceRemovalScene = SelectionScene<CQxFace, 50000, 4>;

struct ExtrudeScene : SelectionScene<CQxFace, 10000, 4> {
    int Do() {
        CQxSelects records;
        scene.RootModel().GetSelects(records, 1);
        records.ExtractExtrude();
        return QxRunCmd<CQxExtrudeCmd>(scene,
                                       [&](CQxExtrudeCmd& cmd) { return cmd.Create(records, 1.0f, 0); });
    }
};

std::size_t HistoryBytes(const CQxScene& scene) {
    std::size_t bytes = 0;
    for (const CQxCmd& cmd : scene.CmdManager().Cmds())
        if (const auto* tree = dynamic_cast<const CQxTreeCmd*>(&cmd)) bytes += tree->GetStore().GetBytes();
    return bytes;
}

enum Step { Delete, Undo, Redo };

template <class Scene, Step step>
void Cycle(benchmark::State& state) {
    static Scene s;
    CQxCmdManager& history = s.scene.CmdManager();
    std::size_t bytes = 0;
    for (auto _ : state) {
        if (step != Delete) s.Do();
        if (step == Redo) history.Undo();
        const auto start = std::chrono::steady_clock::now();
        const int done = step == Delete ? s.Do() : step == Undo ? history.Undo() : history.Redo();
        const auto stop = std::chrono::steady_clock::now();
        if (!done) state.SkipWithError("the step did nothing");
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
        bytes = HistoryBytes(s.scene);
        if (step != Undo) history.Undo();
    }
    state.counters["history_bytes"] = static_cast<double>(bytes);
}

} // namespace

BENCHMARK(Cycle<ObjectScene, Delete>)
    ->Name("DeleteMesh200k/delete")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Cycle<ObjectScene, Undo>)
    ->Name("DeleteMesh200k/undo")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Cycle<ObjectScene, Redo>)
    ->Name("DeleteMesh200k/redo")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Cycle<ComponentScene, Delete>)
    ->Name("DeleteVertices100k/delete")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Cycle<ComponentScene, Undo>)
    ->Name("DeleteVertices100k/undo")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Cycle<ComponentScene, Redo>)
    ->Name("DeleteVertices100k/redo")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

#define QX_CYCLE_BENCH(Scene, name)                                                                          \
    BENCHMARK(Cycle<Scene, Delete>)->Name(name "/do")->UseManualTime()->Unit(benchmark::kMillisecond);       \
    BENCHMARK(Cycle<Scene, Undo>)->Name(name "/undo")->UseManualTime()->Unit(benchmark::kMillisecond);       \
    BENCHMARK(Cycle<Scene, Redo>)->Name(name "/redo")->UseManualTime()->Unit(benchmark::kMillisecond)

QX_CYCLE_BENCH(FaceRemovalScene, "DeleteFaces50k");
QX_CYCLE_BENCH(ExtrudeScene, "Extrude10kOf200k");
