#include "qx/scene/scene.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "message_recorder.h"
#include "qx/platform/clipboard.h"
#include "qx/scene/app.h"
#include "scene_builders.h"

using namespace QxWin;

namespace {

// A scene whose readers and writers record their calls and give set results; the readers see
// what the scene held when they were called.
class FormatScene : public CQxScene {
public:
    std::vector<std::string> Calls;
    unsigned int ChildrenSeen = 0xFFFFFFFF;
    int Result = 1;
    // The MQO reader adds a model this wide.
    float ImportWidth = 0.0f;

    int ReadXmlFile(const char* path) override { return Read("xml", path); }
    int ReadMqoFile(const char* path) override { return Read("mqo", path); }
    int ReadDxfFile(const char* path) override { return Read("dxf", path); }
    int WriteXmlFile(const char* path) override { return Write("xml", path); }
    int WriteDxfFile(const char* path) override { return Write("dxf", path); }
    int WriteXFile(const char* path) override { return Write("x", path); }

private:
    int Read(const char* kind, const char* path) {
        Calls.push_back(std::string("read ") + kind + " " + path);
        ChildrenSeen = RootModel().GetChildCount();
        if (Result && ImportWidth > 0.0f) {
            auto* cube = new CQxCube;
            cube->Create(ImportWidth, 1.0f, 1.0f, 1, 1, 1, nullptr);
            RootModel().PushChild(cube);
        }
        return Result;
    }
    int Write(const char* kind, const char* path) {
        Calls.push_back(std::string("write ") + kind + " " + path + (IsPlaying() ? " playing" : ""));
        return Result;
    }
};

TEST(SceneFiles, ReadFileChoosesTheReaderByExtension) {
    QxMessageRecorder log;
    FormatScene scene;
    QxUpdateRecorder host(scene);
    QxAdd(scene.RootModel(), QxNewCube());

    // Unknown kinds are refused with a message and the content stays.
    EXPECT_EQ(scene.ReadFile("/data/model.obj", 1), 0);
    EXPECT_EQ(scene.ReadFile("/data/model.kel.d/model", 1), 0); // the dot is in a folder name
    ASSERT_EQ(log.Boxes().size(), 2u);
    EXPECT_EQ(log.Boxes()[0].Text, "対応してないファイルです.");
    EXPECT_EQ(log.Boxes()[0].Caption, "");
    EXPECT_TRUE(scene.Calls.empty());
    EXPECT_EQ(scene.RootModel().GetChildCount(), 1u);
    EXPECT_TRUE(host.Notices.empty());
    EXPECT_EQ(scene.ReadFile(nullptr, 1), 0);
    EXPECT_EQ(scene.ReadFile("", 1), 0);

    // Upper-case extensions work; the old content is gone before the reader runs.
    EXPECT_EQ(scene.ReadFile("/data/scenes/Walk.KEL", 1), 1);
    ASSERT_EQ(scene.Calls, (std::vector<std::string>{"read xml /data/scenes/Walk.KEL"}));
    EXPECT_EQ(scene.ChildrenSeen, 0u);
    EXPECT_STREQ(scene.FileDir(), "/data/scenes/");
    EXPECT_EQ(host.Types(), std::vector<unsigned int>{QX_UPDATE_FILE_READ});

    // Without update the host hears nothing; a failed read still reports its result.
    host.Notices.clear();
    scene.Result = 0;
    EXPECT_EQ(scene.ReadFile("C:\\models\\part.Dxf", 0), 0);
    EXPECT_EQ(scene.Calls.back(), "read dxf C:\\models\\part.Dxf");
    EXPECT_STREQ(scene.FileDir(), "C:\\models\\");
    EXPECT_TRUE(host.Notices.empty());
    EXPECT_EQ(log.Boxes().size(), 2u);
}

TEST(SceneFiles, MeshImportsFitTheGridOnlyOnSuccess) {
    FormatScene scene;
    scene.ImportWidth = 350.0f;
    scene.Result = 0;
    EXPECT_EQ(scene.ReadFile("wide.mqo", 0), 0);
    EXPECT_EQ(scene.GridLength(), 100.0f);

    scene.Result = 1;
    EXPECT_EQ(scene.ReadFile("wide.mqo", 0), 1);
    EXPECT_EQ(scene.Calls.back(), "read mqo wide.mqo");
    EXPECT_EQ(scene.GridLength(), 200.0f);
    EXPECT_STREQ(scene.FileDir(), "");

    scene.ImportWidth = 900.0f;
    EXPECT_EQ(scene.ReadFile("wider.DXF", 0), 1);
    EXPECT_EQ(scene.GridLength(), 600.0f);
    EXPECT_EQ(scene.RootModel().GetChildCount(), 1u); // the earlier import was cleared
}

TEST(SceneFiles, WriteFileChoosesTheWriterAndEndsPlayback) {
    QxMessageRecorder log;
    FormatScene scene;
    scene.TaskManager().Run();
    EXPECT_EQ(scene.WriteFile("/out/scene.Kel"), 1);
    EXPECT_EQ(scene.WriteFile("/out/shape.dxf"), 1);
    EXPECT_EQ(scene.WriteFile("/out/anim.X"), 1);
    EXPECT_EQ(scene.Calls, (std::vector<std::string>{"write xml /out/scene.Kel", "write dxf /out/shape.dxf",
                                                     "write x /out/anim.X"}));
    EXPECT_STREQ(scene.FileDir(), "/out/");
    EXPECT_TRUE(log.Boxes().empty());

    EXPECT_EQ(scene.WriteFile("/elsewhere/shape.obj"), 0);
    ASSERT_EQ(log.Boxes().size(), 1u);
    EXPECT_EQ(log.Boxes()[0].Text, "この形式には対応していません．");
    EXPECT_EQ(log.Boxes()[0].Caption, "ファイルの保存");
    EXPECT_EQ(scene.Calls.size(), 3u);
    EXPECT_STREQ(scene.FileDir(), "/elsewhere/");

    // The plain scene: .x files are never read, export has nothing to refuse.
    CQxScene plain;
    EXPECT_EQ(plain.ReadXFile("a.x"), 0);
    EXPECT_EQ(plain.ExportFile("a.x", &plain.RootModel()), 1);
}

TEST(SceneFiles, ReloadTexturesReportsEveryMissingFile) {
    QxMessageRecorder log;
    CQxScene scene;
    QxUpdateRecorder host(scene);
    CQxModel& model = scene.RootModel();
    CQxAttribute* attribute = model.CurAttribute();
    ASSERT_NE(attribute, nullptr);

    EXPECT_EQ(scene.ReloadTextures(&model, attribute, 1), 0); // no textures
    EXPECT_EQ(scene.ReloadTextures(&model, nullptr, 1), 0);
    EXPECT_TRUE(host.Notices.empty());

    // Found through the application's data directory; the two others are missing.
    const char* data = std::getenv("QX_TEST_DATA");
    ASSERT_NE(data, nullptr);
    const CQxString oldDataDir = CQxApp::Instance().DataDir();
    CQxApp::Instance().DataDir() = CQxString(data) + "/textures";
    for (const char* file : {"missing_a.png", "sample_rgba_4x2.png", "missing_b.bmp"}) {
        auto* stage = new CQxTextureStage;
        stage->Texture().SetPath(file);
        attribute->AddTextureStage(stage);
    }
    EXPECT_EQ(scene.ReloadTextures(&model, attribute, 1), 1);
    CQxApp::Instance().DataDir() = oldDataDir;

    EXPECT_TRUE(attribute->GetTextureStage(1)->IsLoaded());
    ASSERT_EQ(log.Boxes().size(), 1u);
    EXPECT_EQ(log.Boxes()[0].Text, "\"missing_a.png\",\n\"missing_b.bmp\"\nの読み込みに失敗しました.");
    EXPECT_EQ(log.Boxes()[0].Caption, "テクスチャーファイルの読み込み");
    ASSERT_EQ(host.Types(), (std::vector<unsigned int>{QX_UPDATE_ATTRIBUTE, QX_UPDATE_REDRAW}));
    EXPECT_EQ(host.Notices[0].Args[0], reinterpret_cast<std::uintptr_t>(&model));
    EXPECT_EQ(host.Notices[0].Args[1], reinterpret_cast<std::uintptr_t>(attribute));
    EXPECT_EQ(host.Notices[0].Args[2], 256u);
}

// How registered names behave is the platform's to test; here, that the scene's format is the one
// other processes find by its name.
TEST(SceneFiles, CopyFormatIsRegisteredOnceByName) {
    const unsigned int format = CQxScene::GetCopyFormat();
    EXPECT_EQ(CQxScene::GetCopyFormat(), format);
    EXPECT_EQ(RegisterClipboardFormatA("Kelmora Clipboard Format"), format);
}

} // namespace
