#include "collection/game_header.h"

#include "collection/game_text.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int CompareText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(UpperAscii(a[i]));
        const unsigned char y = static_cast<unsigned char>(UpperAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// "[" + upper-cased name + " " compared with the start of the line, upper-cased.
bool MatchesTag(std::string_view line, std::string_view upperName) {
    if (line.size() < upperName.size() + 2) return false;
    if (line[0] != '[' || line[upperName.size() + 1] != ' ') return false;
    for (std::size_t i = 0; i < upperName.size(); ++i)
        if (UpperAscii(line[i + 1]) != upperName[i]) return false;
    return true;
}

// Substring with 1-based start as a Pascal Copy does it: clipped, never failing.
std::string_view Copy(std::string_view s, std::size_t start1, std::size_t count) {
    if (start1 == 0 || start1 > s.size()) return {};
    return s.substr(start1 - 1, count);
}

std::string ValueOrEmptyForQuestion(std::string_view line) {
    std::string v = TagValue(line);
    if (v == "?") v.clear();
    return v;
}

void DatePartsFrom(std::string_view value, std::uint16_t& year, std::uint16_t& month, std::uint16_t& day) {
    year = TagNumber(Copy(value, 1, 4));
    month = TagNumber(Copy(value, 6, 2));
    day = TagNumber(Copy(value, 9, 2));
}

}  // namespace

void TStringList::Add(const std::string& line) { lines_.push_back(line); }

const std::vector<std::string>& TStringList::Normalized() const {
    if (!Sorted || sortedCount_ == lines_.size()) return lines_;
    const auto less = [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; };
    // The lines held before come first, and a stable sort keeps equal lines in
    // the order they were added: the first of equal lines is the one kept.
    std::stable_sort(lines_.begin(), lines_.end(), less);
    lines_.erase(std::unique(lines_.begin(), lines_.end(),
                             [](const std::string& a, const std::string& b) { return CompareText(a, b) == 0; }),
                 lines_.end());
    sortedCount_ = lines_.size();
    return lines_;
}

void ClearEventData(TGameHeader& header) {
    header.White.assign("N.N.", 4);
    header.Black.assign("N.N.", 4);
    header.Event.clear();
    header.Annotator.clear();
    header.Site.clear();
    header.Result.assign(1, '*');
    header.ECO.clear();
    header.WhiteDifferenceToGMT.clear();
    header.BlackDifferenceToGMT.clear();
    header.DateTimeFormat.clear();
    header.GameId.clear();
    header.Year = header.Month = header.Day = 0;
    header.Round.clear();
    header.WhiteElo = header.BlackElo = kNoNumber;
    header.PlyCount = kNoNumber;
    header.EventYear = header.EventMonth = header.EventDay = 0;
    header.FEN.clear();
    header.TimeControlBase = header.TimeControlIncrement = 0;
    header.MetaDescription.clear();
    header.MetaKeywords.clear();
    header.WhiteClubID.clear();
    header.BlackClubID.clear();
    if (header.OtherTags) header.OtherTags->Clear();
    header.Movetext.clear();
}

std::string TagValue(std::string_view line) {
    const std::size_t open = line.find('"');
    if (open == std::string_view::npos) return {};
    bool closed = false;
    const std::size_t close = TagValueEnd(line, open, closed);
    const std::string_view raw = line.substr(open + 1, close == std::string_view::npos ? close : close - open - 1);
    if (raw.find('\\') == std::string_view::npos) return std::string(raw);
    // PGN's escapes: \" for a quote, \\ for a backslash.
    std::string value;
    value.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == '"' || raw[i + 1] == '\\')) ++i;
        value += raw[i];
    }
    return value;
}

std::int32_t TagInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return kNoNumber;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return kNoNumber;
        value = value * 10 + (c - '0');
        // Beyond a 32-bit integer the text is not a number the header keeps.
        if (value > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max())) return kNoNumber;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::uint16_t TagNumber(std::string_view text) {
    const std::int32_t value = TagInteger(text);
    if (value == kNoNumber) return 0;
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(value) & 0xFFFFu);
}

void ParseTagLine(TGameHeader& h, std::string_view line) {
    if (MatchesTag(line, "EVENT")) {
        h.Event = ValueOrEmptyForQuestion(line);
    } else if (MatchesTag(line, "SITE")) {
        h.Site = ValueOrEmptyForQuestion(line);
    } else if (MatchesTag(line, "WHITE")) {
        h.White = ValueOrEmptyForQuestion(line);
    } else if (MatchesTag(line, "BLACK")) {
        h.Black = ValueOrEmptyForQuestion(line);
    } else if (MatchesTag(line, "ANNOTATOR")) {
        h.Annotator = TagValue(line);
    } else if (MatchesTag(line, "RESULT")) {
        h.Result = TagValue(line);
    } else if (MatchesTag(line, "WHITEELO")) {
        h.WhiteElo = TagInteger(TagValue(line));
    } else if (MatchesTag(line, "BLACKELO")) {
        h.BlackElo = TagInteger(TagValue(line));
    } else if (MatchesTag(line, "PLYCOUNT")) {
        h.PlyCount = TagInteger(TagValue(line));
    } else if (MatchesTag(line, "DATE")) {
        DatePartsFrom(TagValue(line), h.Year, h.Month, h.Day);
    } else if (MatchesTag(line, "ROUND")) {
        h.Round = TagValue(line);
    } else if (MatchesTag(line, "ECO")) {
        h.ECO = TagValue(line);
    } else if (MatchesTag(line, "FEN")) {
        h.FEN = TagValue(line);
    } else if (MatchesTag(line, "METAKEYWORDS")) {
        h.MetaKeywords += TagValue(line);
    } else if (MatchesTag(line, "METADESCRIPTION")) {
        h.MetaDescription += TagValue(line);
    } else if (MatchesTag(line, "WHITECLUBID")) {
        h.WhiteClubID += TagValue(line);
    } else if (MatchesTag(line, "BLACKCLUBID")) {
        h.BlackClubID += TagValue(line);
    } else if (MatchesTag(line, "SETUP")) {
        // The FEN tag says it all; SetUp is dropped.
    } else if (MatchesTag(line, "EVENTDATE")) {
        DatePartsFrom(TagValue(line), h.EventYear, h.EventMonth, h.EventDay);
    } else if (MatchesTag(line, "TIMECONTROL")) {
        const std::string value = TagValue(line);
        const std::size_t plus = value.find('+');
        if (plus != std::string::npos) {
            std::string_view v(value);
            h.TimeControlBase = TagNumber(TrimBlanks(v.substr(0, plus)));
            h.TimeControlIncrement = TagNumber(TrimBlanks(v.substr(plus + 1)));
        }
    } else if (MatchesTag(line, "WHITEDIFFERENCETOGMT")) {
        h.WhiteDifferenceToGMT = TagValue(line);
    } else if (MatchesTag(line, "BLACKDIFFERENCETOGMT")) {
        h.BlackDifferenceToGMT = TagValue(line);
    } else if (MatchesTag(line, "DATETIMEFORMAT")) {
        h.DateTimeFormat = TagValue(line);
    } else if (MatchesTag(line, "GAMEID")) {
        h.GameId = TagValue(line);
    } else if (h.OtherTags) {
        h.OtherTags->Add(std::string(line));
    }
}

std::string_view TrimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlankByte(s[b])) ++b;
    while (e > b && IsBlankByte(s[e - 1])) --e;
    return s.substr(b, e - b);
}

void HeaderFromText(TGameHeader& header, std::string_view text, bool fillMovetext) {
    ClearEventData(header);
    if (text.empty()) {
        header.White.assign("Error", 5);
        header.Black.assign("...", 3);
        return;
    }
    TGameTextLines lines(text);
    TTag tag;
    while (lines.NextTag(tag)) ParseTagLine(header, tag.Text);
    if (!fillMovetext) return;
    // The line that ends the tag section is skipped; the rest is the movetext.
    std::size_t pos = lines.BodyOffset();
    bool first = true;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        std::size_t next = end;
        if (next < text.size()) {
            if (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ++next;
            ++next;
        }
        if (!first) {
            header.Movetext.append(text.substr(pos, end - pos));
            header.Movetext.append("\r\n");
        }
        first = false;
        pos = next;
    }
}

bool HeaderEndsWithin(std::string_view text) {
    // Lines before the first tag line are passed over; the tag section goes
    // on after blank and escape lines. A line cut by the end of what was
    // read may still be a tag line, unless what is there already shows that
    // it is not one.
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", pos);
        const std::string_view raw = text.substr(pos, end == std::string_view::npos ? end : end - pos);
        if (!inSection) {
            inSection = IsTagLine(raw);
        } else if (!(!raw.empty() && raw[0] == '%') && !TrimBlanks(raw).empty()) {
            // As the tag section's reader goes on (game_text.h): a line that
            // begins with "[" after its indent and a byte order mark.
            const std::size_t first = IndentEnd(raw);
            // The last line, cut by the end of what was read, may still turn
            // out to begin with "[" (after its mark and indent).
            const bool cut = end == std::string_view::npos;
            if (cut && (first == raw.size() || std::string_view("\xEF\xBB\xBF").starts_with(raw))) return false;
            if (first == raw.size() || raw[first] != '[') return true;
        }
        if (end == std::string_view::npos) return false;
        pos = end + 1;
        // CR LF is one line break.
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    }
    return false;
}
