// quarzel-cli: the command-line companion of the viewer. It runs the same
// core code as the viewer, one command per file of this folder.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>

#include "cli/command.h"
#include "collection/error_text.h"
#include "version.h"

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
    out << "\nFILE may be - (standard input) for:";
    for (const CliCommand& c : cli::Commands())
        if (c.readsStdin) out << ' ' << c.name;
    out << "\nquarzel-cli help COMMAND (or COMMAND --help) tells more; --version prints the version.\n";
}

static void PrintCommandHelp(std::ostream& out, const CliCommand& c) {
    out << "usage: quarzel-cli " << c.name << ' ' << c.usage << "\n\n" << c.summary << '\n';
    if (!c.help.empty()) out << '\n' << c.help << '\n';
    if (c.readsStdin) out << "\nFILE may be -: the games are read from standard input.\n";
}

static const CliCommand* FindCommand(const std::string& name) {
    for (const CliCommand& c : cli::Commands())
        if (c.name == name) return &c;
    return nullptr;
}

static int UnknownCommand(const std::string& name) {
    std::cerr << "quarzel-cli: unknown command '" << name << "'\n";
    PrintHelp(std::cerr);
    return 2;
}

static int Run(const CliCommand& c, const CliArgs& args) {
    try {
        return c.run(args);
    } catch (const std::exception& e) {
        return cli::Fail(UserErrorText(e));
    }
}

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintHelp(std::cerr);
        return 2;
    }
    const std::string name = argv[1];
    const CliArgs args(argv + 2, argv + argc);
    if (name == "--help" || name == "-h" || (name == "help" && args.empty())) {
        PrintHelp(std::cout);
        return 0;
    }
    if (name == "--version" || name == "-V") {
        std::cout << "quarzel-cli (Quarzel PGN Viewer) " QUARZEL_VERSION "\n";
        return 0;
    }
    if (name == "help") {
        const CliCommand* c = FindCommand(args[0]);
        if (!c || args.size() > 1) return c ? (PrintHelp(std::cerr), 2) : UnknownCommand(args[0]);
        PrintCommandHelp(std::cout, *c);
        return 0;
    }
    const CliCommand* c = FindCommand(name);
    if (!c) return UnknownCommand(name);
    for (const std::string& a : args) {
        if (a == "--") break;
        if (a == "--help" || a == "-h") {
            PrintCommandHelp(std::cout, *c);
            return 0;
        }
    }
    return Run(*c, args);
}
