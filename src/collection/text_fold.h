// Text as the game table sorts it: header bytes (UTF-8, or Latin-1 when they
// are not valid UTF-8) case-folded, with accents and other combining marks
// taken off their base letters ("É" and "e" sort alike) and compatibility
// forms unfolded ("ﬁ" as "fi"). The folding itself is utf8proc's (Unicode's
// own case folding and decomposition tables); plain ASCII, the common case,
// is folded here without it.
#pragma once

#include <string>
#include <string_view>

// The folded text, UTF-8; compared bytewise it orders by code point.
std::string FoldForSort(std::string_view bytes);
