#pragma once
// A fresh folder of its own for each test, removed after it, and the files
// the program writes there read back.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace orvalinder::testing {

// How the program ends the lines of the files it writes on this system.
#ifdef _WIN32
inline const std::string kLineEnd = "\r\n";
#else
inline const std::string kLineEnd = "\n";
#endif

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
        dir = std::filesystem::temp_directory_path() /
              ("orvalinder-" + std::string(run.current_test_info()->test_suite_name()) + "-" +
               std::to_string(run.random_seed()) + "-" + run.current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // A file's text; with std::ios::binary, its bytes as they are on the disk.
    static std::string read(const std::filesystem::path& path, std::ios::openmode mode = std::ios::in) {
        std::ifstream in(path, mode);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path dir;
};

}  // namespace orvalinder::testing
