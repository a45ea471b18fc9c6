#pragma once

#include "qx/export.h"
#include "qx/platform/window.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// A window without a display, for tests and command-line rendering. It owns an OpenGL 3.3 core
// context (EGL, surfaceless) that renders into a framebuffer object of the client size; Present
// reads the frame back, lays the window's 2D canvas (GetDC) over it and keeps the result as the
// last frame. The cursor position and client origin are set by the caller, timers run through
// the shared timer queue, and repaints run the paint handler.
//
// GL functions are called directly: libOpenGL exports the whole core profile, so no loader is
// needed. There is no default framebuffer: after binding another one, bind GetFramebuffer()
// again to draw into the window. Contexts of all offscreen windows share their objects.
//
// When no context can be made (no EGL, no driver, context refused) the window says why through
// QxShowMessage and stays usable without one: sizes, timers, capture and the canvas work,
// MakeCurrent and Present fail, and the last frame stays empty.
// Reads a rectangle of the current GL context's read framebuffer (x, y from its bottom-left
// corner, as GL counts) into opaque 0xAARRGGBB pixels, top row first, whatever pack state the
// renderer left. 0 without a current context or for an empty rectangle.
QX_API int QxReadFramePixels(int x, int y, int width, int height, std::vector<std::uint32_t>& pixels);

class QX_API QxOffscreenWindow : public QxWindow {
public:
    QxOffscreenWindow(int width, int height);
    ~QxOffscreenWindow() override;

    int IsCreated() const;
    // Why creation failed (empty when it did not).
    const char* GetError() const;

    int GetClientWidth() const override { return m_Width; }
    int GetClientHeight() const override { return m_Height; }
    // Resizes the client area and the framebuffer; the last frame keeps its old size until the
    // next Present. Negative sizes become 0.
    void SetClientSize(int width, int height);
    POINT GetClientOrigin() const override { return m_Origin; }
    void SetClientOrigin(POINT origin) { m_Origin = origin; }
    // Moves the mouse into this window at a client position (see QxSetMousePos).
    void SetCursorPos(int x, int y);

    void Invalidate() override { m_Invalid = true; }
    // Runs the paint handler when a repaint is pending.
    void Update() override;
    int IsInvalid() const { return m_Invalid ? 1 : 0; }
    void SetPaintHandler(std::function<void()> handler) { m_Paint = std::move(handler); }
    void SetTimerHandler(std::function<void(UINT_PTR)> handler) { m_Timer = std::move(handler); }
    void OnTimer(UINT_PTR id) override;

    // Makes the context current with the window's framebuffer bound and the viewport covering it.
    int MakeCurrent() override;
    int Present() override;
    // The GL name of the window's framebuffer (0 without a context).
    unsigned int GetFramebuffer() const;

    // The last presented frame, top row first, as opaque 0xAARRGGBB pixels.
    int GetFrameWidth() const { return m_FrameWidth; }
    int GetFrameHeight() const { return m_FrameHeight; }
    const std::vector<std::uint32_t>& GetFrame() const { return m_Frame; }
    // A pixel of the last frame; 0 outside it.
    std::uint32_t GetPixel(int x, int y) const;
    // Writes the last frame as a PNG file (through a temporary file, so a failed save leaves an
    // old file whole); 0 when there is no frame or the file cannot be written.
    int SavePng(const char* path) const;

private:
    struct Gl;
    void ResizeFramebuffer();

    std::unique_ptr<Gl> m_Gl;
    int m_Width = 0;
    int m_Height = 0;
    POINT m_Origin{0, 0};
    bool m_Invalid = false;
    std::function<void()> m_Paint;
    std::function<void(UINT_PTR)> m_Timer;
    std::vector<std::uint32_t> m_Frame;
    int m_FrameWidth = 0;
    int m_FrameHeight = 0;
};
