#include "qx/views/camera.h"

#include <cmath>

#include "qx/platform/window.h"
#include "qx/scene/app.h"
#include "qx/scene/scene.h"
#include "qx/scene/settings.h"

namespace {

constexpr float kDegree = 0.017453292f;

// A lost device is reported to the application, which waits for it and rebuilds the graphics;
// the caller still gets the loss.
QX_GRAPHICS_RESULT ReportLoss(QX_GRAPHICS_RESULT result) {
    if (result == QX_GRAPHICS_LOST) CQxApp::Instance().OnGraphicsLost();
    return result;
}

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
        // The height the perspective view shows at the origin plane.
        const float w = 2.0f * std::tan(m_FovY * kDegree / 2.0f) * d;
        float distance = d;
        if (toPerspective) {
            if (w > 0.0f) distance = m_ViewY / w * d;
        } else {
            m_ViewY = w;
            distance = 2.0f * m_ViewSize;
        }
        MoveAlongView(d - distance);
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

// --- Views on the window --------------------------------------------------------------------------

QX_GRAPHICS_RESULT CQxCamera::RecreateView(unsigned int width, unsigned int height) {
    return ReportLoss(CQxGraphicsContext::RecreateView(width, height));
}

QX_GRAPHICS_RESULT CQxCamera::RecreateDevice(QX_WND_MODE mode, unsigned int width, unsigned int height) {
    CQxApp& app = CQxApp::Instance();
    app.ClearGraphics();
    const QX_GRAPHICS_RESULT result = CQxGraphicsContext::RecreateDevice(mode, width, height);
    if (result == QX_GRAPHICS_OK) app.RecreateGraphics();
    return ReportLoss(result);
}

QX_GRAPHICS_RESULT CQxCamera::CreateView(CQxScene* scene, HWND window, unsigned int width,
                                         unsigned int height) {
    if (scene) scene->AddCamera(this);
    return ReportLoss(CQxGraphicsContext::CreateView(window, width, height));
}

QX_GRAPHICS_RESULT CQxCamera::OnPaint() {
    return m_Scene ? m_Scene->Draw(this, nullptr) : QX_GRAPHICS_OK;
}

QX_GRAPHICS_RESULT CQxCamera::OnPrint(HDC dc) {
    return m_Scene ? m_Scene->Draw(this, dc) : QX_GRAPHICS_OK;
}

void CQxCamera::OnActive() {
    if (m_Scene) m_Scene->OnCameraActive(this);
}

// --- Navigation -----------------------------------------------------------------------------------

void CQxCamera::MoveAlongView(float distance) {
    CQxVector direction = m_Aim - Eye();
    if (!direction.Normalize()) return;
    const CQxVector move = direction * distance;
    Eye() += move;
    m_Aim += move;
}

void CQxCamera::Rotate(float yaw, float pitch) {
    CQxMatrix m;
    m.SetRotate(m_Up.GetCross(m_Aim - Eye()), pitch);
    m.Translate(-m_RotateCenter);
    m.RotateY(yaw);
    m.Translate(m_RotateCenter);
    Eye() = m.Transform(Eye());
    m_Aim = m.Transform(m_Aim);
    m_Up = m.TransformNormal(m_Up);
}

void CQxCamera::RotateFps(float yaw, float pitch) {
    CQxMatrix m;
    m.SetTranslate(-Eye());
    m.Rotate(m_Up.GetCross(m_Aim - Eye()), pitch);
    m.RotateY(yaw);
    m.Translate(Eye());
    m_Aim = m.Transform(m_Aim);
    m_Up = m.TransformNormal(m_Up);
}

void CQxCamera::ResetRotateFps() {
    const CQxVector v = (m_Aim - Eye()).GetNormalized();
    const CQxVector u = m_Up.GetNormalized();
    const CQxVector fv(v.x, 0.0f, v.z);
    const CQxVector fu(u.x, 0.0f, u.z);
    // Looking almost straight up or down, the up vector tells which way the view faced.
    if (fu.GetLength() < fv.GetLength())
        m_Aim = u.y >= 0.0f ? Eye() + fv.GetNormalized() : Eye() - fv.GetNormalized();
    else
        m_Aim = v.y >= 0.0f ? Eye() - fu.GetNormalized() : Eye() + fu.GetNormalized();
    m_Up = CQxVector(0.0f, 1.0f, 0.0f);
}

void CQxCamera::Pan(int dx, int dy) {
    // The matrices of the current placement (a window gives the size; without one the matrices
    // were placed by the caller).
    UpdateMatrices(GetWidth(), GetHeight());
    CQxMatrix toScreen, fromScreen;
    QxGetScreenTranform(toScreen, WorldMatrix(), ViewMatrix(), ProjectionMatrix(), ViewPort());
    if (!QxGetInvScreenTranform(fromScreen, WorldMatrix(), ViewMatrix(), ProjectionMatrix(), ViewPort()))
        return;
    CQxVector origin;
    if (!toScreen.TransformCoord(origin, CQxVector(0.0f, 0.0f, 0.0f))) return;
    origin.x += static_cast<float>(dx);
    origin.y += static_cast<float>(dy);
    CQxVector p;
    if (!fromScreen.TransformCoord(p, origin) || !p.IsFinite()) return;
    Eye() -= p;
    m_Aim -= p;
}

void CQxCamera::Zoom(int steps) {
    if (steps == 0) return;
    const float f = std::pow(QxZoomRate(), static_cast<float>(-steps));
    if (IsPerspective()) {
        const float d = GetOriginDistance();
        MoveAlongView(d * f - d);
    } else {
        m_ViewY /= f;
    }
}

void CQxCamera::SetAxisView(QX_AXIS_TYPE axis) {
    if (axis != QX_AXIS_X && axis != QX_AXIS_Y && axis != QX_AXIS_Z) return;
    m_Aim = CQxVector(0.0f, 0.0f, 0.0f);
    m_RotateCenter = CQxVector(0.0f, 0.0f, 0.0f);
    if (axis == QX_AXIS_X) {
        Eye() = CQxVector(1.0f, 0.0f, 0.0f);
        m_Up = CQxVector(0.0f, 1.0f, 0.0f);
    } else if (axis == QX_AXIS_Y) {
        Eye() = CQxVector(0.0f, 1.0f, 0.0f);
        m_Up = CQxVector(0.0f, 0.0f, -1.0f);
    } else {
        Eye() = CQxVector(0.0f, 0.0f, 1.0f);
        m_Up = CQxVector(0.0f, 1.0f, 0.0f);
    }
    const float d = GetOriginDistance();
    float s = 0.0f;
    if (IsPerspective()) {
        s = d - m_ViewSize / std::tan(m_FovY * kDegree / 2.0f);
    } else {
        m_ViewY = 2.0f * m_ViewSize;
        s = d - 2.0f * m_ViewSize;
    }
    MoveAlongView(s);
    Invalidate(nullptr, 0);
}
