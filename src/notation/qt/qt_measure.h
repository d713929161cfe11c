// Character widths of the notation fonts, measured with Qt's font metrics.
// Widths are cached per font and byte; Invalidate() after a font changed.
#pragma once

#include <QFont>

#include <array>
#include <functional>

#include "notation/measure.h"

class TQtMeasure final : public TTextMeasure {
public:
    // fontOf names the QFont that stands for each notation font.
    explicit TQtMeasure(std::function<const QFont&(TNotationFont)> fontOf);

    int CharWidth(TNotationFont font, unsigned char c) const override;
    // Width of a byte string in one font (braces have no width).
    int TextWidth(TNotationFont font, const char* data, size_t size) const;
    void Invalidate();

private:
    static constexpr int kFonts = 6;
    std::function<const QFont&(TNotationFont)> fontOf_;
    mutable std::array<std::array<int, 256>, kFonts> widths_{};
    mutable std::array<bool, kFonts> filled_{};
};
