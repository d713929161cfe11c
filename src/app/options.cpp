#include "app/options.h"

#include <cstdlib>
#include <string_view>

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

bool NamesQtOption(const std::vector<std::string>& args) {
    static constexpr std::string_view kQtOptions[] = {
        "platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger", "qwindowgeometry",
        "qwindowicon", "qwindowtitle", "reverse", "session", "display", "geometry", "title", "name", "style",
        "stylesheet", "widgetcount", "nograb", "dograb", "sync", "visual", "ncols", "cmap", "fontengine",
        "testability", "enable-webgl"};
    for (const std::string& a : args) {
        if (a == "--") return false;
        if (a.size() < 2 || a[0] != '-') continue;
        std::string_view name(a);
        name.remove_prefix(name.starts_with("--") ? 2 : 1);
        name = name.substr(0, name.find('='));
        for (std::string_view q : kQtOptions)
            if (name == q) return true;
    }
    return false;
}

bool DisplayAvailable(const std::vector<std::string>& args, std::string& reason) {
    std::string platform;
    if (const char* env = std::getenv("QT_QPA_PLATFORM")) platform = env;
    for (size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
        if ((args[i] == "-platform" || args[i] == "--platform") && i + 1 < args.size()) platform = args[i + 1];
        else if (args[i].starts_with("-platform=") || args[i].starts_with("--platform="))
            platform = args[i].substr(args[i].find('=') + 1);
    }
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    const bool x11 = set("DISPLAY"), wayland = set("WAYLAND_DISPLAY");
    const std::string kind = platform.substr(0, platform.find_first_of(":;"));
    const bool ok = kind.empty() ? x11 || wayland : kind == "xcb" ? x11 : kind.starts_with("wayland") ? wayland : true;
    if (!ok)
        reason = "quarzel: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set; under a "
                 "virtual display: Xvfb :99 & DISPLAY=:99 quarzel FILE)";
    return ok;
}

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
