#include "collection/game_text.h"

#include <algorithm>
#include <cstring>

#include "collection/game_header.h"

namespace {

// Tag names longer than this are no tag names: the line is something else.
constexpr std::size_t kMaxTagName = 255;

bool IsLineBlank(std::string_view line) { return TrimBlanks(line).empty(); }

bool IsFileLetter(char c) { return c >= 'a' && c <= 'h'; }
bool IsRankDigit(char c) { return c >= '1' && c <= '8'; }
bool IsPieceLetter(char c) {
    switch (c) {
        case 'K': case 'Q': case 'R': case 'B': case 'N': case 'P':
        case 'D': case 'T': case 'L': case 'S':
            return true;
        default:
            return false;
    }
}
bool IsPromotionLetter(char c) { return IsPieceLetter(c) && c != 'K' && c != 'P'; }

}  // namespace

std::size_t IndentEnd(std::string_view line) {
    std::size_t i = line.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (i < line.size() && IsBlankByte(line[i])) ++i;
    return i;
}

bool IsMoveWord(std::string_view w) {
    std::size_t digits = 0;
    while (digits < w.size() && w[digits] >= '0' && w[digits] <= '9') ++digits;
    if (digits > 0 && digits < w.size() && w[digits] == '.') {
        w.remove_prefix(digits);
        while (!w.empty() && w.front() == '.') w.remove_prefix(1);
    }
    while (!w.empty() && (w.back() == '+' || w.back() == '#' || w.back() == '!' || w.back() == '?')) w.remove_suffix(1);
    if (w == "O-O" || w == "O-O-O" || w == "0-0" || w == "0-0-0" || w == "--" || w == "Z0") return true;
    if (w.size() >= 3 && (IsPromotionLetter(w.back()) || (w.back() >= 'a' && IsPromotionLetter(static_cast<char>(w.back() - 32)))) &&
        (w[w.size() - 2] == '=' || IsRankDigit(w[w.size() - 2]))) {
        w.remove_suffix(1);
        if (w.back() == '=') w.remove_suffix(1);
    }
    if (w.size() < 2 || !IsFileLetter(w[w.size() - 2]) || !IsRankDigit(w.back())) return false;
    std::string_view from = w.substr(0, w.size() - 2);  // what stands before the target square
    if (!from.empty() && (from.back() == 'x' || from.back() == ':' || from.back() == '-')) from.remove_suffix(1);
    if (!from.empty() && IsPieceLetter(from.front())) {
        from.remove_prefix(1);
        if (!from.empty() && IsFileLetter(from.front())) from.remove_prefix(1);
        if (!from.empty() && IsRankDigit(from.front())) from.remove_prefix(1);
        return from.empty();
    }
    return from.empty() || (from.size() == 1 && IsFileLetter(from[0])) ||
           (from.size() == 2 && IsFileLetter(from[0]) && IsRankDigit(from[1]));
}

// Where the value of the tag in s (from its opening quote at `open`) ends:
// at the first quote not escaped by a backslash that blanks and a "]"
// follow, so that quotes left unescaped inside it stay in it
// ("[Event "Tour "C""]"); else at the first such quote at all. Sets
// `closed` when a "]" follows it. npos when no quote ends it.
std::size_t TagValueEnd(std::string_view s, std::size_t open, bool& closed) {
    std::size_t first = std::string_view::npos;
    closed = false;
    for (std::size_t i = open + 1; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            ++i;
        } else if (s[i] == '"') {
            std::size_t j = i + 1;
            while (j < s.size() && IsIndentByte(s[j])) ++j;
            if (j < s.size() && s[j] == ']') {
                closed = true;
                return i;
            }
            if (first == std::string_view::npos) first = i;
        }
    }
    return first;
}

std::size_t TagNameLength(std::string_view s) {
    std::size_t from = 1;
    while (from < s.size() && from < 256 && IsIndentByte(s[from])) ++from;
    if (s.size() < from + 3 || s[0] != '[' || !IsTagNameStart(s[from])) return 0;
    std::size_t i = from + 1;
    while (i < s.size() && i - from < kMaxTagName && IsTagNameByte(s[i])) ++i;
    const std::size_t name = i - from;
    if (i >= s.size() || !IsIndentByte(s[i])) return 0;
    while (i < s.size() && IsIndentByte(s[i])) ++i;
    return i < s.size() && s[i] == '"' ? name : 0;
}

bool ReadTag(std::string_view line, std::size_t& pos, TTag& tag) {
    const std::string_view s = line.substr(pos);
    const std::size_t name = TagNameLength(s);
    if (name == 0) return false;
    std::size_t from = 1;
    while (IsIndentByte(s[from])) ++from;
    const std::size_t open = s.find('"', from + name);
    bool closed = false;
    const std::size_t close = TagValueEnd(s, open, closed);
    std::size_t end = close == std::string_view::npos ? s.size() : close + 1;
    if (closed) end = s.find(']', end) + 1;
    tag.Name = s.substr(from, name);
    tag.Text = TrimBlanks(s.substr(0, end));
    pos += end;
    return true;
}

bool IsTagLine(std::string_view line) { return TagNameLength(line.substr(IndentEnd(line))) != 0; }

bool IsTagNamed(std::string_view line, std::string_view upperName) {
    if (line.size() < upperName.size() + 2 || line[0] != '[' || line[upperName.size() + 1] != ' ') return false;
    for (size_t i = 0; i < upperName.size(); ++i) {
        char c = line[i + 1];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != upperName[i]) return false;
    }
    return true;
}

bool IsStandardVariant(std::string_view value) {
    std::string v(value);
    for (char& c : v)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return v.empty() || v == "standard" || v == "normal" || v == "chess";
}

std::string_view TGameTextLines::LineAt(std::size_t pos, std::size_t& next) const {
    // Two memchr over the line rather than find_first_of, which looks at
    // each byte on its own: a line may be a gigabyte of comment.
    const char* base = text_.data();
    const void* lf = std::memchr(base + pos, '\n', text_.size() - pos);
    const std::size_t lineEnd = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - base) : text_.size();
    const void* cr = std::memchr(base + pos, '\r', lineEnd - pos);
    const std::size_t end = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - base) : lineEnd;
    if (end == text_.size()) {
        next = text_.size();
        return text_.substr(pos);
    }
    next = end + 1;
    if (text_[end] == '\r' && next < text_.size() && text_[next] == '\n') ++next;
    return text_.substr(pos, end - pos);
}

TGameTextLines::TGameTextLines(std::string_view text) : text_(text) {
    std::size_t pos = 0;
    while (pos < text_.size()) {
        std::size_t next = 0;
        const std::string_view line = LineAt(pos, next);
        if (IsTagLine(line)) {
            line_ = line;
            linePos_ = 0;
            nextLine_ = next;
            inLine_ = true;
            return;
        }
        pos = next;
    }
    // No tag section: all of it is movetext.
    ended_ = true;
    bodyFrom_ = 0;
}

bool TGameTextLines::NextSectionLine() {
    std::size_t pos = nextLine_;
    while (pos < text_.size()) {
        std::size_t next = 0;
        const std::string_view line = LineAt(pos, next);
        const bool escape = !line.empty() && line[0] == '%';
        if (!escape && !IsLineBlank(line)) {
            const std::size_t first = IndentEnd(line);
            if (first == line.size() || line[first] != '[') break;
            line_ = line;
            linePos_ = 0;
            nextLine_ = next;
            return true;
        }
        pos = next;
    }
    bodyFrom_ = nextLine_;
    return false;
}

void TGameTextLines::Normalize(TTag& tag) {
    const std::string_view t = tag.Text;
    const std::size_t open = t.find('"');
    std::size_t close = t.size();
    if (t.back() == ']') {
        close = t.size() - 1;
        while (close > open && IsIndentByte(t[close - 1])) --close;
    }
    // "[Name "...": one blank between the name and the value.
    if (open == tag.Name.size() + 2 && t[open - 1] == ' ' && close >= t.size() - 1) return;
    normal_.assign("[");
    normal_.append(tag.Name);
    normal_ += ' ';
    normal_.append(t.substr(open, close - open));
    if (close < t.size()) normal_ += ']';
    tag.Text = normal_;
}

bool TGameTextLines::NextTag(TTag& tag) {
    while (!ended_) {
        if (inLine_) {
            linePos_ += IndentEnd(line_.substr(linePos_));
            if (ReadTag(line_, linePos_, tag)) {
                Normalize(tag);
                return true;
            }
            const std::string_view rest = TrimBlanks(line_.substr(linePos_));
            if (!rest.empty()) rests_.push_back(rest);
            inLine_ = false;
        }
        if (!NextSectionLine()) {
            ended_ = true;
            return false;
        }
        if (!IsTagLine(line_)) {
            // A "[" line of another form is read whole, as a tag line.
            tag = TTag{{}, TrimBlanks(line_)};
            return true;
        }
        inLine_ = true;
    }
    return false;
}

namespace {

// Writes over the text being read, never ahead of the reading: without ";"
// comments each byte written stands for one read (the blank after a line
// for its line end; the tags before a rest on a tag line make room for the
// blank after it), but the blank after a last line with no line end, which
// is left out when the text has no room for it.
struct TInPlaceOut {
    char* base;
    std::size_t limit;
    std::size_t at = 0;
    std::size_t size() const { return at; }
    char* begin() { return base; }
    char* end() { return base + at; }
    void append(std::string_view s) {
        const std::size_t n = std::min(s.size(), limit - at);
        std::memmove(base + at, s.data(), n);
        at += n;
    }
    TInPlaceOut& operator+=(char c) {
        if (at < limit) base[at++] = c;
        return *this;
    }
};

}  // namespace

void TGameTextLines::AppendMoveText(std::string& out, bool withComments) const { WriteMoveText(out, withComments); }

bool TGameTextLines::MoveTextInPlace(std::string& text, bool withComments) const {
    if (text.data() != text_.data() || text.size() != text_.size() || std::memchr(text.data(), ';', text.size()))
        return false;
    TInPlaceOut out{text.data(), text.size()};
    WriteMoveText(out, withComments);
    text.resize(out.at);
    return true;
}

template <class TOut>
void TGameTextLines::WriteMoveText(TOut& out, bool withComments) const {
    bool inComment = false;
    // One line of movetext and the blank after it; a comment's inside only
    // with comments. A ";" outside braces makes the rest of the line a
    // comment: it is written as a brace comment ("; note" -> "{ note}"),
    // a "}" in it as ")" so that it cannot end the comment early.
    auto append = [&](std::string_view line) {
        while (!line.empty()) {
            if (inComment) {
                const std::size_t close = line.find('}');
                if (close == std::string_view::npos) {
                    if (withComments) out.append(line);
                    break;
                }
                if (withComments) out.append(line.substr(0, close));
                out += '}';
                inComment = false;
                line.remove_prefix(close + 1);
                continue;
            }
            std::size_t open = line.find('{');
            const void* semi = std::memchr(line.data(), ';', open == std::string_view::npos ? line.size() : open);
            if (semi) {
                const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(semi) - line.data());
                out.append(line.substr(0, at));
                out += '{';
                if (withComments) {
                    const std::size_t from = out.size();
                    out.append(line.substr(at + 1));
                    std::replace(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(), '}', ')');
                }
                out += '}';
                break;
            }
            if (open == std::string_view::npos) {
                out.append(line);
                break;
            }
            out.append(line.substr(0, open + 1));
            inComment = true;
            line.remove_prefix(open + 1);
        }
        if (withComments || !inComment) out += ' ';
    };
    for (std::string_view rest : rests_) append(rest);
    std::size_t pos = bodyFrom_;
    while (pos < text_.size()) {
        std::size_t next = 0;
        const std::string_view line = LineAt(pos, next);
        if (line.empty() || line[0] != '%') append(line);
        pos = next;
    }
}
