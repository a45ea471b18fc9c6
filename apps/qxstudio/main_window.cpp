#include "main_window.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>
#include <cmath>
#include <thread>

#include "actions_panel.h"
#include "graph_panel.h"
#include "message_log_panel.h"
#include "object_tree_panel.h"
#include "properties_panel.h"
#include "qx/commands/object_cmds.h"
#include "qx/graphics/bound_box.h"
#include "qx/math/stacks.h"
#include "qx/platform/message.h"
#include "qx/platform/settings.h"
#include "qx/platform/timer.h"
#include "qx/scene/app.h"
#include "read_progress.h"
#include "timeline_panel.h"
#include "view_panel.h"

namespace {

constexpr int kMaxRecent = 6;
constexpr const char* kSettingsKey = "Software\\QxDurerive\\QxStudio";

void UpdateTrampoline(void* user, CQxScene*, QX_UPDATE_TYPE type, void* arg1, void* arg2, void*) {
    static_cast<QxStudioMainWindow*>(user)->OnSceneUpdate(type, arg1, arg2);
}

} // namespace

QxStudioMainWindow::QxStudioMainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("QxStudio");
    resize(1280, 860);
    m_Log = new QxStudioMessageLog;
    BuildViews();
    BuildPanels();
    BuildMenus();
    LoadRecent();
    Install(std::make_unique<CQxScene>(), {});
    // Timers of the library (tool drags, the frame timer that drives playback) run here.
    connect(&m_Pump, &QTimer::timeout, this, &QxStudioMainWindow::PumpTimers);
    m_Pump.start(10);
    m_PickPrep.setSingleShot(true);
    m_PickPrep.setInterval(150);
    connect(&m_PickPrep, &QTimer::timeout, this, [this] {
        if (!m_Loading) m_Scene->PreparePicks();
    });
    CQxApp::Instance().SetTimer(nullptr, 1);
    m_Progress = new QProgressBar;
    m_Progress->setObjectName("LoadProgress");
    m_Progress->setMaximumWidth(200);
    m_Progress->hide();
    statusBar()->addPermanentWidget(m_Progress);
    statusBar()->showMessage(tr("Ready"));
}

QxStudioMainWindow::~QxStudioMainWindow() {
    // Play mode ends first, while the panels it reports to still live.
    if (m_PlayWindow) {
        m_PlayWindow->disconnect(this);
        delete m_PlayWindow;
    }
    CQxApp::Instance().KillTimer();
    m_Scene->SetUpdateFunc(nullptr, nullptr);
    for (QxStudioViewPanel* view : m_Views) view->SetScene(nullptr);
    m_UVView->SetScene(nullptr);
    m_Tree->SetScene(nullptr);
}

void QxStudioMainWindow::BuildViews() {
    // The views live in a main window of their own, so they dock among themselves and the
    // panels dock around them.
    m_ViewArea = new QMainWindow;
    m_ViewArea->setObjectName("ViewArea");
    m_ViewArea->setDockNestingEnabled(true);
    auto* hidden = new QWidget;
    hidden->setMaximumSize(0, 0);
    m_ViewArea->setCentralWidget(hidden);
    const std::array<std::pair<QString, QX_AXIS_TYPE>, 4> kinds = {
        {{"Perspective", QX_AXIS_NONE}, {"Front", QX_AXIS_Z}, {"Side", QX_AXIS_X}, {"Top", QX_AXIS_Y}}};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        m_Views[i] = new QxStudioViewPanel(kinds[i].first, kinds[i].second);
        m_ViewDocks[i] = new QDockWidget(kinds[i].first);
        m_ViewDocks[i]->setObjectName(kinds[i].first + "Dock");
        m_ViewDocks[i]->setWidget(m_Views[i]);
        connect(m_Views[i], &QxStudioViewPanel::Activated, this, &QxStudioMainWindow::SetActiveView);
    }
    m_ViewArea->addDockWidget(Qt::TopDockWidgetArea, m_ViewDocks[0]);
    m_ViewArea->splitDockWidget(m_ViewDocks[0], m_ViewDocks[1], Qt::Horizontal);
    m_ViewArea->splitDockWidget(m_ViewDocks[0], m_ViewDocks[2], Qt::Vertical);
    m_ViewArea->splitDockWidget(m_ViewDocks[1], m_ViewDocks[3], Qt::Vertical);
    setCentralWidget(m_ViewArea);
    m_ActiveView = m_Views[0];
}

void QxStudioMainWindow::BuildPanels() {
    auto dock = [this](const QString& title, const QString& name, QWidget* widget, Qt::DockWidgetArea area) {
        auto* panel = new QDockWidget(title, this);
        panel->setObjectName(name);
        panel->setWidget(widget);
        addDockWidget(area, panel);
        return panel;
    };
    m_Tree = new QxStudioObjectTree;
    dock(tr("Objects"), "ObjectsDock", m_Tree, Qt::LeftDockWidgetArea);
    m_Properties = new QxStudioPropertiesPanel;
    dock(tr("Properties"), "PropertiesDock", m_Properties, Qt::RightDockWidgetArea);
    m_UVView = QxStudioViewPanel::NewUVView();
    dock(tr("UV"), "UVDock", m_UVView, Qt::RightDockWidgetArea);
    m_ActionList = new QxStudioActionsPanel;
    dock(tr("Actions"), "ActionsDock", m_ActionList, Qt::RightDockWidgetArea);
    m_Timeline = new QxStudioTimelinePanel;
    dock(tr("Timeline"), "TimelineDock", m_Timeline, Qt::BottomDockWidgetArea);
    m_Graph = new QxStudioGraphPanel;
    QDockWidget* graph = dock(tr("Curves"), "GraphDock", m_Graph, Qt::BottomDockWidgetArea);
    QDockWidget* messages = dock(tr("Messages"), "MessagesDock", m_Log, Qt::BottomDockWidgetArea);
    tabifyDockWidget(messages, graph);
    messages->raise();
    // The views get the room; the panels start at their useful sizes.
    resizeDocks({findChild<QDockWidget*>("ObjectsDock"), findChild<QDockWidget*>("PropertiesDock")},
                {200, 290}, Qt::Horizontal);
    resizeDocks({messages}, {110}, Qt::Vertical);
    m_Timeline->setMaximumHeight(60);
    m_Properties->setMaximumWidth(420);
}

QxStudioViewPanel* QxStudioMainWindow::View(const QString& name) const {
    for (QxStudioViewPanel* view : m_Views)
        if (view->Title().compare(name, Qt::CaseInsensitive) == 0) return view;
    if (m_PlayWindow && m_PlayWindow->View().Title().compare(name, Qt::CaseInsensitive) == 0)
        return &m_PlayWindow->View();
    return m_UVView->Title().compare(name, Qt::CaseInsensitive) == 0 ? m_UVView : nullptr;
}

QAction* QxStudioMainWindow::Action(const QString& name) const {
    const auto found = m_Actions.find(name);
    return found == m_Actions.end() ? nullptr : found->second;
}

void QxStudioMainWindow::Install(std::unique_ptr<CQxScene> scene, const QString& path) {
    if (m_Scene) {
        m_Scene->EndOperation();
        m_Scene->SetUpdateFunc(nullptr, nullptr);
        for (QxStudioViewPanel* view : m_Views) view->SetScene(nullptr);
        m_UVView->SetScene(nullptr);
    }
    m_Scene = std::move(scene);
    m_Scene->SetUpdateFunc(UpdateTrampoline, this);
    for (QxStudioViewPanel* view : m_Views) view->SetScene(m_Scene.get());
    m_UVView->SetScene(m_Scene.get());
    m_FilePath = path;
    m_SavedCmd = m_Scene->CmdManager().GetCurCmd();
    m_Tree->SetScene(m_Scene.get());
    m_Properties->SetScene(m_Scene.get());
    m_Timeline->SetScene(m_Scene.get());
    m_ActionList->SetScene(m_Scene.get());
    m_Graph->SetScene(m_Scene.get());
    SetActiveView(m_ActiveView);
    Refresh();
}

void QxStudioMainWindow::SetActiveView(QxStudioViewPanel* view) {
    m_ActiveView = view;
    view->Camera().OnActive();
    if (m_SingleView) SetSingleView(true);
}

void QxStudioMainWindow::RedrawViews() {
    for (QxStudioViewPanel* view : m_Views) view->Window().Invalidate();
    m_UVView->Window().Invalidate();
    m_Graph->Window().Invalidate();
    m_PickPrep.start();
}

void QxStudioMainWindow::OnSceneUpdate(QX_UPDATE_TYPE type, void* arg1, void* arg2) {
    // The scene notice carries its bits in the first argument, the transform notice its mask in
    // the second.
    const auto bits = reinterpret_cast<std::uintptr_t>(arg1);
    const auto mask = reinterpret_cast<std::uintptr_t>(arg2);
    switch (type) {
    case QX_UPDATE_OBJECT_INSERT:
    case QX_UPDATE_OBJECT_REMOVE:
    case QX_UPDATE_FILE_READ:
        m_Tree->Rebuild();
        m_Properties->ShowSelection();
        m_ActionList->ShowActions();
        break;
    case QX_UPDATE_SELECT:
        m_Graph->ShowSelectedChannels();
        m_Tree->SyncSelection();
        m_Properties->ShowSelection();
        m_ActionList->ShowActions(); // the current model follows the selection
        break;
    case QX_UPDATE_CUR_ACTION:
        m_ActionList->ShowActions();
        break;
    case QX_UPDATE_TRANSFORM:
        m_Properties->ShowValues();
        break;
    case QX_UPDATE_TOOL:
    case QX_UPDATE_NUMERICAL_RESET:
    case QX_UPDATE_NUMERICAL:
        m_Properties->ShowTool();
        break;
    case QX_UPDATE_ATTRIBUTE_LIST:
    case QX_UPDATE_CUR_ATTRIBUTE:
    case QX_UPDATE_ATTRIBUTE:
        m_Properties->ShowSelection();
        break;
    case QX_UPDATE_SCENE:
        if (bits & (QX_SCENE_CUR_FRAME | QX_SCENE_FIRST_FRAME | QX_SCENE_LAST_FRAME)) {
            m_Timeline->ShowFrames();
            m_Graph->Window().Invalidate(); // its current-frame line
        }
        break;
    case QX_UPDATE_ANIM_KEY: // a new channel shows at once among the selected objects' curves
        m_Graph->ShowSelectedChannels();
        break;
    case QX_UPDATE_PLAY:
        m_Timeline->ShowFrames();
        m_Graph->Window().Invalidate();
        break;
    case QX_UPDATE_REDRAW:
    case QX_UPDATE_UV: // texture coordinates moved: the UV view and the textured faces follow
        RedrawViews();
        return;
    default:
        break;
    }
    // Names can change through a modify command (its transform notice), undo or redo.
    if (type == QX_UPDATE_TRANSFORM && (mask & QX_MODIFY_NAME)) m_Tree->RefreshNames();
    ScheduleRefresh();
}

void QxStudioMainWindow::ScheduleRefresh() {
    if (m_RefreshPending) return;
    m_RefreshPending = true;
    QTimer::singleShot(0, this, [this] { Refresh(); });
}

bool QxStudioMainWindow::IsModified() const {
    return m_Scene->CmdManager().GetCurCmd() != m_SavedCmd;
}

void QxStudioMainWindow::Refresh() {
    m_RefreshPending = false;
    const CQxCmdManager& history = m_Scene->CmdManager();
    if (QAction* undo = Action("edit.undo")) {
        undo->setText(QString::fromUtf8(history.GetUndoText()));
        undo->setEnabled(history.IsUndoable());
    }
    if (QAction* redo = Action("edit.redo")) {
        redo->setText(QString::fromUtf8(history.GetRedoText()));
        redo->setEnabled(history.IsRedoable());
    }
    if (QAction* cut = Action("edit.cut")) cut->setEnabled(m_Scene->IsCuttable());
    if (QAction* copy = Action("edit.copy")) copy->setEnabled(m_Scene->IsCopyable());
    if (QAction* remove = Action("edit.delete")) remove->setEnabled(m_Scene->IsDeletable());
    if (QAction* duplicate = Action("edit.duplicate")) duplicate->setEnabled(m_Scene->IsDeletable());
    RefreshToolActions();
    RefreshKeyChannels();
    if (QAction* stop = Action("play.stop")) stop->setEnabled(m_PlayWindow != nullptr);
    const QString name = m_FilePath.isEmpty() ? tr("Untitled") : QFileInfo(m_FilePath).fileName();
    setWindowTitle(name + (IsModified() ? " *" : "") + " - QxStudio");
}

void QxStudioMainWindow::PumpTimers() {
    QxPumpTimers();
    const DWORD next = QxGetNextTimerDelay();
    m_Pump.setInterval(static_cast<int>(std::clamp<DWORD>(next, 1, 50)));
}

// --- Files ------------------------------------------------------------------------------------------

bool QxStudioMainWindow::NewScene() {
    if (!ConfirmDiscard()) return false;
    Install(std::make_unique<CQxScene>(), {});
    return true;
}

bool QxStudioMainWindow::OpenFile(const QString& path) {
    // Read into a scene of its own: the reader clears its scene first, and a file that fails
    // must not cost the open one.
    if (m_Loading) return false;
    auto scene = std::make_unique<CQxScene>();
    statusBar()->showMessage(tr("Reading %1...").arg(path));
    if (!ReadInBackground(*scene, path)) {
        m_Log->Note(tr("Could not read %1; the open scene is unchanged.").arg(path));
        statusBar()->showMessage(tr("Could not read %1").arg(path));
        return false;
    }
    CQxApp::Instance().DataDir() = QFile::encodeName(QFileInfo(path).absolutePath()).constData();
    Install(std::move(scene),
            QFileInfo(path).suffix().compare("kel", Qt::CaseInsensitive) == 0 ? path : QString());
    AddRecent(path);
    m_Log->Note(tr("Opened %1 (read in %2 ms)").arg(path).arg(m_LastReadMs));
    statusBar()->showMessage(tr("Opened %1").arg(path));
    return true;
}

bool QxStudioMainWindow::SaveFileAs(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    if (!m_Scene->WriteFile(file.constData())) {
        // The library writes through a temporary file, so the old file is still whole.
        QxShowMessage(
            tr("Could not save %1. The previous file, if any, is unchanged.").arg(path).toUtf8().constData(),
            tr("Save").toUtf8().constData(), MB_OK | MB_ICONERROR, nullptr);
        return false;
    }
    if (QFileInfo(path).suffix().compare("kel", Qt::CaseInsensitive) == 0) {
        m_FilePath = path;
        m_SavedCmd = m_Scene->CmdManager().GetCurCmd();
        AddRecent(path);
    }
    m_Log->Note(tr("Saved %1").arg(path));
    statusBar()->showMessage(tr("Saved %1").arg(path));
    Refresh();
    return true;
}

bool QxStudioMainWindow::Save() {
    if (m_FilePath.isEmpty()) {
        QAction* saveAs = Action("file.saveas");
        if (saveAs) saveAs->trigger();
        return !IsModified();
    }
    return SaveFileAs(m_FilePath);
}

bool QxStudioMainWindow::ImportFile(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    const bool imported = m_Scene->ImportFileCmd(file.constData(), nullptr, 1);
    m_Log->Note(imported ? tr("Imported %1").arg(path) : tr("Could not import %1").arg(path));
    return imported;
}

bool QxStudioMainWindow::ExportFile(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    const bool exported = m_Scene->WriteFile(file.constData());
    m_Log->Note(exported ? tr("Exported %1").arg(path) : tr("Could not export %1").arg(path));
    return exported;
}

bool QxStudioMainWindow::ConfirmDiscard() {
    if (!IsModified()) return true;
    const QString name = m_FilePath.isEmpty() ? tr("Untitled") : QFileInfo(m_FilePath).fileName();
    const int answer = QxShowMessage(tr("Save the changes to %1?").arg(name).toUtf8().constData(), "QxStudio",
                                     MB_YESNOCANCEL | MB_ICONQUESTION, nullptr);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES) return Save();
    return true;
}

bool QxStudioMainWindow::ReadInBackground(CQxScene& scene, const QString& path) {
    // The frame timer runs every live scene, the one being read too: it waits for the read.
    CQxApp& app = CQxApp::Instance();
    app.KillTimer();
    m_Loading = true;
    menuBar()->setEnabled(false);
    m_Progress->setRange(0, 0);
    m_Progress->show();
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    bool read = false;
    const QByteArray file = QFile::encodeName(path);
    // The bar counts the bytes read, then waits while the scene is built from them.
    QxStudioReadProgress progress(path);
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        const int percent = progress.Percent();
        m_Progress->setRange(0, percent < 0 ? 0 : 100);
        if (percent >= 0) m_Progress->setValue(percent);
    });
    poll.start(50);
    // The scene is no one else's until it is installed; the library's messages from the reader
    // reach the log on this thread (QxStudioMessageLog).
    std::thread reader([&] {
        read = scene.ReadFile(file.constData(), 0) != 0;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    reader.join();
    m_LastReadMs = clock.elapsed();
    m_Progress->hide();
    menuBar()->setEnabled(true);
    m_Loading = false;
    app.SetTimer(nullptr, 1);
    return read;
}

void QxStudioMainWindow::closeEvent(QCloseEvent* event) {
    if (m_Loading || !ConfirmDiscard()) {
        event->ignore();
        return;
    }
    m_Scene->EndOperation();
    SaveRecent();
    event->accept();
}

// --- Recent files ------------------------------------------------------------------------------------

void QxStudioMainWindow::AddRecent(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_Recent.removeAll(absolute);
    m_Recent.prepend(absolute);
    while (m_Recent.size() > kMaxRecent) m_Recent.removeLast();
    SaveRecent();
    RebuildRecentMenu();
}

void QxStudioMainWindow::LoadRecent() {
    m_Recent.clear();
    HKEY key = nullptr;
    if (QxWin::RegOpenKeyExA(QxWin::HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        for (int i = 0; i < kMaxRecent; ++i) {
            char value[4096];
            DWORD size = sizeof value;
            DWORD type = REG_NONE;
            const std::string name = "Recent" + std::to_string(i);
            if (QxWin::RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value),
                                        &size) == ERROR_SUCCESS &&
                type == REG_SZ)
                m_Recent << QString::fromUtf8(value);
        }
        QxWin::RegCloseKey(key);
    }
    RebuildRecentMenu();
}

void QxStudioMainWindow::SaveRecent() {
    HKEY key = nullptr;
    if (QxWin::RegCreateKeyExA(QxWin::HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < kMaxRecent; ++i) {
        const std::string name = "Recent" + std::to_string(i);
        if (i < m_Recent.size()) {
            const QByteArray text = m_Recent[i].toUtf8();
            QxWin::RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(text.constData()),
                                  static_cast<DWORD>(text.size() + 1));
        } else {
            QxWin::RegDeleteValueA(key, name.c_str());
        }
    }
    QxWin::RegCloseKey(key);
}

void QxStudioMainWindow::RebuildRecentMenu() {
    if (!m_RecentMenu) return;
    m_RecentMenu->clear();
    for (const QString& path : m_Recent) {
        QAction* action = m_RecentMenu->addAction(path);
        connect(action, &QAction::triggered, this, [this, path] {
            if (ConfirmDiscard()) OpenFile(path);
        });
    }
    m_RecentMenu->setEnabled(!m_Recent.isEmpty());
}

// --- Views ---------------------------------------------------------------------------------------------

void QxStudioMainWindow::SetSingleView(bool single) {
    m_SingleView = single;
    for (std::size_t i = 0; i < m_Views.size(); ++i)
        m_ViewDocks[i]->setVisible(!single || m_Views[i] == m_ActiveView);
    if (QAction* toggle = Action("view.single")) toggle->setChecked(single);
}

void QxStudioMainWindow::FrameAll() {
    CQxCamera& camera = m_ActiveView->Camera();
    CQxBoundBox box;
    CQxMatrixStack stack(CQxMatrix{});
    m_Scene->RootModel().GetBoundBox(box, stack);
    if (box.IsEmpty()) return;
    const CQxVector centre = box.GetCenter();
    const float radius = std::max(box.GetSize().GetLength() * 0.5f, 1e-3f);
    const float width = static_cast<float>(std::max(m_ActiveView->width(), 1));
    const float height = static_cast<float>(std::max(m_ActiveView->height(), 1));
    const float shorter = std::min(width / height, 1.0f);
    const CQxVector sight = (camera.Aim() - camera.Eye()).GetNormalized();
    const CQxVector up = camera.Up();
    // The depth range follows the view size about the origin, so it must reach the box.
    camera.SetViewSize(radius + centre.GetLength());
    float distance = 2.0f * camera.ViewSize();
    if (camera.IsPerspective()) {
        const float halfTan = std::tan(camera.FovY() * 0.017453292f / 2.0f) * shorter;
        distance = 1.1f * radius / std::sin(std::atan(halfTan));
    } else {
        camera.ViewY() = 1.1f * 2.0f * radius / shorter;
    }
    camera.Eye() = centre - sight * distance;
    camera.Aim() = centre;
    camera.Up() = up;
    camera.RotateCenter() = centre;
    m_ActiveView->Window().Invalidate();
}
