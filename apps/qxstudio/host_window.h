#pragma once

#include <QWidget>

#include "qx/math/point_rect.h"
#include "qx/platform/input_state.h"
#include "qx/platform/offscreen_window.h"

// The library's window for one view panel. The library renders into the offscreen window's
// framebuffer (EGL, no display needed) and the panel paints the presented frame; everything
// the library asks of a window (repaints, capture, cursor, screen origin, timers) goes to the
// Qt widget that shows it.
class QxStudioHostWindow : public QxOffscreenWindow {
public:
    explicit QxStudioHostWindow(QWidget* widget);

    // A repaint request schedules a Qt paint; the frame is rendered then, once.
    void Invalidate() override;
    // Renders at once when a repaint is pending and shows the result without waiting.
    void Update() override;
    POINT GetClientOrigin() const override;
    void OnCaptureChanged(int captured) override;
    void OnCursorChanged(HCURSOR cursor) override;

private:
    QWidget* m_Widget;
};

// Feeds the library's key state (Shift, Ctrl, Alt) and the window's cursor position from a Qt
// event; the point as the library's views take it.
CQxPoint QxStudioTrack(QxStudioHostWindow& window, QPointF position, Qt::KeyboardModifiers modifiers);
// The library's key code of a mouse button (VK_LBUTTON, ...); 0 for other buttons.
unsigned int QxStudioButtonKey(Qt::MouseButton button);

// Runs the handler of the button a key code names: left, right, else middle.
template <class Left, class Right, class Middle>
void QxStudioOnButton(unsigned int key, Left&& left, Right&& right, Middle&& middle) {
    if (key == VK_LBUTTON)
        left();
    else if (key == VK_RBUTTON)
        right();
    else
        middle();
}

// The Qt cursor shape for a library cursor (the two brush resources show as a cross).
Qt::CursorShape QxStudioCursorShape(unsigned int shape);
