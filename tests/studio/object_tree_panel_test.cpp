// The object tree panel: what it shows follows the scene's notices; selecting, renaming and
// dropping items are the scene's commands.
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

#include "object_tree_panel.h"
#include "qx/scene/scene.h"
#include "studio_fixture.h"

class ObjectTreePanel : public QxStudioTest {
protected:
    QxStudioObjectTree& Tree() { return Window().ObjectTree(); }
    QTreeWidgetItem* Item(const char* name) { return Tree().ItemOf(Find(name)); }
    QPoint Centre(QTreeWidgetItem* item) { return Tree().visualItemRect(item).center(); }

    // Types text into an item's editor the way an input method commits it.
    void TypeName(QTreeWidgetItem* item, const QString& text) {
        Tree().editItem(item, 0);
        Settle();
        auto* editor = Tree().viewport()->findChild<QLineEdit*>();
        ASSERT_NE(nullptr, editor) << "the item opens an editor";
        editor->selectAll();
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(editor, &commit);
        QTest::keyClick(editor, Qt::Key_Return);
        Settle();
    }
};

TEST_F(ObjectTreePanel, ShowsTheObjectTreeOfAnOpenedFile) {
    OpenSample();
    // Robot
    // ├─ Body
    // │  └─ Head
    // └─ Hip
    ASSERT_NE(nullptr, Item("Robot"));
    EXPECT_EQ(Item("Robot"), Item("Body")->parent());
    EXPECT_EQ(Item("Body"), Item("Head")->parent());
    EXPECT_EQ(Item("Robot"), Item("Hip")->parent());
    EXPECT_EQ("Mesh", Item("Body")->text(1));
}

TEST_F(ObjectTreePanel, ClickingAnItemSelectsItsObject) {
    OpenSample();
    QTest::mouseClick(Tree().viewport(), Qt::LeftButton, Qt::NoModifier, Centre(Item("Hip")));
    EXPECT_TRUE(Find("Hip")->IsSelect());
    EXPECT_FALSE(Find("Body")->IsSelect());
    // And the other way: a selection made in the scene shows in the tree.
    Scene().SelectObject(CQxSelect(Find("Body")), QX_SELECT_REPLACE, 1);
    EXPECT_TRUE(Item("Body")->isSelected());
    EXPECT_FALSE(Item("Hip")->isSelected());
}

TEST_F(ObjectTreePanel, TypingAJapaneseNameRenamesTheObjectUndoably) {
    OpenSample();
    const QString name = QString::fromUtf8("胴体ボディ");
    TypeName(Item("Body"), name);
    CQxObject* body = Scene().RootModel().GetChild(0)->GetChild(0);
    EXPECT_STREQ("胴体ボディ", body->GetName()) << "the name is kept in UTF-8, byte for byte";
    EXPECT_EQ(name, Tree().ItemOf(body)->text(0));
    EXPECT_TRUE(Window().Action("edit.undo")->text().startsWith(QString::fromUtf8("元に戻す")));

    Trigger("edit.undo");
    Settle();
    EXPECT_STREQ("Body", body->GetName());
    EXPECT_EQ("Body", Tree().ItemOf(body)->text(0)) << "undo shows the old name";
}

TEST_F(ObjectTreePanel, AnEmptyNameIsRefusedAndTheOldNameShown) {
    OpenSample();
    TypeName(Item("Hip"), QString());
    EXPECT_NE(nullptr, Find("Hip"));
    EXPECT_EQ("Hip", Item("Hip")->text(0));
}

TEST_F(ObjectTreePanel, DroppingAnItemOnAnotherReparentsItsObject) {
    OpenSample();
    QTreeWidgetItem* hip = Item("Hip");
    QTreeWidgetItem* head = Item("Head");
    Tree().setCurrentItem(hip);
    // The drag as Qt delivers it: enter and move over the target item, then drop on it.
    QMimeData* data = Tree().model()->mimeData(Tree().selectionModel()->selectedIndexes());
    const QPoint target = Centre(head);
    QDragEnterEvent enter(target, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Tree().viewport(), &enter);
    QDragMoveEvent move(target, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Tree().viewport(), &move);
    QDropEvent drop(QPointF(target), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Tree().viewport(), &drop);
    Settle();
    delete data;

    EXPECT_EQ(Find("Head"), Find("Hip")->GetParent()) << "Hip now hangs below Head";
    EXPECT_EQ(Item("Head"), Item("Hip")->parent()) << "and the tree shows it there";
    Trigger("edit.undo");
    Settle();
    EXPECT_EQ(Find("Robot"), Find("Hip")->GetParent());
    EXPECT_EQ(Item("Robot"), Item("Hip")->parent());
}
