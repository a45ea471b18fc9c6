#include "qx/scene/app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "qx/graphics/settings.h"
#include "qx/platform/settings.h"
#include "qx/scene/scene.h"
#include "qx/scene/settings.h"

using namespace QxWin;

namespace fs = std::filesystem;

namespace {

// The five registry-backed settings, saved and put back around each test.
struct RegSettings {
    unsigned long Normal = QxNormalColor();
    unsigned long Select = QxSelectColor();
    float Pick = QxPickSize();
    unsigned int Undo = QxUndoSize();
    int FloatDecimal = QxFloatDecimal();

    void Restore() const {
        QxNormalColor() = Normal;
        QxSelectColor() = Select;
        QxPickSize() = Pick;
        QxUndoSize() = Undo;
        QxFloatDecimal() = FloatDecimal;
    }
};

// Each test gets its own configuration folder and leaves the application without identity,
// so nothing is written when the process ends.
class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) m_OldConfig = old;
        std::string pattern = (fs::temp_directory_path() / "qx-app-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_Root = pattern;
        setenv("XDG_CONFIG_HOME", m_Root.c_str(), 1);
    }
    void TearDown() override {
        CQxApp::Instance().SetAppInfo("", "", 1, 0);
        m_Saved.Restore();
        if (m_OldConfig.empty())
            unsetenv("XDG_CONFIG_HOME");
        else
            setenv("XDG_CONFIG_HOME", m_OldConfig.c_str(), 1);
        std::error_code error;
        fs::remove_all(m_Root, error);
    }

    static void SetAll(unsigned long normal, unsigned long select, float pick, unsigned int undo,
                       int decimal) {
        QxNormalColor() = normal;
        QxSelectColor() = select;
        QxPickSize() = pick;
        QxUndoSize() = undo;
        QxFloatDecimal() = decimal;
    }

    fs::path m_Root;
    std::string m_OldConfig;
    RegSettings m_Saved;
};

TEST_F(AppSettingsTest, RegistryNeedsCompanyAndProduct) {
    CQxApp& app = CQxApp::Instance();
    SetAll(0xFF010203, 0xFF040506, 9.0f, 77, 4);
    EXPECT_EQ(app.ReadReg(), 0);
    EXPECT_EQ(app.WriteReg(), 0);
    app.SetAppInfo("Kelmora Test", "", 1, 0);
    EXPECT_EQ(app.WriteReg(), 0);
    EXPECT_EQ(app.ReadReg(), 0);
    EXPECT_EQ(QxUndoSize(), 77u);
    EXPECT_EQ(QxNormalColor(), 0xFF010203ul);
    EXPECT_FALSE(fs::exists(m_Root / "Kelmora Test"));
}

TEST_F(AppSettingsTest, RegistryRoundTripAndDamagedValues) {
    CQxApp& app = CQxApp::Instance();
    app.SetAppInfo("Kelmora Test", "Scene App", 2, 7);
    EXPECT_STREQ(app.CompanyName(), "Kelmora Test");
    EXPECT_STREQ(app.ProductName(), "Scene App");
    EXPECT_EQ(app.MajorVersion(), 2u);
    EXPECT_EQ(app.MinorVersion(), 7u);

    // A missing key is no error and changes nothing.
    SetAll(0xFF010203, 0xFF040506, 9.0f, 77, 4);
    EXPECT_EQ(app.ReadReg(), 1);
    EXPECT_EQ(QxUndoSize(), 77u);

    ASSERT_EQ(app.WriteReg(), 1);
    EXPECT_TRUE(fs::exists(m_Root / "Kelmora Test" / "Scene App" / "settings.conf"));
    SetAll(0, 0, 1.0f, 1, 0);
    ASSERT_EQ(app.ReadReg(), 1);
    EXPECT_EQ(QxNormalColor(), 0xFF010203ul);
    EXPECT_EQ(QxSelectColor(), 0xFF040506ul);
    EXPECT_EQ(QxPickSize(), 9.0f);
    EXPECT_EQ(QxUndoSize(), 77u);
    EXPECT_EQ(QxFloatDecimal(), 4);

    // A value of the wrong type or missing leaves its setting alone; the others are read.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kelmora Test\\Scene App", 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    const char text[] = "many";
    RegSetValueExA(key, "Undo", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    RegDeleteValueA(key, "Pick");
    RegCloseKey(key);
    SetAll(0, 0, 3.0f, 5, 0);
    ASSERT_EQ(app.ReadReg(), 1);
    EXPECT_EQ(QxUndoSize(), 5u);
    EXPECT_EQ(QxPickSize(), 3.0f);
    EXPECT_EQ(QxNormalColor(), 0xFF010203ul);
    EXPECT_EQ(QxFloatDecimal(), 4);
}

// Scenes count notifications of the given type.
struct Counter {
    int Count = 0;
    QX_UPDATE_TYPE Type;
    static void Callback(void* user, CQxScene*, QX_UPDATE_TYPE type, void*, void*, void*) {
        auto* counter = static_cast<Counter*>(user);
        if (type == counter->Type) ++counter->Count;
    }
};

TEST_F(AppSettingsTest, SettingsReachEveryLiveScene) {
    CQxApp& app = CQxApp::Instance();
    CQxScene first, second;
    Counter a{0, QX_UPDATE_REDRAW}, b{0, QX_UPDATE_REDRAW};
    first.SetUpdateFunc(Counter::Callback, &a);
    second.SetUpdateFunc(Counter::Callback, &b);

    app.SetUndoSize(7);
    EXPECT_EQ(QxUndoSize(), 7u);
    EXPECT_EQ(first.CmdManager().GetMaxSize(), 7u);
    EXPECT_EQ(second.CmdManager().GetMaxSize(), 7u);
    CQxScene later;
    EXPECT_EQ(later.CmdManager().GetMaxSize(), 7u);

    app.SetPickSize(6);
    EXPECT_EQ(QxPickSize(), 6.0f);
    app.SetColors(0xFF101010, 0xFF202020);
    EXPECT_EQ(QxNormalColor(), 0xFF101010ul);
    EXPECT_EQ(QxSelectColor(), 0xFF202020ul);
    // Each change redraws every scene.
    EXPECT_EQ(a.Count, 2);
    EXPECT_EQ(b.Count, 2);
}

TEST_F(AppSettingsTest, ActivationAndActiveSceneForwarding) {
    CQxApp& app = CQxApp::Instance();
    CQxInput& input = CQxInput::Instance();
    const int wasAcquired = input.IsAcquired();
    input.Unacquire();
    app.OnActive(0);

    app.OnActive(1);
    EXPECT_TRUE(input.IsAcquired());
    input.Unacquire();
    app.OnActive(1); // already active: the devices are not taken again
    EXPECT_FALSE(input.IsAcquired());
    app.OnActive(0);
    EXPECT_FALSE(input.IsAcquired());
    app.OnActive(1);
    EXPECT_TRUE(input.IsAcquired());
    app.OnActive(0);
    if (!wasAcquired) input.Unacquire();

    EXPECT_EQ(app.PreTranslateMessage(nullptr), 0);

    // Forwarding reaches the active scene only.
    Counter counter{0, QX_UPDATE_SELECT};
    {
        CQxScene scene;
        scene.SetUpdateFunc(Counter::Callback, &counter);
        ASSERT_EQ(app.GetActiveScene(), nullptr);
        app.UpdateActiveSceneGui(QX_UPDATE_SELECT, nullptr, nullptr, nullptr);
        EXPECT_EQ(counter.Count, 0);
        ASSERT_TRUE(CQxSceneList::Instance().SetActiveScene(&scene));
        EXPECT_EQ(app.GetActiveScene(), &scene);
        app.UpdateActiveSceneGui(QX_UPDATE_SELECT, nullptr, nullptr, nullptr);
        EXPECT_EQ(counter.Count, 1);
    }
    EXPECT_EQ(app.GetActiveScene(), nullptr);
    app.UpdateActiveSceneGui(QX_UPDATE_SELECT, nullptr, nullptr, nullptr); // nobody to tell
}

} // namespace
