#include "notation/qt/qt_measure.h"

#include <QFontMetrics>
#include <QString>

TQtMeasure::TQtMeasure(std::function<const QFont&(TNotationFont)> fontOf) : fontOf_(std::move(fontOf)) {}

void TQtMeasure::Invalidate() {
    filled_.fill(false);
    for (auto& m : others_) m.clear();
}

int TQtMeasure::CharWidth(TNotationFont font, char32_t c) const {
    const int f = static_cast<int>(font);
    if (f < 0 || f >= kFonts) return 0;
    // Measured as a string, so that a character the font lacks is measured in
    // the fallback font that will draw it.
    auto measure = [&](char32_t cp) {
        return QFontMetrics(fontOf_(font)).horizontalAdvance(QString::fromUcs4(&cp, 1));
    };
    if (c < 256) {
        if (!filled_[f]) {
            auto& w = widths_[f];
            QFontMetrics fm(fontOf_(font));
            for (int b = 0; b < 256; ++b)
                w[b] = fm.horizontalAdvance(QString(QChar(char16_t(b))));
            filled_[f] = true;
        }
        return widths_[f][c];
    }
    auto& cache = others_[f];
    if (auto it = cache.find(c); it != cache.end()) return it->second;
    if (cache.size() > 4096) cache.clear();
    const int w = measure(c);
    cache.emplace(c, w);
    return w;
}
