#include "qx/scene/app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "qx/graphics/settings.h"
#include "qx/platform/settings.h"
#include "qx/scene/scene.h"
#include "qx/scene/settings.h"
#include "scene_builders.h"
#include "scratch_dir.h"

using namespace QxWin;

namespace {

// Each test gets its own configuration folder, puts the five registry-backed settings back and
// leaves the application without identity, so nothing is written when the process ends.
class AppSettings : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) m_OldConfig = old;
        setenv("XDG_CONFIG_HOME", m_Config.Path().c_str(), 1);
    }
    void TearDown() override {
        CQxApp::Instance().SetAppInfo("", "", 1, 0);
        SetAll(m_Normal, m_Select, m_Pick, m_Undo, m_Decimal);
        if (m_OldConfig.empty())
            unsetenv("XDG_CONFIG_HOME");
        else
            setenv("XDG_CONFIG_HOME", m_OldConfig.c_str(), 1);
    }

    static void SetAll(unsigned long normal, unsigned long select, float pick, unsigned int undo,
                       int decimal) {
        QxNormalColor() = normal;
        QxSelectColor() = select;
        QxPickSize() = pick;
        QxUndoSize() = undo;
        QxFloatDecimal() = decimal;
    }

    CQxApp& m_App = CQxApp::Instance();
    QxScratchDir m_Config;
    std::string m_OldConfig;
    unsigned long m_Normal = QxNormalColor(), m_Select = QxSelectColor();
    float m_Pick = QxPickSize();
    unsigned int m_Undo = QxUndoSize();
    int m_Decimal = QxFloatDecimal();
};

TEST_F(AppSettings, RegistryNeedsCompanyAndProduct) {
    SetAll(0xFF010203, 0xFF040506, 9.0f, 77, 4);
    EXPECT_EQ(m_App.ReadReg(), 0);
    EXPECT_EQ(m_App.WriteReg(), 0);
    m_App.SetAppInfo("Kelmora Test", "", 1, 0);
    EXPECT_EQ(m_App.WriteReg(), 0);
    EXPECT_EQ(m_App.ReadReg(), 0);
    EXPECT_EQ(QxUndoSize(), 77u);
    EXPECT_FALSE(std::filesystem::exists(m_Config.Path() / "Kelmora Test"));
}

TEST_F(AppSettings, RegistryRoundTripsEverySetting) {
    m_App.SetAppInfo("Kelmora Test", "Scene App", 2, 7);
    // A missing key is no error and changes nothing.
    SetAll(0xFF010203, 0xFF040506, 9.0f, 77, 4);
    EXPECT_EQ(m_App.ReadReg(), 1);
    EXPECT_EQ(QxUndoSize(), 77u);

    ASSERT_EQ(m_App.WriteReg(), 1);
    EXPECT_TRUE(std::filesystem::exists(m_Config.Path() / "Kelmora Test" / "Scene App" / "settings.conf"));
    SetAll(0, 0, 1.0f, 1, 0);
    ASSERT_EQ(m_App.ReadReg(), 1);
    EXPECT_EQ(QxNormalColor(), 0xFF010203ul);
    EXPECT_EQ(QxSelectColor(), 0xFF040506ul);
    EXPECT_EQ(QxPickSize(), 9.0f);
    EXPECT_EQ(QxUndoSize(), 77u);
    EXPECT_EQ(QxFloatDecimal(), 4);
}

TEST_F(AppSettings, DamagedRegistryValuesLeaveTheirSettingAlone) {
    m_App.SetAppInfo("Kelmora Test", "Scene App", 2, 7);
    SetAll(0xFF010203, 0xFF040506, 9.0f, 77, 4);
    ASSERT_EQ(m_App.WriteReg(), 1);
    // A value of the wrong type, and a missing one; the others are read.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kelmora Test\\Scene App", 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    const char text[] = "many";
    RegSetValueExA(key, "Undo", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    RegDeleteValueA(key, "Pick");
    RegCloseKey(key);
    SetAll(0, 0, 3.0f, 5, 0);
    ASSERT_EQ(m_App.ReadReg(), 1);
    EXPECT_EQ(QxUndoSize(), 5u);
    EXPECT_EQ(QxPickSize(), 3.0f);
    EXPECT_EQ(QxNormalColor(), 0xFF010203ul);
    EXPECT_EQ(QxFloatDecimal(), 4);
}

TEST_F(AppSettings, SettingsReachEveryLiveScene) {
    CQxScene first, second;
    QxUpdateRecorder host;
    host.Attach(first);
    host.Attach(second);

    m_App.SetUndoSize(7);
    EXPECT_EQ(first.CmdManager().GetMaxSize(), 7u);
    EXPECT_EQ(second.CmdManager().GetMaxSize(), 7u);
    CQxScene later;
    EXPECT_EQ(later.CmdManager().GetMaxSize(), 7u);

    m_App.SetPickSize(6);
    EXPECT_EQ(QxPickSize(), 6.0f);
    m_App.SetColors(0xFF101010, 0xFF202020);
    EXPECT_EQ(QxNormalColor(), 0xFF101010ul);
    EXPECT_EQ(QxSelectColor(), 0xFF202020ul);
    // Each of the two changes redraws both scenes.
    EXPECT_EQ(host.Types(), std::vector<unsigned int>(4, QX_UPDATE_REDRAW));
}

TEST_F(AppSettings, ActivationTakesTheInputDevicesOnce) {
    CQxInput& input = CQxInput::Instance();
    const int wasAcquired = input.IsAcquired();
    input.Unacquire();
    m_App.OnActive(0);

    m_App.OnActive(1);
    EXPECT_TRUE(input.IsAcquired());
    input.Unacquire();
    m_App.OnActive(1); // already active: the devices are not taken again
    EXPECT_FALSE(input.IsAcquired());
    m_App.OnActive(0);
    EXPECT_FALSE(input.IsAcquired());
    m_App.OnActive(1);
    EXPECT_TRUE(input.IsAcquired());
    m_App.OnActive(0);
    if (!wasAcquired) input.Unacquire();
    EXPECT_EQ(m_App.PreTranslateMessage(nullptr), 0);
}

TEST_F(AppSettings, GuiUpdatesReachTheActiveSceneOnly) {
    QxUpdateRecorder host;
    {
        CQxScene scene;
        host.Attach(scene);
        ASSERT_EQ(m_App.GetActiveScene(), nullptr);
        m_App.UpdateActiveSceneGui(QX_UPDATE_SELECT, nullptr, nullptr, nullptr);
        EXPECT_TRUE(host.Notices.empty());
        ASSERT_TRUE(CQxSceneList::Instance().SetActiveScene(&scene));
        EXPECT_EQ(m_App.GetActiveScene(), &scene);
        host.Notices.clear();
        m_App.UpdateActiveSceneGui(QX_UPDATE_SELECT, nullptr, nullptr, nullptr);
        EXPECT_EQ(host.Types(), (std::vector<unsigned int>{QX_UPDATE_SELECT}));
    }
    EXPECT_EQ(m_App.GetActiveScene(), nullptr);
    m_App.UpdateActiveSceneGui(QX_UPDATE_SELECT, nullptr, nullptr, nullptr); // nobody to tell
}

} // namespace
