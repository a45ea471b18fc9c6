#include <gtest/gtest.h>

#include <filesystem>

#include "play_fixture.h"

namespace fs = std::filesystem;

namespace {

// The sample renamed, so that the program can only find it through the starter.
class SceneProgram : public PlayFixture {
protected:
    void SetUp() override {
        WriteSample();
        fs::rename("../Fps.kel", "Level one.kel");
    }
};

} // namespace

TEST_F(SceneProgram, StartsOnAFileOfAnyNameAndGivesTheWorkingFolderBack) {
    const fs::path before = fs::current_path();
    ASSERT_EQ(QxStartSceneProgram(scene(), &host, "Level one.kel"), 1);
    EXPECT_EQ(fs::current_path(), before);
    ASSERT_NE(State(), nullptr);
    EXPECT_NE(State()->GetMenu(), nullptr) << "the program read the scene and found its menu";
    EXPECT_EQ(scene().SimManager().GetMsgHandler(), &host);
}

TEST_F(SceneProgram, AMissingFileStartsNothing) {
    const fs::path before = fs::current_path();
    EXPECT_EQ(QxStartSceneProgram(scene(), &host, "no such level.kel"), 0);
    EXPECT_EQ(QxStartSceneProgram(scene(), &host, nullptr), 0);
    EXPECT_EQ(scene().SimManager().GetRootSimulator(), nullptr);
    EXPECT_EQ(fs::current_path(), before);
}
