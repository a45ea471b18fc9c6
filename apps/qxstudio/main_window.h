#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <memory>

#include "play_window.h"
#include "qx/scene/scene.h"

class QAction;
class QActionGroup;
class QDockWidget;
class QMenu;
class QProgressBar;
class QxStudioMessageLog;
class QxStudioObjectTree;
class QxStudioPropertiesPanel;
class QxStudioActionsPanel;
class QxStudioGraphPanel;
class QxStudioTimelinePanel;
class QxStudioViewPanel;

// The studio's main window: one scene, four camera views in dockable panels, the panels that
// show the scene, and the menus that call the library. The scene's host callback decides what
// each panel shows; nothing polls the scene.
class QxStudioMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit QxStudioMainWindow(QWidget* parent = nullptr);
    ~QxStudioMainWindow() override;

    CQxScene& Scene() { return *m_Scene; }
    const QString& FilePath() const { return m_FilePath; }
    bool IsModified() const;
    // A file is being read (the menus and closing wait for it).
    bool IsLoading() const { return m_Loading; }
    // Milliseconds the last file read took.
    qint64 LastReadMs() const { return m_LastReadMs; }
    QxStudioMessageLog& MessageLog() { return *m_Log; }
    QxStudioObjectTree& ObjectTree() { return *m_Tree; }
    QxStudioPropertiesPanel& Properties() { return *m_Properties; }
    QxStudioTimelinePanel& Timeline() { return *m_Timeline; }
    QxStudioActionsPanel& Actions() { return *m_ActionList; }
    QxStudioGraphPanel& Graph() { return *m_Graph; }
    // The views in the order perspective, front, side, top.
    const std::array<QxStudioViewPanel*, 4>& Views() const { return m_Views; }
    // The view whose title (or kind: perspective, front, side, top, uv, and play while play
    // mode runs) is given; null for none.
    QxStudioViewPanel* View(const QString& name) const;
    QxStudioViewPanel* ActiveView() const { return m_ActiveView; }
    // The scene's UV view, in a panel of its own.
    QxStudioViewPanel& UVView() { return *m_UVView; }
    // A menu action by its object name ("file.open", "edit.undo", "create.cube", ...).
    QAction* Action(const QString& name) const;
    const QStringList& RecentFiles() const { return m_Recent; }

    // The file operations the menus run; each says what went wrong and returns false.
    // A file that fails to load leaves the open scene as it was.
    bool OpenFile(const QString& path);
    bool SaveFileAs(const QString& path);
    bool Save();
    bool NewScene();
    bool ImportFile(const QString& path);
    bool ExportFile(const QString& path);
    // Asks whether unsaved changes may go (saving them when asked to); true to go on.
    bool ConfirmDiscard();
    // Shows one view alone, or the four again.
    void SetSingleView(bool single);
    bool IsSingleView() const { return m_SingleView; }
    // Frames everything in the scene in the active view.
    void FrameAll();
    // The selection's geometry to the clipboard (cut: and deleted, one command), and the
    // clipboard's geometry into the scene (one command); each says why when it cannot.
    bool CopySelection(bool cut);
    bool PasteClipboard();
    // Runs the scene in play mode in a window of its own (raised when it runs already); says
    // why when it cannot start.
    bool StartPlayMode();
    // The play-mode window while it runs, else null.
    QxStudioPlayWindow* PlayWindow() const { return m_PlayWindow; }

    // The host callback (public for the static trampoline).
    void OnSceneUpdate(QX_UPDATE_TYPE type, void* arg1, void* arg2);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildViews();
    void BuildPanels();
    void BuildMenus();
    void BuildFileMenu();
    void BuildEditMenu();
    void BuildCreateMenu();
    void BuildSelectMenu();
    void BuildToolsMenu();
    void BuildViewMenu();
    void BuildAnimationMenu();
    void BuildPlayMenu();
    // The Key Channels choices follow the scene's create flags.
    void RefreshKeyChannels();
    QAction* AddAction(QMenu* menu, const QString& name, const QString& text,
                       const QKeySequence& shortcut = {});
    // A checkable action of a group of exclusive choices (its data the value), running
    // `choose` and refreshing the menus when triggered.
    QAction* AddChoice(QMenu* menu, QActionGroup* group, const QString& name, const QString& text,
                       const QKeySequence& shortcut, unsigned int value, std::function<void()> choose);
    // Puts a scene in place of the current one and shows it in every panel.
    void Install(std::unique_ptr<CQxScene> scene, const QString& path);
    void SetActiveView(QxStudioViewPanel* view);
    void RedrawViews();
    // The menus and the title follow the history and the tool manager (coalesced per turn of
    // the event loop).
    void ScheduleRefresh();
    void Refresh();
    void RefreshToolActions();
    void AddRecent(const QString& path);
    void LoadRecent();
    void SaveRecent();
    void RebuildRecentMenu();
    void PumpTimers();
    // Reads a file into a scene on a second thread while the window stays alive (a progress
    // bar in the status bar; the menus wait). The reader's result.
    bool ReadInBackground(CQxScene& scene, const QString& path);

    std::unique_ptr<CQxScene> m_Scene;
    QString m_FilePath;
    // The history's current command when the scene was last saved or opened.
    const CQxCmd* m_SavedCmd = nullptr;
    QMainWindow* m_ViewArea = nullptr;
    std::array<QxStudioViewPanel*, 4> m_Views{};
    std::array<QDockWidget*, 4> m_ViewDocks{};
    QxStudioViewPanel* m_ActiveView = nullptr;
    QxStudioViewPanel* m_UVView = nullptr;
    bool m_SingleView = false;
    QxStudioObjectTree* m_Tree = nullptr;
    QxStudioMessageLog* m_Log = nullptr;
    QxStudioPropertiesPanel* m_Properties = nullptr;
    QxStudioTimelinePanel* m_Timeline = nullptr;
    QxStudioActionsPanel* m_ActionList = nullptr;
    QxStudioGraphPanel* m_Graph = nullptr;
    std::map<QString, QAction*> m_Actions;
    QMenu* m_RecentMenu = nullptr;
    QStringList m_Recent;
    QActionGroup* m_ToolGroup = nullptr;
    QActionGroup* m_UVToolGroup = nullptr;
    QActionGroup* m_GraphToolGroup = nullptr;
    QActionGroup* m_SelectGroup = nullptr;
    QTimer m_Pump;
    // Fires once the views have been quiet a moment: the scene then prepares its picks, so the
    // first click after an edit of a big mesh is quick.
    QTimer m_PickPrep;
    QProgressBar* m_Progress = nullptr;
    bool m_Loading = false;
    qint64 m_LastReadMs = 0;
    bool m_RefreshPending = false;
    QPointer<QxStudioPlayWindow> m_PlayWindow;
};
