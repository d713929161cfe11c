#include "notation/qt/qt_measure.h"

#include <QFontMetrics>

TQtMeasure::TQtMeasure(std::function<const QFont&(TNotationFont)> fontOf) : fontOf_(std::move(fontOf)) {}

void TQtMeasure::Invalidate() { filled_.fill(false); }

int TQtMeasure::CharWidth(TNotationFont font, unsigned char c) const {
    const int f = static_cast<int>(font);
    if (f < 0 || f >= kFonts) return 0;
    if (!filled_[f]) {
        QFontMetrics fm(fontOf_(font));
        auto& w = widths_[f];
        for (int b = 0; b < 256; ++b) {
            if (b == '{' || b == '}') {
                w[b] = 0;  // braces are never drawn
            } else if (b < 0x20) {
                w[b] = 0;
            } else if (b >= 0x80 && b < 0xC0) {
                // A UTF-8 continuation byte: its character was counted at the
                // lead byte. (In Latin-1 text these are rare signs.)
                w[b] = 0;
            } else {
                w[b] = fm.horizontalAdvance(QChar(static_cast<char16_t>(b)));
            }
        }
        filled_[f] = true;
    }
    return widths_[f][c];
}

int TQtMeasure::TextWidth(TNotationFont font, const char* data, size_t size) const {
    int w = 0;
    for (size_t i = 0; i < size; ++i) w += CharWidth(font, static_cast<unsigned char>(data[i]));
    return w;
}
