// CQxScene::Draw: one frame of a camera view. The passes belong to the objects; this file only
// orders them and sets the device's shared states between them.
#include <cstdint>
#include <vector>

#include "qx/graphics/graphics_device.h"
#include "qx/graphics/settings.h"
#include "qx/math/stacks.h"
#include "qx/platform/canvas.h"
#include "qx/scene/app.h"
#include "qx/scene/scene.h"
#include "qx/tools/manipulator.h"
#include "qx/tools/tool.h"
#include "qx/views/camera.h"

using namespace QxWin;

namespace {

CQxGraphicsDevice& Device() {
    return CQxGraphics::Instance().GetDevice();
}

// Printing gets the frame drawn so far, then the widgets drawn on it: a window's canvas holds
// only what was drawn on it, and the frame reaches the window at Present.
void CopyFrame(CQxCamera& camera, HDC dc) {
    std::vector<std::uint32_t> pixels;
    if (!camera.ReadFrame(pixels)) return;
    const int width = static_cast<int>(camera.ViewPort().Width);
    const int height = pixels.empty() ? 0 : static_cast<int>(pixels.size()) / width;
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = row[x];
            if (SetPixel(dc, x, y, RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF)) == CLR_INVALID) break;
        }
    }
}

// Grid, then axes and everything after them with the view nudged toward the eye, so lines
// lying on the grid plane win over the grid.
void DrawGridAndAxes(CQxScene& scene, CQxCamera& camera, CQxMatrixStack& stack) {
    CQxGraphicsDevice& device = Device();
    if (scene.IsDrawGrid()) {
        scene.Grid().UpdateTransform(stack, &camera);
        scene.Grid().TreeDrawLighted();
    }
    device.SetView(camera.ViewMatrix() *
                   CQxMatrix::Translation(CQxVector(0.0f, 0.0f, (camera.FarZ() - camera.NearZ()) * 0.0001f)));
    if (scene.IsDrawAxes()) {
        scene.Axes().UpdateTransform(stack, &camera);
        scene.Axes().TreeDrawLighted();
    }
}

void DrawModels(CQxScene& scene, CQxCamera& camera, CQxMatrixStack& stack) {
    CQxGraphicsDevice& device = Device();
    const bool component = scene.ToolManager().GetCurSelect() == QX_SELECT_COMPONENT;
    const bool picks = !(scene.IsPlaying() && scene.IsDrawAnimatingFaces());
    scene.RootModel().UpdateTransform(stack, &camera);
    if (picks) {
        scene.RootModel().TreeDrawLightedPicks(1, 0);
        if (component) {
            scene.RootModel().TreeDrawLightedPicks(0, scene.IsDrawSelectPicks());
            scene.RootModel().TreeDrawTransformedPicks(&camera, QxPickSize(), 1);
        }
    }
    scene.RootModel().TreeDrawLighted();
    if (!component && !scene.IsDrawJointsFront()) scene.RootModel().TreeDrawJoint();

    // Faces are lit from the eye, so whatever the view shows is lit.
    device.SetAmbient(scene.AmbientColor());
    scene.Light().SetDirection(camera.Aim() - camera.Eye());
    scene.Light().IsEnabled() = 1;
    scene.Light().Apply(device);
    scene.RootModel().TreeDrawModelNormal(!component);

    if (!picks) return;
    if (scene.IsDrawJointsFront()) {
        device.ClearDepth();
        scene.RootModel().TreeDrawJoint();
    }
    if (component) {
        device.ClearDepth();
        scene.RootModel().TreeDrawLightedHandle(&camera);
    }
}

// What edits the selection, on top of everything: bounding boxes, the manipulator, pivots.
void DrawEditing(CQxScene& scene, CQxCamera& camera, CQxMatrixStack& stack) {
    CQxGraphicsDevice& device = Device();
    device.ClearDepth();
    scene.RootModel().TreeDrawBoundBox();
    if (CQxManipulator* manipulator = scene.GetManipulator()) {
        manipulator->UpdateTransform(stack, &camera);
        device.ClearDepth();
        manipulator->TreeDrawLighted();
        for (unsigned int part :
             {CQxScene::MANIP_X, CQxScene::MANIP_Y, CQxScene::MANIP_Z, CQxScene::MANIP_CENTER}) {
            CQxAttribute& material = scene.ManipulatorAttribute(part);
            device.SetAttribute(&material);
            manipulator->TreeDrawNormal(&material, 1);
        }
        device.SetAttribute(nullptr);
    }
    if (scene.ToolManager().GetCurSelect() == QX_SELECT_PIVOT) {
        device.ClearDepth();
        scene.RootModel().TreeDrawPivot();
    }
}

// A select gesture's rubber band, when one is on screen in this view.
void DrawRubberBand(CQxScene& scene, CQxCamera& camera, HDC dc) {
    CQxTool* tool = scene.ToolManager().GetCurToolObject();
    if (!tool || !tool->IsSelectTool()) return;
    const auto& select = static_cast<const CQxSelectTool&>(*tool);
    if (!select.IsRubberBandShown() || select.GetSelectCamera() != &camera) return;
    const CQxRect band = select.GetRubberBand();
    const RECT rect{band.left, band.top, band.right, band.bottom};
    DrawFocusRect(dc, &rect);
}

void DrawWidgets(CQxScene& scene, CQxCamera& camera, HDC printDC) {
    HDC dc = camera.GetDC();
    if (!dc) return;
    scene.RootModel().DrawWidget(dc);
    DrawRubberBand(scene, camera, dc);
    if (printDC) {
        CopyFrame(camera, printDC);
        scene.RootModel().DrawWidget(printDC);
    }
    camera.ReleaseDC(dc);
}

} // namespace

QX_GRAPHICS_RESULT CQxScene::Draw(CQxCamera* camera, HDC dc) {
    if (!camera) return QX_GRAPHICS_FAILED;
    const QX_GRAPHICS_RESULT begun = camera->BeginScene(m_BackColor);
    if (begun != QX_GRAPHICS_OK) return begun;
    // A view without area (a minimised window) is cleared and shown, nothing more.
    if (camera->GetWidth() && camera->GetHeight()) {
        CQxGraphicsDevice& device = Device();
        device.SetBaseStates();
        device.SetWorld(camera->WorldMatrix());
        device.SetView(camera->ViewMatrix());
        device.SetProjection(camera->ProjectionMatrix());
        CQxMatrixStack stack(camera->WorldMatrix());
        DrawGridAndAxes(*this, *camera, stack);
        DrawModels(*this, *camera, stack);
        if (!IsPlaying()) DrawEditing(*this, *camera, stack);
        DrawWidgets(*this, *camera, dc);
    }
    camera->EndScene();
    const QX_GRAPHICS_RESULT presented = camera->Present();
    if (presented == QX_GRAPHICS_LOST) CQxApp::Instance().OnGraphicsLost();
    return presented;
}
