#include "notation/shown_text.h"

#include <algorithm>
#include <array>

#include "notation/move_text.h"

namespace {

struct TGlyphShape {
    int nag;
    char32_t cp[2];
    const char* utf8;
};

// Standard symbols of the glyphs the notation shows.
constexpr std::array<TGlyphShape, 24> kShapes{{
    {7, {U'\u25A1', 0}, "\u25A1"},       {8, {U'\u25A1', 0}, "\u25A1"},
    {10, {U'=', 0}, "="},                 {11, {U'=', 0}, "="},
    {12, {U'=', 0}, "="},                 {13, {U'\u221E', 0}, "\u221E"},
    {14, {U'\u2A72', 0}, "\u2A72"},       {15, {U'\u2A71', 0}, "\u2A71"},
    {16, {U'\u00B1', 0}, "\u00B1"},       {17, {U'\u2213', 0}, "\u2213"},
    {18, {U'+', U'\u2212'}, "+\u2212"},   {19, {U'\u2212', U'+'}, "\u2212+"},
    {20, {U'+', U'\u2212'}, "+\u2212"},   {21, {U'\u2212', U'+'}, "\u2212+"},
    {22, {U'\u2A00', 0}, "\u2A00"},       {32, {U'\u27F3', 0}, "\u27F3"},
    {36, {U'\u2191', 0}, "\u2191"},       {40, {U'\u2192', 0}, "\u2192"},
    {44, {U'=', U'\u221E'}, "=\u221E"},   {132, {U'\u21C6', 0}, "\u21C6"},
    {138, {U'\u2295', 0}, "\u2295"},      {140, {U'\u2206', 0}, "\u2206"},
    {142, {U'\u2313', 0}, "\u2313"},      {146, {U'N', 0}, "N"},
}};

const TGlyphShape* ShapeOf(int nag) {
    for (const TGlyphShape& s : kShapes)
        if (s.nag == nag) return &s;
    return nullptr;
}

// Bytes that may stand for a glyph: the glyph characters of the move text and
// the character of the other kept glyphs. Only these are looked up.
const std::array<bool, 256>& GlyphBytes() {
    static const std::array<bool, 256> table = [] {
        std::array<bool, 256> t{};
        for (int n = 0; n < 256; ++n) {
            std::string s = FixedNagSymbol(n);
            if (s.size() == 1) t[static_cast<unsigned char>(s[0])] = true;
        }
        t[static_cast<unsigned char>(kOtherGlyphChar)] = true;
        return t;
    }();
    return table;
}

}  // namespace

std::string_view GlyphSymbol(int nag) {
    const TGlyphShape* s = ShapeOf(nag);
    return s ? std::string_view(s->utf8) : std::string_view();
}

TShownChar ShownCharAt(const TNotationDisplay& d, int pos) {
    TShownChar c;
    c.Pos = pos;
    const std::string& t = d.Text;
    if (pos < 1 || pos > static_cast<int>(t.size())) return c;
    const auto* bytes = reinterpret_cast<const unsigned char*>(t.data());
    const unsigned char b = bytes[pos - 1];
    // Braces are never drawn; two comments that abut ("}{") keep a blank
    // between them, so that their words do not run together.
    if (b == '}' && pos < static_cast<int>(t.size()) && bytes[pos] == '{') {
        c.Cp[0] = U' ';
        c.Count = 1;
        return c;
    }
    if (b == '{' || b == '}') return c;
    if (GlyphBytes()[b]) {
        auto it = std::lower_bound(d.Glyphs.begin(), d.Glyphs.end(), pos,
                                   [](const TGlyphEntry& g, int p) { return g.Pos < p; });
        if (it != d.Glyphs.end() && it->Pos == pos) {
            if (const TGlyphShape* s = ShapeOf(it->Nag)) {
                c.Cp[0] = s->cp[0];
                c.Cp[1] = s->cp[1];
                c.Count = s->cp[1] ? 2 : 1;
            }
            return c;
        }
    }
    if (b < 0x20 || b == 0x7F || (!d.Utf8 && b < 0xA0 && b >= 0x80)) {
        c.Cp[0] = U' ';  // a tab or other control character stands as a blank
        c.Count = 1;
        return c;
    }
    if (b < 0x80 || !d.Utf8) {
        c.Cp[0] = b;  // ASCII, or a Latin-1 byte
        c.Count = 1;
        return c;
    }
    const size_t len = Utf8Length(b);
    if (len < 2 || pos - 1 + static_cast<int>(len) > static_cast<int>(t.size())) {
        c.Cp[0] = U'\uFFFD';
        c.Count = 1;
        return c;
    }
    char32_t cp = b & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
    for (size_t k = 1; k < len; ++k) {
        const unsigned char n = bytes[pos - 1 + static_cast<int>(k)];
        if ((n & 0xC0) != 0x80) {  // cannot happen in text checked as UTF-8
            c.Cp[0] = U'\uFFFD';
            c.Count = 1;
            return c;
        }
        cp = (cp << 6) | (n & 0x3F);
    }
    c.Len = static_cast<int>(len);
    c.Cp[0] = cp;
    c.Count = 1;
    return c;
}

int ShownWidth(const TTextMeasure& measure, TNotationFont font, const TShownChar& c) {
    int w = 0;
    for (int i = 0; i < c.Count; ++i) w += measure.CharWidth(font, c.Cp[i]);
    return w;
}

TNotationFont FontAt(const TNotationDisplay& d, int pos, TNotationFont rowFont) {
    const int k = d.CommentAt(pos);
    if (k < 0) return rowFont;
    return d.Comments[static_cast<size_t>(k)].Quiet ? TNotationFont::Quiet : TNotationFont::Comment;
}

std::string ShownRowText(const TNotationDisplay& d, int row) {
    std::string out;
    const int from = d.RowStart(row);
    if (from < 1) return out;
    const int to = std::min(d.RowEnd(row), static_cast<int>(d.Text.size()) + 1);
    for (int p = from; p < to;) {
        TShownChar c = ShownCharAt(d, p);
        for (int i = 0; i < c.Count; ++i) AppendUtf8(out, c.Cp[i]);
        p += c.Len;
    }
    return out;
}

std::string ShownMoveText(TNotationCore& core, const TMoveRecord& move) {
    std::string text = core.MoveToText(move);
    const std::string glyph = core.NagSymbol(move.PositionNag);
    if (!glyph.empty() && text.size() >= glyph.size() &&
        text.compare(text.size() - glyph.size(), glyph.size(), glyph) == 0) {
        text.resize(text.size() - glyph.size());
        text += GlyphSymbol(move.PositionNag);
    }
    return text;
}
