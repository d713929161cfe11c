// quarzel-cli tree FILE [--moves "e4 c5 Nf3"] [--fen FEN] [--no-cache]: the
// opening tree of a position over every game of a file, from the cache
// when it holds the file.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/game_input.h"
#include "collection/game_list_core.h"
#include "database/database_mode.h"
#include "notation/game_tree.h"
#include "notation/san_text.h"
#include "rules/chess960.h"
#include "search/opening_tree.h"

namespace {

int RunTree(const CliArgs& args);

const CliCommand kTree{
    "tree", "FILE [--moves \"e4 c5 Nf3\"] [--fen \"FEN\"] [--no-cache]",
    "the moves played from a position in the file's games, and how they scored", RunTree,
    "One line per move played from the position in the main lines of the games:\n"
    "SAN<TAB>GAMES<TAB>WHITE_WINS<TAB>DRAWS<TAB>BLACK_WINS<TAB>SCORE%<TAB>AVG_ELO<TAB>PERFORMANCE<TAB>FIRST_YEAR<TAB>LAST_YEAR\n"
    "sorted by games, ties by SAN; empty fields where unknown. The position is the start,\n"
    "the position after --moves (SAN from the start, move numbers allowed), or --fen.\n"
    "A position is the placement, the side to move, the castling rights and the\n"
    "en-passant square when a pawn may take there, so transpositions meet; a game counts\n"
    "once, with the move after the first time its main line stands there. SCORE% is the\n"
    "score of the side that plays the move over the games with a result 1-0, 0-1 or\n"
    "1/2-1/2; AVG_ELO the average Elo of that side's players; PERFORMANCE their\n"
    "performance (the opponents' average Elo + 400 (wins - losses) / games). No lines\n"
    "and status 0 when no game reaches the position.\n"
    "The games' records are kept in $XDG_CACHE_HOME/quarzel (~/.cache/quarzel) and used\n"
    "again while the file is unchanged; --no-cache neither reads nor writes them.",
    false};

std::string Field(long long v) { return v > 0 ? std::to_string(v) : std::string(); }

int Print(const TTreeAnswer& answer) {
    std::string out;
    for (const TTreeMove& m : answer.Moves) {
        out += m.San + '\t' + std::to_string(m.Games) + '\t' + std::to_string(m.WhiteWins) + '\t' +
               std::to_string(m.Draws) + '\t' + std::to_string(m.BlackWins) + '\t' +
               (m.Score >= 0 ? std::to_string(m.Score) : std::string()) + '\t' + Field(m.AverageElo) + '\t' +
               Field(m.Performance) + '\t' + Field(m.FirstYear) + '\t' + Field(m.LastYear) + '\n';
    }
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
        return cli::Fail("cannot write the output");
    return 0;
}

int RunTree(const CliArgs& args) {
    if (args.empty() || args[0] == "-") return cli::UsageError(kTree);
    std::string moves, fen;
    bool byMoves = false, byFen = false, noCache = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--moves" && i + 1 < args.size() && !byMoves) {
            moves = args[++i];
            byMoves = true;
        } else if (args[i] == "--fen" && i + 1 < args.size() && !byFen) {
            fen = args[++i];
            byFen = true;
        } else if (args[i] == "--no-cache") {
            noCache = true;
        } else {
            return cli::UsageError(kTree);
        }
    }
    if (byMoves && byFen) return cli::UsageError(kTree);
    TBoard board = InitialPosition;
    TMoveRecord state = FreshState();
    std::string error;
    if (byFen) {
        TSearchTarget target;
        if (!TargetFromFEN(fen, target, error)) return cli::Fail("bad FEN: " + error);
        board = target.Board;
        state.Side = static_cast<int8_t>(target.Side);
        state.Castling = target.Castling;
        state.EpSquare = target.EpSquare;
    }
    if (std::string bad; byMoves && !PlaySanLine(moves, board, state, &bad)) {
        std::fprintf(stderr, "quarzel-cli: not a legal move: %s\n", bad.c_str());
        return cli::UsageError(kTree);
    }

    TTreeCacheOptions cache;
    cache.Use = !noCache;
    TOpeningTree tree;
    TTreeAnswer answer;
    // The cache alone answers while the file is as it was: no need to read it.
    if (tree.LoadCached(args[0], cache)) {
        answer = tree.Tree(board, state);
        return Print(answer);
    }
    // Otherwise a search of the file answers first; then the records are
    // built and kept for the next time.
    TGameListCore pgn;
    pgn.DatabaseModeState().ReadOnly = true;  // the tree writes nothing beside the file
    if (!cli::ReadRows(pgn, args[0], error)) return cli::Fail(error);
    if (!TOpeningTree::DirectTree(pgn, board, state, 0, answer, error) || pgn.FileChanged())
        return cli::Fail(cli::ChangedText(args[0]));
    if (const int status = Print(answer); status != 0 || noCache) return status;
    const bool tty = ::isatty(STDERR_FILENO);
    if (tty)
        tree.OnProgress = [](int64_t read, int64_t total) {
            std::fprintf(stderr, "\rkeeping the games' records %3d%%",
                         total > 0 ? static_cast<int>(100 * read / total) : 100);
        };
    if (tree.Start(pgn, cache, error)) tree.Wait();
    if (tty) std::fprintf(stderr, "\r                                 \r");
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kTree);
