// quarzel-cli: the command-line companion of the viewer. It runs the same
// core code as the viewer, one command per file of this folder.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>

#include "cli/command.h"

namespace cli {

static std::vector<CliCommand>& Table() {
    static std::vector<CliCommand> table;
    return table;
}

bool Register(const CliCommand& command) {
    Table().push_back(command);
    std::sort(Table().begin(), Table().end(),
              [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
    return true;
}

const std::vector<CliCommand>& Commands() { return Table(); }

int UsageError(const CliCommand& command) {
    std::cerr << "usage: quarzel-cli " << command.name << ' ' << command.usage << '\n';
    return 2;
}

int Fail(const std::string& message) {
    std::cerr << "quarzel-cli: " << message << '\n';
    return 1;
}

bool ParseInt(const std::string& text, long long& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last && !text.empty();
}

}  // namespace cli

static void PrintHelp(std::ostream& out) {
    out << "usage: quarzel-cli COMMAND [ARGUMENTS]\n\nCommands:\n";
    for (const CliCommand& c : cli::Commands()) {
        std::string head = std::string(c.name) + " " + std::string(c.usage);
        out << "  " << head;
        if (head.size() < 44) out << std::string(44 - head.size(), ' ');
        else out << "\n  " << std::string(44, ' ');
        out << c.summary << '\n';
    }
}

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintHelp(std::cerr);
        return 2;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintHelp(std::cout);
        return 0;
    }
    for (const CliCommand& c : cli::Commands()) {
        if (c.name != name) continue;
        CliArgs args(argv + 2, argv + argc);
        try {
            return c.run(args);
        } catch (const std::exception& e) {
            return cli::Fail(e.what());
        }
    }
    std::cerr << "quarzel-cli: unknown command '" << name << "'\n";
    PrintHelp(std::cerr);
    return 2;
}
