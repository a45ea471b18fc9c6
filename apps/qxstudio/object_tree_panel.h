#pragma once

#include <QTreeWidget>

class CQxObject;
class CQxScene;

// The object tree of the scene: selecting items selects the objects, editing an item's text
// renames its object and dropping an item on another reparents it, each through the scene's
// commands. What it shows is rebuilt or refreshed only when the scene says something changed.
class QxStudioObjectTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit QxStudioObjectTree(QWidget* parent = nullptr);

    void SetScene(CQxScene* scene);
    // The tree's structure changed: every item is made anew.
    void Rebuild();
    // The selection changed in the scene.
    void SyncSelection();
    // Names changed (a rename, undone or redone).
    void RefreshNames();

    CQxObject* ObjectOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemOf(const CQxObject* object) const;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void AddChildren(QTreeWidgetItem* parentItem, const CQxObject& parent);
    void OnSelectionChanged();
    void OnItemChanged(QTreeWidgetItem* item, int column);
    // Whether a drag carries items of a tree (the only drops taken).
    static bool CarriesItems(const QDropEvent* event);
    // Where a drop at a point goes relative to the item there: above it, below it or into it.
    DropIndicatorPosition DropPlace(QPoint point, QTreeWidgetItem* item) const;
    // Moves the object with the scene's command; false when the scene refused.
    bool MoveTo(CQxObject* object, QTreeWidgetItem* target, DropIndicatorPosition place);

    CQxScene* m_Scene = nullptr;
    // Set while the widget is changed from the scene, so those changes are not sent back.
    bool m_Syncing = false;
};
