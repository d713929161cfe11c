// TPromotionButton: one button of the board's promotion chooser. It knows the sheet
// column of its piece and, when clicked, leaves the answer in PromotionChoice
// and closes the chooser with an OK result.
#pragma once

#include <QPushButton>
#include <cstdint>

namespace board {
// The answer of the promotion chooser: a signed piece code, 0 = no choice.
extern int8_t PromotionChoice;
}  // namespace board

class TPromotionButton : public QPushButton {
    Q_OBJECT
public:
    // column: 2..5 for the white rook, bishop, knight, queen; 8..11 for the black ones.
    TPromotionButton(uint8_t column, QWidget* parent);
    uint8_t Column() const { return column_; }

private:
    void Clicked();
    uint8_t column_;
};
