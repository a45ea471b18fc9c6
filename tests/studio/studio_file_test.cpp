// Files in the studio: bad input never loses work.
#include <QFile>
#include <QProgressBar>
#include <QTimer>

#include "message_log_panel.h"
#include "qx/scene/scene.h"
#include "scratch_dir.h"
#include "studio_fixture.h"

class StudioFile : public QxStudioTest {
protected:
    QxScratchDir m_Dir;
    QString File(const char* name) const { return QString::fromStdString(m_Dir.File(name)); }
};

TEST_F(StudioFile, SavedSceneOpensAgainWithItsObjectsAndIsRemembered) {
    OpenSample();
    Window().Action("create.cube")->trigger();
    ASSERT_TRUE(Window().IsModified());
    ASSERT_TRUE(Window().SaveFileAs(File("saved.kel")));
    EXPECT_FALSE(Window().IsModified()) << "a save marks the scene unchanged";

    ASSERT_TRUE(Window().NewScene());
    EXPECT_EQ(0u, Scene().RootModel().GetChildCount());
    ASSERT_TRUE(Window().OpenFile(File("saved.kel")));
    EXPECT_NE(nullptr, Find("Body"));
    EXPECT_EQ(2u, Scene().RootModel().GetChildCount()) << "the robot and the new cube";
    EXPECT_EQ(File("saved.kel"), Window().RecentFiles().value(0)) << "the newest file leads the recent list";
}

TEST_F(StudioFile, ImportAddsToTheOpenSceneUndoablyAndExportWritesTheFormat) {
    OpenSample();
    const char* data = std::getenv("QX_TEST_DATA");
    const QString dxf = QString::fromUtf8(data ? data : "assets") + "/dxf/cube_r12.dxf";
    ASSERT_TRUE(Window().ImportFile(dxf));
    EXPECT_EQ(2u, Scene().RootModel().GetChildCount()) << "the robot and the imported mesh";
    EXPECT_NE(nullptr, Find("Body")) << "the open scene is kept";
    Trigger("edit.undo");
    EXPECT_EQ(1u, Scene().RootModel().GetChildCount());

    ASSERT_TRUE(Window().ExportFile(File("robot.x")));
    EXPECT_EQ(0u, QxScratchDir::Read(m_Dir.File("robot.x")).rfind("xof ", 0)) << "a DirectX text file";
    EXPECT_TRUE(Window().FilePath().endsWith("robot.kel")) << "exporting does not rename the document";
}

TEST_F(StudioFile, AFileThatFailsToLoadLeavesTheOpenSceneAsItWas) {
    OpenSample();
    Window().Action("create.sphere")->trigger();
    const unsigned int commands = Scene().CmdManager().GetCount();
    const std::string broken = m_Dir.Write("broken.kel", "<Scene><Objects><Object Name=\"x\"");
    const int messages = Window().MessageLog().Count();

    EXPECT_FALSE(Window().OpenFile(QString::fromStdString(broken)));
    EXPECT_NE(nullptr, Find("Body")) << "the open scene is still there";
    EXPECT_EQ(commands, Scene().CmdManager().GetCount()) << "with its history";
    EXPECT_TRUE(Window().IsModified()) << "and its unsaved change";
    EXPECT_GT(Window().MessageLog().Count(), messages) << "the failure is in the message log";
}

TEST_F(StudioFile, AnUnsupportedFileShowsTheLibrarysMessage) {
    OpenSample();
    EXPECT_FALSE(Window().OpenFile(QString::fromStdString(m_Dir.Write("notes.txt", "hello"))));
    EXPECT_TRUE(Window().MessageLog().toPlainText().contains(QString::fromUtf8("対応してないファイルです.")));
    EXPECT_NE(nullptr, Find("Body"));
}

TEST_F(StudioFile, AFailedSaveKeepsTheOldFileAndSaysSo) {
    OpenSample();
    const QString path = File("kept.kel");
    ASSERT_TRUE(Window().SaveFileAs(path));
    const std::string before = QxScratchDir::Read(path.toStdString());
    Window().Action("create.torus")->trigger();

    // As on a full disk: the write stops part way.
    const bool saved = QxWithFileSizeLimit(64, [&] { return Window().SaveFileAs(path); });
    EXPECT_FALSE(saved);
    EXPECT_EQ(before, QxScratchDir::Read(path.toStdString())) << "the old file is whole";
    EXPECT_TRUE(Window().MessageLog().LastText().contains("Could not save")) << "the studio says so";
    EXPECT_TRUE(Window().IsModified()) << "the change is still unsaved";
}

TEST_F(StudioFile, ClosingWithUnsavedChangesAsksFirst) {
    Window().Action("create.cube")->trigger();
    Window().MessageLog().SetUnattended(true, IDCANCEL);
    EXPECT_FALSE(Window().close()) << "cancel keeps the window";
    EXPECT_TRUE(Window().MessageLog().LastText().contains("Save the changes"));

    Window().MessageLog().SetUnattended(true, IDNO);
    EXPECT_TRUE(Window().close()) << "no lets the changes go";
}

TEST_F(StudioFile, ClosingAnUnchangedSceneAsksNothing) {
    OpenSample();
    const int messages = Window().MessageLog().Count();
    Window().MessageLog().SetUnattended(true, IDCANCEL);
    EXPECT_TRUE(Window().close());
    EXPECT_EQ(messages, Window().MessageLog().Count());
}

TEST_F(StudioFile, TheWindowKeepsRunningWhileAFileIsRead) {
    // A plane of 300 x 300 quads: a file the reader takes a while over.
    ASSERT_NE(nullptr, Scene().CreateObjectCmd(nullptr, 0, QX_OBJ_PLANE, 1, 100.0, 100.0, 300u, 300u));
    ASSERT_TRUE(Window().SaveFileAs(File("big.kel")));
    int ticks = 0;
    bool busyShown = false;
    QTimer timer;
    timer.callOnTimeout([&] {
        ++ticks;
        busyShown = busyShown || Window().findChild<QProgressBar*>("LoadProgress")->isVisible();
    });
    timer.start(5);
    ASSERT_TRUE(Window().OpenFile(File("big.kel")));
    timer.stop();
    EXPECT_GT(ticks, 0) << "the event loop ran during a read of " << Window().LastReadMs() << " ms";
    EXPECT_TRUE(busyShown) << "the busy bar was shown";
    EXPECT_FALSE(Window().findChild<QProgressBar*>("LoadProgress")->isVisible()) << "and is gone after";
    EXPECT_EQ(1u, Scene().RootModel().GetChildCount());
}
