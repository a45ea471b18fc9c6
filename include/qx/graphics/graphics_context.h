#pragma once

#include <cstdint>
#include <vector>

#include "qx/export.h"
#include "qx/graphics/graphics_device.h"
#include "qx/graphics/viewport.h"
#include "qx/math/matrix.h"
#include "qx/platform/canvas.h"
#include "qx/platform/types.h"

// How a view uses its window: a 3D view (depth buffer cleared and tested), a view that is
// rendered but never shown to the user (command-line rendering: the same drawing, invalidation
// is ignored), or a flat 2D view such as the UV view (no depth test by default).
enum QX_WND_MODE : unsigned int {
    QX_WND_NORMAL = 0,
    QX_WND_OFFSCREEN = 1,
    QX_WND_FLAT = 2,
};

// The graphics side of one view window (HWND is a QxWindow*): the window's GL context made
// current for drawing, the size drawn at, the viewport and the world, view and projection
// matrices of the view. Results are QX_GRAPHICS_RESULT values (0 success, 1 device lost, 3 a
// failure recovery cannot mend).
class QX_API CQxGraphicsContext {
public:
    explicit CQxGraphicsContext(QX_WND_MODE mode = QX_WND_NORMAL);
    CQxGraphicsContext(const CQxGraphicsContext&) = delete;
    CQxGraphicsContext& operator=(const CQxGraphicsContext&) = delete;
    virtual ~CQxGraphicsContext();

    // Binds the view to a window and makes what it needs in the window's context; a size of
    // 0, 0 takes the window's client size. A window without a usable context, or a driver
    // without the shaders, gives QX_GRAPHICS_FAILED with a message (never twice for one cause).
    virtual QX_GRAPHICS_RESULT CreateView(HWND window, unsigned int width, unsigned int height);
    // Follows a resize of the window (0, 0: its client size).
    virtual QX_GRAPHICS_RESULT RecreateView(unsigned int width, unsigned int height);
    // Switches the mode and creates the view again on the same window.
    virtual QX_GRAPHICS_RESULT RecreateDevice(QX_WND_MODE mode, unsigned int width, unsigned int height);
    // Makes the context current, sets the viewport, clears colour (ARGB) and depth, and hands
    // the view's matrices to the device.
    virtual QX_GRAPHICS_RESULT BeginScene(unsigned long clearColor);
    virtual QX_GRAPHICS_RESULT EndScene();
    // Clears the whole window to the last clear colour.
    virtual QX_GRAPHICS_RESULT ClearView();
    // Shows the frame (an offscreen window reads it back and lays its canvas over it).
    virtual QX_GRAPHICS_RESULT Present();
    // The window's 2D canvas, drawn over the frame at Present.
    virtual HDC GetDC();
    virtual int ReleaseDC(HDC dc);
    virtual unsigned int GetWidth() const { return m_Width; }
    virtual unsigned int GetHeight() const { return m_Height; }
    // Asks the window for a repaint; the rectangle and erase flag are accepted for the caller.
    virtual int Invalidate(const RECT* rect, int erase);

    // The viewport's pixels as drawn so far (before Present), top row first, as opaque ARGB:
    // what printing copies out. 0 (pixels emptied) without a window or a current context.
    int ReadFrame(std::vector<std::uint32_t>& pixels);

    HWND GetWindow() const { return m_Window; }
    QX_WND_MODE GetMode() const { return m_Mode; }
    int IsCreated() const { return m_Window != nullptr; }

    CQxViewPort& ViewPort() { return m_ViewPort; }
    const CQxViewPort& ViewPort() const { return m_ViewPort; }
    CQxMatrix& WorldMatrix() { return m_World; }
    const CQxMatrix& WorldMatrix() const { return m_World; }
    CQxMatrix& ViewMatrix() { return m_View; }
    const CQxMatrix& ViewMatrix() const { return m_View; }
    CQxMatrix& ProjectionMatrix() { return m_Projection; }
    const CQxMatrix& ProjectionMatrix() const { return m_Projection; }

    // Lets go of the window (the destructor does it too): call it before the window goes
    // when the view outlives it.
    void DestroyView();

private:
    void SetSize(unsigned int width, unsigned int height);

    QX_WND_MODE m_Mode;
    HWND m_Window = nullptr;
    unsigned int m_Width = 0;
    unsigned int m_Height = 0;
    unsigned long m_ClearColor = 0xFF000000;
    unsigned int m_VertexArray = 0;
    CQxViewPort m_ViewPort;
    CQxMatrix m_World;
    CQxMatrix m_View;
    CQxMatrix m_Projection;
};

// world * view * projection * the viewport's screen matrix: a point p goes to (pixel x, pixel
// y, depth) by out.TransformCoord(p). The inverse form maps such a screen point back; it
// returns 0 (out unchanged) when the transform has no inverse.
QX_API void QxGetScreenTranform(CQxMatrix& out, const CQxMatrix& world, const CQxMatrix& view,
                                const CQxMatrix& projection, const CQxViewPort& viewport);
QX_API int QxGetInvScreenTranform(CQxMatrix& out, const CQxMatrix& world, const CQxMatrix& view,
                                  const CQxMatrix& projection, const CQxViewPort& viewport);
