// Reading commands out of comments. One pass over each brace group: text is
// copied to the shown comment, a command understood is taken out (with the
// blanks around it closed up to one), anything else is copied as written.
// Every scan stops at the next "]", "[" or "}", so hostile comments cost
// linear time.
#include "notation/comment_commands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "notation/notation_core.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool AllDigits(std::string_view s) {
    if (s.empty() || s.size() > 6) return false;
    for (char c : s)
        if (!IsDigit(c)) return false;
    return true;
}

int Digits(std::string_view s) {
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

// A plain decimal number ("12", "0.8", "1.20"), no sign; false for anything else.
bool ReadDecimal(std::string_view s, double& value) {
    if (s.empty() || !IsDigit(s.front()) || !IsDigit(s.back()) || s.size() > 12) return false;
    for (char c : s)
        if (!IsDigit(c) && c != '.') return false;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
    return ec == std::errc() && ptr == s.data() + s.size();
}

// "H:MM:SS", "M:SS", either with a fraction of a second.
bool ReadClock(std::string_view s, int64_t& ms) {
    std::vector<std::string_view> fields;
    size_t at = 0;
    for (size_t colon; (colon = s.find(':', at)) != std::string_view::npos; at = colon + 1) {
        fields.push_back(s.substr(at, colon - at));
        if (fields.size() > 2) return false;
    }
    fields.push_back(s.substr(at));
    if (fields.size() < 2) return false;
    double seconds = 0;
    if (!ReadDecimal(fields.back(), seconds) || seconds >= 60) return false;
    int64_t total = 0;
    for (size_t i = 0; i + 1 < fields.size(); ++i) {
        if (!AllDigits(fields[i])) return false;
        const int v = Digits(fields[i]);
        if (i > 0 && v >= 60) return false;  // minutes after hours
        total = total * 60 + v;
    }
    ms = total * 60000 + static_cast<int64_t>(std::llround(seconds * 1000));
    return true;
}

// "[%eval 0.36]", "[%eval -1.2]", "[%eval #-3]", "[%eval 0.17,20]" (with depth).
bool ReadEval(std::string_view s, TCommentCommands& k) {
    int depth = -1;
    if (size_t comma = s.find(','); comma != std::string_view::npos) {
        const std::string_view d = Trim(s.substr(comma + 1));
        if (!AllDigits(d)) return false;
        depth = Digits(d);
        s = Trim(s.substr(0, comma));
    }
    int mate = 0;
    double pawns = 0;
    if (!s.empty() && s.front() == '#') {
        s.remove_prefix(1);
        int sign = 1;
        if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
            sign = s.front() == '-' ? -1 : 1;
            s.remove_prefix(1);
        }
        if (!AllDigits(s) || Digits(s) == 0) return false;
        mate = sign * Digits(s);
    } else {
        int sign = 1;
        if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
            sign = s.front() == '-' ? -1 : 1;
            s.remove_prefix(1);
        }
        if (!ReadDecimal(s, pawns) || pawns > 1000) return false;
        pawns *= sign;
    }
    k.HasEval = true;
    k.Mate = mate;
    k.EngineMate = false;
    k.EngineForm = false;
    k.EvalCp = mate ? 0 : static_cast<int>(std::lround(pawns * 100));
    k.Depth = depth;
    return true;
}

bool ReadSquare(std::string_view s, uint8_t& q) {
    const char f = static_cast<char>(s[0] | 0x20);
    if (f < 'a' || f > 'h' || s[1] < '1' || s[1] > '8') return false;
    q = static_cast<uint8_t>((s[1] - '1') * 8 + (f - 'a'));
    return true;
}

// "Ge2e4,Rd1d8" or "Rh5,Gd4": items that do not read are passed over.
bool ReadMarks(std::string_view s, bool arrows, TBoardMarks& marks) {
    bool any = false;
    while (!s.empty()) {
        const size_t comma = s.find(',');
        const std::string_view item = Trim(s.substr(0, comma));
        s = comma == std::string_view::npos ? std::string_view() : s.substr(comma + 1);
        TMarkColor color;
        uint8_t from = 0, to = 0;
        if (item.size() != (arrows ? 5u : 3u) || !MarkColorOfLetter(item[0], color) || !ReadSquare(item.substr(1), from))
            continue;
        if (arrows && !ReadSquare(item.substr(3), to)) continue;
        any = true;
        if (arrows && from != to) {
            if (marks.Arrows.size() < TCommentCommands::kMaxMarks) marks.Arrows.push_back({from, to, color});
        } else if (marks.Squares.size() < TCommentCommands::kMaxMarks) {
            marks.Squares.push_back({from, color});  // an arrow to its own square marks the square
        }
    }
    return any;
}

// One command: its name and what stands between the name and "]". True when
// it is understood (its values are taken).
bool ApplyCommand(std::string_view name, std::string_view args, TCommentCommands& k) {
    args = Trim(args);
    if (name == "clk") return ReadClock(args, k.ClockMs);
    if (name == "emt") return ReadClock(args, k.TimeUsedMs);
    if (name == "eval") return ReadEval(args, k);
    if (name == "cal") return ReadMarks(args, true, k.Marks);
    if (name == "csl") return ReadMarks(args, false, k.Marks);
    return false;
}

// The engine form at the start of a group: "+0.35/25 12s", "-1.20/18 0.8s",
// "0.13/ 12 123", "+M5/20 1.2s", "+0.35/25", then optionally ", text" or
// " text". Returns how much of `s` it takes (0: not this form). The score
// needs its decimals (or the M), so "1/2 is a draw" is no evaluation.
size_t ReadEngineForm(std::string_view s, int engineSign, TCommentCommands& k) {
    size_t i = 0;
    auto at = [&](size_t j) { return j < s.size() ? s[j] : '\0'; };
    while (IsBlank(at(i))) ++i;
    int sign = 1;
    if (at(i) == '+' || at(i) == '-') sign = at(i++) == '-' ? -1 : 1;
    const bool mate = at(i) == 'M';
    if (mate) ++i;
    const size_t scoreStart = i;
    while (IsDigit(at(i)) || (!mate && at(i) == '.')) ++i;
    const std::string_view score = s.substr(scoreStart, i - scoreStart);
    double pawns = 0;
    if (mate ? !AllDigits(score) || Digits(score) == 0
             : score.find('.') == std::string_view::npos || !ReadDecimal(score, pawns) || pawns > 1000)
        return 0;
    if (at(i++) != '/') return 0;
    while (at(i) == ' ') ++i;
    const size_t depthStart = i;
    while (IsDigit(at(i))) ++i;
    const std::string_view depth = s.substr(depthStart, i - depthStart);
    if (!AllDigits(depth)) return 0;
    // Then the time, a comma, or the end.
    int64_t usedMs = TCommentCommands::kNone;
    size_t end = i;
    size_t j = i;
    while (IsBlank(at(j))) ++j;
    if (j > i && IsDigit(at(j))) {
        const size_t timeStart = j;
        while (IsDigit(at(j)) || at(j) == '.') ++j;
        double value = 0;
        if (!ReadDecimal(s.substr(timeStart, j - timeStart), value)) return 0;
        double scale = 1000;
        if (at(j) == 'm' && at(j + 1) == 's') {
            scale = 1;
            j += 2;
        } else if (at(j) == 's') {
            ++j;
        }
        if (at(j) != '\0' && at(j) != ',' && !IsBlank(at(j))) return 0;
        usedMs = static_cast<int64_t>(std::llround(value * scale));
        end = j;
    } else if (at(j) != '\0' && at(j) != ',') {
        return 0;
    }
    while (IsBlank(at(end))) ++end;
    if (at(end) == ',') ++end;
    while (IsBlank(at(end))) ++end;

    const int white = engineSign < 0 ? -sign : sign;
    k.HasEval = true;
    k.EngineForm = true;
    k.EngineMate = mate;
    k.Mate = mate ? white * Digits(score) : 0;
    k.EvalCp = mate ? 0 : white * static_cast<int>(std::lround(pawns * 100));
    k.Depth = Digits(depth);
    if (usedMs != TCommentCommands::kNone) k.TimeUsedMs = usedMs;
    return end;
}

// The engine-match form of a whole group as key=value items separated by
// commas: "d=36, sd=58, mt=20220, tl=1741897, pv=Nh6 c4 g6, wv=0.92, ...".
// wv is the evaluation from White's view (pawns, or "M11" / "-M11" for a
// mate), d the depth, mt the time the move took and tl the time left, both
// in milliseconds. Taken when one of the items is wv, tl or mt: the other
// key=value items are engine data and go too, items of plain text ("Black
// wins by adjudication") stay in `rest`; true then.
bool ReadKeyValueForm(std::string_view s, TCommentCommands& k, std::string& rest) {
    TCommentCommands found;
    bool known = false;
    std::string text;
    for (size_t i = 0; i < s.size();) {
        size_t end = s.find(',', i);
        if (end == std::string_view::npos) end = s.size();
        const std::string_view raw = s.substr(i, end - i), item = Trim(raw);
        i = end + 1;
        if (item.empty()) continue;
        const size_t eq = item.find('=');
        bool isKey = eq != 0 && eq != std::string_view::npos;
        for (size_t c = 0; isKey && c < eq; ++c)
            isKey = IsDigit(item[c]) || ((item[c] | 0x20) >= 'a' && (item[c] | 0x20) <= 'z');
        if (!isKey) {
            // Separated as written (a comma, a blank if there was one).
            if (!text.empty()) text += IsBlank(raw[0]) ? ", " : ",";
            text += item;
            continue;
        }
        const std::string_view key = item.substr(0, eq), value = item.substr(eq + 1);
        double number = 0;
        if (key == "wv") {
            const bool minus = !value.empty() && value[0] == '-';
            const std::string_view mate = value.substr(minus ? 1 : 0);
            if (!mate.empty() && mate[0] == 'M' && AllDigits(mate.substr(1)) && Digits(mate.substr(1)) > 0) {
                found.Mate = (minus ? -1 : 1) * Digits(mate.substr(1));
                found.EngineMate = true;
            } else if (ReadDecimal(minus ? value.substr(1) : value, number) && number <= 1000) {
                found.EvalCp = (minus ? -1 : 1) * static_cast<int>(std::lround(number * 100));
            } else {
                return false;
            }
            found.HasEval = known = true;
        } else if (int64_t v = 0; (key == "d" || key == "mt" || key == "tl") && value.size() <= 12 &&
                                  std::from_chars(value.data(), value.data() + value.size(), v).ptr ==
                                      value.data() + value.size() && !value.empty() && IsDigit(value[0])) {
            if (key == "d") found.Depth = static_cast<int>(std::min<int64_t>(v, 999));
            else (key == "mt" ? found.TimeUsedMs : found.ClockMs) = v;
            known = known || key != "d";
        }
    }
    if (!known) return false;
    rest = std::move(text);
    if (found.HasEval) {
        k.HasEval = true;
        k.EngineForm = false;
        k.EvalCp = found.EvalCp;
        k.Mate = found.Mate;
        k.EngineMate = found.EngineMate;
        k.Depth = found.Depth;
    }
    if (found.TimeUsedMs != TCommentCommands::kNone) k.TimeUsedMs = found.TimeUsedMs;
    if (found.ClockMs != TCommentCommands::kNone) k.ClockMs = found.ClockMs;
    return true;
}

// The text of one group (without braces) as shown; `took` is set when a
// command was taken out of it.
std::string ShownGroup(std::string_view s, int engineSign, TCommentCommands& k, bool& took) {
    std::string out;
    if (s.find('=') != std::string_view::npos && s.find("[%") == std::string_view::npos && ReadKeyValueForm(s, k, out)) {
        took = true;
        return out;
    }
    size_t i = ReadEngineForm(s, engineSign, k);
    took = i > 0;
    bool blankDue = false;  // blanks around a removed command close up to one
    auto removeAt = [&](size_t after) {
        bool before = false;
        while (!out.empty() && IsBlank(out.back())) {
            out.pop_back();
            before = true;
        }
        i = after;
        bool behind = false;
        while (i < s.size() && IsBlank(s[i])) {
            ++i;
            behind = true;
        }
        blankDue = blankDue || (before && behind);
        took = true;
    };
    auto put = [&](std::string_view text) {
        if (blankDue && !out.empty()) out += ' ';
        blankDue = false;
        out += text;
    };
    while (i < s.size()) {
        const size_t open = s.find("[%", i);
        if (open == std::string_view::npos) {
            put(s.substr(i));
            break;
        }
        if (open > i) put(s.substr(i, open - i));
        size_t p = open + 2;
        while (p < s.size() && (IsDigit(s[p]) || ((s[p] | 0x20) >= 'a' && (s[p] | 0x20) <= 'z') || s[p] == '_')) ++p;
        const std::string_view name = s.substr(open + 2, p - open - 2);
        const size_t close = s.find_first_of("[]", p);
        if (!name.empty() && close != std::string_view::npos && s[close] == ']' && (p == close || IsBlank(s[p])) &&
            ApplyCommand(name, s.substr(p, close - p), k)) {
            removeAt(close + 1);
            continue;
        }
        // Not understood: "[%" and the name as written; the rest follows as text.
        put(s.substr(open, p - open));
        i = p;
    }
    return out;
}

}  // namespace

TCommentCommands ReadCommentCommands(std::string_view comment, int engineSign) {
    TCommentCommands k;
    if (comment.find('{') == std::string_view::npos) {
        bool took = false;
        k.Shown = ShownGroup(comment, engineSign, k, took);
        k.Found = took;
        if (!took) k.Shown = comment;
        return k;
    }
    // Brace groups; what stands between two kept groups (" | ") is kept.
    const size_t first = comment.find('{');
    std::string shown(comment.substr(0, first));
    size_t lastEnd = first;  // end of the last group kept
    size_t i = first;
    bool anyKept = false;
    while (i < comment.size()) {
        const size_t open = comment.find('{', i);
        if (open == std::string_view::npos) break;
        size_t close = comment.find('}', open + 1);
        const bool closed = close != std::string_view::npos;
        if (!closed) close = comment.size();
        bool took = false;
        std::string group = ShownGroup(comment.substr(open + 1, close - open - 1), engineSign, k, took);
        k.Found = k.Found || took;
        const size_t end = closed ? close + 1 : close;
        if (!took || !Trim(group).empty()) {
            if (anyKept) shown.append(comment.substr(lastEnd, open - lastEnd));
            shown += '{';
            shown += group;
            if (closed) shown += '}';
            anyKept = true;
            lastEnd = end;
        }
        i = end;
    }
    if (anyKept && i < comment.size()) shown.append(comment.substr(i));
    k.Shown = k.Found ? std::move(shown) : std::string(comment);
    if (k.Found && Trim(k.Shown).empty()) k.Shown.clear();
    return k;
}

std::string ClockText(int64_t ms) {
    if (ms < 0) return {};
    const int64_t tenths = (ms + 50) / 100;
    const int64_t s = tenths / 10;
    const int64_t h = s / 3600, m = s / 60 % 60, sec = s % 60;
    auto two = [](int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    std::string t = h > 0 ? std::to_string(h) + ":" + two(m) : std::to_string(m);
    t += ":" + two(sec);
    if (tenths % 10) t += "." + std::to_string(tenths % 10);
    return t;
}

std::string DurationText(int64_t ms) {
    if (ms < 0) return {};
    if (ms < 9950) {
        const int64_t tenths = (ms + 50) / 100;
        std::string t = std::to_string(tenths / 10);
        if (tenths % 10) t += "." + std::to_string(tenths % 10);
        return t + "s";
    }
    if (ms < 59500) return std::to_string((ms + 500) / 1000) + "s";
    auto two = [](int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    const int64_t s = (ms + 500) / 1000;
    if (s < 3600) return std::to_string(s / 60) + "m" + two(s % 60) + "s";
    return std::to_string(s / 3600) + "h" + two(s / 60 % 60) + "m";
}

std::string EvalText(const TCommentCommands& c) {
    if (!c.HasEval) return {};
    std::string t;
    if (c.Mate != 0) {
        if (c.EngineMate) t = (c.Mate > 0 ? "+M" : "-M") + std::to_string(std::abs(c.Mate));
        else t = "#" + std::to_string(c.Mate);
    } else {
        const int a = std::abs(c.EvalCp);
        t = c.EvalCp > 0 ? "+" : c.EvalCp < 0 ? "-" : "";
        t += std::to_string(a / 100) + "." + (a % 100 < 10 ? "0" : "") + std::to_string(a % 100);
    }
    if (c.Depth >= 0) t += "/" + std::to_string(c.Depth);
    return t;
}

TBoardMarks CurrentMarks(const TNotationCore& core) {
    const TMoveNode* move = core.Current;
    const std::string& comment = move ? move->Comment : core.Game.IntroComment;
    if (comment.find("[%") == std::string::npos) return {};
    return ReadCommentCommands(comment, 1).Marks;
}

TScoreView EngineScoreView(const TNotationCore& core) {
    // Sums of the steps between the scores of consecutive moves under both
    // readings: as written (White's view) |a - b|; the mover's view, where
    // one of two consecutive scores is turned, |a + b|. Pawns beyond 10 and
    // mates count as 10, so one mate does not decide a game.
    double asWhite = 0, asMover = 0;
    int pairs = 0;
    bool havePrevious = false;
    double previous = 0;
    for (const TMoveNode* n = core.Root ? core.Root->FirstMove : nullptr; n; n = n->Next) {
        const bool mayHold = n->Comment.find('/') != std::string::npos;
        const TCommentCommands k = mayHold ? ReadCommentCommands(n->Comment, 1) : TCommentCommands{};
        if (!k.HasEval || !k.EngineForm) {
            havePrevious = false;
            continue;
        }
        const double score = k.Mate ? (k.Mate > 0 ? 10.0 : -10.0) : std::clamp(k.EvalCp / 100.0, -10.0, 10.0);
        if (havePrevious) {
            asWhite += std::abs(score - previous);
            asMover += std::abs(score + previous);
            ++pairs;
        }
        previous = score;
        havePrevious = true;
    }
    if (pairs < 2) return TScoreView::Unknown;
    if (asMover * 3 < asWhite * 2) return TScoreView::Mover;
    if (asWhite * 3 < asMover * 2) return TScoreView::White;
    return TScoreView::Unknown;
}
