// The viewer: one parameter, the path of the game file.
#include <QApplication>
#include <QTimer>

#include "app/form1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarzel PGN Viewer"));
    TForm1 form(QApplication::arguments().mid(1));
    form.show();
    form.activateWindow();
    // The start-up runs when the window is first activated. A desktop that
    // never activates a new window (no window manager) must not leave it
    // empty: start anyway after a moment.
    QTimer::singleShot(1000, &form, [&form] {
        if (!form.StartupDone()) form.Aktivuj(&form);
    });
    return QApplication::exec();
}
