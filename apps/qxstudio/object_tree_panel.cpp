#include "object_tree_panel.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>

#include <algorithm>

#include "qx/commands/object_cmds.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"

namespace {
constexpr int kObjectRole = Qt::UserRole + 1;

// Keeps a flag set for one scope, restoring the old value.
class SyncGuard {
public:
    explicit SyncGuard(bool& flag) : m_Flag(flag), m_Old(flag) { m_Flag = true; }
    ~SyncGuard() { m_Flag = m_Old; }
    SyncGuard(const SyncGuard&) = delete;
    SyncGuard& operator=(const SyncGuard&) = delete;

private:
    bool& m_Flag;
    bool m_Old;
};
} // namespace

QxStudioObjectTree::QxStudioObjectTree(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("ObjectTree");
    setColumnCount(2);
    setHeaderLabels({tr("Name"), tr("Kind")});
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &QxStudioObjectTree::OnSelectionChanged);
    connect(this, &QTreeWidget::itemChanged, this, &QxStudioObjectTree::OnItemChanged);
}

void QxStudioObjectTree::SetScene(CQxScene* scene) {
    m_Scene = scene;
    Rebuild();
}

void QxStudioObjectTree::Rebuild() {
    SyncGuard guard(m_Syncing);
    clear();
    if (!m_Scene) return;
    AddChildren(invisibleRootItem(), m_Scene->RootModel());
    expandAll();
    SyncSelection();
}

void QxStudioObjectTree::AddChildren(QTreeWidgetItem* parentItem, const CQxObject& parent) {
    for (CQxObject* child : parent.GetChildren()) {
        auto* item = new QTreeWidgetItem(parentItem);
        item->setText(0, QString::fromUtf8(child->GetName()));
        item->setText(1, QString::fromUtf8(child->GetTypeName()));
        item->setData(0, kObjectRole, QVariant::fromValue(reinterpret_cast<quintptr>(child)));
        item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled);
        AddChildren(item, *child);
    }
}

CQxObject* QxStudioObjectTree::ObjectOf(const QTreeWidgetItem* item) const {
    return item ? reinterpret_cast<CQxObject*>(item->data(0, kObjectRole).value<quintptr>()) : nullptr;
}

QTreeWidgetItem* QxStudioObjectTree::ItemOf(const CQxObject* object) const {
    for (QTreeWidgetItemIterator it(const_cast<QxStudioObjectTree*>(this)); *it; ++it)
        if (ObjectOf(*it) == object) return *it;
    return nullptr;
}

void QxStudioObjectTree::SyncSelection() {
    SyncGuard guard(m_Syncing);
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        const CQxObject* object = ObjectOf(*it);
        (*it)->setSelected(object && object->IsSelect());
    }
}

void QxStudioObjectTree::RefreshNames() {
    SyncGuard guard(m_Syncing);
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        if (const CQxObject* object = ObjectOf(*it)) (*it)->setText(0, QString::fromUtf8(object->GetName()));
}

void QxStudioObjectTree::OnSelectionChanged() {
    if (m_Syncing || !m_Scene) return;
    CQxSelects selects;
    for (QTreeWidgetItem* item : selectedItems())
        if (CQxObject* object = ObjectOf(item)) selects.Add(CQxSelect(object));
    SyncGuard guard(m_Syncing);
    if (selects.GetSize() == 0)
        m_Scene->UnselectObejcts(1);
    else
        m_Scene->SelectObjects(selects, QX_SELECT_REPLACE, 1);
}

void QxStudioObjectTree::OnItemChanged(QTreeWidgetItem* item, int column) {
    if (m_Syncing || !m_Scene || column != 0) return;
    CQxObject* object = ObjectOf(item);
    if (!object) return;
    QByteArray name = item->text(0).toUtf8();
    if (name == QByteArray(object->GetName())) return;
    if (name.isEmpty() || !m_Scene->ModifyObjectCmd(QX_MODIFY_NAME, object, name.data(), 1)) {
        // Refused: the item shows the name the object kept.
        SyncGuard guard(m_Syncing);
        item->setText(0, QString::fromUtf8(object->GetName()));
    }
}

bool QxStudioObjectTree::CarriesItems(const QDropEvent* event) {
    return event->mimeData() && event->mimeData()->hasFormat("application/x-qabstractitemmodeldatalist");
}

void QxStudioObjectTree::dragEnterEvent(QDragEnterEvent* event) {
    QTreeWidget::dragEnterEvent(event);
    if (CarriesItems(event)) event->acceptProposedAction();
}

void QxStudioObjectTree::dragMoveEvent(QDragMoveEvent* event) {
    QTreeWidget::dragMoveEvent(event);
    if (CarriesItems(event)) event->acceptProposedAction();
}

QAbstractItemView::DropIndicatorPosition QxStudioObjectTree::DropPlace(QPoint point,
                                                                       QTreeWidgetItem* item) const {
    if (!item) return OnViewport;
    // The outer quarters of a row put the object beside the item, the middle into it.
    const QRect row = visualItemRect(item);
    const int margin = std::max(row.height() / 4, 1);
    if (point.y() < row.top() + margin) return AboveItem;
    if (point.y() > row.bottom() - margin) return BelowItem;
    return OnItem;
}

bool QxStudioObjectTree::MoveTo(CQxObject* object, QTreeWidgetItem* target, DropIndicatorPosition place) {
    CQxObject* targetObject = ObjectOf(target);
    switch (place) {
    case OnItem:
        return targetObject && m_Scene->MoveObjectCmd(object, targetObject, 0, 1);
    case AboveItem:
        return targetObject && m_Scene->MoveObjectCmd(object, targetObject, 1, 1);
    case BelowItem: {
        // Before the next sibling, or last below the parent.
        QTreeWidgetItem* parentItem = target->parent();
        QTreeWidgetItem* next = parentItem ? parentItem->child(parentItem->indexOfChild(target) + 1)
                                           : topLevelItem(indexOfTopLevelItem(target) + 1);
        if (CQxObject* before = ObjectOf(next); before && before != object)
            return m_Scene->MoveObjectCmd(object, before, 1, 1);
        CQxObject* parent = parentItem ? ObjectOf(parentItem) : &m_Scene->RootModel();
        return m_Scene->MoveObjectCmd(object, parent, 0, 1);
    }
    case OnViewport:
        return m_Scene->MoveObjectCmd(object, &m_Scene->RootModel(), 0, 1);
    }
    return false;
}

void QxStudioObjectTree::dropEvent(QDropEvent* event) {
    // The scene's move command does the move; the widget's own move is never made.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    CQxObject* object = ObjectOf(currentItem());
    if (!m_Scene || !object || !CarriesItems(event)) return;
    const QPoint point = event->position().toPoint();
    QTreeWidgetItem* target = itemAt(point);
    if (target == currentItem()) return;
    if (!MoveTo(object, target, DropPlace(point, target))) Rebuild();
}
