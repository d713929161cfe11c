#include "collection/text_fold.h"

#include <cstdlib>
#include <utf8proc.h>

#include "collection/game_list_core.h"
#include "collection/row_texts.h"

std::string FoldForSort(std::string_view bytes) {
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) {
        std::string out(bytes);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    const std::string text = DisplayUtf8(bytes);
    utf8proc_uint8_t* folded = nullptr;
    const utf8proc_ssize_t n = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                            static_cast<utf8proc_ssize_t>(text.size()), &folded,
                                            static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPAT | UTF8PROC_COMPOSE |
                                                                           UTF8PROC_CASEFOLD | UTF8PROC_STRIPMARK |
                                                                           UTF8PROC_IGNORE));
    if (n < 0 || !folded) return text;  // cannot happen for valid UTF-8; then unfolded
    std::string out(reinterpret_cast<const char*>(folded), static_cast<std::size_t>(n));
    std::free(folded);
    return out;
}
