#include "graph_panel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "qx/animation/anim.h"
#include "qx/platform/canvas.h"
#include "qx/platform/input_state.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "view_panel.h"

QxStudioGraphPanel::QxStudioGraphPanel(QWidget* parent)
    : QWidget(parent), m_Window(std::make_unique<QxStudioHostWindow>(this)) {
    setObjectName("Graph");
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(120, 80);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_Window->SetPaintHandler([this] { Render(); });
}

QxStudioGraphPanel::~QxStudioGraphPanel() = default;

void QxStudioGraphPanel::SetScene(CQxScene* scene) {
    m_Scene = scene;
    if (scene) {
        m_View.Create(scene, m_Window.get(), 0, 0);
        m_View.OnSize(0, m_Window->GetClientWidth(), m_Window->GetClientHeight());
        // The scene's frame range across, values of a few units up and down.
        m_View.SetRange(scene->FirstFrame(), scene->LastFrame(), -10.0f, 10.0f);
    }
    m_Window->Invalidate();
}

CQxModel* QxStudioGraphPanel::Model() const {
    if (!m_Scene) return nullptr;
    CQxModel* model = m_Scene->GetCurModel();
    return model ? model : &m_Scene->RootModel();
}

void QxStudioGraphPanel::ShowSelectedChannels() {
    if (CQxModel* model = Model()) model->Anim().SelectObjectItems(1);
    m_Window->Invalidate();
}

CQxModel* QxStudioGraphPanel::PreparedModel() const {
    CQxModel* model = Model();
    // Drawing and picking read the animation's sort maps as they are: the host rebuilds them.
    if (model) model->Anim().UpdateSortItems(*model);
    return model;
}

// The view draws through its back buffer into the window's canvas, which the presented frame
// carries.
void QxStudioGraphPanel::Render() {
    if (!m_Scene) return;
    HDC dc = QxWin::GetDC(m_Window.get());
    m_View.OnDraw(PreparedModel(), dc);
    QxWin::ReleaseDC(m_Window.get(), dc);
    m_Window->Present();
}

void QxStudioGraphPanel::RenderNow() {
    if (m_Window->IsInvalid()) m_Window->QxOffscreenWindow::Update();
}

void QxStudioGraphPanel::paintEvent(QPaintEvent*) {
    RenderNow();
    QPainter painter(this);
    const auto& frame = m_Window->GetFrame();
    const int w = m_Window->GetFrameWidth(), h = m_Window->GetFrameHeight();
    painter.fillRect(rect(), QColor(0x69, 0x69, 0x69));
    if (!frame.empty() && w > 0 && h > 0)
        painter.drawImage(
            0, 0, QImage(reinterpret_cast<const uchar*>(frame.data()), w, h, w * 4, QImage::Format_RGB32));
}

void QxStudioGraphPanel::resizeEvent(QResizeEvent*) {
    m_Window->SetClientSize(width(), height());
    m_View.OnSize(0, width(), height());
    m_Window->Invalidate();
}

void QxStudioGraphPanel::mousePressEvent(QMouseEvent* event) {
    const unsigned int key = QxStudioButtonKey(event->button());
    if (!key || !m_Scene) return;
    setFocus(Qt::MouseFocusReason);
    const CQxPoint point = QxStudioTrack(*m_Window, event->position(), event->modifiers());
    QxSetKeyState(key, 1);
    const unsigned int flags = QxGetMouseFlags();
    QxStudioOnButton(
        key, [&] { m_View.OnLButtonDown(PreparedModel(), flags, point); },
        [&] { m_View.OnRButtonDown(Model(), flags, point); },
        [&] { m_View.OnMButtonDown(Model(), flags, point); });
}

void QxStudioGraphPanel::mouseReleaseEvent(QMouseEvent* event) {
    const unsigned int key = QxStudioButtonKey(event->button());
    if (!key || !m_Scene) return;
    const CQxPoint point = QxStudioTrack(*m_Window, event->position(), event->modifiers());
    QxSetKeyState(key, 0);
    const unsigned int flags = QxGetMouseFlags();
    QxStudioOnButton(
        key, [&] { m_View.OnLButtonUp(Model(), flags, point); },
        [&] { m_View.OnRButtonUp(Model(), flags, point); },
        [&] { m_View.OnMButtonUp(Model(), flags, point); });
}

void QxStudioGraphPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!m_Scene) return;
    const CQxPoint point = QxStudioTrack(*m_Window, event->position(), event->modifiers());
    m_View.OnMouseMove(Model(), QxGetMouseFlags(), point);
}

void QxStudioGraphPanel::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (!m_Scene || delta == 0) return;
    const CQxPoint point = QxStudioTrack(*m_Window, event->position(), event->modifiers());
    m_View.OnMouseWheel(Model(), QxGetMouseFlags(), static_cast<short>(delta), point);
}

void QxStudioGraphPanel::keyPressEvent(QKeyEvent* event) {
    const unsigned int vk = QxStudioVirtualKey(event->key());
    if (!vk || !m_Scene) return QWidget::keyPressEvent(event);
    m_View.OnKeyDown(Model(), vk, static_cast<unsigned int>(std::max(event->count(), 1)), 0);
}
