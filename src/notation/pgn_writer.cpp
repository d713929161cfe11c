// The PGN writer. The movetext is converted in one pass that appends to the
// output, never inserting into or deleting from the middle of a string, so
// huge comments and long games cost linear time.
#include "notation/pgn_writer.h"

#include <algorithm>
#include <array>

#include "collection/game_text.h"
#include "collection/utf8.h"
#include "notation/layout.h"
#include "notation/move_text.h"
#include "rules/chess960.h"
#include "rules/fen.h"

namespace {

std::string TagLine(std::string_view name, std::string_view value) {
    std::string line;
    line.reserve(name.size() + value.size() + 5);
    line += '[';
    line += name;
    line += " \"";
    line += value;
    line += "\"]";
    return line;
}

std::string OrQuestion(const std::string& value) { return value.empty() ? "?" : value; }

std::string TwoDigits(uint16_t v) {
    if (v == 0) return "??";
    return (v < 10 ? "0" : "") + std::to_string(v);
}

// A long value goes on several lines of 150 characters. A value in UTF-8 is
// counted in characters, so that no character is split between two lines
// (a split one would spoil the whole text for the clipboard).
void AddPieces(std::vector<std::string>& lines, std::string_view name, const std::string& value) {
    constexpr size_t kPiece = 150;
    const bool utf8 = IsValidUtf8(value);
    size_t at = 0;
    while (at < value.size()) {
        size_t end = at;
        for (size_t count = 0; end < value.size() && count < kPiece; ++count)
            end += utf8 ? Utf8Length(static_cast<unsigned char>(value[end])) : 1;
        lines.push_back(TagLine(name, value.substr(at, end - at)));
        at = end;
    }
}

// Numbers of the glyph characters the move text writes for position glyphs.
const std::array<int, 256>& GlyphNumbers() {
    static const std::array<int, 256> table = [] {
        std::array<int, 256> t{};
        for (int n = 0; n < 256; ++n) {
            std::string s = FixedNagSymbol(n);
            if (s.size() == 1) t[static_cast<unsigned char>(s[0])] = n;
        }
        return t;
    }();
    return table;
}

// End (one past the "}") of the comment that opens at i: the comment table's
// extent when it has one (comments joined with " | " for the notation),
// otherwise the next "}".
size_t CommentEnd(std::string_view t, size_t i, const TCommentRanges& ranges, size_t& nextRange) {
    while (nextRange < ranges.size() && ranges[nextRange].first < i) ++nextRange;
    if (nextRange < ranges.size() && ranges[nextRange].first == i) return std::min(ranges[nextRange].second, t.size());
    size_t close = t.find('}', i + 1);
    return close == std::string_view::npos ? t.size() : close + 1;
}

// The ">" mark (a glyph that belongs before the move) is dropped and " $998"
// put after the move word it preceded, that is before the next blank or "<".
// Comments are passed over exactly as the conversion passes over them.
// False when the text has no such mark; otherwise `out` gets the new text
// and `ranges` are moved along.
bool MoveBeforeMarks(std::string_view t, size_t end, TCommentRanges& ranges, std::string& out) {
    if (t.find('>') == std::string_view::npos) return false;
    std::vector<size_t> removed;  // positions of the marks
    std::vector<size_t> inserts;  // positions before which " $998" goes
    size_t i = 0;
    size_t range = 0;
    size_t wordEnd = 0;  // the last word end found; marks within that word share it
    while (i < end) {
        char c = t[i];
        if (c == '{') {
            i = CommentEnd(t, i, ranges, range);
            continue;
        }
        if (c == '>') {
            removed.push_back(i);
            if (wordEnd <= i) {
                size_t e = t.find_first_of(" <", i + 1);
                wordEnd = e == std::string_view::npos ? t.size() : e;
            }
            inserts.push_back(wordEnd);
        }
        ++i;
    }
    if (removed.empty()) return false;
    std::sort(inserts.begin(), inserts.end());
    out.clear();
    out.reserve(t.size() + inserts.size() * 5);
    size_t r = 0, k = 0;
    for (i = 0; i <= t.size(); ++i) {
        while (k < inserts.size() && inserts[k] == i) {
            out += " $998";
            ++k;
        }
        if (i == t.size()) break;
        if (r < removed.size() && removed[r] == i) {
            ++r;
            continue;
        }
        out += t[i];
    }
    // Where a character went: behind the marks removed before it and the
    // insertions at or before it.
    auto moved = [&](size_t p) {
        const size_t gone = static_cast<size_t>(std::lower_bound(removed.begin(), removed.end(), p) - removed.begin());
        const size_t added = static_cast<size_t>(std::upper_bound(inserts.begin(), inserts.end(), p) - inserts.begin());
        return p - gone + 5 * added;
    };
    for (auto& [from, to] : ranges) {
        if (from >= t.size() || to == 0 || to > t.size() || from >= to) continue;
        const size_t last = moved(to - 1);
        from = moved(from);
        to = last + 1;
    }
    return true;
}

// Length of the comment opening and the command at `j` ("{[%clk 1:30:58]"),
// 0 when no comment opening with a command stands there, or when the command
// is too long for any line (only so far is looked ahead: hostile comments
// stay linear).
size_t CommandAhead(std::string_view t, size_t j, size_t end) {
    constexpr size_t kLongest = 80;
    if (j + 3 > end || t.compare(j, 3, "{[%") != 0) return 0;
    const size_t stop = std::min(end, j + kLongest);
    for (size_t k = j + 3; k < stop; ++k)
        if (t[k] == ']' || t[k] == '}') return k + 1 - j;
    return 0;
}

}  // namespace

std::string PGNDateValue(uint16_t year, uint16_t month, uint16_t day) {
    std::string v = year == 0 ? std::string("????") : std::to_string(year);
    v += '.';
    v += TwoDigits(month);
    v += '.';
    v += TwoDigits(day);
    return v;
}

std::vector<std::string> PGNTagLines(const TGameHeader& h, const TBoard& startPosition, const TMoveRecord& startState,
                                     uint16_t startMoveNo, const TCastlingRooks& rooks) {
    std::vector<std::string> lines;
    lines.push_back(TagLine("Event", OrQuestion(h.Event)));
    lines.push_back(TagLine("Site", OrQuestion(h.Site)));
    lines.push_back(TagLine("Date", PGNDateValue(h.Year, h.Month, h.Day)));
    lines.push_back(TagLine("Round", h.Round.empty() ? std::string("-") : h.Round));
    lines.push_back(TagLine("White", OrQuestion(h.White)));
    lines.push_back(TagLine("Black", OrQuestion(h.Black)));
    lines.push_back(TagLine("Result", h.Result));
    if (!h.Annotator.empty()) lines.push_back(TagLine("Annotator", h.Annotator));
    if (h.BlackElo != kNoNumber) lines.push_back(TagLine("BlackElo", std::to_string(h.BlackElo)));
    if (!h.ECO.empty()) lines.push_back(TagLine("ECO", h.ECO));
    std::string eventDate = PGNDateValue(h.EventYear, h.EventMonth, h.EventDay);
    if (eventDate != "????.??.??") lines.push_back(TagLine("EventDate", eventDate));
    if (startPosition != InitialPosition || startState.Side != White) {
        lines.push_back(TagLine("FEN", PositionToFEN(startPosition, startState, startMoveNo, rooks)));
        lines.push_back(TagLine("SetUp", "1"));
    }
    if (h.TimeControlBase != 0)
        lines.push_back(TagLine("TimeControl",
                                std::to_string(h.TimeControlBase) + "+" + std::to_string(h.TimeControlIncrement)));
    if (h.WhiteElo != kNoNumber) lines.push_back(TagLine("WhiteElo", std::to_string(h.WhiteElo)));
    AddPieces(lines, "MetaKeywords", h.MetaKeywords);
    AddPieces(lines, "MetaDescription", h.MetaDescription);
    if (h.OtherTags)
        for (const std::string& line : h.OtherTags->Lines()) lines.push_back(line);
    return lines;
}

namespace {

bool SameNameAnyCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> GameTagLines(const TGameData& game, bool fromRecord) {
    if (fromRecord || game.TagLines.empty())
        return PGNTagLines(game.Header, game.StartPosition, game.StartState, game.StartMoveNo, game.CastlingRooks);
    // The seven required tags lead, in their order; one the game lacks is
    // written as the header record gives it (read back, the same record).
    static constexpr std::string_view kRoster[7] = {"Event", "Site", "Date", "Round", "White", "Black", "Result"};
    const std::vector<std::string> fromHeader =
        PGNTagLines(game.Header, game.StartPosition, game.StartState, game.StartMoveNo, game.CastlingRooks);
    std::vector<std::string> lines;
    lines.reserve(game.TagLines.size() + 7);
    std::vector<bool> used(game.TagLines.size(), false);
    for (std::size_t r = 0; r < 7; ++r) {
        std::size_t i = 0;
        for (; i < game.TagLines.size(); ++i) {
            const std::string_view text = game.TagLines[i];
            if (!used[i] && SameNameAnyCase(text.substr(1, TagNameLength(text)), kRoster[r])) break;
        }
        if (i < game.TagLines.size()) {
            lines.push_back(game.TagLines[i]);
            used[i] = true;
        } else {
            lines.push_back(fromHeader[r]);
        }
    }
    for (std::size_t i = 0; i < game.TagLines.size(); ++i)
        if (!used[i]) lines.push_back(game.TagLines[i]);
    return lines;
}

namespace {

// Where AppendMovetext writes: the text so far, the column of the line in
// hand, and, with a sink, the hand-on of the text in pieces of about a
// megabyte (the last bytes stay, for the line break at the end).
struct TMovetextOut {
    std::string& out;
    std::string_view lineBreak;
    const TTextSink& sink;
    size_t begin = out.size();  // where this movetext starts in out
    bool handedOn = false;
    long long column = 0;  // characters counted since the last line break

    void HandOn() {
        constexpr size_t kPiece = size_t{1} << 20;
        if (!sink || out.size() < kPiece) return;
        const size_t keep = lineBreak.size();
        sink(std::string_view(out).substr(0, out.size() - keep));
        out.erase(0, out.size() - keep);
        begin = 0;
        handedOn = true;
    }
};

// Writes the comment that opens at t[i] and ends before stop, breaking its
// lines at blanks; returns stop.
size_t AppendComment(std::string_view t, size_t i, size_t stop, TMovetextOut& w) {
    const size_t len = t.size();
    std::string& out = w.out;
    long long& n = w.column;
    out += '{';
    ++i;
    ++n;
    // A command ("[%clk 1:30:58]") is never broken over two lines.
    bool inCommand = false;
    while (i < stop) {
        w.HandOn();
        char k = t[i];
        if (k == '[' && i + 1 < stop && t[i + 1] == '%') inCommand = true;
        if (k == ']') inCommand = false;
        if (k == '\n') {
            ++i;
            while (i < len && (t[i] == ' ' || t[i] == '\n')) ++i;
            continue;
        }
        if (k == '|' && t[i - 1] == ' ' && t[i - 2] == '}' && i + 2 < stop && t[i + 1] == ' ' && t[i + 2] == '{') {
            // Two comments joined for the notation ("{a} | {b}") are
            // written as two: other programs read no "|".
            i += 2;
            continue;
        }
        if (k == '\r') {
            out += ' ';
        } else if (k == ' ') {
            size_t j = i + 1;
            while (j < len && t[j] == ' ') ++j;
            char after = j < len ? t[j] : '\0';
            if ((n > 60 || n + 1 + CommandAhead(t, j, stop) > 79) && after != '[' && !inCommand) {
                out += w.lineBreak;
                n = 0;
            } else {
                out += ' ';
            }
            // The other blanks of a run stay: a comment reads back exactly
            // as it was (a line end reads as one blank).
            out.append(j - i - 1, ' ');
            n += static_cast<long long>(j - i);
            i = j;
            continue;
        } else {
            out += k;
        }
        ++i;
        ++n;
    }
    return i;
}

}  // namespace

void AppendMovetext(std::string_view text, size_t verbatimTail, const TCommentRanges& comments,
                    std::string_view lineBreak, std::string& out, const TTextSink& sink) {
    verbatimTail = std::min(verbatimTail, text.size());
    TCommentRanges ranges = comments;
    std::string withMarksMoved;
    const std::string_view t =
        MoveBeforeMarks(text, text.size() - verbatimTail, ranges, withMarksMoved) ? withMarksMoved : text;
    size_t range = 0;
    const size_t len = t.size();
    const size_t end = len - verbatimTail;  // the mark removal keeps the tail's length
    const auto& glyphs = GlyphNumbers();

    TMovetextOut w{out, lineBreak, sink};
    const size_t wanted = w.begin + len + len / 8 + 16;
    if (!sink && out.capacity() < wanted) out.reserve(wanted);
    long long& n = w.column;
    size_t i = 0;
    while (i < end) {
        w.HandOn();
        char c = t[i];
        switch (c) {
            case '\n':
                ++i;
                while (i < len && (t[i] == ' ' || t[i] == '\n')) ++i;
                continue;
            case '\r':
                out += ' ';
                break;
            case ' ':
                // A comment opening with a command that would pass the 80th
                // column, where it cannot be broken, goes to the next line.
                if (n >= 71 || (n > 0 && n + 1 + CommandAhead(t, i + 1, end) > 79)) {
                    out += lineBreak;
                    n = 0;
                } else {
                    out += ' ';
                }
                break;
            case '!':
            case '?':
                if (i + 1 < len) {
                    char next = t[i + 1];
                    out += " $";
                    if (c == '!' && next == '!') out += '3';
                    else if (c == '!' && next == '?') out += '5';
                    else if (c == '?' && next == '?') out += '4';
                    else if (c == '?' && next == '!') out += '6';
                    else {
                        // A single sign: the digit is inserted, so the sign
                        // counts as one character.
                        out += c == '!' ? '1' : '2';
                        break;
                    }
                    i += 2;
                    n += 2;
                    continue;
                }
                out += c;
                break;
            case '<':
                out += " $999";
                break;
            case 'D': out += 'Q'; break;
            case 'L': out += 'B'; break;
            case 'S': out += 'N'; break;
            case 'T': out += 'R'; break;
            case '[': out += '('; break;
            case ']': out += ')'; break;
            case '{':
                i = AppendComment(t, i, CommentEnd(t, i, ranges, range), w);
                continue;
            default: {
                int glyph = glyphs[static_cast<unsigned char>(c)];
                if (glyph != 0) {
                    out += " $";
                    out += std::to_string(glyph);
                } else {
                    out += c;
                }
                break;
            }
        }
        ++i;
        ++n;
    }
    if (i < len) out.append(t.substr(std::max(i, end)));
    // Every line ends with a line break, the last one too.
    if ((w.handedOn || out.size() > w.begin) && !std::string_view(out).substr(w.begin).ends_with(lineBreak))
        out += lineBreak;
}

std::vector<std::string> ConvertNotationToMovetext(std::string_view text, size_t verbatimTail,
                                                   const TCommentRanges& comments) {
    std::string out;
    AppendMovetext(text, verbatimTail, comments, "\n", out, {});
    std::vector<std::string> lines;
    for (size_t start = 0; start < out.size();) {
        const size_t brk = std::min(out.find('\n', start), out.size());
        lines.push_back(out.substr(start, brk - start));
        start = brk + 1;
    }
    return lines;
}

namespace {

int Write(TNotationCore& core, bool toClipboard, std::string& text, bool tagsOnly, const TClipboardSink& clipboard,
          bool layOutAgain, const TTextSink& sink = {}) {
    TNotationDisplay& d = DisplayOf(core);
    // Whatever happens below, the display gets its normal layout back.
    struct TRestore {
        TNotationCore& core;
        bool relayout;
        ~TRestore() {
            core.PgnMode = false;
            if (!relayout) return;
            // A huge text in PGN form is given back before the normal one is
            // built, not kept beside it.
            if (core.Display && core.Display->Text.capacity() > (size_t{64} << 20)) std::string().swap(core.Display->Text);
            try {
                core.Relayout();
            } catch (...) {
            }
        }
    } restore{core, !tagsOnly && layOutAgain};

    const TGameData& game = core.Game;
    if (!tagsOnly) {
        core.PgnMode = true;
        LayoutNotation(core, d);
    }
    std::vector<std::string> lines = GameTagLines(game, core.TagsFromRecord);
    const std::string& crlf = core.LineBreak;
    if (tagsOnly) {
        text.clear();
        for (const std::string& line : lines) text += line + crlf;
        return -1;
    }
    std::string_view body = d.Text;
    size_t cut = d.Headline ? std::min(body.size(), static_cast<size_t>(std::max(d.HeadlineLength, 0))) : 0;
    // The movetext starts at its first word: a game without moves is laid
    // out as " 0-1", which is not written with its blank.
    while (cut < body.size() && body[cut] == ' ') ++cut;
    body.remove_prefix(cut);
    TCommentRanges comments;
    for (const TCommentEntry& c : d.Comments) {
        size_t from = static_cast<size_t>(c.Pos - 1);
        if (from < cut) continue;
        comments.emplace_back(from - cut, from - cut + static_cast<size_t>(c.Len));
    }
    // The text is written once, into a buffer about its size: a game with a
    // huge comment costs its tree, its notation text and this, no more.
    size_t tags = crlf.size();
    for (const auto& l : lines) tags += l.size() + crlf.size();
    std::string all;
    all.reserve(tags + (sink ? 1 << 20 : body.size() + body.size() / 8 + 64));
    for (const auto& l : lines) all.append(l).append(crlf);
    all.append(crlf);
    AppendMovetext(body, game.Header.Result.size(), comments, crlf, all, sink);
    if (sink) {
        sink(all);
        return 0;
    }
    if (toClipboard) {
        if (!clipboard || !clipboard(all)) return 1;
        return 0;
    }
    text = std::move(all);
    return 0;
}

}  // namespace

int WritePGN(TNotationCore& core, bool toClipboard, std::string& text, bool tagsOnly,
             const TClipboardSink& clipboard) {
    return Write(core, toClipboard, text, tagsOnly, clipboard, true);
}

void WritePGNOnce(TNotationCore& core, const TTextSink& sink) {
    std::string unused;
    Write(core, false, unused, false, {}, false, sink);
}

void CopyPGNToClipboard(TNotationCore& core, const TClipboardSink& clipboard) {
    std::string unused;
    WritePGN(core, true, unused, false, clipboard);
}
