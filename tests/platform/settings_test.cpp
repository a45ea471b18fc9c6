#include "qx/platform/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "scratch_dir.h"

using namespace QxWin;

namespace fs = std::filesystem;

namespace {

constexpr const char* kKey = "Software\\Kelmora Test\\Viewer";

int CountFiles(const fs::path& folder) {
    return static_cast<int>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Runs each test against its own configuration folder.
class Settings : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", m_Root.Path().c_str(), 1); }

    fs::path Folder() const { return m_Root.Path() / "Kelmora Test" / "Viewer"; }
    fs::path File() const { return Folder() / "settings.conf"; }

    static HKEY Create() {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    static LSTATUS SetDword(HKEY key, const char* name, DWORD value) {
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    }
    static LSTATUS SetText(HKEY key, const char* name, const std::string& text) {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1));
    }
    // The way the core reads a setting: the variable keeps its value unless the read succeeds.
    static void ReadDword(HKEY key, const char* name, DWORD& setting) {
        DWORD value = 0, type = 0, size = sizeof value;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                ERROR_SUCCESS &&
            type == REG_DWORD)
            setting = value;
    }
    static std::string ReadTextValue(HKEY key, const char* name) {
        char text[256] = "<missing>";
        DWORD size = sizeof text;
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
        return text;
    }

    QxScratchDir m_Root;
};

TEST_F(Settings, ValuesSurviveWriteAndRead) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &key), ERROR_FILE_NOT_FOUND);
    key = Create();
    ASSERT_NE(key, nullptr);
    const std::string tricky = "a=b\\c\nnext\tline \xE6\x97\xA5\xE6\x9C\xAC";
    EXPECT_EQ(SetDword(key, "Undo", 30), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key, "Normal", 0xFF112233), ERROR_SUCCESS);
    EXPECT_EQ(SetText(key, "DataDir", tricky), ERROR_SUCCESS);
    EXPECT_EQ(SetText(key, "#odd=name", "x"), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key, "UNDO", 31), ERROR_SUCCESS); // the same value: names ignore case
    EXPECT_EQ(RegSetValueExA(key, "Bad", 0, REG_DWORD, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    ASSERT_TRUE(fs::is_regular_file(File()));
    EXPECT_EQ(CountFiles(Folder()), 1); // no temporary left

    // Opened again in two steps, the key reads its values back from the file.
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(software, "Kelmora Test\\Viewer", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(software);
    DWORD undo = 50, normal = 0, absent = 7;
    for (auto [name, setting] : {std::pair{"undo", &undo}, {"Normal", &normal}, {"Pick", &absent}})
        ReadDword(key, name, *setting);
    EXPECT_EQ((std::vector<DWORD>{undo, normal, absent}), (std::vector<DWORD>{31, 0xFF112233, 7}));
    EXPECT_EQ(ReadTextValue(key, "DataDir"), tricky);
    EXPECT_EQ(ReadTextValue(key, "#odd=name"), "x");

    char small[4];
    DWORD size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "DataDir", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, tricky.size() + 1);
    RegCloseKey(key);

    // Only keys below "Software" exist.
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Environment", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(nullptr, kKey, 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
}

TEST_F(Settings, DamagedFileKeepsDefaultsSilently) {
    fs::create_directories(Folder());
    const std::string binary("Normal=\0\x01\xFF\n", 11);
    m_Root.Write("Kelmora Test/Viewer/settings.conf", "garbage without equals\n"
                                                      "Undo=dword:1e\n"           // too few digits
                                                      "Pick=dword:0000000g\n"     // not hex
                                                      "DataDir=sz:bad\\qescape\n" // unknown escape
                                                      "Select=hex:0\n" +          // half a byte
                                                          binary +
                                                          "FloatDecimal=dword:00000003\r\n");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD undo = 50, pick = 3, normal = 1, select = 2, decimal = 1;
    for (auto [name, setting] : {std::pair{"Undo", &undo},
                                 {"Pick", &pick},
                                 {"Normal", &normal},
                                 {"Select", &select},
                                 {"FloatDecimal", &decimal}})
        ReadDword(key, name, *setting);
    EXPECT_EQ(ReadTextValue(key, "DataDir"), "<missing>");
    RegCloseKey(key);

    // A settings "file" that cannot be read at all is the same as an empty one.
    fs::remove(File());
    fs::create_directory(File());
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    ReadDword(key, "FloatDecimal", pick);
    RegCloseKey(key);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    // Only the one good line counts.
    EXPECT_EQ((std::vector<DWORD>{undo, pick, normal, select, decimal}),
              (std::vector<DWORD>{50, 3, 1, 2, 3}));
}

TEST_F(Settings, FailedWriteKeepsTheOldFile) {
    HKEY key = Create();
    ASSERT_EQ(SetDword(key, "Undo", 30), ERROR_SUCCESS);
    const std::string old = QxScratchDir::Read(File());

    // The disk fills up while the new file is written.
    EXPECT_NE(
        QxWithFileSizeLimit(old.size() + 8, [&] { return SetText(key, "DataDir", std::string(200, 'x')); }),
        ERROR_SUCCESS);
    EXPECT_EQ(QxScratchDir::Read(File()), old);
    EXPECT_EQ(CountFiles(Folder()), 1);
    // The change is still held and is written once writing works again.
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_NE(QxScratchDir::Read(File()).find("DataDir=sz:xxx"), std::string::npos);
    const std::string current = QxScratchDir::Read(File());

    // A folder that cannot be written to; a user who may write anywhere skips this part.
    fs::permissions(Folder(), fs::perms::owner_read | fs::perms::owner_exec);
    if (access(Folder().c_str(), W_OK) != 0) {
        EXPECT_EQ(SetDword(key, "Undo", 99), ERROR_ACCESS_DENIED);
        EXPECT_EQ(QxScratchDir::Read(File()), current);
    }
    fs::permissions(Folder(), fs::perms::owner_all);
    RegCloseKey(key);
}

} // namespace
