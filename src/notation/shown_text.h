// What the notation shows for its text. The notation text keeps its bytes
// and 1-based positions (clicks, text-position navigation and the PGN writer
// rely on them); only measuring and painting see a glyph character as its
// standard symbol, skip the comment braces, and read the text by code point
// when it is UTF-8 or by byte when it is Latin-1. The widget, the layout's
// row breaking and `quarzel-cli notation --shown` all go through here.
#pragma once

#include "collection/utf8.h"

#include <string>
#include <string_view>

#include "notation/layout.h"

// The standard symbol of a glyph number as UTF-8 ("±" for 16, "□" for 7);
// empty for a number shown without one.
std::string_view GlyphSymbol(int nag);

// The character the notation text holds for a kept glyph that has no
// character of its own (7, 10, 12, 20, 21).
constexpr char kOtherGlyphChar = '$';

// One shown character: the text bytes [Pos, Pos + Len) and the code points
// drawn for them (none for a brace, two for a glyph such as "+−").
struct TShownChar {
    int Pos = 1;
    int Len = 1;
    int Count = 0;
    char32_t Cp[2]{};
};

// The shown character that starts at the 1-based position `pos` (a position
// inside a UTF-8 sequence starts a character of its own only in Latin-1 text).
TShownChar ShownCharAt(const TNotationDisplay& d, int pos);

// The width of a shown character in `font`.
int ShownWidth(const TTextMeasure& measure, TNotationFont font, const TShownChar& c);

// The font a position is measured and drawn in: FontComment inside a comment
// table entry (Quiet inside a clock or evaluation), else the row font.
TNotationFont FontAt(const TNotationDisplay& d, int pos, TNotationFont rowFont);

// Calls fn(const TShownChar&, TNotationFont) for every shown character of the
// text range [from, to), in order.
template <class Fn>
void ForEachShownChar(const TNotationDisplay& d, int from, int to, TNotationFont rowFont, Fn&& fn) {
    int p = from;
    while (p < to) {
        TShownChar c = ShownCharAt(d, p);
        fn(static_cast<const TShownChar&>(c), FontAt(d, p, rowFont));
        p += c.Len;
    }
}

// Row i as shown, UTF-8: symbols for glyphs, no braces.
std::string ShownRowText(const TNotationDisplay& d, int row);

// A move's text as shown (for the variation chooser): MoveToText with the
// glyph character of its position glyph turned into the symbol.
std::string ShownMoveText(TNotationCore& core, const TMoveRecord& move);

