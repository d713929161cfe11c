// quarzel-cli replay FILE: loads every game of a PGN file with the viewer's
// loader, runs the viewer's match search from the start position and goes
// to the end of the main line, printing the positions reached.
#include <cstdio>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cli/command.h"
#include "cli/game_input.h"
#include "notation/notation_core.h"
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
void ReplayRow(TGameListCore& pgn, int32_t row, TNotationCore& core, std::string& text, std::string& out, bool& writeFailed);

const CliCommand kReplay{"replay", "FILE",
                         "load every game, print start, each MATCH stop and end position (FEN)", RunReplay,
                         "Lines (tab-separated, FEN4 = the first four FEN fields):\n"
                         "  N start FEN4         the start position of game N\n"
                         "  N match PLY FEN4     each stop of the \"Match>\" search, variations included\n"
                         "                       (PLY counted from the start along the stop's line; 0 for\n"
                         "                       a start that is a stop: its comment before the first move)\n"
                         "  N end PLY FEN4       the end of the main line\n"
                         "  N error PLY          instead of match and end when the moves cannot be read",
                         true};

int RunReplay(const CliArgs& args) {
    if (args.size() != 1) return cli::UsageError(kReplay);
    TGameListCore pgn;
    std::string error;
    TNotationCore core;
    std::string out;
    out.reserve(1 << 20);
    std::string text;
    bool writeFailed = false;
    // Games are numbered by list row (a database keeps rows for deleted games).
    const bool ok = cli::ReadRows(pgn, args[0], error, [&](TGameListCore& file, int32_t first, int32_t end) {
        for (int32_t row = first; row < end && !writeFailed; ++row) ReplayRow(file, row, core, text, out, writeFailed);
        return !writeFailed;
    });
    if (!ok) return cli::Fail(error);
    if (writeFailed || std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
        return cli::Fail("cannot write the output");
    return 0;
}

// Game `row` (from 0): its start, each MATCH stop and its end; the output
// goes out a megabyte at a time.
void ReplayRow(TGameListCore& pgn, int32_t row, TNotationCore& core, std::string& text, std::string& out, bool& writeFailed) {
    int32_t id = -1;
    pgn.GetGame(pgn.GameIndexOfRow(row), id, text);
    const std::string n = std::to_string(row + 1);
    const int result = core.LoadGame(text);
    out += n;
    out += "\tstart\t";
    AppendFen4(out, core);
    out += '\n';
    if (result != lgLoaded) {  // a read error, or a game refused whole
        out += n + "\terror\t" + std::to_string(MainLineLength(core)) + '\n';
    } else {
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
    if (out.size() > (1 << 20) - 4096) {
        if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) writeFailed = true;
        out.clear();
    }
}

QUARZEL_CLI_COMMAND(kReplay);

}  // namespace
