// quarzel-cli replay FILE: loads every game of a PGN file with the viewer's
// loader, runs the viewer's match search from the start position and goes
// to the end of the main line, printing the positions reached. A game the
// plain reading takes is replayed straight from its text (replay_plain.h),
// with the same lines.
#include <cstdio>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cli/command.h"
#include "cli/game_input.h"
#include "cli/replay_plain.h"
#include "notation/notation_core.h"
#include "platform/error_text.h"
#include "rules/chess960.h"
#include "rules/fen.h"
#include "search/match_search.h"

namespace {

// Board, side to move, castling rights and en-passant square.
void AppendFen4(std::string& out, const TNotationCore& core) {
    std::string fen = PositionToFEN(core.CurrentPosition(), core.State, 1, core.Game.CastlingRooks);
    size_t cut = 0;
    for (int fields = 0; fields < 4 && cut != std::string::npos; ++fields) cut = fen.find(' ', cut + (fields ? 1 : 0));
    out.append(fen, 0, cut == std::string::npos ? fen.size() : cut);
}

// The marked moves of the loaded game with the number of moves played from
// the start to reach them along their line.
std::unordered_map<const TMoveNode*, int> MarkPlies(const TNotationCore& core) {
    std::unordered_map<const TMoveNode*, int> plies;
    std::vector<std::pair<const TMoveNode*, int>> lines;  // first move of a line and its ply
    if (core.Root && core.Root->FirstMove) lines.emplace_back(core.Root->FirstMove, 1);
    while (!lines.empty()) {
        auto [node, ply] = lines.back();
        lines.pop_back();
        for (; node; node = node->Next, ++ply) {
            if (node->Comment.find("MATCH") != std::string::npos) plies[node] = ply;
            for (const TVariationEntry* v = node->Variations; v; v = v->NextVar)
                if (v->FirstMove) lines.emplace_back(v->FirstMove, ply);
        }
    }
    return plies;
}

int MainLineLength(const TNotationCore& core) {
    int n = 0;
    for (const TMoveNode* m = core.Root ? core.Root->FirstMove : nullptr; m; m = m->Next) ++n;
    return n;
}

int RunReplay(const CliArgs& args);

// One run over the games of a file: the loader, the output gathered a
// megabyte at a time, and the games that could not be loaded at all.
struct TReplay {
    std::string file;
    TNotationCore core;
    std::string text;
    std::string movetext;  // of a game replayed without the loader
    std::string out;
    bool writeFailed = false;
    std::string firstFailure;  // why the first game that could not be loaded was not
    int failures = 0;

    void Row(TGameListCore& pgn, int32_t row);
    void Stops(const std::string& n);
    void Failed(const std::string& n, const std::string& why);
};

const CliCommand kReplay{"replay", "FILE",
                         "load every game, print start, each MATCH stop and end position (FEN)", RunReplay,
                         "Lines (tab-separated, FEN4 = the first four FEN fields):\n"
                         "  N start FEN4         the start position of game N\n"
                         "  N match PLY FEN4     each stop of the \"Match>\" search, variations included\n"
                         "                       (PLY counted from the start along the stop's line; 0 for\n"
                         "                       a start that is a stop: its comment before the first move)\n"
                         "  N end PLY FEN4       the end of the main line\n"
                         "  N error PLY          instead of match and end when the moves cannot be read\n"
                         "                       (PLY 0 and status 1 for a game that cannot be loaded at\n"
                         "                       all: unreadable, too large, or memory ran out)",
                         true};

int RunReplay(const CliArgs& args) {
    if (args.size() != 1) return cli::UsageError(kReplay);
    TGameListCore pgn;
    std::string error;
    TReplay replay;
    replay.file = args[0];
    replay.out.reserve(1 << 20);
    // Games are numbered by list row (a database keeps rows for deleted games).
    const bool ok = cli::ReadRows(pgn, args[0], error, [&](TGameListCore& file, int32_t first, int32_t end) {
        for (int32_t row = first; row < end && !replay.writeFailed; ++row) replay.Row(file, row);
        return !replay.writeFailed;
    });
    if (!ok) return cli::Fail(error);
    const std::string& out = replay.out;
    if (replay.writeFailed || std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
        return cli::Fail("cannot write the output");
    if (replay.failures > 0)
        return cli::Fail(replay.firstFailure +
                         (replay.failures > 1 ? " (and " + std::to_string(replay.failures - 1) + " more games)" : ""));
    return 0;
}

void TReplay::Failed(const std::string& n, const std::string& why) {
    out += n + "\terror\t0\n";
    if (failures++ == 0) firstFailure = "game " + n + " of " + file + ": " + why;
}

// The stops of the "Match>" search and the end of the main line.
void TReplay::Stops(const std::string& n) {
    // The search stops at marks in variations too, in text order.
    const std::unordered_map<const TMoveNode*, int> plies = MarkPlies(core);
    // The jump on opening the game stays at a start that is a stop.
    if (StartIsStop(core)) {
        out += n + "\tmatch\t0\t";
        AppendFen4(out, core);
        out += '\n';
    }
    while (NextMatch(core, nullptr)) {
        const auto it = plies.find(core.Current);
        out += n + "\tmatch\t" + std::to_string(it == plies.end() ? 0 : it->second) + '\t';
        AppendFen4(out, core);
        out += '\n';
    }
    core.ToEnd();
    out += n + "\tend\t" + std::to_string(MainLineLength(core)) + '\t';
    AppendFen4(out, core);
    out += '\n';
}

// Game `row` (from 0): its start, each MATCH stop and its end; the output
// goes out a megabyte at a time.
void TReplay::Row(TGameListCore& pgn, int32_t row) {
    const std::string n = std::to_string(row + 1);
    const int32_t index = pgn.GameIndexOfRow(row);
    if (cli::TooLargeToRead(pgn, index, core.MaxGameBytes)) return Failed(n, kGameTooLargeText);
    int32_t id = -1;
    pgn.GetGame(index, id, text);
    const bool plain = id >= 0 && ReplayPlainGame(text, n, out, movetext);
    if (!plain && id >= 0 && text.empty()) pgn.GetGame(index, id, text);  // given up for its movetext
    if (plain) {
        // replayed without the tree
    } else if (const int result = id < 0 ? lgNoMemory : core.LoadGame(text);
               id < 0 || result == lgTooLarge || result == lgNoMemory) {
        // Nothing was loaded: no start, no stops, no end to report.
        Failed(n, id < 0 ? "cannot read it" : result == lgTooLarge ? kGameTooLargeText : kNoMemoryText);
    } else {
        out += n;
        out += "\tstart\t";
        AppendFen4(out, core);
        out += '\n';
        if (result == lgLoaded) Stops(n);
        else out += n + "\terror\t" + std::to_string(MainLineLength(core)) + '\n';  // moves unreadable
    }
    if (out.size() > (1 << 20) - 4096) {
        if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) writeFailed = true;
        out.clear();
    }
}

QUARZEL_CLI_COMMAND(kReplay);

}  // namespace
