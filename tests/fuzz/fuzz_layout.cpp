// Loads arbitrary bytes as a game, lays it out (with and without row
// breaking, English or German, with or without the headline), writes it as
// PGN, reads that back and jumps to text positions taken from the input.
// The first byte chooses the settings; the rest is the game text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "notation/layout.h"
#include "notation/notation_core.h"
#include "notation/pgn_writer.h"
#include "notation/text_position.h"

namespace {

void CheckTables(const TNotationCore& core, const TNotationDisplay& d) {
    const long long n = static_cast<long long>(d.Text.size());
    if (d.Rows.empty() || d.Rows.front().Start != 1) std::abort();
    for (size_t i = 1; i < d.Rows.size(); ++i)
        if (d.Rows[i - 1].Start >= d.Rows[i].Start || d.Rows[i].Start > n + 1) std::abort();
    for (const TCommentEntry& c : d.Comments)
        if (c.Pos < 1 || c.Len < 0 || c.Pos + c.Len - 1 > n || d.Text[static_cast<size_t>(c.Pos - 1)] != '{')
            std::abort();
    if (d.HeadlineLength < 0 || d.HeadlineLength > n) std::abort();
    ForEachNode(core.Root, [&](TMoveNode* node) {
        if (node->TextPos < 1 || node->TextLen < 1 || node->TextPos + node->TextLen - 1 > n) std::abort();
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 100000) return 0;
    const uint8_t flags = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    static const TUnitMeasure measure;

    TNotationCore core;
    TNotationDisplay& d = AttachLayout(core, &measure);
    d.Headline = (flags & 1) != 0;
    d.PaintWidth = (flags >> 2) * 3;  // 0 (no breaking) to 189
    core.SetEnglish((flags & 2) == 0);
    core.LoadGame(text);
    CheckTables(core, d);
    const TBoard startBoard = core.Board;

    std::string pgn;
    if (WritePGN(core, false, pgn, false) != 0) std::abort();
    if (core.PgnMode || core.Current != nullptr || core.Board != startBoard) std::abort();
    std::string tags;
    if (WritePGN(core, false, tags, true) != -1 || pgn.compare(0, tags.size(), tags) != 0) std::abort();

    TNotationCore again;
    TNotationDisplay& d2 = AttachLayout(again, &measure);
    d2.PaintWidth = d.PaintWidth;
    again.SetEnglish(true);
    again.LoadGame(pgn);
    CheckTables(again, d2);

    // Jumps: a few fixed edge positions, then positions read from the input.
    const int n = static_cast<int>(d.Text.size());
    int positions[8] = {-1, 0, 1, n - 1, n, n + 1, n / 2, d.HeadlineLength};
    auto jump = [&](int p) {
        TMoveNode* before = core.Current;
        TBoard board = core.Board;
        if (!GoToTextPosition(core, p)) {
            if (core.Current != before || core.Board != board) std::abort();
            return;
        }
        if (!core.Current || core.State != core.Current->Move) std::abort();
        // The layout replays to Current on its own way: both must agree.
        TBoard reached = core.Board;
        core.Relayout();
        if (core.Board != reached) std::abort();
        CheckTables(core, d);
    };
    for (int p : positions) jump(p);
    for (size_t i = 1; i + 1 < size && i < 200; i += 2) {
        int p = n > 0 ? (data[i] << 8 | data[i + 1]) % (n + 2) : 0;
        jump(p);
    }
    return 0;
}
