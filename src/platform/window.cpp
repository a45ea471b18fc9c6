#include "qx/platform/window.h"

#include "platform_internal.h"
#include "qx/platform/input_state.h"
#include "qx/platform/timer.h"

using namespace QxWin;

namespace {

HWND& CaptureWindow() {
    static HWND window = nullptr;
    return window;
}

HCURSOR& ProcessCursor() {
    static HCURSOR cursor = nullptr;
    return cursor;
}

} // namespace

HCURSOR QxCursorFromId(unsigned int shape) {
    // A handle is only ever compared and turned back into its number, never dereferenced.
    return reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(shape));
}

unsigned int QxGetCursorId(HCURSOR cursor) {
    return static_cast<unsigned int>(reinterpret_cast<std::uintptr_t>(cursor));
}

QxWindow::~QxWindow() {
    QxKillWindowTimers(this);
    if (CaptureWindow() == this) CaptureWindow() = nullptr;
    QxInputForgetWindow(this);
    QxCanvasForgetWindow(this);
}

int QxWindow::GetClientRect(RECT* rect) const {
    if (!rect) return 0;
    *rect = {0, 0, GetClientWidth(), GetClientHeight()};
    return 1;
}

int QxWindow::SetCapture() {
    QxWin::SetCapture(this);
    return 1;
}

int QxWindow::ReleaseCapture() {
    if (!HasCapture()) return 0;
    return QxWin::ReleaseCapture();
}

int QxWindow::HasCapture() const {
    return CaptureWindow() == this;
}

int QxWindow::GetCursorPos(POINT* point) const {
    if (!point || !QxWin::GetCursorPos(point)) return 0;
    const POINT origin = GetClientOrigin();
    point->x -= origin.x;
    point->y -= origin.y;
    return 1;
}

HCURSOR QxWindow::SetCursor(HCURSOR cursor) {
    const HCURSOR previous = m_Cursor;
    m_Cursor = cursor;
    if (cursor != previous) OnCursorChanged(cursor);
    return previous;
}

UINT_PTR QxWindow::SetTimer(UINT_PTR id, UINT elapse) {
    return QxWin::SetTimer(this, id, elapse, nullptr);
}

int QxWindow::KillTimer(UINT_PTR id) {
    return QxWin::KillTimer(this, id);
}

BOOL QxWin::GetClientRect(HWND window, RECT* rect) {
    return window ? window->GetClientRect(rect) : 0;
}

BOOL QxWin::InvalidateRect(HWND window, const RECT* /*rect*/, BOOL /*erase*/) {
    if (!window) return 0;
    window->Invalidate();
    return 1;
}

BOOL QxWin::UpdateWindow(HWND window) {
    if (!window) return 0;
    window->Update();
    return 1;
}

HWND QxWin::SetCapture(HWND window) {
    const HWND previous = CaptureWindow();
    if (previous == window) return previous;
    CaptureWindow() = window;
    if (previous) previous->OnCaptureChanged(0);
    if (window) window->OnCaptureChanged(1);
    return previous;
}

BOOL QxWin::ReleaseCapture() {
    SetCapture(nullptr);
    return 1;
}

HWND QxWin::GetCapture() {
    return CaptureWindow();
}

BOOL QxWin::ScreenToClient(HWND window, POINT* point) {
    if (!window || !point) return 0;
    const POINT origin = window->GetClientOrigin();
    point->x -= origin.x;
    point->y -= origin.y;
    return 1;
}

BOOL QxWin::ClientToScreen(HWND window, POINT* point) {
    if (!window || !point) return 0;
    const POINT origin = window->GetClientOrigin();
    point->x += origin.x;
    point->y += origin.y;
    return 1;
}

HCURSOR QxWin::SetCursor(HCURSOR cursor) {
    const HCURSOR previous = ProcessCursor();
    ProcessCursor() = cursor;
    const HWND target = CaptureWindow() ? CaptureWindow() : QxGetMouseWindow();
    if (target) target->SetCursor(cursor);
    return previous;
}

HCURSOR QxWin::GetCursor() {
    return ProcessCursor();
}
