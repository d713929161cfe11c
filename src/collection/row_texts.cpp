#include "collection/row_texts.h"

#include <algorithm>

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

std::int32_t CountMainLinePlies(std::string_view t) {
    std::int32_t plies = 0;
    int depth = 0;
    bool lineStart = true;
    for (std::size_t i = 0; i < t.size();) {
        const char c = t[i];
        if (c == '\n' || c == '\r') {
            lineStart = true;
            ++i;
            continue;
        }
        if (lineStart && (c == '[' || c == '%')) {  // a tag line or an escape line
            while (i < t.size() && t[i] != '\n' && t[i] != '\r') ++i;
            continue;
        }
        lineStart = false;
        if (c == '{') {
            const std::size_t close = t.find('}', i);
            i = close == std::string_view::npos ? t.size() : close + 1;
        } else if (c == ';') {
            while (i < t.size() && t[i] != '\n' && t[i] != '\r') ++i;
        } else if (c == '(' || c == ')') {
            depth = c == '(' ? depth + 1 : std::max(0, depth - 1);
            ++i;
        } else if (c == ' ' || c == '\t') {
            ++i;
        } else {
            std::size_t end = i;
            while (end < t.size() && std::string_view(" \t\r\n{}();").find(t[end]) == std::string_view::npos) ++end;
            const std::string_view token = t.substr(i, end - i);
            i = end;
            if (depth > 0 || token.empty()) continue;
            // Past a move number ("12." or "12...") a move may follow without a blank.
            std::size_t k = 0;
            while (k < token.size() && token[k] >= '0' && token[k] <= '9') ++k;
            if (k > 0 && k < token.size() && token[k] == '.') {
                while (k < token.size() && token[k] == '.') ++k;
            } else {
                k = 0;
            }
            const std::string_view move = token.substr(k);
            if (move.empty() || move[0] == '$' || move == "*" || move.starts_with("1-0") || move.starts_with("0-1") ||
                move.starts_with("1/2"))
                continue;
            const char f = move[0];
            if ((f >= 'a' && f <= 'h') || std::string_view("KQRBNPO0-").find(f) != std::string_view::npos || move == "--") ++plies;
        }
    }
    return plies;
}
