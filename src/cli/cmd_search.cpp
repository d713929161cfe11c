// quarzel-cli search FILE (--fen FEN | --text TEXT) [--exact] [--mark [WORD]]:
// finds a position in the main line of every game, or a text in the
// headers, with the viewer's search on all cores.
#include <unistd.h>

#include <cstdio>
#include <string>

#include <algorithm>

#include "cli/command.h"
#include "cli/game_input.h"
#include "notation/game_search.h"
#include "notation/layout.h"
#include "notation/notation_core.h"
#include "notation/pgn_writer.h"

namespace {

int RunSearch(const CliArgs& args);

const CliCommand kSearch{"search", "FILE (--fen \"FEN\" | --text TEXT) [--exact] [--mark [WORD]]",
                         "games reaching a position (N<TAB>PLY per hit) or with a text in the header",
                         RunSearch, {}, true};

// The game's PGN as the viewer writes it, with the comment WORD after each
// hit move (before the first move for a hit at the start).
std::string MarkedGame(const std::string& text, const std::vector<int32_t>& plies, const std::string& word) {
    TNotationCore core;
    AttachLayout(core);
    core.SetEnglish(true);
    core.LoadGame(text);
    const std::string mark = "{" + word + "}";
    size_t next = 0;
    int32_t ply = 0;
    if (next < plies.size() && plies[next] == 0) {
        core.Game.IntroComment = mark + " " + core.Game.IntroComment;
        ++next;
    }
    for (TBaum* m = core.Root ? core.Root->FirstMove : nullptr; m && next < plies.size(); m = m->Next) {
        if (++ply != plies[next]) continue;
        m->Comment = m->Comment.empty() ? mark : m->Comment + " | " + mark;
        ++next;
    }
    core.Relayout();
    std::string out;
    WritePGN(core, false, out, false);
    return out + "\r\n";
}

// Hands games [first, end) of a pipe's scan to a fed search, a batch at a time.
void FeedGames(TGameSearch& search, TPGNCore& file, int32_t first, int32_t end) {
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
    bool byFen = false, byText = false, mark = false, exact = false;
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
    TGameSearch search;
    search.KeepHitTexts = mark;
    search.OnHits = [&](const std::vector<TSearchHit>& hits) {
        std::string out;
        for (const TSearchHit& h : hits) {
            const std::string n = std::to_string(h.Game + 1);
            if (mark) {
                out += byFen ? MarkedGame(h.Text, h.Plies, word) : h.Text + "\n\n";
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
    TPGNCore pgn;
    if (args[0] == "-") {
        // A pipe: the games are searched as the scan finds them, in one pass.
        const bool started = byFen ? search.StartPosition(target, error) : search.StartText(text, error);
        if (!started) return cli::Fail(error);
        const bool ok = cli::ReadRows(pgn, args[0], error, [&search](TPGNCore& file, int32_t first, int32_t end) {
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
        if (pgn.DatabaseMode()) return cli::Fail("search works on PGN files only");
        const bool started = byFen ? search.StartPosition(pgn, target, error) : search.StartText(pgn, text, error);
        if (!started) return cli::Fail(error);
    }
    search.Wait();
    if (tty) std::fprintf(stderr, "\r              \r");
    if (std::fflush(stdout) != 0 || writeFailed) return cli::Fail("cannot write the output");
    // Games that could not be read are not silently "no hit".
    if (const uint64_t unread = search.Stats().Unread; unread > 0)
        return cli::Fail(std::to_string(unread) + (unread == 1 ? " game was" : " games were") +
                         " too large to search");
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kSearch);
