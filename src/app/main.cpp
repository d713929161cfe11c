// The viewer: one parameter, the path of the game file.
#include <QApplication>

#include "app/form1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarzel PGN Viewer"));
    TForm1 form;
    form.show();
    return QApplication::exec();
}
