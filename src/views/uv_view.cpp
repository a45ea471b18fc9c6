// The UV view, and CQxScene::DrawUV, which paints it.
#include "qx/views/uv_view.h"

#include "qx/graphics/attribute.h"
#include "qx/graphics/graphics_device.h"
#include "qx/platform/canvas.h"
#include "qx/scene/app.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/tools/tool_manager.h"
#include "qx/tools/uv_tools.h"

using namespace QxWin;

namespace {

// Whether the scene still lives: a view may outlive the scene it was given.
bool IsLive(const CQxScene* scene) {
    const CQxSceneList& scenes = CQxSceneList::Instance();
    for (unsigned int i = 0; scene && i < scenes.GetSceneCount(); ++i)
        if (scenes.GetScene(i) == scene) return true;
    return false;
}

// The texture shows as it is: white light of its own, whatever the stage's colour operation.
const CQxColorMaterial& TextureLight() {
    static const CQxColorMaterial material(0xFFFFFFFF, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f);
    return material;
}

// A UV select gesture's rubber band, when one is shown in this view.
void DrawRubberBand(CQxScene& scene, CQxCamera& view) {
    auto* tool = dynamic_cast<CQxUVSelectTool*>(scene.UVToolManager().GetCurToolObject());
    if (!tool || !tool->IsRubberBandShown() || tool->GetSelectView() != &view) return;
    HDC dc = view.GetDC();
    if (!dc) return;
    const CQxRect band = tool->GetRubberBand();
    const RECT rect{band.left, band.top, band.right, band.bottom};
    DrawFocusRect(dc, &rect);
    view.ReleaseDC(dc);
}

} // namespace

CQxUVView::CQxUVView() : CQxCamera(QX_WND_FLAT) {
    SetProjectionType(QX_PROJ_ORTHOGRAPHIC);
}

CQxUVView::~CQxUVView() {
    CQxScene* scene = GetScene();
    if (!IsLive(scene)) return;
    // A UV gesture running in this view ends with it.
    if (auto* tool = dynamic_cast<CQxUVSelectTool*>(scene->UVToolManager().GetCurToolObject()))
        if (tool->GetSelectView() == this) scene->UVToolManager().EndOperation();
    if (scene->GetUVView() == this) scene->SetUVView(nullptr);
    // The camera's destructor looks for the view among the scene's cameras, where it never was.
    SetScene(nullptr);
}

QX_GRAPHICS_RESULT CQxUVView::CreateView(CQxScene* scene, HWND window, unsigned int width,
                                         unsigned int height) {
    if (scene) scene->SetUVView(this);
    const QX_GRAPHICS_RESULT result = CQxGraphicsContext::CreateView(window, width, height);
    if (result == QX_GRAPHICS_LOST) CQxApp::Instance().OnGraphicsLost();
    return result;
}

#define QX_UV_VIEW_INPUT(Name)                                                                               \
    void CQxUVView::Name(unsigned int flags, CQxPoint point) {                                               \
        if (CQxScene* scene = GetScene()) scene->UVToolManager().Name(this, flags, point);                   \
    }
QX_UV_VIEW_INPUT(OnLButtonDown)
QX_UV_VIEW_INPUT(OnLButtonUp)
QX_UV_VIEW_INPUT(OnMouseMove)
QX_UV_VIEW_INPUT(OnMouseHover)
#undef QX_UV_VIEW_INPUT

QX_GRAPHICS_RESULT CQxUVView::OnPaint() {
    CQxScene* scene = GetScene();
    return OnPaint(scene ? scene->RootModel().CurAttribute() : nullptr);
}

QX_GRAPHICS_RESULT CQxUVView::OnPaint(CQxAttribute* attribute) {
    CQxScene* scene = GetScene();
    return scene ? scene->DrawUV(this, attribute) : QX_GRAPHICS_OK;
}

void CQxUVView::OnActive(int /*active*/) {}

// --- Drawing ----------------------------------------------------------------------------------------

QX_GRAPHICS_RESULT CQxScene::DrawUV(CQxCamera* camera, CQxAttribute* attribute) {
    if (!camera) return QX_GRAPHICS_FAILED;
    const QX_GRAPHICS_RESULT begun = camera->BeginScene(m_BackColor);
    if (begun != QX_GRAPHICS_OK) return begun;
    if (camera->GetWidth() && camera->GetHeight()) {
        CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
        device.SetBaseStates();
        // Texture space is flat: what comes later lies on top.
        device.SetDepthTest(0);
        const CQxTextureStage* stage = attribute ? attribute->GetTextureStage(0) : nullptr;
        if (stage && stage->IsLoaded()) {
            device.SetMaterial(TextureLight());
            device.SetTexture(0, stage);
            device.SetWorld(CQxMatrix());
            device.SetView(CQxMatrix());
            // Texture space (u right, v down, 0..1) onto the whole viewport.
            device.SetProjection(CQxMatrix(2.0f, 0.0f, 0.0f, 0.0f, 0.0f, -2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f,
                                           0.0f, -1.0f, 1.0f, 0.5f, 1.0f));
            m_UVBackground.Draw();
            device.SetTexture(0, nullptr);
            device.SetMaterial(CQxColorMaterial());
        }
        m_RootModel.DrawUVFaces(camera);
        m_RootModel.DrawUVVertices(camera);
        DrawRubberBand(*this, *camera);
    }
    camera->EndScene();
    const QX_GRAPHICS_RESULT presented = camera->Present();
    if (presented == QX_GRAPHICS_LOST) CQxApp::Instance().OnGraphicsLost();
    return presented;
}
