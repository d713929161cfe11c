#include "search/tree_game_reader.h"

#include "collection/game_header.h"
#include "collection/game_text.h"
#include "notation/notation_core.h"
#include "search/plain_moves.h"

namespace {

bool NameIs(std::string_view name, std::string_view upper) {
    if (name.size() != upper.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != upper[i]) return false;
    }
    return true;
}

// A rating: digits only, 1..65535 (anything else is unknown).
uint16_t EloOf(const std::string& v) {
    uint32_t n = 0;
    size_t i = 0;
    while (i < v.size() && (v[i] == ' ' || v[i] == '\t')) ++i;
    const size_t first = i;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9' && n < 100000; ++i) n = n * 10 + static_cast<uint32_t>(v[i] - '0');
    return i > first && n > 0 && n < 65536 ? static_cast<uint16_t>(n) : 0;
}

// The year of a Date value ("1997.05.??"): four digits, else unknown.
uint16_t YearOf(const std::string& v) {
    if (v.size() < 4) return 0;
    uint16_t y = 0;
    for (int i = 0; i < 4; ++i) {
        if (v[i] < '0' || v[i] > '9') return 0;
        y = static_cast<uint16_t>(y * 10 + (v[i] - '0'));
    }
    return y;
}

// Reads the tag section into info; false when the game needs the loader.
bool ReadTags(TGameTextLines& lines, TTreeGameInfo& info) {
    TTag tag;
    bool plain = true;
    while (lines.NextTag(tag)) {
        if (NameIs(tag.Name, "RESULT")) info.Result = ResultKind(TagValue(tag.Text));
        else if (NameIs(tag.Name, "WHITEELO")) info.WhiteElo = EloOf(TagValue(tag.Text));
        else if (NameIs(tag.Name, "BLACKELO")) info.BlackElo = EloOf(TagValue(tag.Text));
        else if (NameIs(tag.Name, "DATE")) info.Year = YearOf(TagValue(tag.Text));
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
