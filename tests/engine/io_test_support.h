#pragma once
// A scratch folder for file tests that is also the current directory while a
// test runs, so program paths like "Base\\Words.Dat" land inside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tarsel::io_test {

class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_cwd_ = std::filesystem::current_path();
        std::string tmpl = (std::filesystem::temp_directory_path() / "tarsel-io-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        std::filesystem::current_path(dir_);
    }

    void TearDown() override
    {
        std::filesystem::current_path(old_cwd_);
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(dir_, ec);
    }

    const std::filesystem::path& dir() const { return dir_; }

    // Writes `bytes` to a path relative to the scratch folder (UTF-8 names).
    static void put(const std::filesystem::path& path, const std::string& bytes)
    {
        if (path.has_parent_path())
            std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static std::string get(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The names in a folder, sorted.
    static std::vector<std::string> names_in(const std::filesystem::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path old_cwd_;
    std::filesystem::path dir_;
};

} // namespace tarsel::io_test
