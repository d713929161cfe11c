// Character widths of the notation fonts, measured with Qt's font metrics.
// Widths are cached per font and code point; Invalidate() after a font changed.
#pragma once

#include <QFont>

#include <array>
#include <functional>
#include <unordered_map>

#include "notation/measure.h"

class TQtMeasure final : public TTextMeasure {
public:
    // fontOf names the QFont that stands for each notation font.
    explicit TQtMeasure(std::function<const QFont&(TNotationFont)> fontOf);

    int CharWidth(TNotationFont font, char32_t c) const override;
    void Invalidate();

private:
    static constexpr int kFonts = 7;
    std::function<const QFont&(TNotationFont)> fontOf_;
    // Latin-1 in a table, everything else as met.
    mutable std::array<std::array<int, 256>, kFonts> widths_{};
    mutable std::array<bool, kFonts> filled_{};
    mutable std::array<std::unordered_map<char32_t, int>, kFonts> others_;
};
