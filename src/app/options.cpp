#include "app/options.h"

#include "version.h"

namespace {

const char kUsage[] = "usage: quarzel [--help | --version] [--] [FILE]\n";

const char kHelp[] =
    "Shows the chess games of FILE, a PGN file or a .ccf game database: the list of games,\n"
    "the chosen game on a board beside its notation, and jumps between the positions whose\n"
    "move comment contains \"MATCH\". Without FILE a file dialog asks for one. FILE may be\n"
    "compressed (gzip, bzip2, xz, zstd, or a zip of PGN files); FILE - reads standard input.\n"
    "\n"
    "Options:\n"
    "  -h, --help     print this help and exit\n"
    "  -V, --version  print the version and exit\n"
    "  --             the next argument is the file, even when it starts with '-'\n"
    "\n"
    "In the window: Ctrl+O opens another file, Ctrl+1 ... Ctrl+9 a recent one; a file\n"
    "dropped on the window opens too. The numeric keypad (or q a s d z e c w x) browses.\n"
    "See also: quarzel-cli --help, man quarzel.\n";

}  // namespace

TViewerOptions ParseViewerOptions(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    TViewerOptions options;
    bool optionsEnd = false;
    for (const std::string& a : args) {
        if (!optionsEnd && a == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && (a == "--help" || a == "-h")) {
            out << kUsage << '\n' << kHelp;
            options.exitCode = 0;
            return options;
        } else if (!optionsEnd && (a == "--version" || a == "-V")) {
            out << "quarzel (Quarzel PGN Viewer) " QUARZEL_VERSION "\n";
            options.exitCode = 0;
            return options;
        } else if (!optionsEnd && a.size() > 1 && a[0] == '-') {
            err << "quarzel: unknown option '" << a << "'\n" << kUsage;
            options.exitCode = 2;
            return options;
        } else {
            options.files.push_back(a);
        }
    }
    return options;
}
