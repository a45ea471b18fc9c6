// Drawing a large mesh: a UV sphere of 1000 x 500 segments (998,000 triangles) with its face
// outlines, lit, into a 1280 x 720 offscreen view. Frames are timed with the read-back that
// Present does, and with glFinish alone (what a window on screen would wait for). The label is
// the GL renderer.

#include <benchmark/benchmark.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <memory>

#include "qx/graphics/attribute.h"
#include "qx/graphics/graphics_context.h"
#include "qx/graphics/mesh.h"
#include "qx/graphics/primitive.h"
#include "qx/platform/offscreen_window.h"

namespace {

struct RenderScene {
    QxOffscreenWindow window{1280, 720};
    CQxGraphicsContext view;
    CQxAttribute material{"grey"};
    CQxMesh mesh;
    CQxPrimitive faces;
    CQxPrimitive edges;
    bool ready = false;

    RenderScene() {
        material.ColorMaterial().Init(0xFFC0C0C0, 0.8f, 0.3f, 0.0f, 0.3f, 5.0f);
        if (!mesh.CreateSphere(0, 2.0f, 1000, 500, &material, 0)) return;
        mesh.UpdateNormals();
        if (!faces.BuildFaces(mesh, &material) || !edges.BuildEdges(mesh)) return;
        if (!window.IsCreated() || view.CreateView(&window, 0, 0) != QX_GRAPHICS_OK) return;
        view.ViewMatrix().SetLookAtR(CQxVector(2.0f, 1.5f, 2.5f), CQxVector(), CQxVector(0, 1, 0));
        view.ProjectionMatrix().SetPerspectiveFovR(0.6f, 1280.0f / 720.0f, 0.5f, 20.0f);
        ready = true;
    }

    int DrawFrame() {
        if (view.BeginScene(0xFF404040) != QX_GRAPHICS_OK) return 0;
        CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
        device.SetAttribute(&material);
        device.SetAmbient(0xFF404040);
        device.SetLight(CQxVector(-2.0f, -1.5f, -2.5f), 0xFFFFFFFF);
        device.EnableLight(1);
        const int ok = faces.Draw() && edges.Draw();
        view.EndScene();
        return ok;
    }
};

RenderScene& Scene() {
    static auto scene = std::make_unique<RenderScene>();
    return *scene;
}

void Run(benchmark::State& state, bool present) {
    RenderScene& scene = Scene();
    if (!scene.ready) {
        state.SkipWithError("no OpenGL context or the mesh could not be built");
        return;
    }
    scene.DrawFrame(); // first upload outside the timing
    glFinish();
    for (auto _ : state) {
        if (!scene.DrawFrame()) {
            state.SkipWithError("drawing failed");
            break;
        }
        if (present) {
            scene.view.Present();
        } else {
            glFinish();
        }
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = scene.faces.GetPrimitiveCount();
    state.SetLabel(CQxGraphics::Instance().GetDevice().GetRendererName());
}

void BM_RenderSphereWithEdgesPresent(benchmark::State& state) {
    Run(state, true);
}
void BM_RenderSphereWithEdgesFinish(benchmark::State& state) {
    Run(state, false);
}

// The CPU side of a drag: positions refreshed in place, then uploaded by the next draw.
void BM_UpdateFacePositions(benchmark::State& state) {
    RenderScene& scene = Scene();
    for (auto _ : state) benchmark::DoNotOptimize(scene.faces.UpdatePositions(scene.mesh));
}

void BM_BuildFaces(benchmark::State& state) {
    RenderScene& scene = Scene();
    CQxPrimitive faces;
    for (auto _ : state) benchmark::DoNotOptimize(faces.BuildFaces(scene.mesh, &scene.material));
}

} // namespace

BENCHMARK(BM_RenderSphereWithEdgesPresent)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderSphereWithEdgesFinish)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UpdateFacePositions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildFaces)->Unit(benchmark::kMillisecond);
