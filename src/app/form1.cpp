#include "app/form1.h"

#include <QFont>

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    // A fixed-size dialog-style frame: no resizing, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Quarzel PGN Viewer"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    move(278, 105);
    setFixedSize(623, 482);
}
