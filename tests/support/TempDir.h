#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A fresh temporary folder that is the current directory while this object
// lives; the old current directory comes back and the folder goes afterwards.
class CurrentTempDir {
public:
    CurrentTempDir() : previous_(std::filesystem::current_path()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessaline-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        dir_ = pattern;
        std::filesystem::current_path(dir_);
    }
    ~CurrentTempDir() {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    CurrentTempDir(const CurrentTempDir&) = delete;
    CurrentTempDir& operator=(const CurrentTempDir&) = delete;

    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

namespace temp_files {

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Names of everything in a folder, to see that nothing was left behind.
inline std::vector<std::string> Entries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace temp_files

// A test that runs in its own temporary current directory.
class TempDirFixture : public ::testing::Test {
protected:
    void SetUp() override { temp_ = std::make_unique<CurrentTempDir>(); }
    void TearDown() override { temp_.reset(); }

    const std::filesystem::path& dir() const { return temp_->path(); }

    static void WriteFile(const std::string& path, const std::string& bytes) {
        temp_files::WriteFile(path, bytes);
    }
    static std::string ReadFile(const std::string& path) { return temp_files::ReadFile(path); }
    static std::vector<std::string> Entries(const std::filesystem::path& folder) {
        return temp_files::Entries(folder);
    }

private:
    std::unique_ptr<CurrentTempDir> temp_;
};

// A data library file with all six entries, in the layout a save writes.
inline const std::string kFullLibrary =
    "[Current Data Term1]\r\nMemo=em1\r\nData=e1\r\n"
    "[Current Data Term2]\r\nMemo=em2\r\nData=e2\r\n"
    "[Current Data Term3]\r\nMemo=em3\r\nData=e3\r\n"
    "[Send Data Term1]\r\nMemo=sm1\r\nData=s1\r\n"
    "[Send Data Term2]\r\nMemo=sm2\r\nData=s2\r\n"
    "[Send Data Term3]\r\nMemo=sm3\r\nData=s3\r\n";
