// The viewer's command line: `quarzel [--help | --version] [--] [FILE]`.
// Read before the GUI starts, so that --help and --version print and exit
// without a display.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct TViewerOptions {
    std::optional<int> exitCode;  // set: the program ends with it (help, version, usage error)
    std::vector<std::string> files;  // the file to open first; empty: ask for one
};

// args: the arguments after the program name, as given. Help and version go
// to out; usage errors to err.
TViewerOptions ParseViewerOptions(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Is one of the arguments before "--" an option of Qt's own ("-platform",
// "--style=fusion", ...), which Qt takes out once it has started?
bool NamesQtOption(const std::vector<std::string>& args);

// Can a window be shown: the platform Qt would use (its -platform option,
// else QT_QPA_PLATFORM) finds its display? False, with a one-line reason,
// when an X11 or Wayland platform has no DISPLAY or WAYLAND_DISPLAY to go to.
bool DisplayAvailable(const std::vector<std::string>& args, std::string& reason);
