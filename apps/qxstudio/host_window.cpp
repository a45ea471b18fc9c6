#include "host_window.h"

#include <algorithm>

#include "qx/platform/input_state.h"

QxStudioHostWindow::QxStudioHostWindow(QWidget* widget)
    : QxOffscreenWindow(std::max(widget->width(), 1), std::max(widget->height(), 1)), m_Widget(widget) {}

void QxStudioHostWindow::Invalidate() {
    QxOffscreenWindow::Invalidate();
    m_Widget->update();
}

void QxStudioHostWindow::Update() {
    if (!IsInvalid()) return;
    QxOffscreenWindow::Update();
    m_Widget->repaint();
}

POINT QxStudioHostWindow::GetClientOrigin() const {
    const QPoint origin = m_Widget->mapToGlobal(QPoint(0, 0));
    return {origin.x(), origin.y()};
}

void QxStudioHostWindow::OnCaptureChanged(int captured) {
    // While a button is down Qt already sends every move to the widget; a capture taken
    // without one (a tool that keeps dragging after the click) needs the explicit grab.
    if (captured)
        m_Widget->grabMouse();
    else
        m_Widget->releaseMouse();
}

void QxStudioHostWindow::OnCursorChanged(HCURSOR cursor) {
    const unsigned int shape = QxGetCursorId(cursor);
    if (shape == 0)
        m_Widget->setCursor(Qt::BlankCursor);
    else
        m_Widget->setCursor(QxStudioCursorShape(shape));
}

Qt::CursorShape QxStudioCursorShape(unsigned int shape) {
    switch (shape) {
    case QX_CURSOR_IBEAM:
        return Qt::IBeamCursor;
    case QX_CURSOR_WAIT:
        return Qt::WaitCursor;
    case QX_CURSOR_CROSS:
        return Qt::CrossCursor;
    case QX_CURSOR_SIZENWSE:
        return Qt::SizeFDiagCursor;
    case QX_CURSOR_SIZENESW:
        return Qt::SizeBDiagCursor;
    case QX_CURSOR_SIZEWE:
        return Qt::SizeHorCursor;
    case QX_CURSOR_SIZENS:
        return Qt::SizeVerCursor;
    case QX_CURSOR_SIZEALL:
        return Qt::SizeAllCursor;
    case QX_CURSOR_NO:
        return Qt::ForbiddenCursor;
    case QX_CURSOR_HAND:
        return Qt::PointingHandCursor;
    case 101:
    case 102:
        return Qt::CrossCursor;
    default:
        return Qt::ArrowCursor;
    }
}

CQxPoint QxStudioTrack(QxStudioHostWindow& window, QPointF position, Qt::KeyboardModifiers modifiers) {
    QxSetKeyState(VK_SHIFT, (modifiers & Qt::ShiftModifier) ? 1 : 0);
    QxSetKeyState(VK_CONTROL, (modifiers & Qt::ControlModifier) ? 1 : 0);
    QxSetKeyState(VK_MENU, (modifiers & Qt::AltModifier) ? 1 : 0);
    const QPoint p = position.toPoint();
    window.SetCursorPos(p.x(), p.y());
    return CQxPoint(p.x(), p.y());
}

unsigned int QxStudioButtonKey(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return VK_LBUTTON;
    case Qt::RightButton:
        return VK_RBUTTON;
    case Qt::MiddleButton:
        return VK_MBUTTON;
    default:
        return 0;
    }
}
