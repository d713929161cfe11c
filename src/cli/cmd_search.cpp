// quarzel-cli search FILE (--fen FEN | --text TEXT) [--exact] [--mark [WORD]]:
// finds a position in the main line of every game, or a text in the
// headers, with the viewer's search on all cores.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/game_input.h"
#include "collection/game_list_core.h"
#include "database/database_mode.h"
#include "notation/notation_core.h"
#include "notation/pgn_writer.h"
#include "search/game_search.h"
#include "search/hit_marks.h"
#include "search/opening_tree.h"

namespace {

int RunSearch(const CliArgs& args);

const CliCommand kSearch{"search", "FILE (--fen \"FEN\" | --text TEXT) [--exact] [--mark [WORD]] [--no-cache]",
                         "games reaching a position (N<TAB>PLY per hit) or with a text in the header",
                         RunSearch,
                         "--fen: every game whose main line reaches the position (placement and side to\n"
                         "move; with --exact also the castling rights and the en-passant square, the square\n"
                         "by meaning: one on which no pawn may take counts as none), one line N<TAB>PLY per\n"
                         "occurrence (PLY = moves from the game's start, 0 = its start position). The FEN is\n"
                         "read strictly: board, side, castling (KQkq, X-FEN or Shredder letters), en passant\n"
                         "and the optional clock fields; a malformed FEN or one that is no legal position\n"
                         "gives a one-line reason and status 1.\n"
                         "--text: every game whose White, Black, Event, Site or year contains TEXT (any\n"
                         "case, UTF-8 and Latin-1 headers alike), one line N per game.\n"
                         "--mark writes the hit games instead: for --fen as the viewer copies PGN, with the\n"
                         "comment {MATCH} (or {WORD}) after each hit move (before the first move for a hit\n"
                         "at the start) and the word taken out of the game's other comments, so that the\n"
                         "viewer's match keys stop at exactly the hits; for --text as the games' texts.\n"
                         "With the opening tree's records of the file in the cache (quarzel-cli tree, the\n"
                         "viewer) --fen answers from them without reading the file; --no-cache replays it.\n"
                         "A .ccf database is searched like its PGN. Games too large for the viewer to show\n"
                         "are counted: \"N games were too large to search\", status 1.",
                         true};

// Writes the game `text` as the viewer copies it as PGN, with the comment
// "{WORD}" after each hit move (before the first move for a hit at the
// start) and WORD taken out of every other comment. False when the game
// cannot be shown (too large, out of memory): nothing is written then.
// Memory: the game's tree and its notation text; the PGN text goes out as
// it is written.
bool WriteMarkedGame(std::string text, const std::vector<int32_t>& plies, const std::string& word, bool fromDatabase,
                     bool& writeFailed) {
    try {
        TNotationCore core;
        core.SetEnglish(true);
        core.TagsFromRecord = fromDatabase;  // the tags a database game's record holds, as `pgn` writes them
        const int loaded = core.LoadOwnedGame(std::move(text));
        if (loaded == lgTooLarge || loaded == lgNoMemory) return false;
        MarkHits(core, plies, word);
        WritePGNOnce(core, [&](std::string_view piece) {
            if (std::fwrite(piece.data(), 1, piece.size(), stdout) != piece.size()) writeFailed = true;
        });
        if (std::fputc('\n', stdout) == EOF) writeFailed = true;
        return true;
    } catch (const std::exception&) {
        return false;  // the notation would outgrow what it can address, memory ran out
    }
}

// Hands games [first, end) of a pipe's scan to a fed search, a batch at a time.
void FeedGames(TGameSearch& search, TGameListCore& file, int32_t first, int32_t end) {
    constexpr int32_t kBatch = 64;
    for (int32_t from = first; from < end; from += kBatch) {
        const int32_t to = std::min(end, from + kBatch);
        const int64_t start = file.Entry(from).StartPos;
        std::string text(static_cast<size_t>(file.Entry(to - 1).EndPos - start), '\0');
        text.resize(file.Source()->ReadAt(start, text.data(), text.size()));
        std::vector<size_t> ends;
        for (int32_t g = from; g < to; ++g) ends.push_back(static_cast<size_t>(file.Entry(g).EndPos - start));
        search.Feed(from, std::move(text), std::move(ends));
    }
}

int RunSearch(const CliArgs& args) {
    if (args.empty()) return cli::UsageError(kSearch);
    std::string fen, text, word;
    bool byFen = false, byText = false, mark = false, exact = false, noCache = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--fen" && i + 1 < args.size() && !byFen) {
            fen = args[++i];
            byFen = true;
        } else if (args[i] == "--text" && i + 1 < args.size() && !byText) {
            text = args[++i];
            byText = true;
        } else if (args[i] == "--mark" && !mark) {
            mark = true;
            word = "MATCH";
            if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) word = args[++i];
        } else if (args[i] == "--exact") {
            exact = true;
        } else if (args[i] == "--no-cache") {
            noCache = true;
        } else {
            return cli::UsageError(kSearch);
        }
    }
    if (byFen == byText || (exact && !byFen)) return cli::UsageError(kSearch);
    if (word.find_first_of("{}") != std::string::npos) return cli::Fail("the mark may not contain braces");

    TSearchTarget target;
    std::string error;
    if (byFen) {
        if (!TargetFromFEN(fen, target, error)) return cli::Fail("bad FEN: " + error);
        target.MatchCastling = target.MatchEpSquare = exact;
    }
    const bool tty = ::isatty(STDERR_FILENO);
    bool writeFailed = false;
    TGameListCore pgn;
    // A search writes nothing: a database is opened without a lock file of
    // ours and without writing an index it lacks.
    pgn.DatabaseModeState().ReadOnly = true;
    TGameSearch search;
    std::atomic<uint64_t> unshown{0};  // hit games --mark could not write
    bool fetchFailed = false;          // a hit game could not be read again
    // A pipe is read once: the hit games' texts come with their hits.
    search.KeepHitTexts = mark && args[0] == "-";
    search.OnHits = [&](const std::vector<TSearchHit>& hits) {
        std::string out;
        for (const TSearchHit& h : hits) {
            const std::string n = std::to_string(h.Game + 1);
            if (mark) {
                std::string game = h.Text;
                if (args[0] != "-") {
                    int32_t id = -1;
                    pgn.GetGame(h.Game, id, game);
                    if (id < 0) {  // gone since it was searched: never a blank game
                        fetchFailed = true;
                        continue;
                    }
                }
                if (!byFen)
                    out += game + "\n\n";
                else if (!WriteMarkedGame(std::move(game), h.Plies, word, pgn.DatabaseMode(), writeFailed))
                    ++unshown;
            } else if (byFen) {
                for (int32_t ply : h.Plies) out += n + '\t' + std::to_string(ply) + '\n';
            } else {
                out += n + '\n';
            }
        }
        if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) writeFailed = true;
    };
    if (tty) {
        search.OnProgress = [](int percent) { std::fprintf(stderr, "\rsearching %3d%%", percent); };
    }
    TOpeningTree tree;
    TTreeCacheOptions cache;
    cache.Use = !noCache;
    if (byFen && args[0] != "-" && tree.LoadCached(args[0], cache)) {
        // The records answer; a marked copy still reads the hit games.
        if (mark && !cli::ReadRows(pgn, args[0], error)) return cli::Fail(error);
        std::vector<TSearchHit> hits;
        tree.FindPositions(target, hits);
        search.OnHits(hits);
        if (std::fflush(stdout) != 0 || writeFailed) return cli::Fail("cannot write the output");
        if (fetchFailed || pgn.FileChanged()) return cli::Fail(cli::ChangedText(args[0]));
        if (const uint64_t unread = static_cast<uint64_t>(tree.UnreadGames()) + unshown; unread > 0)
            return cli::Fail(std::to_string(unread) + (unread == 1 ? " game was" : " games were") +
                             " too large to search");
        return 0;
    }
    if (args[0] == "-") {
        // A pipe: the games are searched as the scan finds them, in one pass.
        const bool started = byFen ? search.StartPosition(target, error) : search.StartText(text, error);
        if (!started) return cli::Fail(error);
        const bool ok = cli::ReadRows(pgn, args[0], error, [&search](TGameListCore& file, int32_t first, int32_t end) {
            FeedGames(search, file, first, end);
            return true;
        });
        search.EndFeed();
        if (!ok) {
            search.Cancel();
            search.Wait();
            return cli::Fail(error);
        }
    } else {
        if (!cli::ReadRows(pgn, args[0], error)) return cli::Fail(error);
        const bool started = byFen ? search.StartPosition(pgn, target, error) : search.StartText(pgn, text, error);
        if (!started) return cli::Fail(error);
    }
    search.Wait();
    if (tty) std::fprintf(stderr, "\r              \r");
    if (std::fflush(stdout) != 0 || writeFailed) return cli::Fail("cannot write the output");
    if (search.Incomplete() || fetchFailed || pgn.FileChanged()) return cli::Fail(cli::ChangedText(args[0]));
    // Games that could not be read are not silently "no hit".
    if (const uint64_t unread = search.Stats().Unread + unshown; unread > 0)
        return cli::Fail(std::to_string(unread) + (unread == 1 ? " game was" : " games were") +
                         " too large to search");
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kSearch);
