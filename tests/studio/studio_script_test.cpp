// The studio as a program under a real X server (Xvfb, started here): the scripted session of
// assets/scripts/studio_tour.txt, checked by the files it saves and the pixels it shows.
#include <QImage>
#include <QSet>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "qx/scene/scene.h"
#include "scratch_dir.h"
#include "studio_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

// Waits for a child up to a time limit; kills it past that. The exit status, or -1.
int WaitFor(pid_t pid, std::chrono::seconds limit) {
    const auto end = Clock::now() + limit;
    int status = 0;
    while (Clock::now() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// A virtual X display for the length of a test.
class XvfbDisplay {
public:
    XvfbDisplay() {
        for (int number = 100 + getpid() % 400; number < 1000 && m_Pid <= 0; number += 7) {
            if (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) continue;
            m_Name = ":" + std::to_string(number);
            m_Pid = fork();
            if (m_Pid == 0) {
                const int quiet = open("/dev/null", O_WRONLY);
                dup2(quiet, 1);
                dup2(quiet, 2);
                execlp("Xvfb", "Xvfb", m_Name.c_str(), "-screen", "0", "1600x1000x24", "-nolisten", "tcp",
                       static_cast<char*>(nullptr));
                _exit(127);
            }
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
            const auto end = Clock::now() + std::chrono::seconds(10);
            while (Clock::now() < end && !std::filesystem::exists(socket)) {
                int status = 0;
                if (waitpid(m_Pid, &status, WNOHANG) == m_Pid) {
                    m_Pid = -1;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (m_Pid > 0 && !std::filesystem::exists(socket)) Stop();
        }
    }
    ~XvfbDisplay() { Stop(); }
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool IsRunning() const { return m_Pid > 0; }
    const std::string& Name() const { return m_Name; }

private:
    void Stop() {
        if (m_Pid <= 0) return;
        kill(m_Pid, SIGTERM);
        WaitFor(m_Pid, std::chrono::seconds(5));
        m_Pid = -1;
    }
    pid_t m_Pid = -1;
    std::string m_Name;
};

// Each line of a screenshot's layout file: a panel's name and its rectangle in the picture.
std::map<std::string, QRect> ReadLayout(const std::string& path) {
    std::map<std::string, QRect> panels;
    std::ifstream in(path);
    std::string name;
    int x = 0, y = 0, w = 0, h = 0;
    while (in >> name >> x >> y >> w >> h) panels[name] = QRect(x, y, w, h);
    return panels;
}

int HighlightNear(const QImage& picture, QPoint point, int radius) {
    int count = 0;
    for (int y = point.y() - radius; y <= point.y() + radius; ++y)
        for (int x = point.x() - radius; x <= point.x() + radius; ++x)
            if (picture.valid(x, y)) count += QxIsSelectColour(picture.pixel(x, y)) ? 1 : 0;
    return count;
}

int DistinctColours(const QImage& picture, const QRect& box) {
    QSet<QRgb> colours;
    for (int y = box.top(); y <= box.bottom(); y += 3)
        for (int x = box.left(); x <= box.right(); x += 3)
            if (picture.valid(x, y)) colours.insert(picture.pixel(x, y));
    return static_cast<int>(colours.size());
}

CQxObject* FindIn(CQxScene& scene, const char* name) {
    for (CQxObject::Iterator it = scene.RootModel().Begin(); !it.IsEnd(); ++it)
        if (std::string(it.Get()->GetName()) == name) return it.Get();
    return nullptr;
}

std::string Asset(const std::string& path) {
    const char* data = std::getenv("QX_TEST_DATA");
    return std::filesystem::absolute(std::string(data ? data : "assets") + "/" + path).string();
}

} // namespace

class StudioScript : public ::testing::Test {
protected:
    QxScratchDir m_Dir;

    // Runs the studio on the display in the scratch folder; its exit status.
    int RunStudio(const std::string& display, const std::string& scene, const std::string& script) {
        const std::string config = m_Dir.File("config");
        std::filesystem::create_directories(config + "/runtime");
        std::filesystem::permissions(config + "/runtime", std::filesystem::perms::owner_all);
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(m_Dir.Path().c_str()) != 0) _exit(126);
            setenv("DISPLAY", display.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            setenv("XDG_CONFIG_HOME", config.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", (config + "/runtime").c_str(), 1);
            execl(QX_STUDIO_BINARY, "qxstudio", scene.c_str(), "--script", script.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        return WaitFor(pid, std::chrono::seconds(120));
    }
};

TEST_F(StudioScript, PickDragUndoAndSaveOnTheSampleRobot) {
    XvfbDisplay display;
    if (!display.IsRunning())
        GTEST_SKIP() << "*** Xvfb could not start: the scripted studio session did NOT run ***";
    ASSERT_EQ(0, RunStudio(display.Name(), Asset("scenes/robot.kel"), Asset("scripts/studio_tour.txt")));

    // The files: the drag moved Body right along X, and undo put it back.
    CQxScene moved, undone;
    ASSERT_TRUE(moved.ReadFile(m_Dir.File("moved.kel").c_str(), 0));
    ASSERT_TRUE(undone.ReadFile(m_Dir.File("undone.kel").c_str(), 0));
    ASSERT_NE(nullptr, FindIn(moved, "Body"));
    EXPECT_GT(FindIn(moved, "Body")->Translate().x, 1.0f) << "the drag moved Body along X";
    EXPECT_FLOAT_EQ(0.0f, FindIn(moved, "Body")->Translate().y) << "and only along X";
    EXPECT_FLOAT_EQ(0.0f, FindIn(undone, "Body")->Translate().x) << "undo put Body back";
    EXPECT_NE(nullptr, FindIn(undone, "Hip")) << "the rest of the scene was saved too";

    // The pictures: every panel is there and drawn; the highlight appears where Body was clicked.
    const auto layout = ReadLayout(m_Dir.File("selected.png.layout"));
    for (const char* panel : {"ObjectsDock", "PropertiesDock", "TimelineDock", "MessagesDock", "Perspective",
                              "Front", "Side", "Top"}) {
        ASSERT_TRUE(layout.count(panel)) << panel << " is shown";
        EXPECT_GT(layout.at(panel).width(), 50) << panel;
        EXPECT_GT(layout.at(panel).height(), 30) << panel;
    }
    const QImage opened(QString::fromStdString(m_Dir.File("opened.png")));
    const QImage selected(QString::fromStdString(m_Dir.File("selected.png")));
    const QImage undonePicture(QString::fromStdString(m_Dir.File("undone.png")));
    ASSERT_FALSE(selected.isNull());
    for (const char* view : {"Perspective", "Front", "Side", "Top"})
        EXPECT_GT(DistinctColours(selected, layout.at(view)), 8) << view << " shows a rendered scene";
    const QRect front = layout.at("Front");
    const QPoint click(front.x() + front.width() / 2, front.y() + front.height() * 37 / 100);
    EXPECT_EQ(0, HighlightNear(opened, click, 40)) << "no highlight before the click";
    EXPECT_GT(HighlightNear(selected, click, 40), 20) << "Body is highlighted where it was clicked";
    EXPECT_GT(HighlightNear(undonePicture, click, 40), 20) << "and there again after the undo";
}
