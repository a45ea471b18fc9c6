#pragma once

#include <QWidget>

class CQxAction;
class CQxModel;
class CQxScene;
class QListWidget;
class QListWidgetItem;

// The actions of the current model (the scene's only model, or the selected one, else the root
// model): its animation and sound actions in list order, the current one in bold. Clicking an
// action makes it current through the scene; the list follows the scene's notices. Actions are
// the host's to make and name (the library has no command for them and the scene file keeps
// none), so adding and renaming here are not undoable.
class QxStudioActionsPanel : public QWidget {
    Q_OBJECT
public:
    explicit QxStudioActionsPanel(QWidget* parent = nullptr);

    void SetScene(CQxScene* scene);
    // The model shown may have changed, or its actions.
    void ShowActions();
    CQxModel* Model() const;
    QListWidget* List() const { return m_List; }
    // Appends a new action of the type ("Walk1", "Sound1", ...) and shows it.
    CQxAction* AddAction(int type);

private:
    void OnClicked(QListWidgetItem* item);
    void OnRenamed(QListWidgetItem* item);

    CQxScene* m_Scene = nullptr;
    QListWidget* m_List = nullptr;
    bool m_Showing = false;
};
