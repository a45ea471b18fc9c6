#include "play_window.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include "qx/play/scene_simulator.h"
#include "qx/play/sim_manager.h"
#include "qx/scene/scene.h"
#include "view_panel.h"

QxStudioPlayWindow::QxStudioPlayWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_Scene(std::make_unique<CQxScene>()) {
    setObjectName("PlayWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Play"));
    resize(800, 600);
    m_View = new QxStudioViewPanel(tr("Play"), QX_AXIS_NONE);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_View);
}

QxStudioPlayWindow::~QxStudioPlayWindow() {
    m_Scene->SimManager().Clear();
    // The view's camera leaves the scene before the scene goes.
    delete m_View;
}

QxStudioPlayWindow* QxStudioPlayWindow::Start(CQxScene& source, QString& error, QWidget* parent) {
    auto* window = new QxStudioPlayWindow(parent);
    if (!window->Run(source, error)) {
        delete window;
        return nullptr;
    }
    window->show();
    window->m_View->setFocus();
    return window;
}

bool QxStudioPlayWindow::Run(CQxScene& source, QString& error) {
    QTemporaryDir folder;
    if (!folder.isValid()) {
        error = tr("No temporary folder for the play copy: %1").arg(folder.errorString());
        return false;
    }
    const QByteArray path = QFile::encodeName(QDir(folder.path()).filePath("play.kel"));
    // Writing notes the folder in the scene; the scene being edited keeps its own.
    const CQxString fileDir = source.FileDir();
    const int written = source.WriteFile(path.constData());
    source.FileDir() = fileDir;
    if (!written || !m_Scene->ReadFile(path.constData(), 0)) {
        error = tr("The scene could not be copied for play.");
        return false;
    }
    // The program draws with the active camera, so the view is in place before it starts.
    m_View->SetScene(m_Scene.get());
    m_View->Camera().OnActive();
    if (!QxStartSceneProgram(*m_Scene, &m_Host, path.constData())) {
        error = tr("The scene program did not start.");
        return false;
    }
    return true;
}

int QxStudioPlayWindow::Host::OnMessage(const CQxMsg& msg) {
    if (msg.m_Type == QX_MSG_QUIT) {
        // The program is inside its own message: the window goes once it has returned.
        QTimer::singleShot(0, &m_Window, &QWidget::close);
        return 1;
    }
    if (msg.m_Type == QX_MSG_TOGGLE_DISP) {
        CQxScene& scene = *m_Window.m_Scene;
        scene.IsDrawGrid() = !scene.IsDrawGrid();
        scene.IsDrawAxes() = scene.IsDrawGrid();
        m_Window.m_View->Window().Invalidate();
        return 1;
    }
    return 0;
}
