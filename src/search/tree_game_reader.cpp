#include "search/tree_game_reader.h"

#include "collection/game_header.h"
#include "collection/game_text.h"
#include "notation/notation_core.h"
#include "search/plain_moves.h"

namespace {

// A rating as the table reads it (TagInteger), kept when it is 1..65535.
uint16_t EloOf(std::string_view v) {
    const int32_t n = TagInteger(v);
    return n > 0 && n < 65536 ? static_cast<uint16_t>(n) : 0;
}

// Reads the tag section into info; false when the game needs the loader.
bool ReadTags(TGameTextLines& lines, TTreeGameInfo& info) {
    TTag tag;
    bool plain = true;
    while (lines.NextTag(tag)) {
        if (IsTagNamed(tag.Text, "RESULT")) info.Result = ResultKind(TagValue(tag.Text));
        else if (IsTagNamed(tag.Text, "WHITEELO")) info.WhiteElo = EloOf(TagValue(tag.Text));
        else if (IsTagNamed(tag.Text, "BLACKELO")) info.BlackElo = EloOf(TagValue(tag.Text));
        // The year as the table and the filter read a Date.
        else if (IsTagNamed(tag.Text, "DATE")) info.Year = TagNumber(std::string_view(TagValue(tag.Text)).substr(0, 4));
        // FEN and Variant as the loader tells them, a malformed value too.
        if (IsTagNamed(tag.Text, "FEN") || (IsTagNamed(tag.Text, "VARIANT") && !IsStandardVariant(TagValue(tag.Text))))
            plain = false;
    }
    return plain;
}

}  // namespace

TTreeGameInfo TreeHeaderInfo(std::string_view text) {
    TTreeGameInfo info;
    TGameTextLines lines(text);
    ReadTags(lines, info);
    return info;
}

TTreeGameReader::TTreeGameReader() = default;
TTreeGameReader::~TTreeGameReader() = default;

void TTreeGameReader::Read(std::string_view text, std::string& out, TTreeGameInfo& info) {
    out.clear();
    info = TTreeGameInfo{};
    try {
        TGameTextLines lines(text);
        const bool plain = ReadTags(lines, info);
        if (text.size() > TNotationCore::kMaxGameBytes) {
            info.Flags |= kGameUnread;
            return;
        }
        if (plain) {
            TBoard board = InitialPosition;
            TMoveRecord state = FreshState();
            writer_.Start(out, nullptr, state);
            writer_.StartBoard(board);
            const TPlainRead read = ReadPlainMoves(lines, board, state, Cancel, [&](int) {
                writer_.Move(state);
                return true;
            });
            if (read != TPlainRead::Load) {
                writer_.Finish(info, board);
                return;
            }
            out.clear();
        }
        ReadLoaded(text, out, info);
    } catch (...) {
        // Memory ran out on a hostile game: it is kept as one that could not be read.
        out.clear();
        info.Words = 0;
        info.Flags = kGameUnread;
    }
}

void TTreeGameReader::ReadLoaded(std::string_view text, std::string& out, TTreeGameInfo& info) {
    if (!loader_) loader_ = std::make_unique<TNotationCore>();
    TNotationCore& core = *loader_;
    core.KeepComments = false;
    core.Cancel = Cancel;
    const int loaded = core.LoadGame(text);
    if (loaded == lgTooLarge || loaded == lgNoMemory) {
        info.Flags |= kGameUnread;
        return;
    }
    TBoard board = core.Game.StartPosition;
    TMoveRecord state = core.Game.StartState;
    const bool standard = board == InitialPosition && state == FreshState();
    if (!standard) info.Flags |= kGameFromFen;
    writer_.Start(out, standard ? nullptr : &board, state);
    writer_.StartBoard(board);
    // The loader takes a castling the rules would not: one that conjures up
    // its rook. A game whose counts rise there is replayed whole by every
    // search (every other move only takes men away).
    for (const TMoveNode* m = core.Root ? core.Root->FirstMove : nullptr; m; m = m->Next) {
        const reach::TCounts before = m->Move.CastleKind ? reach::CountsOf(board) : reach::TCounts{};
        state = m->Move;
        MakeMove(board, state);
        writer_.Move(state);
        if (m->Move.CastleKind) {
            const reach::TCounts now = reach::CountsOf(board);
            if (now.WhiteMen > before.WhiteMen || now.BlackMen > before.BlackMen ||
                (now.WhiteHome & ~before.WhiteHome) || (now.BlackHome & ~before.BlackHome))
                info.Flags |= kGameUnbounded;
        }
    }
    writer_.Finish(info, board);
}
