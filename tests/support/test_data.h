// Paths of test data and small helpers shared by all test programs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace testdata {

// ../shared/pgn beside the project: real files written by other people.
// Empty path when the folder is absent (a user's clone).
std::filesystem::path SharedPgnDir();
// Every *.pgn under SharedPgnDir() (marked/ included), sorted; empty when absent.
std::vector<std::filesystem::path> SharedPgnFiles();
// The project's own fixtures (tests/data) and samples (examples).
std::filesystem::path FixtureDir();
std::filesystem::path ExamplesDir();

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// A fresh private folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace testdata

// Skips the current test, visibly, when ../shared/pgn is not there.
#define REQUIRE_SHARED_PGN()                                                        \
    do {                                                                           \
        if (testdata::SharedPgnDir().empty())                                      \
            GTEST_SKIP() << "../shared/pgn is absent: real-file test skipped";     \
    } while (0)
