// The viewer: `quarzel [FILE]`; without FILE a file dialog asks for one.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <iostream>
#include <sstream>

#include "app/game_file.h"
#include "app/main_window.h"
#include "app/options.h"
#include "app/window_layout.h"

int main(int argc, char** argv) {
    // --help and --version need no display: answer them before the GUI
    // starts. Qt's own options are only known after it has started, so a
    // usage error waits for the second reading.
    std::ostringstream quiet;
    const std::vector<std::string> given(argv + (argc > 0), argv + argc);
    const TViewerOptions early = ParseViewerOptions(given, std::cout, quiet);
    if (early.exitCode == 0) return 0;
    // An option that is neither ours nor Qt's is a usage error now, with or
    // without a display.
    if (early.exitCode && !NamesQtOption(given)) {
        std::cerr << quiet.str();
        return *early.exitCode;
    }
    if (std::string reason; !DisplayAvailable(given, reason)) {
        std::cerr << reason << '\n';
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarzel PGN Viewer"));
    // The parameters from the bytes themselves: a file name that is not UTF-8
    // must survive (QApplication has taken its own options out of argv).
    std::vector<std::string> args(argv + (argc > 0), argv + argc);
    const TViewerOptions options = ParseViewerOptions(args, std::cout, std::cerr);
    if (options.exitCode) return *options.exitCode;
    QStringList params;
    for (const std::string& f : options.files) params << ArgumentText(f.c_str());

    TMainWindow form(params);
    RestoreWindowGeometry(form);
    form.show();
    form.activateWindow();
    // The start-up runs when the window is first activated. A desktop that
    // never activates a new window (no window manager) must not leave it
    // empty: start anyway after a moment.
    QTimer::singleShot(1000, &form, [&form] {
        if (!form.StartupDone()) form.Activate(&form);
    });
    const int result = QApplication::exec();
    SaveWindowGeometry(form);
    form.Panes->SaveSettings();
    return result;
}
