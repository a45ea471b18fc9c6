#include <gtest/gtest.h>

#include <string>

#include "message_recorder.h"
#include "qx/play/widget.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "scratch_dir.h"

namespace {

// The widget trees of scene files: every test works in a folder of its own.
class KelWidgets : public ::testing::Test {
protected:
    static CQxWidget* Add(CQxWidget& parent, QX_WDG_TYPE type, const char* name, const char* text,
                          const CQxRect& rect, int visible = 1) {
        auto* widget = new CQxWidget(type);
        widget->SetName(name);
        widget->SetText(text);
        widget->Rect() = rect;
        widget->SetVisible(visible, 0);
        parent.PushChild(widget);
        return widget;
    }
    // A file holding the root model's widget group with the given elements inside it.
    std::string WriteScene(const std::string& name, const std::string& widgets) {
        return m_Dir.Write(name, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Scene><Model><Name>Root</Name>"
                                 "<Widgets><Group><Name>Root</Name>" +
                                     widgets + "</Group></Widgets></Model></Scene>");
    }
    // One line per widget in pre-order: depth, kind, name, text, rectangle, visibility.
    static std::string Describe(const CQxWidget& root) {
        std::string out;
        for (auto it = CQxWidget::Iterator(const_cast<CQxWidget*>(&root)); !it.IsEnd(); ++it) {
            const CQxRect& r = it->Rect();
            out += std::to_string(it.GetPositions().GetSize()) + " " + it->GetTypeName() + " [" + it->GetName() +
                   "] [" + it->GetText() + "] " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                   std::to_string(r.right) + "," + std::to_string(r.bottom) + (it->IsVisible() ? "" : " hidden") +
                   "\n";
        }
        return out;
    }
    CQxWidget& RootWidget() { return m_Scene.RootModel().RootWidget(); }

    QxScratchDir m_Dir;
    QxMessageRecorder m_Messages;
    CQxScene m_Scene;
};

} // namespace

TEST_F(KelWidgets, EveryKindNestedAndHiddenComesBackAndASecondSaveIsIdentical) {
    CQxWidget& root = RootWidget();
    Add(root, QX_WDG_STATIC, "Title", "遊ぶ <&> \"quoted\"", CQxRect(10, 10, 300, 40));
    CQxWidget* menu = Add(root, QX_WDG_GROUP, "MainMenu", "", CQxRect(), 0);
    Add(*menu, QX_WDG_BUTTON, "Start", "Start", CQxRect(20, 50, 120, 70));
    Add(*menu, QX_WDG_CHECK, "Sound", "Sound", CQxRect(20, 80, 120, 100), 0);
    Add(*menu, QX_WDG_EDIT, "Player", "Name", CQxRect(-5, -7, 120, 130));
    CQxWidget* inner = Add(*menu, QX_WDG_GROUP, "Inner", "", CQxRect());
    Add(*inner, QX_WDG_STATIC, "", "", CQxRect(0, 0, 0, 0));
    const std::string expected = Describe(root);

    const std::string first = m_Dir.File("first.kel"), second = m_Dir.File("second.kel");
    ASSERT_EQ(m_Scene.WriteFile(first.c_str()), 1);
    CQxScene read;
    ASSERT_EQ(read.ReadFile(first.c_str(), 0), 1);
    EXPECT_EQ(Describe(read.RootModel().RootWidget()), expected);
    ASSERT_EQ(read.WriteFile(second.c_str()), 1);
    EXPECT_EQ(QxScratchDir::Read(second), QxScratchDir::Read(first));
    EXPECT_TRUE(m_Messages.Boxes().empty());
}

TEST_F(KelWidgets, TheElementHoldsTheRootGroupWithNameTextRectAndVisibleInOrder) {
    Add(RootWidget(), QX_WDG_BUTTON, "Quit", "Quit", CQxRect(1, 2, 3, 4), 0);
    const std::string path = m_Dir.File("order.kel");
    ASSERT_EQ(m_Scene.WriteFile(path.c_str()), 1);
    std::string text = QxScratchDir::Read(path);
    std::erase_if(text, [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
    EXPECT_NE(text.find("<Widgets><Group><Name>Root</Name><Text/><Rect>0,0,0,0</Rect><Visible>True</Visible>"
                        "<Button><Name>Quit</Name><Text>Quit</Text><Rect>1,2,3,4</Rect><Visible>False</Visible>"
                        "</Button></Group></Widgets>"),
              std::string::npos)
        << text;
}

// --- Damaged files ---------------------------------------------------------------------------

TEST_F(KelWidgets, UnknownElementsAndBadValuesAreSkipped) {
    const std::string path = WriteScene("bad.kel", "<Static><Name>a</Name><Rect>1,2,3</Rect><Visible>maybe</Visible>"
                                                   "<Slider><Static><Name>lost</Name></Static></Slider></Static>"
                                                   "<Button><Rect>1,2,x,4</Rect></Button>");
    ASSERT_EQ(m_Scene.ReadFile(path.c_str(), 0), 1);
    EXPECT_EQ(Describe(RootWidget()), "0 Group [Root] [] 0,0,0,0\n"
                                      "1 Static [a] [] 0,0,0,0\n"
                                      "1 Button [] [] 0,0,0,0\n");
}

TEST_F(KelWidgets, NestingFarTooDeepStopsAtAFixedDepth) {
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<Group><Name>g</Name>";
    for (int i = 0; i < 5000; ++i) deep += "</Group>";
    ASSERT_EQ(m_Scene.ReadFile(WriteScene("deep.kel", deep).c_str(), 0), 1);
    unsigned int depth = 0;
    for (const CQxWidget* w = &RootWidget(); w->GetChildCount(); w = w->GetChild(0)) ++depth;
    EXPECT_GT(depth, 100u);
    EXPECT_LT(depth, 5000u);
    // What was kept saves and reads again.
    const std::string path = m_Dir.File("again.kel");
    ASSERT_EQ(m_Scene.WriteFile(path.c_str()), 1);
    CQxScene read;
    EXPECT_EQ(read.ReadFile(path.c_str(), 0), 1);
}

TEST_F(KelWidgets, TextThatIsNotUtf8RefusesTheWholeFile) {
    const std::string path = WriteScene("latin1.kel", "<Static><Name>caf\xE9</Name></Static>");
    EXPECT_EQ(m_Scene.ReadFile(path.c_str(), 0), 0);
    EXPECT_EQ(RootWidget().GetChildCount(), 0u);
    EXPECT_EQ(m_Scene.RootModel().GetChildCount(), 0u);
}
