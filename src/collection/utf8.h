// UTF-8 at the byte level: the core keeps texts as bytes and decides per text
// whether they are UTF-8 (shown as such) or Latin-1.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Length of the UTF-8 sequence that starts with `lead`, 0 when it cannot start one.
size_t Utf8Length(unsigned char lead);

// Whether the whole text is valid UTF-8: shortest forms only, no surrogates,
// nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s);

// Appends the code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
