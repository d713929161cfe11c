// The lines of one game's text as the loader reads them: anything before the
// first tag line is not part of the game, the tag lines run to the first empty
// or other line, and the rest is the movetext. The position search reads games
// through this too, so that both agree on where a game's moves begin.
#pragma once

#include <string>
#include <string_view>

class TGameTextLines {
public:
    explicit TGameTextLines(std::string_view text);
    // The next tag line (blanks trimmed); false once the tag lines have ended.
    bool NextTag(std::string_view& tag);
    // Whether any line follows the tag lines.
    bool HasMoveText() const { return haveLine_; }
    // Appends the movetext with one blank after each line, escape lines ("%")
    // left out. Call once the tags have been read.
    void AppendMoveText(std::string& out);

private:
    bool Next();
    std::string_view text_;
    size_t pos_ = 0;
    std::string_view line_;
    bool haveLine_ = false;
};
