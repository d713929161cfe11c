#include "board/qt/promotion_button.h"

#include <QDialog>

namespace board {
int8_t PromotionChoice = 0;
}

TPromotionButton::TPromotionButton(uint8_t column, QWidget* parent) : QPushButton(parent), column_(column) {
    connect(this, &QPushButton::clicked, this, &TPromotionButton::Clicked);
}

void TPromotionButton::Clicked() {
    board::PromotionChoice = static_cast<int8_t>(column_ <= 6 ? column_ : 6 - column_);
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* dialog = qobject_cast<QDialog*>(w)) {
            dialog->done(QDialog::Accepted);
            break;
        }
}
