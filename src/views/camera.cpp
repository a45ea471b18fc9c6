#include "qx/views/camera.h"

#include <cmath>

#include "qx/platform/window.h"
#include "qx/scene/scene.h"

namespace {

constexpr float kDegree = 0.017453292f;

} // namespace

CQxCamera::CQxCamera(QX_WND_MODE mode) : CQxGraphicsContext(mode), CQxObject(0) {
    SetViewSize(1.0f);
}

CQxCamera::~CQxCamera() {
    // The scene lists the cameras that show it without owning them; a scene given directly
    // may already be gone, so only a live one is told.
    if (!m_Scene) return;
    const CQxSceneList& scenes = CQxSceneList::Instance();
    for (unsigned int i = 0; i < scenes.GetSceneCount(); ++i) {
        if (scenes.GetScene(i) != m_Scene) continue;
        m_Scene->RemoveCamera(this);
        break;
    }
}

QX_GRAPHICS_RESULT CQxCamera::BeginScene(unsigned long clearColor) {
    UpdateMatrices(GetWidth(), GetHeight());
    return CQxGraphicsContext::BeginScene(clearColor);
}

void CQxCamera::SetScene(CQxScene* scene) {
    m_Scene = scene;
    if (m_Scene) SetViewSize(m_Scene->GridLength());
}

void CQxCamera::SetViewSize(float size) {
    m_ViewSize = size;
    m_Aim = CQxVector(0.0f, 0.0f, 0.0f);
    m_Up = CQxVector(0.0f, 1.0f, 0.0f);
    m_RotateCenter = CQxVector(0.0f, 0.0f, 0.0f);
    if (IsPerspective()) {
        Eye() = CQxVector(size, 0.8f * size, size);
    } else {
        m_ViewY = size;
        Eye() = CQxVector(0.0f, 0.0f, size);
    }
}

int CQxCamera::SetProjectionType(QX_PROJ_TYPE type) {
    if (type == m_ProjectionType) return 0;
    const int toPerspective = type == QX_PROJ_PERSPECTIVE;
    if (toPerspective != IsPerspective()) {
        const float d = GetOriginDistance();
        CQxVector direction = m_Aim - Eye();
        direction.Normalize();
        // The height the perspective view shows at the origin plane.
        const float w = 2.0f * std::tan(m_FovY * kDegree / 2.0f) * d;
        float distance = d;
        if (toPerspective) {
            if (w > 0.0f) distance = m_ViewY / w * d;
        } else {
            m_ViewY = w;
            distance = 2.0f * m_ViewSize;
        }
        const CQxVector move = direction * (d - distance);
        Eye() += move;
        m_Aim += move;
    }
    m_ProjectionType = type;
    Invalidate(nullptr, 0);
    return 1;
}

float CQxCamera::GetOriginDistance() const {
    const CQxVector normal = m_Aim - Eye();
    const float length = normal.GetLength();
    if (!(length > 0.0f)) return 0.0f;
    return std::fabs(Eye().GetDot(normal)) / length;
}

int CQxCamera::UpdateMatrices(unsigned int width, unsigned int height) {
    if (width == 0 || height == 0) return 0;
    CQxMatrix view;
    if (!view.SetLookAtR(Eye(), m_Aim, m_Up)) return 0;
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    const float d = GetOriginDistance();
    const float farZ = d + 2.0f * m_ViewSize;
    const float nearZ = d > 2.0f * m_ViewSize ? d - 2.0f * m_ViewSize : 0.001f * m_ViewSize;
    CQxMatrix projection;
    const int made = IsPerspective() ? projection.SetPerspectiveFovR(m_FovY * kDegree, aspect, nearZ, farZ)
                                     : projection.SetOrthoR(aspect * m_ViewY, m_ViewY, nearZ, farZ);
    if (!made) return 0;
    m_NearZ = nearZ;
    m_FarZ = farZ;
    WorldMatrix().SetIdentity();
    ViewMatrix() = view;
    ProjectionMatrix() = projection;
    return 1;
}

void CQxCamera::UpdateWindow() {
    Invalidate(nullptr, 0);
    if (GetWindow()) QxWin::UpdateWindow(GetWindow());
}

// Scaffold: the camera's view operations are being built.
QX_GRAPHICS_RESULT CQxCamera::RecreateView(unsigned int w, unsigned int h) { return CQxGraphicsContext::RecreateView(w, h); }
QX_GRAPHICS_RESULT CQxCamera::RecreateDevice(QX_WND_MODE m, unsigned int w, unsigned int h) { return CQxGraphicsContext::RecreateDevice(m, w, h); }
QX_GRAPHICS_RESULT CQxCamera::CreateView(CQxScene* scene, HWND window, unsigned int w, unsigned int h) {
    if (scene) scene->AddCamera(this);
    return CQxGraphicsContext::CreateView(window, w, h);
}
void CQxCamera::Rotate(float, float) {}
void CQxCamera::RotateFps(float, float) {}
void CQxCamera::ResetRotateFps() {}
void CQxCamera::Pan(int, int) {}
void CQxCamera::Zoom(int) {}
QX_GRAPHICS_RESULT CQxCamera::OnPaint() { return m_Scene ? m_Scene->Draw(this, nullptr) : QX_GRAPHICS_OK; }
QX_GRAPHICS_RESULT CQxCamera::OnPrint(HDC dc) { return m_Scene ? m_Scene->Draw(this, dc) : QX_GRAPHICS_OK; }
void CQxCamera::OnActive() { if (m_Scene) m_Scene->OnCameraActive(this); }
void CQxCamera::SetAxisView(QX_AXIS_TYPE) {}
