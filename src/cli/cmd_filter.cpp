// quarzel-cli filter FILE [criteria] [--no-duplicates] [--sort COLUMN [--desc]]
// [--out OUT] [--force]: the games that meet every criterion, listed as
// `list` lists them or written to a new file as the file holds them.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/command.h"
#include "cli/filter_args.h"
#include "cli/game_input.h"
#include "collection/game_sort.h"
#include "collection/row_texts.h"
#include "database/database_mode.h"
#include "notation/game_writer.h"
#include "search/game_filter.h"

namespace {

int RunFilter(const CliArgs& args);

const CliCommand kFilter{
    "filter",
    "FILE [--white T] [--black T] [--player T] [--elo-min N] [--years Y1-Y2] [--result R] [--eco A00-E99] "
    "[--opening T] [--moves-min N] [--moves-max N] [--fen FEN] [--no-duplicates] [--sort COLUMN [--desc]] [--out OUT] [--force]",
    "the games meeting every criterion, listed as list does or written to a new file", RunFilter,
    "--white, --black, --player: the name contains T (either side for --player), any case,\n"
    "accents ignored. --elo-min: both players' Elo at least N (a missing Elo fails).\n"
    "--years: the year of the Date tag in 1990-1999, 1990, 1990- or -1999 (no year fails).\n"
    "--result: 1-0, 0-1, 1/2-1/2 (or 1/2) or *. --eco: the ECO code within A00-E99, or one code.\n"
    "--opening: the opening the moves reach (as the opening command names it, code and name)\n"
    "contains T, any case, accents ignored (a game that reaches none fails).\n"
    "--moves-min, --moves-max: moves of the main line. --fen: the main line reaches the position\n"
    "(as search --fen). --no-duplicates: a game with the same main-line moves, White, Black and\n"
    "Result as one listed before it is left out. --sort orders the games as list --sort does.\n"
    "Without --out the games' rows are printed as list prints them; --out writes the games to a new\n"
    "file (\"-\": standard output) in that order, each as the file holds it, one blank line between;\n"
    "a name ending .gz, .bz2, .xz or .zst is compressed. OUT may not be FILE (under any name) nor an\n"
    "existing file unless --force is given; a failure leaves no file behind."};

// The game's row as `list` prints it.
std::string RowOf(TGameListCore& pgn, int32_t game) {
    pgn.LoadRowHeader(game);
    const TRowTexts t = ComposeRowTexts(pgn.CurrentHeader, game);
    std::string row = std::to_string(game + 1);
    for (const std::string* field : {&t.Player, &t.Source, &t.Year, &t.Result}) row += '\t' + DisplayUtf8(*field);
    return row + '\n';
}

int RunFilter(const CliArgs& args) {
    cli::TFilterArgs a;
    std::string error;
    if (!cli::ParseFilterArgs(args, a, error)) return error.empty() ? cli::UsageError(kFilter) : cli::Fail(error);
    TGameColumn column = TGameColumn::Number;
    if (a.sort && !GameColumnFromName(a.columnName, column)) return cli::Fail("unknown column '" + a.columnName + "'");
    if (a.file == "-") return cli::Fail("filter reads a file, not standard input");
    if (!a.out.empty()) {
        if (const std::string refusal = SaveTargetRefusal(a.file, a.out, a.force); !refusal.empty())
            return cli::Fail(refusal);
    }
    TGameListCore pgn;
    pgn.DatabaseModeState().ReadOnly = true;
    if (!cli::ReadRows(pgn, a.file, error)) return cli::Fail(error);
    std::unique_ptr<TGameWriter> writer;
    try {
        if (!a.out.empty()) writer = std::make_unique<TGameWriter>(pgn, a.out);
    } catch (const std::exception& e) {
        return cli::Fail(e.what());
    }
    TDuplicateSet seen;
    std::string failure;  // the first write failure
    std::vector<TSearchHit> kept;  // sorted output: every hit, ordered at the end
    auto emit = [&](int32_t game, uint64_t key, const std::string& row) {
        if (!failure.empty() || (a.criteria.NoDuplicates && seen.Seen(key))) return;
        try {
            if (writer) writer->Add(game);
            else if (std::fwrite(row.data(), 1, row.size(), stdout) != row.size()) failure = "cannot write the list";
        } catch (const std::exception& e) {
            failure = e.what();
        }
    };
    TGameSearch search;
    search.OnHits = [&](const std::vector<TSearchHit>& hits) {
        for (const TSearchHit& h : hits) {
            if (a.sort) kept.push_back(TSearchHit{h.Game, {}, {}, h.Key});
            else emit(h.Game, h.Key, h.Text);
        }
        if (!failure.empty()) search.Cancel();
    };
    if (::isatty(STDERR_FILENO)) search.OnProgress = [](int p) { std::fprintf(stderr, "\rfiltering %3d%%", p); };
    if (!a.criteria.Any()) {  // every game, nothing to read first
        for (int32_t row = 0; row < pgn.RowCount() && failure.empty(); ++row) {
            const int32_t game = pgn.GameIndexOfRow(row);
            if (a.sort) kept.push_back(TSearchHit{game, {}, {}});
            else emit(game, 0, writer ? std::string() : RowOf(pgn, game));
        }
    } else if (!search.StartMatcher(pgn, FilterMatchers(a.criteria, !writer && !a.sort), a.criteria.HeaderOnly(),
                                    error)) {
        return cli::Fail(error);
    }
    search.Wait();
    if (::isatty(STDERR_FILENO)) std::fprintf(stderr, "\r               \r");
    if (a.sort) {
        pgn.ClearRows();
        std::unordered_map<int32_t, uint64_t> keys;
        for (size_t i = 0; i < kept.size(); ++i) {
            pgn.AddRow(static_cast<int32_t>(i), kept[i].Game);
            keys[kept[i].Game] = kept[i].Key;
        }
        for (const int32_t game : SortListGames(pgn, column, a.descending)) {
            emit(game, keys[game], writer ? std::string() : RowOf(pgn, game));
        }
    }
    if (failure.empty() && writer) {
        try {
            writer->Finish();
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (!failure.empty()) return cli::Fail(failure);
    if (!writer && std::fflush(stdout) != 0) return cli::Fail("cannot write the list");
    if (search.Incomplete() || pgn.FileChanged()) return cli::Fail(cli::ChangedText(a.file));
    if (const uint64_t unread = search.Stats().Unread; unread > 0)
        return cli::Fail(std::to_string(unread) + (unread == 1 ? " game was" : " games were") + " too large to filter");
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kFilter);
