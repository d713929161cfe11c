// quarzel-cli: the command-line companion of the viewer. It runs the same
// core code as the viewer, one command per file of this folder.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <string_view>

#include "cli/command.h"
#include "collection/game_sort.h"
#include "platform/error_text.h"
#include "search/opening_names.h"
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

// Text for a man page: backslashes and dashes escaped, and a line that
// would start with a roff control character guarded.
static std::string Roff(std::string_view text) {
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else out += c;
        lineStart = c == '\n';
    }
    return out;
}

// The COMMANDS section of quarzel-cli(1), made from the same table as --help
// when the man page is built.
static void PrintManCommands(std::ostream& out) {
    for (const CliCommand& c : cli::Commands()) {
        out << ".TP\n\\fB" << Roff(c.name) << "\\fR " << Roff(c.usage) << '\n' << Roff(c.summary) << '\n';
        if (!c.help.empty()) out << ".br\n.nf\n" << Roff(c.help) << "\n.fi\n";
    }
    out << ".PP\nFor";
    for (const CliCommand& c : cli::Commands())
        if (c.readsStdin) out << " \\fB" << Roff(c.name) << "\\fR";
    out << ",\n.I FILE\nmay be\n.BR \\- :\nthe games are read from standard input.\n";
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

// The Opening column of `list --sort` and `filter --sort`.
static std::string OpeningNameOfText(std::string_view gameText) { return OpeningOfGame(gameText).Name; }

int main(int argc, char** argv) {
    SetOpeningNamer(OpeningNameOfText);
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
    if (name == "help" && args.size() == 1 && args[0] == "--man") {
        PrintManCommands(std::cout);
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
    CliArgs rest;
    bool optionsEnd = false;
    for (const std::string& a : args) {
        // "--" ends the options: what follows is taken as written ("-weird.pgn").
        if (!optionsEnd && a == "--") {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && (a == "--help" || a == "-h")) {
            PrintCommandHelp(std::cout, *c);
            return 0;
        }
        rest.push_back(a);
    }
    return Run(*c, rest);
}
