// The opening names: the table of named positions and the naming of games.
//
// The table is made once, on first use: each line of the data (eco, name,
// movetext) is replayed from the start position with the notation's move
// reader, and the key of the position it ends in (rules/position_key.h)
// gets the line's name; of several lines that end in one position the first
// in the data (sorted by ECO code) keeps it. About 3,800 lines: a few
// milliseconds, and some 500 KB of memory.
//
// A game is named by replaying the first kOpeningPlies plies of its main
// line. The quick reading does what the position search's quick path does
// (plain SAN from the standard start, the same move reader); anything else
// (a FEN start, variations among those plies, other notations) is loaded by
// the notation's loader, so every name is that of a position the viewer
// itself shows in that game.
#include "search/opening_names.h"

#include "search/plain_moves.h"

#include <array>
#include <unordered_map>
#include <vector>

#include "collection/game_header.h"
#include "collection/game_text.h"
#include "notation/game_tree.h"
#include "notation/notation_core.h"
#include "notation/san_resolve.h"
#include "notation/san_text.h"
#include "rules/legality.h"
#include "rules/position_key.h"

// The data files' text, one after another (made at build time from
// data/openings/*.tsv by tools/embed_text.cmake).
std::string_view OpeningData();

namespace {

using namespace san;

struct TNameTable {
    std::vector<TOpeningName> Names;  // one per named position, in data order
    std::unordered_map<uint64_t, uint32_t> ByKey;
    size_t Lines = 0;  // lines replayed to their end
};

// Splits `text` at line ends: the next line into `line`, false at the end.
bool NextLine(std::string_view& text, std::string_view& line) {
    if (text.empty()) return false;
    const size_t end = text.find('\n');
    line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

// The key of the position a line of movetext ("1. e4 c5 2. Nf3") ends in;
// false when a move cannot be read.
bool ReplayLine(std::string_view moves, uint64_t& key) {
    TBoard board = InitialPosition;
    TMoveRecord state = FreshState();
    if (!PlaySanLine(moves, board, state)) return false;
    key = PositionKey(board, state);
    return true;
}

TNameTable BuildTable() {
    TNameTable table;
    std::string_view text = OpeningData(), line;
    while (NextLine(text, line)) {
        const size_t tab1 = line.find('\t');
        const size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos || line.substr(0, tab1) == "eco") continue;  // a file's heading
        uint64_t key = 0;
        if (!ReplayLine(line.substr(tab2 + 1), key)) continue;
        ++table.Lines;
        const auto [at, fresh] = table.ByKey.emplace(key, static_cast<uint32_t>(table.Names.size()));
        if (fresh)
            table.Names.push_back(TOpeningName{std::string(line.substr(0, tab1)),
                                               std::string(line.substr(tab1 + 1, tab2 - tab1 - 1))});
    }
    return table;
}

const TNameTable& Table() {
    static const TNameTable table = BuildTable();  // made once, thread-safe
    return table;
}

// Remembers the last named position of a line being replayed.
struct TLastNamed {
    const TNameTable& Table;
    int Index = -1;
    void Look(const TBoard& board, const TMoveRecord& state) {
        Found(PositionKey(board, state));
    }
    void Found(uint64_t key) {
        const auto it = Table.ByKey.find(key);
        if (it != Table.ByKey.end()) Index = static_cast<int>(it->second);
    }
};

// The key of the quick reading's position, kept up move by move: only the
// squares a move changes are looked at, not all 64. The same key as
// PositionKey (the tests hold the quick reading against the loader's).
class TRunningKey {
public:
    explicit TRunningKey(const TBoard& board) : pieces_(PositionKey(board, NoRights(White))) {}

    // The move of `state` (Side: the side to move after it), seen on the
    // board before it is played and after.
    void Before(const TBoard& board, const TMoveRecord& state) { change_.Before(board, state); }
    void After(const TBoard& board) { pieces_ ^= change_.After(board); }

    uint64_t Key(const TBoard& board, const TMoveRecord& state) const {
        // A square a pawn may take on en passant is rare: the whole key then.
        if (state.EpSquare != 0 && EffectiveEpSquare(board, state) != 0) return PositionKey(board, state);
        static const auto kRights = [] {
            std::array<uint64_t, 64> keys{};
            for (int bits = 0; bits < 32; ++bits) {
                TMoveRecord s = NoRights(White);
                s.Castling = static_cast<int8_t>(bits);
                keys[static_cast<size_t>(bits)] = PositionKey(EmptyBoard, s);
                s.Side = Black;
                keys[static_cast<size_t>(32 + bits)] = PositionKey(EmptyBoard, s);
            }
            return keys;
        }();
        return pieces_ ^ kRights[static_cast<size_t>((state.Side == Black ? 32 : 0) + (state.Castling & CastleAll))];
    }

private:
    static TMoveRecord NoRights(int side) {
        TMoveRecord s = FreshState();
        s.Castling = 0;
        s.Side = static_cast<int8_t>(side);
        return s;
    }
    uint64_t pieces_;
    TPlacementChange change_;
};

// The quick reading of a game's first plies; false when the game needs the
// loader (the name found so far is then of no use).
bool QuickName(std::string_view text, TLastNamed& last) {
    TGameTextLines lines(text);
    TTag tag;
    while (lines.NextTag(tag))
        if (IsTagNamed(tag.Text, "FEN") || (IsTagNamed(tag.Text, "VARIANT") && !IsStandardVariant(TagValue(tag.Text))))
            return false;
    TBoard board = InitialPosition;
    TMoveRecord state = FreshState();
    TRunningKey key(board);
    int ply = 0;
    const TPlainRead read = ReadPlainMoves(
        lines, board, state, nullptr,
        [&](int) {
            key.After(board);
            last.Found(key.Key(board, state));
            return ++ply < kOpeningPlies;
        },
        [&](const TBoard& before, const TMoveRecord& move) { key.Before(before, move); });
    return read != TPlainRead::Load;  // a broken game is named by what stands before the break
}

int LastNamedOfLine(const TNotationCore& core) {
    TLastNamed last{Table()};
    TBoard board = core.Game.StartPosition;
    TMoveRecord state = core.Game.StartState;
    last.Look(board, state);
    TRunningKey key(board);
    int ply = 0;
    for (const TMoveNode* m = core.Root ? core.Root->FirstMove : nullptr; m && ply < kOpeningPlies; m = m->Next) {
        state = m->Move;
        key.Before(board, state);
        MakeMove(board, state);
        key.After(board);
        ++ply;
        last.Found(key.Key(board, state));
    }
    return last.Index;
}

TOpeningName NameAt(int index) {
    return index < 0 ? TOpeningName{} : Table().Names[static_cast<size_t>(index)];
}

}  // namespace

const TOpeningName* OpeningOfPosition(uint64_t positionKey) {
    const TNameTable& table = Table();
    const auto it = table.ByKey.find(positionKey);
    return it == table.ByKey.end() ? nullptr : &table.Names[it->second];
}

TOpeningName OpeningOfGame(std::string_view gameText) {
    try {
        TLastNamed last{Table()};
        if (QuickName(gameText, last)) return NameAt(last.Index);
        thread_local TNotationCore core;
        core.KeepComments = false;
        const int loaded = core.LoadGame(gameText);
        const int index = loaded == lgTooLarge || loaded == lgNoMemory ? -1 : LastNamedOfLine(core);
        core.ClearGame();  // a large game is not kept until the next one
        return NameAt(index);
    } catch (...) {
        return {};  // out of memory on a hostile game: no name
    }
}

TOpeningName OpeningOfMainLine(const TNotationCore& core) {
    try {
        return NameAt(LastNamedOfLine(core));
    } catch (...) {
        return {};
    }
}

size_t OpeningCount() { return Table().Names.size(); }

size_t OpeningLineCount() { return Table().Lines; }
