#pragma once

#include <QTimer>
#include <QWidget>

#include <memory>

#include "host_window.h"
#include "qx/views/camera.h"

class CQxScene;

// One view: a real camera of the library drawn by its renderer (a 3D view, or the scene's UV
// view), fed with the mouse and the keys of this widget through the camera's On... operations.
class QxStudioViewPanel : public QWidget {
    Q_OBJECT
public:
    // axis 0 is the perspective view; X, Y or Z an orthographic view along that axis.
    QxStudioViewPanel(const QString& title, QX_AXIS_TYPE axis, QWidget* parent = nullptr);
    // The UV view: the texture coordinates of the selected faces over the current material's
    // texture, edited with the scene's UV tools.
    static QxStudioViewPanel* NewUVView(QWidget* parent = nullptr);
    bool IsUVView() const { return m_IsUV; }
    ~QxStudioViewPanel() override;

    // Binds the camera to a scene (null detaches it) and places it as the panel's kind of view.
    void SetScene(CQxScene* scene);
    CQxCamera& Camera() { return *m_Camera; }
    QxStudioHostWindow& Window() { return *m_Window; }
    QX_AXIS_TYPE Axis() const { return m_Axis; }
    const QString& Title() const { return m_Title; }
    // Puts the camera back to the panel's own placement.
    void ResetView();
    // Milliseconds the last render took (drawing and reading the frame back).
    double LastFrameMs() const { return m_LastFrameMs; }
    // Renders now when a repaint is pending (scripts and tests use it before looking).
    void RenderNow();

Q_SIGNALS:
    // The user started working in this view.
    void Activated(QxStudioViewPanel* panel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    QxStudioViewPanel(const QString& title, QX_AXIS_TYPE axis, std::unique_ptr<CQxCamera> camera, QWidget* parent);
    void Render();
    void SetUVScene(CQxScene* scene);
    // Feeds the library's key and mouse state from an event; returns the camera's point.
    CQxPoint Track(QPointF position, Qt::KeyboardModifiers modifiers);

    QString m_Title;
    QX_AXIS_TYPE m_Axis;
    std::unique_ptr<QxStudioHostWindow> m_Window;
    std::unique_ptr<CQxCamera> m_Camera;
    bool m_IsUV = false;
    bool m_HasView = false;
    double m_LastFrameMs = 0.0;
    // The mouse resting in the view for a moment is a hover, as the tools know it.
    QTimer m_Hover;
    CQxPoint m_LastPoint;
};

// The library's virtual-key code for a Qt key (0 for keys it has no code for).
unsigned int QxStudioVirtualKey(int qtKey);
