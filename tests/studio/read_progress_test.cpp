// The load progress: the bytes a reader of this process has read of the file.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "read_progress.h"
#include "scratch_dir.h"

TEST(ReadProgress, FollowsTheOffsetOfTheDescriptorOpenOnTheFile) {
    QxScratchDir dir;
    const std::string path = dir.Write("scene.kel", std::string(1000, 'x'));
    QxStudioReadProgress progress(QString::fromStdString(path));
    EXPECT_EQ(-1, progress.Percent()) << "no reader has the file open yet";

    const int file = open(path.c_str(), O_RDONLY);
    ASSERT_GE(file, 0);
    EXPECT_EQ(0, progress.Percent());
    char buffer[250];
    ASSERT_EQ(250, read(file, buffer, sizeof buffer));
    EXPECT_EQ(25, progress.Percent());
    lseek(file, 0, SEEK_END);
    EXPECT_EQ(100, progress.Percent());
    close(file);
    EXPECT_EQ(-1, progress.Percent()) << "the file was closed: the scene is being built";
}
