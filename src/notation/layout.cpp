// The notation layout. The tree is walked with an explicit stack of open
// lines, so variations nested to any depth cannot exhaust the call stack, and
// every piece of text is appended once: the whole layout is linear in the size
// of the game.
#include "notation/layout.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>

#include "notation/comment_commands.h"
#include "notation/move_text.h"
#include "notation/shown_text.h"
#include "notation/text_position.h"

std::string_view FontPropertyName(TNotationFont font) {
    switch (font) {
        case TNotationFont::HeadLine: return "FontHeadLine";
        case TNotationFont::Comment: return "FontComment";
        case TNotationFont::Var0: return "Font0Var";
        case TNotationFont::Var0Bold: return "Font0VarBold";
        case TNotationFont::Var1: return "Font1Var";
        case TNotationFont::Var2: return "Font2Var";
        case TNotationFont::Quiet: return "FontQuiet";
    }
    return "Font0Var";
}

// ---- queries ----

int TNotationDisplay::RowStart(int i) const {
    if (i < 0 || i >= RowCount()) return 0;
    return Rows[static_cast<size_t>(i)].Start;
}

int TNotationDisplay::RowEnd(int i) const {
    if (i < 0 || i >= RowCount()) return 0;
    if (i + 1 < RowCount()) return Rows[static_cast<size_t>(i) + 1].Start;
    return static_cast<int>(Text.size()) + 1;
}

std::string TNotationDisplay::RowText(int i) const {
    int start = RowStart(i);
    if (start < 1) return {};
    int end = std::min(RowEnd(i), static_cast<int>(Text.size()) + 1);
    if (end <= start) return {};
    return Text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(end - start));
}

int TNotationDisplay::RowOfPosition(int position) const {
    if (Rows.empty() || position < 1) return -1;
    auto it = std::upper_bound(Rows.begin(), Rows.end(), position,
                               [](int p, const TRowEntry& r) { return p < r.Start; });
    if (it == Rows.begin()) return -1;
    return static_cast<int>(it - Rows.begin()) - 1;
}

int TNotationDisplay::RowOfMove(const TMoveNode* move) const {
    if (!move || move->TextPos < 1) return -1;
    return RowOfPosition(move->TextPos);
}

int TNotationDisplay::IndentOfFont(TNotationFont font) const {
    if (font == TNotationFont::Var1) return Indent1Var;
    if (font == TNotationFont::Var2) return Indent2Var;
    return Indent0Var;
}

int TNotationDisplay::CommentAt(int position) const {
    auto it = std::upper_bound(Comments.begin(), Comments.end(), position,
                               [](int p, const TCommentEntry& c) { return p < c.Pos; });
    if (it == Comments.begin()) return -1;
    --it;
    if (position < it->Pos + it->Len) return static_cast<int>(it - Comments.begin());
    return -1;
}

// ---- attaching ----

TNotationDisplay& AttachLayout(TNotationCore& core, const TTextMeasure* measure) {
    if (!core.Display) core.Display = std::make_shared<TNotationDisplay>();
    TNotationDisplay& display = *core.Display;
    display.Measure = measure;
    core.Hooks.Relayout = [&core] { LayoutNotation(core, *core.Display); };
    core.Hooks.GoToTextPosition = [&core](int position) { return GoToTextPosition(core, position); };
    core.Hooks.NotationText = [&core]() -> const std::string& { return core.Display->Text; };
    return display;
}

TNotationDisplay& DisplayOf(TNotationCore& core) {
    if (!core.Display || !core.Hooks.Relayout) return AttachLayout(core, core.Display ? core.Display->Measure : nullptr);
    return *core.Display;
}

// ---- the layout ----

namespace {

// One line of moves being written: the main line or an open variation.
struct TOpenLine {
    TMoveNode* node = nullptr;                  // move of this line being written
    TVariationEntry* nextVar = nullptr;     // next alternative of node to write
    bool written = false;                   // node's own element is in the text
    // Restored when the variation closes (unused for the main line). Board
    // values (pieces, empty, border) fit a byte; a deep nest of variations
    // keeps one of these per level.
    std::array<int8_t, 120> board{};
    TMoveRecord state{};
    long long counter = 0;
};

class TLayoutWriter {
public:
    TLayoutWriter(TNotationCore& core, TNotationDisplay& d) : core_(core), d_(d), text_(d.Text) {}

    void Run();

private:
    void AddRow(long long pos, TNotationFont font, bool replace);
    // "Start a new row in font F": one space, then a row start after it.
    void NewRow(TNotationFont font) {
        text_ += ' ';
        CheckLength();
        AddRow(Len() + 1, font, false);
    }
    long long Len() const { return static_cast<long long>(text_.size()); }
    // Room for `more` bytes and some after them: a huge comment is copied
    // into the text once, never again to a larger buffer for what follows.
    void Reserve(size_t more) {
        if (text_.capacity() - text_.size() < more)
            text_.reserve(std::max(text_.capacity() * 2, text_.size() + more + more / 8 + 4096));
    }
    // Called after every addition of unbounded size (names, comments); the
    // additions between two calls are a few bytes.
    void CheckLength() const {
        if (text_.size() > d_.MaxTextLength) throw TGameTooLarge();
    }
    void Headline();
    void SiteAndYear();
    void WriteElement(TMoveNode* node);
    // One blank and a comment table entry with the comment.
    void AppendComment(const std::string& c, bool quiet);
    // False when nothing but a clock or an evaluation was shown of it.
    bool AppendShownComment(const std::string& stored, int engineSign);
    // A comment before a line's first move, as the text holds it: shown
    // without its commands, which belong to no move; in PGN mode as stored.
    std::string BeforeMoveComment(const std::string& stored) const {
        if (core_.PgnMode || stored.find("[%") == std::string::npos) return stored;
        return ReadCommentCommands(stored, 1).Shown;
    }
    // Appends the character of a glyph and notes where it stands.
    void Glyph(int nag, const std::string& character) {
        if (character.empty()) return;
        d_.Glyphs.push_back({static_cast<int>(Len() + 1), nag});
        text_ += character;
    }
    void ErrorRow();
    void OpenVariation(TVariationEntry* entry);
    void CloseVariation(TOpenLine& line);
    void WriteLines();

    TNotationCore& core_;
    TNotationDisplay& d_;
    std::string& text_;
    std::vector<TOpenLine> lines_;
    long long counter_ = 0;   // plies; odd = a White move
    int depth_ = 0;
    bool needNumber_ = true;
    TScoreView scoreView_ = TScoreView::Unknown;  // of the engines' "+0.35/25" scores
    TNotationFont main_ = TNotationFont::Var0;
    TBoard savedBoard_{};
    TMoveRecord savedState_{};
};

void TLayoutWriter::AddRow(long long pos, TNotationFont font, bool replace) {
    auto& rows = d_.Rows;
    int p = static_cast<int>(pos);
    if (rows.empty() || rows.back().Start < p) {
        rows.push_back({p, font});
        return;
    }
    auto it = std::lower_bound(rows.begin(), rows.end(), p,
                               [](const TRowEntry& r, int v) { return r.Start < v; });
    if (it != rows.end() && it->Start == p) {
        if (replace) it->Font = font;
        return;
    }
    rows.insert(it, {p, font});
}

void TLayoutWriter::SiteAndYear() {
    const TGameHeader& h = core_.Game.Header;
    bool site = !h.Site.empty() && h.Site != "?";
    if (site) {
        text_ += h.Site;
        if (h.Year != 0) text_ += ", ";
        else NewRow(TNotationFont::HeadLine);
    }
    if (h.Year != 0) {
        text_ += std::to_string(h.Year);
        NewRow(TNotationFont::HeadLine);
    }
}

void TLayoutWriter::Headline() {
    const TGameHeader& h = core_.Game.Header;
    AddRow(1, TNotationFont::HeadLine, false);
    text_ += h.White;
    if (!h.White.empty() && !h.Black.empty()) text_ += " - ";
    text_ += h.Black;
    NewRow(TNotationFont::HeadLine);
    if (!h.Event.empty() && h.Event != "?") {
        text_ += h.Event;
        if ((!h.Site.empty() && h.Site != "?") || h.Year != 0) {
            text_ += ", ";
            SiteAndYear();
        } else {
            NewRow(TNotationFont::HeadLine);
        }
    } else {
        SiteAndYear();
    }
    NewRow(main_);
    CheckLength();
    d_.HeadlineLength = static_cast<int>(text_.size());
}

void TLayoutWriter::WriteElement(TMoveNode* node) {
    core_.State = node->Move;
    ++counter_;
    long long moveNo = (counter_ + 1) / 2;
    bool white = (counter_ & 1) != 0;
    node->MoveNo = static_cast<int>(moveNo);
    node->TextPos = static_cast<int>(Len() + 1);
    const TMoveRecord& z = node->Move;
    if (z.Flags & MarkBefore) text_ += '>';
    if (!core_.PgnMode) Glyph(z.ExtraNag, core_.NagSymbol(z.ExtraNag));
    if (white) {
        text_ += std::to_string(moveNo);
        text_ += '.';
    } else if (needNumber_) {
        text_ += std::to_string(moveNo);
        text_ += "...";
    }
    needNumber_ = false;
    text_ += core_.MoveToText(z);
    // The glyph character closes the move text; it is shown as its symbol.
    if (const std::string g = core_.NagSymbol(z.PositionNag); !g.empty() && !core_.PgnMode)
        d_.Glyphs.push_back({static_cast<int>(Len()), z.PositionNag});
    if (core_.PgnMode) text_ += core_.NagSymbol(z.ExtraNag);
    if (const std::vector<uint8_t>* others = core_.OtherGlyphs(node)) {
        for (uint8_t n : *others) {
            if (core_.PgnMode) {
                text_ += " $";
                text_ += std::to_string(n);
            } else if (!GlyphSymbol(n).empty()) {
                Glyph(n, std::string(1, kOtherGlyphChar));
            }
        }
    }
    if (z.Flags & MarkAfter) text_ += '<';
    node->TextLen = static_cast<int>(Len() + 1 - node->TextPos);
    if (!core_.PgnMode && node->Comment.find("MATCH") != std::string::npos)
        d_.Marks.push_back({node->TextPos, node->TextLen});

    std::string& c = node->Comment;
    if (!c.empty()) {
        // One blank after the opening brace and one before the closing brace
        // go from the stored comment itself.
        if (c.size() > 2 && c[0] == '{' && c[1] == ' ') c.erase(1, 1);
        if (c.size() > 2 && c.back() == '}' && c[c.size() - 2] == ' ') c.erase(c.size() - 2, 1);
        // Black's move after a comment is numbered, as after a variation;
        // a clock or an evaluation alone is no reason to.
        if (core_.PgnMode) AppendComment(c, false);
        needNumber_ = core_.PgnMode || AppendShownComment(c, EngineSign(scoreView_, z.Side == Black ? White : Black));
    }
    CheckLength();
}

void TLayoutWriter::AppendComment(const std::string& c, bool quiet) {
    text_ += ' ';
    CheckLength();
    if (c.size() > d_.MaxTextLength) throw TGameTooLarge();
    d_.Comments.push_back({static_cast<int>(Len() + 1), static_cast<int>(c.size()), quiet});
    Reserve(c.size());
    text_ += c;
}

// The display shows what a comment's commands mean, never the commands: the
// clock and the evaluation after the move, small and grey, then the rest of
// the comment (none when nothing else was in it).
bool TLayoutWriter::AppendShownComment(const std::string& stored, int engineSign) {
    const TCommentCommands k = ReadCommentCommands(stored, engineSign);
    if (!k.Found) {
        AppendComment(stored, false);
        return true;
    }
    if (d_.ShowClocks && k.ClockMs >= 0) AppendComment("{" + ClockText(k.ClockMs) + "}", true);
    else if (d_.ShowClocks && k.TimeUsedMs >= 0) AppendComment("{" + DurationText(k.TimeUsedMs) + "}", true);
    if (d_.ShowEvals && k.HasEval) AppendComment("{" + EvalText(k) + "}", true);
    if (!k.Shown.empty()) AppendComment(k.Shown, false);
    return !k.Shown.empty();
}

// A game cut by a reading error must not look complete: after the last move
// read comes one row with the load message. It is written as a comment, so
// navigation and clicks pass over it as over any comment.
void TLayoutWriter::ErrorRow() {
    if (d_.Rows.back().Start != Len() + 1) NewRow(TNotationFont::Var0);
    const std::string& message = MessageText(msgErrorReadingMoves, core_.English());
    d_.ErrorRow = {static_cast<int>(Len() + 1), static_cast<int>(message.size() + 2)};
    d_.Comments.push_back({d_.ErrorRow.Pos, d_.ErrorRow.Len});
    text_ += '{';
    text_ += message;
    text_ += '}';
}

void TLayoutWriter::OpenVariation(TVariationEntry* entry) {
    ++depth_;
    TOpenLine line;
    line.node = entry->FirstMove;
    for (size_t i = 0; i < line.board.size(); ++i) line.board[i] = static_cast<int8_t>(core_.Board[i]);
    line.state = core_.State;
    line.counter = counter_;
    --counter_;
    needNumber_ = true;
    if (depth_ <= 2) {
        TNotationFont font = depth_ == 1 ? TNotationFont::Var1 : TNotationFont::Var2;
        if (d_.Rows.back().Start + 1 != Len()) AddRow(Len() + 2, font, true);
        text_ += depth_ == 1 ? " [" : " (";
    } else {
        text_ += " (";
    }
    // A comment before the variation's first move stands inside it.
    if (const std::string comment = BeforeMoveComment(entry->Comment); !comment.empty()) {
        if (comment.size() > d_.MaxTextLength) throw TGameTooLarge();
        d_.Comments.push_back({static_cast<int>(Len() + 1), static_cast<int>(comment.size())});
        Reserve(comment.size() + 1);
        text_ += comment;
        if (entry->FirstMove) text_ += ' ';
        CheckLength();
    }
    lines_.push_back(line);
}

void TLayoutWriter::CloseVariation(TOpenLine& line) {
    auto& rows = d_.Rows;
    if (rows.size() > 1 && rows.back().Start == Len() + 1) rows.pop_back();
    while (!text_.empty() && text_.back() == ' ') text_.pop_back();
    while (rows.size() > 1 && rows.back().Start > Len() + 1) rows.pop_back();
    if (depth_ == 1) {
        text_ += ']';
        AddRow(Len() + 2, main_, false);
    } else if (depth_ == 2) {
        text_ += ')';
        AddRow(Len() + 2, TNotationFont::Var1, false);
    } else {
        text_ += ')';
    }
    needNumber_ = true;
    for (size_t i = 0; i < line.board.size(); ++i) core_.Board[i] = line.board[i];
    core_.State = line.state;
    counter_ = line.counter;
    --depth_;
}

void TLayoutWriter::WriteLines() {
    if (!core_.Root) return;
    TOpenLine mainLine;
    mainLine.node = core_.Root->FirstMove;
    lines_.push_back(mainLine);
    while (!lines_.empty()) {
        TOpenLine& line = lines_.back();
        if (!line.node) {
            // A line is finished: a reading error may be reported again.
            core_.ErrorShown = false;
            if (lines_.size() > 1) CloseVariation(line);
            lines_.pop_back();
            continue;
        }
        if (!line.written) {
            WriteElement(line.node);
            line.written = true;
            line.nextVar = line.node->Variations;
        }
        if (line.nextVar) {
            TVariationEntry* entry = line.nextVar;
            line.nextVar = entry->NextVar;
            OpenVariation(entry);  // invalidates `line`
            continue;
        }
        TMoveNode* node = line.node;
        core_.State = node->Move;
        core_.MakeMove();
        if (node == core_.Current) {
            savedBoard_ = core_.Board;
            savedState_ = core_.State;
        }
        text_ += ' ';
        line.node = node->Next;
        line.written = false;
    }
}

void TLayoutWriter::Run() {
    d_.Rows.clear();
    d_.Comments.clear();
    d_.Glyphs.clear();
    d_.Marks.clear();
    d_.ErrorRow = {};
    const TGameData& game = core_.Game;
    core_.Board = game.StartPosition;
    savedBoard_ = game.StartPosition;
    savedState_ = game.StartState;
    counter_ = 2LL * (static_cast<long long>(game.StartMoveNo) - 1) + (game.StartState.Side == Black ? 1 : 0);
    main_ = TNotationFont::Var0;
    if (d_.AutoBold && core_.Root) {
        for (TMoveNode* n = core_.Root->FirstMove; n; n = n->Next)
            if (n->Variations) {
                main_ = TNotationFont::Var0Bold;
                break;
            }
    }
    d_.MainFont = main_;
    scoreView_ = core_.PgnMode ? TScoreView::Unknown : EngineScoreView(core_);
    text_.clear();
    d_.HeadlineLength = 0;

    if (d_.Headline) Headline();
    else AddRow(1, main_, false);

    const std::string intro = BeforeMoveComment(game.IntroComment);
    if (!intro.empty()) {
        size_t len = intro.size();
        while (len > 0 && intro[len - 1] == ' ') --len;
        if (len > d_.MaxTextLength) throw TGameTooLarge();
        d_.Comments.push_back({static_cast<int>(Len() + 1), static_cast<int>(len)});
        Reserve(intro.size() + 1);
        text_ += intro;
        text_ += ' ';
        CheckLength();
    }

    depth_ = 0;
    needNumber_ = true;
    lines_.clear();
    WriteLines();
    if (!core_.PgnMode && core_.ReadingFailed) ErrorRow();

    d_.Utf8 = IsValidUtf8(text_);
    if (!core_.PgnMode) BreakRows(d_);

    if (d_.Rows.back().Start != Len() + 1) NewRow(TNotationFont::Var0);
    NewRow(TNotationFont::HeadLine);
    text_ += game.Header.Result;
    CheckLength();

    core_.Board = savedBoard_;
    core_.State = savedState_;
    if (!core_.PgnMode && d_.AfterRelayout) d_.AfterRelayout();
}

}  // namespace

void LayoutNotation(TNotationCore& core, TNotationDisplay& display) {
    TLayoutWriter writer(core, display);
    writer.Run();
}

// ---- breaking rows by width ----

namespace {

// When the byte at 1-based position q continues a UTF-8 character that began
// before q, the position of that character's lead byte; otherwise 0.
int Utf8LeadBefore(const std::string& text, int q) {
    auto byte = [&](int pos) { return static_cast<unsigned char>(text[static_cast<size_t>(pos - 1)]); };
    if (q < 2 || q > static_cast<int>(text.size()) || (byte(q) & 0xC0) != 0x80) return 0;
    for (int k = 1; k <= 3 && q - k >= 1; ++k) {
        unsigned char b = byte(q - k);
        if ((b & 0xC0) == 0x80) continue;
        const int len = b < 0x80 ? 0 : static_cast<int>(Utf8Length(b));
        if (len == 0 || q - k + len - 1 < q || q - k + len - 1 > static_cast<int>(text.size())) return 0;
        for (int i = q - k + 1; i < q - k + len; ++i)
            if ((byte(i) & 0xC0) != 0x80) return 0;
        return q - k;
    }
    return 0;
}

}  // namespace

void BreakRows(TNotationDisplay& d) {
    if (!d.Measure || d.PaintWidth <= 0 || d.Rows.empty()) return;
    const std::string& text = d.Text;
    const int n = static_cast<int>(text.size());
    if (n == 0) return;

    // Between a "{" and the next "}" characters are measured in the comment font.
    std::vector<uint8_t> inComment(static_cast<size_t>(n) + 1, 0);
    // prevSpace[p]: the last space before position p (0 for none).
    std::vector<int> prevSpace(static_cast<size_t>(n) + 2, 0);
    {
        bool inside = false;
        int last = 0;
        for (int p = 1; p <= n; ++p) {
            char c = text[static_cast<size_t>(p - 1)];
            if (c == '{') inside = true;
            inComment[static_cast<size_t>(p)] = inside;
            if (c == '}') inside = false;
            prevSpace[static_cast<size_t>(p)] = last;
            if (c == ' ') last = p;
        }
        prevSpace[static_cast<size_t>(n) + 1] = last;
        // Clocks and evaluations are measured in the quiet font.
        for (const TCommentEntry& c : d.Comments)
            if (c.Quiet)
                for (int p = std::max(c.Pos, 1); p < c.Pos + c.Len && p <= n; ++p) inComment[static_cast<size_t>(p)] = 2;
    }

    std::map<int, TNotationFont> rows;
    for (const TRowEntry& r : d.Rows) rows.emplace(r.Start, r.Font);

    TNotationFont font = d.Rows.front().Font;
    // Width of the character shown at p; its length in bytes goes to len.
    auto widthAt = [&](int p, int& len) -> long long {
        const TShownChar c = ShownCharAt(d, p);
        len = c.Len;
        const uint8_t kind = inComment[static_cast<size_t>(p)];
        return ShownWidth(*d.Measure, kind == 2 ? TNotationFont::Quiet : kind ? TNotationFont::Comment : font, c);
    };

    long long running = 0;
    long long avail = d.PaintWidth - d.IndentOfFont(font);
    int lastBreak = 0;
    int cachedWordStart = -1;  // a word measured already, and whether it is
    bool cachedWide = false;   // at least as wide as a row
    auto next = rows.begin();
    int p = 1;
    int len = 1;
    while (p <= n) {
        if (next != rows.end() && next->first <= p) {
            font = next->second;
            avail = d.PaintWidth - d.IndentOfFont(font);
            running = widthAt(p, len);
            ++next;
            p += len;
            continue;
        }
        running += widthAt(p, len);
        if (running < avail) {
            p += len;
            continue;
        }
        // The row overflows at p: break before the word around it.
        int wordStart = prevSpace[static_cast<size_t>(p)] + 1;
        int breakPos = wordStart - 1;
        if (wordStart != cachedWordStart) {
            long long w = 0;
            for (int q = wordStart, l = 1; q <= n && w < avail; q += l) {
                w += widthAt(q, l);
                if (text[static_cast<size_t>(q - 1)] == ' ' && q >= p) break;
            }
            cachedWordStart = wordStart;
            cachedWide = w >= avail;
        }
        if (cachedWide && p > 5) {
            breakPos = p - 3;  // a word longer than a row is cut
            // ... but not inside a UTF-8 character: the row then starts at its lead byte.
            int lead = d.Utf8 ? Utf8LeadBefore(text, breakPos + 1) : 0;
            if (lead > 1 && lead - 1 > lastBreak) breakPos = lead - 1;
        } else {
            // A clock or an evaluation never opens a row: it goes down with its move.
            for (int k; breakPos > 0 && (k = d.CommentAt(breakPos + 1)) >= 0 &&
                        d.Comments[static_cast<size_t>(k)].Quiet && prevSpace[static_cast<size_t>(breakPos)] > lastBreak;)
                breakPos = prevSpace[static_cast<size_t>(breakPos)];
        }
        if (breakPos <= lastBreak) break;
        rows.emplace(breakPos + 1, font);
        lastBreak = breakPos;
        running = 0;
        p = breakPos + 1;
        next = rows.lower_bound(p);
    }

    d.Rows.clear();
    d.Rows.reserve(rows.size());
    for (const auto& [start, f] : rows) d.Rows.push_back({start, f});
}
