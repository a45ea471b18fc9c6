#pragma once

#include <QWidget>

#include <memory>

#include "host_window.h"
#include "qx/views/graph_view.h"

class CQxModel;
class CQxScene;

// The curve editor: the library's graph view of the current model's animation (the channels
// of its selected objects, which the view draws as the selected items), drawn by the view itself with the 2D canvas and edited with the
// scene's graph tools; middle or right drags pan, the wheel zooms.
class QxStudioGraphPanel : public QWidget {
    Q_OBJECT
public:
    explicit QxStudioGraphPanel(QWidget* parent = nullptr);
    ~QxStudioGraphPanel() override;

    void SetScene(CQxScene* scene);
    CQxGraphView& View() { return m_View; }
    QxStudioHostWindow& Window() { return *m_Window; }
    // The model whose curves are shown (the scene's only or selected model, else the root).
    CQxModel* Model() const;
    // Shows the channels of the objects now selected (the model's object items are selected
    // with them; an item of an unselected object cannot be), and draws again.
    void ShowSelectedChannels();
    // Draws now when a repaint is pending (scripts and tests use it before looking).
    void RenderNow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Render();
    // The model, with its animation's sort maps rebuilt for the view to read.
    CQxModel* PreparedModel() const;

    std::unique_ptr<QxStudioHostWindow> m_Window;
    CQxGraphView m_View;
    CQxScene* m_Scene = nullptr;
};
