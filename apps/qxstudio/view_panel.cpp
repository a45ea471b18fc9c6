#include "view_panel.h"

#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "qx/platform/input_state.h"
#include "qx/scene/scene.h"
#include "qx/views/uv_view.h"

QxStudioViewPanel::QxStudioViewPanel(const QString& title, QX_AXIS_TYPE axis, QWidget* parent)
    : QxStudioViewPanel(title, axis, std::make_unique<CQxCamera>(), parent) {}

QxStudioViewPanel* QxStudioViewPanel::NewUVView(QWidget* parent) {
    auto* panel = new QxStudioViewPanel("UV", QX_AXIS_NONE, std::make_unique<CQxUVView>(), parent);
    panel->m_IsUV = true;
    return panel;
}

QxStudioViewPanel::QxStudioViewPanel(const QString& title, QX_AXIS_TYPE axis,
                                     std::unique_ptr<CQxCamera> camera, QWidget* parent)
    : QWidget(parent), m_Title(title), m_Axis(axis), m_Window(std::make_unique<QxStudioHostWindow>(this)),
      m_Camera(std::move(camera)) {
    setObjectName(title);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(80, 60);
    // The panel paints every pixel itself from the rendered frame.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_Window->SetPaintHandler([this] { Render(); });
    m_Window->SetTimerHandler([this](UINT_PTR id) { m_Camera->OnTimer(static_cast<unsigned int>(id)); });
    m_Hover.setSingleShot(true);
    m_Hover.setInterval(400);
    connect(&m_Hover, &QTimer::timeout, this,
            [this] { m_Camera->OnMouseHover(QxGetMouseFlags(), m_LastPoint); });
}

QxStudioViewPanel::~QxStudioViewPanel() {
    SetScene(nullptr);
    if (m_HasView) m_Camera->DestroyView();
}

void QxStudioViewPanel::SetScene(CQxScene* scene) {
    if (m_IsUV) return SetUVScene(scene);
    if (CQxScene* old = m_Camera->GetScene()) old->RemoveCamera(m_Camera.get());
    if (!scene) return;
    if (!m_HasView) {
        m_HasView = m_Camera->CreateView(scene, m_Window.get(), 0, 0) == QX_GRAPHICS_OK;
        if (!m_HasView) scene->AddCamera(m_Camera.get());
    } else {
        scene->AddCamera(m_Camera.get());
    }
    ResetView();
}

// The UV view is the scene's own (not among its cameras): it enters a scene by being made its
// UV view, and leaves by being let go.
void QxStudioViewPanel::SetUVScene(CQxScene* scene) {
    auto& view = static_cast<CQxUVView&>(*m_Camera);
    if (CQxScene* old = view.GetScene(); old && old->GetUVView() == &view) old->SetUVView(nullptr);
    if (!scene) return;
    if (!m_HasView)
        m_HasView = view.CreateView(scene, m_Window.get(), 0, 0) == QX_GRAPHICS_OK;
    else
        scene->SetUVView(&view);
    m_Window->Invalidate();
}

void QxStudioViewPanel::ResetView() {
    if (m_IsUV) return m_Window->Invalidate();
    if (CQxScene* scene = m_Camera->GetScene()) m_Camera->SetViewSize(scene->GridLength());
    if (m_Axis) {
        m_Camera->SetProjectionType(QX_PROJ_ORTHOGRAPHIC);
        m_Camera->SetAxisView(m_Axis);
    } else {
        m_Camera->SetProjectionType(QX_PROJ_PERSPECTIVE);
    }
    m_Window->Invalidate();
}

void QxStudioViewPanel::Render() {
    QElapsedTimer timer;
    timer.start();
    m_Camera->OnPaint();
    m_LastFrameMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void QxStudioViewPanel::RenderNow() {
    if (m_Window->IsInvalid()) m_Window->QxOffscreenWindow::Update();
}

void QxStudioViewPanel::paintEvent(QPaintEvent*) {
    RenderNow();
    QPainter painter(this);
    const auto& frame = m_Window->GetFrame();
    const int w = m_Window->GetFrameWidth();
    const int h = m_Window->GetFrameHeight();
    if (frame.empty() || w <= 0 || h <= 0) {
        painter.fillRect(rect(), QColor(0x69, 0x69, 0x69));
    } else {
        const QImage image(reinterpret_cast<const uchar*>(frame.data()), w, h, w * 4, QImage::Format_RGB32);
        painter.drawImage(0, 0, image);
        // The frame may lag one resize behind: the rest stays the background colour.
        if (w < width()) painter.fillRect(w, 0, width() - w, height(), QColor(0x69, 0x69, 0x69));
        if (h < height()) painter.fillRect(0, h, width(), height() - h, QColor(0x69, 0x69, 0x69));
    }
    painter.setPen(hasFocus() ? QColor(255, 200, 0) : QColor(220, 220, 220));
    painter.drawText(6, 16, m_Title);
    if (hasFocus()) painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void QxStudioViewPanel::resizeEvent(QResizeEvent*) {
    m_Window->SetClientSize(width(), height());
    // The camera's viewport follows the window's new client size.
    if (m_HasView) m_Camera->RecreateView(0, 0);
    m_Window->Invalidate();
}

CQxPoint QxStudioViewPanel::Track(QPointF position, Qt::KeyboardModifiers modifiers) {
    return QxStudioTrack(*m_Window, position, modifiers);
}

void QxStudioViewPanel::mousePressEvent(QMouseEvent* event) {
    const unsigned int key = QxStudioButtonKey(event->button());
    if (!key) return;
    setFocus(Qt::MouseFocusReason);
    m_Camera->OnActive();
    Q_EMIT Activated(this);
    const CQxPoint point = Track(event->position(), event->modifiers());
    QxSetKeyState(key, 1);
    const unsigned int flags = QxGetMouseFlags();
    QxStudioOnButton(
        key, [&] { m_Camera->OnLButtonDown(flags, point); }, [&] { m_Camera->OnRButtonDown(flags, point); },
        [&] { m_Camera->OnMButtonDown(flags, point); });
}

void QxStudioViewPanel::mouseReleaseEvent(QMouseEvent* event) {
    const unsigned int key = QxStudioButtonKey(event->button());
    if (!key) return;
    const CQxPoint point = Track(event->position(), event->modifiers());
    QxSetKeyState(key, 0);
    const unsigned int flags = QxGetMouseFlags();
    QxStudioOnButton(
        key, [&] { m_Camera->OnLButtonUp(flags, point); }, [&] { m_Camera->OnRButtonUp(flags, point); },
        [&] { m_Camera->OnMButtonUp(flags, point); });
}

void QxStudioViewPanel::mouseMoveEvent(QMouseEvent* event) {
    const CQxPoint point = Track(event->position(), event->modifiers());
    // The cursor is asked for first, as a window asks before each move (1: the client area);
    // a tool that sets none leaves the arrow.
    if (!m_Camera->OnSetCursor(1)) m_Window->SetCursor(QxCursorFromId(QX_CURSOR_ARROW));
    m_Camera->OnMouseMove(QxGetMouseFlags(), point);
    m_LastPoint = point;
    m_Hover.start();
}

void QxStudioViewPanel::wheelEvent(QWheelEvent* event) {
    const CQxPoint point = Track(event->position(), event->modifiers());
    const int delta = event->angleDelta().y();
    if (delta == 0) return;
    QxAddMouseWheel(delta);
    m_Camera->OnMouseWheel(QxGetMouseFlags(), static_cast<short>(delta), point);
}

void QxStudioViewPanel::keyPressEvent(QKeyEvent* event) {
    const unsigned int vk = QxStudioVirtualKey(event->key());
    if (!vk) {
        QWidget::keyPressEvent(event);
        return;
    }
    QxSetKeyState(vk, 1);
    const unsigned int flags = event->isAutoRepeat() ? static_cast<unsigned int>(KF_REPEAT) : 0u;
    m_Camera->OnKeyDown(vk, static_cast<unsigned int>(std::max(event->count(), 1)), flags);
}

void QxStudioViewPanel::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;
    if (const unsigned int vk = QxStudioVirtualKey(event->key())) QxSetKeyState(vk, 0);
}

void QxStudioViewPanel::focusOutEvent(QFocusEvent* event) {
    // Keys let go while another widget has the keyboard must not stay down for the tools.
    QxReleaseAllKeys();
    QWidget::focusOutEvent(event);
    update();
}

void QxStudioViewPanel::enterEvent(QEnterEvent* event) {
    Track(event->position(), event->modifiers());
    QWidget::enterEvent(event);
}

unsigned int QxStudioVirtualKey(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<unsigned int>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return VK_F1 + static_cast<unsigned int>(qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
        return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    default:
        return 0;
    }
}
