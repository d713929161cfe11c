// Finding a move by its place in the notation text. The scan walks back from
// the position to the start of the text once, jumping over closed variations
// and comments, so one call is linear in the text before the position.
#include "notation/text_position.h"

#include <algorithm>

namespace {

bool IsSeparator(char c) {
    switch (c) {
        case '\n': case '\r': case ' ': case '(': case ')': case ';':
        case '[': case ']': case '{': case '}':
            return true;
        default:
            return false;
    }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class TBackScan {
public:
    TBackScan(const TNotationDisplay& d) : d_(d), t_(d.Text), lo_(std::max(d.HeadlineLength, 0) + 1) {}

    char At(long long p) const { return t_[static_cast<size_t>(p - 1)]; }
    long long Low() const { return lo_; }

    // The "{" that opens the comment whose "}" stands at p; below Low() when none.
    long long OpenBrace(long long p) const {
        int k = d_.CommentAt(static_cast<int>(p));
        if (k >= 0) {
            const TCommentEntry& c = d_.Comments[static_cast<size_t>(k)];
            if (c.Pos + c.Len - 1 == p && c.Pos >= lo_) return c.Pos;
        }
        // A brace the layout did not write (in a result, say): count nesting.
        int depth = 1;
        for (long long q = p - 1; q >= lo_; --q) {
            char c = At(q);
            if (c == '}') ++depth;
            else if (c == '{' && --depth == 0) return q;
        }
        return lo_ - 1;
    }

    // The "(" or "[" that matches the closing bracket at p, comments skipped
    // whole; below Low() when none.
    long long OpenBracket(long long p) const {
        char close = At(p);
        char open = close == ')' ? '(' : '[';
        int depth = 1;
        long long q = p - 1;
        while (q >= lo_) {
            char c = At(q);
            if (c == '}') {
                q = OpenBrace(q) - 1;
                continue;
            }
            if (c == close) ++depth;
            else if (c == open && --depth == 0) return q;
            --q;
        }
        return lo_ - 1;
    }

private:
    const TNotationDisplay& d_;
    const std::string& t_;
    long long lo_;
};

}  // namespace

bool FindTextTarget(const TNotationDisplay& d, int position, int startMoveNo, int startSide,
                    TTextTarget& target) {
    const std::string& t = d.Text;
    const long long n = static_cast<long long>(t.size());
    long long p = position;
    if (n == 0 || p < 1 || p >= n) return false;
    if (d.Headline && p <= d.HeadlineLength) return false;
    TBackScan scan(d);
    if (scan.At(p) == '{' || scan.At(p) == '}') return false;
    // Inside a comment: going back, a "{" comes before any "}".
    for (long long q = p; q >= scan.Low(); --q) {
        char c = scan.At(q);
        if (c == '}') break;
        if (c == '{') return false;
    }

    // To the last character of the word at (or after) p.
    while (p <= n && IsSeparator(scan.At(p))) ++p;
    if (p >= 2 && p - 1 <= n && scan.At(p - 1) == '{') return false;
    while (p <= n && !IsSeparator(scan.At(p))) ++p;
    if (p <= n && scan.At(p) == '}') return false;
    if (p < 2 || p >= n) return false;
    --p;

    std::string path;  // built back to front
    bool numberFound = false;
    bool wordBetween = false;
    bool blackForm = false;
    long long number = 0;
    long long q = p;
    while (q >= scan.Low()) {
        char c = scan.At(q);
        if (c == '(' || c == '[') {
            path.push_back('1');
            --q;
            continue;
        }
        if (c == ')' || c == ']' || c == '}') {
            long long open = c == '}' ? scan.OpenBrace(q) : scan.OpenBracket(q);
            if (open < scan.Low()) break;
            char o = scan.At(open);
            if (o == '(' || o == '[') path.push_back('0');
            q = open - 1;
            continue;
        }
        if (!numberFound) {
            if (c == ' ' || c == '\r') {
                wordBetween = true;
            } else if (c == '.') {
                long long last = q;
                while (last >= scan.Low() && scan.At(last) == '.') --last;
                long long first = last;
                while (first >= scan.Low() && IsDigit(scan.At(first))) --first;
                ++first;
                if (first > last || last - first >= 9) return false;
                if (last + 2 <= n && scan.At(last + 2) == '.') blackForm = true;
                number = 0;
                for (long long k = first; k <= last; ++k) number = number * 10 + (scan.At(k) - '0');
                numberFound = true;
                q = first - 1;
                continue;
            }
        }
        --q;
    }
    if (!numberFound) return false;
    bool whiteTarget = !wordBetween && !blackForm;
    long long ply = 2 * (number - startMoveNo + 1);
    if (startSide == Black) --ply;
    if (whiteTarget) --ply;
    if (ply < 1) return false;
    std::reverse(path.begin(), path.end());
    target.Path = std::move(path);
    target.Ply = ply;
    return true;
}

TMoveNode* ReplayTextTarget(const TNotationCore& core, const TTextTarget& target, TBoard& board) {
    board = core.Game.StartPosition;
    if (!core.HasGame()) return nullptr;
    TMoveNode* node = core.Root->FirstMove;
    TMoveNode* last = nullptr;
    size_t read = 0;
    for (long long ply = 0; ply < target.Ply && node; ++ply) {
        // Decide at this ply, and again at the first move of an alternative
        // just entered when that move has alternatives of its own (they are
        // written right after it, so their brackets come next in the path).
        while (node->Variations && read < target.Path.size()) {
            TVariationEntry* entry = node->Variations;
            bool entered = false;
            while (read < target.Path.size()) {
                char c = target.Path[read++];
                if (c == '0') {
                    if (!entry->NextVar) break;
                    entry = entry->NextVar;
                } else {
                    if (!entry->FirstMove) return nullptr;
                    node = entry->FirstMove;
                    entered = true;
                    break;
                }
            }
            if (!entered) break;
        }
        MakeMove(board, node->Move);
        last = node;
        node = node->Next;
    }
    return last;
}

bool GoToTextPosition(TNotationCore& core, int position) {
    if (!core.Display) return false;
    TNotationDisplay& d = *core.Display;
    TTextTarget target;
    if (!FindTextTarget(d, position, core.Game.StartMoveNo, core.Game.StartState.Side, target)) return false;
    TBoard board;
    TMoveNode* move = ReplayTextTarget(core, target, board);
    if (!move) return false;
    core.Board = board;
    core.Current = move;
    core.State = move->Move;
    if (d.RedrawHighlight) d.RedrawHighlight();
    return true;
}
