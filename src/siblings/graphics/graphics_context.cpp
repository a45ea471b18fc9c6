#include "qx/graphics/graphics_context.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <algorithm>

#include "qx/graphics/color.h"
#include "qx/platform/message.h"
#include "qx/platform/offscreen_window.h"
#include "qx/platform/window.h"

namespace {

CQxGraphicsDevice& Device() {
    return CQxGraphics::Instance().GetDevice();
}

void ClearColor(unsigned long argb) {
    const CQxColor c(argb);
    glClearColor(c.r, c.g, c.b, c.a);
}

} // namespace

CQxGraphicsContext::CQxGraphicsContext(QX_WND_MODE mode) : m_Mode(mode) {}

CQxGraphicsContext::~CQxGraphicsContext() {
    DestroyView();
}

// The vertex array belongs to the window's context: it is deleted there while the window lives.
void CQxGraphicsContext::DestroyView() {
    if (!m_Window) return;
    if (m_VertexArray) {
        if (Device().GetVertexArray() == m_VertexArray) Device().SetVertexArray(0);
        if (m_Window->MakeCurrent()) glDeleteVertexArrays(1, &m_VertexArray);
        m_VertexArray = 0;
    }
    m_Window = nullptr;
    m_Width = m_Height = 0;
}

void CQxGraphicsContext::SetSize(unsigned int width, unsigned int height) {
    if (m_Window && width == 0 && height == 0) {
        width = static_cast<unsigned int>(std::max(m_Window->GetClientWidth(), 0));
        height = static_cast<unsigned int>(std::max(m_Window->GetClientHeight(), 0));
    }
    m_Width = width;
    m_Height = height;
    m_ViewPort = CQxViewPort(0, 0, width, height, 0.0f, 1.0f);
}

QX_GRAPHICS_RESULT CQxGraphicsContext::CreateView(HWND window, unsigned int width, unsigned int height) {
    DestroyView();
    if (!window) return QX_GRAPHICS_FAILED;
    if (Device().GetState() == QX_GRAPHICS_LOST) return QX_GRAPHICS_LOST;
    if (!window->MakeCurrent()) {
        // An offscreen window that could not make its context has said why already.
        auto* offscreen = dynamic_cast<QxOffscreenWindow*>(window);
        if (!offscreen || offscreen->IsCreated()) {
            QxShowMessage("Cannot draw into the window: its OpenGL context cannot be made current.", "OpenGL",
                          MB_OK | MB_ICONERROR, window);
        }
        return QX_GRAPHICS_FAILED;
    }
    if (!Device().Prepare()) return QX_GRAPHICS_FAILED;
    glGenVertexArrays(1, &m_VertexArray);
    if (!m_VertexArray) return QX_GRAPHICS_FAILED;
    m_Window = window;
    SetSize(width, height);
    return QX_GRAPHICS_OK;
}

QX_GRAPHICS_RESULT CQxGraphicsContext::RecreateView(unsigned int width, unsigned int height) {
    if (!m_Window) return QX_GRAPHICS_FAILED;
    if (Device().GetState() == QX_GRAPHICS_LOST) return QX_GRAPHICS_LOST;
    SetSize(width, height);
    return QX_GRAPHICS_OK;
}

QX_GRAPHICS_RESULT CQxGraphicsContext::RecreateDevice(QX_WND_MODE mode, unsigned int width,
                                                      unsigned int height) {
    HWND window = m_Window;
    if (!window) return QX_GRAPHICS_FAILED;
    m_Mode = mode;
    return CreateView(window, width, height);
}

QX_GRAPHICS_RESULT CQxGraphicsContext::BeginScene(unsigned long clearColor) {
    if (!m_Window) return QX_GRAPHICS_FAILED;
    CQxGraphicsDevice& device = Device();
    const QX_GRAPHICS_RESULT state = device.GetState();
    if (state != QX_GRAPHICS_OK) return state == QX_GRAPHICS_NOTRESET ? QX_GRAPHICS_LOST : state;
    if (!m_Window->MakeCurrent()) return QX_GRAPHICS_FAILED;
    if (!device.Prepare()) return QX_GRAPHICS_FAILED;
    m_ClearColor = clearColor;
    // The window's pixels run from its top-left corner; GL's from the bottom-left.
    const int windowHeight = m_Window->GetClientHeight();
    glViewport(static_cast<GLint>(m_ViewPort.X),
               windowHeight - static_cast<GLint>(m_ViewPort.Y) - static_cast<GLint>(m_ViewPort.Height),
               static_cast<GLsizei>(m_ViewPort.Width), static_cast<GLsizei>(m_ViewPort.Height));
    glDisable(GL_SCISSOR_TEST);
    ClearColor(clearColor);
    glDepthMask(GL_TRUE);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindVertexArray(m_VertexArray);
    device.SetVertexArray(m_VertexArray);
    device.SetWorld(m_World);
    device.SetView(m_View);
    device.SetProjection(m_Projection);
    device.SetDepthTest(m_Mode != QX_WND_FLAT);
    return QX_GRAPHICS_OK;
}

QX_GRAPHICS_RESULT CQxGraphicsContext::EndScene() {
    if (!m_Window) return QX_GRAPHICS_FAILED;
    if (Device().GetVertexArray() == m_VertexArray) Device().SetVertexArray(0);
    glFlush();
    return Device().GetState() == QX_GRAPHICS_LOST ? QX_GRAPHICS_LOST : QX_GRAPHICS_OK;
}

QX_GRAPHICS_RESULT CQxGraphicsContext::ClearView() {
    if (!m_Window) return QX_GRAPHICS_FAILED;
    if (Device().GetState() == QX_GRAPHICS_LOST) return QX_GRAPHICS_LOST;
    if (!m_Window->MakeCurrent()) return QX_GRAPHICS_FAILED;
    ClearColor(m_ClearColor);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return QX_GRAPHICS_OK;
}

QX_GRAPHICS_RESULT CQxGraphicsContext::Present() {
    if (!m_Window) return QX_GRAPHICS_FAILED;
    const QX_GRAPHICS_RESULT state = Device().GetState();
    if (state == QX_GRAPHICS_LOST || state == QX_GRAPHICS_NOTRESET) return QX_GRAPHICS_LOST;
    return m_Window->Present() ? QX_GRAPHICS_OK : QX_GRAPHICS_FAILED;
}

HDC CQxGraphicsContext::GetDC() {
    return m_Window ? QxWin::GetDC(m_Window) : nullptr;
}

int CQxGraphicsContext::ReleaseDC(HDC dc) {
    return m_Window ? QxWin::ReleaseDC(m_Window, dc) : 0;
}

int CQxGraphicsContext::Invalidate(const RECT* /*rect*/, int /*erase*/) {
    if (!m_Window || m_Mode == QX_WND_OFFSCREEN) return 0;
    m_Window->Invalidate();
    return 1;
}

int CQxGraphicsContext::ReadFrame(std::vector<std::uint32_t>& pixels) {
    pixels.clear();
    if (!m_Window || !m_Window->MakeCurrent()) return 0;
    const auto width = static_cast<int>(m_ViewPort.Width);
    const auto height = static_cast<int>(m_ViewPort.Height);
    if (width <= 0 || height <= 0) return 1;
    const int bottom = m_Window->GetClientHeight() - static_cast<int>(m_ViewPort.Y) - height;
    return QxReadFramePixels(static_cast<int>(m_ViewPort.X), bottom, width, height, pixels);
}

void QxGetScreenTranform(CQxMatrix& out, const CQxMatrix& world, const CQxMatrix& view,
                         const CQxMatrix& projection, const CQxViewPort& viewport) {
    out = world * view * projection * viewport.GetScreenMatrix();
}

int QxGetInvScreenTranform(CQxMatrix& out, const CQxMatrix& world, const CQxMatrix& view,
                           const CQxMatrix& projection, const CQxViewPort& viewport) {
    // Inverting factor by factor keeps each step well conditioned (pixels against depth 0..1).
    CQxMatrix screen, inverseProjection, inverseView, inverseWorld;
    if (!viewport.GetInvScreenMatrix(screen) || !projection.GetInverse(inverseProjection) ||
        !view.GetInverse(inverseView) || !world.GetInverse(inverseWorld)) {
        return 0;
    }
    out = screen * inverseProjection * inverseView * inverseWorld;
    return 1;
}
