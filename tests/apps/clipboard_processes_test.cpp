#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"
#include "scene_dump.h"
#include "scratch_dir.h"

namespace {

// Two runs of qxtool, one copying and one pasting, meet only through the clipboard file: what
// one process put on the clipboard, the other reads.
class ClipboardProcesses : public ::testing::Test {
protected:
    ClipboardProcesses() {
        ::setenv("QX_CLIPBOARD_FILE", m_Dir.File("clipboard").c_str(), 1);
        CQxScene source;
        CQxObject* grid = QxAdd(source.RootModel(), QxNewGrid().release(), "Grid");
        grid->Translate() = CQxVector(1.0f, 2.0f, 3.0f);
        QxAdd(source.RootModel(), QxNewCube(1.0f), "Cube");
        EXPECT_TRUE(source.WriteFile(m_Dir.File("source.kel").c_str()));
        // What the copying process reads (the file keeps no corner flags).
        CQxScene read;
        EXPECT_TRUE(read.ReadFile(m_Dir.File("source.kel").c_str(), 0));
        m_Grid = QxDumpGeometry(*read.RootModel().FindName("Grid"));
        CQxScene empty;
        EXPECT_TRUE(empty.WriteFile(m_Dir.File("empty.kel").c_str()));
    }
    ~ClipboardProcesses() override { ::unsetenv("QX_CLIPBOARD_FILE"); }

    // qxtool's exit status.
    int Run(const std::string& arguments) {
        const std::string command = std::string(QX_QXTOOL) + " " + arguments + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string File(const char* name) const { return m_Dir.File(name); }

    QxScratchDir m_Dir;
    std::string m_Grid;
};

TEST_F(ClipboardProcesses, GeometryCopiedByOneProcessPastesInAnotherElementForElement) {
    ASSERT_EQ(Run("copy " + File("source.kel") + " Grid"), 0);
    ASSERT_EQ(Run("paste " + File("empty.kel") + " " + File("out.kel")), 0);
    CQxScene pasted;
    ASSERT_TRUE(pasted.ReadFile(File("out.kel").c_str(), 0));
    const CQxObject* mesh = pasted.RootModel().GetChild(0);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(QxDumpGeometry(*mesh), m_Grid) << "one object: positions in its own space";
}

TEST_F(ClipboardProcesses, ADamagedClipboardPastesNothingAndWritesNothing) {
    ASSERT_EQ(Run("copy " + File("source.kel")), 0);
    std::filesystem::resize_file(File("clipboard"), std::filesystem::file_size(File("clipboard")) - 3);
    EXPECT_EQ(Run("paste " + File("empty.kel") + " " + File("out.kel")), 1);
    EXPECT_FALSE(std::filesystem::exists(File("out.kel")));
}

TEST_F(ClipboardProcesses, AnEmptyClipboardPastesNothing) {
    EXPECT_EQ(Run("paste " + File("empty.kel") + " " + File("out.kel")), 1);
    EXPECT_FALSE(std::filesystem::exists(File("out.kel")));
}

} // namespace
