#include "collection/row_texts.h"

#include <cstdio>

#include "collection/utf8.h"

TRowTexts ComposeRowTexts(const TGameHeader& h, std::int32_t GameIndex) {
    TRowTexts r;
    char number[16];
    std::snprintf(number, sizeof number, "%6d", static_cast<int>(GameIndex) + 1);
    r.Number = number;
    r.Player = h.White + " - " + h.Black;
    if (!h.Event.empty() && h.Event != "?") r.Source = h.Event;
    if (!h.Site.empty() && h.Site != "?") {
        if (!r.Source.empty()) r.Source += ", ";
        r.Source += h.Site;
    }
    if (h.Year != 0) r.Year = std::to_string(h.Year);
    r.Result = h.Result == "1/2-1/2" ? h.Result.substr(0, 3) : h.Result;
    r.ECO = h.ECO;
    return r;
}

std::string DisplayUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    const bool valid = IsValidUtf8(s);
    // The viewer's decoder takes a leading byte order mark as no text at all.
    if (valid) return std::string(s.substr(s.starts_with("\xEF\xBB\xBF") ? 3 : 0));
    std::string out;
    out.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}
