// Finding games by the text of their header: White, Black, Event, Site or
// the year contain the searched text, compared without regard to case.
#pragma once

#include <string>
#include <string_view>

// The text as UTF-8 (valid UTF-8 as it is, anything else read as Latin-1)
// with upper-case letters turned to lower case: ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic.
std::string FoldForSearch(std::string_view bytes);

class THeaderMatcher {
public:
    explicit THeaderMatcher(std::string_view text) : needle_(FoldForSearch(text)) {}
    // True when a field of the game's header contains the text. An empty
    // text matches every game.
    bool Matches(std::string_view gameText) const;
    const std::string& Needle() const { return needle_; }

private:
    std::string needle_;
};
