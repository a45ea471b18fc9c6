// A frame of the camera view for a scene of one UV sphere of 1000 x 500 segments (998,000
// triangles) at 1920 x 1080: CQxCamera::OnPaint (every pass of the scene's drawing, then the
// read-back that Present does) side by side with the floor, the renderer's own primitive path
// drawing the same face and edge buffers into the same window with the same matrices and light
// and presenting. The label is the GL renderer.

#include <benchmark/benchmark.h>

#include <memory>

#include "qx/graphics/attribute.h"
#include "qx/graphics/graphics_context.h"
#include "qx/graphics/primitive.h"
#include "qx/platform/offscreen_window.h"
#include "qx/scene/scene.h"
#include "qx/views/camera.h"

namespace {

struct ViewScene {
    QxOffscreenWindow window{1920, 1080};
    CQxAttribute material{"grey"};
    CQxScene scene;
    CQxCamera camera{QX_WND_OFFSCREEN};
    CQxGraphicsContext floor;
    CQxObject* sphere = nullptr;
    bool ready = false;

    ViewScene() {
        material.ColorMaterial().Init(0xFFC0C0C0, 0.8f, 0.3f, 0.0f, 0.3f, 5.0f);
        sphere = new CQxObject(1);
        scene.RootModel().PushChild(sphere);
        if (!sphere->Mesh().CreateSphere(0, 2.0f, 1000, 500, &material, 0)) return;
        sphere->UpdateBoundBox();
        sphere->UpdateGraphics();
        if (!window.IsCreated() || camera.CreateView(&scene, &window, 0, 0) != QX_GRAPHICS_OK) return;
        if (floor.CreateView(&window, 0, 0) != QX_GRAPHICS_OK) return;
        camera.SetViewSize(2.5f);
        ready = camera.OnPaint() == QX_GRAPHICS_OK; // uploads the buffers, places the matrices
        floor.ViewMatrix() = camera.ViewMatrix();
        floor.ProjectionMatrix() = camera.ProjectionMatrix();
    }
    ~ViewScene() {
        scene.RemoveCamera(&camera);
        camera.DestroyView();
        floor.DestroyView();
    }

    bool DrawFloor() {
        if (floor.BeginScene(scene.BackColor()) != QX_GRAPHICS_OK) return false;
        CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
        device.SetAttribute(&material);
        device.SetAmbient(scene.AmbientColor());
        device.SetLight(camera.Aim() - camera.Eye(), 0xFFFFFFFF);
        device.EnableLight(1);
        bool ok = sphere->GetPrimitive(CQxObject::PRIM_EDGES)->Draw();
        for (unsigned int i = 0; i < sphere->GetFacePrimitiveCount(); ++i)
            ok = sphere->GetFacePrimitive(i)->Draw() && ok;
        floor.EndScene();
        return ok && floor.Present() == QX_GRAPHICS_OK;
    }
};

ViewScene& Scene() {
    static auto scene = std::make_unique<ViewScene>();
    return *scene;
}

template <class Frame>
void Run(benchmark::State& state, Frame frame) {
    ViewScene& scene = Scene();
    if (!scene.ready) {
        state.SkipWithError("no OpenGL context or the sphere could not be built");
        return;
    }
    for (auto _ : state) {
        if (!frame(scene)) {
            state.SkipWithError("drawing failed");
            break;
        }
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    unsigned int triangles = 0;
    for (unsigned int i = 0; i < scene.sphere->GetFacePrimitiveCount(); ++i)
        triangles += scene.sphere->GetFacePrimitive(i)->GetPrimitiveCount();
    state.counters["triangles"] = triangles;
    state.SetLabel(CQxGraphics::Instance().GetDevice().GetRendererName());
}

void BM_CameraOnPaint(benchmark::State& state) {
    Run(state, [](ViewScene& s) { return s.camera.OnPaint() == QX_GRAPHICS_OK; });
}

void BM_PrimitivePathFloor(benchmark::State& state) {
    Run(state, [](ViewScene& s) { return s.DrawFloor(); });
}

} // namespace

BENCHMARK(BM_CameraOnPaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PrimitivePathFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
