// quarzel-cli replay on a fixture: start, match stops, end and error lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/test_data.h"

namespace {

std::filesystem::path Cli() { return std::filesystem::path(QUARZEL_BIN_DIR) / "quarzel-cli"; }

// Runs a shell command; its standard output and exit code.
std::string RunShell(const std::string& command, int& rc) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        rc = -1;
        return out;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    int status = pclose(pipe);
    rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

TEST(ReplayCommand, PrintsStartMatchesAndEnd) {
    if (!std::filesystem::exists(Cli())) GTEST_SKIP() << "quarzel-cli is not built in this build";
    int rc = 0;
    const auto fixture = testdata::FixtureDir() / "tree_replay.pgn";
    std::string out = RunShell(Cli().string() + " replay '" + fixture.string() + "'", rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(out, testdata::ReadFile(testdata::FixtureDir() / "tree_replay.expected"));
}

TEST(ReplayCommand, WrongUsageAndMissingFile) {
    if (!std::filesystem::exists(Cli())) GTEST_SKIP() << "quarzel-cli is not built in this build";
    int rc = 0;
    RunShell(Cli().string() + " replay 2>/dev/null", rc);
    EXPECT_EQ(rc, 2);
    std::string out = RunShell(Cli().string() + " replay /nonexistent/file.pgn 2>&1", rc);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(out.find("quarzel-cli: "), std::string::npos);
}

}  // namespace
