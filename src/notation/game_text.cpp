#include "notation/game_text.h"

#include "collection/event_data.h"

TGameTextLines::TGameTextLines(std::string_view text) : text_(text) {
    while (Next()) {
        const std::string_view trimmed = TrimBlanks(line_);
        if (!trimmed.empty() && trimmed[0] == '[') break;
    }
}

// The next line (CR LF, LF or CR end a line); false at the end.
bool TGameTextLines::Next() {
    haveLine_ = pos_ < text_.size();
    if (!haveLine_) return false;
    const size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string_view::npos) {
        line_ = text_.substr(pos_);
        pos_ = text_.size();
        return true;
    }
    line_ = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    return true;
}

bool TGameTextLines::NextTag(std::string_view& tag) {
    if (!haveLine_) return false;
    const std::string_view trimmed = TrimBlanks(line_);
    if (trimmed.empty() || trimmed[0] != '[') return false;
    tag = trimmed;
    Next();
    return true;
}

void TGameTextLines::AppendMoveText(std::string& out) {
    if (!haveLine_) return;
    do {
        if (!line_.empty() && line_[0] == '%') continue;
        out.append(line_);
        out += ' ';
    } while (Next());
}
