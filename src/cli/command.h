// The command table of quarzel-cli. Each command lives in its own file and
// registers itself with QUARZEL_CLI_COMMAND; main() dispatches by name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

using CliArgs = std::vector<std::string>;

struct CliCommand {
    std::string_view name;
    std::string_view usage;    // arguments after the name, e.g. "FILE N"
    std::string_view summary;  // one line for --help
    int (*run)(const CliArgs& args);  // args exclude the command name
    // More for `quarzel-cli help NAME` and `NAME --help`, after the usage and
    // the summary line; may be empty.
    std::string_view help = {};
    // FILE (the first argument) may be "-": the games come from standard
    // input (cli/game_input.h).
    bool readsStdin = false;
};

namespace cli {

bool Register(const CliCommand& command);
const std::vector<CliCommand>& Commands();

// Prints "usage: quarzel-cli <name> <usage>" to standard error; returns 2.
int UsageError(const CliCommand& command);
// Prints "quarzel-cli: <message>" to standard error; returns 1.
int Fail(const std::string& message);
// Parses a whole decimal number; false for anything else.
bool ParseInt(const std::string& text, long long& value);

}  // namespace cli

#define QUARZEL_CLI_CONCAT2(a, b) a##b
#define QUARZEL_CLI_CONCAT(a, b) QUARZEL_CLI_CONCAT2(a, b)
#define QUARZEL_CLI_COMMAND(...) \
    static const bool QUARZEL_CLI_CONCAT(cli_registered_, __LINE__) = cli::Register(CliCommand{__VA_ARGS__})
