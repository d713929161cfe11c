// The game list's row from a game's first bytes: tag lines in, row texts out.
// Every text shown is valid UTF-8 (valid input unchanged, anything else read
// as Latin-1), and a header read only up to where it provably ends gives the
// same row as the whole text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "collection/game_header.h"
#include "collection/game_list_core.h"
#include "collection/row_texts.h"

namespace {

// Strict UTF-8: shortest forms, no surrogates, at most U+10FFFF.
bool ValidUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    for (size_t i = 0; i < s.size();) {
        const unsigned c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len = 0;
        unsigned lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) len = 2;
        else if (c == 0xE0) len = 3, lo = 0xA0;
        else if (c == 0xED) len = 3, hi = 0x9F;
        else if (c >= 0xE1 && c <= 0xEF) len = 3;
        else if (c == 0xF0) len = 4, lo = 0x90;
        else if (c == 0xF4) len = 4, hi = 0x8F;
        else if (c >= 0xF1 && c <= 0xF3) len = 4;
        else return false;
        if (i + len > s.size() || p[i + 1] < lo || p[i + 1] > hi) return false;
        for (size_t k = 2; k < len; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

bool SameRow(const TRowTexts& a, const TRowTexts& b) {
    return a.Number == b.Number && a.Player == b.Player && a.Source == b.Source && a.Year == b.Year &&
           a.Result == b.Result && a.ECO == b.ECO;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 100'000) return 0;
    // The first two bytes choose the game number and where a partial read stops.
    const int32_t index = static_cast<int32_t>(data[0]) * 100'003 - 1;
    const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);
    const size_t cut = text.size() * data[1] / 255;

    TGameHeader header;
    HeaderFromText(header, text, false);
    const TRowTexts row = ComposeRowTexts(header, index);
    if (row.Number.size() < 6) std::abort();
    for (const std::string* t : {&row.Number, &row.Player, &row.Source, &row.Year, &row.Result, &row.ECO}) {
        const std::string shown = DisplayUtf8(*t);
        if (!ValidUtf8(shown)) std::abort();
        if (ValidUtf8(*t) && shown != *t && !t->starts_with("\xEF\xBB\xBF")) std::abort();
    }

    // A read that stops where the header has provably ended loses nothing.
    const std::string_view part = text.substr(0, cut);
    if (HeaderEndsWithin(part)) {
        TGameHeader partial;
        HeaderFromText(partial, part, false);
        if (!SameRow(ComposeRowTexts(partial, index), row)) std::abort();
        if (partial.FEN != header.FEN || partial.Month != header.Month || partial.WhiteElo != header.WhiteElo) std::abort();
    }
    // With the movetext collected the header fields are the same.
    TGameHeader full;
    HeaderFromText(full, text, true);
    if (!SameRow(ComposeRowTexts(full, index), row)) std::abort();
    return 0;
}
