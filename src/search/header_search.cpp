// Header search: the fields are folded to lower-case UTF-8 once per game and
// searched for the folded text.
#include "search/header_search.h"

#include <cstdint>

#include "collection/game_header.h"
#include "collection/game_list_core.h"
#include "collection/row_texts.h"
#include "collection/utf8.h"

namespace {

char32_t LowerCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c < 0xC0) return c;
    if (c <= 0xDE) return c == 0xD7 ? c : c + 32;                      // Latin-1 letters
    if (c >= 0x100 && c <= 0x17F) {                                    // Latin Extended-A pairs
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
        if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        return (c % 2 == 0) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;         // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 32;                       // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

}  // namespace

std::string FoldForSearch(std::string_view bytes) {
    const std::string utf8 = DisplayUtf8(bytes);  // valid UTF-8 from here on
    std::string out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        char32_t c = p[i];
        size_t len = 1;
        if (c >= 0xF0) c &= 0x07, len = 4;
        else if (c >= 0xE0) c &= 0x0F, len = 3;
        else if (c >= 0xC0) c &= 0x1F, len = 2;
        for (size_t k = 1; k < len && i + k < n; ++k) c = (c << 6) | (p[i + k] & 0x3F);
        AppendUtf8(out, LowerCase(c));
        i += len;
    }
    return out;
}

bool THeaderMatcher::Matches(std::string_view gameText) const {
    if (needle_.empty()) return true;
    TGameHeader header;
    HeaderFromText(header, gameText, false);
    std::string year = header.Year ? std::to_string(header.Year) : std::string();
    const std::string* fields[] = {&header.White, &header.Black, &header.Event, &header.Site, &year};
    for (const std::string* field : fields)
        if (FoldForSearch(*field).find(needle_) != std::string::npos) return true;
    return false;
}
