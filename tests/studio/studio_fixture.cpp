#include "studio_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTest>

#include <cstdlib>

#include "message_log_panel.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"
#include "view_panel.h"

namespace {

// One QApplication for the whole program, on the offscreen platform, with the settings in a
// folder of the test run (never the user's).
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        const QString config =
            QDir::tempPath() + "/qx_studio_test_" + QString::number(QCoreApplication::applicationPid());
        QDir().mkpath(config + "/runtime");
        QFile::setPermissions(config + "/runtime",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        qputenv("XDG_RUNTIME_DIR", (config + "/runtime").toUtf8());
        m_Config = config;
        // The offscreen platform says on every window that it cannot do what only a real
        // display does (size hints, mouse grabs); nothing a test checks.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.startsWith("This plugin does not support")) qt_message_output(type, context, text);
        });
        m_App = std::make_unique<QApplication>(m_Argc, m_Argv);
    }
    void TearDown() override {
        m_App.reset();
        QDir(m_Config).removeRecursively();
    }

private:
    int m_Argc = 1;
    char m_Name[16] = "qx_studio_test";
    char* m_Argv[2] = {m_Name, nullptr};
    QString m_Config;
    std::unique_ptr<QApplication> m_App;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

void QxStudioTest::SetUp() {
    m_Window = std::make_unique<QxStudioMainWindow>();
    m_Window->MessageLog().SetUnattended(true, IDNO);
    m_Window->show();
    Settle();
}

void QxStudioTest::TearDown() {
    m_Window->MessageLog().SetUnattended(true, IDNO);
    m_Window->close();
    m_Window.reset();
}

std::string QxStudioTest::SamplePath() {
    const char* data = std::getenv("QX_TEST_DATA");
    return std::string(data ? data : "assets") + "/scenes/robot.kel";
}

void QxStudioTest::OpenSample() {
    ASSERT_TRUE(m_Window->OpenFile(QString::fromStdString(SamplePath())));
    Settle();
}

CQxObject* QxStudioTest::Find(const char* name) {
    for (CQxObject::Iterator it = Scene().RootModel().Begin(); !it.IsEnd(); ++it)
        if (std::string(it.Get()->GetName()) == name) return it.Get();
    return nullptr;
}

QPoint QxStudioTest::CentreIn(QxStudioViewPanel& view, CQxObject* object) {
    Scene().SelectObject(CQxSelect(object), QX_SELECT_REPLACE, 1);
    const CQxManipulator* manipulator = Scene().GetManipulator();
    const CQxVector centre = manipulator ? manipulator->Translate() : CQxVector();
    Scene().UnselectObejcts(1);
    view.RenderNow();
    CQxCamera& camera = view.Camera();
    camera.UpdateMatrices(static_cast<unsigned int>(view.width()), static_cast<unsigned int>(view.height()));
    const CQxPoint point = QxScreenPoint(camera, centre);
    return QPoint(point.x, point.y);
}

void QxStudioTest::Trigger(const char* name) {
    Settle(5);
    QAction* action = m_Window->Action(name);
    ASSERT_NE(nullptr, action) << "no action " << name;
    ASSERT_TRUE(action->isEnabled()) << name << " is disabled";
    action->trigger();
    Settle(5);
}

void QxStudioTest::Settle(int ms) {
    QTest::qWait(ms);
}

bool QxIsSelectColour(unsigned int argb) {
    const unsigned int r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    return r > 200 && g > 30 && g < 110 && b < 50;
}
