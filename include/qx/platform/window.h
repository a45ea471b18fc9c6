#pragma once

#include "qx/export.h"
#include "qx/platform/types.h"

// A cursor is named by a shape number: the standard shapes below, or one of the library's
// cursor resources (101 and 102, the weight-paint brushes), which the host draws.
struct QxCursorShape;
using HCURSOR = const QxCursorShape*;

enum : unsigned int {
    QX_CURSOR_ARROW = 32512,
    QX_CURSOR_IBEAM = 32513,
    QX_CURSOR_WAIT = 32514,
    QX_CURSOR_CROSS = 32515,
    QX_CURSOR_SIZENWSE = 32642,
    QX_CURSOR_SIZENESW = 32643,
    QX_CURSOR_SIZEWE = 32644,
    QX_CURSOR_SIZENS = 32645,
    QX_CURSOR_SIZEALL = 32646,
    QX_CURSOR_NO = 32648,
    QX_CURSOR_HAND = 32649,
};

// Shape 0 gives the null cursor (no cursor shown); a null cursor gives shape 0.
QX_API HCURSOR QxCursorFromId(unsigned int shape);
QX_API unsigned int QxGetCursorId(HCURSOR cursor);

// A window of the host that a view draws into and receives input from. The host implements
// the pure operations on its toolkit (or offscreen); the rest is shared behaviour built on them.
class QX_API QxWindow {
public:
    QxWindow() = default;
    QxWindow(const QxWindow&) = delete;
    QxWindow& operator=(const QxWindow&) = delete;
    // Kills the window's timers and gives up the capture and the mouse.
    virtual ~QxWindow();

    virtual int GetClientWidth() const = 0;
    virtual int GetClientHeight() const = 0;
    // Asks for a repaint later; Update paints at once when a repaint is pending.
    virtual void Invalidate() = 0;
    virtual void Update() = 0;
    // Makes the window's GL context current; shows the frame drawn into it.
    virtual int MakeCurrent() = 0;
    virtual int Present() = 0;
    // Screen position of the client area's top-left corner.
    virtual POINT GetClientOrigin() const { return {0, 0}; }

    // Notifications to the host: a window timer without a procedure expired; the window got or
    // lost the mouse capture (grab or release the pointer); its cursor shape changed.
    virtual void OnTimer(UINT_PTR /*id*/) {}
    virtual void OnCaptureChanged(int /*captured*/) {}
    virtual void OnCursorChanged(HCURSOR /*cursor*/) {}

    // Always (0, 0, width, height).
    int GetClientRect(RECT* rect) const;
    // The capture is process-wide: one window at most has it.
    int SetCapture();
    int ReleaseCapture();
    int HasCapture() const;
    // The mouse position in client coordinates (outside the client area while captured).
    int GetCursorPos(POINT* point) const;
    HCURSOR SetCursor(HCURSOR cursor);
    HCURSOR GetCursor() const { return m_Cursor; }
    // Window timers on the shared timer queue (see timer.h).
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse);
    int KillTimer(UINT_PTR id);

private:
    HCURSOR m_Cursor = nullptr;
};

namespace QxWin {
// The same operations in the form the core calls them; a null window fails cleanly.
QX_API BOOL GetClientRect(HWND window, RECT* rect);
// The rectangle and erase flag are accepted for the caller's sake; the whole window is repainted.
QX_API BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
QX_API BOOL UpdateWindow(HWND window);
// Returns the window that had the capture before.
QX_API HWND SetCapture(HWND window);
QX_API BOOL ReleaseCapture();
QX_API HWND GetCapture();
QX_API BOOL ScreenToClient(HWND window, POINT* point);
QX_API BOOL ClientToScreen(HWND window, POINT* point);
// Sets the cursor of the window that has the capture or, without one, of the window the mouse is
// in; returns the cursor set before.
QX_API HCURSOR SetCursor(HCURSOR cursor);
QX_API HCURSOR GetCursor();
} // namespace QxWin
