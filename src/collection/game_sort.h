// The columns of the game table and the order it sorts them in, free of any
// GUI: the viewer's table and `quarzel-cli list --sort` run this same code.
//
// A column's cell text comes from the game's header record; the Opening
// column's from the game's first moves, named through a hook (below). Sorting by a
// column reads that column's key for every listed game: straight from the
// bytes of a PGN file (read in large blocks, only the header lines of each
// game decoded, on all cores, each thread setting the keys of its own stretch
// in place, the games' bounds shared with the list; 8 bytes a game for a text
// column while no text is longer than 8 bytes, then 4 more and the rest of
// each text; 4 for a number), or
// through the list's header reader for a game database. Text columns compare
// case-insensitively with accents folded (FoldForSort), numbers and dates by
// value, rounds naturally (NaturalSortText); empty values come last in either direction and equal keys keep the
// order of the game numbers.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "collection/game_header.h"
#include "collection/game_list_core.h"
#include "source/byte_source.h"

enum class TGameColumn : std::uint8_t {
    Number, White, Black, WhiteElo, BlackElo, Result, Date, Event, Site, Round, ECO, Moves, Opening
};
inline constexpr int kGameColumnCount = 13;

// "Number", "White", "White Elo", ... as the table's header names them.
std::string_view GameColumnName(TGameColumn column);
// A header name in any case, with or without its blank ("white elo",
// "WhiteElo"); false for anything else.
bool GameColumnFromName(std::string_view name, TGameColumn& column);
// Columns sorted by value rather than by text.
bool IsNumericColumn(TGameColumn column);
// A text (a round: "1.2", "1.10", "2") as its sort key in natural order: every
// run of digits led by its length, so "1.2" < "1.10" < "2" < "Final".
std::string NaturalSortText(std::string_view text);

// The Opening column: the name of the opening a game's text reaches (UTF-8,
// empty for none). The names live above this layer (search/opening_names.h):
// each program sets the hook at start-up; without it the column stays empty.
// The hook must be thread-safe (sorts call it on several threads).
using TOpeningNamer = std::string (*)(std::string_view gameText);
void SetOpeningNamer(TOpeningNamer namer);
// Bytes of a game's text the column reads: plenty for the first moves of any
// ordinary game, and a row never reads a huge game through.
inline constexpr std::size_t kOpeningTextBytes = 256 << 10;
// The cell of a game text (the first kOpeningTextBytes of it, up to a NUL,
// blanks trimmed, as the list reads a game).
std::string OpeningCellText(std::string_view gameText);
// The cell of a listed game; empty when it cannot be read.
std::string OpeningCellOfGame(TGameListCore& list, std::int32_t game);

// A cell as the table shows it, UTF-8. Empty for an unknown value (Elo 0, a
// "?" event, a date without a year); the result "1/2-1/2" reads "1/2".
// The Opening column, which needs the game's moves, is empty here.
std::string GameCellText(const TGameHeader& header, TGameColumn column, std::int32_t gameIndex);

// The sort keys of one column for a list of games (key i is the i-th game added).
class TSortKeys {
public:
    explicit TSortKeys(TGameColumn column) : column_(column) {}
    TGameColumn Column() const { return column_; }
    void Add(const TGameHeader& header, std::int32_t gameIndex);
    // The key of a text column given its cell text (the Opening column).
    void AddText(std::string_view text);
    std::size_t Size() const;
    bool Empty(std::size_t i) const;
    // <0, 0, >0 as key i sorts before, with or after key j (empty keys not compared).
    int Compare(std::size_t i, std::size_t j) const;
    // Keys read on several threads, each thread a stretch of its own:
    // Grow(n) adds n keys; Set (SetText for the Opening column) sets key i
    // of them, its text past the prefix going to rests, the thread's own
    // TSortKeys, in key order; then TakeRests(rests, count) takes over the
    // texts of each stretch of count keys, stretch after stretch.
    void Grow(std::size_t n);
    void Set(std::size_t i, const TGameHeader& header, std::int32_t gameIndex, TSortKeys& rests);
    void SetText(std::size_t i, std::string_view text, TSortKeys& rests);
    void TakeRests(TSortKeys& rests, std::size_t count);

private:
    // Where text i ends in text_ (it starts where text i - 1 ends): none
    // while every text is empty, then 32 bits a game while the texts fit
    // 4 GB, 64 after that.
    std::uint64_t End(std::size_t i) const {
        return !wideEnds_.empty() ? wideEnds_[i] : ends_.empty() ? 0 : ends_[i];
    }
    std::uint64_t Start(std::size_t i) const { return i == 0 ? 0 : End(i - 1); }
    void AddEnd(std::uint64_t end);
    void AddFolded(const std::string& folded);
    void AddRest(const std::string& folded);
    std::string Folded(const TGameHeader& header) const;

    TGameColumn column_;
    std::vector<std::uint32_t> numbers_;   // numeric columns: the value, 0 = empty
    std::vector<std::uint64_t> prefixes_;  // text columns: first 8 folded bytes, big-endian
    std::vector<std::uint32_t> ends_;
    std::vector<std::uint64_t> wideEnds_;
    std::size_t emptyTexts_ = 0;  // keys added while every text was empty
    std::string text_;
};

// Where the keys of listed games are read from. Built on the list's thread;
// reading a PGN file's keys may then run on any thread.
struct TSortSource {
    bool Database = false;   // keys come through the list (on its thread)
    std::string Path;        // the PGN file
    std::shared_ptr<TByteSource> Text;  // its text (decompressed when it is compressed)
    std::vector<std::int32_t> Games;                         // in list order
    // Where each game starts and ends (PGN), shared with the list; the
    // header is looked for in its first 4 MB.
    TGameBoundsView Bounds;
};
TSortSource SortSourceOf(TGameListCore& list, std::vector<std::int32_t> games);

// Called now and then with the share done (0..100); false cancels.
using TSortProgress = std::function<bool(int percent)>;

// Reads the keys of a PGN source on `threads` threads (0: up to 4, one for
// fewer than 20000 games); false when cancelled (the keys are then of no
// use). A file that cannot be read gives empty keys: the order is then the
// game numbers'.
bool ReadFileSortKeys(const TSortSource& source, TSortKeys& keys, const TSortProgress& progress = {},
                      unsigned threads = 0);
// Reads keys [from, to) of the source's games through the list's header reader
// (game databases; also works for PGN files, one game at a time).
void ReadListSortKeys(TGameListCore& list, const TSortSource& source, std::size_t from, std::size_t to, TSortKeys& keys);

// Positions into the keys (and the source's games) in table order: keys
// ascending or descending, ties and empty keys (last) by game number.
std::vector<std::int32_t> SortedPositions(const std::vector<std::int32_t>& games, const TSortKeys& keys,
                                          bool descending);
// The same for games in ascending order (ties by position): the games need
// not be at hand while sorting.
std::vector<std::int32_t> SortedPositions(const TSortKeys& keys, bool descending);

// The whole sort on the calling thread, for tools: the rows of the list in table order (game indexes).
std::vector<std::int32_t> SortListGames(TGameListCore& list, TGameColumn column, bool descending);
