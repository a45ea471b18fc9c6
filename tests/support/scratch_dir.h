#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>

// A folder of its own for one test: made fresh under the system's temporary folder (named after
// the test and the process, so parallel test programs never meet), removed with everything in it
// when the test ends, even when a test took away its own write permission.
class QxScratchDir {
public:
    QxScratchDir() {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "qx_test_" + std::to_string(::getpid());
        if (test) name += std::string("_") + test->test_suite_name() + "_" + test->name();
        for (char& c : name)
            if (c == '/') c = '_';
        m_Path = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(m_Path);
        std::filesystem::create_directories(m_Path);
    }
    ~QxScratchDir() {
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_Path, error))
            if (entry.is_directory(error))
                std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, error);
        std::filesystem::remove_all(m_Path, error);
    }
    QxScratchDir(const QxScratchDir&) = delete;
    QxScratchDir& operator=(const QxScratchDir&) = delete;

    const std::filesystem::path& Path() const { return m_Path; }
    // The path of a file in the folder, as the library's functions take it.
    std::string File(const std::string& name) const { return (m_Path / name).string(); }

    // How many entries the folder holds (a save leaves no temporary file behind).
    long Count() const {
        return static_cast<long>(std::distance(std::filesystem::directory_iterator(m_Path), {}));
    }
    // Writes a file in the folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string path = File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // The whole content of a file ("" when it cannot be read).
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

private:
    std::filesystem::path m_Path;
};

// A sample texture of the repository's assets (under $QX_TEST_DATA, else ./assets).
inline std::string QxSampleTexture(const char* name) {
    const char* data = std::getenv("QX_TEST_DATA");
    return std::string(data ? data : "assets") + "/textures/" + name;
}

// Runs `write` with files limited to `bytes`, so that it fails part way as on a full disk,
// whoever runs the test; returns what `write` returned.
template <class Write>
auto QxWithFileSizeLimit(rlim_t bytes, Write&& write) {
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    auto result = write();
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);
    return result;
}
